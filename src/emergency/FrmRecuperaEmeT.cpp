#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/Emergency.h"

#include <QDateTime>
#include <QHash>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "emergency/EmergencyRules.h"
#include "emergency/Recovery.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolLinks.h"
#include "protocol/ProtocolRules.h"
#include "data/Scope.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "servers/EmergencyRequests.h"
#include "ui/CodeLookup.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::emergency {
namespace {

const QString kTitle = QStringLiteral("Recupero Protocolli Emergenza (Da Registro Telematico)");
const QString kEnte = QStringLiteral("Tab_Ente");
const QString kDirection = QStringLiteral("Tab_TipoProtocollo");
const QString kNumber = QStringLiteral("Tab_NumeroProtocollo");
const QString kGeneral = QStringLiteral("Tab_ProtocolloGenerale");
const QString kType = QStringLiteral("Tab_Tipologia");
const QString kCorrespondent = QStringLiteral("Corrispondente");
const QString kViewer = QStringLiteral("FrmVisDocu1");
// The list's columns past its titles: the emergency number and session key.
constexpr int kListNumber = 3;
constexpr int kListKey = 4;

const auto &session() { return DicAmbiente::session(); }

QLineEdit *shown(QWidget *parent, const char *name, int chars = 0)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (chars > 0)
        ui::makeCodeField(e, chars, false);
    ui::setReadOnly(e);
    return e;
}

bool numeric(const QString &t)
{
    bool ok = false;
    t.trimmed().toLongLong(&ok);
    return ok;
}

// What the window could not read, and why: the register out of reach is
// not the same as a record that is not there.
QString unreadText(const F::LoadedRows &read, const QString &what)
{
    return read.unreachable()
               ? QStringLiteral("Impossibile verificare %1: il registro centrale dei protocolli non è raggiungibile. "
                                "Riprovare quando sarà di nuovo disponibile.")
                     .arg(what)
               : QStringLiteral("Impossibile verificare %1: la lettura dal registro centrale non è riuscita "
                                "(il dettaglio è nel log).")
                     .arg(what);
}

QString localFailureText(const QString &general)
{
    return QStringLiteral("ATTENZIONE! Errore in Aggiornamento Protocollo Emergenza ...\n"
                          "Il protocollo generale N. %1 è stato assegnato, ma la registrazione di emergenza non lo "
                          "riporta ancora: premere di nuovo REGISTRA per completarla (il numero resta lo stesso).")
        .arg(shownNumber(general));
}

ui::CodeLookup::Finder finderOf(protocol::CodeField field)
{
    return [field](const QString &typed, bool byDescription) {
        protocol::LookupScope scope;
        scope.ente = session().op.ente;
        QVector<ui::Match> out;
        for (const auto &row : protocol::lookup(field, typed, scope, byDescription))
            out.append({row.code, row.description, QString()});
        return out;
    };
}

} // namespace

