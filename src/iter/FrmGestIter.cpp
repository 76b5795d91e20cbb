#include "iter/FrmGestIter.h"

#include "iter/DocumentDoors.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "iter/TrayIterRules.h"
#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

using ui::Cell;

namespace {

const QString kCaption = QStringLiteral("Gestione Iter del Documento");
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kChooseFirst = QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco");

// BtnTB by index: caption, and the window it opens when that window exists.
struct ToolButton {
    const char *caption;
    const char *window;
    bool needsProtocol;
    bool reloads;
};
const ToolButton kToolButtons[] = {
    {"Doc. Collegati", "", true, false},   {"Immagine documento", "FrmVisDocu1", true, false},
    {"Trasmetti", "FrmTrasmetti", true, true}, {"Classificazione", "FrmClassifica", true, false},
    {"Evadi   Pratica", "frmArchPratica", false, true},  {"Invia E-Mail", "", false, false},
    {"Acquisisci", "FrmSCAN", true, false},      {"Imposta scadenza", "FrmRinviaScad", true, true},
};

} // namespace

FrmGestIter::FrmGestIter(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmGestIter"));
    setWindowTitle(kCaption);
    setToolbarKeys(QStringLiteral("ESCI"));
    buildToolbar();

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabIter"));
    tabs_->addTab(buildInChargeTab(), QStringLiteral("Protocolli in carico"));
    tabs_->addTab(buildIterTab(), QStringLiteral("Iter del documento"));
    tabs_->addTab(buildDeadlineTab(), QStringLiteral("Scadenze"));

    auto *buttons = new QHBoxLayout;
    QPushButton *arrivals = button("cmdArrivo", QStringLiteral("Documenti in Arrivo"), this);
    QPushButton *sent = button("cmdSpediti", QStringLiteral("Documenti spediti"), this);
    QPushButton *archived = button("cmdArchiviati", QStringLiteral("Documenti Archiviati"), this);
    QPushButton *others = button("cmdAltriDest", QStringLiteral("Altri Destinatari"), this);
    QPushButton *attachments = button("cmdAllegati", QStringLiteral("Visualizza allegati"), this);
    QPushButton *detail = button("cmdDettaglio", QStringLiteral("Dettaglio"), this);
    QPushButton *label = button("cmdEtichetta", QStringLiteral("Stampa Etichetta"), this);
    QPushButton *quit = button("cmdEsci", QStringLiteral("Esci"), this);
    const QVector<std::pair<QPushButton *, QString>> doors{{arrivals, QStringLiteral("FrmInCarico")},
                                                           {sent, QStringLiteral("FrmSpediti")},
                                                           {archived, QStringLiteral("FrmArchiviati")}};
    for (const auto &[b, name] : doors) {
        b->setEnabled(WindowRegistry::contains(name));
        connect(b, &QPushButton::clicked, this, [name] { WindowRegistry::open(name); });
    }
    // Further recipients belong to a window of its own, not yet in the program.
    others->setEnabled(false);
    attachments->setEnabled(WindowRegistry::contains(QStringLiteral("frmProtAllegati")));
    detail->setEnabled(WindowRegistry::contains(QStringLiteral("frmDettaglioProtocollo")));
    connect(attachments, &QPushButton::clicked, this, [this] {
        if (!protocolChosen())
            return;
        openDocuments(kCaption, QStringLiteral("frmProtAllegati"), direction_, number_, QStringLiteral("FRMITER"));
    });
    connect(detail, &QPushButton::clicked, this, [this] {
        if (protocolChosen())
            openForProtocol(QStringLiteral("frmDettaglioProtocollo"));
    });
    for (QPushButton *b : {arrivals, sent, archived, others, attachments, detail, label, quit})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    layout->addWidget(btnTB_);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    connect(label, &QPushButton::clicked, this, [this] { printTakenLabel(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });

    showInCharge();
    searchDeadlines();
}

QPushButton *FrmGestIter::button(const char *name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

void FrmGestIter::buildToolbar()
{
    btnTB_ = new QToolBar(this);
    btnTB_->setObjectName(QStringLiteral("BtnTB"));
    btnTB_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int i = 0; i < int(std::size(kToolButtons)); ++i) {
        QAction *a = btnTB_->addAction(QString::fromUtf8(kToolButtons[i].caption));
        a->setObjectName(QStringLiteral("BtnTB_%1").arg(i));
        const QString window = QString::fromLatin1(kToolButtons[i].window);
        a->setEnabled(!window.isEmpty() && WindowRegistry::contains(window));
        connect(a, &QAction::triggered, this, [this, i] { toolbarPressed(i); });
        tb_.append(a);
    }
}

QWidget *FrmGestIter::buildInChargeTab()
{
    auto *page = new QWidget(this);
    auto *search = new ui::FormGroup(QStringLiteral("Ricerca"), page);
    optE_ = new QCheckBox(QStringLiteral("Entrata"), search);
    optE_->setObjectName(QStringLiteral("OptE"));
    optE_->setChecked(true);
    optU_ = new QCheckBox(QStringLiteral("Uscita"), search);
    optU_->setObjectName(QStringLiteral("OptU"));
    optU_->setChecked(true);
    from_ = new ui::DateField(search);
    from_->setObjectName(QStringLiteral("TxtI"));
    to_ = new ui::DateField(search);
    to_->setObjectName(QStringLiteral("TxtF"));
    const QDate today = QDate::currentDate();
    from_->setDate(today.addDays(-7));
    to_->setDate(today);
    subject_ = new QLineEdit(search);
    subject_->setObjectName(QStringLiteral("TxtOgg"));
    docType_ = new QComboBox(search);
    docType_->setObjectName(QStringLiteral("cmbTipoDoc"));
    docType_->addItem(QString::fromLatin1(kAllTypes));
    const F::LoadedRows types = F::loadRows(kDb, docTypesQuery());
    for (int i = 0; i < types.rowCount(); ++i)
        docType_->addItem(types.value(0, i).toString().trimmed() + QStringLiteral(" - ")
                          + types.value(1, i).toString().trimmed());
    correspondent_ = new QLineEdit(search);
    correspondent_->setObjectName(QStringLiteral("R_MitDest"));
    // Names are searched in upper case, as the address book keeps them.
    connect(correspondent_, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int at = correspondent_->cursorPosition();
        correspondent_->setText(t.toUpper());
        correspondent_->setCursorPosition(at);
    });
    year_ = new QLineEdit(search);
    year_->setObjectName(QStringLiteral("TxtAProto"));
    ui::makeCodeField(year_, 4, false);
    numberField_ = new QLineEdit(search);
    numberField_->setObjectName(QStringLiteral("TxtNumero"));
    ui::makeCodeField(numberField_, 7, false);
    QPushButton *show = button("cmdVisualizza", QStringLiteral("Visualizza"), search);
    search->addRow(QStringLiteral("Tipo"), {optE_, optU_, "Presi in carico dal", from_, "al", to_, "Anno", year_,
                                            "Numero", numberField_});
    search->addRow(QStringLiteral("Oggetto"), {Cell(subject_, 1)});
    search->addRow(QStringLiteral("Tipologia"), {Cell(docType_, 1), "Mittente/Destinatario", Cell(correspondent_, 1), show});

    auto *heading = new QLabel(QStringLiteral("Lista Protocolli in carico all'ufficio dell'operatore corrente"), page);
    inCharge_ = new ui::RowList(QStringLiteral("lswinCarico"), page);
    inCharge_->setColumns(officeWords(QString::fromUtf8(kInChargeTitles)), QString::fromLatin1(kInChargeWidths));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(search);
    layout->addWidget(heading);
    layout->addWidget(inCharge_, 1);

    connect(show, &QPushButton::clicked, this, [this] {
        if (showInCharge() && inCharge_->count() == 0)
            ui::tellNothingFound(this, kNoDocumentFound);
    });
    connect(inCharge_, &ui::RowList::chosen, this,
            [this](int row) { showProtocol(inCharge_->text(row, 6), inCharge_->text(row, 7)); });
    return page;
}

