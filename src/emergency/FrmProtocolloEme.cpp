#include "emergency/FrmProtocolloEme.h"
#include "emergency/Emergency.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "emergency/EmergencyRules.h"
#include "platform/Dialogs.h"
#include "platform/SerialPrinter.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::emergency {
namespace {

const QString kTable = QStringLiteral("Tab_ProtocolloEmergenza");
const QString kEnte = QStringLiteral("Tab_Ente");
const QString kDirection = QStringLiteral("Tab_TipoProtocollo");
const QString kNumber = QStringLiteral("Tab_NumeroProtocollo");
const QString kDate = QStringLiteral("Tab_DataProtocollo");
const QString kTime = QStringLiteral("Tab_OraProtocollo");
const QString kReceived = QStringLiteral("Tab_DataRicezione");
const QString kReceivedAt = QStringLiteral("Tab_OraRicezione");
const QString kWho = QStringLiteral("Tab_Intestatario");
const QString kType = QStringLiteral("Tab_Tipologia");
const QString kSubject = QStringLiteral("Tab_Oggetto");
const QString kNotes = QStringLiteral("Tab_Annotazioni");
const QString kRefNumber = QStringLiteral("Tab_ProtDocArrivo");
const QString kRefDate = QStringLiteral("Tab_DataProtDocArrivo");
const QString kRecipients = QStringLiteral("Tab_DestMultipli");
const QString kGeneral = QStringLiteral("Tab_ProtocolloGenerale");
const QString kState = QStringLiteral("Tab_StatoProtocollo");
const QString kSession = QStringLiteral("Tab_ChiaveRegistrazione");
const QString kTitle = QStringLiteral("Protocollo in Emergenza");
// The list's columns past its titles: the emergency number and session key.
constexpr int kListNumber = 4;
constexpr int kListKey = 5;

const auto &session() { return DicAmbiente::session(); }

QLineEdit *edit(QWidget *parent, const char *name, int chars = 0, bool upper = false)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (chars > 0)
        ui::makeCodeField(e, chars, upper);
    return e;
}

ui::DateField *dateField(QWidget *parent, const char *name)
{
    auto *d = new ui::DateField(parent);
    d->setObjectName(QLatin1String(name));
    return d;
}

QVariant dateValue(const QString &typed)
{
    const QDate d = typedDate(typed);
    return d.isValid() ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate));
}

// The workstation's local work database, opened when the run has none yet.
C_GestDB::Database localDb()
{
    if (!C_GestDB::localDatabase().valid())
        C_GestDB::openLocalDatabase();
    return C_GestDB::localDatabase();
}

EmergencyForm formOf(const ui::Record &r)
{
    EmergencyForm f;
    f.direction = r.value(kDirection);
    f.dataProtocollo = r.value(kDate);
    f.oraProtocollo = r.value(kTime);
    f.dataRicezione = r.value(kReceived);
    f.oraRicezione = r.value(kReceivedAt);
    f.intestatario = r.value(kWho);
    f.tipologia = r.value(kType);
    f.oggetto = r.value(kSubject);
    f.refNumber = r.value(kRefNumber);
    f.refDate = r.value(kRefDate);
    f.destinatari = r.value(kRecipients);
    return f;
}

} // namespace

