// The deadline search of the iter management window, its print, and the
// label of taking in charge.

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include "data/C_GestDB.h"
#include "iter/FrmGestIter.h"
#include "iter/TrayIterRules.h"
#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "data/Scope.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

const QString kCaption = QStringLiteral("Gestione Iter del Documento");
const QString kDb = QStringLiteral("PROTOCOLLO");

} // namespace

bool FrmGestIter::searchDeadlines()
{
    DeadlineCriteria c;
    c.option = optDue_->isChecked()       ? DeadlineCriteria::Option::Due
               : optOverdue_->isChecked() ? DeadlineCriteria::Option::Overdue
                                          : DeadlineCriteria::Option::None;
    c.days = days_->currentText();
    if (const auto failure = checkDeadlines(c)) {
        showBox(kCaption, *failure, Icon::Warning);
        return false;
    }
    const protocol::Viewer v = protocol::Viewer::fromSession();
    busy::Guard guard;
    const F::LoadedRows r = F::loadRows(kDb, deadlineQuery(c, v));
    if (!r.ok && !r.noRows()) {
        GECentr::writeLog(r.message, QStringLiteral("searchDeadlines"), objectName());
        deadlines_->clear();
        deadlineShown_.clear();
        deadlineCount_->clear();
        return false;
    }
    deadlineToday_ = QDate::currentDate();
    deadlineShown_ = deadlineRows(r, v, deadlineToday_);
    deadlines_->setRows(deadlineShown_);
    searchedOption_ = int(c.option);
    searchedDays_ = c.days;
    deadlineCount_->setText(QStringLiteral("Sono stati trovati N. %1 Protocolli").arg(deadlines_->count()));
    return true;
}

bool FrmGestIter::printDeadlines()
{
    DeadlineCriteria c;
    c.option = DeadlineCriteria::Option(searchedOption_);
    c.days = searchedDays_;
    const QString title = deadlineTitle(c, deadlineToday_.isValid() ? deadlineToday_ : QDate::currentDate());
    QString why;
    const QSqlDatabase local = C_GestDB::localDatabase().sql();
    if (!replaceReportRows(local, deadlineReportRows(deadlineShown_), &why)) {
        GECentr::writeLog(why, QStringLiteral("printDeadlines"), objectName());
        showBox(kCaption, QStringLiteral("Contattare Esperto Procedura. Errore nella predisposizione del file di stampa."),
                Icon::Critical);
        return false;
    }
    const auto target = ReportOutput::choose(title, QStringLiteral("DocInScadenza.pdf"));
    if (!target)
        return false;
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = kDeadlineTemplate;
    req.title = title;
    req.values.insert(QStringLiteral("ente"), protocol::PrintSettings::fromSession().ausl.trimmed());
    busy::Guard guard;
    if (!engine.print(req, local, *target)) {
        showBox(kCaption, engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

bool FrmGestIter::printTakenLabel()
{
    if (!protocolChosen())
        return false;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    const auto row = F::Caricadati(kDb, takenLabelQuery(v, direction_, number_));
    if (!row) {
        showBox(kCaption, QStringLiteral("Il documento non risulta preso in carico dall'ufficio dell'operatore."),
                Icon::Information);
        return false;
    }
    const QString serial = row->value(0).toString().trimmed();
    const QDate taken = QDate::fromString(serial.left(8), QStringLiteral("yyyyMMdd"));
    const protocol::PrintSettings s = protocol::PrintSettings::fromSession();
    const QStringList lines = takenLabelLines(protocol::kLabelHeading, s.ausl, taken, row->value(1).toString(),
                                              row->value(2).toString(), s.bodyCode);
    const protocol::RawLinePrinter &out = rawPrinter_ ? rawPrinter_ : protocol::defaultRawPrinter();
    QVariantList rc;
    {
        busy::Guard guard;
        rc = out(s.port.trimmed(), lines);
    }
    if (rc.value(0).toInt() != 0) {
        showBox(kCaption,
                QStringLiteral("Errore nella stampa delle etichette. RC = ") + rc.value(0).toString() + QStringLiteral(" - ")
                    + rc.value(1).toString(),
                Icon::Critical);
        return false;
    }
    return true;
}

} // namespace nimbo::iter
