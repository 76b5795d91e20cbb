#include "protocol/FrmProtocollo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "organisation/Pickers.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/ReportOutput.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

namespace {

const QString kCaption = QStringLiteral("Registrazione dei Protocolli");
const QString kEntry = QStringLiteral("ESCI;NUOVO;CERCA");
const QString kEntryCancel = QStringLiteral("ESCI;CERCA");
const QString kStatusReady = QStringLiteral("Registrazione Protocollo");
const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!");
const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");
const QString kActive = QStringLiteral("A T T I V O");
const QString kCancelled = QStringLiteral("C A N C E L L A T O");

// The functions of the btnTB row that this window carries out; the others
// stay disabled whatever the state.
const QVector<int> kImplemented{0, 1, 2, 3, 4, 5, 7, 9};

struct ButtonText { const char *caption, *tooltip; };
const ButtonText kButtonTexts[FrmProtocollo::kButtons] = {
    {"Protocolli Collegati", "Protocolli collegati al protocollo principale"},
    {"Altri protocolli", "Altri Documenti del Mittente/Destinatario"},
    {"Iter", "Iter del Documento all'interno dell'Ente"},
    {"Segnatura", "stampa numero di protocollo sul documento"},
    {"Scanner", "Acquisizione documenti"},
    {"Docum.", ""},
    {"E-Mail", "Invio messaggio di protocollazione in posta elettronica"},
    {"Allegati", ""},
    {"Evadi   Pratica", "Archivia documento collegato al protocollo in esame"},
    {"Assegna", "Trasmissione della corrispondenza agli uffici interessati"},
    {"Storico Scadenze", ""},
};

} // namespace

const FrmProtocollo::CodeControl FrmProtocollo::kCodeControls[5] = {
    {CodeField::Correspondent, "CodiceMitDest", "DescMitDest"}, {CodeField::DocType, "CodTipoDoc", "DescTipoDoc"},
    {CodeField::Department, "CodSedeRic", "DescSedeRic"},       {CodeField::Office, "CodUfficio", "DescUfficio"},
    {CodeField::Member, "CodOperatore", "DescOperatore"}};

