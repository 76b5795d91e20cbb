#include "registers/FrmStampaRegistro.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "emergency/ServerCall.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/ReportEngine.h"
#include "registers/RegisterArchive.h"
#include "servers/RegisterRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::registers {

namespace {

const QString kTitle = QStringLiteral("Scarico Protocolli su CD");
const QString kReportTitle = QStringLiteral("Registro Generale del Protocollo");
const QString kTemplate = QStringLiteral("RegistroGenerale.rpt");
const QString kPrintFailure = QStringLiteral(" - Stampa Registro Generale");
constexpr int kBatch = 5000;
constexpr int kMarkChunk = 500;

QString d(const QDate &date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }

} // namespace

FrmStampaRegistro::FrmStampaRegistro(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmStampaRegistro"));
    setWindowTitle(kTitle);
    ente_ = DicAmbiente::session().op.ente;

    auto *when = new ui::FormGroup(QStringLiteral("Periodo"), this);
    last_ = new QLineEdit(when);
    last_->setObjectName(QStringLiteral("txtUltimoProtocollo"));
    ui::setReadOnly(last_);
    start_ = new ui::DateField(when);
    start_->setObjectName(QStringLiteral("txtDataInizio"));
    ui::setReadOnly(start_);
    end_ = new ui::DateField(when);
    end_->setObjectName(QStringLiteral("txtDataFine"));
    auto *find = new QPushButton(QStringLiteral("Cerca"), when);
    find->setObjectName(QStringLiteral("CmdCerca"));
    when->addRow(QStringLiteral("Ultimo protocollo archiviato"), {last_});
    when->addRow(QStringLiteral("Dal"), {start_, QStringLiteral("al"), end_, find});

    state_ = new QLabel(kLabelNotPrinted, this);
    state_->setObjectName(QStringLiteral("lblStato"));
    QFont bold = state_->font();
    bold.setBold(true);
    state_->setFont(bold);

    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data;Data Ricezione;Oggetto;Stampato;Stato;"),
                      QStringLiteral("4;12;10;10;60;8;6;0"));
    list_->setFitToWidth(true);
    // Subjects are read in the list before the register is printed.
    list_->setMinimumSize(list_->fontMetrics().averageCharWidth() * 130, list_->fontMetrics().height() * 20);

    auto *print = new QPushButton(QStringLiteral("Stampa"), this);
    print->setObjectName(QStringLiteral("CmdStampa"));
    auto *burn = new QPushButton(QStringLiteral("Masterizza"), this);
    burn->setObjectName(QStringLiteral("btnMasterizz"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    connect(find, &QPushButton::clicked, this, [this] { search(); });
    connect(print, &QPushButton::clicked, this, [this] { this->print(); });
    connect(burn, &QPushButton::clicked, this, [this] { archive(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(end_, &QLineEdit::editingFinished, this, [this] {
        if (end_->isModified()) {
            end_->setModified(false);
            checkEnd();
        }
    });
    // A register printed for one end date is not the register of another.
    connect(end_, &QLineEdit::textChanged, this, [this] { setPrinted(false); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(when);
    layout->addWidget(state_);
    layout->addWidget(list_, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(burn);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    setToolbarKeys(QStringLiteral("ESCI"));
    loadPeriod();
}

void FrmStampaRegistro::loadPeriod()
{
    period_ = Period();
    const auto last = F::Caricadati(QStringLiteral("PROTOCOLLO"), lastArchivedQuery(ente_));
    period_.lastArchived = last ? last->value(0).toString().trimmed() : QString();
    // With nothing archived the period begins with the register.
    const QString from = period_.lastArchived.isEmpty() ? [&] {
        const auto first = F::Caricadati(QStringLiteral("PROTOCOLLO"), firstProtocolQuery(ente_));
        return first ? first->value(0).toString().trimmed() : QString();
    }()
                                                        : period_.lastArchived;
    if (!from.isEmpty())
        if (const auto date = F::Caricadati(QStringLiteral("PROTOCOLLO"), protocolDateQuery(ente_, from)))
            period_.start = date->value(0).toDate();
    last_->setText(shownNumber(period_.lastArchived));
    start_->setDate(period_.start);
    const QDate yesterday = QDate::currentDate().addDays(-1);
    end_->setDate(period_.start.isValid() && period_.start > yesterday ? QDate() : yesterday);
    setPrinted(false);
}

bool FrmStampaRegistro::checkEnd()
{
    if (const auto wrong = checkEndDate(end_->date(), period_.start, QDate::currentDate())) {
        showBox(kTitle, *wrong, Icon::Warning);
        end_->setFocus();
        return false;
    }
    return true;
}

void FrmStampaRegistro::setPrinted(bool printed)
{
    state_->setText(printed ? kLabelPrinted : kLabelNotPrinted);
    if (!printed)
        printed_.clear();
}

bool FrmStampaRegistro::search()
{
    if (!checkEnd())
        return false;
    busy::Guard guard;
    setPrinted(false);
    // The number shown in its one form; the stored one stays for the window.
    const QString sql = searchQuery(ente_, period_.lastArchived, end_->date());
    const QString shown = QStringLiteral("SELECT Tab_TipoProtocollo, substr(Tab_NumeroProtocollo, 1, 4) || '-' || "
                                         "substr(Tab_NumeroProtocollo, 5), Tab_DataProtocollo, Tab_DataRicezione, "
                                         "CASE WHEN Tab_SoggPrivacy = 'S' THEN '%1' ELSE Tab_Oggetto END, Tab_Stampato, "
                                         "Tab_StatoProtocollo, Tab_NumeroProtocollo FROM (%2) r ORDER BY "
                                         "Tab_NumeroProtocollo")
                              .arg(kReservedText, sql);
    return list_->load(shown);
}

bool FrmStampaRegistro::fillReport(QStringList *numbers)
{
    numbers->clear();
    QSqlDatabase local = C_GestDB::localDatabase().sql();
    const auto failed = [&](const QString &text, const QString &detail) {
        GECentr::writeLog(text + QStringLiteral(": ") + detail, QStringLiteral("print"), objectName());
        showBox(kTitle, text, Icon::Critical);
        return false;
    };
    if (!local.isOpen())
        return failed(QStringLiteral("Errore Apertura TABLOCAL") + kPrintFailure, local.lastError().text());
    if (!local.transaction())
        return failed(QStringLiteral("Errore BeginTrans TABLOCAL") + kPrintFailure, local.lastError().text());
    bool committed = false;
    const auto rollback = qScopeGuard([&] {
        if (!committed && !local.rollback())
            GECentr::writeLog(QStringLiteral("Errore Rollback TABLOCAL") + kPrintFailure, QStringLiteral("print"),
                              objectName());
    });
    QSqlQuery q(local);
    if (!q.exec(QStringLiteral("DELETE FROM Tab_Report WHERE ID IS NOT NULL")))
        return failed(QStringLiteral("Contattare esperto della Procedura! Errore In Azzeramento TAB_REPORT"),
                      q.lastError().text());
    QStringList marks, cols;
    for (int c = 1; c <= RegFieldCount; ++c) {
        marks << QStringLiteral("?");
        cols << reportColumnName(c);
    }
    if (!q.prepare(QStringLiteral("INSERT INTO Tab_Report (%1) VALUES (%2)").arg(cols.join(QLatin1Char(',')),
                                                                               marks.join(QLatin1Char(',')))))
        return failed(QStringLiteral("Errore Apertura recordset") + kPrintFailure, q.lastError().text());
    QString after;
    for (;;) {
        const emergency::CallOutcome call = emergency::callProtocolServer(
            kOpStampaRegistro, registerRowsRequest(ente_, period_.lastArchived, end_->date(), after, kBatch),
            QStringLiteral("OLE - Stampa registro generale Protocolli"), QString());
        if (call.status == QLatin1String("1"))
            break;
        if (!call.ok()) {
            if (call.kind == emergency::CallOutcome::Refused)
                return failed(call.message, call.message);
            if (call.kind == emergency::CallOutcome::NoServer)
                return failed(QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), call.message);
            return failed(QStringLiteral("Server Ole, Errore in Stampa Registro GENERALE"), call.message);
        }
        const QVariantList rows = call.reply.value(2).toList();
        for (const QVariant &r : rows) {
            const QStringList row = r.toStringList();
            for (int c = 0; c < RegFieldCount; ++c)
                q.bindValue(c, row.value(c));
            if (!q.exec())
                return failed(QStringLiteral("Errore ADD Recordset") + kPrintFailure, q.lastError().text());
            *numbers << row.value(RegStoredNumber);
        }
        after = call.reply.value(3).toString();
        if (rows.size() < kBatch)
            break;
    }
    if (numbers->isEmpty()) {
        showBox(kTitle, QStringLiteral("Non esistono documenti protocollati nel periodo in esame."), Icon::Information);
        return false;
    }
    if (!local.commit())
        return failed(QStringLiteral("Errore UPD_1 Recordset") + kPrintFailure, local.lastError().text());
    committed = true;
    return true;
}

bool FrmStampaRegistro::markPrinted(const QStringList &numbers)
{
    // By their numbers: a protocol registered since the rows were read was
    // not printed and is not marked.
    QVector<F::Statement> batch;
    for (qsizetype i = 0; i < numbers.size(); i += kMarkChunk) {
        QStringList quoted;
        for (const QString &n : numbers.mid(i, kMarkChunk))
            quoted << QLatin1Char('\'') + F::quote(n) + QLatin1Char('\'');
        batch.push_back({QStringLiteral("R"), QStringLiteral("Tab_Protocollo"),
                         {{QStringLiteral("Tab_Stampato"), QStringLiteral("S")}},
                         QStringLiteral("Tab_Ente='%1' AND (Tab_Stampato Is Null OR Tab_Stampato='N' OR "
                                        "Tab_Stampato='S') AND Tab_NumeroProtocollo IN (%2)")
                             .arg(F::quote(ente_), quoted.join(QLatin1Char(',')))});
    }
    return F::Update_Tabella(batch, QStringLiteral("PROTOCOLLO"));
}

bool FrmStampaRegistro::print()
{
    if (!checkEnd())
        return false;
    QStringList numbers;
    {
        busy::Guard guard;
        if (!fillReport(&numbers))
            return false;
    }
    const auto target = ReportOutput::choose(kReportTitle, QStringLiteral("RegistroGenerale.pdf"));
    if (!target)
        return false;
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = kTemplate;
    req.title = kReportTitle;
    req.values.insert(QStringLiteral("ente"), DicAmbiente::session().cfg.ausl.trimmed());
    req.values.insert(QStringLiteral("periodo"),
                      QStringLiteral("Protocolli dal n. %1 al n. %2 - periodo %3%4")
                          .arg(shownNumber(numbers.first()), shownNumber(numbers.last()),
                               period_.start.isValid() ? QStringLiteral("dal ") + d(period_.start) + QLatin1Char(' ')
                                                       : QString(),
                               QStringLiteral("al ") + d(end_->date())));
    {
        busy::Guard guard;
        if (!engine.printInParts(req, C_GestDB::localDatabase().sql(), *target)) {
            showBox(kTitle, engine.lastErrorText(), Icon::Critical);
            return false;
        }
        if (!markPrinted(numbers))
            return false;
    }
    search();
    printed_ = QSet<QString>(numbers.cbegin(), numbers.cend());
    state_->setText(kLabelPrinted);
    return true;
}

bool FrmStampaRegistro::archive()
{
    if (state_->text() != kLabelPrinted || printed_.isEmpty()) {
        showBox(kTitle,
                QStringLiteral("Operazione di salvataggio non permessa. Effettuare prima la stampa dell'elenco dei "
                               "protocolli da salvare"),
                Icon::Warning);
        return false;
    }
    if (!checkEnd())
        return false;
    ArchiveJob job;
    job.programFolder = DicAmbiente::session().programFolder;
    job.ente = ente_;
    job.operatorCode = DicAmbiente::session().op.code;
    job.end = end_->date();
    job.lastArchived = period_.lastArchived;
    job.printed = printed_;
    ArchiveResult r;
    {
        busy::Guard guard;
        r = archiveRegister(job, [this](const QString &line) {
            GECentr::writeLog(line, QStringLiteral("btnMasterizz"), objectName());
        });
    }
    if (!r.ok()) {
        GECentr::writeLog(r.message, QStringLiteral("btnMasterizz"), objectName());
        showBox(kTitle, r.message, Icon::Critical);
        return false;
    }
    const QString drive = DicAmbiente::session().cfg.cdWriter.trimmed();
    showBox(kTitle,
            QStringLiteral("I file da salvare su CD sono stati crati nella directory ") + r.folder
                + QStringLiteral("Effettuare il salvataggio utilizzando il programma di Masterizzazione presente sulla "
                                 "Macchina.")
                + (drive.isEmpty() ? QString() : QStringLiteral(" (") + drive + QLatin1Char(')')),
            Icon::Information);
    showBox(kTitle, QStringLiteral("Operazione Conclusa"), Icon::Information);
    loadPeriod();
    list_->clear();
    return true;
}

void FrmStampaRegistro::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::registers
