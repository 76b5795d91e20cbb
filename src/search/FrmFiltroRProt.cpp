#include "search/FrmFiltroRProt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/ListingPrinter.h"
#include "protocol/ProtocolSearch.h"
#include "search/FrmFiltroRProtRules.h"
#include "search/ProtocolDetail.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/SearchKit.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

namespace {

const QString kCaption = QStringLiteral("Ricerca Protocolli");
const QString kHistoryWindow = QStringLiteral("FrmStoricoScadenze");
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kPrintTitle = QStringLiteral("Stampa Elenco Documenti Protocollati");

QLineEdit *field(QWidget *parent, const char *name, int length, int chars)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(length);
    if (chars > 0)
        e->setFixedWidth(ui::fieldWidth(e, chars));
    return e;
}

QComboBox *combo(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(16);
    return c;
}

// Items "code - description" carrying the code, after the empty choice.
void fillCombo(QComboBox *c, const QString &sql) { ui::fillCodeCombo(c, QString::fromLatin1(filter::kNone), sql); }

// Beside the count when the row limit left protocols out of the list.
QString cutText(int limit)
{
    return QStringLiteral("Sono visualizzati i primi ") + QString::number(limit)
           + QStringLiteral(" protocolli: per vederne altri restringere i criteri o aumentare il numero di protocolli da "
                            "visualizzare.");
}

QString chosenCode(const QComboBox *c) { return c->currentData().toString(); }

// Chooses the item carrying the code; false (nothing chosen) when none does.
bool chooseCode(QComboBox *c, const QString &code)
{
    const int at = code.isEmpty() ? 0 : c->findData(code);
    c->setCurrentIndex(qMax(0, at));
    return at >= 0;
}

} // namespace

FrmFiltroRProt::FrmFiltroRProt(QWidget *parent, bool archive) : ChildWindow(parent)
{
    setObjectName(archive ? QStringLiteral("FrmStoricoRProt") : QStringLiteral("FrmFiltroRProt"));
    setWindowTitle(archive ? QStringLiteral("Ricerca Protocolli su Storico") : kCaption);
    if (archive) {
        // The register of past years: the year is the database server's.
        const QDateTime now = F::serverTime();
        before_ = QDate((now.isValid() ? now.date() : QDate::currentDate()).year(), 1, 1);
    }
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    pages_ = new QStackedWidget(this);
    v->addWidget(pages_);

    // The detail names some of its fields as the criteria are named: the
    // criteria are looked up on their own page.
    listPage_ = new QWidget(pages_);
    listPage_->setObjectName(QStringLiteral("FraRicerca"));
    auto *lv = new QVBoxLayout(listPage_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(4);
    buildCriteria(listPage_);
    buildSaved(listPage_);
    count_ = new QLabel(listPage_);
    count_->setObjectName(QStringLiteral("LblConteggio"));
    lv->addWidget(count_);
    cut_ = new QLabel(listPage_);
    cut_->setObjectName(QStringLiteral("LblLimite"));
    cut_->setWordWrap(true);
    cut_->setVisible(false);
    lv->addWidget(cut_);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), listPage_);
    list_->setColumns(QString::fromLatin1(filter::kListTitles), QString::fromLatin1(filter::kListWidths));
    list_->setFitToWidth(true);
    lv->addWidget(list_, 1);
    pages_->addWidget(listPage_);

    detail_ = new ProtocolDetail(
        QString::fromUtf8("Documenti riservati. L'utente non ha le autorizzazioni necessarie per consultarli."),
        QStringLiteral("FRMFILTRORPROT"), pages_);
    pages_->addWidget(detail_);

    // A row opens on a double click or Enter: a single click only selects
    // it, so the clerk can look along the list without leaving it.
    disconnect(list_->view(), SIGNAL(clicked(QModelIndex)), list_, nullptr);
    connect(list_, &ui::RowList::chosen, this, [this](int row) { openRow(row); });

    fillDocumentTypes();
    fillDepartments();
    reloadSaved();
    setToolbarKeys(QStringLiteral("ESCI;CERCA"));
}

QSize FrmFiltroRProt::sizeHint() const { return QSize(1000, 680).expandedTo(minimumSizeHint()); }

