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
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
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
const QVector<int> kImplemented{0, 1, 2, 3};

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
    panels_ = new QStackedWidget(this);
    outer->addWidget(panels_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    outer->addWidget(status_);

    registration_ = new QWidget(panels_);
    registration_->setObjectName(QStringLiteral("FraRegistrazione"));
    buildRegistration(registration_);
    search_ = new QWidget(panels_);
    search_->setObjectName(QStringLiteral("FraRicerca"));
    buildSearch(search_);
    linked_ = new QGroupBox(QStringLiteral("Protocolli Collegati"), panels_);
    linked_->setObjectName(QStringLiteral("FraCollegati"));
    cancelled_ = new QGroupBox(QStringLiteral("Estremi Cancellazione del Protocollo"), panels_);
    cancelled_->setObjectName(QStringLiteral("FraCancellazione"));
    {
        auto *g = new QGridLayout(cancelled_);
        int row = 0;
        for (const char *name : {"LblDataCanc", "LblMotivoCanc", "LblNoteCanc"})
            g->addWidget(label(cancelled_, name), row++, 0);
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
}

void FrmProtocollo::modeChanged()
{
    cancelEdit();
    setToolbarKeys(forCancellation() ? kEntryCancel : kEntry);
}

QLineEdit *FrmProtocollo::edit(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(readOnly);
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

QLineEdit *FrmProtocollo::field(const char *name) const { return edits_.value(QString::fromLatin1(name)); }
QLabel *FrmProtocollo::desc(const char *name) const { return labels_.value(QString::fromLatin1(name)); }

void FrmProtocollo::buildRegistration(QWidget *panel)
{
    auto *g = new QGridLayout(panel);
    int r = 0;
    auto *dir = new QWidget(panel);
    dir->setObjectName(QStringLiteral("OptTipoProtocollo"));
    auto *dirLayout = new QHBoxLayout(dir);
    optE_ = new QRadioButton(QStringLiteral("Entrata"), dir);
    optE_->setObjectName(QStringLiteral("OptTipoProtocollo_0"));
    optU_ = new QRadioButton(QStringLiteral("Uscita"), dir);
    optU_->setObjectName(QStringLiteral("OptTipoProtocollo_1"));
    dirLayout->addWidget(optE_);
    dirLayout->addWidget(optU_);
    connect(optE_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("E")); });
    connect(optU_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("U")); });
    g->addWidget(dir, r, 0, 1, 2);
    g->addWidget(edit(panel, "txtNumeroProtocollo", true), r, 2);
    state_ = label(panel, "StatoProto");
    state_->setToolTip(QStringLiteral("Doppio click per visualizzare estremi cancellazione"));
    state_->installEventFilter(this);
    g->addWidget(state_, r++, 3);

    const auto row = [&](const char *caption, std::initializer_list<QWidget *> widgets) {
        g->addWidget(new QLabel(QString::fromUtf8(caption), panel), r, 0);
        int c = 1;
        for (QWidget *w : widgets)
            g->addWidget(w, r, c++);
        ++r;
    };
    row("Data protocollo", {edit(panel, "DataProtocollo", true), edit(panel, "OraProtocollo", true),
                            edit(panel, "DataRegistrazione", true)});
    row("Data ricezione", {edit(panel, "DataRicezione"), edit(panel, "OraRicezione")});

    cmdMitDest_ = new QPushButton(QStringLiteral("Mittente"), panel);
    cmdMitDest_->setObjectName(QStringLiteral("CmdMitDest"));
    g->addWidget(cmdMitDest_, r, 0);
    g->addWidget(edit(panel, "CodiceMitDest"), r, 1);
    g->addWidget(label(panel, "DescMitDest"), r, 2);
    cmdAltriDest_ = new QPushButton(QStringLiteral("Altri Destinatari"), panel);
    cmdAltriDest_->setObjectName(QStringLiteral("CmdAltriDest"));
    g->addWidget(cmdAltriDest_, r++, 3);
    row("Tipo Documento", {edit(panel, "CodTipoDoc"), label(panel, "DescTipoDoc")});
    cmdOggetto_ = new QPushButton(QStringLiteral("Ricerca oggetto ricorrente"), panel);
    cmdOggetto_->setObjectName(QStringLiteral("CmdOggettoRicorrente"));
    row("Oggetto", {edit(panel, "Oggetto"), cmdOggetto_});
    row("Dipartimento", {edit(panel, "CodSedeRic"), label(panel, "DescSedeRic")});
    const bool unit = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    row(unit ? "Unità Operativa" : "Ufficio", {edit(panel, "CodUfficio"), label(panel, "DescUfficio")});
    row("Componente", {edit(panel, "CodOperatore"), label(panel, "DescOperatore")});

    senderRef_ = new QGroupBox(QStringLiteral("Riferimento documento mittente"), panel);
    senderRef_->setObjectName(QStringLiteral("FraRifMittente"));
    auto *ref = new QHBoxLayout(senderRef_);
    ref->addWidget(edit(senderRef_, "Text1"));
    ref->addWidget(edit(senderRef_, "Text2"));
    g->addWidget(senderRef_, r++, 0, 1, 4);

    privacy_ = new QCheckBox(QStringLiteral("Soggetto a privacy"), panel);
    privacy_->setObjectName(QStringLiteral("Check1"));
    saveSubject_ = new QCheckBox(QStringLiteral("Salva oggetto"), panel);
    saveSubject_->setObjectName(QStringLiteral("Check2"));
    row("Annotazioni", {edit(panel, "Annotazioni"), privacy_, saveSubject_});
    row("Numero protocollo assegnato in emergenza:", {edit(panel, "TxtNEme", true)});
    row("Registro:", {edit(panel, "TxtREme", true)});

    cmdRichiama_ = new QPushButton(QStringLiteral("Richiama dati ultimo protocollo"), panel);
    cmdRichiama_->setObjectName(QStringLiteral("CmdRichiama"));
    g->addWidget(cmdRichiama_, r++, 0, 1, 2);

    classifica_ = new QTreeWidget(panel);
    classifica_->setObjectName(QStringLiteral("LWClassifica"));
    classifica_->setHeaderLabels({QStringLiteral("Titolo"), QStringLiteral("Categoria"), QStringLiteral("Classe"),
                                  QStringLiteral("Fascicolo")});
    classifica_->setRootIsDecorated(false);
    g->addWidget(classifica_, r++, 0, 1, 4);
    iter_ = new QTreeWidget(panel);
    iter_->setObjectName(QStringLiteral("lswIter"));
    iter_->setHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Tipo movimento"), QStringLiteral("Dipartimento"),
                            QStringLiteral("Ufficio"), QStringLiteral("Operatore")});
    iter_->setRootIsDecorated(false);
    iter_->hide();
    g->addWidget(iter_, r++, 0, 1, 4);

    listDecod_ = new QListWidget(panel);
    listDecod_->setObjectName(QStringLiteral("ListDecod"));
    listDecod_->hide();
    connect(listDecod_, &QListWidget::itemActivated, this, &FrmProtocollo::takeListRow);
    g->addWidget(listDecod_, r++, 0, 1, 4);

    auto *bar = new QHBoxLayout;
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(kButtonTexts[i].caption), panel);
        b->setObjectName(QStringLiteral("btnTB_%1").arg(i));
        b->setToolTip(QString::fromUtf8(kButtonTexts[i].tooltip));
        bar->addWidget(b);
        buttons_[i] = b;
    }
    g->addLayout(bar, r++, 0, 1, 4);

    for (const CodeControl &c : kCodeControls) {
        const CodeField kind = c.kind;
        connect(field(c.code), &QLineEdit::returnPressed, this, [this, kind] { codeEntered(kind); });
    }
    connect(cmdOggetto_, &QPushButton::clicked, this, &FrmProtocollo::searchRecurringSubjects);
    connect(cmdRichiama_, &QPushButton::clicked, this, &FrmProtocollo::recallLast);
    connect(buttons_[0], &QPushButton::clicked, this, [this] { panels_->setCurrentWidget(linked_); });
    connect(buttons_[1], &QPushButton::clicked, this, &FrmProtocollo::otherProtocols);
    connect(buttons_[2], &QPushButton::clicked, this, [this] { iter_->setVisible(!iter_->isVisible()); });
    connect(buttons_[3], &QPushButton::clicked, this, [this] {
        const ProtocolForm f = form();
        ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                        f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
        const PrintOutcome out = printStamp(p, PrintSettings::fromSession());
        if (out.failed())
            showBox(kCaption, out.message, Icon::Critical);
    });
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
        if (e->parentWidget() == registration_ || e->parentWidget() == senderRef_)
            e->clear();
    for (QLabel *l : std::as_const(labels_))
        l->clear();
    state_->setProperty("tag", QString());
    privacy_->setChecked(false);
    saveSubject_->setChecked(false);
    classifica_->clear();
    iter_->clear();
    listDecod_->hide();
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
        buttons_[i]->setEnabled(enabled.contains(i) && kImplemented.contains(i));
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
    else if (key == QLatin1String("ESCI")) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->close();
        else
            close();
    }
}

