// Loaders, the batch table writer and the report-table filler of
// Funzioni_Com_1.

#include <QApplication>
#include <QRegularExpression>
#include <QWidget>
#include <exception>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace Funzioni_Com_1 {

namespace {

const QString kForm = QStringLiteral("Funzioni_Com_1");
const QString kLineDown = QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!");

QString activeWindowName()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    QWidget *w = app ? QApplication::activeWindow() : nullptr;
    return w ? w->objectName() : QString();
}

// Releases the loader's server object however the call ends.
struct ReleaseAfter {
    nimbo::ServerHolder &holder;
    ~ReleaseAfter() { holder.release(); }
};

// One call of the generic server. False when the server could not be
// created or raised; the messages are already shown then.
bool callServer(short operation, const QVariantList &args, const QString &progId, nimbo::ServerHolder &holder,
                QVariantList *reply)
{
    QString why;
    if (!nimbo::createServer(holder, progId, &why)) {
        GECentr::showMessage(why + QLatin1Char('\n') + kLineDown);
        return false;
    }
    QVariantList params = args;
    try {
        *reply = holder.object->Elabora(operation, params);
    } catch (const std::exception &e) {
        GECentr::showMessage(QStringLiteral("Server ") + progId + QStringLiteral(", Errore :")
                             + QString::fromLocal8Bit(e.what()));
        return false;
    } catch (...) {
        GECentr::showMessage(QStringLiteral("Server ") + progId + QStringLiteral(", Errore :") + QStringLiteral("-1"));
        return false;
    }
    if (reply->isEmpty()) {
        GECentr::showMessage(QStringLiteral("Server ") + progId + QStringLiteral(", Errore :")
                             + QStringLiteral("risposta vuota"));
        return false;
    }
    return true;
}

Columns toColumns(const QVariant &v)
{
    Columns out;
    for (const QVariant &c : v.toList())
        out.append(c.toList());
    return out;
}

// Reads the rows itself from the database the logical name stands for.
LoadedRows readLocally(const QString &database, const QString &sql, int rowCount)
{
    LoadedRows out;
    out.code = false;
    Dialect::Target target;
    if (!resolveDatabase(database, &target)) {
        GECentr::showMessage(undeclaredText(database));
        return out;
    }
    const C_GestDB::Result opened = C_GestDB::openDatabase(target);
    if (!opened.ok) {
        out.message = opened.errText;
        GECentr::showMessage(opened.errText);
        return out;
    }
    const C_GestDB::Result r = C_GestDB::readRows(opened.database, sql, rowCount);
    if (!r.ok) {
        out.code = 2;
        out.message = r.detail.isEmpty() ? r.errText : r.detail;
        GECentr::showMessage(r.errText);
        return out;
    }
    if (r.rowCountRead() == 0) {
        out.code = QStringLiteral("§§§");
        return out;
    }
    out.ok = true;
    out.code = 0;
    out.columns = r.rows;
    return out;
}

// Operation 100, 101 or 110 through the server, or the local read.
LoadedRows fetch(short operation, const QString &database, const QString &sql, int mode, const QString &progId,
                 nimbo::ServerHolder &holder)
{
    if (mode != kModeServer)
        return readLocally(database, sql, operation == kOpSingleRow ? 1 : -1);
    LoadedRows out;
    out.code = false;
    ReleaseAfter release{holder};
    QVariantList reply;
    if (!callServer(operation, {database, sql}, progId, holder, &reply))
        return out;
    bool numeric = false;
    const int status = reply.value(0).toInt(&numeric);
    out.message = reply.value(1).toString();
    if (status == kStatusOk && numeric) {
        out.columns = toColumns(reply.value(2));
        out.ok = true;
        out.code = 0;
        return out;
    }
    if (status == kStatusNoRows && numeric) {
        out.code = QStringLiteral("§§§");
        return out;
    }
    // A failed read is the server's failure: the operator is told, not only
    // the log (the caller would otherwise go on as if there were no rows).
    out.code = numeric ? QVariant(status) : QVariant(-1);
    if (numeric && status == kStatusBadDatabase && database.trimmed().compare(QLatin1String("PROTOCOLLO"),
                                                                             Qt::CaseInsensitive) == 0) {
        // The worst day of a registry desk: what the clerk reads must say
        // what happened and what he can do; the details go to the log.
        GECentr::writeLog(QStringLiteral("Server ") + progId + QStringLiteral(", Errore :") + QString::number(status)
                              + QLatin1Char(' ') + out.message,
                          QStringLiteral("Caricadati"), activeWindowName());
        GECentr::showMessage(kCentralUnreachable);
        return out;
    }
    GECentr::showMessage(QStringLiteral("Server ") + progId + QStringLiteral(", Errore :")
                         + (numeric ? QString::number(status) : reply.value(0).toString()));
    return out;
}

