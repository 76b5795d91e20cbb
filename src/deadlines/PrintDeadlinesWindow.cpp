#include "deadlines/PrintDeadlinesWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "deadlines/ReminderRules.h"
#include "organisation/Pickers.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ReportOutput.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {
namespace {

const QString kTitle = QStringLiteral("STAMPA Scadenzario Pratiche");
const QString kAll = QStringLiteral("------");
const QString kTemplate = QStringLiteral("DocInScadenza.rpt");

void fill(QComboBox *combo, const QVector<ui::Match> &items)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItem(kAll, QString());
    for (const ui::Match &m : items)
        combo->addItem(m.code + QStringLiteral(" - ") + m.description, m.code);
    combo->setCurrentIndex(0);
}

// The name of the chosen item; empty for all.
QString chosenName(const QComboBox *combo)
{
    return combo->currentData().toString().isEmpty() ? QString() : organisation::pickedName(combo);
}

} // namespace

FrmStampaScad::FrmStampaScad(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmStampaScad"));
    setWindowTitle(kTitle);

    auto *when = new ui::FormGroup(QStringLiteral("Stampa i documenti"), this);
    // The options' captions are the labels of the dates beside them.
    range_ = new QRadioButton(when);
    range_->setObjectName(QStringLiteral("OptIntervallo"));
    range_->setAccessibleName(QStringLiteral("In scadenza  dal "));
    single_ = new QRadioButton(when);
    single_->setObjectName(QStringLiteral("OptGiorno"));
    single_->setAccessibleName(QStringLiteral("In scadenza il "));
    from_ = new ui::DateField(when);
    from_->setObjectName(QStringLiteral("TxtDataDal"));
    to_ = new ui::DateField(when);
    to_->setObjectName(QStringLiteral("TxtDataAl"));
    day_ = new ui::DateField(when);
    day_->setObjectName(QStringLiteral("TxtData"));
    when->addRow(range_, {QStringLiteral("In scadenza  dal "), from_, QStringLiteral("al"), to_});
    when->addRow(single_, {QStringLiteral("In scadenza il "), day_});
    connect(from_, &QLineEdit::textEdited, range_, [this] { range_->setChecked(true); });
    connect(to_, &QLineEdit::textEdited, range_, [this] { range_->setChecked(true); });
    connect(day_, &QLineEdit::textEdited, single_, [this] { single_->setChecked(true); });
    range_->setChecked(true);
    const QDate today = QDate::currentDate();
    from_->setDate(today);
    to_->setDate(today.addDays(30));
    day_->setDate(today);

    auto *whose = new ui::FormGroup(QStringLiteral("di competenza del"), this);
    department_ = new QComboBox(whose);
    department_->setObjectName(QStringLiteral("CboDipartimento"));
    office_ = new QComboBox(whose);
    office_->setObjectName(QStringLiteral("CboUfficio"));
    whose->addRow(QStringLiteral("Dipartimento"), {ui::Cell(department_, 1)});
    whose->addRow(DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104")
                      ? QStringLiteral("U. Operativa")
                      : QStringLiteral("Ufficio"),
                  {ui::Cell(office_, 1)});
    fill(department_, organisation::openDepartments(DicAmbiente::session().op.ente));
    loadOffices();
    connect(department_, &QComboBox::currentIndexChanged, this, [this] { loadOffices(); });

    auto *print = new QPushButton(QStringLiteral("Stampa"), this);
    print->setObjectName(QStringLiteral("CmdStampa"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    connect(print, &QPushButton::clicked, this, [this] { this->print(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(when);
    layout->addWidget(whose);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    layout->addStretch(1);
    setToolbarKeys(QStringLiteral("ESCI"));
}

void FrmStampaScad::loadOffices()
{
    const QString dip = department_->currentData().toString();
    fill(office_, dip.isEmpty() ? QVector<ui::Match>{}
                                : organisation::openOffices(DicAmbiente::session().op.ente, dip));
    office_->setEnabled(!dip.isEmpty());
}

bool FrmStampaScad::print()
{
    const bool single = single_->isChecked();
    const QDate from = single ? day_->date() : from_->date();
    const QDate to = single ? from : to_->date();
    if (const auto wrong = checkPrintDates(from, to, single)) {
        showBox(kTitle, *wrong, Icon::Warning);
        (single ? day_ : (from.isValid() ? to_ : from_))->setFocus();
        return false;
    }
    DeadlineCriteria c;
    c.kind = DeadlineCriteria::Kind::Between;
    c.from = from;
    c.to = to;
    c.department = department_->currentData().toString();
    c.office = office_->currentData().toString();
    const protocol::Viewer v = protocol::Viewer::fromSession();
    QVector<ReportRow> rows;
    {
        busy::Guard guard;
        const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), deadlineListQuery(c, v));
        if (r.failed()) {
            GECentr::writeLog(r.message, QStringLiteral("print"), objectName());
            return false;
        }
        rows = printRows(deadlineRows(r, v));
    }
    if (rows.isEmpty()) {
        showBox(kTitle, QStringLiteral("Nessun dato da stampare"), Icon::Information);
        return false;
    }
    QString why;
    const QSqlDatabase local = C_GestDB::localDatabase().sql();
    if (!replaceReportRows(local, rows, &why)) {
        GECentr::writeLog(why, QStringLiteral("print"), objectName());
        showBox(kTitle, QStringLiteral("Contattare Esperto Procedura. Errore nella predisposizione del file di stampa."),
                Icon::Critical);
        return false;
    }
    const QString title = printTitle(from, to, single);
    const auto target = ReportOutput::choose(title, QStringLiteral("DocInScadenza.pdf"));
    if (!target)
        return false;
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = kTemplate;
    req.title = title;
    req.values.insert(QStringLiteral("ente"), protocol::PrintSettings::fromSession().ausl.trimmed());
    req.values.insert(QStringLiteral("subtitle"), printSubtitle(chosenName(department_), chosenName(office_)));
    req.values.insert(QStringLiteral("reminders"), QStringLiteral("S"));
    busy::Guard guard;
    if (!engine.print(req, local, *target)) {
        showBox(kTitle, engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

void FrmStampaScad::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::deadlines