FrmRecuperaEmeT::FrmRecuperaEmeT(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmRecuperaEmeT"));
    setWindowTitle(kTitle);
    setTable(QStringLiteral("Tab_ProtocolloEmergenza"), kLocal);
    setContext(kEnte, kEmergencyBody);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *which = new ui::FormGroup(QStringLiteral("Selezione della sessione"), left);
    year_ = new QLineEdit(which);
    year_->setObjectName(QStringLiteral("TxtAnno"));
    ui::makeCodeField(year_, 4, false);
    station_ = new QLineEdit(which);
    station_->setObjectName(QStringLiteral("TxtCodice"));
    ui::makeCodeField(station_, 4, true);
    sessionNo_ = new QLineEdit(which);
    sessionNo_->setObjectName(QStringLiteral("NSessione"));
    ui::makeCodeField(sessionNo_, 3, false);
    auto *go = new QPushButton(QStringLiteral("Avvia Ricerca"), which);
    go->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    which->addRow(QStringLiteral("Anno Registro Emergenza:"), {year_});
    which->addRow(QStringLiteral("Identificativo Registro:"), {station_});
    which->addRow(QStringLiteral("Numero di sessione:"), {sessionNo_});
    which->addRow(QString(), {go});
    leftLayout->addWidget(which);
    leftLayout->addWidget(new QLabel(QStringLiteral("Protocolli effettuati nella sessione"), left));
    list_ = new ui::RowList(QStringLiteral("LwProtEmerg"), left);
    list_->setColumns(QStringLiteral("N°Emergenza;N°Generale;Tipo"), QStringLiteral("40;11;1"));
    list_->setFitToWidth(true);
    // Emergency and general numbers whole, side by side.
    list_->setMinimumWidth(emergencyNumberWidth(list_) + list_->fontMetrics().horizontalAdvance(QStringLiteral("0000-0000000 Tipo"))
                           + 56);
    leftLayout->addWidget(list_, 1);
    connect(go, &QPushButton::clicked, this, [this] { findSession(); });

    auto *detail = new QWidget(this);
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    auto *doc = new ui::FormGroup(QStringLiteral(" Dettaglio del Documento Protocollato "), detail);
    // The record's own values; the fields show them as the clerk reads them.
    direction_ = new QLineEdit(doc);
    number_ = new QLineEdit(doc);
    general_ = new QLineEdit(doc);
    sessionKeyField_ = new QLineEdit(doc);
    for (QLineEdit *e : {direction_, number_, general_, sessionKeyField_})
        e->hide();
    numberShown_ = shown(doc, "txtNumeroEmergenza", 36);
    directionLabel_ = new QLabel(doc);
    directionLabel_->setObjectName(QStringLiteral("LblTipo"));
    doc->addRow(QStringLiteral("Protocollo Emergenza"), {numberShown_});
    generalShown_ = shown(doc, "ProtoGenerale", 12);
    doc->addRow(QStringLiteral("Protocollo Generale"), {generalShown_, directionLabel_});
    date_ = shown(doc, "DataProtocollo", 10);
    time_ = shown(doc, "OraProtocollo", 8);
    doc->addRow(QStringLiteral("Data Protocollo"), {date_, QStringLiteral("Ora"), time_});
    received_ = shown(doc, "DataRicezione", 10);
    receivedAt_ = shown(doc, "OraRicezione", 8);
    doc->addRow(QStringLiteral("Data Ricezione"), {received_, QStringLiteral("Ora"), receivedAt_});
    who_ = shown(doc, "CodiceMitDest");
    whoCaption_ = ui::caption(QStringLiteral("Mittente"), doc, who_);
    doc->addRow(whoCaption_, {ui::Cell(who_, 1)});
    correspondent_ = new QLineEdit(doc);
    correspondent_->setObjectName(QStringLiteral("txtMDNuovo"));
    ui::makeCodeField(correspondent_, 8, true);
    correspondent_->setMaxLength(60);
    auto *whoName = new ui::DescriptionLabel(doc);
    whoName->setObjectName(QStringLiteral("LblMDNuovo"));
    auto *findWho = new QPushButton(QStringLiteral("..."), doc);
    findWho->setObjectName(QStringLiteral("CmdMitt"));
    doc->addCodeRow(QStringLiteral("Cod. Mittente"), correspondent_, whoName, {findWho});
    type_ = new QLineEdit(doc);
    type_->setObjectName(QStringLiteral("CodTipoDoc"));
    ui::makeCodeField(type_, 4, true);
    auto *typeName = new ui::DescriptionLabel(doc);
    typeName->setObjectName(QStringLiteral("LblTipoDoc"));
    doc->addCodeRow(QStringLiteral("Tipo Documento"), type_, typeName);
    subject_ = shown(doc, "Oggetto");
    doc->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    notes_ = shown(doc, "Annotazioni");
    doc->addRow(QStringLiteral("Annotazioni"), {ui::Cell(notes_, 1)});
    refNumber_ = shown(doc, "Text1", 12);
    refDate_ = shown(doc, "Text2", 10);
    doc->addWide(new QLabel(QStringLiteral("Riferimento documento mittente"), doc));
    doc->addRow(QStringLiteral("Prot. N."), {refNumber_, QStringLiteral("del"), refDate_});
    recipients_ = shown(doc, "DestMultipli");
    doc->addRow(QStringLiteral("Destinatari "), {ui::Cell(recipients_, 1)});
    v->addWidget(doc);

    pick_ = new ui::PickList(this);
    pick_->setObjectName(QStringLiteral("ListDecod"));
    whoLookup_ = new ui::CodeLookup(correspondent_, whoName, pick_, finderOf(protocol::CodeField::Correspondent), this);
    typeLookup_ = new ui::CodeLookup(type_, typeName, pick_, finderOf(protocol::CodeField::DocType), this);
    connect(findWho, &QPushButton::clicked, this, &FrmRecuperaEmeT::chooseCorrespondent);

    // Follow-up of a recovered protocol.
    const auto button = [this](const char *name, const QString &text, const QString &tip = {}) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };
    assign_ = button("CmdAssegna", QStringLiteral("Assegna"),
                     QStringLiteral("Assegna la corrispondenza in entrata ai diversi uffici interessati"));
    classify_ = button("CmdClassifica", QStringLiteral("Classifica Documento"));
    recipientsButton_ = button("CmdDestinatari", QStringLiteral("Destinatari Multipli"));
    linked_ = button("CmdCollegati", QStringLiteral("Protocolli Collegati"));
    previous_ = button("CmdPrecedente", QStringLiteral("Protocollo Precedente"));
    docs_ = button("CmdDocumenti", QStringLiteral("Docum."));
    connect(assign_, &QPushButton::clicked, this, &FrmRecuperaEmeT::openAssignment);
    for (QPushButton *b : {classify_, recipientsButton_, previous_})
        connect(b, &QPushButton::clicked, this, [this, b] {
            openOnProtocol(followUps().value(b), key().value(kDirection), general_->text().trimmed());
        });
    connect(docs_, &QPushButton::clicked, this, [this] {
        openOnProtocol(kViewer, key().value(kDirection), general_->text().trimmed());
    });
    connect(linked_, &QPushButton::clicked, this, [this] {
        linkPanel_->setVisible(true);
        loadLinks();
    });

    linkPanel_ = new QGroupBox(detail);
    linkPanel_->setObjectName(QStringLiteral("FraCollegati"));
    auto *lv = new QVBoxLayout(linkPanel_);
    links_ = new ui::RowList(QStringLiteral("LWCollegati"), linkPanel_);
    links_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto"), QStringLiteral("5;13;10;40"));
    links_->setFitToWidth(true);
    lv->addWidget(links_);
    auto *lb = new QHBoxLayout;
    addLink_ = new QPushButton(QStringLiteral("Collega ulteriore protocollo"), linkPanel_);
    addLink_->setObjectName(QStringLiteral("CmdCollega"));
    dropLink_ = new QPushButton(QStringLiteral("Cancella Protocollo"), linkPanel_);
    dropLink_->setObjectName(QStringLiteral("CmdCancellaCollegato"));
    viewLink_ = new QPushButton(QStringLiteral("Visualizza documento scannerizzato"), linkPanel_);
    viewLink_->setObjectName(QStringLiteral("CmdVisualizzaCollegato"));
    closeLinks_ = new QPushButton(QStringLiteral("Esci"), linkPanel_);
    closeLinks_->setObjectName(QStringLiteral("CmdEsciCollegati"));
    for (QPushButton *b : {addLink_, dropLink_, viewLink_, closeLinks_})
        lb->addWidget(b);
    lv->addLayout(lb);
    v->addWidget(linkPanel_);
    linkPanel_->hide();
    connect(dropLink_, &QPushButton::clicked, this, &FrmRecuperaEmeT::removeLink);
    connect(closeLinks_, &QPushButton::clicked, linkPanel_, &QWidget::hide);
    connect(addLink_, &QPushButton::clicked, this, [this] {
        QWidget *w = openOnProtocol(followUps().value(addLink_), key().value(kDirection), general_->text().trimmed(),
                                    QStringLiteral("FRMASSEDEFPROT"));
        if (w && w->metaObject()->indexOfSignal("linked()") >= 0)
            connect(w, SIGNAL(linked()), this, SLOT(loadLinks()), Qt::UniqueConnection);
    });
    connect(viewLink_, &QPushButton::clicked, this, [this] {
        const int row = links_->currentRow();
        if (row >= 0)
            openOnProtocol(kViewer, links_->text(row, 0).trimmed(), links_->text(row, 1).trimmed());
    });

    bind(kDirection, direction_, Kind::Text, true);
    bind(kNumber, number_, Kind::Text, true);
    bind(kGeneral, general_);
    bind(QStringLiteral("Tab_ChiaveRegistrazione"), sessionKeyField_);
    bind(QStringLiteral("Tab_DataProtocollo"), date_);
    bind(QStringLiteral("Tab_OraProtocollo"), time_);
    bind(QStringLiteral("Tab_DataRicezione"), received_);
    bind(QStringLiteral("Tab_OraRicezione"), receivedAt_);
    bind(QStringLiteral("Tab_Intestatario"), who_);
    bind(kCorrespondent, correspondent_, Kind::Transient);
    bind(kType, type_);
    bind(QStringLiteral("Tab_Oggetto"), subject_);
    bind(QStringLiteral("Tab_Annotazioni"), notes_);
    bind(QStringLiteral("Tab_ProtDocArrivo"), refNumber_);
    bind(QStringLiteral("Tab_DataProtDocArrivo"), refDate_);
    bind(QStringLiteral("Tab_DestMultipli"), recipients_);
    setList(list_, [this] { return listQuery(); }, {{kNumber, kListNumber}, {kDirection, 2}});
    showEmergencyNumbers(list_, 0, kListKey, kListNumber, 1);
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_ProtocolloGenerale, "
                              "Tab_ChiaveRegistrazione, Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRicezione, "
                              "Tab_OraRicezione, Tab_Intestatario, Tab_Tipologia, Tab_Oggetto, Tab_Annotazioni, "
                              "Tab_ProtDocArrivo, Tab_DataProtDocArrivo, Tab_DestMultipli FROM Tab_ProtocolloEmergenza "
                              "WHERE Tab_Ente='999' and Tab_TipoProtocollo=")
               + ui::sqlText(k.value(kDirection)) + QStringLiteral(" and Tab_NumeroProtocollo=") + ui::sqlText(k.value(kNumber));
    },
            {kDirection, kNumber, kGeneral, QStringLiteral("Tab_ChiaveRegistrazione"), QStringLiteral("Tab_DataProtocollo"),
             QStringLiteral("Tab_OraProtocollo"), QStringLiteral("Tab_DataRicezione"), QStringLiteral("Tab_OraRicezione"),
             QStringLiteral("Tab_Intestatario"), kType, QStringLiteral("Tab_Oggetto"), QStringLiteral("Tab_Annotazioni"),
             QStringLiteral("Tab_ProtDocArrivo"), QStringLiteral("Tab_DataProtDocArrivo"), QStringLiteral("Tab_DestMultipli")});
    // Two rows of follow-up buttons, so that the window fits beside the
    // session's list.
    auto *followUpPanel = new QWidget(this);
    auto *grid = new QGridLayout(followUpPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    const QList<QPushButton *> followUpButtons{assign_, classify_, recipientsButton_, linked_, previous_, docs_};
    for (int i = 0; i < followUpButtons.size(); ++i)
        grid->addWidget(followUpButtons[i], i / 3, i % 3);
    arrange(new QLabel(QStringLiteral("RECUPERO PROTOCOLLI DI EMERGENZA DA REGISTRO TELEMATICO"), this), left, detail,
            {followUpPanel});
    keepSearchPanelReadable(left);
    enteredMode(Mode::Browse);
}

