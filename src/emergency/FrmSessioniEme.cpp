#include "emergency/FrmSessioniEme.h"
#include "emergency/Emergency.h"

#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "emergency/EmergencyRules.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "servers/EmergencyRequests.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::emergency {
namespace {

const QString kEnte = QStringLiteral("ses_Ente");
const QString kYear = QStringLiteral("ses_AnnoRegistro");
const QString kType = QStringLiteral("ses_TipoRegistro");
const QString kId = QStringLiteral("ses_IDRegistro");
const QString kRegNumber = QStringLiteral("ses_NumeroRegistro");
const QString kProgr = QStringLiteral("ses_progr");
const QString kOpened = QStringLiteral("Tab_DataApertura");
const QString kOpenedAt = QStringLiteral("Tab_OraApertura");
const QString kReason = QStringLiteral("Tab_Motivo");
const QString kNotes = QStringLiteral("Tab_Annotazioni");
const QString kClosed = QStringLiteral("Tab_DataChiusura");
const QString kClosedAt = QStringLiteral("Tab_OraChiusura");
const QString kAligned = QStringLiteral("Tab_Allineamento");
const QString kFirst = QStringLiteral("Tab_iniziale");
const QString kLast = QStringLiteral("Tab_finale");

QString ente() { return DicAmbiente::session().op.ente; }

QLineEdit *edit(QWidget *parent, const char *name, int chars, bool upper)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (chars > 0)
        ui::makeCodeField(e, chars, upper);
    return e;
}

QString reasonDescription(const QString &code)
{
    if (code.trimmed().isEmpty())
        return {};
    const auto row = F::Caricadati(kCentral, QStringLiteral("SELECT Tab_Descrizione FROM Tab_Motivo_Regtemp WHERE Tab_Codice = ")
                                                 + ui::sqlText(code.trimmed()));
    return row ? row->value(0).toString().trimmed() : QString();
}

SessionForm formOf(const ui::Record &r)
{
    SessionForm f;
    f.opened = r.value(kOpened);
    f.openedAt = r.value(kOpenedAt);
    f.reason = r.value(kReason);
    f.reasonDescription = reasonDescription(f.reason);
    f.closed = r.value(kClosed);
    f.closedAt = r.value(kClosedAt);
    f.aligned = r.value(kAligned);
    return f;
}

} // namespace