void logStatus(const LoadedRows &r, const QString &database)
{
    const QString status = r.noRows() ? QString::number(kStatusNoRows) : r.code.toString();
    GECentr::writeLog(status + QLatin1Char('-') + r.message,
                      QStringLiteral("Caricadati da ") + database, activeWindowName());
}

// A value as a report prints it.
QString reportText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    default: return displayValue(v);
    }
}

} // namespace

std::optional<QVariantList> Caricadati(const QString &database, const QString &sql, int mode,
                                       const QString &progId, nimbo::ServerHolder &holder)
{
    const LoadedRows r = fetch(kOpSingleRow, database, sql, mode == kModeServer ? kModeServer : kModeLocal, progId,
                               holder);
    if (!r.ok) {
        if (r.code.typeId() != QMetaType::Bool && !r.noRows())
            logStatus(r, database);
        return std::nullopt;
    }
    if (r.rowCount() == 0)
        return std::nullopt;
    QVariantList row;
    for (const QVariantList &col : r.columns)
        row.append(col.value(0));
    return row;
}

std::optional<QVariantList> Caricadati(const QString &database, const QString &sql, int mode)
{
    nimbo::ServerHolder holder;
    return Caricadati(database, sql, mode, genericProgId(), holder);
}

std::optional<QVariantList> loadRow(const QString &database, const QString &sql, bool *failed)
{
    const LoadedRows r = loadRows(database, sql);
    *failed = r.failed();
    if (!r.ok || r.rowCount() == 0)
        return std::nullopt;
    QVariantList row;
    for (const QVariantList &col : r.columns)
        row.append(col.value(0));
    return row;
}

LoadedRows loadRows(const QString &database, const QString &sql, int mode, const QString &progId,
                    nimbo::ServerHolder &holder)
{
    Dialect::Target target;
    if (!resolveDatabase(database, &target)) {
        GECentr::showMessage(undeclaredText(database));
        LoadedRows out;
        out.code = false;
        return out;
    }
    LoadedRows r = fetch(kOpRows, database, sql, mode, progId, holder);
    if (!r.ok && r.code.typeId() != QMetaType::Bool)
        logStatus(r, database);
    return r;
}

LoadedRows loadRows(const QString &database, const QString &sql, int mode)
{
    nimbo::ServerHolder holder;
    return loadRows(database, sql, mode, genericProgId(), holder);
}

LoadedRows loadGridRows(const QString &database, const QString &sql, const QString &progId,
                        nimbo::ServerHolder &holder, const QString &context)
{
    LoadedRows r = fetch(kOpGridRows, database, sql, kModeServer, progId, holder);
    if (!r.ok && !r.noRows())
        GECentr::writeLog(context + QStringLiteral(", errore apertura ") + sql + QStringLiteral(" ") + r.message,
                          context, activeWindowName());
    return r;
}

QString displayValue(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString) {
        const QString s = value.toString();
        // ISO dates as the database layer hands them; shown day first.
        static const QRegularExpression iso(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}( \d{2}:\d{2}:\d{2})?$)"));
        if (iso.match(s).hasMatch()) {
            bool withTime = false;
            const QDateTime dt = parseDateShape(s, &withTime);
            if (dt.isValid())
                return dt.toString(withTime ? QStringLiteral("dd/MM/yyyy hh:mm:ss") : QStringLiteral("dd/MM/yyyy"));
        }
        return s;
    }
    return value.toString();
}

