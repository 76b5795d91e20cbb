#include "history/FrmStorico.h"
#include "history/WindowParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "documents/FrmProtVisAllegati.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/ReportEngine.h"
#include "servers/HistoryServer.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RecordEditor.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::history {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kCaption = QStringLiteral("Consulta Archivio Storico");
const QString kTitles = QStringLiteral("Data Protocollo;Chiave;Tipo;Numero;Oggetto;Tipo documento;Mittente/Destinatario");
const QString kWidths = QStringLiteral("11;0;4;8;48;16;28");

QString historyProgId()
{
    const QString configured = DicAmbiente::session().cfg.oleStorico.trimmed();
    return configured.isEmpty() ? kHistoryProgId : configured;
}

QLineEdit *textField(QWidget *parent, const char *name, int length)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(length);
    return e;
}

} // namespace

F::LoadedRows readOldArchive(const QString &source, const QString &sql, const QString &caption)
{
    F::LoadedRows out;
    const auto &op = DicAmbiente::session().op;
    ServerHolder holder;
    QString why;
    if (!createServer(holder, historyProgId(), &why)) {
        GECentr::writeLog(why);
        showBox(caption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        out.code = false;
        return out;
    }
    QVariantList params{op.ente, op.department, source, sql};
    const QVariantList reply = holder.object->Elabora(F::kOpRows, params);
    holder.release();
    const int status = reply.value(0).toInt();
    if (reply.value(0).toString() == QLatin1String("1")) {
        out.code = QStringLiteral("§§§");
        return out;
    }
    if (reply.value(0).toString() != QLatin1String("0")) {
        GECentr::writeLog(QStringLiteral("Server Ole, Errore In Lettura ") + reply.value(0).toString() + QLatin1Char('-')
                          + reply.value(1).toString());
        showBox(caption,
                QStringLiteral("Contattare esperto procedura. Errore nell'acquisizione informazioni su archivi storici "
                               "protocollo")
                    + QStringLiteral("\n") + reply.value(1).toString(),
                Icon::Critical);
        out.code = status == 0 ? QVariant(reply.value(0)) : QVariant(status);
        out.message = reply.value(1).toString();
        return out;
    }
    for (const QVariant &column : reply.value(2).toList())
        out.columns.append(column.toList());
    out.ok = true;
    out.code = 0;
    return out;
}

FrmStorico::FrmStorico(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmStorico"));
    setWindowTitle(kCaption);
    auto *g = new ui::FormGroup(QStringLiteral("Archivio"), this);
    sources_ = new QComboBox(g);
    sources_->setObjectName(QStringLiteral("CboFonte"));
    sources_->setMinimumContentsLength(30);
    offices_ = new QComboBox(g);
    offices_->setObjectName(QStringLiteral("CboUffici"));
    offices_->setMinimumContentsLength(30);
    g->addRow(QStringLiteral("Fonte dati"), {ui::Cell(sources_, 1)});
    g->addRow(QStringLiteral("Uffici dell'archivio"), {ui::Cell(offices_, 1)});

    auto *c = new ui::FormGroup(QStringLiteral("Parametri di Ricerca"), this);
    year_ = textField(c, "TxtAnno", 4);
    year_->setFixedWidth(ui::fieldWidth(year_, 5));
    number_ = textField(c, "TxtNumero", 9);
    number_->setFixedWidth(ui::fieldWidth(number_, 10));
    from_ = new ui::DateField(c);
    from_->setObjectName(QStringLiteral("TxtDal"));
    to_ = new ui::DateField(c);
    to_->setObjectName(QStringLiteral("TxtAl"));
    c->addRow(QStringLiteral("Anno"), {year_, QStringLiteral("Numero"), number_, QStringLiteral("Dal"), from_,
                                       QStringLiteral("Al"), to_});
    subject_ = textField(c, "TxtOggetto", 255);
    correspondent_ = textField(c, "TxtMittDest", 100);
    c->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    c->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(correspondent_, 1)});
    incoming_ = new QCheckBox(QStringLiteral("Entrata"), c);
    incoming_->setObjectName(QStringLiteral("ChkEntrata"));
    outgoing_ = new QCheckBox(QStringLiteral("Uscita"), c);
    outgoing_->setObjectName(QStringLiteral("ChkUscita"));
    incoming_->setChecked(true);
    outgoing_->setChecked(true);
    c->addRow(QStringLiteral("Tipo protocollo"), {incoming_, outgoing_});

    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("LblConteggio"));
    cut_ = new QLabel(this);
    cut_->setObjectName(QStringLiteral("LblLimite"));
    cut_->setVisible(false);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    list_->setColumns(kTitles, kWidths);
    list_->setFitToWidth(true);
    detail_ = new QPlainTextEdit(this);
    detail_->setObjectName(QStringLiteral("TxtDettaglio"));
    detail_->setReadOnly(true);
    detail_->setMaximumHeight(150);
    cmdScan_ = new QPushButton(QStringLiteral("Documenti scannerizzati"), this);
    cmdScan_->setObjectName(QStringLiteral("CmdScansioni"));
    cmdScan_->setToolTip(QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo "));
    cmdScan_->setEnabled(false);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(g);
    v->addWidget(c);
    v->addWidget(count_);
    v->addWidget(cut_);
    v->addWidget(list_, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(detail_, 1);
    bottom->addWidget(cmdScan_, 0, Qt::AlignTop);
    v->addLayout(bottom);

    const auto &op = DicAmbiente::session().op;
    const F::LoadedRows r = F::loadRows(kDb, oldSourcesQuery(op.ente, op.department));
    sources_->addItem(QString(), QString());
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        sources_->addItem(r.value(1, i).toString().trimmed(), r.value(0, i).toString().trimmed());
    connect(sources_, &QComboBox::activated, this, [this](int index) { chooseSource(index); });
    disconnect(list_->view(), SIGNAL(clicked(QModelIndex)), list_, nullptr);
    connect(list_, &ui::RowList::chosen, this, [this](int row) { openRow(row); });
    connect(cmdScan_, &QPushButton::clicked, this, [this] { showScans(); });
    setToolbarKeys(QStringLiteral("ESCI;CERCA"));
    if (r.noRows())
        showBox(kCaption, QStringLiteral("Non ci sono fonti dati per il dipartimento impostato"), Icon::Information);
}

QSize FrmStorico::sizeHint() const { return QSize(1000, 700).expandedTo(minimumSizeHint()); }

bool FrmStorico::chooseSource(int index)
{
    sources_->setCurrentIndex(index);
    source_ = sources_->itemData(index).toString();
    images_.clear();
    offices_->clear();
    list_->clear();
    detail_->clear();
    count_->clear();
    cmdScan_->setEnabled(false);
    if (source_.isEmpty())
        return false;
    const auto &op = DicAmbiente::session().op;
    if (const auto paths = F::Caricadati(kDb, oldSourceQuery(op.ente, op.department, source_)))
        images_ = paths->value(1).toString().trimmed();
    const F::LoadedRows offices = readOldArchive(source_, oldOfficesQuery(op.department), kCaption);
    if (offices.failed()) {
        source_.clear();
        return false;
    }
    for (int i = 0; i < offices.rowCount(); ++i)
        offices_->addItem(offices.value(0, i).toString().trimmed() + QStringLiteral(" - ")
                          + offices.value(1, i).toString().trimmed());
    return true;
}

OldCriteria FrmStorico::criteria() const
{
    OldCriteria c;
    c.year = year_->text();
    c.number = number_->text();
    c.from = from_->text();
    c.to = to_->text();
    c.subject = subject_->text();
    c.correspondent = correspondent_->text();
    c.incoming = incoming_->isChecked();
    c.outgoing = outgoing_->isChecked();
    return c;
}

bool FrmStorico::search()
{
    if (source_.isEmpty()) {
        showBox(kCaption, QStringLiteral("Selezionare la fonte dati da consultare"), Icon::Warning);
        sources_->setFocus();
        return false;
    }
    const OldCriteria c = criteria();
    if (refused(this, kCaption, checkOld(c)))
        return false;
    F::LoadedRows rows;
    {
        busy::Guard guard;
        rows = readOldArchive(source_, oldListQuery(c), kCaption);
    }
    if (rows.failed())
        return false;
    detail_->clear();
    cmdScan_->setEnabled(false);
    const int shown = showFirst(list_, rows.columns, kOldArchiveLimit, count_, cut_);
    setToolbarKeys(shown > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
    return true;
}

bool FrmStorico::openRow(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    const QString key = list_->text(row, 1).trimmed();
    const F::LoadedRows r = readOldArchive(source_, oldDetailQuery(key), kCaption);
    if (!r.ok)
        return false;
    static const char *const captions[] = {"Chiave", "Numero", "Entrata/Uscita", "Data protocollo", "Tipo documento",
                                           "Oggetto", "Collegamento", "Data arrivo/spedizione", "Spedizione postale",
                                           "Categoria", "Classe", "Fascicolo", "Oggetto classificazione", "Documento",
                                           "Data documento", "Allegati", "Data carico/scarico", "Data evidenza",
                                           "Data scadenza", "Scansioni"};
    QStringList lines;
    int i = 0;
    for (const char *caption : captions) {
        lines << QLatin1String(caption) + QStringLiteral(": ") + F::displayValue(r.value(i, 0)).trimmed();
        ++i;
    }
    const F::LoadedRows corr = readOldArchive(source_, oldCorrespondentsQuery(key), kCaption);
    for (int k = 0; corr.ok && k < corr.rowCount(); ++k)
        lines << QStringLiteral("Mittente/Destinatario: ") + corr.value(0, k).toString().trimmed();
    const F::LoadedRows offices = readOldArchive(source_, oldOfficesOfQuery(key), kCaption);
    for (int k = 0; offices.ok && k < offices.rowCount(); ++k)
        lines << QStringLiteral("Ufficio: ") + offices.value(0, k).toString().trimmed();
    detail_->setPlainText(lines.join(QLatin1Char('\n')));
    openKey_ = key;
    const QString scan = r.value(19, 0).toString().trimmed().toUpper();
    cmdScan_->setEnabled(!images_.isEmpty()
                         && (scan == QLatin1String("S") || scan == QLatin1String("SI") || scan == QLatin1String("1")
                             || scan == QLatin1String("TRUE")));
    return true;
}

QString FrmStorico::detailText() const { return detail_->toPlainText(); }

bool FrmStorico::showScans()
{
    if (openKey_.isEmpty() || images_.isEmpty())
        return false;
    // The images of a protocol sit in a folder named by its key.
    const QString folder = QDir(images_).filePath(openKey_);
    if (!QDir(folder).exists()) {
        showBox(QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo ") + openKey_,
                QStringLiteral("Nessun documento scannerizzato trovato in ") + folder, Icon::Information);
        return false;
    }
    return documents::openExternally(QUrl::fromLocalFile(folder));
}

bool FrmStorico::print()
{
    if (list_->count() == 0)
        return false;
    const QString failure = QStringLiteral(" - Stampa Registro Storico");
    const auto target = ReportOutput::choose(kCaption, QStringLiteral("RegistroStorico.pdf"));
    if (!target)
        return false;
    QVector<ReportRow> rows;
    rows.reserve(list_->count());
    for (int r = 0; r < list_->count(); ++r) {
        ReportRow row;
        for (int c : {0, 2, 3, 4, 6})
            row << list_->text(r, c);
        rows << row;
    }
    QString why;
    if (!replaceReportRows(C_GestDB::localDatabase().sql(), rows, &why)) {
        GECentr::writeLog(why, QStringLiteral("print"), objectName());
        showBox(kCaption, QStringLiteral("Errore ADD Recordset") + failure, Icon::Critical);
        return false;
    }
    ReportRequest req;
    req.templateName = QStringLiteral("RegistroStorico.rpt");
    req.title = QStringLiteral("Stampa Registro storico del Protocollo");
    req.values.insert(QStringLiteral("heading"), count_->text());
    if (const auto name = F::Caricadati(kDb, QStringLiteral("SELECT Tab_Enti.Ente_Denominazione FROM Tab_Enti "
                                                            "WHERE Ente_Codice = ")
                                                 + ui::sqlText(DicAmbiente::session().op.ente)))
        req.values.insert(QStringLiteral("ente"), name->value(0).toString().trimmed());
    ReportEngine engine(DicAmbiente::session().cfg.report);
    busy::Guard guard;
    if (!engine.print(req, C_GestDB::localDatabase().sql(), *target)) {
        showBox(kCaption, QStringLiteral("Errore nella stampa: ") + engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

void FrmStorico::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("STAMPA"))
        print();
}

} // namespace nimbo::history
