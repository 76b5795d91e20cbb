#include "servers/ProtocolServer.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <atomic>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "servers/ClassificationRequests.h"
#include "servers/EmergencyRequests.h"
#include "servers/IterRequests.h"
#include "servers/PooledUnit.h"
#include "servers/RecipientRequests.h"
#include "servers/CancellationRequests.h"
#include "servers/DeadlineRequests.h"
#include "servers/DirectionRequests.h"
#include "servers/LateRequests.h"
#include "servers/MailRequests.h"
#include "servers/ManualRequests.h"
#include "servers/AnnualRegister.h"
#include "servers/RegisterRequests.h"
#include "servers/RegistrationDossiers.h"
#include "servers/RequestParts.h"
#include "schema/Definition.h"

namespace nimbo {

namespace F = Funzioni_Com_1;
using Schema::Column;
using Schema::Table;
using Schema::Type;

QVariantList packColumns(const ColumnValues &columns)
{
    QVariantList names, values;
    for (const auto &[name, value] : columns) {
        names.append(name);
        values.append(value);
    }
    return {QVariant(names), QVariant(values)};
}

QString protocolCondition(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("Tab_Ente='") + F::quote(ente) + QStringLiteral("' and Tab_TipoProtocollo='")
           + F::quote(direction) + QStringLiteral("' and Tab_NumeroProtocollo='") + F::quote(number)
           + QLatin1Char('\'');
}

QVariantList registrationRequest(const QString &mode, const QString &condition, const ColumnValues &columns,
                                 const QString &operatorCode, const QVector<ColumnValues> &dossiers,
                                 bool protocolOffice)
{
    QVariant dossierTable = QString();
    if (!dossiers.isEmpty()) {
        QVariantList rows;
        for (const auto &d : dossiers)
            rows.append(QVariant(packColumns(d)));
        dossierTable = rows;
    }
    return {mode,
            condition,
            QVariant(packColumns(columns)),
            operatorCode,
            QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")),
            dossierTable,
            protocolOffice ? QStringLiteral("SI") : QStringLiteral("NO")};
}

namespace {

const QString kEnte = QStringLiteral("Tab_Ente");
const QString kTipo = QStringLiteral("Tab_TipoProtocollo");
const QString kNumero = QStringLiteral("Tab_NumeroProtocollo");

// What only the cancellation writes.
const QStringList kCancellation = {QStringLiteral("Tab_DataCancellazione"), QStringLiteral("Tab_MotivoCancellazione"),
                                   QStringLiteral("Tab_NoteCancellazione"), QStringLiteral("Tab_CodiceOpeCanc"),
                                   QStringLiteral("Tab_UfficioCancellazione"), QStringLiteral("Tab_TipoProvvCancellazione"),
                                   QStringLiteral("Tab_NumeroProvvCancellazione"),
                                   QStringLiteral("Tab_DataProvvCancellazione")};
// Columns a rewrite never touches: the number, when and by whom it was
// registered, what it carried over from an emergency or provisional
// register, and its state and cancellation, which only the cancellation
// changes (a cancelled protocol must not come back to life through a
// correction of its data).
const QStringList kKeptOnRewrite = QStringList{kNumero,
                                               QStringLiteral("Tab_DataProtocollo"),
                                               QStringLiteral("Tab_OraProtocollo"),
                                               QStringLiteral("Tab_DataRegistrazione"),
                                               QStringLiteral("Tab_CodiceOpeReg"),
                                               QStringLiteral("Tab_ProtocolloTemporaneo"),
                                               QStringLiteral("Tab_RegistroTemporaneo"),
                                               QStringLiteral("Tab_StatoProtocollo")}
                                   + kCancellation;
// Data without which a protocol cannot stand (its date and time come from
// the database clock).
const QStringList kRequired = {QStringLiteral("Tab_Oggetto"), QStringLiteral("Tab_Tipologia"),
                               QStringLiteral("Tab_Intestatario"), QStringLiteral("Tab_SedeRicezione"),
                               QStringLiteral("Tab_UfficioRegistrazione")};
QVariantList refused(const QString &text) { return {kStatusRefused, text}; }

struct Key {
    QString ente, direction, number;
};

// Reads "col='value' and col='value' and col='value'" naming exactly the
// three key columns; anything else is refused, so that the condition can be
// bound instead of pasted into SQL.
bool parseCondition(const QString &text, Key *key, QString *why)
{
    QHash<QString, QString> found;
    if (parseEqualities(text, {kEnte, kTipo, kNumero}, {}, &found)) {
        key->ente = found.value(kEnte);
        key->direction = found.value(kTipo);
        key->number = found.value(kNumero);
        return true;
    }
    *why = QStringLiteral("Condizione di selezione non valida: sono ammessi solo Tab_Ente, Tab_TipoProtocollo e "
                          "Tab_NumeroProtocollo confrontati con un valore tra apici e uniti da \"and\".");
    return false;
}

// The request's rows are read the way every server reads them.
using Row = RequestRow;

bool parseRow(const QVariant &packed, const Table *table, Row *row, QString *why)
{
    return readRequestRow(packed, table, row, why);
}

// What one attempt of the write gives: the reply, or that it met another
// writer's lock and may be tried again.
using Outcome = UnitOutcome;

Outcome dbFailure(const QSqlDatabase &db, const QSqlError &e)
{
    Outcome o;
    o.lock = Dialect::isLockError(db, e.nativeErrorCode(), e.text());
    o.lost = Dialect::isConnectionLost(db, e);
    o.reply = {F::kStatusSqlFailed, QStringLiteral("Errore in registrazione protocollo: ") + e.text().trimmed()};
    return o;
}

QString insertStatement(const Row &row, QVariantList *binds)
{
    QStringList names, marks;
    for (const auto &[c, v] : row.values) {
        names << c->name;
        marks << QStringLiteral("?");
        *binds << v;
    }
    return QStringLiteral("INSERT INTO ") + row.table->name + QStringLiteral(" (") + names.join(QLatin1Char(','))
           + QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

const QString kWhereKey = QStringLiteral(" WHERE Tab_Ente = ? AND Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ?");

// One code a registration refers to: the query finds it (its first column
// is the active flag where there is one) and the texts say what is wrong.
struct Reference {
    QString sql;
    QVariantList binds;
    QString missing;
    // The value of the first column that refuses the reference (an
    // operator not active, a department or office closed), and why.
    QString refusedWhen;
    QString inactive;
};

// A new protocol is registered only under an open department and office;
// a rewrite of an older one keeps the office it was registered under even
// after that office closed.
QVector<Reference> references(const QString &ente, const QString &op, const Row &w, bool isNew)
{
    const QString refused = QStringLiteral(". Registrazione non effettuata.");
    QVector<Reference> out;
    const auto add = [&](const QString &sql, const QVariantList &binds, const QString &missing) {
        Reference r;
        r.sql = sql;
        r.binds = binds;
        r.missing = missing + refused;
        out.append(r);
    };
    add(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {ente},
        QStringLiteral("Ente sconosciuto (Tab_Ente): ") + ente);
    add(QStringLiteral("SELECT Op_Attivo FROM Tab_Operatori WHERE Op_Codice_Operatore = ?"), {op},
        QStringLiteral("Operatore sconosciuto: ") + op);
    out.last().refusedWhen = QStringLiteral("N");
    out.last().inactive = QStringLiteral("Operatore non attivo: ") + op + refused;
    const QString department = w.get(QStringLiteral("Tab_SedeRicezione")).toString().trimmed();
    if (w.has(QStringLiteral("Tab_Intestatario"))) {
        const qlonglong who = w.get(QStringLiteral("Tab_Intestatario")).toLongLong();
        add(QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ? AND "
                           "Tab_Identificativo = ?"),
            {ente, who},
            QStringLiteral("Corrispondente (Tab_Intestatario) %1 non presente nella rubrica dell'ente %2")
                .arg(who)
                .arg(ente));
    }
    if (w.has(QStringLiteral("Tab_Tipologia"))) {
        const QString type = w.get(QStringLiteral("Tab_Tipologia")).toString();
        add(QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE Tab_Codice = ?"), {type},
            QStringLiteral("Tipo documento (Tab_Tipologia) sconosciuto: ") + type);
    }
    if (w.has(QStringLiteral("Tab_SedeRicezione")))
    {
        add(QStringLiteral("SELECT COALESCE(Dipa_Chiuso, 'NO') FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ? AND "
                           "Dipa_CodDipartimento = ?"),
            {ente, department}, QStringLiteral("Dipartimento (Tab_SedeRicezione) sconosciuto: ") + department);
        if (isNew) {
            out.last().refusedWhen = QStringLiteral("SI");
            out.last().inactive = QStringLiteral("Dipartimento (Tab_SedeRicezione) %1 chiuso: non vi si registrano "
                                                 "nuovi protocolli").arg(department) + refused;
        }
    }
    if (w.has(QStringLiteral("Tab_UfficioRegistrazione"))) {
        const QString office = w.get(QStringLiteral("Tab_UfficioRegistrazione")).toString().trimmed();
        add(QStringLiteral("SELECT COALESCE(Tab_Chiuso, 'NO') FROM Tab_Uffici WHERE Tab_Ente = ? AND "
                           "Tab_Dipartimento = ? AND Tab_Ufficio = ?"),
            {ente, department, office},
            QStringLiteral("Ufficio (Tab_UfficioRegistrazione) %1 sconosciuto nel dipartimento %2").arg(office, department));
        if (isNew) {
            out.last().refusedWhen = QStringLiteral("SI");
            out.last().inactive = QStringLiteral("Ufficio (Tab_UfficioRegistrazione) %1 chiuso: non vi si registrano "
                                                 "nuovi protocolli").arg(office) + refused;
        }
    }
    return out;
}

} // namespace

ProtocolServer::ProtocolServer() = default;

ProtocolServer::ProtocolServer(const Dialect::Target &target) : target_(target) {}

ProtocolServer::~ProtocolServer() = default;

bool ProtocolServer::open(QVariantList *fail)
{
    conn_ = openServerConnection(QStringLiteral("ProtocolServer"), target_, fail);
    if (conn_)
        db_ = conn_->db;
    return conn_ != nullptr;
}

bool ProtocolServer::run(QSqlQuery *&q, const QString &sql, const QVariantList &binds)
{
    auto &prepared = conn_->prepared;
    auto it = prepared.find(sql);
    if (it == prepared.end()) {
        it = prepared.emplace(sql, QSqlQuery(db_.sql())).first;
        if (!it->second.prepare(sql)) {
            failed_ = it->second;
            prepared.erase(it);
            q = &*failed_;
            return false;
        }
    }
    q = &it->second;
    for (int i = 0; i < binds.size(); ++i)
        q->bindValue(i, binds[i]);
    return q->exec();
}

bool ProtocolServer::exists(QSqlQuery *&q, const QString &sql, const QVariantList &binds, bool *found)
{
    if (!run(q, sql, binds))
        return false;
    *found = q->next();
    q->finish();
    return true;
}

UnitOutcome transactionFailure(const C_GestDB::Result &r, bool lost)
{
    return {{F::kStatusSqlFailed, r.errText + QLatin1Char(' ') + r.detail}, false, lost};
}

QVariantList ProtocolServer::Elabora(short operation, QVariantList &params)
{
    QVariantList reply;
    switch (operation) {
    case kOpRegistraProtocollo: reply = registration(params); break;
    case kOpAggiornaGruppi: reply = groups(params); break;
    case kOpProgressivoRubrica: reply = nextIdentifier(params); break;
    case kOpGruppiRubrica: reply = addressGroup(params); break;
    case kOpCancellaGruppoRubrica: reply = deleteAddressGroup(params); break;
    case kOpPresaInCarico: reply = charge(params, false); break;
    case kOpRipresaInCarico: reply = charge(params, true); break;
    case kOpAssegnazione: reply = movement(params, true); break;
    case kOpTrasmissione: reply = movement(params, false); break;
    case kOpRegistroEmergenza: reply = emergencyRegister(params); break;
    case kOpSessioneEmergenza: reply = emergencySession(params); break;
    case kOpScriviFascicolo: reply = dossier(params); break;
    case kOpEvadiPratica: reply = closeCase(params); break;
    case kOpAltriDestinatari: reply = furtherRecipients(params); break;
    case kOpCancellaProtocollo: reply = cancellation(params); break;
    case kOpInvertiTipo: reply = directionChange(params); break;
    case kOpRecuperaProtocollo: reply = lateRegistration(params); break;
    case kOpRegistraScadenza: reply = setDeadline(params); break;
    case kOpEliminaRinvio: reply = removePostponement(params); break;
    case kOpProtocollaEmail: reply = emailRegistration(params); break;
    case kOpRegistroProtocolli: reply = annualRegisterRows(params); break;
    case kOpStampaRegistro: reply = registerRows(params); break;
    case kOpArchiviaRegistro: reply = archiveRegister(params); break;
    default:
        return {F::kStatusBadRequest, QStringLiteral("Operazione non prevista: ") + QString::number(operation)};
    }
    failed_.reset(); // holds the connection, which may close before this object goes
    return reply;
}

QVariantList ProtocolServer::registration(const QVariantList &params, const Late *late, const EmailOrigin *email)
{
    if (params.size() < 4)
        return refused(QStringLiteral("Richiesta di registrazione incompleta: sono attesi almeno 4 elementi."));
    const QString mode = params[0].toString().trimmed().toUpper();
    if (mode != QLatin1String("A") && mode != QLatin1String("R"))
        return refused(QStringLiteral("Tipo di operazione non previsto: ") + params[0].toString()
                       + QStringLiteral(" (attesi \"A\" o \"R\")."));
    const bool isNew = mode == QLatin1String("A");
    QString why;
    Key key;
    if (!parseCondition(params[1].toString(), &key, &why))
        return refused(why);
    key.direction = key.direction.trimmed().toUpper();
    if (const QString bad = TextCheck::problem(kEnte, key.ente); !bad.isEmpty())
        return refused(bad);
    if (key.ente.trimmed().isEmpty())
        return refused(QStringLiteral("Codice ente mancante nella condizione di selezione."));
    if (key.direction != QLatin1String("E") && key.direction != QLatin1String("U"))
        return refused(QStringLiteral("Tipo protocollo non valido: deve essere E (Entrata) o U (Uscita)."));
    static const QRegularExpression elevenDigits(QStringLiteral("^\\d{11}$"));
    if (!isNew && !elevenDigits.match(key.number).hasMatch())
        return refused(QStringLiteral("Numero di protocollo da modificare non valido: ") + key.number);

    const Table *protocol = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Protocollo"));
    const Table *dossierTable = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_ProFascicoli"));
    Row row;
    if (!parseRow(params[2], protocol, &row, &why))
        return refused(why);
    for (const QString &k : {kEnte, kTipo}) {
        const QString given = row.get(k).toString().trimmed();
        const QString expected = k == kEnte ? key.ente : key.direction;
        if (row.filled(k) && given.compare(expected, Qt::CaseInsensitive) != 0)
            return refused(QStringLiteral("Il valore di ") + k + QStringLiteral(" (") + given
                           + QStringLiteral(") non corrisponde alla condizione di selezione (") + expected
                           + QStringLiteral(")."));
    }
    for (const QString &k : kRequired)
        if (!row.filled(k))
            return refused(QStringLiteral("Dato obbligatorio mancante: ") + k);
    if (key.direction == QLatin1String("E") && !row.filled(QStringLiteral("Tab_DataRicezione")))
        return refused(QStringLiteral("La data di ricezione è obbligatoria per un protocollo in entrata."));
    // Who registers and who writes is the session's operator, whatever the
    // request names.
    const QString op = writerOf(params[3].toString());
    if (op.isEmpty())
        return refused(QStringLiteral("Codice operatore mancante nella richiesta."));
    if (const QString bad = TextCheck::problem(QStringLiteral("codice operatore"), op); !bad.isEmpty())
        return refused(bad);
    if (isNew) {
        for (const QString &k : kCancellation)
            if (row.filled(k))
                return refused(QStringLiteral("Una nuova registrazione non può contenere dati di annullamento (")
                               + k + QStringLiteral("): l'annullamento si fa su un protocollo già registrato."));
        if (row.filled(QStringLiteral("Tab_StatoProtocollo"))
            && row.get(QStringLiteral("Tab_StatoProtocollo")).toString().trimmed() != QLatin1String("A"))
            return refused(QStringLiteral("Una nuova registrazione nasce attiva: Tab_StatoProtocollo deve essere A."));
    }

    QVector<Row> dossiers;
    if (isNew && params.size() > 5 && params[5].typeId() == QMetaType::QVariantList) {
        for (const QVariant &d : params[5].toList()) {
            Row r;
            if (!parseRow(d, dossierTable, &r, &why))
                return refused(why);
            dossiers.append(r);
        }
    }
    // Told only after the references, as every code the request names.
    QVector<FiledDossier> filed;
    QString dossierWhy;
    readFiledDossiers(dossiers, key.ente, &filed, &dossierWhy);

    // An emergency registration is stored as the recovery names it, without
    // blanks around, so that the register's unique key tells twins apart.
    RecoveredRegistration recovery;
    if (isNew) {
        recovery = {key.ente, key.direction, row.text(QStringLiteral("Tab_RegistroTemporaneo")),
                    row.text(QStringLiteral("Tab_ProtocolloTemporaneo"))};
        if (!recovery.isEmpty()) {
            row.set(QStringLiteral("Tab_RegistroTemporaneo"), recovery.fromRegister);
            row.set(QStringLiteral("Tab_ProtocolloTemporaneo"), recovery.fromNumber);
        }
    }
    // A number of a paper register brought in twice is refused, never
    // answered with the protocol that has it (servers/ManualRequests.h).
    std::optional<PaperRegistration> paper;
    if (isNew) {
        QString paperWhy;
        paper = PaperRegistration::read(key.ente, recovery.fromRegister, recovery.fromNumber, &paperWhy);
        if (!paperWhy.isEmpty())
            return refused(paperWhy);
        if (paper)
            recovery = {};
    }

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();

    // One attempt: everything in one transaction that rolls back unless
    // committed, so a failure leaves neither row nor consumed number.
    auto attempt = [&]() -> Outcome {
        QSqlQuery *q = nullptr;
        auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
            return run(query, text, binds);
        };
        auto insertRow = [&](QSqlQuery *&query, const Row &r) {
            QVariantList binds;
            const QString text = insertStatement(r, &binds);
            return run(query, text, binds);
        };
        C_GestDB::Transaction tx(db_);
        const C_GestDB::Result begun = tx.begin();
        if (!begun.ok)
            return transactionFailure(begun, begun.lost);
        QDateTime now;
        if (clock_) {
            now = clock_();
        } else {
            if (!exec(q, Dialect::serverTimeQuery(Dialect::engineOf(sql)), {}) || !q->next())
                return dbFailure(sql, q->lastError());
            const QVariant v = q->value(0);
            q->finish();
            now = v.typeId() == QMetaType::QDateTime
                      ? v.toDateTime()
                      : QDateTime::fromString(v.toString().left(19), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        }
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}, false};
        const QString today = now.date().toString(Qt::ISODate);
        const QString time = now.time().toString(QStringLiteral("hh:mm:ss"));
        Row w = row;
        // The last writer is who asked, today: never what the client says.
        w.set(QStringLiteral("Tab_CodOper"), op);
        w.set(QStringLiteral("Tab_DatOper"), today);