FrmSessioniEme::FrmSessioniEme(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmSessioniEme"));
    setWindowTitle(QStringLiteral("Gestione Sessioni di Emergenza"));
    setTable(QStringLiteral("Tab_SessioniEmergenza"));
    setDeletable(true);
    setChecksTogether(QStringLiteral("Gestione Sessioni di Emergenza"), kSessionHeading);
    setLoadFailure(QStringLiteral("Errore! La sessione richiesta non è presente in archivio."));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione sessione di Emergenza"));

    auto *which = new ui::FormGroup(QStringLiteral("Selezione Registro Telematico"), this);
    findYear_ = edit(which, "txtanno", 4, false);
    findCode_ = edit(which, "TxtCodice", 4, true);
    auto *go = new QPushButton(QStringLiteral("Avvia Ricerca"), which);
    go->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    which->addRow(QStringLiteral("Anno Registro:"), {findYear_});
    which->addRow(QStringLiteral("Codice Postazione:"), {findCode_});
    which->addRow(QString(), {go});
    // The registers found beside the sessions of the chosen one.
    auto *found = new QWidget(this);
    auto *foundLayout = new QGridLayout(found);
    foundLayout->setContentsMargins(0, 0, 0, 0);
    registers_ = new ui::RowList(QStringLiteral("LWAperture1"), found);
    registers_->setColumns(QStringLiteral("Id.Registro;Progr.;Descrizione"), QStringLiteral("12;6;45"));
    registers_->setFitToWidth(true);
    foundLayout->addWidget(registers_, 1, 0);
    auto *listCaption = new QLabel(QStringLiteral("Elenco sessioni del Registro:"), found);
    foundLayout->addWidget(listCaption, 0, 1);
    sessions_ = new ui::RowList(QStringLiteral("LwAperture"), found);
    sessions_->setColumns(
        QStringLiteral("Id Sessione;Data Apertura;Ora Apertura;Motivo;Note;Data Chiusura;Ora Chiusura;Allineamento"),
        QStringLiteral("10;15;10;30;30;15;10;10"));
    sessions_->setFitToWidth(true);
    foundLayout->addWidget(sessions_, 1, 1);
    // The registers' few columns keep the width they ask for; the
    // sessions' many take the rest.
    foundLayout->setColumnStretch(1, 1);
    foundLayout->setRowStretch(1, 1);
    connect(go, &QPushButton::clicked, this, [this] { registers_->load(registersQuery()); });
    for (QLineEdit *e : {findYear_, findCode_})
        connect(e, &QLineEdit::returnPressed, this, [this] { registers_->load(registersQuery()); });
    connect(registers_, &ui::RowList::chosen, this, [this](int row) {
        const QStringList parts = registers_->text(row, 0).split(QLatin1Char('/'));
        if (parts.size() == 3)
            chooseRegister(parts.at(0), parts.at(2), registers_->text(row, 1).toLongLong());
    });

    auto *detail = new QWidget(this);
    auto *detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    auto *reg = new ui::FormGroup(QStringLiteral("Registro"), detail);
    regYear_ = edit(reg, "AnnoR", 4, false);
    regType_ = edit(reg, "TipoR", 1, false);
    regId_ = edit(reg, "IDReg", 4, false);
    regNumber_ = edit(reg, "Nreg", 3, false);
    for (QLineEdit *e : {regYear_, regType_, regId_, regNumber_})
        ui::setReadOnly(e);
    reg->addRow(QStringLiteral("Anno"), {regYear_, QStringLiteral("Tipo"), regType_, QStringLiteral("Id."), regId_,
                                         QStringLiteral("Progr."), regNumber_});
    detailLayout->addWidget(reg);
    auto *ses = new ui::FormGroup(QStringLiteral("Sessione"), detail);
    number_ = edit(ses, "NumeroS", 4, false);
    ui::setReadOnly(number_);
    ses->addRow(QStringLiteral("ID. Sessione"), {number_});
    opened_ = new ui::DateField(ses);
    opened_->setObjectName(QStringLiteral("DataApertura"));
    openedAt_ = edit(ses, "OraApertura", 5, false);
    ses->addRow(QStringLiteral("Data Apertura"), {opened_, QStringLiteral("Ora Apertura"), openedAt_});
    reason_ = edit(ses, "MotivoA", 4, true);
    auto *reasonText = new ui::DescriptionLabel(ses);
    reasonText->setObjectName(QStringLiteral("LblMotivo"));
    ses->addCodeRow(QStringLiteral("Motivo Apertura"), reason_, reasonText);
    notes_ = edit(ses, "Annotazioni", 0, false);
    ses->addRow(QStringLiteral("Note aggiuntive"), {ui::Cell(notes_, 1)});
    closed_ = new ui::DateField(ses);
    closed_->setObjectName(QStringLiteral("DataChiusura"));
    closedAt_ = edit(ses, "OraChiusura", 5, false);
    ses->addRow(QStringLiteral("Data Chiusura"), {closed_, QStringLiteral("Ora Chiusura"), closedAt_});
    aligned_ = edit(ses, "Allineato", 2, true);
    ses->addRow(QStringLiteral("Allineato"), {aligned_});
    // The first and last emergency numbers are kept as they are and shown
    // in the emergency numbers' own form.
    first_ = new QLineEdit(ses);
    last_ = new QLineEdit(ses);
    firstShown_ = edit(ses, "ProtoI", 0, false);
    lastShown_ = edit(ses, "ProtoF", 0, false);
    for (QLineEdit *e : {first_, last_})
        e->hide();
    for (QLineEdit *e : {firstShown_, lastShown_})
        ui::setReadOnly(e);
    ses->addRow(QStringLiteral("Protocolli:  DA"), {ui::Cell(firstShown_, 1)});
    ses->addRow(QStringLiteral("A"), {ui::Cell(lastShown_, 1)});
    detailLayout->addWidget(ses);

    pick_ = new ui::PickList(this);
    pick_->setObjectName(QStringLiteral("ListDecod"));
    reasonLookup_ = new ui::CodeLookup(reason_, reasonText, pick_, [](const QString &typed, bool byDescription) {
        QVector<ui::Match> out;
        const QString t = typed.trimmed();
        const F::LoadedRows rows = F::loadRows(
            kCentral, QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_Motivo_Regtemp WHERE ")
                          + (byDescription ? QStringLiteral("UPPER(Tab_Descrizione) LIKE ") + ui::sqlText(t.toUpper() + QLatin1Char('%'))
                                           : QStringLiteral("Tab_Codice = ") + ui::sqlText(t))
                          + QStringLiteral(" ORDER BY Tab_Descrizione"));
        for (int r = 0; rows.ok && r < rows.rowCount(); ++r)
            out.append({rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed(), QString()});
        return out;
    }, this);

    bind(kProgr, number_, Kind::Number, true);
    bind(kOpened, opened_, Kind::Date);
    bind(kOpenedAt, openedAt_);
    bind(kReason, reason_);
    bind(kNotes, notes_);
    bind(kClosed, closed_, Kind::Date);
    bind(kClosedAt, closedAt_);
    bind(kAligned, aligned_);
    bind(kFirst, first_);
    bind(kLast, last_);
    setList(sessions_, [this] { return sessionsQuery(); }, {{kProgr, 0}});
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT ses_progr, Tab_DataApertura, Tab_OraApertura, Tab_Motivo, Tab_Annotazioni, "
                              "Tab_DataChiusura, Tab_OraChiusura, Tab_Allineamento, Tab_iniziale, Tab_finale "
                              "FROM Tab_SessioniEmergenza WHERE ses_Ente = ")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" AND ses_AnnoRegistro = ") + ui::sqlText(k.value(kYear))
               + QStringLiteral(" AND ses_TipoRegistro = 'T' AND ses_IDRegistro = ") + ui::sqlText(k.value(kId))
               + QStringLiteral(" AND ses_NumeroRegistro = ") + QString::number(k.value(kRegNumber).toLongLong())
               + QStringLiteral(" AND ses_progr = ") + QString::number(k.value(kProgr).toLongLong());
    },
            {kProgr, kOpened, kOpenedAt, kReason, kNotes, kClosed, kClosedAt, kAligned, kFirst, kLast});
    arrangeSearch(new QLabel(QStringLiteral("GESTIONE SESSIONI DI EMERGENZA"), this), which, found, detail);
    registers_->load(registersQuery());
}

