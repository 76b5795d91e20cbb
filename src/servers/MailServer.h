#pragma once
// The e-mail server: see servers/MailRequests.h for its operations.

#include <QSqlQuery>
#include <functional>
#include <optional>

#include "data/ConnectionPool.h"
#include "data/Dialect.h"
#include "data/ServerRegistry.h"
#include "servers/MailRequests.h"
#include "servers/PooledUnit.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace mailserver {
struct BodyMail;
struct Outgoing;
struct Fetched;
} // namespace mailserver

class MailServer : public AppServer {
public:
    MailServer() = default;
    explicit MailServer(const Dialect::Target &target) : target_(target) {}

    QVariantList Elabora(short operation, QVariantList &params) override;

    // Called after each message of a mailbox read was stored and before it
    // is marked seen; false stops the read there, as a crash would (tests).
    void setAfterCommit(std::function<bool(qint64 uid)> hook) { afterCommit_ = std::move(hook); }

private:
    bool open(QVariantList *failure);
    // Runs work in one unit of its own (begun, retried after a lost
    // connection as every unit is); failureText names what was being done.
    QVariantList inUnit(const QString &failureText, const std::function<UnitOutcome(RequestUnit &)> &work);
    std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> statements(QSqlQuery &query);

    // Sending (MailOutbox.cpp).
    QVariantList notice(const QVariantList &params);
    QVariantList single(const QVariantList &params);
    QVariantList resend(const QVariantList &params);
    QVariantList send(const mailserver::Outgoing &out);
    UnitOutcome keepAttempt(const mailserver::Outgoing &out, mailserver::BodyMail *settings, qlonglong *id);
    QVariantList transmit(const QString &ente, qlonglong id, const mailserver::BodyMail &settings,
                          const QString &envelopeFrom, const QStringList &recipients, const QByteArray &raw);

    // Answers to other administrations (MailInterop.cpp).
    QVariantList confirm(const QVariantList &params);
    QVariantList sendProtocol(const QVariantList &params);

    // Receiving (MailReceiver.cpp).
    // The body's mail settings read in a unit of their own: the reply is
    // "0" or the refusal (an unknown body; any fault of the settings too
    // when they must be usable) or the failure.
    QVariantList bodySettings(const QString &ente, bool usable, mailserver::BodyMail *settings);
    QVariantList fetch(const QVariantList &params);
    QVariantList loadFile(const QVariantList &params);
    UnitOutcome storeAttempt(mailserver::Fetched &f, int *outcome);

    std::optional<Dialect::Target> target_;
    ConnectionPool::Connection *conn_ = nullptr;
    std::function<bool(qint64)> afterCommit_;
};

} // namespace nimbo