FrmProtocollo::FrmProtocollo(const QString &mode, QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmProtocollo"));
    setWindowTitle(kCaption);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 2);
    outer->setSpacing(2);
    panels_ = new QStackedWidget(this);
    outer->addWidget(panels_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    outer->addWidget(status_);
    // The pop-up list floats over the window, under the field it serves.
    listDecod_ = new ui::PickList(this);

    registration_ = new QWidget(panels_);
    registration_->setObjectName(QStringLiteral("FraRegistrazione"));
    buildRegistration(registration_);
    search_ = new QWidget(panels_);
    search_->setObjectName(QStringLiteral("FraRicerca"));
    buildSearch(search_);
    linked_ = new QGroupBox(QStringLiteral("Protocolli Collegati"), panels_);
    linked_->setObjectName(QStringLiteral("FraCollegati"));
    {
        auto *l = new QVBoxLayout(linked_);
        l->addWidget(new QLabel(QStringLiteral("Nessun protocollo collegato."), linked_));
        l->addStretch(1);
        l->addWidget(backButton(linked_), 0, Qt::AlignLeft);
    }
    cancelled_ = new QGroupBox(QStringLiteral("Estremi Cancellazione del Protocollo"), panels_);
    cancelled_->setObjectName(QStringLiteral("FraCancellazione"));
    {
        auto *g = new QGridLayout(cancelled_);
        int row = 0;
        for (const auto &[name, caption] : {std::pair{"LblDataCanc", "Data"}, std::pair{"LblMotivoCanc", "Motivo"},
                                            std::pair{"LblNoteCanc", "Note"}}) {
            g->addWidget(ui::caption(QString::fromUtf8(caption), cancelled_), row, 0);
            g->addWidget(descLabel(cancelled_, name), row++, 1);
        }
        g->setColumnStretch(1, 1);
        g->setRowStretch(row, 1);
        g->addWidget(backButton(cancelled_), row + 1, 0, 1, 2, Qt::AlignLeft);
    }
    for (QWidget *w : {registration_, search_, linked_, cancelled_})
        panels_->addWidget(w);
    panels_->setCurrentWidget(registration_);

    // The greatest number this operator registered, for the rewrite rule.
    const Context ctx = context();
    if (const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"), lastProtocolQuery(ctx.ente, ctx.operatorCode)))
        lastNumber_ = row->value(0).toString().trimmed();

    applyDirectionRight();
    enableButtons({});
    setStatus(kStatusReady);
    setMode(mode);
    setToolbarKeys(forCancellation() ? kEntryCancel : kEntry);
    // Only the registration panel holds data worth asking about.
    dirty()->watch(registration_);
}

void FrmProtocollo::modeChanged()
{
    cancelEdit();
    setToolbarKeys(forCancellation() ? kEntryCancel : kEntry);
}

QPushButton *FrmProtocollo::backButton(QWidget *panel)
{
    // Every panel leads back to the protocol it was opened from.
    auto *b = new QPushButton(QStringLiteral("Torna al protocollo"), panel);
    b->setObjectName(QStringLiteral("CmdTornaProtocollo"));
    connect(b, &QPushButton::clicked, this, [this] { panels_->setCurrentWidget(registration_); });
    return b;
}

QSize FrmProtocollo::sizeHint() const { return QSize(1000, 660).expandedTo(minimumSizeHint()); }

QLineEdit *FrmProtocollo::edit(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    ui::setReadOnly(e, readOnly);
    edits_.insert(e->objectName(), e);
    return e;
}

QLineEdit *FrmProtocollo::dateEdit(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new ui::DateField(parent);
    e->setObjectName(QString::fromLatin1(name));
    ui::setReadOnly(e, readOnly);
    edits_.insert(e->objectName(), e);
    return e;
}

QLabel *FrmProtocollo::label(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    labels_.insert(l->objectName(), l);
    return l;
}

QLabel *FrmProtocollo::descLabel(QWidget *parent, const char *name)
{
    auto *l = new ui::DescriptionLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    labels_.insert(l->objectName(), l);
    return l;
}

QLineEdit *FrmProtocollo::field(const char *name) const { return edits_.value(QString::fromLatin1(name)); }
QLabel *FrmProtocollo::desc(const char *name) const { return labels_.value(QString::fromLatin1(name)); }

void FrmProtocollo::buildRegistration(QWidget *panel)
{
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);

    // The protocol: direction, state, number, dates.
    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), panel);
    auto *dir = new QWidget(head);
    dir->setObjectName(QStringLiteral("OptTipoProtocollo"));
    auto *dirLayout = new QHBoxLayout(dir);
    dirLayout->setContentsMargins(0, 0, 0, 0);
    optE_ = new QRadioButton(QStringLiteral("Entrata"), dir);
    optE_->setObjectName(QStringLiteral("OptTipoProtocollo_0"));
    optU_ = new QRadioButton(QStringLiteral("Uscita"), dir);
    optU_->setObjectName(QStringLiteral("OptTipoProtocollo_1"));
    dirLayout->addWidget(optE_);
    dirLayout->addWidget(optU_);
    connect(optE_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("E")); });
    connect(optU_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("U")); });
    state_ = label(head, "StatoProto");
    state_->setToolTip(QStringLiteral("Doppio click per visualizzare estremi cancellazione"));
    state_->installEventFilter(this);
    QFont strong = state_->font();
    strong.setBold(true);
    state_->setFont(strong);
    QLineEdit *number = edit(head, "txtNumeroProtocollo", true);
    number->setFont(strong);
    number->setFixedWidth(ui::fieldWidth(number, 11));
    QLineEdit *time = edit(head, "OraProtocollo", true);
    time->setFixedWidth(ui::fieldWidth(time, 7));
    head->addRow(QStringLiteral("Tipo"), {dir, ui::Cell(new QWidget(head), 1), QStringLiteral("Stato"), state_});
    head->addRow(QStringLiteral("Numero"), {number, QStringLiteral("Data"), dateEdit(head, "DataProtocollo", true),
                                            QStringLiteral("Ora"), time, QStringLiteral("Registrato il"),
                                            dateEdit(head, "DataRegistrazione", true)});
    v->addWidget(head);

    // The document: correspondent, type, subject, notes.
    auto *doc = new ui::FormGroup(QStringLiteral("Documento"), panel);
    cmdMitDest_ = new QPushButton(QStringLiteral("Mittente"), doc);
    cmdMitDest_->setObjectName(QStringLiteral("CmdMitDest"));
    cmdMitDest_->setToolTip(QStringLiteral("Apre la rubrica sul Mittente/Destinatario indicato; nel campo: codice della "
                                           "rubrica, o Invio su una parte della denominazione"));
    cmdAltriDest_ = new QPushButton(QStringLiteral("Altri Destinatari"), doc);
    cmdAltriDest_->setObjectName(QStringLiteral("CmdAltriDest"));
    QLineEdit *who = edit(doc, "CodiceMitDest");
    ui::makeCodeField(who, 7, false);
    cmdNuovoMitDest_ = new QPushButton(QStringLiteral("Nuovo..."), doc);
    cmdNuovoMitDest_->setObjectName(QStringLiteral("CmdNuovoMitDest"));
    cmdNuovoMitDest_->setToolTip(QStringLiteral("Inserimento rapido in rubrica di un Mittente/Destinatario non presente"));
    doc->addCodeRow(cmdMitDest_, who, descLabel(doc, "DescMitDest"), {cmdNuovoMitDest_, cmdAltriDest_});
    QLineEdit *type = edit(doc, "CodTipoDoc");
    ui::makeCodeField(type, 7, true);
    doc->addCodeRow(QStringLiteral("Tipo Documento"), type, descLabel(doc, "DescTipoDoc"));
    cmdOggetto_ = new QPushButton(QStringLiteral("Ricerca oggetto ricorrente"), doc);
    cmdOggetto_->setObjectName(QStringLiteral("CmdOggettoRicorrente"));
    doc->addRow(QStringLiteral("Oggetto"), {ui::Cell(edit(doc, "Oggetto"), 1), cmdOggetto_});
    privacy_ = new QCheckBox(QStringLiteral("Soggetto a privacy"), doc);
    privacy_->setObjectName(QStringLiteral("Check1"));
    saveSubject_ = new QCheckBox(QStringLiteral("Salva oggetto"), doc);
    saveSubject_->setObjectName(QStringLiteral("Check2"));
    doc->addRow(QStringLiteral("Annotazioni"), {ui::Cell(edit(doc, "Annotazioni"), 1), privacy_, saveSubject_});
    v->addWidget(doc);

    // Reception and the sender's reference beside the registering office.
    auto *middle = new QHBoxLayout;
    middle->setSpacing(6);
    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    auto *reception = new ui::FormGroup(QStringLiteral("Ricezione"), panel);
    QLineEdit *receivedAt = edit(reception, "OraRicezione");
    receivedAt->setFixedWidth(ui::fieldWidth(receivedAt, 7));
    receivedAt->setPlaceholderText(QStringLiteral("hh:mm"));
    reception->addRow(QStringLiteral("Data ricezione"),
                      {dateEdit(reception, "DataRicezione"), QStringLiteral("Ora"), receivedAt});
    left->addWidget(reception);
    auto *ref = new ui::FormGroup(QStringLiteral("Riferimento documento mittente"), panel);
    senderRef_ = ref;
    senderRef_->setObjectName(QStringLiteral("FraRifMittente"));
    QLineEdit *refNumber = edit(ref, "Text1");
    refNumber->setFixedWidth(ui::fieldWidth(refNumber, 12));
    ref->addRow(QStringLiteral("Protocollo n."), {refNumber, QStringLiteral("del"), dateEdit(ref, "Text2")});
    left->addWidget(ref);
    middle->addLayout(left);

    auto *office = new ui::FormGroup(QStringLiteral("Registrazione"), panel);
    const bool unit = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    QLineEdit *dept = edit(office, "CodSedeRic");
    ui::makeCodeField(dept, 7, true);
    office->addCodeRow(QStringLiteral("Dipartimento"), dept, descLabel(office, "DescSedeRic"));
    QLineEdit *off = edit(office, "CodUfficio");
    ui::makeCodeField(off, 7, true);
    office->addCodeRow(QString::fromUtf8(unit ? "Unità Operativa" : "Ufficio"), off, descLabel(office, "DescUfficio"));
    QLineEdit *member = edit(office, "CodOperatore");
    ui::makeCodeField(member, 7, false);
    office->addCodeRow(QStringLiteral("Componente"), member, descLabel(office, "DescOperatore"));
    middle->addWidget(office, 1);
    v->addLayout(middle);

    // Dossiers and iter share one place; the emergency number beside them.
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    lists_ = new QTabWidget(panel);
    lists_->setObjectName(QStringLiteral("TabElenchi"));
    classifica_ = new QTreeWidget(lists_);
    classifica_->setObjectName(QStringLiteral("LWClassifica"));
    classifica_->setHeaderLabels({QStringLiteral("Titolo"), QStringLiteral("Categoria"), QStringLiteral("Classe"),
                                  QStringLiteral("Fascicolo")});
    classifica_->setRootIsDecorated(false);
    iter_ = new QTreeWidget(lists_);
    iter_->setObjectName(QStringLiteral("lswIter"));
    iter_->setHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Tipo movimento"), QStringLiteral("Dipartimento"),
                            QStringLiteral("Ufficio"), QStringLiteral("Operatore")});
    iter_->setRootIsDecorated(false);
    lists_->addTab(classifica_, QStringLiteral("Classificazione"));
    lists_->addTab(iter_, QStringLiteral("Iter del documento"));
    lists_->setMinimumHeight(96);
    bottom->addWidget(lists_, 1);
    auto *eme = new ui::FormGroup(QStringLiteral("Emergenza"), panel);
    eme->setObjectName(QStringLiteral("FraEmergenza"));
    eme->addRow(QStringLiteral("Numero protocollo assegnato in emergenza:"), {edit(eme, "TxtNEme", true)});
    eme->addRow(QStringLiteral("Registro:"), {edit(eme, "TxtREme", true)});
    for (const char *name : {"TxtNEme", "TxtREme"})
        field(name)->setFixedWidth(ui::fieldWidth(field(name), 14));
    eme->grid()->setRowStretch(2, 1);
    bottom->addWidget(eme);
    v->addLayout(bottom, 1);

    v->addWidget(buildButtons(panel));

    // The code lookups, each on its own queries, sharing the pick list.
    // Department and office use the organisation's pickers; a registered
    // protocol keeps showing a department or office closed since.
    const auto ente = [this] { return context().ente; };
    const auto openOnly = [this] { return isNew_; };
    for (const CodeControl &c : kCodeControls) {
        const CodeField kind = c.kind;
        ui::CodeLookup::Finder finder;
        if (kind == CodeField::Department)
            finder = organisation::departmentFinder(ente, openOnly);
        else if (kind == CodeField::Office)
            finder = organisation::officeFinder(ente, [this] { return field("CodSedeRic")->text(); }, openOnly);
        else
            finder = [this, kind](const QString &typed, bool byDescription) { return matches(kind, typed, byDescription); };
        lookups_[int(kind)] = new ui::CodeLookup(field(c.code), desc(c.description), listDecod_, finder, this);
    }
    connect(cmdNuovoMitDest_, &QPushButton::clicked, this, &FrmProtocollo::newCorrespondent);
    connect(cmdMitDest_, &QPushButton::clicked, this, &FrmProtocollo::showCorrespondentInBook);
    connect(cmdOggetto_, &QPushButton::clicked, this, &FrmProtocollo::searchRecurringSubjects);
    connect(cmdRichiama_, &QPushButton::clicked, this, &FrmProtocollo::recallLast);
    connect(buttons_[0], &QPushButton::clicked, this, [this] { panels_->setCurrentWidget(linked_); });
    connect(buttons_[1], &QPushButton::clicked, this, &FrmProtocollo::otherProtocols);
    connect(buttons_[2], &QPushButton::clicked, this, [this] {
        lists_->setCurrentWidget(lists_->currentWidget() == iter_ ? static_cast<QWidget *>(classifica_) : iter_);
    });
    connect(buttons_[3], &QPushButton::clicked, this, [this] {
        const ProtocolForm f = form();
        ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                        f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
        const PrintOutcome out = printStamp(p, PrintSettings::fromSession());
        if (out.failed())
            showBox(kCaption, out.message, Icon::Critical);
    });
    connect(buttons_[9], &QPushButton::clicked, this, &FrmProtocollo::openAssignment);
    for (int i : {4, 5, 7})
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { openDocumentWindow(i); });
}

