#pragma once
// The image server: see servers/ImageRequests.h for its operations.

#include <QSqlQuery>
#include <functional>
#include <optional>

#include "data/ConnectionPool.h"
#include "data/Dialect.h"
#include "data/ServerRegistry.h"
#include "servers/ImageRequests.h"
#include "servers/PooledUnit.h"

namespace nimbo {

class ImageServer : public AppServer {
public:
    ImageServer() = default;
    explicit ImageServer(const Dialect::Target &target) : target_(target) {}

    QVariantList Elabora(short operation, QVariantList &params) override;

private:
    struct Store;
    struct Read;
    bool open(QVariantList *failure);
    QVariantList store(const QVariantList &params, bool imageOnly);
    UnitOutcome storeAttempt(const Store &s);
    QVariantList read(const QVariantList &params);
    UnitOutcome readAttempt(const Read &r);
    static bool exec(QSqlQuery &q, const QString &sql, const QVariantList &binds);
    // exec on query, for a RequestUnit.
    static std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> statements(QSqlQuery &query);

    std::optional<Dialect::Target> target_;
    ConnectionPool::Connection *conn_ = nullptr;
};

} // namespace nimbo