QString FrmSessioniEme::registersQuery() const
{
    QString sql = QStringLiteral("SELECT Tab_AnnoRegistro || '/' || Tab_TipoRegistro || '/' || Tab_IDRegistro, "
                                 "Tab_NumeroRegistro, Tab_NoteRegistro FROM Tab_AnaRegistriEme WHERE Tab_Ente = ")
                  + ui::sqlText(ente()) + QStringLiteral(" AND Tab_TipoRegistro = 'T'");
    if (const QString y = findYear_->text().trimmed(); !y.isEmpty())
        sql += QStringLiteral(" AND Tab_AnnoRegistro = ") + ui::sqlText(y);
    if (const QString c = findCode_->text().trimmed(); !c.isEmpty())
        sql += QStringLiteral(" AND Tab_IDRegistro LIKE ") + ui::sqlText(QLatin1Char('%') + c.toUpper() + QLatin1Char('%'));
    return sql + QStringLiteral(" ORDER BY Tab_AnnoRegistro DESC, Tab_IDRegistro");
}

QString FrmSessioniEme::sessionsQuery() const
{
    if (context(kYear).isEmpty())
        return QStringLiteral("SELECT ses_progr FROM Tab_SessioniEmergenza WHERE 1 = 0");
    return QStringLiteral("SELECT ses_progr, Tab_DataApertura, Tab_OraApertura, m.Tab_Descrizione, s.Tab_Annotazioni, "
                          "Tab_DataChiusura, Tab_OraChiusura, Tab_Allineamento FROM Tab_SessioniEmergenza s "
                          "LEFT JOIN Tab_Motivo_Regtemp m ON m.Tab_Codice = s.Tab_Motivo WHERE ses_Ente = ")
           + ui::sqlText(context(kEnte)) + QStringLiteral(" AND ses_AnnoRegistro = ") + ui::sqlText(context(kYear))
           + QStringLiteral(" AND ses_TipoRegistro = 'T' AND ses_IDRegistro = ") + ui::sqlText(context(kId))
           + QStringLiteral(" AND ses_NumeroRegistro = ") + QString::number(context(kRegNumber).toLongLong())
           + QStringLiteral(" ORDER BY Tab_DataApertura DESC, Tab_OraApertura DESC");
}