void FrmProtocollo::openAssignment()
{
    // The assignment window lives in the iter library, which builds on this
    // one: it is reached by name and told the protocol through its invokable.
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmAssegna"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number),
                                         Q_ARG(QString, f.dataProtocollo)))
        GECentr::writeLog(QStringLiteral("Finestra di assegnazione non disponibile"), QStringLiteral("openAssignment"),
                          objectName());
}

QWidget *FrmProtocollo::buildButtons(QWidget *panel)
{
    // The recall and the eleven functions on the protocol, in two rows.
    auto *box = new QWidget(panel);
    auto *g = new QGridLayout(box);
    g->setContentsMargins(0, 0, 0, 0);
    g->setSpacing(4);
    cmdRichiama_ = new QPushButton(QStringLiteral("Richiama dati ultimo protocollo"), box);
    cmdRichiama_->setObjectName(QStringLiteral("CmdRichiama"));
    cmdRichiama_->setToolTip(QStringLiteral("Copia nel nuovo protocollo i dati dell'ultimo registrato"));
    g->addWidget(cmdRichiama_, 0, 0);
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(kButtonTexts[i].caption), box);
        b->setObjectName(QStringLiteral("btnTB_%1").arg(i));
        b->setToolTip(QString::fromUtf8(kButtonTexts[i].tooltip));
        g->addWidget(b, (i + 1) / 6, (i + 1) % 6);
        buttons_[i] = b;
    }
    return box;
}