void FrmFiltroRProt::buildCriteria(QWidget *page)
{
    auto *g = new ui::FormGroup(QStringLiteral("Parametri di Ricerca"), page);
    page->layout()->addWidget(g);
    year_ = field(g, "txtAnno", 4, 5);
    number_ = field(g, "TxtNumero", 7, 8);
    emergency_ = field(g, "TxtNumEme", 7, 8);
    g->addRow(QStringLiteral("Anno"), {year_, "Numero", number_, "N. Emergenza", emergency_});

    operator_ = new QComboBox(g);
    operator_->setObjectName(QStringLiteral("cmbOperatori"));
    operator_->addItems({QStringLiteral(">="), QStringLiteral("<=")});
    date_ = new ui::DateField(g);
    date_->setObjectName(QStringLiteral("DataProtocollo"));
    incoming_ = new QCheckBox(QStringLiteral("Entrata"), g);
    incoming_->setObjectName(QStringLiteral("OptTipoProtocollo_0"));
    outgoing_ = new QCheckBox(QStringLiteral("Uscita"), g);
    outgoing_->setObjectName(QStringLiteral("OptTipoProtocollo_1"));
    incoming_->setChecked(true);
    outgoing_->setChecked(true);
    // The comparison reads as part of the caption: "Data Protocollo >= ...".
    g->addRow(ui::caption(QStringLiteral("Data Protocollo"), g, date_),
              {operator_, date_, "Tipo Protocollo", incoming_, outgoing_});

    correspondent_ = field(g, "CodiceMitDest", 30, 0);
    docType_ = combo(g, "CodTipoDoc");
    g->addRow(QStringLiteral("Mittente/Destinatario"), {{correspondent_, 1}, "Tipo Documento", {docType_, 1}});
    subject_ = field(g, "Oggetto", 30, 0);
    g->addRow(QStringLiteral("Oggetto"), {{subject_, 1}});

    department_ = combo(g, "Dip");
    office_ = combo(g, "Uff");
    limit_ = new QComboBox(g);
    limit_->setObjectName(QStringLiteral("Combo1"));
    for (int n : filter::rowLimits())
        limit_->addItem(QString::number(n), n);
    const bool units = DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104");
    g->addRow(QStringLiteral("Dipartimento"), {{department_, 1},
                                               units ? QString::fromUtf8("Unità Operativa") : QStringLiteral("Ufficio"),
                                               {office_, 1},
                                               "Righe al massimo",
                                               limit_});
    connect(department_, &QComboBox::currentIndexChanged, this, [this] { fillOffices(); });
    for (QLineEdit *e : {year_, number_, emergency_, static_cast<QLineEdit *>(date_), correspondent_, subject_})
        connect(e, &QLineEdit::returnPressed, this, [this] { search(); });
}

void FrmFiltroRProt::buildSaved(QWidget *page)
{
    auto *g = new ui::FormGroup(QStringLiteral("Ricerche salvate"), page);
    page->layout()->addWidget(g);
    saved_ = combo(g, "CmbRicercheSalvate");
    auto *run = new QPushButton(QStringLiteral("Esegui"), g);
    run->setObjectName(QStringLiteral("CmdEseguiRicerca"));
    auto *remove = new QPushButton(QStringLiteral("Elimina"), g);
    remove->setObjectName(QStringLiteral("CmdEliminaRicerca"));
    savedName_ = field(g, "TxtNomeRicerca", filter::kNameLength, 0);
    auto *save = new QPushButton(QStringLiteral("Salva ricerca"), g);
    save->setObjectName(QStringLiteral("CmdSalvaRicerca"));
    g->addRow(QStringLiteral("Ricerca"), {{saved_, 1}, run, remove, "Nome", {savedName_, 1}, save});
    connect(run, &QPushButton::clicked, this, [this] { runSaved(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeSaved(); });
    connect(save, &QPushButton::clicked, this, [this] { saveSearch(); });
    // The chosen name is offered for saving again under it.
    connect(saved_, &QComboBox::currentIndexChanged, this, [this] {
        if (saved_->currentIndex() > 0)
            savedName_->setText(saved_->currentText());
    });
}

void FrmFiltroRProt::fillDocumentTypes()
{
    fillCombo(docType_, QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento ORDER BY "
                                       "Tab_Descrizione"));
}

void FrmFiltroRProt::fillDepartments()
{
    fillCombo(department_, filter::departmentsQuery(protocol::Viewer::fromSession()));
    fillOffices();
}

void FrmFiltroRProt::fillOffices()
{
    const QString department = chosenCode(department_);
    if (department.isEmpty()) {
        office_->clear();
        office_->addItem(QString::fromLatin1(filter::kNone), QString());
        return;
    }
    fillCombo(office_, filter::officesQuery(protocol::Viewer::fromSession(), department));
}

GeneralCriteria FrmFiltroRProt::criteria() const
{
    GeneralCriteria c;
    c.year = year_->text().trimmed();
    c.number = number_->text().trimmed();
    c.emergencyNumber = emergency_->text().trimmed();
    c.date = date_->date();
    c.dateOperator = operator_->currentText();
    c.correspondent = correspondent_->text().trimmed();
    c.docType = chosenCode(docType_);
    c.subject = subject_->text().trimmed();
    c.incoming = incoming_->isChecked();
    c.outgoing = outgoing_->isChecked();
    c.department = chosenCode(department_);
    c.office = c.department.isEmpty() ? QString() : chosenCode(office_);
    c.limit = limit_->currentData().toInt();
    c.before = before_;
    return c;
}

