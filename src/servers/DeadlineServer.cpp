// Operations 51 and 52 of the protocol server: a protocol's deadline set or
// postponed, and its last postponement removed (requests and replies in
// DeadlineRequests.h).

#include <QRegularExpression>
#include <QSqlError>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "schema/Definition.h"
#include "servers/DeadlineRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo
{

namespace F = Funzioni_Com_1;

namespace
{

const QString kFailure = QStringLiteral("Errore in registrazione della scadenza: ");
const QString kEnte = QStringLiteral("Tab_Ente");
const QString kNumber = QStringLiteral("Tab_Protocollo");
const QString kDeadline = QStringLiteral("Tab_DataScadenza");
const QString kReason = QStringLiteral("Tab_Note_Scadenza");
const QString kOfficial = QStringLiteral("Tab_FunzionarioAutorizzante");
const QString kReference = QStringLiteral("Tab_EstremiAutorizzazione");
const QString kOperator = QStringLiteral("Tab_Operatore");
// Sent by the window as the record writer always did; decided here.
const QStringList kDecidedHere = {QStringLiteral("Tab_flagRinvio"), QStringLiteral("Tab_DataOperazione")};

UnitOutcome refusedUnit(const QString &why) { return {refusedRequest(why)}; }

QString shownDay(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

// A date column as either engine gives it back (a QDate, or ISO text).
QDate storedDay(const QVariant &v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

bool protocolNumber(const QString &number, QString *why)
{
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (elevenDigits.match(number).hasMatch())
        return true;
    *why = QStringLiteral("Numero di protocollo (Tab_Protocollo) non valido: ") + number
           + QStringLiteral(" (attese 11 cifre).");
    return false;
}

QString shownProtocol(const QString &number) { return number.left(4) + QLatin1Char('-') + number.mid(4); }

struct SetRequest {
    QString ente, number, op, reason, official, reference;
    QDate deadline;
};

bool parseSet(const QVariantList &params, SetRequest *r, QString *why)
{
    const Schema::Table *table = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_ProScadenza"));
    RequestRow row;
    if (!readRequestRow(QVariant(params), table, &row, why))
        return false;
    const QStringList allowed =
        QStringList{kEnte, kNumber, kDeadline, kReason, kOfficial, kReference, kOperator} + kDecidedHere;
    for (const auto &[column, value] : row.values)
        if (!allowed.contains(column->name)) {
            *why = QStringLiteral("Colonna non ammessa nella registrazione di una scadenza: ") + column->name;
            return false;
        }
    row.trimTexts();
    const auto required = [&](const QString &column, const QString &what, QString *out) {
        *out = row.text(column);
        if (out->isEmpty())
            *why = QStringLiteral("Dato obbligatorio mancante: ") + what + QStringLiteral(" (") + column
                   + QLatin1Char(')');
        return !out->isEmpty();
    };
    if (!required(kEnte, QStringLiteral("ente"), &r->ente)
        || !required(kNumber, QStringLiteral("protocollo"), &r->number) || !protocolNumber(r->number, why))
        return false;
    r->deadline = storedDay(row.get(kDeadline));
    if (!r->deadline.isValid()) {
        *why = QStringLiteral("Dato obbligatorio mancante: nuova data di scadenza (Tab_DataScadenza)");
        return false;
    }
    if (!required(kReason, QStringLiteral("motivo"), &r->reason)
        || !required(kOfficial, QStringLiteral("funzionario autorizzante"), &r->official))
        return false;
    r->reference = row.text(kReference);
    r->op = writerOf(row.text(kOperator));
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: codice operatore (Tab_Operatore)");
        return false;
    }
    return true;
}

struct RemoveRequest {
    QString ente, number, op;
    qlonglong row = 0;
    QDate deadline;
};

bool parseRemove(const QVariantList &params, RemoveRequest *r, QString *why)
{
    if (params.size() != 4 && params.size() != 5) {
        *why = QStringLiteral("Richiesta di eliminazione del rinvio non valida: sono attesi 4 elementi (ente, "
                              "protocollo, codice e scadenza del rinvio) e il codice operatore.");
        return false;
    }
    if (!requestText(params[0], QStringLiteral("ente (Tab_Ente)"), true, &r->ente, why)
        || !requestText(params[1], QStringLiteral("protocollo (Tab_Protocollo)"), true, &r->number, why)
        || !protocolNumber(r->number, why))
        return false;
    QString text;
    if (!requestText(params[2], QStringLiteral("codice del rinvio (Tab_ProgrScadenze)"), true, &text, why))
        return false;
    bool ok = false;
    r->row = text.toLongLong(&ok);
    if (!ok || r->row <= 0) {
        *why = QStringLiteral("Codice del rinvio (Tab_ProgrScadenze) non valido: ") + text;
        return false;
    }
    if (!requestText(params[3], QStringLiteral("scadenza del rinvio (Tab_DataScadenza)"), true, &text, why))
        return false;
    r->deadline = F::parseDateShape(text).date();
    if (!r->deadline.isValid()) {
        *why = QStringLiteral("Scadenza del rinvio (Tab_DataScadenza) non valida: ") + text;
        return false;
    }
    if (!requestText(params.value(4), QStringLiteral("codice operatore (Tab_Operatore)"), false, &text, why))
        return false;
    r->op = writerOf(text);
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: codice operatore (Tab_Operatore)");
        return false;
    }
    return true;
}

// The latest row of a protocol's deadlines.
struct LatestRow {
    bool found = false;
    qlonglong id = 0;
    QDate deadline;
    int flag = 0;
    QString op;
};

// Who asks must be an active operator of the body; *level is his level.
std::optional<QString> requester(RequestUnit &unit, const QString &ente, const QString &op, int *level)
{
    bool found = false;
    if (!unit.exists(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {ente}, &found))
        return std::nullopt;
    if (!found)
        return QStringLiteral("Ente sconosciuto (Tab_Ente): ") + ente;
    QSqlQuery *&q = unit.q;
    if (!unit.run(
            QStringLiteral("SELECT Op_Livello FROM Tab_Operatori WHERE Op_Codice_Operatore = ? AND Op_Ente = ? AND "
                           "(Op_Attivo IS NULL OR Op_Attivo <> 'N')"),
            {op, ente}))
        return std::nullopt;
    found = q->next();
    *level = found ? q->value(0).toString().trimmed().toInt() : 0;
    q->finish();
    if (!found)
        return QStringLiteral("Operatore (Tab_Operatore) sconosciuto o non attivo per l'ente: ") + op;
    return QString();
}

// The protocol's row, locked until the commit, found by body and number
// (the deadlines carry no direction); empty direction when it is not in
// the register. What follows on its deadlines waits for the lock.
bool lockProtocolNumber(RequestUnit &unit, bool pg, const QString &ente, const QString &number, QString *direction,
                        QString *state)
{
    QSqlQuery *&q = unit.q;
    if (!unit.run(
            QStringLiteral("SELECT Tab_TipoProtocollo, Tab_StatoProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ? "
                           "AND Tab_NumeroProtocollo = ? ORDER BY Tab_TipoProtocollo")
                + (pg ? QStringLiteral(" FOR NO KEY UPDATE") : QString()),
            {ente, number}))
        return false;
    direction->clear();
    if (q->next()) {
        *direction = q->value(0).toString().trimmed();
        *state = q->value(1).toString().trimmed();
    }
    q->finish();
    return true;
}

// The latest row of the protocol's deadlines, whose date is the one in force.
bool latestDeadline(RequestUnit &unit, const QString &ente, const QString &number, LatestRow *latest)
{
    QSqlQuery *&q = unit.q;
    if (!unit.run(
            QStringLiteral("SELECT Tab_ProgrScadenze, Tab_DataScadenza, Tab_flagRinvio, Tab_Operatore FROM "
                           "Tab_ProScadenza WHERE Tab_Ente = ? AND Tab_Protocollo = ? ORDER BY Tab_ProgrScadenze DESC "
                           "LIMIT 1"),
            {ente, number}))
        return false;
    latest->found = q->next();
    if (latest->found) {
        latest->id = q->value(0).toLongLong();
        latest->deadline = storedDay(q->value(1));
        latest->flag = q->value(2).toInt();
        latest->op = q->value(3).toString().trimmed();
    }
    q->finish();
    return true;
}

// The unit opened on the protocol: who asks checked (*level his level),
// then the protocol's row locked; nothing when the unit may go on, the
// outcome to give back otherwise.
std::optional<UnitOutcome> openOnProtocol(RequestUnit &unit, bool pg, const QString &ente, const QString &number,
                                          const QString &op, int *level, QString *direction)
{
    if (auto stop = unit.open([&](QSqlQuery *&) { return requester(unit, ente, op, level); }))
        return stop;
    QString state;
    if (!lockProtocolNumber(unit, pg, ente, number, direction, &state))
        return unit.failed();
    if (direction->isEmpty())
        return refusedUnit(QStringLiteral("Il protocollo (Tab_Protocollo) N. ") + shownProtocol(number)
                           + QStringLiteral(" non esiste in archivio."));
    if (state == QLatin1String("C"))
        return refusedUnit(QStringLiteral("Il protocollo (Tab_Protocollo) N. ") + shownProtocol(number)
                           + QStringLiteral(" è annullato: le sue scadenze non si modificano."));
    return std::nullopt;
}

} // namespace

QVariantList ProtocolServer::setDeadline(const QVariantList &params)
{
    SetRequest r;
    QString why;
    if (!parseSet(params, &r, &why))
        return refusedRequest(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        int level = 0;
        QString direction;
        if (auto stop = openOnProtocol(unit, pg, r.ente, r.number, r.op, &level, &direction))
            return *stop;
        QSqlQuery *&q = unit.q;
        const QVariantList key{r.ente, direction, r.number};
        bool found = false;
        if (!unit.exists(QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento WHERE Tab_Ente = ? AND "
                                        "Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ? AND Tab_TipoMovimento = 5 "
                                        "LIMIT 1"),
                         key, &found))
            return unit.failed();
        if (found)
            return refusedUnit(QStringLiteral("Pratica Evasa: il documento di protocollo (Tab_Protocollo) N. ")
                               + shownProtocol(r.number) + QStringLiteral(" è già stato evaso e non ha più scadenze."));
        // Read under the lock: a postponement committed meanwhile is the
        // one the new date is measured against.
        LatestRow latest;
        if (!latestDeadline(unit, r.ente, r.number, &latest))
            return unit.failed();
        QDate inForce = latest.deadline;
        if (!inForce.isValid()) {
            if (!unit.run(
                    QStringLiteral("SELECT Tab_DataEvasione FROM Tab_Iter_Documento WHERE Tab_Ente = ? AND "
                                   "Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ? AND Tab_TipoMovimento = 4 "
                                   "ORDER BY Tab_DataSerialeMov DESC LIMIT 1"),
                    key))
                return unit.failed();
            if (q->next())
                inForce = storedDay(q->value(0));
            q->finish();
        }
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        if (r.deadline <= now.date())
            return refusedUnit(postpone::kNotLaterThanToday + QStringLiteral(" (Tab_DataScadenza: oggi è il ")
                               + shownDay(now.date()) + QStringLiteral(")."));
        if (inForce.isValid() && r.deadline <= inForce)
            return refusedUnit(postpone::kNotLaterThanCurrent
                               + QStringLiteral(" (Tab_DataScadenza: scadenza in vigore ") + shownDay(inForce)
                               + QStringLiteral(")."));
        const int flag = latest.found || inForce.isValid() ? 1 : 0;
        const auto orNull = [](const QString &s) {
            return s.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(s);
        };
        if (!unit.run(
                QStringLiteral("INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_DataScadenza, "
                               "Tab_FunzionarioAutorizzante, Tab_EstremiAutorizzazione, Tab_Note_Scadenza, "
                               "Tab_flagRinvio, Tab_DataOperazione, Tab_Operatore) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                               "RETURNING Tab_ProgrScadenze"),
                {r.ente, r.number, r.deadline.toString(Qt::ISODate), r.official, orNull(r.reference), r.reason, flag,
                 now.date().toString(Qt::ISODate), r.op})
            || !q->next())
            return unit.failed();
        const qlonglong id = q->value(0).toLongLong();
        q->finish();
        return unit.commit({F::kStatusOk, QString(), id, flag});
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::removePostponement(const QVariantList &params)
{
    RemoveRequest r;
    QString why;
    if (!parseRemove(params, &r, &why))
        return refusedRequest(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        int level = 0;
        QString direction;
        if (auto stop = openOnProtocol(unit, pg, r.ente, r.number, r.op, &level, &direction))
            return *stop;
        QSqlQuery *&q = unit.q;
        LatestRow latest;
        if (!latestDeadline(unit, r.ente, r.number, &latest))
            return unit.failed();
        if (!latest.found || latest.flag != 1)
            return refusedUnit(postpone::kNothingToRemove + QStringLiteral(" (Tab_flagRinvio)."));
        if (latest.id != r.row || latest.deadline != r.deadline)
            return refusedUnit(
                QStringLiteral("Il rinvio %1 (Tab_ProgrScadenze) con scadenza %2 non è più l'ultimo della pratica: "
                               "rileggere lo storico delle scadenze.")
                    .arg(r.row)
                    .arg(shownDay(r.deadline)));
        if (latest.op != r.op && level != postpone::kManagerLevel)
            return refusedUnit(postpone::kNotYours + QStringLiteral(" (Tab_Operatore: ") + latest.op
                               + QStringLiteral(")."));
        if (!unit.run(QStringLiteral("DELETE FROM Tab_ProScadenza WHERE Tab_ProgrScadenze = ?"), {r.row}))
            return unit.failed();
        if (q->numRowsAffected() != 1)
            return {{F::kStatusSqlFailed, kFailure + QStringLiteral("nessuna riga eliminata.")}};
        return unit.commit({F::kStatusOk, QString()});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