bool Update_Tabella(const QVector<Statement> &statements, const QString &database, int mode, short operation,
                    const QString &progId, nimbo::ServerHolder &holder)
{
    if (mode == kModeServer) {
        ReleaseAfter release{holder};
        QString why;
        if (!nimbo::createServer(holder, progId, &why)) {
            GECentr::writeLog(QStringLiteral("Errore In Creazione ") + progId + QStringLiteral(" ") + why,
                              QStringLiteral("Update_Tabella"), kForm);
            GECentr::showMessage(QStringLiteral("Server ") + progId + QStringLiteral(", Errore in Creazione"));
            return false;
        }
        QVariantList params{database, QVariant(packStatements(statements))};
        QVariantList reply;
        try {
            reply = holder.object->Elabora(operation, params);
        } catch (const std::exception &e) {
            reply = {-1, QString::fromLocal8Bit(e.what())};
        } catch (...) {
            reply = {-1, QStringLiteral("errore sconosciuto")};
        }
        bool numeric = false;
        const int status = reply.value(0).toInt(&numeric);
        if (!numeric || status != kStatusOk) {
            GECentr::showMessage(QStringLiteral("Errore Server ") + progId + QStringLiteral(" : ")
                                 + reply.value(1).toString());
            return false;
        }
        return true;
    }

    Dialect::Target target;
    if (!resolveDatabase(database, &target)) {
        GECentr::showMessage(undeclaredText(database));
        return false;
    }
    const bool isLocal = database.trimmed().compare(QLatin1String("TABLOCAL"), Qt::CaseInsensitive) == 0;
    C_GestDB::Database db = isLocal ? C_GestDB::localDatabase() : C_GestDB::Database();
    if (!db.valid()) {
        const C_GestDB::Result opened = C_GestDB::openDatabase(target);
        if (!opened.ok) {
            GECentr::showMessage(opened.errText);
            return false;
        }
        db = opened.database;
        if (isLocal)
            C_GestDB::setLocalDatabase(db);
    }

    nimbo::busy::Guard busy;
    nimbo::busy::setWaitText(QStringLiteral("ATTENDERE ... Operazioni In Corso ..."));
    int failed = -1;
    const BuildResult b = runBatch(db, statements, &failed);
    nimbo::busy::setWaitText(QString());
    const QString table = statements.isEmpty() ? QString() : statements.first().table;
    bool ok = b.ok();
    if (!ok && failed >= 0 && failed == statements.size()) {
        GECentr::writeLog(QStringLiteral("Errore nella registrazione su Tabella ") + b.errText,
                          QStringLiteral("Update_Tab.") + table + QStringLiteral("-Commit"), kForm);
    } else if (!ok) {
        GECentr::writeLog(QStringLiteral("RollTrans ") + b.errText, QStringLiteral("Update_Tabella"), kForm);
        GECentr::showMessage(QStringLiteral("L'Operazione non è stata conclusa correttamente si consiglia di RIPETERLA"));
        GECentr::showMessage(QStringLiteral("ROLLBACK EFFETTUATO PER PROBLEMI RISCONTRATI !!!"));
    }
    if (ok)
        nimbo::showBox(DicAmbiente::session().programName, QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE"),
                       nimbo::Icon::Information);
    else
        GECentr::showMessage(QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"));

    if (isLocal) {
        // Closed and opened again so that a long session does not keep the
        // engine's state of every batch.
        C_GestDB::closeDatabase(db);
        const C_GestDB::Result again = C_GestDB::openDatabase(target);
        if (again.ok)
            C_GestDB::setLocalDatabase(again.database);
        else
            GECentr::writeLog(QStringLiteral("Update_Tabella ") + database + QStringLiteral(" : Errore riapertura '")
                                  + target.location + QLatin1Char('\''),
                              QStringLiteral("Update_Tabella"), kForm);
    }
    return ok;
}

bool Update_Tabella(const QVector<Statement> &statements, const QString &database, int mode, short operation)
{
    nimbo::ServerHolder holder;
    return Update_Tabella(statements, database, mode, operation, genericProgId(), holder);
}

bool CaricaTabReport(const QString &sql, const QString &targetColumns, const QString &progId,
                     nimbo::ServerHolder &holder)
{
    const QString proc = QStringLiteral("CaricaTabReport");
    const QString source = QStringLiteral("PROTOCOLLO");
    C_GestDB::Database db = C_GestDB::localDatabase();
    if (!db.valid()) {
        const C_GestDB::Result opened = C_GestDB::openLocalDatabase();
        if (!opened.ok) {
            GECentr::writeLog(QStringLiteral("Errore Apertura TABLOCAL Update_Tabella_"), proc, kForm);
            return false;
        }
        db = opened.database;
    }
    C_GestDB::Transaction tx(db);
    if (!tx.begin().ok) {
        GECentr::writeLog(QStringLiteral("Errore BeginTrans TABLOCAL: CaricaTabReport"), proc, kForm);
        return false;
    }
    if (!runDelete(db, QStringLiteral("Tab_Report"), QStringLiteral("ID LIKE '%'")).ok()) {
        GECentr::showMessage(QStringLiteral("Attenzione ! Errore In Azzeramento TAB_REPORT"));
        return false;
    }
    const LoadedRows rows = loadRows(source, sql, kModeServer, progId, holder);
    if (!rows.ok) {
        if (rows.noRows()) {
            GECentr::showMessage(QStringLiteral("Nessun dato trovato"));
            // The emptied table is kept: an old report must not print again.
            if (!tx.commit().ok)
                GECentr::writeLog(QStringLiteral("Errore cCommitWS TABLOCAL: CaricaTabReport"), proc, kForm);
        } else {
            GECentr::writeLog(QStringLiteral("Errore in Lettura da ") + source, proc, kForm);
            GECentr::showMessage(QStringLiteral("Errore in Lettura da ") + source);
        }
        return false;
    }
    QStringList targets;
    for (const QString &t : targetColumns.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        targets << t.trimmed();
    const int width = std::min(int(targets.size()), rows.columnCount());
    const QString head = QStringLiteral("INSERT INTO Tab_Report ( ") + targets.mid(0, width).join(QLatin1Char(','))
                         + QStringLiteral(") VALUES (");
    for (int r = 0; r < rows.rowCount(); ++r) {
        // The report's columns are texts that the template prints as they
        // are: dates go in day first, the way every report shows them, and
        // as plain texts, so that no builder reads them back as dates.
        QStringList values;
        for (int c = 0; c < width; ++c) {
            const QVariant v = rows.value(c, r);
            values << (v.isNull() ? QStringLiteral("Null")
                                  : QLatin1Char('\'') + quote(reportText(v)) + QLatin1Char('\''));
        }
        if (!C_GestDB::execute(db, head + values.join(QLatin1Char(',')) + QStringLiteral(");")).ok) {
            GECentr::writeLog(QStringLiteral("Errore cExecuteSQL TABLOCAL: CaricaTabReport"), proc, kForm);
            return false;
        }
    }
    if (!tx.commit().ok) {
        GECentr::writeLog(QStringLiteral("Errore cCommitWS TABLOCAL: CaricaTabReport"), proc, kForm);
        return false;
    }
    return true;
}

bool CaricaTabReport(const QString &sql, const QString &targetColumns)
{
    nimbo::ServerHolder holder;
    return CaricaTabReport(sql, targetColumns, genericProgId(), holder);
}

QString serverTimeQuery() { return Dialect::serverTimeQuery(Dialect::centralTarget().engine); }

QDateTime serverTime()
{
    const auto row = Caricadati(QStringLiteral("PROTOCOLLO"), serverTimeQuery(), kModeServer);
    if (!row || row->isEmpty())
        return {};
    const QVariant v = row->first();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return parseDateShape(v.toString());
}

} // namespace Funzioni_Com_1