        // Every code the row refers to must exist, so that a mistaken or
        // forged request cannot open a counter for an unknown body or file
        // a protocol under nobody.
        for (const Reference &ref : references(key.ente, op, w, isNew)) {
            if (!exec(q, ref.sql, ref.binds))
                return dbFailure(sql, q->lastError());
            const bool found = q->next();
            const QString value = found ? q->value(0).toString().trimmed() : QString();
            q->finish();
            if (!found || (!ref.refusedWhen.isEmpty() && value == ref.refusedWhen))
                return {refused(found ? ref.inactive : ref.missing), false};
        }
        // A provisional e-mail is held from here to the commit: a second
        // registration of it waits, then finds it registered.
        if (email) {
            const std::optional<QString> no = lockProvisional(q, key.ente, key.direction, *email);
            if (!no)
                return dbFailure(sql, q->lastError());
            if (!no->isEmpty())
                return {refused(*no), false};
        }
        // Each dossier must still take new protocols, checked before the
        // number is taken so that a refusal consumes none.
        if (!dossierWhy.isEmpty())
            return {refused(dossierWhy), false};
        const bool postgres = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
        for (const FiledDossier &d : filed) {
            const std::optional<QString> no = filedDossierRefusal(exec, q, postgres, key.ente, d);
            if (!no)
                return dbFailure(sql, q->lastError());
            if (!no->isEmpty())
                return {refused(*no), false};
        }