QWidget *FrmGestIter::buildIterTab()
{
    auto *page = new QWidget(this);
    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), page);
    hDirection_ = ui::readOnlyField(head, "TxtTipo", 2);
    hNumber_ = ui::readOnlyField(head, "TxtNumeroProtocollo", 13);
    hDate_ = ui::readOnlyField(head, "TxtDataProtocollo", 10);
    hState_ = ui::readOnlyField(head, "TxtStato", 22);
    hType_ = ui::readOnlyField(head, "TxtTipoDocumento");
    hName_ = ui::readOnlyField(head, "TxtMittDest");
    hAddress_ = ui::readOnlyField(head, "TxtIndirizzo");
    hCivic_ = ui::readOnlyField(head, "TxtCivico", 6);
    hTown_ = ui::readOnlyField(head, "TxtComune");
    hSubject_ = ui::readOnlyField(head, "TxtOggetto");
    hEmergency_ = ui::readOnlyField(head, "TxtNumeroEmergenza", 22);
    correspondentCaption_ = ui::caption(QStringLiteral("Mittente"), head, hName_);
    correspondentCaption_->setObjectName(QStringLiteral("lblMittDest"));
    head->addRow(QStringLiteral("Tipo"), {hDirection_, "N° Protocollo", hNumber_, "Data", hDate_, "Stato", hState_});
    head->addRow(QStringLiteral("Tipologia"), {Cell(hType_, 1), "Numero in emergenza", hEmergency_});
    head->addRow(correspondentCaption_,
                 {Cell(hName_, 3), "Indirizzo", Cell(hAddress_, 2), "N.", hCivic_, "Comune", Cell(hTown_, 2)});
    head->addRow(QStringLiteral("Oggetto"), {Cell(hSubject_, 1)});

    auto *heading = new QLabel(QStringLiteral("Iter del Protocollo selezionato"), page);
    iter_ = new ui::RowList(QStringLiteral("lswIter"), page);
    iter_->setColumns(officeWords(QString::fromUtf8(kMovementTitles)), QString::fromLatin1(kMovementWidths));
    recipients_ = new ui::RowList(QStringLiteral("lswDestinatari"), page);
    recipients_->setColumns(officeWords(QStringLiteral("Ufficio;Componente;Tipo Assegnazione;Data Assegnazione")),
                            QStringLiteral("26;20;26;16"));

    auto *movement = new ui::FormGroup(QStringLiteral("Movimento selezionato"), page);
    notes_ = ui::readOnlyField(movement, "TxtNote");
    assignmentKind_ = new QLabel(movement);
    assignmentKind_->setObjectName(QStringLiteral("lblTipoAssegnazione"));
    deadline_ = ui::readOnlyField(movement, "txtScadenza", 10);
    movement->addRow(QStringLiteral("Note"),
                     {Cell(notes_, 3), "Tipo Assegnazione", Cell(assignmentKind_, 2), "Data scadenza", deadline_});

    // The movements and the recipients of the one chosen side by side, so
    // the tab fits the main window's height.
    auto *lists = new QHBoxLayout;
    lists->addWidget(iter_, 3);
    lists->addWidget(recipients_, 2);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(head);
    layout->addWidget(heading);
    layout->addLayout(lists, 1);
    layout->addWidget(movement);
    connect(iter_, &ui::RowList::chosen, this, &FrmGestIter::movementChosen);
    return page;
}