QString FrmRecuperaEmeT::listQuery() const
{
    // The emergency and general numbers are shown in their forms; the
    // number and session key past the titles are the row's key.
    return QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_ProtocolloGenerale, Tab_tipoProtocollo, Tab_NumeroProtocollo, "
                          "Tab_ChiaveRegistrazione FROM Tab_ProtocolloEmergenza WHERE Tab_Ente='999' AND Tab_ChiaveRegistrazione = ")
           + ui::sqlText(sessionKey_.isEmpty() ? QStringLiteral("-") : sessionKey_)
           + QStringLiteral(" ORDER BY Tab_NumeroProtocollo");
}

bool FrmRecuperaEmeT::findSession()
{
    const auto fail = [this](const QString &text, QLineEdit *field) {
        showBox(kTitle, text, Icon::Warning);
        field->setFocus();
        return false;
    };
    sessionKey_.clear();
    list_->clear();
    const QString year = year_->text().trimmed(), station = station_->text().trimmed(), n = sessionNo_->text().trimmed();
    if (year.isEmpty())
        return fail(QStringLiteral("Inserire l'anno del registro."), year_);
    if (!numeric(year))
        return fail(QStringLiteral("Inserire un valore numerico."), year_);
    if (station.isEmpty())
        return fail(QStringLiteral("Inserire il codice identificativo del registro (Id della Postazione)."), station_);
    if (n.isEmpty())
        return fail(QStringLiteral("Inserire il numero della sessione."), sessionNo_);
    if (!numeric(n))
        return fail(QStringLiteral("Inserire un valore numerico."), sessionNo_);
    const QString condition = QStringLiteral("ses_Ente = ") + ui::sqlText(session().op.ente)
                              + QStringLiteral(" AND ses_AnnoRegistro = ") + ui::sqlText(year)
                              + QStringLiteral(" AND ses_TipoRegistro = 'T' AND ses_IDRegistro = ") + ui::sqlText(station)
                              + QStringLiteral(" AND ses_NumeroRegistro = 1 AND ses_progr = ")
                              + QString::number(n.toLongLong());
    const F::LoadedRows found =
        F::loadRows(kCentral, QStringLiteral("SELECT Tab_DataChiusura FROM Tab_SessioniEmergenza WHERE ") + condition);
    if (found.failed()) {
        showBox(kTitle, unreadText(found, QStringLiteral("la sessione di emergenza")), Icon::Critical);
        return false;
    }
    if (!found.ok) {
        showBox(kTitle, QStringLiteral("La Sessione di Emergenza indicata non esiste in archivio"), Icon::Warning);
        return false;
    }
    if (const QVariant closedOn = found.value(0, 0); closedOn.isNull() || closedOn.toString().trimmed().isEmpty()) {
        if (showBox(kTitle, QStringLiteral("La sessione di emergenza non è stata ancora chiusa. Premi 'SI' per chiuderla ora."),
                    Icon::Question, Buttons::YesNo)
            != Answer::Yes)
            return false;
        // ChiudiSessione
        busy::setWaitText(QStringLiteral("ATTENDERE ... Aggiornamento Sessione di Emergenza in corso ..."));
        const QDateTime now = QDateTime::currentDateTime();
        const F::Statement close{QStringLiteral("R"), QStringLiteral("Tab_SessioniEmergenza"),
                                 {{QStringLiteral("Tab_dataChiusura"), now.date()},
                                  {QStringLiteral("Tab_oraChiusura"), now.toString(QStringLiteral("hh:mm"))},
                                  {QStringLiteral("Tab_CodOper"), session().op.code},
                                  {QStringLiteral("Tab_DatOper"), now.date()}},
                                 condition};
        const bool closed = F::Update_Tabella({close}, kCentral);
        busy::setWaitText(QString());
        if (!closed)
            return false;
    }
    sessionKey_ = emergency::sessionKey(year, station, n.toLongLong());
    reloadList();
    return true;
}

