// What the deadline overview gives out: the printed list and the files the
// clerk takes away (spreadsheet, calendar), always the list as shown.

#include <QDir>

#include "data/C_GestDB.h"
#include "deadlines/OverviewRules.h"
#include "deadlines/OverviewWindow.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/ReportOutput.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {

using namespace overview;

namespace {

QString caption() { return QString::fromLatin1(kCaption); }

} // namespace

bool FrmScadPratiche::print()
{
    const QVector<DeadlineRow> rows = shownRows();
    if (rows.isEmpty())
        return false;
    const QString title = searchTitle(searched_, today_);
    QString why;
    const QSqlDatabase local = C_GestDB::localDatabase().sql();
    if (!replaceReportRows(local, reportRows(rows), &why)) {
        GECentr::writeLog(why, QStringLiteral("print"), objectName());
        showBox(caption(), QString::fromUtf8(kPrintFailure), Icon::Critical);
        return false;
    }
    const auto target = ReportOutput::choose(title, QStringLiteral("PraticheScadute.pdf"));
    if (!target)
        return false;
    const QString ente = DicAmbiente::session().op.ente;
    const auto body = F::Caricadati(QStringLiteral("PROTOCOLLO"), bodyNameQuery(ente));
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = kReportTemplate;
    req.title = title;
    req.values.insert(QStringLiteral("ente"), body ? body->value(0).toString().trimmed() : ente);
    req.values.insert(QStringLiteral("conteggio"), countText(rows.size()));
    busy::Guard guard;
    if (!engine.print(req, local, *target)) {
        GECentr::writeLog(engine.lastErrorText(), QStringLiteral("print"), objectName());
        showBox(caption(), engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

bool FrmScadPratiche::save(const QString &suggested, const QString &filter, const QString &suffix, QString *path)
{
    const auto &cfg = DicAmbiente::session().cfg;
    const QString folder = cfg.applTemp.isEmpty() ? QDir::homePath() : cfg.applTemp;
    *path = dialogs().saveFileName(caption(), QDir(folder).filePath(suggested), filter).trimmed();
    if (path->isEmpty()) {
        showBox(caption(), QString::fromUtf8(kNoFileName), Icon::Information);
        return false;
    }
    if (!path->endsWith(suffix, Qt::CaseInsensitive))
        *path += suffix;
    return true;
}

bool FrmScadPratiche::exportSheet()
{
    const QVector<DeadlineRow> rows = shownRows();
    QString path;
    if (rows.isEmpty() || !save(kSheetFile, QStringLiteral("Excel (*.xlsx)"), QStringLiteral(".xlsx"), &path))
        return false;
    QString failure;
    {
        busy::Guard guard;
        failure = writeSheet(path, overviewSheet(searched_, today_, rows));
    }
    if (!failure.isEmpty()) {
        GECentr::writeLog(failure, QStringLiteral("exportSheet"), objectName());
        showBox(caption(), QStringLiteral("Errore nella generazione del file EXCEL: ") + failure, Icon::Critical);
        return false;
    }
    showBox(caption(), QString::fromUtf8(kSheetDone), Icon::Information);
    return true;
}

bool FrmScadPratiche::exportCalendar()
{
    const QVector<DeadlineRow> rows = shownRows();
    QString path;
    if (rows.isEmpty() || !save(kCalendarFile, QStringLiteral("iCalendar (*.ics)"), QStringLiteral(".ics"), &path))
        return false;
    QString failure;
    {
        busy::Guard guard;
        failure = writeCalendar(path, calendarEvents(DicAmbiente::session().op.ente, rows));
    }
    if (!failure.isEmpty()) {
        GECentr::writeLog(failure, QStringLiteral("exportCalendar"), objectName());
        showBox(caption(), QStringLiteral("Errore nella generazione del calendario: ") + failure, Icon::Critical);
        return false;
    }
    showBox(caption(), QStringLiteral("Generazione del calendario completata."), Icon::Information);
    return true;
}

} // namespace nimbo::deadlines