FrmProtocolloEme::FrmProtocolloEme(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmProtocolloEme"));
    sessionKey_ = plainSessionKey(session().emergencySession);
    setWindowTitle(QStringLiteral("Registrazione Protocolli in Emergenza"));
    setBoxTitle(kTitle);
    setTable(kTable, kLocal);
    setContext(kEnte, session().op.ente);
    setChecksTogether(kTitle, kRegistrationHeading);

    // Search: the registrations of this operator on this workstation.
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *search = new ui::FormGroup(QStringLiteral("   Impostazione Parametri di Ricerca   "), left);
    findDirection_ = new QComboBox(search);
    findDirection_->setObjectName(QStringLiteral("TipoProt"));
    findDirection_->addItem(QStringLiteral("Tutti"), QString());
    findDirection_->addItem(QStringLiteral("Entrata"), QStringLiteral("E"));
    findDirection_->addItem(QStringLiteral("Uscita"), QStringLiteral("U"));
    search->addRow(QStringLiteral("Tipo Protocollo"), {findDirection_});
    findFrom_ = dateField(search, "R_DataInizio");
    findTo_ = dateField(search, "R_DataFine");
    search->addRow(QStringLiteral("Inizio Periodo"), {findFrom_});
    search->addRow(QStringLiteral("Fine Periodo"), {findTo_});
    findWho_ = edit(search, "R_MitDest");
    auto *go = new QPushButton(QStringLiteral("Avvia Ricerca"), search);
    go->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    search->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(findWho_, 1)});
    search->addRow(QString(), {go});
    leftLayout->addWidget(search);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), left);
    // The date of receipt is in the detail: the list keeps the room for
    // the emergency number and the protocol date, whole.
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto"), QStringLiteral("3;40;10;10"));
    list_->setFitToWidth(true);
    list_->setMinimumWidth(emergencyNumberWidth(list_)
                           + list_->fontMetrics().horizontalAdvance(QStringLiteral("Tipo 00/00/0000")) + 50);
    leftLayout->addWidget(list_, 1);
    connect(go, &QPushButton::clicked, this, [this] { reloadList(); });

    // The registration.
    auto *detail = new QWidget(this);
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), detail);
    session_ = edit(head, "txtReg", 12);
    ui::setReadOnly(session_);
    session_->setText(sessionText(sessionKey_));
    head->addRow(QStringLiteral("Sessione di Emergenza: "), {session_});
    auto *kind = new QWidget(head);
    kind->setObjectName(QStringLiteral("OptTipoProtocollo"));
    auto *kindLayout = new QHBoxLayout(kind);
    kindLayout->setContentsMargins(0, 0, 0, 0);
    incoming_ = new QRadioButton(QStringLiteral("Entrata"), kind);
    incoming_->setObjectName(QStringLiteral("OptEntrata"));
    outgoing_ = new QRadioButton(QStringLiteral("Uscita"), kind);
    outgoing_->setObjectName(QStringLiteral("OptUscita"));
    kindLayout->addWidget(incoming_);
    kindLayout->addWidget(outgoing_);
    auto *kindGroup = new QButtonGroup(this);
    kindGroup->addButton(incoming_);
    kindGroup->addButton(outgoing_);
    // The direction the record holds: set by the options, read by the kit.
    direction_ = new QLineEdit(head);
    direction_->hide();
    // The record's own number and session; the fields show them as the
    // clerk reads them.
    number_ = new QLineEdit(head);
    number_->hide();
    recordSession_ = new QLineEdit(head);
    recordSession_->hide();
    numberShown_ = edit(head, "txtNumeroProtocollo", 36);
    ui::setReadOnly(numberShown_);
    head->addRow(QStringLiteral("Tipo"), {kind});
    head->addRow(QStringLiteral("Numero"), {numberShown_});
    date_ = dateField(head, "DataProtocollo");
    time_ = edit(head, "OraProtocollo", 8);
    head->addRow(QStringLiteral("Data"), {date_, QStringLiteral("Ora"), time_});
    received_ = dateField(head, "DataRicezione");
    receivedAt_ = edit(head, "OraRicezione", 8);
    head->addRow(QStringLiteral("Data Ricezione"), {received_, QStringLiteral("Ora"), receivedAt_});
    v->addWidget(head);

    auto *doc = new ui::FormGroup(QStringLiteral("Documento"), detail);
    who_ = edit(doc, "CodiceMitDest");
    whoCaption_ = ui::caption(QStringLiteral("Mittente"), doc, who_);
    whoCaption_->setObjectName(QStringLiteral("LblMittente"));
    doc->addRow(whoCaption_, {ui::Cell(who_, 1)});
    type_ = edit(doc, "CodTipoDoc", 4, true);
    doc->addRow(QStringLiteral("Tipo Documento"), {type_});
    subject_ = edit(doc, "Oggetto");
    doc->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    notes_ = edit(doc, "Annotazioni");
    doc->addRow(QStringLiteral("Note"), {ui::Cell(notes_, 1)});
    refNumber_ = edit(doc, "Text1", 12);
    refDate_ = dateField(doc, "Text2");
    auto *reference = new QLabel(QStringLiteral("-------------- Riferimento documento mittente ------------- "), doc);
    doc->addWide(reference);
    doc->addRow(QStringLiteral("Prot. N."), {refNumber_, QStringLiteral("del"), refDate_});
    recipients_ = edit(doc, "DestMultipli");
    recipients_->setMaxLength(255);
    doc->addRow(QStringLiteral("Destinatari "), {ui::Cell(recipients_, 1)});
    v->addWidget(doc);

    auto *tail = new ui::FormGroup(QStringLiteral("Stato"), detail);
    state_ = new QLabel(tail);
    state_->setObjectName(QStringLiteral("StatoProto"));
    general_ = new QLineEdit(tail);
    general_->hide();
    generalShown_ = edit(tail, "ProtoGenerale", 12);
    ui::setReadOnly(generalShown_);
    tail->addRow(QStringLiteral("Protocollo Generale Assegnato"), {generalShown_, state_});
    v->addWidget(tail);

    stampButton_ = new QPushButton(QStringLiteral("Segnatura"), this);
    stampButton_->setObjectName(QStringLiteral("CmdSegnatura"));
    stampButton_->setToolTip(QStringLiteral("stampa numero di protocollo sul documento"));
    scanButton_ = new QPushButton(QStringLiteral("Scanner"), this);
    scanButton_->setObjectName(QStringLiteral("CmdScanner"));
    scanButton_->setToolTip(QStringLiteral("Acquisizione documenti"));
    docsButton_ = new QPushButton(QStringLiteral("Docum."), this);
    docsButton_->setObjectName(QStringLiteral("CmdDocumenti"));
    connect(stampButton_, &QPushButton::clicked, this, &FrmProtocolloEme::printStamp);
    // The document's image stays on the workstation with the registration.
    connect(scanButton_, &QPushButton::clicked, this, [this] {
        openEmergencyImage(QStringLiteral("FrmSCAN"), key().value(kDirection), key().value(kNumber), numberShown_->text());
    });
    connect(docsButton_, &QPushButton::clicked, this, [this] {
        openEmergencyImage(QStringLiteral("FrmVisDocu1"), key().value(kDirection), key().value(kNumber),
                           numberShown_->text());
    });
    connect(incoming_, &QRadioButton::toggled, this, [this] { directionChosen(); });

    bind(kDirection, direction_, Kind::Text, true);
    bind(kNumber, number_, Kind::Text, true);
    bind(kDate, date_, Kind::Date);
    bind(kTime, time_);
    bind(kReceived, received_, Kind::Date);
    bind(kReceivedAt, receivedAt_);
    bind(kWho, who_);
    bind(kType, type_);
    bind(kSubject, subject_);
    bind(kNotes, notes_);
    bind(kRefNumber, refNumber_);
    bind(kRefDate, refDate_, Kind::Date);
    bind(kRecipients, recipients_);
    bind(kGeneral, general_);
    bind(kSession, recordSession_);
    setList(list_, [this] { return searchQuery(); }, {{kDirection, 0}, {kNumber, kListNumber}});
    showEmergencyNumbers(list_, 1, kListKey, kListNumber);
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, Tab_OraProtocollo, "
                              "Tab_DataRicezione, Tab_OraRicezione, Tab_Intestatario, Tab_Tipologia, Tab_Oggetto, "
                              "Tab_Annotazioni, Tab_ProtDocArrivo, Tab_DataProtDocArrivo, Tab_DestMultipli, "
                              "Tab_ProtocolloGenerale, Tab_StatoProtocollo, Tab_ChiaveRegistrazione FROM "
                              "Tab_ProtocolloEmergenza WHERE Tab_Ente=")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" and Tab_TipoProtocollo=") + ui::sqlText(k.value(kDirection))
               + QStringLiteral(" and Tab_NumeroProtocollo=") + ui::sqlText(k.value(kNumber));
    },
            {kDirection, kNumber, kDate, kTime, kReceived, kReceivedAt, kWho, kType, kSubject, kNotes, kRefNumber,
             kRefDate, kRecipients, kGeneral, kState, kSession});
    auto *heading = new QLabel(QStringLiteral("--  SESSIONE DI EMERGENZA:  ") + session().emergencySession
                                   + QStringLiteral("  --"),
                               this);
    heading->setObjectName(QStringLiteral("LblSessione"));
    arrange(heading, left, detail, {stampButton_, scanButton_, docsButton_});
    keepSearchPanelReadable(left);
    enteredMode(Mode::Browse);
    reloadList();
}