ui::CheckList FrmRecuperaEmeT::checks(bool) const
{
    const auto v = [](const ui::Record &r, const QString &c) { return r.value(c).trimmed(); };
    const QString ente = session().op.ente;
    // A code that cannot be looked up is not said to be missing.
    const auto lookUp = std::make_shared<F::LoadedRows>();
    const auto found = [lookUp](const QString &sql) {
        *lookUp = F::loadRows(kCentral, sql);
        return lookUp->ok;
    };
    const auto missing = [lookUp](const QString &what, const QString &text) {
        return [lookUp, what, text](const ui::Record &) { return lookUp->failed() ? unreadText(*lookUp, what) : text; };
    };
    return {
        {kCorrespondent, [v](ui::Record &r) { return !v(r, kCorrespondent).isEmpty(); },
         QStringLiteral("IL Mittente/Destinatario deve essere valido e significativo")},
        {kCorrespondent,
         [v, ente, found, lookUp](ui::Record &r) {
             *lookUp = {};
             lookUp->code = QStringLiteral("§§§"); // nothing read: not a failure
             return numeric(v(r, kCorrespondent))
                    && found(QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ")
                             + ui::sqlText(ente) + QStringLiteral(" AND Tab_Identificativo = ")
                             + QString::number(v(r, kCorrespondent).toLongLong()));
         },
         QString(), missing(QStringLiteral("il Mittente/Destinatario"),
                            QStringLiteral("IL Mittente/Destinatario non è presente in archivio"))},
        {kType, [v](ui::Record &r) { return !v(r, kType).isEmpty(); },
         QStringLiteral("IL Tipo Documento deve essere valido e significativo")},
        {kType,
         [v, found](ui::Record &r) {
             return found(QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE Tab_Codice = ")
                          + ui::sqlText(v(r, kType)));
         },
         QString(), missing(QStringLiteral("il Tipo Documento"),
                            QStringLiteral("IL Tipo documento specificato non esiste in archivio"))}};
}

