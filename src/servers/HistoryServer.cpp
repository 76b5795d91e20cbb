#include "servers/HistoryServer.h"

#include "data/ConnectionPool.h"
#include "data/Funzioni_Com_1.h"
#include "data/UnitRetry.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kPurpose = QStringLiteral("HistoryServer");
// The archives' own connections, read-only.
const QString kArchivePurpose = QStringLiteral("HistoryArchive");

QVariantList failure(int status, const QString &text) { return {status, text}; }

// A single SELECT: the archive is opened read-only as well, this only keeps
// a second statement out of the text.
bool singleSelect(const QString &sql)
{
    QString s = sql.trimmed();
    if (s.endsWith(QLatin1Char(';')))
        s.chop(1);
    return s.startsWith(QLatin1String("SELECT "), Qt::CaseInsensitive) && !s.contains(QLatin1Char(';'));
}

} // namespace

Dialect::Target oldArchiveTarget(const QString &location)
{
    const QString l = location.trimmed();
    // A libpq connection string is made of key=value pairs; a file path
    // never holds "dbname=" or "host=".
    const bool pg = l.contains(QLatin1String("dbname="), Qt::CaseInsensitive)
                    || l.contains(QLatin1String("host="), Qt::CaseInsensitive)
                    || l.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive);
    Dialect::Target t = pg ? Dialect::Target::postgres(l) : Dialect::Target::sqlite(l);
    t.readOnly = true;
    return t;
}

QVariantList HistoryServer::read(const QVariantList &params)
{
    if (params.size() < 4)
        return refusedRequest(QStringLiteral("Parametri errati: ente, dipartimento, fonte dati e istruzione richiesti"));
    QString ente, department, source, sql, why;
    if (!requestText(params[0], QStringLiteral("ente"), true, &ente, &why)
        || !requestText(params[1], QStringLiteral("dipartimento"), true, &department, &why)
        || !requestText(params[2], QStringLiteral("fonte dati"), true, &source, &why)
        || !requestText(params[3], QStringLiteral("istruzione"), true, &sql, &why))
        return refusedRequest(why);
    if (!singleSelect(sql))
        return refusedRequest(QStringLiteral("istruzione: è ammessa una sola lettura (SELECT)"));

    // Where the source lives, from the central register.
    QString err;
    ConnectionPool::Connection *central = ConnectionPool::acquire(kPurpose, Dialect::centralTarget(), &err);
    if (!central)
        return failure(F::kStatusBadDatabase, QStringLiteral("Apertura Database PROTOCOLLO: ") + err);
    // A connection found gone is opened again and the read made once more.
    const QString where = QStringLiteral("SELECT Percorso_Fonte_Dati FROM Tab_Fonte_DatiS WHERE Cod_Ente = '%1' AND "
                                         "Cod_Dipartimento = '%2' AND Cod_Fonte_Dati = '%3'")
                              .arg(F::quote(ente), F::quote(department), F::quote(source));
    C_GestDB::Result found;
    ConnectionPool::runUnit(central, QStringLiteral("PROTOCOLLO"), [&] {
        found = C_GestDB::readRows(central->db, where, 1);
        return ConnectionPool::AttemptEnd{false, !found.ok && found.lost, found.detail};
    });
    if (!found.ok)
        return failure(F::kStatusSqlFailed, found.detail.isEmpty() ? found.errText : found.detail);
    const QString location = found.rowCountRead() > 0 ? found.rows.value(0).value(0).toString().trimmed() : QString();
    if (location.isEmpty())
        return failure(F::kStatusBadDatabase, QStringLiteral("Fonte dati non dichiarata: ") + source);

    ConnectionPool::Connection *c = ConnectionPool::acquire(kArchivePurpose, oldArchiveTarget(location), &err);
    if (!c)
        return failure(F::kStatusBadDatabase, QStringLiteral("Apertura archivio storico ") + source + QStringLiteral(": ") + err);
    C_GestDB::Result r;
    ConnectionPool::runUnit(c, source, [&] {
        r = C_GestDB::readRows(c->db, sql, -1);
        return ConnectionPool::AttemptEnd{false, !r.ok && r.lost, r.detail};
    });
    if (!r.ok)
        return failure(F::kStatusSqlFailed, r.detail.isEmpty() ? r.errText : r.detail);
    QVariantList columns;
    for (const QVariantList &col : r.rows)
        columns.append(QVariant(col));
    const bool none = r.rowCountRead() == 0;
    return {none ? F::kStatusNoRows : F::kStatusOk, none ? QStringLiteral("Nessun Record Trovato") : QString(),
            QVariant(columns)};
}

QVariantList HistoryServer::Elabora(short operation, QVariantList &params)
{
    if (operation == F::kOpRows)
        return read(params);
    return failure(F::kStatusBadRequest, QStringLiteral("Operazione non prevista: ") + QString::number(operation));
}

} // namespace nimbo