QWidget *FrmGestIter::buildDeadlineTab()
{
    auto *page = new QWidget(this);
    auto *box = new ui::FormGroup(QStringLiteral("Ricerca delle scadenze"), page);
    optDue_ = new QRadioButton(QStringLiteral("In scadenza nei prossimi "), box);
    optDue_->setObjectName(QStringLiteral("OptinScad"));
    optDue_->setChecked(true);
    optOverdue_ = new QRadioButton(QStringLiteral("Non ancora evasi alla scadenza"), box);
    optOverdue_->setObjectName(QStringLiteral("OptScadute"));
    days_ = new QComboBox(box);
    days_->setObjectName(QStringLiteral("cmbGG"));
    for (const char *d : kDayChoices)
        days_->addItem(QString::fromLatin1(d));
    days_->setCurrentIndex(1);
    QPushButton *run = button("cmdEseguiRicerca", QStringLiteral("Esegui ricerca"), box);
    QPushButton *print = button("cmdStampaElenco", QStringLiteral("Stampa Elenco"), box);
    QPushButton *history = button("cmdStoricoScadenze", QStringLiteral("Storico Scadenze"), box);
    history->setEnabled(WindowRegistry::contains(QStringLiteral("FrmStoricoScadenze")));
    // The history of the protocol chosen in the list (or shown in the iter tab).
    connect(history, &QPushButton::clicked, this, [this] {
        if (protocolChosen())
            openForProtocol(QStringLiteral("FrmStoricoScadenze"));
    });
    box->addRow(QStringLiteral("Documenti"), {optDue_, days_, "giorni", optOverdue_});
    box->addRow(QString(), {run, print, history});
    deadlines_ = new ui::RowList(QStringLiteral("LwProtocolli"), page);
    deadlines_->setColumns(officeWords(QString::fromUtf8(kDeadlineTitles)), QString::fromLatin1(kDeadlineWidths));
    deadlineCount_ = new QLabel(page);
    deadlineCount_->setObjectName(QStringLiteral("lblTrovati"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(box);
    layout->addWidget(deadlines_, 1);
    layout->addWidget(deadlineCount_);
    connect(run, &QPushButton::clicked, this, [this] {
        if (searchDeadlines() && deadlines_->count() == 0)
            ui::tellNothingFound(this, QStringLiteral("Nessuna scadenza trovata"));
    });
    connect(print, &QPushButton::clicked, this, [this] { printDeadlines(); });
    connect(deadlines_, &ui::RowList::chosen, this,
            [this](int row) { showProtocol(deadlines_->text(row, 11), deadlines_->text(row, 12)); });
    return page;
}

void FrmGestIter::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmGestIter::showInCharge()
{
    InChargeCriteria c;
    c.incoming = optE_->isChecked();
    c.outgoing = optU_->isChecked();
    c.from = from_->text();
    c.to = to_->text();
    c.subject = subject_->text();
    c.docType = docType_->currentText();
    c.correspondent = correspondent_->text();
    c.year = year_->text();
    c.number = numberField_->text();
    if (const auto failure = checkInCharge(c)) {
        showBox(kCaption, *failure, Icon::Warning);
        return false;
    }
    const protocol::Viewer v = protocol::Viewer::fromSession();
    busy::Guard guard;
    const F::LoadedRows r = F::loadRows(kDb, inChargeQuery(c, v));
    if (!r.ok && !r.noRows()) {
        GECentr::writeLog(r.message, QStringLiteral("showInCharge"), objectName());
        inCharge_->clear();
        return false;
    }
    inCharge_->setRows(inChargeRows(r, v));
    return true;
}

void FrmGestIter::showProtocol(const QString &direction, const QString &number)
{
    const QString ente = DicAmbiente::session().op.ente;
    const auto h = F::Caricadati(kDb, headerQuery(ente, direction, number));
    for (QLineEdit *f : {hDirection_, hNumber_, hDate_, hState_, hType_, hName_, hAddress_, hCivic_, hTown_, hSubject_,
                         hEmergency_, notes_, deadline_})
        f->clear();
    assignmentKind_->clear();
    recipients_->clear();
    direction_.clear();
    number_.clear();
    protocolDate_ = QDate();
    if (!h) {
        iter_->clear();
        return;
    }
    const auto v = [&](int i) { return h->value(i).toString().trimmed(); };
    direction_ = direction;
    number_ = number;
    protocolDate_ = protocol::shownDate(protocol::dateText(h->value(1)));
    hDirection_->setText(direction);
    hNumber_->setText(nimbo::shownNumber(number));
    hDate_->setText(protocol::dateText(h->value(1)));
    hState_->setText(stateText(v(0)));
    hType_->setText(v(2));
    correspondentCaption_->setText(direction == QLatin1String("U") ? QStringLiteral("Destinatario")
                                                                    : QStringLiteral("Mittente"));
    hName_->setText(v(3));
    hAddress_->setText(v(4));
    hCivic_->setText(v(5));
    hTown_->setText(v(6));
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    hSubject_->setText(protocol::scope::shownSubject(viewer, v(7), v(9), QString::fromLatin1(protocol::scope::kTrayMask)));
    hEmergency_->setText(v(8));
    for (QLineEdit *f : {hName_, hAddress_, hSubject_})
        f->setCursorPosition(0);
    const bool linked = F::Caricadati(kDb, linkedQuery(ente, direction, number)).has_value();
    tb_[0]->setEnabled(linked && !QString::fromLatin1(kToolButtons[0].window).isEmpty());
    iter_->setRows(movementRows(F::loadRows(kDb, movementsQuery(ente, direction, number))));
}

void FrmGestIter::movementChosen(int row)
{
    notes_->setText(iter_->text(row, 5));
    notes_->setCursorPosition(0);
    assignmentKind_->clear();
    deadline_->clear();
    const auto &op = DicAmbiente::session().op;
    const F::LoadedRows r = F::loadRows(kDb, recipientsQuery(op.ente, direction_, number_, iter_->text(row, 7)));
    F::Columns shown(4);
    const bool assignment = iter_->value(row, 6).toInt() == kMovAssegnazione;
    for (int i = 0; i < r.rowCount(); ++i) {
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        const int kind = r.value(4, i).toInt();
        shown[0].append(txt(0) + QStringLiteral(" - ") + txt(1));
        shown[1].append(r.value(2, i).toInt() == 0 ? QString() : txt(3));
        shown[2].append(detailKindText(kind));
        shown[3].append(r.value(5, i));
        // The operator's own office on an assignment: what it was given and by when.
        if (assignment && txt(0) == op.office && txt(6) == op.department) {
            assignmentKind_->setText(detailKindText(kind));
            deadline_->setText(iter_->text(row, 8));
        }
    }
    recipients_->setRows(shown);
}

bool FrmGestIter::protocolChosen()
{
    if (direction_ == QLatin1String("E") || direction_ == QLatin1String("U"))
        return true;
    showBox(kCaption, kChooseFirst, Icon::Information);
    return false;
}

void FrmGestIter::toolbarPressed(int index)
{
    const ToolButton &b = kToolButtons[index];
    if (b.needsProtocol && !protocolChosen())
        return;
    // The images of a reserved protocol are not for everyone.
    if (QLatin1String(b.window) == QLatin1String("FrmVisDocu1")) {
        openDocuments(kCaption, QString::fromLatin1(b.window), direction_, number_);
        return;
    }
    QWidget *opened = openForProtocol(QString::fromLatin1(b.window));
    if (opened && b.reloads)
        reloadAfter(opened);
}

QWidget *FrmGestIter::openForProtocol(const QString &windowName)
{
    if (windowName.isEmpty() || !WindowRegistry::contains(windowName))
        return nullptr;
    QWidget *w = WindowRegistry::open(windowName);
    if (!w || direction_.isEmpty())
        return w;
    // The window acting on one protocol takes it through its setter.
    const QMetaObject *m = w->metaObject();
    if (m->indexOfMethod("setProtocol(QString,QString,QDate)") >= 0)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_),
                                  Q_ARG(QDate, protocolDate_));
    else if (m->indexOfMethod("setProtocol(QString,QString,QString)") >= 0)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_),
                                  Q_ARG(QString, protocolDate_.toString(QStringLiteral("dd/MM/yyyy"))));
    else if (m->indexOfMethod("setProtocol(QString,QString)") >= 0)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_));
    return w;
}

void FrmGestIter::reloadAfter(QWidget *opened)
{
    // Read again once the window is gone and the event loop runs: not while
    // the program is closing every window.
    connect(opened, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            const QString direction = direction_, number = number_;
            showInCharge();
            searchDeadlines();
            if (!direction.isEmpty())
                showProtocol(direction, number);
        });
    });
}

} // namespace nimbo::iter