bool FrmRecuperaEmeT::transferred() const { return !general_->text().trimmed().isEmpty(); }

void FrmRecuperaEmeT::enteredMode(Mode mode)
{
    const bool done = mode == Mode::Edit && transferred();
    correspondent_->setEnabled(mode == Mode::Edit && !done);
    type_->setEnabled(mode == Mode::Edit && !done);
    imagePending_ = false;
    if (done) {
        EmergencyRecord r;
        r.direction = key().value(kDirection);
        r.number = key().value(kNumber);
        imagePending_ = imagePending(r);
    }
    assign_->setEnabled(done && WindowRegistry::contains(QStringLiteral("FrmAssegna")));
    linked_->setEnabled(done);
    // Windows of other parts of the register: each button is offered as soon
    // as its window is part of the program.
    const auto followUp = followUps();
    for (auto it = followUp.cbegin(); it != followUp.cend(); ++it)
        it.key()->setEnabled(done && WindowRegistry::contains(it.value()));
    docs_->setEnabled(done && WindowRegistry::contains(kViewer));
    viewLink_->setEnabled(done && WindowRegistry::contains(kViewer));
    if (!done)
        linkPanel_->hide();
    showNumbers();
    if (mode != Mode::Edit) {
        whoLookup_->clear();
        typeLookup_->clear();
    }
}

