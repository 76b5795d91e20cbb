#include "reports/FrmStampe.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "organisation/Pickers.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "reports/RegisterRows.h"
#include "reports/ReportExport.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/Progress.h"
#include "ui/ReportOutput.h"

namespace F = Funzioni_Com_1;

namespace nimbo::reports {

namespace {

const QString kCaption = QStringLiteral("Stampe Periodiche");
const QString kAll = QStringLiteral("------");

// The picker's items after a first one of dashes, meaning all.
void fill(QComboBox *combo, const QVector<ui::Match> &items)
{
    const QSignalBlocker quiet(combo);
    organisation::fillPicker(combo, items);
    combo->insertItem(0, kAll, QString());
    combo->setCurrentIndex(0);
}

Asker askerFromSession()
{
    const auto &s = DicAmbiente::session();
    return {s.op.ente, s.parm.enteCodiceAsl, s.op.privacy};
}

// A file name of the report for the save dialog.
QString suggestedName(const Criteria &c, const QString &extension)
{
    QString base = info(c.report).templateName;
    base.chop(4); // ".rpt"
    return base + QLatin1Char('_') + c.from.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('_')
           + c.to.toString(QStringLiteral("yyyyMMdd")) + extension;
}

} // namespace

FrmStampe::FrmStampe(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmStampe"));
    setWindowTitle(kCaption);

    auto *which = new ui::FormGroup(QStringLiteral("Stampa da effettuare"), this);
    auto *choices = new QButtonGroup(this);
    auto *grid = new QGridLayout;
    int i = 0;
    for (const ReportInfo &r : allReports()) {
        auto *option = new QRadioButton(r.caption, which);
        option->setObjectName(r.option);
        choices->addButton(option);
        options_.insert(r.report, option);
        grid->addWidget(option, i % 5, i / 5);
        ++i;
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                reportChosen();
        });
    }
    auto *choiceBox = new QWidget(which);
    choiceBox->setLayout(grid);
    grid->setContentsMargins(0, 0, 0, 0);
    which->addWide(choiceBox);

    auto *when = new ui::FormGroup(QStringLiteral("Periodo"), this);
    from_ = new ui::DateField(when);
    from_->setObjectName(QStringLiteral("DataInizio"));
    to_ = new ui::DateField(when);
    to_->setObjectName(QStringLiteral("DataFine"));
    when->addRow(QStringLiteral("Dal"), {from_, QStringLiteral("al"), to_});
    const QDate today = QDate::currentDate();
    from_->setDate(QDate(today.year(), today.month(), 1));
    to_->setDate(today);

    auto *filters = new ui::FormGroup(QStringLiteral("Filtri"), this);
    department_ = new QComboBox(filters);
    department_->setObjectName(QStringLiteral("Dip"));
    office_ = new QComboBox(filters);
    office_->setObjectName(QStringLiteral("Uff"));
    filters->addRow(QStringLiteral("Dipartimento"), {ui::Cell(department_, 1)});
    filters->addRow(DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104")
                        ? QStringLiteral("U. Operativa")
                        : QStringLiteral("Ufficio"),
                    {ui::Cell(office_, 1)});
    subject_ = new QLineEdit(filters);
    subject_->setObjectName(QStringLiteral("TxtOgg"));
    subject_->setMaxLength(255);
    filters->addRow(QStringLiteral("Oggetto contenente"), {ui::Cell(subject_, 1)});
    auto *kinds = new QButtonGroup(this);
    assigned_ = new QRadioButton(QStringLiteral("Assegnati dal protocollo"), filters);
    assigned_->setObjectName(QStringLiteral("OptP"));
    forwarded_ = new QRadioButton(QStringLiteral("Ritrasmessi dagli uffici"), filters);
    forwarded_->setObjectName(QStringLiteral("OptS"));
    kinds->addButton(assigned_);
    kinds->addButton(forwarded_);
    filters->addRow(QStringLiteral("Assegnazione"), {assigned_, forwarded_});
    incoming_ = new QCheckBox(QStringLiteral("Entrata"), filters);
    incoming_->setObjectName(QStringLiteral("EntrataChk"));
    incoming_->setChecked(true);
    outgoing_ = new QCheckBox(QStringLiteral("Uscita"), filters);
    outgoing_->setObjectName(QStringLiteral("UscitaChk"));
    outgoing_->setChecked(true);
    filters->addRow(QStringLiteral("Protocolli"), {incoming_, outgoing_});
    fill(department_, organisation::openDepartments(DicAmbiente::session().op.ente));
    loadOffices();
    connect(department_, &QComboBox::currentIndexChanged, this, [this] { loadOffices(); });

    auto *printButton = new QPushButton(QStringLiteral("Stampa"), this);
    printButton->setObjectName(QStringLiteral("CmdStampa"));
    auto *sheetButton = new QPushButton(QStringLiteral("Esporta Excel"), this);
    sheetButton->setObjectName(QStringLiteral("CmdExcel"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(sheetButton, &QPushButton::clicked, this, [this] { exportSheet(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(which);
    layout->addWidget(when);
    layout->addWidget(filters);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(sheetButton);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    layout->addStretch(1);
    reportChosen();
    setToolbarKeys(QStringLiteral("ESCI"));
}

void FrmStampe::loadOffices()
{
    const QString dip = department_->currentData().toString();
    fill(office_, dip.isEmpty() ? QVector<ui::Match>{}
                                : organisation::openOffices(DicAmbiente::session().op.ente, dip));
    reportChosen();
}

// Only the filters the chosen report reads can be set.
void FrmStampe::reportChosen()
{
    const Report r = criteria().report;
    const bool offices = r == Report::PerOffice || r == Report::Transmission || r == Report::NotInCharge;
    department_->setEnabled(offices || r == Report::WorkLoads);
    office_->setEnabled(offices && !department_->currentData().toString().isEmpty());
    const bool transmission = r == Report::Transmission;
    subject_->setEnabled(transmission);
    assigned_->setEnabled(transmission);
    forwarded_->setEnabled(transmission);
    incoming_->setEnabled(r == Report::NotAssigned);
    outgoing_->setEnabled(r == Report::NotAssigned);
}

Criteria FrmStampe::criteria() const
{
    Criteria c;
    for (auto it = options_.cbegin(); it != options_.cend(); ++it)
        if (it.value()->isChecked())
            c.report = it.key();
    c.from = from_->date();
    c.to = to_->date();
    c.assignment = assigned_->isChecked() ? 4 : forwarded_->isChecked() ? 2 : 0;
    c.subject = subject_->text();
    if (department_->isEnabled())
        c.department = department_->currentData().toString();
    if (office_->isEnabled())
        c.office = office_->currentData().toString();
    c.incoming = incoming_->isChecked();
    c.outgoing = outgoing_->isChecked();
    return c;
}

bool FrmStampe::print() { return produce(Output::Print); }
bool FrmStampe::exportSheet() { return produce(Output::Sheet); }

std::optional<QVector<ReportRow>> FrmStampe::readRows(const Criteria &c, const Asker &a)
{
    if (c.report == Report::Register || c.report == Report::Chronological) {
        const RegisterOutcome out = c.report == Report::Register
                                        ? annualRegister(a.ente, registerStart(c), registerEnd(c))
                                        : chronologicalRegister(a.ente, c.from, c.to);
        switch (out.kind) {
        case RegisterOutcome::Ok: return out.rows;
        case RegisterOutcome::NoRows: showBox(kCaption, kNoRegisterRows, Icon::Information); break;
        case RegisterOutcome::Refused: showBox(kCaption, out.message, Icon::Warning); break;
        case RegisterOutcome::NoServer:
            GECentr::writeLog(out.message, QStringLiteral("readRows"), objectName());
            showBox(kCaption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
            break;
        case RegisterOutcome::ServerError:
            GECentr::writeLog(QStringLiteral("Server Ole, Errore in Stampa Registro GENERALE ") + out.message,
                              QStringLiteral("readRows"), objectName());
            showBox(kCaption, QStringLiteral("Server Ole, Errore in Stampa Registro GENERALE ") + out.message,
                    Icon::Critical);
            break;
        }
        return std::nullopt;
    }
    F::LoadedRows loaded;
    {
        busy::Guard guard;
        loaded = F::loadRows(QStringLiteral("PROTOCOLLO"), listQuery(c, a));
    }
    if (loaded.noRows() || (loaded.ok && loaded.rowCount() == 0)) {
        showBox(kCaption, kNoListRows, Icon::Information);
        return std::nullopt;
    }
    if (!loaded.ok) {
        showBox(kCaption, QStringLiteral("Attenzione ! Errore In Riempimento TAB_REPORT. RC=") + loaded.code.toString(),
                Icon::Critical);
        return std::nullopt;
    }
    return listRows(c.report, loaded);
}

bool FrmStampe::produce(Output output)
{
    const Criteria c = criteria();
    const Asker a = askerFromSession();
    if (const auto wrong = checkRequest(c)) {
        showBox(kCaption, *wrong, Icon::Warning);
        if (c.report != Report::None)
            (c.from.isValid() ? to_ : from_)->setFocus();
        return false;
    }
    if (c.report == Report::Transmission
        && showBox(kCaption, transmissionQuestion(c), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return false;
    if (const auto wrong = checkReport(c)) {
        showBox(kCaption, *wrong, Icon::Warning);
        (c.report == Report::Transmission ? static_cast<QWidget *>(assigned_) : to_)->setFocus();
        return false;
    }
    const auto rows = readRows(c, a);
    if (!rows)
        return false;

    const QString title = reportTitle(c, a);
    const QMap<QString, QString> heading = headingValues(c, a);
    if (output == Output::Sheet) {
        const QString folder = DicAmbiente::session().cfg.applTemp.isEmpty() ? QDir::homePath()
                                                                             : DicAmbiente::session().cfg.applTemp;
        QString path = dialogs().saveFileName(title, QDir(folder).filePath(suggestedName(c, QStringLiteral(".xlsx"))),
                                              QStringLiteral("Excel (*.xlsx)"));
        if (path.trimmed().isEmpty())
            return false;
        if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
            path += QStringLiteral(".xlsx");
        ui::Progress progress(this, QStringLiteral("Scrittura del foglio in corso..."), int(rows->size()));
        const QString why = writeReportSheet(
            path,
            {title,
             {heading.value(QStringLiteral("heading"), heading.value(QStringLiteral("period"))),
              heading.value(QStringLiteral("filters"))},
             info(c.report).columns,
             *rows},
            [&progress](int done) { return progress.step(done); });
        if (why == kReportCancelled)
            return false;
        if (!why.isEmpty()) {
            GECentr::writeLog(why, QStringLiteral("exportSheet"), objectName());
            showBox(kCaption, QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ") + why,
                    Icon::Critical);
            return false;
        }
        return true;
    }

    const auto target = ReportOutput::choose(title, suggestedName(c, QStringLiteral(".pdf")));
    if (!target)
        return false;
    const bool isRegister = c.report == Report::Register || c.report == Report::Chronological;
    {
        ui::Progress progress(this, QStringLiteral("Preparazione della stampa in corso..."), int(rows->size()));
        QString why;
        if (!replaceReportRows(C_GestDB::localDatabase().sql(), *rows, &why,
                               [&progress](int done) { return progress.step(done); })) {
            if (why == kReportCancelled)
                return false;
            GECentr::writeLog(why, QStringLiteral("print"), objectName());
            showBox(kCaption,
                    isRegister ? QStringLiteral("Errore ADD Recordset - Stampa Registro Generale")
                               : QStringLiteral("Attenzione ! Errore In Riempimento TAB_REPORT. RC=") + why,
                    Icon::Critical);
            return false;
        }
    }
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = c.report == Report::Register ? registerTemplate(a.authorityCode) : info(c.report).templateName;
    req.title = title;
    req.values = heading;
    req.values.insert(QStringLiteral("ente"), DicAmbiente::session().cfg.ausl.trimmed());
    busy::Guard guard;
    // The chronological register is the general register's template, read
    // from Tab_Report a part at a time.
    const bool inParts = c.report == Report::Chronological;
    if (inParts)
        req.values.insert(QStringLiteral("periodo"), heading.value(QStringLiteral("heading"), heading.value(QStringLiteral("period"))));
    if (inParts ? !engine.printInParts(req, C_GestDB::localDatabase().sql(), *target)
                : !engine.print(req, C_GestDB::localDatabase().sql(), *target)) {
        showBox(kCaption, engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

void FrmStampe::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::reports
