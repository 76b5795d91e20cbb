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

#include "data/ConnectionPool.h"
#include "data/ServerRegistry.h"

namespace nimbo {

// Its connections are the session's (one per database, kept by the
// connection pool), so making a server for every call costs no log-in. A
// connection found gone is opened again and the call tried once more when
// nothing of it can have been written.
class GenericServer : public AppServer {
public:
    QVariantList Elabora(short operation, QVariantList &params) override;

private:
    // The session's connection to the database of a logical name.
    ConnectionPool::Connection *database(const QString &logicalName, QVariantList *failure);
    QVariantList read(short operation, const QVariantList &params);
    QVariantList batch(const QVariantList &params);
};

} // namespace nimbo