void FrmRecuperaEmeT::showNumbers()
{
    const QString key = sessionKeyField_->text().trimmed();
    numberShown_->setText(emergencyNumberText(key, number_->text()));
    generalShown_->setText(shownNumber(general_->text()));
}

void FrmRecuperaEmeT::loaded(const ui::Record &r)
{
    showNumbers();
    const bool out = r.value(kDirection) == QLatin1String("U");
    directionLabel_->setText(out ? QStringLiteral("Uscita") : QStringLiteral("Entrata"));
    whoCaption_->setText(out ? QStringLiteral("Destinatario") : QStringLiteral("Mittente"));
    typeLookup_->refresh();
    if (!transferred()) {
        whoLookup_->clear();
        return;
    }
    // A recovered registration shows the general protocol as registered.
    const auto p = F::Caricadati(
        kCentral, QStringLiteral("SELECT p.Tab_Intestatario, r.Tab_Denominazione, p.Tab_Tipologia, p.Tab_Annotazioni, "
                                 "p.Tab_Oggetto, p.Tab_SoggPrivacy FROM Tab_Protocollo p LEFT JOIN Tab_Rubrica r ON "
                                 "r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario "
                                 "WHERE p.Tab_Ente = ")
                      + ui::sqlText(session().op.ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = ")
                      + ui::sqlText(r.value(kDirection)) + QStringLiteral(" AND p.Tab_NumeroProtocollo = ")
                      + ui::sqlText(r.value(kGeneral)));
    if (!p)
        return;
    whoLookup_->set(p->value(0).toString().trimmed(), p->value(1).toString().trimmed());
    typeLookup_->set(p->value(2).toString().trimmed(), QString());
    typeLookup_->refresh();
    notes_->setText(p->value(3).toString());
    const bool reserved = p->value(5).toString().trimmed() == QLatin1String("S");
    subject_->setText(reserved && !session().op.privacy ? QString::fromLatin1(protocol::scope::kTrayMask)
                                                        : p->value(4).toString());
    dirty()->setClean();
}

QString FrmRecuperaEmeT::toolbarFor(Mode mode) const
{
    if (mode == Mode::Browse)
        return QStringLiteral("ESCI");
    // A recovered registration whose image is still to copy can be
    // registered again: only its image goes.
    return transferred() && !imagePending_ ? QStringLiteral("ESCI;ANNULLA") : QStringLiteral("ESCI;ANNULLA;REGISTRA");
}

bool FrmRecuperaEmeT::writeRecord(const ui::Record &r, bool)
{
    EmergencyRecord rec;
    if (!readEmergencyRecord(key().value(kDirection), key().value(kNumber), &rec)) {
        showBox(kTitle, QStringLiteral("per poter effettuare la registrazione va selezionato un protocollo dall'elenco"),
                Icon::Warning);
        return false;
    }
    if (!rec.general.isEmpty() && !imagePending(rec))
        return false; // already recovered: nothing more to register
    busy::setWaitText(QStringLiteral("ATTENDERE ... Registrazione Protocollo Definitivo in corso ..."));
    const RecoveryOutcome out =
        recover(rec, recovererFromSession(), r.value(kCorrespondent).toLongLong(), r.value(kType));
    busy::setWaitText(QString());
    switch (out.kind) {
    case RecoveryOutcome::Registered:
    case RecoveryOutcome::Reused:
    case RecoveryOutcome::ImageFailed: break;
    case RecoveryOutcome::Refused: showBox(kTitle, out.message, Icon::None); return false;
    case RecoveryOutcome::NoServer:
        GECentr::writeLog(out.message, QStringLiteral("Registra"), objectName());
        showBox(kTitle, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return false;
    case RecoveryOutcome::NoTime:
        showBox(kTitle, QStringLiteral("Contattare il sistemista! Impossibile interagire con il server per "
                                       "l'acquisizione della data ed ora dell'operazione."),
                Icon::Critical);
        return false;
    case RecoveryOutcome::ServerError:
        GECentr::showMessage(QStringLiteral("Server Ole, Errore in Registrazione Protocollo ") + out.message);
        return false;
    case RecoveryOutcome::LocalFailed:
        // The general register holds the protocol: its number is the one on
        // the paper from now on, whatever the workstation's record says. A
        // retry is given the same number back by the server.
        GECentr::writeLog(out.message, QStringLiteral("AggiornaProtocolloTemporaneo"), objectName());
        generalShown_->setText(shownNumber(out.number));
        showBox(kTitle, localFailureText(out.number), Icon::Critical);
        return false;
    }
    lastWritten_ = {{kDirection, rec.direction}, {kNumber, rec.number}};
    if (out.kind == RecoveryOutcome::ImageFailed) {
        // The protocol stands; its image is copied when registered again.
        reportImageFailure(out.image);
        return true;
    }
    showBox(kTitle, QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"), Icon::Information);
    if (out.image.kind == ImageCopy::Kept)
        showBox(kTitle, out.image.message, Icon::Information);
    return true;
}

void FrmRecuperaEmeT::written(bool deleted)
{
    if (deleted || lastWritten_.isEmpty())
        return;
    const ui::Record k = lastWritten_;
    lastWritten_.clear();
    openRecord(k);
    list_->select(kListNumber, k.value(kNumber));
}

void FrmRecuperaEmeT::chooseCorrespondent()
{
    if (!correspondent_->isEnabled())
        return;
    const QString typed = correspondent_->text().trimmed();
    // Every entry that matches what was typed, as the registration window
    // lists them; the clerk chooses, even when there is only one.
    QVector<ui::Match> rows;
    if (!typed.isEmpty()) {
        protocol::LookupScope scope;
        scope.ente = session().op.ente;
        const bool byName = ui::searchesByDescription(typed);
        for (const protocol::LookupRow &row : protocol::lookupRows(
                 protocol::CodeField::Correspondent,
                 protocol::lookupQuery(protocol::CodeField::Correspondent, typed, scope, byName), true))
            rows.append({QString::number(row.code.toLongLong()), row.description, row.listText()});
    }
    if (!rows.isEmpty()) {
        pick_->open(correspondent_, rows, [this](const ui::Match &m) {
            whoLookup_->set(m.code, m.description);
            dirty()->setDirty();
        });
        return;
    }
    // Nothing typed or nothing found: the address book, searching what was
    // typed, where the entry can be looked for (or added).
    QWidget *book = WindowRegistry::open(QStringLiteral("FrmRubrica"));
    if (!book || typed.isEmpty() || !ui::searchesByDescription(typed))
        return;
    if (auto *search = book->findChild<QLineEdit *>(QStringLiteral("TxtRic"))) {
        search->setText(typed.toUpper());
        emit search->returnPressed();
    }
}

QHash<QPushButton *, QString> FrmRecuperaEmeT::followUps() const
{
    return {{addLink_, QStringLiteral("FrmCollega")},
            {classify_, QStringLiteral("FrmClassifica")},
            {recipientsButton_, QStringLiteral("FrmAltriDest")},
            {previous_, QStringLiteral("FrmProtPreced")}};
}

void FrmRecuperaEmeT::reportImageFailure(const ImageCopy &copy)
{
    switch (copy.kind) {
    case ImageCopy::None:
    case ImageCopy::Copied:
    case ImageCopy::Kept: return;
    case ImageCopy::NoServer:
        GECentr::writeLog(copy.message, QStringLiteral("Scrivi_immagine_su_Server"), objectName());
        showBox(kTitle, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        break;
    case ImageCopy::CallError:
        GECentr::writeLog(QStringLiteral("Server Ole, Errore in Registrazione Immagine Protocollo ") + copy.code
                              + QLatin1Char(' ') + copy.message,
                          QStringLiteral("Scrivi_immagine_su_Server"), objectName());
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Registrazione Immagine Protocollo ") + copy.code
                            + QStringLiteral(" - ") + copy.message,
                Icon::Critical);
        break;
    case ImageCopy::Failed:
        showBox(kTitle, QStringLiteral("si è verificato un errore nella copia dell'immagine.\nCODICE DI ERRORE: ")
                            + copy.code + QStringLiteral(" - ") + copy.message,
                Icon::Critical);
        break;
    }
    showBox(kTitle, QStringLiteral("ATTENZIONE! Errore nella operazione di copia sul server del documento acquisito da "
                                   "scanner."),
            Icon::Critical);
}

void FrmRecuperaEmeT::openAssignment()
{
    if (!transferred())
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmAssegna"));
    const QString date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const auto p = F::Caricadati(kCentral, QStringLiteral("SELECT Tab_DataProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ")
                                               + ui::sqlText(session().op.ente) + QStringLiteral(" AND Tab_TipoProtocollo = ")
                                               + ui::sqlText(key().value(kDirection))
                                               + QStringLiteral(" AND Tab_NumeroProtocollo = ")
                                               + ui::sqlText(general_->text().trimmed()));
    const QString protocolDate = p ? F::displayValue(p->value(0)) : date;
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, key().value(kDirection)),
                                         Q_ARG(QString, general_->text().trimmed()), Q_ARG(QString, protocolDate)))
        GECentr::writeLog(QStringLiteral("Finestra di assegnazione non disponibile"), QStringLiteral("openAssignment"),
                          objectName());
}