// ---- state of the panel -----------------------------------------------------------

QString FrmProtocollo::statusText() const { return status_->text(); }
void FrmProtocollo::setStatus(const QString &text) { status_->setText(text); }

Context FrmProtocollo::context() const
{
    Context c = Context::fromSession();
    c.isNew = isNew_;
    const QDate shown = shownDate(field("DataRegistrazione")->text());
    if (shown.isValid())
        c.today = shown;
    return c;
}

ProtocolForm FrmProtocollo::form() const
{
    ProtocolForm f;
    f.direction = optE_->isChecked() ? QStringLiteral("E") : optU_->isChecked() ? QStringLiteral("U") : QString();
    f.number = storedNumber(field("txtNumeroProtocollo")->text());
    f.dataProtocollo = field("DataProtocollo")->text();
    f.oraProtocollo = field("OraProtocollo")->text();
    f.dataRegistrazione = field("DataRegistrazione")->text();
    f.dataRicezione = field("DataRicezione")->text();
    f.oraRicezione = field("OraRicezione")->text();
    f.codiceMitDest = field("CodiceMitDest")->text();
    f.descMitDest = desc("DescMitDest")->text();
    f.codTipoDoc = field("CodTipoDoc")->text();
    f.descTipoDoc = desc("DescTipoDoc")->text();
    f.oggetto = field("Oggetto")->text();
    f.codSedeRic = field("CodSedeRic")->text();
    f.descSedeRic = desc("DescSedeRic")->text();
    f.codUfficio = field("CodUfficio")->text();
    f.descUfficio = desc("DescUfficio")->text();
    f.codOperatore = field("CodOperatore")->text();
    f.descOperatore = desc("DescOperatore")->text();
    f.refNumber = field("Text1")->text();
    f.refDate = field("Text2")->text();
    f.privacy = privacy_->isChecked();
    f.annotazioni = field("Annotazioni")->text();
    f.saveSubject = saveSubject_->isChecked();
    f.state = state_->property("tag").toString();
    for (int i = 0; i < classifica_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *it = classifica_->topLevelItem(i);
        f.dossiers.append({it->text(0), it->text(1), it->text(2), it->text(3)});
    }
    return f;
}