void FrmSessioniEme::chooseRegister(const QString &year, const QString &id, qlonglong number)
{
    setContext(kEnte, ente());
    setContext(kYear, year.trimmed());
    setContext(kType, QStringLiteral("T"));
    setContext(kId, id.trimmed());
    setContext(kRegNumber, QString::number(number));
    regYear_->setText(year.trimmed());
    regType_->setText(QStringLiteral("T"));
    regId_->setText(id.trimmed());
    regNumber_->setText(QString::number(number));
    reloadList();
}

QString FrmSessioniEme::sessionKeyOf(const ui::Record &r) const
{
    const qlonglong progr = r.value(kProgr).toLongLong();
    return progr > 0 ? sessionKey(r.value(kYear, context(kYear)), r.value(kId, context(kId)), progr) : QString();
}

ui::CheckList FrmSessioniEme::checks(bool) const
{
    // All the failures go together in one box, under their heading.
    return {{kOpened,
             [](ui::Record &r) {
                 SessionForm f = formOf(r);
                 const bool passes = sessionFailures(&f).isEmpty();
                 r[kAligned] = f.aligned;
                 return passes;
             },
             QString(),
             [](const ui::Record &r) {
                 SessionForm f = formOf(r);
                 return sessionFailures(&f).join(QLatin1Char('\n'));
             }}};
}