void FrmRecuperaEmeT::loadLinks()
{
    const F::LoadedRows rows = F::loadRows(
        kCentral, protocol::links::linkedQuery(session().op.ente, {key().value(kDirection), general_->text().trimmed()}));
    F::Columns columns(4);
    for (int i = 0; rows.ok && i < rows.rowCount(); ++i) {
        for (int c = 0; c < 3; ++c)
            columns[c].append(rows.value(c, i));
        const bool masked = rows.value(protocol::links::LPrivacy, i).toString().trimmed() == QLatin1String("S")
                            && !session().op.privacy;
        columns[3].append(masked ? QVariant(QString::fromLatin1(protocol::scope::kTrayMask))
                                 : rows.value(protocol::links::LSubject, i));
    }
    links_->setRows(columns);
    linkPanel_->setTitle(QStringLiteral("Documenti protocollati collegati al protocollo N.   ")
                         + shownNumber(general_->text()));
}

void FrmRecuperaEmeT::removeLink()
{
    const int row = links_->currentRow();
    if (row < 0 || !transferred())
        return;
    // A link is written both ways: both rows go, together.
    const protocol::links::Result r =
        protocol::links::unlink(session().op.ente, {key().value(kDirection), general_->text().trimmed()},
                                {links_->text(row, 0).trimmed(), links_->text(row, 1).trimmed()});
    if (!r.ok())
        showBox(kTitle, QString::fromUtf8(protocol::links::kUnlinkFailed), Icon::Critical);
    loadLinks();
}

void FrmRecuperaEmeT::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("REGISTRA") && editMode() == Mode::Browse) {
        showBox(kTitle, QStringLiteral("per poter effettuare la registrazione va selezionato un protocollo dall'elenco"),
                Icon::Warning);
        return;
    }
    if (key == QLatin1String("REGISTRA") && transferred() && !imagePending_)
        return; // a recovered registration is never registered again
    RecordEditor::ELABORATBAR(key);
}

} // namespace nimbo::emergency