bool FrmFiltroRProt::applyCriteria(const GeneralCriteria &c)
{
    year_->setText(c.year);
    number_->setText(c.number);
    emergency_->setText(c.emergencyNumber);
    date_->setDate(c.date);
    operator_->setCurrentIndex(c.dateOperator == QLatin1String("<=") ? 1 : 0);
    correspondent_->setText(c.correspondent);
    chooseCode(docType_, c.docType);
    subject_->setText(c.subject);
    incoming_->setChecked(c.incoming);
    outgoing_->setChecked(c.outgoing);
    limit_->setCurrentIndex(qMax(0, limit_->findData(c.limit)));
    // Only what the combos offer this operator today is taken.
    bool kept = chooseCode(department_, c.department);
    fillOffices();
    if (kept)
        kept = chooseCode(office_, c.office);
    else
        chooseCode(office_, QString());
    return kept;
}

void FrmFiltroRProt::focusControl(const QString &name)
{
    if (auto *w = listPage_->findChild<QWidget *>(name))
        w->setFocus();
}

bool FrmFiltroRProt::search()
{
    const GeneralCriteria c = criteria();
    if (const auto problem = checkCriteria(c)) {
        showBox(windowTitle(), problem->message, Icon::Warning);
        focusControl(problem->control);
        return false;
    }
    busy::Guard guard;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    const F::LoadedRows rows = F::loadRows(kDb, listQuery(c, v));
    if (rows.failed())
        return false;
    // The statement reads one row past the limit only to tell whether the
    // criteria find more than the list may show.
    const int limit = qMax(1, c.limit);
    const bool cut = rows.rowCount() > limit;
    F::Columns shown = filter::resultRows(rows, v);
    for (QVariantList &column : shown)
        column = column.mid(0, limit);
    list_->setRows(shown);
    count_->setText(filter::countText(list_->count()));
    cut_->setText(cut ? cutText(limit) : QString());
    cut_->setVisible(cut);
    searched_ = true;
    setToolbarKeys(list_->count() > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
    if (list_->count() == 0)
        ui::tellNothingFound(this, QString::fromUtf8(protocol::kNoRowsText));
    return true;
}

bool FrmFiltroRProt::detailShown() const { return pages_->currentWidget() == detail_; }

bool FrmFiltroRProt::openRow(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    const QString number = list_->text(row, filter::ColKey);
    // The detail tells the operator why a protocol cannot be shown.
    if (!detail_->load(list_->text(row, filter::ColDirectionCode), number, protocol::Viewer::fromSession()))
        return false;
    // The list follows, so that leaving the detail shows where it was.
    const QModelIndex at = list_->proxy()->mapFromSource(list_->model()->index(row, filter::ColNumber));
    list_->view()->setCurrentIndex(at);
    list_->view()->scrollTo(at);
    pages_->setCurrentWidget(detail_);
    // The deadlines window lives in a library built on this one: offered
    // when the program has it.
    setToolbarKeys(WindowRegistry::contains(kHistoryWindow)
                       ? QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO;STORICO SCADENZE")
                       : QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    return true;
}

void FrmFiltroRProt::step(int delta)
{
    if (const int row = ui::stepRow(list_, delta, windowTitle()); row >= 0)
        openRow(row);
}

void FrmFiltroRProt::backToList()
{
    pages_->setCurrentWidget(listPage_);
    setToolbarKeys(list_->count() > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
    list_->view()->setFocus();
}

bool FrmFiltroRProt::print()
{
    if (list_->count() == 0)
        return false;
    const auto target = ReportOutput::choose(windowTitle(), QStringLiteral("ElencoProtocolli.pdf"));
    if (!target)
        return false;
    // The rows as the list shows them: in its order and filter, reserved
    // texts already masked.
    const QAbstractItemModel *shown = list_->view()->model();
    const QStringList titles = QString::fromLatin1(filter::kListTitles).split(QLatin1Char(';'));
    QVector<QStringList> rows;
    for (int r = 0; r < shown->rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < titles.size(); ++c)
            line << shown->index(r, c).data().toString();
        rows << line;
    }
    const ListingResult printed = printGrid(kPrintTitle + QLatin1Char('\n') + count_->text(), titles,
                                            filter::printWidths(), rows, *target, gridOptions(true));
    if (!printed.ok)
        showBox(windowTitle(), QStringLiteral("Errore di Stampa: ") + printed.error, Icon::Critical);
    return printed.ok;
}

void FrmFiltroRProt::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("STAMPA"))
        print();
    else if (key == QLatin1String("ANNULLA"))
        backToList();
    else if (key == QLatin1String("PRECEDENTE"))
        step(-1);
    else if (key == QLatin1String("SUCCESSIVO"))
        step(1);
    else if (key == QLatin1String("STORICO SCADENZE") && detailShown()) {
        if (QWidget *w = WindowRegistry::open(kHistoryWindow))
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, detail_->direction()),
                                      Q_ARG(QString, detail_->number()));
    }
}

} // namespace nimbo::search