QVector<ui::UsageCheck> FrmSessioniEme::usageChecks(const ui::Record &r) const
{
    const QString key = sessionKeyOf(r);
    return {{QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ") + ui::sqlText(r.value(kEnte))
                 + QStringLiteral(" AND Tab_RegistroTemporaneo LIKE ") + ui::sqlText(key + QLatin1Char('%')),
             QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate alLA sessione in esame.")},
            // Registrations still only on this workstation would lose their
            // session: they must reach the general register first.
            {QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_ProtocolloEmergenza WHERE Tab_ChiaveRegistrazione = ")
                 + ui::sqlText(key) + QStringLiteral(" AND COALESCE(Tab_ProtocolloGenerale, '') = ''"),
             QStringLiteral("Cancellazione non possibile. La sessione ha protocolli di emergenza non ancora recuperati "
                            "nel registro generale."),
             kLocal},
            // The registrations live on the register's own workstation: from
            // any other, only the central register can answer for them. It
            // can when the session is marked aligned (all its registrations
            // carried into the general register, which holds none of it)
            // and names no emergency numbers; otherwise it cannot tell.
            {QStringLiteral("SELECT ses_progr FROM Tab_SessioniEmergenza WHERE ") + condition(RecordEditor::key())
                 + QStringLiteral(" AND (COALESCE(Tab_Allineamento, 'NO') <> 'SI' OR COALESCE(Tab_iniziale, '') <> '' "
                                  "OR COALESCE(Tab_finale, '') <> '')"),
             QStringLiteral("Cancellazione non possibile. Il registro centrale non può escludere che la postazione del "
                            "registro %1 conservi protocolli di emergenza di questa sessione non ancora recuperati. "
                            "Si può cancellare solo una sessione senza protocolli, indicata come ALLINEATO 'SI'.")
                 .arg(r.value(kId, context(kId)))}};
}

void FrmSessioniEme::enteredMode(Mode mode)
{
    // The server numbers a new session.
    ui::setReadOnly(number_);
    if (mode != Mode::Edit) {
        firstShown_->clear();
        lastShown_->clear();
    }
    if (mode == Mode::New) {
        reasonLookup_->clear();
        // A new session opens now.
        const QDateTime now = QDateTime::currentDateTime();
        opened_->setDate(now.date());
        openedAt_->setText(now.toString(QStringLiteral("hh:mm")));
    }
}

void FrmSessioniEme::loaded(const ui::Record &r)
{
    const QString key = sessionKeyOf(r);
    firstShown_->setText(emergencyNumberText(key, r.value(kFirst)));
    lastShown_->setText(emergencyNumberText(key, r.value(kLast)));
    reasonLookup_->set(r.value(kReason), reasonDescription(r.value(kReason)));
}

QString FrmSessioniEme::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;APERTURA");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;ANNULLA");
    case Mode::Edit: return QStringLiteral("ESCI;REGISTRA;ANNULLA;CHIUSURA;CANCELLA");
    }
    return {};
}

bool FrmSessioniEme::writeRecord(const ui::Record &r, bool isNew)
{
    SessionRecord s;
    s.reg = {context(kEnte), context(kYear), QStringLiteral("T"), context(kId), context(kRegNumber).toLongLong()};
    s.progr = isNew ? 0 : key().value(kProgr).toLongLong();
    s.opened = typedDate(r.value(kOpened));
    s.openedAt = r.value(kOpenedAt);
    s.reason = r.value(kReason);
    s.notes = r.value(kNotes);
    s.closed = typedDate(r.value(kClosed));
    s.closedAt = r.value(kClosedAt);
    s.aligned = r.value(kAligned);
    s.first = r.value(kFirst);
    s.last = r.value(kLast);
    const CallOutcome out = callProtocolServer(
        kOpSessioneEmergenza,
        sessionRequest(isNew ? QStringLiteral("A") : QStringLiteral("R"), s, DicAmbiente::session().op.code),
        QStringLiteral("OLE - Registazioen sessioni emergenza"));
    if (!out.ok()) {
        reportFailure(out, boxTitle(), QStringLiteral("Server Ole, Errore in Registrazione Sessione "),
                      QStringLiteral("RegistraSessione"));
        return false;
    }
    lastWritten_ = {{kProgr, out.reply.value(2).toString()}};
    return true;
}

void FrmSessioniEme::written(bool deleted)
{
    if (deleted || lastWritten_.isEmpty())
        return;
    // The number the server gave is shown and the session stays loaded.
    const ui::Record k = lastWritten_;
    lastWritten_.clear();
    openRecord(k);
    sessions_->select(0, k.value(kProgr));
}

void FrmSessioniEme::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("APERTURA")) {
        if (context(kYear).isEmpty()) {
            showBox(windowTitle(), QStringLiteral("Selezionare il registro telematico della sessione."), Icon::Information);
            return;
        }
        startNew();
    } else if (key == QLatin1String("CHIUSURA")) {
        if (editMode() != Mode::Edit)
            return;
        const QDateTime now = QDateTime::currentDateTime();
        closed_->setDate(now.date());
        closedAt_->setText(now.toString(QStringLiteral("hh:mm")));
    } else {
        RecordEditor::ELABORATBAR(key);
    }
}

} // namespace nimbo::emergency