QString FrmProtocolloEme::searchQuery() const
{
    QString sql = QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
                                 "CASE WHEN Tab_StatoProtocollo = 'C' THEN '(ANNULLATO) ' || Tab_Oggetto ELSE Tab_Oggetto "
                                 "END, Tab_NumeroProtocollo, Tab_ChiaveRegistrazione FROM Tab_ProtocolloEmergenza "
                                 "WHERE Tab_Ente = ")
                  + ui::sqlText(session().op.ente) + QStringLiteral(" AND Tab_CodiceOpeReg = ") + ui::sqlText(session().op.code);
    if (const QString d = findDirection_->currentData().toString(); !d.isEmpty())
        sql += QStringLiteral(" AND Tab_TipoProtocollo = ") + ui::sqlText(d);
    if (const QDate d = findFrom_->date(); d.isValid())
        sql += QStringLiteral(" AND Tab_DataProtocollo >= ") + ui::sqlText(d.toString(Qt::ISODate));
    if (const QDate d = findTo_->date(); d.isValid())
        sql += QStringLiteral(" AND Tab_DataProtocollo <= ") + ui::sqlText(d.toString(Qt::ISODate));
    if (const QString w = findWho_->text().trimmed(); !w.isEmpty())
        sql += QStringLiteral(" AND UPPER(Tab_Intestatario) LIKE ") + ui::sqlText(QLatin1Char('%') + w.toUpper() + QLatin1Char('%'));
    return sql + QStringLiteral(" ORDER BY Tab_DataProtocollo DESC, Tab_NumeroProtocollo DESC");
}