void FrmProtocollo::newProtocol()
{
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
    field("CodSedeRic")->setReadOnly(locked);
    field("CodUfficio")->setReadOnly(locked);
    if (locked) {
        const LookupScope scope{op.ente, op.department, op.office, true};
        field("CodSedeRic")->setText(op.department);
        field("CodUfficio")->setText(op.office);
        if (const auto d = lookup(CodeField::Department, op.department, scope, false); !d.isEmpty())
            desc("DescSedeRic")->setText(d.first().description);
        if (const auto o = lookup(CodeField::Office, op.office, scope, false); !o.isEmpty())
            desc("DescUfficio")->setText(o.first().description);
    }

    saveSubject_->setVisible(true);
    isNew_ = true;
    modifiable_ = true;
    panels_->setCurrentWidget(registration_);
    enableButtons({1});
    setToolbarKeys(QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    setStatus(kStatusReady);
}

void FrmProtocollo::cancelEdit()
{
    clearFields();
    applyDirectionRight();
    isNew_ = false;
    enableButtons({});
    panels_->setCurrentWidget(registration_);
    setToolbarKeys(forCancellation() ? kEntryCancel : QStringLiteral("ESCI;CERCA;NUOVO"));
    setStatus(kStatusReady);
}

// ---- lookups ------------------------------------------------------------------------

void FrmProtocollo::codeEntered(CodeField kind)
{
    const int i = int(kind);
    QLineEdit *code = field(kCodeControls[i].code);
    QLabel *description = desc(kCodeControls[i].description);
    if (code->isReadOnly())
        return;
    const bool byDescription = searchesByDescription(code->text());
    const LookupScope scope{context().ente, field("CodSedeRic")->text(), field("CodUfficio")->text(), isNew_};
    auto rows = lookup(kind, code->text(), scope, byDescription);
    // Codes may begin with a letter too ("PRO"): when no description begins
    // with the text, it is taken as a code.
    if (byDescription && rows.isEmpty())
        rows = lookup(kind, code->text(), scope, false);
    listTarget_ = code->objectName();
    listField_ = kind;
    if (byDescription && rows.size() != 1) {
        description->clear();
        showList(rows);
        return;
    }
    listDecod_->hide();
    if (rows.isEmpty()) {
        description->clear();
        return;
    }
    // The list shows identifiers padded; the field holds the number.
    code->setText(kind == CodeField::Correspondent ? QString::number(rows.first().code.toLongLong()) : rows.first().code);
    description->setText(rows.first().description);
}

void FrmProtocollo::showList(const QVector<LookupRow> &rows)
{
    listDecod_->clear();
    for (const LookupRow &r : rows) {
        auto *it = new QListWidgetItem(r.code.isEmpty() ? r.description : r.listText(), listDecod_);
        it->setData(Qt::UserRole, r.code);
        it->setData(Qt::UserRole + 1, r.description);
    }
    listDecod_->setVisible(!rows.isEmpty());
    if (!rows.isEmpty()) {
        listDecod_->setCurrentRow(0);
        listDecod_->setFocus();
    }
}

void FrmProtocollo::takeListRow(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString code = item->data(Qt::UserRole).toString();
    const QString description = item->data(Qt::UserRole + 1).toString();
    listDecod_->hide();
    if (listTarget_ == QLatin1String("Oggetto")) {
        field("Oggetto")->setText(description);
        return;
    }
    for (const CodeControl &c : kCodeControls) {
        if (listTarget_ == QLatin1String(c.code)) {
            // The list shows identifiers padded; the field holds the number.
            field(c.code)->setText(listField_ == CodeField::Correspondent ? QString::number(code.toLongLong()) : code);
            desc(c.description)->setText(description);
        }
    }
}

void FrmProtocollo::searchRecurringSubjects()
{
    const ProtocolForm f = form();
    const Context ctx = context();
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                        recurringSubjectsQuery(ctx.ente, ctx.department, f.direction, f.oggetto));
    QVector<LookupRow> rows;
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        rows.append({QString(), r.value(0, i).toString()});
    listTarget_ = QStringLiteral("Oggetto");
    showList(rows);
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
        field(c.code)->setText(tag.section(QLatin1Char('|'), 0, 0));
        desc(c.description)->setText(tag.section(QLatin1Char('|'), 1));
    }
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
    desc("DescMitDest")->setText(f.descMitDest);
    desc("DescTipoDoc")->setText(f.descTipoDoc);
    desc("DescSedeRic")->setText(f.descSedeRic);
    desc("DescUfficio")->setText(f.descUfficio);
    desc("DescOperatore")->setText(f.descOperatore);
    field("CodOperatore")->setText(f.codOperatore);
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
        field("txtNumeroProtocollo")->setText(r.number);
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
    const auto target = ReportOutput::choose(kCaption, QStringLiteral("ricevuta_%1.pdf").arg(p.number));
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