void FrmProtocollo::clearFields()
{
    for (QLineEdit *e : std::as_const(edits_))
        if (registration_->isAncestorOf(e))
            e->clear();
    for (ui::CodeLookup *l : lookups_)
        l->clear();
    for (QLabel *l : std::as_const(labels_))
        l->clear();
    state_->setProperty("tag", QString());
    privacy_->setChecked(false);
    saveSubject_->setChecked(false);
    classifica_->clear();
    iter_->clear();
    lists_->setCurrentWidget(classifica_);
    listDecod_->dismiss();
    emergencyNumber_.clear();
    iterState_.clear();
    for (const char *d : {"DataDal", "DataAl", "TxtDataRif"})
        field(d)->clear();
}

void FrmProtocollo::applyDirectionRight()
{
    const QString right = DicAmbiente::session().op.direction;
    optE_->setEnabled(right != QLatin1String("2"));
    optU_->setEnabled(right != QLatin1String("1"));
    if (right == QLatin1String("1"))
        optE_->setChecked(true);
    else if (right == QLatin1String("2"))
        optU_->setChecked(true);
    else {
        optE_->setAutoExclusive(false);
        optU_->setAutoExclusive(false);
        optE_->setChecked(false);
        optU_->setChecked(false);
        optE_->setAutoExclusive(true);
        optU_->setAutoExclusive(true);
    }
    setDirection(optE_->isChecked() ? QStringLiteral("E") : optU_->isChecked() ? QStringLiteral("U") : QString());
}

void FrmProtocollo::setDirection(const QString &direction)
{
    const bool incoming = direction != QLatin1String("U");
    cmdMitDest_->setText(incoming ? QStringLiteral("Mittente") : QStringLiteral("Destinatario"));
    buttons_[9]->setText(incoming ? QStringLiteral("Assegna") : QStringLiteral("Trasmetti"));
    if (!incoming) {
        field("Text1")->clear();
        field("Text2")->clear();
    }
    senderRef_->setEnabled(incoming);
    cmdAltriDest_->setEnabled(!incoming);
}