ui::CheckList FrmProtocolloEme::checks(bool) const
{
    // Every failure at once, under one heading; nothing is written while
    // any remains.
    return {{kReceived, [](ui::Record &r) { return registrationFailures(formOf(r)).isEmpty(); }, QString(),
             [](const ui::Record &r) { return registrationFailures(formOf(r)).join(QLatin1Char('\n')); }}};
}

void FrmProtocolloEme::enteredMode(Mode mode)
{
    // The number is given when the registration is written, never typed.
    ui::setReadOnly(number_);
    incoming_->setEnabled(mode == Mode::New);
    outgoing_->setEnabled(mode == Mode::New);
    stampButton_->setEnabled(mode == Mode::Edit);
    scanButton_->setEnabled(mode == Mode::Edit && WindowRegistry::contains(QStringLiteral("FrmSCAN")));
    docsButton_->setEnabled(mode == Mode::Edit && WindowRegistry::contains(QStringLiteral("FrmVisDocu1")));
    if (mode == Mode::New) {
        const QDateTime now = QDateTime::currentDateTime();
        date_->setDate(now.date());
        received_->setDate(now.date());
        time_->setText(now.toString(QStringLiteral("hh:mm:ss")));
        incoming_->setChecked(true);
        directionChosen();
        state_->setText(QStringLiteral("A T T I V O"));
        session_->setText(sessionText(sessionKey_));
        numberShown_->setText(QStringLiteral("(assegnato alla registrazione)"));
        generalShown_->clear();
    } else if (mode == Mode::Browse) {
        state_->clear();
        numberShown_->clear();
        generalShown_->clear();
    }
}

void FrmProtocolloEme::loaded(const ui::Record &r)
{
    session_->setText(sessionText(r.value(kSession)));
    numberShown_->setText(emergencyNumberText(r.value(kSession), r.value(kNumber)));
    generalShown_->setText(shownNumber(r.value(kGeneral)));
    (r.value(kDirection) == QLatin1String("U") ? outgoing_ : incoming_)->setChecked(true);
    directionChosen();
    state_->setText(r.value(kState) == QLatin1String("C") ? QStringLiteral("C A N C E L L A T O")
                                                          : QStringLiteral("A T T I V O"));
}

void FrmProtocolloEme::directionChosen()
{
    const bool out = outgoing_->isChecked();
    whoCaption_->setText(out ? QStringLiteral("Destinatario") : QStringLiteral("Mittente"));
    if (editMode() == Mode::New)
        direction_->setText(out ? QStringLiteral("U") : QStringLiteral("E"));
}

QString FrmProtocolloEme::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;NUOVO;CERCA");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;ANNULLA");
    case Mode::Edit: return QStringLiteral("ESCI;REGISTRA;ANNULLA;NUOVO");
    }
    return {};
}

