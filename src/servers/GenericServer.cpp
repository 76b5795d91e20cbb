#include "servers/GenericServer.h"
#include "servers/OperatorRights.h"
#include "servers/ProtocolServer.h"

#include "data/Funzioni_Com_1.h"
#include "data/UnitRetry.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

QVariantList failure(int status, const QString &text) { return {status, text}; }

const QString kPurpose = QStringLiteral("GenericServer");

} // namespace

ConnectionPool::Connection *GenericServer::database(const QString &logicalName, QVariantList *fail)
{
    const QString key = logicalName.trimmed().toUpper();
    Dialect::Target target;
    if (key.isEmpty() || !F::resolveDatabase(key, &target)) {
        *fail = failure(F::kStatusBadDatabase, F::undeclaredText(logicalName));
        return nullptr;
    }
    QString err;
    ConnectionPool::Connection *c = ConnectionPool::acquire(kPurpose, target, &err);
    if (!c)
        *fail = failure(F::kStatusBadDatabase, QStringLiteral("Apertura Database ") + logicalName + QStringLiteral(": ") + err);
    return c;
}

QVariantList GenericServer::read(short operation, const QVariantList &params)
{
    if (params.size() < 2 || params[1].toString().trimmed().isEmpty())
        return failure(F::kStatusBadRequest, QStringLiteral("Parametri errati: database e istruzione SQL richiesti"));
    QVariantList fail;
    ConnectionPool::Connection *c = database(params[0].toString(), &fail);
    if (!c)
        return fail;
    const int rowCount = operation == F::kOpSingleRow ? 1 : -1;
    // A read changes nothing: after the connection went away it is simply
    // made again on a new one.
    C_GestDB::Result r;
    ConnectionPool::runUnit(c, params[0].toString().trimmed().toUpper(), [&] {
        r = C_GestDB::readRows(c->db, params[1].toString(), rowCount);
        return ConnectionPool::AttemptEnd{false, !r.ok && r.lost, r.detail};
    });
    if (!r.ok)
        return failure(F::kStatusSqlFailed, r.detail.isEmpty() ? r.errText : r.detail);
    QVariantList columns;
    for (const QVariantList &col : r.rows)
        columns.append(QVariant(col));
    QVariantList reply{r.rowCountRead() == 0 ? F::kStatusNoRows : F::kStatusOk,
                       r.rowCountRead() == 0 ? QStringLiteral("Nessun Record Trovato") : QString(),
                       QVariant(columns)};
    if (operation == F::kOpGridRows)
        reply.append(QVariant(r.columns));
    return reply;
}

QVariantList GenericServer::batch(const QVariantList &params)
{
    QVector<F::Statement> statements;
    if (params.size() < 2 || params[1].typeId() != QMetaType::QVariantList
        || !F::unpackStatements(params[1].toList(), &statements))
        return failure(F::kStatusBadRequest, QStringLiteral("Parametri errati: elenco istruzioni non valido"));
    QVariantList fail;
    ConnectionPool::Connection *c = database(params[0].toString(), &fail);
    if (!c)
        return fail;
    if (const QString refusal = operatorRightsRefusal(c->db, statements); !refusal.isEmpty())
        return {kStatusRefused, refusal};
    int failed = -1;
    F::BuildResult b;
    // Gone before the commit was sent: the server dropped the transaction,
    // so nothing was written and the batch may run again. Gone during the
    // commit: whether it landed is unknown, and it is not repeated.
    ConnectionPool::runUnit(c, params[0].toString().trimmed().toUpper(), [&] {
        b = F::runBatch(c->db, statements, &failed);
        return ConnectionPool::AttemptEnd{false, !b.ok() && b.lost && failed < int(statements.size()), b.errText};
    });
    if (!b.ok())
        return failure(F::kStatusSqlFailed,
                       (failed >= 0 ? QStringLiteral("Istruzione %1: ").arg(failed + 1) : QString()) + b.errText);
    return {F::kStatusOk, QString()};
}

QVariantList GenericServer::Elabora(short operation, QVariantList &params)
{
    switch (operation) {
    case F::kOpSingleRow:
    case F::kOpGridRows:
    case F::kOpRows: return read(operation, params);
    case F::kOpBatchWrite: return batch(params);
    default: return failure(F::kStatusBadRequest, QStringLiteral("Operazione non prevista: ") + QString::number(operation));
    }
}

} // namespace nimbo
