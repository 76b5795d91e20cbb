#include "servers/GenericServer.h"

#include <QFileInfo>

#include "data/Funzioni_Com_1.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

QVariantList failure(int status, const QString &text) { return {status, text}; }

} // namespace

GenericServer::GenericServer()
{
    static int serial = 0;
    prefix_ = QStringLiteral("generic_%1_").arg(++serial);
}

GenericServer::~GenericServer()
{
    for (const auto &db : std::as_const(open_))
        Dialect::close(db.connection);
}

bool GenericServer::database(const QString &logicalName, C_GestDB::Database *db, QVariantList *fail)
{
    const QString key = logicalName.trimmed().toUpper();
    auto it = open_.constFind(key);
    if (it != open_.constEnd() && it->valid()) {
        *db = *it;
        return true;
    }
    Dialect::Target target;
    if (key.isEmpty() || !F::resolveDatabase(key, &target)) {
        *fail = failure(F::kStatusBadDatabase, F::undeclaredText(logicalName));
        return false;
    }
    // The server keeps its own connection, apart from the client's, so that
    // releasing the server never closes what a window holds.
    const QString connection = prefix_ + key;
    QString err;
    if (target.engine == Dialect::Engine::SQLite && !QFileInfo::exists(target.location)) {
        *fail = failure(F::kStatusBadDatabase, QStringLiteral("Archivio inesistente: ") + target.location);
        return false;
    }
    if (!Dialect::open(connection, target, &err)) {
        *fail = failure(F::kStatusBadDatabase, QStringLiteral("Apertura Database ") + logicalName + QStringLiteral(": ") + err);
        return false;
    }
    QSqlDatabase sql = QSqlDatabase::database(connection, false);
    if (!Dialect::boundLockWaits(sql, &err)) {
        Dialect::close(connection);
        *fail = failure(F::kStatusBadDatabase, err);
        return false;
    }
    *db = C_GestDB::Database::wrap(connection, target.location);
    open_.insert(key, *db);
    return true;
}

QVariantList GenericServer::read(short operation, const QVariantList &params)
{
    if (params.size() < 2 || params[1].toString().trimmed().isEmpty())
        return failure(F::kStatusBadRequest, QStringLiteral("Parametri errati: database e istruzione SQL richiesti"));
    C_GestDB::Database db;
    QVariantList fail;
    if (!database(params[0].toString(), &db, &fail))
        return fail;
    const C_GestDB::Result r = C_GestDB::readRows(db, params[1].toString(), operation == F::kOpSingleRow ? 1 : -1);
    if (!r.ok)
        return failure(F::kStatusSqlFailed, r.detail.isEmpty() ? r.errText : r.detail);
    QVariantList columns;
    for (const QVariantList &c : r.rows)
        columns.append(QVariant(c));
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
    C_GestDB::Database db;
    QVariantList fail;
    if (!database(params[0].toString(), &db, &fail))
        return fail;
    int failed = -1;
    const F::BuildResult b = F::runBatch(db, statements, &failed);
    if (!b.ok())
        return failure(F::kStatusSqlFailed,
                       QStringLiteral("Istruzione %1: ").arg(failed + 1) + b.errText);
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