        if (!isNew) {
            const QVariantList keyBinds{key.ente, key.direction, key.number};
            // The database keeps the history: its trigger copies the row as
            // it was, dated by its clock and signed by the new Tab_CodOper.
            for (const QString &k : kKeptOnRewrite + QStringList{kEnte, kTipo})
                w.remove(k);
            QStringList sets;
            QVariantList binds;
            for (const auto &[c, v] : w.values) {
                sets << c->name + QStringLiteral(" = ?");
                binds << v;
            }
            if (!exec(q, QStringLiteral("UPDATE Tab_Protocollo SET ") + sets.join(QLatin1Char(',')) + kWhereKey,
                      binds + keyBinds))
                return dbFailure(sql, q->lastError());
            if (q->numRowsAffected() < 1)
                return {refused(QStringLiteral("Il protocollo ") + key.direction + QStringLiteral(" N. ") + key.number
                                + QStringLiteral(" non esiste in archivio: modifica non effettuata.")),
                        false};
            const C_GestDB::Result done = tx.commit();
            if (!done.ok)
                return transactionFailure(done);
            return {{F::kStatusOk, QString(), key.number, QVariant()}, false};
        }

        // A late registration takes the number given, never the counter's.
        if (late) {
            const std::optional<QString> no = admitLate(q, key.ente, key.direction, *late, op, now);
            if (!no)
                return dbFailure(sql, q->lastError());
            if (!no->isEmpty())
                return {refused(*no), false};
        }
        // The progressive: one per body and year for both directions. Each
        // direction's column holds its last number; the next is the greater
        // plus one. The UPDATE locks the counter row until commit.
        const int year = late ? late->date.year() : now.date().year();
        const QString mine = key.direction == QLatin1String("E") ? QStringLiteral("Tab_ProtocolloEntrata")
                                                                 : QStringLiteral("tab_protocolloUscita");
        const QString bump = QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET ") + mine
                             + QStringLiteral(" = (CASE WHEN COALESCE(Tab_ProtocolloEntrata, 0) > "
                                              "COALESCE(tab_protocolloUscita, 0) THEN COALESCE(Tab_ProtocolloEntrata, 0) "
                                              "ELSE COALESCE(tab_protocolloUscita, 0) END) + 1 "
                                              "WHERE Tab_CodiceEnte = ? AND Tab_AnnoProtocollo = ? RETURNING ")
                             + mine;
        qlonglong progressive = -1;
        for (int round = 0; !late && round < 2 && progressive < 0; ++round) {
            if (!exec(q, bump, {key.ente, year}))
                return dbFailure(sql, q->lastError());
            if (q->next()) {
                progressive = q->value(0).toLongLong();
                q->finish();
                break;
            }
            if (round > 0)
                return {{F::kStatusSqlFailed, QStringLiteral("Contatore dei protocolli non disponibile.")}, false};
            // First protocol of the year for this body: the counter row starts
            // from what the register already holds (a register moved from
            // elsewhere), and a second writer doing the same does nothing.
            qlonglong last[2] = {0, 0};
            const QString prefix = QString::number(year).rightJustified(4, QLatin1Char('0'));
            for (int d = 0; d < 2; ++d) {
                if (!exec(q, QStringLiteral("SELECT MAX(Tab_NumeroProtocollo) FROM Tab_Protocollo WHERE Tab_Ente = ? "
                                            "AND Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo >= ? "
                                            "AND Tab_NumeroProtocollo <= ?"),
                          {key.ente, d == 0 ? QStringLiteral("E") : QStringLiteral("U"),
                           prefix + QStringLiteral("0000000"), prefix + QStringLiteral("9999999")})
                    || !q->next())
                    return dbFailure(sql, q->lastError());
                last[d] = q->value(0).toString().mid(4).toLongLong();
                q->finish();
            }
            if (!exec(q, QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, "
                                        "Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES (?, ?, ?, ?) "
                                        "ON CONFLICT DO NOTHING"),
                      {key.ente, year, last[0], last[1]}))
                return dbFailure(sql, q->lastError());
        }
        // A registration carried over from an emergency register that the
        // register already holds (a recovery retried, or run by another
        // workstation at the same time) gets its number back instead of a
        // second protocol. Looked up only now, under the counter's lock: a
        // recovery that committed while this one waited for the lock is
        // seen, and rolling back gives the number taken above back.
        if (paper) {
            const std::optional<QString> no = paper->refusal(exec, q, now.date());
            if (!no)
                return dbFailure(sql, q->lastError());
            if (!no->isEmpty())
                return {refused(*no), false};
        }
        if (!recovery.isEmpty()) {
            const std::optional<QVariantList> known = recovery.lookUp(exec, q);
            if (!known)
                return dbFailure(sql, q->lastError());
            if (!known->isEmpty())
                return {*known, false};
        }
        if (progressive > 9999999)
            return {refused(QStringLiteral("Numerazione dei protocolli esaurita per l'anno ") + QString::number(year)),
                    false};
        const QString number = late ? late->number
                                    : QString::number(year).rightJustified(4, QLatin1Char('0'))
                                          + QString::number(progressive).rightJustified(7, QLatin1Char('0'));

        w.set(kEnte, key.ente);
        w.set(kTipo, key.direction);
        w.set(kNumero, number);
        w.set(QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("A"));
        w.set(QStringLiteral("Tab_CodiceOpeReg"), op);
        w.setIfEmpty(QStringLiteral("Tab_Stampato"), QStringLiteral("N"));
        if (!w.has(QStringLiteral("Tab_RegistroTemporaneo")))
            w.set(QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral(" "));
        // Date and time of the protocol are the database clock's when the
        // number is given, whatever the workstation filled in when "NUOVO"
        // was pressed: the number's year and the date go together.
        w.set(QStringLiteral("Tab_DataRegistrazione"), today);
        w.set(QStringLiteral("Tab_DataProtocollo"), late ? late->date.toString(Qt::ISODate) : today);
        w.set(QStringLiteral("Tab_OraProtocollo"), late ? kLateTime : time);
        // The protocol keeps the provisional number it came from.
        if (email) {
            w.set(QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral(" "));
            w.set(QStringLiteral("Tab_ProtocolloTemporaneo"), QString::number(email->provisional));
        }
        // The register takes a row only with the number the counter has just
        // reached and the database clock's date and time (Schema::Guards).
        // A registration that must choose them (the late registration) is
        // to admit its number in Tab_Protocollo_Ammissioni, through the
        // owner's function, in this same transaction before the INSERT.
        // A counter behind the register (a restored copy, a hand fix) would
        // hand out a number already given; the unique key would refuse the
        // row, but the operator should read why.
        if (!exec(q, QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ? AND "
                                    "Tab_NumeroProtocollo = ?"),
                  {key.ente, number}))
            return dbFailure(sql, q->lastError());
        if (q->next()) {
            const QString taken = q->value(0).toString();
            q->finish();
            return {refused(QStringLiteral("Il numero %1 risulta già assegnato al protocollo %2 dell'ente: il contatore "
                                           "dei protocolli è indietro rispetto al registro. Registrazione non "
                                           "effettuata, avvisare l'amministratore del sistema.")
                                .arg(number, taken)),
                    false};
        }
        q->finish();
        if (!insertRow(q, w)) {
            // The register's unique key on the emergency registration turned
            // away a twin that slipped past the look-up: the answer is the
            // protocol that won, as a retry gets it.
            Outcome failure = dbFailure(sql, q->lastError());
            if (!recovery.isEmpty() && !failure.lost && !failure.lock) {
                tx.rollBack();
                if (const std::optional<QVariantList> known = recovery.lookUp(exec, q); known && !known->isEmpty())
                    return {*known, false};
            }
            if (paper && !failure.lost && !failure.lock) {
                tx.rollBack();
                if (const std::optional<QString> no = paper->refusal(exec, q, now.date()); no && !no->isEmpty())
                    return {refused(*no), false};
            }
            return failure;
        }

        // The last incoming and outgoing numbers of each registering department.
        const QString department = w.get(QStringLiteral("Tab_SedeRicezione")).toString().trimmed();
        const bool in = key.direction == QLatin1String("E");
        // A late number is below what the department has reached already.
        if (!late && !exec(q, QStringLiteral("INSERT INTO TAB_STARTDIPARTIMENTI (Tab_CodiceEnte, Tab_CodDipartimento, "
                                    "Tab_AnnoProtocollo, Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES (?, ?, ?, ?, ?) "
                                    "ON CONFLICT (Tab_CodiceEnte, Tab_CodDipartimento, Tab_AnnoProtocollo) DO UPDATE SET ")
                         + mine + QStringLiteral(" = excluded.") + mine,
                  {key.ente, department, year, in ? progressive : 0, in ? 0 : progressive}))
            return dbFailure(sql, q->lastError());

        for (int i = 0; i < dossiers.size(); ++i) {
            Row d = dossiers[i];
            d.set(QStringLiteral("Tab_Titolo"), filed[i].title);
            d.set(QStringLiteral("Tab_Categoria"), filed[i].category);
            d.set(QStringLiteral("Tab_Classe"), filed[i].cls);
            d.set(kEnte, key.ente);
            d.set(kTipo, key.direction);
            d.set(kNumero, number);
            d.setIfEmpty(QStringLiteral("Tab_Provenienza"), QStringLiteral("P"));
            d.set(QStringLiteral("Tab_CodOper"), op);
            d.set(QStringLiteral("Tab_DatOper"), today);
            if (!insertRow(q, d))
                return dbFailure(sql, q->lastError());
        }
        if (email) {
            const std::optional<QString> no = settleProvisional(q, key.ente, key.direction, *email, number, op, today);
            if (!no)
                return dbFailure(sql, q->lastError());
            if (!no->isEmpty())
                return {refused(*no), false};
        }
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        if (late)
            return {{F::kStatusOk, QString(), number, late->date, kLateTime}, false};
        return {{F::kStatusOk, QString(), number, now.date(), time}, false};
    };

    return runUnit(sql, attempt);
}

QVariantList runPooledUnit(ConnectionPool::Connection *connection, const QString &what,
                           const std::function<UnitOutcome()> &attempt, const std::function<void()> &letGo)
{
    QVariantList reply;
    ConnectionPool::runUnit(
        connection, what,
        [&] {
            const UnitOutcome o = attempt();
            reply = o.reply;
            return ConnectionPool::AttemptEnd{o.lock, o.lost, o.reply.value(1).toString()};
        },
        letGo);
    return reply;
}

QVariantList ProtocolServer::runUnit(QSqlDatabase &sql, const std::function<UnitOutcome()> &attempt)
{
    return runPooledUnit(
        conn_, QStringLiteral("PROTOCOLLO"),
        [&] {
            // Opened again after a loss: the attempt takes the new handles.
            if (db_.connection != conn_->db.connection) {
                db_ = conn_->db;
                sql = db_.sql();
            }
            return attempt();
        },
        [&] {
            sql = QSqlDatabase(); // no handle may be left on the old connection
            failed_.reset();
        });
}

} // namespace nimbo