bool FrmProtocolloEme::writeRecord(const ui::Record &r, bool isNew)
{
    const auto &s = session();
    const C_GestDB::Database db = localDb();
    const QString registerYear = sessionKey_.left(4);
    C_GestDB::Transaction tx(db);
    C_GestDB::Result step = tx.begin();
    QString number = isNew ? QString() : key().value(kNumber);
    const QString direction = isNew ? r.value(kDirection) : key().value(kDirection);
    if (step.ok && isNew) {
        // Numbered inside the transaction that writes the row.
        step = C_GestDB::readRows(db, maxNumberQuery(registerYear), 1);
        if (step.ok)
            number = nextNumber(registerYear, step.rows.value(0).value(0));
    }
    if (step.ok && !isNew) {
        // Once in the general register the registration is the definitive
        // protocol's record: a change here would drift from it. Read inside
        // the transaction, so a recovery finishing meanwhile is seen.
        step = C_GestDB::readRows(db,
                                  QStringLiteral("SELECT COALESCE(Tab_ProtocolloGenerale, ''), Tab_ChiaveRegistrazione "
                                                 "FROM Tab_ProtocolloEmergenza WHERE Tab_Ente=")
                                      + ui::sqlText(s.op.ente) + QStringLiteral(" and Tab_TipoProtocollo=")
                                      + ui::sqlText(direction) + QStringLiteral(" and Tab_NumeroProtocollo=")
                                      + ui::sqlText(number),
                                  1);
        const QString general = step.ok ? step.rows.value(0).value(0).toString().trimmed() : QString();
        if (!general.isEmpty()) {
            tx.rollBack();
            showBox(kTitle, recoveredRewriteRefusal(step.rows.value(1).value(0).toString(), number, general),
                    Icon::Warning);
            return false;
        }
    }
    F::FieldList fields{{kEnte, s.op.ente},
                        {kDirection, direction},
                        {kNumber, number},
                        {QStringLiteral("Tab_DataRegistrazione"), dateValue(r.value(kDate))},
                        {kDate, dateValue(r.value(kDate))},
                        {kReceived, dateValue(r.value(kReceived))},
                        {kTime, r.value(kTime)},
                        {kReceivedAt, r.value(kReceivedAt)},
                        {QStringLiteral("Tab_SedeRicezione"), QStringLiteral("SED")},
                        {QStringLiteral("Tab_CodiceOpeReg"), s.op.code},
                        {QStringLiteral("Tab_UfficioRegistrazione"), s.op.office},
                        {kType, r.value(kType)},
                        {kWho, r.value(kWho)},
                        {kSubject, r.value(kSubject)},
                        {kNotes, r.value(kNotes)},
                        {QStringLiteral("Tab_Categoria"), QString()},
                        {QStringLiteral("Tab_Classe"), QString()},
                        {QStringLiteral("Tab_Fascicolo"), QString()},
                        {kState, QStringLiteral("A")},
                        {kRecipients, r.value(kRecipients)},
                        {kRefNumber, r.value(kRefNumber)},
                        {kRefDate, dateValue(r.value(kRefDate))},
                        {QStringLiteral("Tab_CodOper"), s.op.code},
                        {QStringLiteral("Tab_DatOper"), QDate::currentDate()}};
    if (isNew) {
        fields.append({QStringLiteral("Tab_ChiaveRegistrazione"), sessionKey_});
        fields.append({kGeneral, QString()});
    }
    F::BuildResult result;
    if (step.ok) {
        result = isNew ? F::runInsert(db, kTable, fields)
                        : F::runUpdate(db, kTable, fields,
                                       QStringLiteral("Tab_Ente=") + ui::sqlText(s.op.ente) + QStringLiteral(" and Tab_TipoProtocollo=")
                                           + ui::sqlText(direction) + QStringLiteral(" and Tab_NumeroProtocollo=")
                                           + ui::sqlText(number));
        if (result.ok() && !isNew && result.rows < 1)
            result.errText = QStringLiteral("registrazione non trovata");
        if (result.ok())
            step = tx.commit();
    }
    if (!step.ok || !result.ok()) {
        const QString why = !step.ok ? step.errText + QLatin1Char(' ') + step.detail : result.errText;
        GECentr::writeLog(why, QStringLiteral("Registra"), objectName());
        showBox(kTitle, QStringLiteral("Errore in Cancellazione Preventiva Destinatari Multipli ") + why, Icon::Critical);
        showBox(kTitle, QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"), Icon::Critical);
        return false;
    }
    showBox(kTitle, QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"), Icon::Information);
    lastWritten_ = {{kDirection, direction}, {kNumber, number}};
    return true;
}

void FrmProtocolloEme::written(bool deleted)
{
    if (deleted || lastWritten_.isEmpty())
        return;
    // The registration stays on screen, with its number, for changes.
    const ui::Record k = lastWritten_;
    lastWritten_.clear();
    openRecord(k);
}

QString FrmProtocolloEme::stamp() const
{
    const QString number = number_->text().trimmed();
    if (number.isEmpty())
        return {};
    return stampText(sessionKey_, number, date_->date());
}

void FrmProtocolloEme::printStamp()
{
    const QString text = stamp();
    if (text.isEmpty())
        return;
    const SerialResult rc = sendSerial(session().cfg.portaCom, kStampSettings, text.toLatin1() + "\r\n");
    if (!rc.ok())
        showBox(kTitle, rc.text, Icon::Warning);
}

void FrmProtocolloEme::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("CERCA"))
        reloadList();
    else
        RecordEditor::ELABORATBAR(key);
}

} // namespace nimbo::emergency
