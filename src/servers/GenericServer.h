#pragma once
// The generic data server: runs the SQL text the client builds against the
// database a logical name stands for and returns the rows, column first.
//
//   100  single row   (logical name, SQL) -> [status, text, columns]
//   101  grid rows    (logical name, SQL) -> [status, text, columns, names]
//   110  rows         (logical name, SQL) -> [status, text, columns]
//   120  batch write  (logical name, statements) -> [status, text]
//
// Status 0 success, 1 no rows, otherwise a failure with its text.

#include <QHash>

#include "data/C_GestDB.h"
#include "data/ServerRegistry.h"

namespace nimbo {

class GenericServer : public AppServer {
public:
    GenericServer();
    ~GenericServer() override;
    QVariantList Elabora(short operation, QVariantList &params) override;

private:
    // Opens (once per server object) the database of a logical name.
    bool database(const QString &logicalName, C_GestDB::Database *db, QVariantList *failure);
    QVariantList read(short operation, const QVariantList &params);
    QVariantList batch(const QVariantList &params);

    QString prefix_;
    QHash<QString, C_GestDB::Database> open_;
};

} // namespace nimbo
