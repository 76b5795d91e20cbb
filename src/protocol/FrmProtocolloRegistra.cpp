// The registration window at work: the toolbar's modes, the lookups and
// recalls, the registration through the protocol server and the paper
// outputs.

#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"

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

QVector<ui::Match> registrationMatches(CodeField kind, const QString &typed, const LookupScope &scope,
                                       bool byDescription, LookupList list)
{
    QVector<ui::Match> out;
    const auto rows = lookupRows(kind, lookupQuery(kind, typed, scope, byDescription, list), byDescription);
    for (const LookupRow &r : rows) {
        // The list shows identifiers padded; the field holds the number.
        const QString code = kind == CodeField::Correspondent ? QString::number(r.code.toLongLong()) : r.code;
        out.append({code, r.description, r.listText()});
    }
    return out;
}

QVector<ui::Match> FrmProtocollo::matches(CodeField kind, const QString &typed, bool byDescription, LookupList list) const
{
    const LookupScope scope{context().ente, field("CodSedeRic")->text(), field("CodUfficio")->text(), isNew_};
    return registrationMatches(kind, typed, scope, byDescription, list);
}

bool FrmProtocollo::mayDiscard()
{
    if (!dirty()->confirmDiscard(kCaption))
        return false;
    dirty()->setClean();
    return true;
}

QVector<ui::Match> FrmProtocollo::recurringSubjects(const QString &typed) const
{
    const Context ctx = context();
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                        recurringSubjectsQuery(ctx.ente, ctx.department, form().direction, typed));
    QVector<ui::Match> rows;
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        rows.append({QString(), r.value(0, i).toString(), QString()});
    return rows;
}

void FrmProtocollo::takeRecurringSubject(const ui::Match &m)
{
    field("Oggetto")->setText(m.description);
    dirty()->setDirty();
}

void FrmProtocollo::searchRecurringSubjects()
{
    listDecod_->open(field("Oggetto"), recurringSubjects(form().oggetto),
                     [this](const ui::Match &m) { takeRecurringSubject(m); });
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

std::optional<Failure> FrmProtocollo::checkNew(ProtocolForm *, const Context &) { return std::nullopt; }

short FrmProtocollo::newRequest(const ProtocolForm &f, const Context &ctx, QVariantList *request) const
{
    *request = buildRequest(f, ctx, ownColumns(f, ctx));
    return kOpRegistraProtocollo;
}

void FrmProtocollo::registerProtocol()
{
    if (!isNew_ && !modifiable_)
        return;
    ProtocolForm f = form();
    Context ctx = context();
    if (const auto own = checksBefore(f, ctx)) {
        if (!own->message.isEmpty()) // otherwise a failed read, already told
            showBox(kCaption, own->message, Icon::Warning, Buttons::Ok);
        focusField(own->field);
        return;
    }
    std::optional<Failure> failure = isNew_ ? checkNew(&f, ctx) : std::nullopt;
    if (!failure)
        failure = validate(&f, ctx);
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
        const QString similar = subjectWarning(f, ctx);
        if (!similar.isEmpty() && showBox(kCaption, similar, Icon::Question, Buttons::YesNo) != Answer::Yes) {
            focusField(QStringLiteral("Oggetto"));
            return;
        }
    }

    QVariantList request;
    short operation = kOpRegistraProtocollo;
    if (isNew_)
        operation = newRequest(f, ctx, &request);
    else
        request = buildRequest(f, ctx, ownColumns(f, ctx));
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
            reply = holder.object->Elabora(operation, request);
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
        if (!r.date.isEmpty()) {
            field("DataProtocollo")->setText(r.date);
            field("DataRegistrazione")->setText(r.date);
        }
        // The time the number was given, which the clerk copies onto the
        // paper: never the time "NUOVO" was pressed.
        if (!r.time.isEmpty())
            field("OraProtocollo")->setText(r.time);
        lastNumber_ = r.number;
        applyState(QStringLiteral("A"));
        if (f.saveSubject)
            allDone = saveRecurringSubject();
        if (!precedentNumber_.isEmpty())
            allDone = linkPrecedent(f.direction, r.number) && allDone;
        rememberForRecall();
        isNew_ = false;
        modifiable_ = true;
        updateClassifyButtons();
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

std::optional<Failure> FrmProtocollo::checksBefore(const ProtocolForm &, const Context &) const { return std::nullopt; }

QString FrmProtocollo::subjectWarning(const ProtocolForm &f, const Context &ctx) const
{
    return similarSubjectWarning(f, ctx);
}

ColumnValues FrmProtocollo::ownColumns(const ProtocolForm &, const Context &) const { return {}; }

// ---- paper outputs ------------------------------------------------------------------

void FrmProtocollo::printLabel()
{
    const ProtocolForm f = form();
    ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                    f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
    p.cancelled = f.state == QLatin1String("C");
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
    p.cancelled = f.state == QLatin1String("C");
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


} // namespace nimbo::protocol