void FrmProtocollo::applyState(const QString &state)
{
    state_->setProperty("tag", state);
    state_->setText(state == QLatin1String("C") ? kCancelled : state.isEmpty() ? QString() : kActive);
    enableButtons(enabledButtons(state));
}

void FrmProtocollo::enableButtons(const QVector<int> &enabled)
{
    for (int i = 0; i < kButtons; ++i)
        buttons_[i]->setEnabled(enabled.contains(i) && kImplemented.contains(i)
                                && (documentWindow(i).isEmpty() || WindowRegistry::contains(documentWindow(i))));
}

void FrmProtocollo::focusField(const QString &name)
{
    if (name == QLatin1String("OptTipoProtocollo")) {
        (optE_->isEnabled() ? optE_ : optU_)->setFocus();
        return;
    }
    if (QWidget *w = findChild<QWidget *>(name))
        w->setFocus();
}

bool FrmProtocollo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == state_ && event->type() == QEvent::MouseButtonDblClick
        && state_->property("tag").toString() == QLatin1String("C"))
        panels_->setCurrentWidget(cancelled_);
    return ChildWindow::eventFilter(watched, event);
}

// ---- toolbar ------------------------------------------------------------------------

void FrmProtocollo::ELABORATBAR(const QString &key)
{
    // The consultation for cancellation neither registers nor rewrites.
    if (forCancellation() && (key == QLatin1String("NUOVO") || key == QLatin1String("REGISTRA")))
        return;
    if (key == QLatin1String("NUOVO"))
        newProtocol();
    else if (key == QLatin1String("REGISTRA"))
        registerProtocol();
    else if (key == QLatin1String("ANNULLA"))
        cancelEdit();
    else if (key == QLatin1String("CERCA"))
        showSearch();
    else if (key == QLatin1String("ETICHETTA"))
        printLabel();
    else if (key == QLatin1String("STAMPA"))
        printReceipt();
    else if (key == QLatin1String("PRECEDENTE"))
        step(-1);
    else if (key == QLatin1String("SUCCESSIVO"))
        step(1);
    else if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmProtocollo::newProtocol()
{
    if (!mayDiscard())
        return;
    // The clock is asked first: when it cannot be read nothing typed is lost.
    const QDateTime now = F::serverTime();
    if (!now.isValid()) {
        showBox(kCaption,
                QStringLiteral("Contattare il sistemista! Impossibile interagire con il server per l'acquisizione "
                               "della data ed ora dell'operazione."),
                Icon::Critical);
        return;
    }
    clearFields();
    applyDirectionRight();
    const QString day = now.date().toString(QStringLiteral("dd/MM/yyyy"));
    field("DataRegistrazione")->setText(day);
    field("DataProtocollo")->setText(day);
    field("OraProtocollo")->setText(now.time().toString(QStringLiteral("hh:mm:ss")));
    if (field("DataRicezione")->text().trimmed().isEmpty())
        field("DataRicezione")->setText(day);

    // A personal operator registers for his own department and office only.
    const auto &op = DicAmbiente::session().op;
    const bool locked = op.level == 6;
    ui::setReadOnly(field("CodSedeRic"), locked);
    ui::setReadOnly(field("CodUfficio"), locked);
    if (locked) {
        const LookupScope scope{op.ente, op.department, op.office, true};
        const auto d = lookup(CodeField::Department, op.department, scope, false);
        lookupOf(CodeField::Department)->set(op.department, d.isEmpty() ? QString() : d.first().description);
        const auto o = lookup(CodeField::Office, op.office, scope, false);
        lookupOf(CodeField::Office)->set(op.office, o.isEmpty() ? QString() : o.first().description);
    }

    saveSubject_->setVisible(true);
    isNew_ = true;
    modifiable_ = true;
    panels_->setCurrentWidget(registration_);
    enableButtons({1});
    setToolbarKeys(QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    setStatus(kStatusReady);
    dirty()->setClean();
}

void FrmProtocollo::cancelEdit()
{
    if (!mayDiscard())
        return;
    clearFields();
    applyDirectionRight();
    isNew_ = false;
    enableButtons({});
    panels_->setCurrentWidget(registration_);
    setToolbarKeys(forCancellation() ? kEntryCancel : QStringLiteral("ESCI;CERCA;NUOVO"));
    setStatus(kStatusReady);
}

// ---- lookups ------------------------------------------------------------------------

QVector<ui::Match> FrmProtocollo::matches(CodeField kind, const QString &typed, bool byDescription) const
{
    const LookupScope scope{context().ente, field("CodSedeRic")->text(), field("CodUfficio")->text(), isNew_};
    QVector<ui::Match> out;
    const auto rows = lookupRows(kind, lookupQuery(kind, typed, scope, byDescription), byDescription);
    for (const LookupRow &r : rows) {
        // The list shows identifiers padded; the field holds the number.
        const QString code = kind == CodeField::Correspondent ? QString::number(r.code.toLongLong()) : r.code;
        out.append({code, r.description, r.listText()});
    }
    return out;
}

bool FrmProtocollo::mayDiscard()
{
    if (!dirty()->confirmDiscard(kCaption))
        return false;
    dirty()->setClean();
    return true;
}

void FrmProtocollo::searchRecurringSubjects()
{
    const ProtocolForm f = form();
    const Context ctx = context();
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                        recurringSubjectsQuery(ctx.ente, ctx.department, f.direction, f.oggetto));
    QVector<ui::Match> rows;
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        rows.append({QString(), r.value(0, i).toString(), QString()});
    listDecod_->open(field("Oggetto"), rows, [this](const ui::Match &m) {
        field("Oggetto")->setText(m.description);
        dirty()->setDirty();
    });
}

bool FrmProtocollo::saveRecurringSubject()
{
    const ProtocolForm f = form();
    const Context ctx = context();
    F::Statement st{QStringLiteral("A"), QStringLiteral("Tab_OggettiRicorrenti"),
                    {{QStringLiteral("Tab_ente"), ctx.ente},
                     {QStringLiteral("Tab_Dipartimento"), ctx.department},
                     {QStringLiteral("Tab_EU"), f.direction},
                     {QStringLiteral("Tab_OggettoR"), f.oggetto}},
                    QString()};
    return F::Update_Tabella({st}, QStringLiteral("PROTOCOLLO"));
}

void FrmProtocollo::rememberForRecall()
{
    tags_.clear();
    for (const char *name : {"DataRicezione", "Oggetto", "Annotazioni"})
        tags_.insert(QString::fromLatin1(name), field(name)->text());
    for (const CodeControl &c : kCodeControls)
        tags_.insert(QString::fromLatin1(c.code), field(c.code)->text() + QLatin1Char('|') + desc(c.description)->text());
    lastDossiers_ = form().dossiers;
}

void FrmProtocollo::recallLast()
{
    if (tags_.isEmpty())
        return;
    if (!tags_.value(QStringLiteral("DataRicezione")).isEmpty())
        field("DataRicezione")->setText(tags_.value(QStringLiteral("DataRicezione")));
    field("Oggetto")->setText(tags_.value(QStringLiteral("Oggetto")));
    field("Annotazioni")->setText(tags_.value(QStringLiteral("Annotazioni")));
    for (const CodeControl &c : kCodeControls) {
        const QString name = QString::fromLatin1(c.code);
        if (name == QLatin1String("CodiceMitDest") || name == QLatin1String("CodOperatore"))
            continue;
        if (field(c.code)->isReadOnly())
            continue; // a locked department and office stay the operator's
        const QString tag = tags_.value(name);
        lookupOf(c.kind)->set(tag.section(QLatin1Char('|'), 0, 0), tag.section(QLatin1Char('|'), 1));
    }
    dirty()->setDirty();
    classifica_->clear();
    for (const Dossier &d : std::as_const(lastDossiers_))
        new QTreeWidgetItem(classifica_, {d.title, d.category, d.cls, d.dossier});
}

// ---- registration -----------------------------------------------------------------

void FrmProtocollo::registerProtocol()
{
    if (!isNew_ && !modifiable_)
        return;
    ProtocolForm f = form();
    Context ctx = context();
    const auto failure = validate(&f, ctx);
    // The checks found each code as the register holds it, with its description.
    lookupOf(CodeField::Correspondent)->set(f.codiceMitDest, f.descMitDest);
    lookupOf(CodeField::DocType)->set(f.codTipoDoc, f.descTipoDoc);
    lookupOf(CodeField::Department)->set(f.codSedeRic, f.descSedeRic);
    lookupOf(CodeField::Office)->set(f.codUfficio, f.descUfficio);
    lookupOf(CodeField::Member)->set(f.codOperatore, f.descOperatore);
    if (failure) {
        showBox(kCaption, failure->message, Icon::Warning, Buttons::Ok);
        focusField(failure->field);
        return;
    }
    if (isNew_) {
        const QString similar = similarSubjectWarning(f, ctx);
        if (!similar.isEmpty() && showBox(kCaption, similar, Icon::Question, Buttons::YesNo) != Answer::Yes) {
            focusField(QStringLiteral("Oggetto"));
            return;
        }
    }

    QVariantList request = buildRequest(f, ctx);
    setStatus(QStringLiteral("REGISTRAZIONE PROTOCOLLO"));
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere.Scrittura su remoto in corso"));
        busy::setRequestTitle(QStringLiteral("OLE - Protocollo Documenti"));
        ServerHolder holder;
        QString why;
        const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
        if (created)
            reply = holder.object->Elabora(kOpRegistraProtocollo, request);
        holder.release();
        busy::setWaitText(QString());
        busy::setRequestTitle(QString());
        if (!created) {
            GECentr::writeLog(why, QStringLiteral("registerProtocol"), objectName());
            showBox(kCaption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
            setStatus(kNotDone);
            return;
        }
    }
    const Reply r = readReply(reply);
    if (r.kind == Reply::Refused) {
        showBox(kCaption, r.message, Icon::Warning);
        setStatus(kNotDone);
        return;
    }
    if (r.kind == Reply::Error) {
        GECentr::writeLog(QStringLiteral("Server Ole, Errore in Registrazione Protocollo ") + r.message,
                          QStringLiteral("registerProtocol"), objectName());
        setStatus(kNotDone);
        return;
    }

    bool allDone = true;
    if (isNew_) {
        field("txtNumeroProtocollo")->setText(shownNumber(r.number));
        if (!r.date.isEmpty())
            field("DataProtocollo")->setText(r.date);
        lastNumber_ = r.number;
        applyState(QStringLiteral("A"));
        if (f.saveSubject)
            allDone = saveRecurringSubject();
        rememberForRecall();
        isNew_ = false;
        modifiable_ = true;
    } else {
        modifiable_ = staysModifiable(DicAmbiente::session().parm.enteTipoUtente, f.number, lastNumber_);
        applyState(f.state);
    }
    saveSubject_->setChecked(false);
    QString keys = consultationKeys(f.direction, listLoaded_);
    if (!modifiable_)
        keys.replace(QStringLiteral(";REGISTRA"), QString());
    setToolbarKeys(keys);
    dirty()->setClean();
    setStatus(allDone ? kDone : kNotDone);
}

// ---- paper outputs ------------------------------------------------------------------

void FrmProtocollo::printLabel()
{
    const ProtocolForm f = form();
    ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                    f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
    if (!readLabelOffice(&p, context().ente))
        return;
    if (!C_GestDB::localDatabase().valid())
        C_GestDB::openLocalDatabase();
    const PrintOutcome out = nimbo::protocol::printLabel(p, PrintSettings::fromSession(), C_GestDB::localDatabase().sql());
    if (out.failed())
        showBox(kCaption, out.message, Icon::Critical);
}

void FrmProtocollo::printReceipt()
{
    const ProtocolForm f = form();
    ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                    f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
    const auto &op = DicAmbiente::session().op;
    ReceiptFacts who{op.code, op.name, QString()};
    if (const auto town = F::Caricadati(QStringLiteral("PROTOCOLLO"), receiptTownQuery(op.ente, op.department, op.office)))
        who.town = town->value(0).toString().trimmed();
    if (!receiptOffered(p.direction) || p.number.isEmpty())
        return;
    const auto target = ReportOutput::choose(kCaption, QStringLiteral("ricevuta_%1.pdf").arg(shownNumber(p.number)));
    if (!target)
        return;
    if (!C_GestDB::localDatabase().valid())
        C_GestDB::openLocalDatabase();
    const PrintOutcome out =
        nimbo::protocol::printReceipt(p, who, PrintSettings::fromSession(), C_GestDB::localDatabase().sql(), *target);
    if (out.failed())
        showBox(kCaption, out.message, Icon::Critical);
}

void registerProtocolWindows()
{
    WindowRegistry::add(QStringLiteral("FrmProtocollo"), [] { return new FrmProtocollo; });
    // Until the cancellation window is part of the program, "Cancellazione
    // Protocollo" opens this window's consultation of the protocols to be
    // cancelled; the menu item gives it the mode "CANCELLA".
    if (!WindowRegistry::contains(QStringLiteral("FrmCancProto")))
        WindowRegistry::add(QStringLiteral("FrmCancProto"), [] { return new FrmProtocollo; });
}

} // namespace nimbo::protocol
