// Operations 16, 50, 21 and 11 of the protocol server: the iter of a
// document (requests and replies in IterRequests.h).
//
// Every operation locks the protocol's row before it reads or writes its
// movements, so that two requests on one protocol (two operators taking in
// charge, an assignment re-sent while a recipient takes it) follow one
// another: the second sees what the first committed, finds a free movement
// key and cannot remove a delivery the first already took. SQLite has one
// writer at a time already.

#include <QSet>
#include <QSqlError>
#include <algorithm>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "data/TextCheck.h"
#include "servers/IterParse.h"
#include "servers/IterRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

using namespace iterrequest;

QVariantList refusal(const QString &text) { return {kStatusRefused, text}; }

UnitOutcome refusedUnit(const QString &text) { return {refusal(text)}; }

const QString kIterFailure = QStringLiteral("Errore in scrittura dell'iter del documento: ");

UnitOutcome failure(const QSqlDatabase &db, const QSqlError &e) { return statementFailure(db, e, kIterFailure); }

const QString kWhereProtocol =
    QStringLiteral(" WHERE Tab_Ente = ? AND Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ?");

// The office's in-charge movements on the protocol become "N". The
// protocol's few movements are read by their key and changed one by one:
// a condition on office and flag could lead the planner to the in-charge
// lists' indexes, which hold everything an office has in charge.
template <class Exec>
bool releaseCharge(Exec &exec, QSqlQuery *&q, const QVariantList &key, const QString &office, const QString &op,
                   const QString &today)
{
    if (!exec(q, QStringLiteral("SELECT Tab_DataSerialeMov, Tab_Ufficio, Tab_InCarico FROM Tab_Iter_Documento")
                     + kWhereProtocol,
              key))
        return false;
    QStringList held;
    while (q->next())
        if (q->value(1).toString().trimmed() == office && q->value(2).toString().trimmed() == QLatin1String("S"))
            held << q->value(0).toString();
    q->finish();
    for (const QString &movement : held)
        if (!exec(q,
                  QStringLiteral("UPDATE Tab_Iter_Documento SET Tab_InCarico = 'N', Tab_CodOper = ?, Tab_DatOper = ?")
                      + kWhereProtocol + QStringLiteral(" AND Tab_DataSerialeMov = ?"),
                  QVariantList{op, today} + key + QVariantList{movement}))
            return false;
    return true;
}

// The operator as the in-tray and the sent documents see him, read inside
// the unit: level and privacy right from the register, the extra
// department/office pairs he may work as, and the pair he asks as, which
// must be his own or one of those.
template <class Exec>
std::optional<QString> requester(Exec &exec, QSqlQuery *&q, const ChargeRequest &r, protocol::Viewer *v)
{
    if (!exec(q,
              QStringLiteral("SELECT Op_Livello, Op_AbilPrivacy, Op_Dipartimento, Op_CodiceUfficio FROM Tab_Operatori "
                             "WHERE Op_Codice_Operatore = ? AND Op_Ente = ?"),
              {r.op, r.ente}))
        return std::nullopt;
    if (!q->next()) {
        q->finish();
        return QStringLiteral("Operatore sconosciuto per l'ente: ") + r.op;
    }
    v->ente = r.ente;
    v->operatorCode = r.op;
    v->level = q->value(0).toString().trimmed().toInt();
    v->privacy = q->value(1).toString().trimmed() == QLatin1String("S");
    const protocol::Viewer::Pair own{q->value(2).toString().trimmed(), q->value(3).toString().trimmed()};
    q->finish();
    if (!exec(q, QStringLiteral("SELECT Op_DIP, Op_Uff FROM Tab_Operatori_DIP WHERE Op_Codice = ? AND Op_Ente = ?"),
              {r.op, r.ente}))
        return std::nullopt;
    bool mine = own.department == r.department && own.office == r.office;
    while (q->next()) {
        const protocol::Viewer::Pair extra{q->value(0).toString().trimmed(), q->value(1).toString().trimmed()};
        v->extra.append(extra);
        mine = mine || (extra.department == r.department && extra.office == r.office);
    }
    q->finish();
    if (!mine)
        return QStringLiteral("L'operatore %1 non opera nell'ufficio %2 del dipartimento %3.")
            .arg(r.op, r.office, r.department);
    v->department = r.department;
    v->office = r.office;
    return QString();
}

// A pending delivery of the protocol as the operator may act on it: the
// office that takes the document in charge (16: the receiving office; 50:
// the office that sent it) and whether the delivery is his, by the rule
// of the list it was chosen from. Nothing found: the delivery is gone.
struct Delivery {
    bool found = false;
    bool concerns = false;
    QString office;
};

template <class Exec>
bool deliveryOf(Exec &exec, QSqlQuery *&q, const protocol::Viewer &v, const ChargeRow &row, bool back, Delivery *d)
{
    QString sql;
    QVariantList binds = row.protocol.binds();
    if (back) {
        protocol::scope::MovementColumns cols;
        cols.officeDepartment = QStringLiteral("us.Tab_Dipartimento");
        sql = QStringLiteral("SELECT d.Tab_Ufficio, CASE WHEN ") + protocol::scope::sent(v, cols)
              + QStringLiteral(" THEN 1 ELSE 0 END FROM Tab_Iter_Trasmissioni t JOIN Tab_Iter_Documento d ON "
                               "d.Tab_Ente = t.Tab_Ente AND d.Tab_TipoProtocollo = t.Tab_TipoProtocollo AND "
                               "d.Tab_NumeroProtocollo = t.Tab_NumeroProtocollo AND d.Tab_DataSerialeMov = "
                               "t.Tab_DataSerialeMov LEFT JOIN Tab_Uffici us ON us.Tab_Ente = d.Tab_Ente AND "
                               "us.Tab_Ufficio = d.Tab_Ufficio WHERE t.Tab_Ente = ? AND t.Tab_TipoProtocollo = ? AND "
                               "t.Tab_NumeroProtocollo = ? AND t.Tab_DataSerialeMov = ? AND t.Tab_progressivo = ?");
        binds << row.movement << row.delivery;
    } else {
        sql = QStringLiteral("SELECT t.Tab_UfficioDestinatario, CASE WHEN ") + protocol::scope::inTray(v)
              + QStringLiteral(" THEN 1 ELSE 0 END FROM Tab_Iter_Trasmissioni t LEFT JOIN Tab_Uffici ur ON "
                               "ur.Tab_Ente = t.Tab_Ente AND ur.Tab_Ufficio = t.Tab_UfficioDestinatario LEFT JOIN "
                               "Tab_UfficiComponenti c ON c.Tab_Ente = t.Tab_Ente AND c.Tab_Ufficio = "
                               "t.Tab_UfficioDestinatario AND c.Tab_Progressivo = t.Tab_Componente WHERE t.Tab_Ente = ? "
                               "AND t.Tab_TipoProtocollo = ? AND t.Tab_NumeroProtocollo = ? AND t.Tab_progressivo = ?");
        binds << row.delivery;
    }
    if (!exec(q, sql, binds))
        return false;
    d->found = q->next();
    if (d->found) {
        d->office = q->value(0).toString().trimmed();
        d->concerns = q->value(1).toInt() == 1;
    }
    q->finish();
    return true;
}

} // namespace

bool ProtocolServer::databaseNow(QSqlQuery *&q, QDateTime *now)
{
    if (clock_) {
        *now = clock_();
        return true;
    }
    if (!run(q, Dialect::serverTimeQuery(Dialect::engineOf(db_.sql())), {}) || !q->next())
        return false;
    const QVariant v = q->value(0);
    q->finish();
    *now = v.typeId() == QMetaType::QDateTime
               ? v.toDateTime()
               : QDateTime::fromString(v.toString().left(19), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return true;
}

// The protocol's row, locked until the commit; *found false when it is not
// in the register.
bool ProtocolServer::lockProtocol(QSqlQuery *&q, const QVariantList &key, bool *found, QDate *date, QString *state)
{
    const bool pg = Dialect::engineOf(db_.sql()) == Dialect::Engine::PostgreSQL;
    if (!run(q,
             QStringLiteral("SELECT Tab_DataProtocollo, Tab_StatoProtocollo FROM Tab_Protocollo") + kWhereProtocol
                 + (pg ? QStringLiteral(" FOR NO KEY UPDATE") : QString()),
             key))
        return false;
    *found = q->next();
    if (*found) {
        const QVariant d = q->value(0);
        *date = d.typeId() == QMetaType::QDate ? d.toDate() : QDate::fromString(d.toString().left(10), Qt::ISODate);
        *state = q->value(1).toString().trimmed();
    }
    q->finish();
    return true;
}

// The first key from now on ("yyyymmddhhnnss") that the protocol has no
// movement under: the clock's second, or the next free one.
bool ProtocolServer::freeMovementKey(QSqlQuery *&q, const QVariantList &key, const QDateTime &now, QString *out)
{
    const QString format = QStringLiteral("yyyyMMddhhmmss");
    QDateTime candidate = now;
    *out = candidate.toString(format);
    if (!run(q,
             QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento") + kWhereProtocol
                 + QStringLiteral(" AND Tab_DataSerialeMov >= ? ORDER BY Tab_DataSerialeMov"),
             key + QVariantList{*out}))
        return false;
    while (q->next()) {
        const QString taken = q->value(0).toString().trimmed();
        if (taken > *out)
            break;
        if (taken == *out) {
            candidate = candidate.addSecs(1);
            *out = candidate.toString(format);
        }
    }
    q->finish();
    return true;
}

// Body, active operator of the body, and the operator's office in the
// operator's department: who asks must exist before anything is written.
std::optional<QString> ProtocolServer::checkOperator(QSqlQuery *&q, const QString &ente, const QString &op,
                                                     const QString &department, const QString &office)
{
    bool found = false;
    if (!exists(q, QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {ente}, &found))
        return std::nullopt;
    if (!found)
        return QStringLiteral("Ente sconosciuto (Tab_Ente): ") + ente;
    if (!run(q, QStringLiteral("SELECT Op_Attivo FROM Tab_Operatori WHERE Op_Codice_Operatore = ? AND Op_Ente = ?"),
             {op, ente}))
        return std::nullopt;
    found = q->next();
    const bool active = found && q->value(0).toString().trimmed() != QLatin1String("N");
    q->finish();
    if (!active)
        return (found ? QStringLiteral("Operatore non attivo: ") : QStringLiteral("Operatore sconosciuto per l'ente: "))
               + op;
    if (!exists(q,
                QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ? AND Tab_Dipartimento = ? AND "
                               "Tab_Ufficio = ?"),
                {ente, department, office}, &found))
        return std::nullopt;
    if (!found)
        return QStringLiteral("Ufficio dell'operatore %1 sconosciuto nel dipartimento %2").arg(office, department);
    return QString();
}

QVariantList ProtocolServer::charge(const QVariantList &params, bool back)
{
    ChargeRequest r;
    QString why;
    if (!parseCharge(params, back, &r, &why))
        return refusal(why);
    // Protocols are locked in one order whatever the order of the rows, so
    // two requests over the same protocols cannot wait on each other.
    QVector<ChargeRow> rows = r.rows;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ChargeRow &a, const ChargeRow &b) { return a.protocol < b.protocol; });

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();

    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kIterFailure);
        protocol::Viewer viewer;
        if (auto stop = unit.open([&](QSqlQuery *&query) -> std::optional<QString> {
                const std::optional<QString> refused = checkOperator(query, r.ente, r.op, r.department, r.office);
                if (!refused || !refused->isEmpty())
                    return refused;
                return requester(exec, query, r, &viewer);
            }))
            return *stop;
        QSqlQuery *&q = unit.q;
        C_GestDB::Transaction &tx = unit.transaction();
        QDateTime now;
        if (!databaseNow(q, &now))
            return failure(sql, q->lastError());
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        const QString today = now.date().toString(Qt::ISODate);

        QVariantList keys;
        for (int i = 0; i < rows.size(); ++i)
            keys.append(QString());
        for (const ChargeRow &row : rows) {
            const QVariantList key = row.protocol.binds();
            bool found = false;
            QDate date;
            QString state;
            if (!lockProtocol(q, key, &found, &date, &state))
                return failure(sql, q->lastError());
            if (!found)
                return refusedUnit(QStringLiteral("Il protocollo N. ") + shown(row.protocol)
                                   + QStringLiteral(" non esiste in archivio."));
            // The delivery is looked at under the protocol's lock, which
            // every writer of its deliveries takes first: what is read here
            // is what is removed below. Only a request that still finds it
            // writes anything, and the second of two operators is told.
            Delivery d;
            if (!deliveryOf(exec, q, viewer, row, back, &d))
                return failure(sql, q->lastError());
            if (!d.found)
                return refusedUnit(
                    QStringLiteral("Il documento di protocollo N. ") + shown(row.protocol)
                    + (back ? QStringLiteral(" è già stato preso in carico dal destinatario: impossibile riprenderlo.")
                            : QStringLiteral(" è già stato preso in carico.")));
            if (!d.concerns)
                return refusedUnit(
                    QStringLiteral("La trasmissione %1 del documento di protocollo N. %2 ").arg(row.delivery).arg(shown(row.protocol))
                    + (back ? QStringLiteral("è stata inviata dall'ufficio %1: l'operatore %2 non può riprenderla in carico.")
                            : QStringLiteral("è destinata all'ufficio %1: l'operatore %2 non può prenderla in carico."))
                          .arg(d.office, r.op));
            if (!run(q, QStringLiteral("DELETE FROM Tab_Iter_Trasmissioni WHERE Tab_progressivo = ?"), {row.delivery}))
                return failure(sql, q->lastError());
            if (q->numRowsAffected() != 1)
                return refusedUnit(QStringLiteral("Il documento di protocollo N. ") + shown(row.protocol)
                                   + QStringLiteral(" è già stato preso in carico."));
            // The charge goes to the office the delivery was for (taken
            // back: the office that sent it), whoever of its department or
            // of its members takes it.
            QString movement;
            if (!freeMovementKey(q, key, now, &movement))
                return failure(sql, q->lastError());
            if (!releaseCharge(exec, q, key, d.office, r.op, today))
                return failure(sql, q->lastError());
            if (!run(q,
                     QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                    "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, "
                                    "Tab_Annotazioni, Tab_InCarico, Tab_CodOper, Tab_DatOper) VALUES (?, ?, ?, ?, ?, ?, "
                                    "?, ?, 'S', ?, ?)"),
                     key + QVariantList{movement, kMovPresaInCarico, d.office, r.op, row.notes, r.op, today}))
                return failure(sql, q->lastError());
            keys[row.index] = movement;
        }
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString(), QVariant(keys)}};
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::movement(const QVariantList &params, bool assignment)
{
    MoveRequest r;
    QString why;
    if (!parseMove(params, assignment, &r, &why))
        return refusal(why);
    r.op = writerOf(r.op);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const Protocol &p = r.protocol;
    const QVariantList key = p.binds();

    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kIterFailure);
        if (auto stop = unit.open([&](QSqlQuery *&query) {
                return checkOperator(query, p.ente, r.op, r.department, r.office);
            }))
            return *stop;
        QSqlQuery *&q = unit.q;
        C_GestDB::Transaction &tx = unit.transaction();
        bool found = false;
        QDate date;
        QString state;
        if (!lockProtocol(q, key, &found, &date, &state))
            return failure(sql, q->lastError());
        if (!found)
            return refusedUnit(QStringLiteral("Il protocollo N. ") + shown(p) + QStringLiteral(" non esiste in archivio."));
        if (state == QLatin1String("C"))
            return refusedUnit(QStringLiteral("Il protocollo N. ") + shown(p)
                               + QStringLiteral(" è annullato: non può essere assegnato né trasmesso."));
        if (assignment) {
            if (!exists(q,
                        QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento") + kWhereProtocol
                            + QStringLiteral(" AND Tab_TipoMovimento = 5 LIMIT 1"),
                        key, &found))
                return failure(sql, q->lastError());
            if (found)
                return refusedUnit(QStringLiteral("Pratica Evasa: il documento di protocollo N. ") + shown(p)
                                   + QStringLiteral(" è già stato evaso e non può essere assegnato."));
            if (r.deadline.isValid() && r.deadline < date)
                return refusedUnit(QStringLiteral("La data di completamento del procedimento non può essere minore "
                                                  "della data di protocollazioen del documento."));
        }
        for (int i = 0; i < r.recipients.size(); ++i) {
            const Recipient &d = r.recipients[i];
            if (!exists(q, QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ? AND Tab_Ufficio = ?"),
                        {p.ente, d.office}, &found))
                return failure(sql, q->lastError());
            if (!found)
                return refusedUnit(QStringLiteral("Ufficio destinatario sconosciuto (riga %1 dei destinatari): %2")
                                       .arg(i + 1)
                                       .arg(d.office));
            if (d.member == 0)
                continue;
            if (!exists(q,
                        QStringLiteral("SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente = ? AND "
                                       "Tab_Ufficio = ? AND Tab_Progressivo = ?"),
                        {p.ente, d.office, d.member}, &found))
                return failure(sql, q->lastError());
            if (!found)
                return refusedUnit(QStringLiteral("Componente %1 sconosciuto nell'ufficio %2 (riga %3 dei destinatari)")
                                       .arg(d.member)
                                       .arg(d.office)
                                       .arg(i + 1));
        }
        QDateTime now;
        if (!databaseNow(q, &now))
            return failure(sql, q->lastError());
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        const QString today = now.date().toString(Qt::ISODate);
        const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QVariant deadline = r.deadline.isValid() ? QVariant(r.deadline.toString(Qt::ISODate))
                                                       : QVariant(QMetaType(QMetaType::QString));

        QString movement = r.movement;
        auto addRecipient = [&](const Recipient &d) {
            return run(q,
                       QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                      "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                      "Tab_Componente, Tab_TipoAssegnazione, Tab_DataEffettivaAssegnazione) VALUES "
                                      "(?, ?, ?, ?, ?, ?, ?, ?)"),
                       key + QVariantList{movement, d.office, d.member, d.type, stamp})
                   && run(q,
                          QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                         "Tab_Componente) VALUES (?, ?, ?, ?, ?, ?)"),
                          key + QVariantList{movement, d.office, d.member});
        };

        if (!movement.isEmpty()) {
            // A re-send of a loaded assignment: the movement keeps its key.
            if (!exists(q,
                        QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento") + kWhereProtocol
                            + QStringLiteral(" AND Tab_DataSerialeMov = ? AND Tab_TipoMovimento = 4"),
                        key + QVariantList{movement}, &found))
                return failure(sql, q->lastError());
            if (!found)
                return refusedUnit(QStringLiteral("L'assegnazione %1 del protocollo N. %2 non esiste più: ricaricare "
                                                  "l'assegnazione del documento.")
                                       .arg(movement, shown(p)));
            if (!run(q,
                     QStringLiteral("UPDATE Tab_Iter_Documento SET Tab_Annotazioni = ?, Tab_DataEvasione = ?, "
                                    "Tab_CodOper = ?, Tab_DatOper = ?")
                         + kWhereProtocol + QStringLiteral(" AND Tab_DataSerialeMov = ?"),
                     QVariantList{r.notes, deadline, r.op, today} + key + QVariantList{movement}))
                return failure(sql, q->lastError());
            const QVariantList moveKey = key + QVariantList{movement};
            QVector<Recipient> stored;
            if (!run(q,
                     QStringLiteral("SELECT Tab_UfficioDestinatario, COALESCE(Tab_Componente, 0), Tab_TipoAssegnazione "
                                    "FROM Tab_Iter_Destinatari")
                         + kWhereProtocol + QStringLiteral(" AND Tab_DataSerialeMov = ?"),
                     moveKey))
                return failure(sql, q->lastError());
            while (q->next())
                stored.append({q->value(0).toString().trimmed(), q->value(1).toLongLong(), q->value(2).toInt()});
            q->finish();
            QVector<Recipient> pending;
            if (!run(q,
                     QStringLiteral("SELECT Tab_UfficioDestinatario, COALESCE(Tab_Componente, 0) FROM "
                                    "Tab_Iter_Trasmissioni")
                         + kWhereProtocol + QStringLiteral(" AND Tab_DataSerialeMov = ?"),
                     moveKey))
                return failure(sql, q->lastError());
            while (q->next())
                pending.append({q->value(0).toString().trimmed(), q->value(1).toLongLong(), 0});
            q->finish();
            const QString where = kWhereProtocol
                                  + QStringLiteral(" AND Tab_DataSerialeMov = ? AND Tab_UfficioDestinatario = ? AND "
                                                   "COALESCE(Tab_Componente, 0) = ?");
            for (const Recipient &s : stored) {
                const QVariantList rowKey = moveKey + QVariantList{s.office, s.member};
                const auto asked = std::find(r.recipients.cbegin(), r.recipients.cend(), s);
                if (asked == r.recipients.cend()) {
                    // Left out of the list: gone only while nobody took it
                    // (the window never lists the operator's own office).
                    if (s.office == r.office || !pending.contains(s))
                        continue;
                    if (!run(q, QStringLiteral("DELETE FROM Tab_Iter_Destinatari") + where, rowKey)
                        || !run(q, QStringLiteral("DELETE FROM Tab_Iter_Trasmissioni") + where, rowKey))
                        return failure(sql, q->lastError());
                } else if (asked->type != s.type && pending.contains(s)) {
                    if (!run(q, QStringLiteral("UPDATE Tab_Iter_Destinatari SET Tab_TipoAssegnazione = ?") + where,
                             QVariantList{asked->type} + rowKey))
                        return failure(sql, q->lastError());
                }
            }
            for (const Recipient &d : r.recipients)
                if (!stored.contains(d) && !addRecipient(d))
                    return failure(sql, q->lastError());
        } else {
            if (!freeMovementKey(q, key, now, &movement))
                return failure(sql, q->lastError());
            if (!run(q,
                     QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                    "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, "
                                    "Tab_Annotazioni, Tab_InCarico, Tab_DataEvasione, Tab_CodOper, Tab_DatOper) VALUES "
                                    "(?, ?, ?, ?, ?, ?, ?, ?, 'N', ?, ?, ?)"),
                     key + QVariantList{movement, assignment ? kMovAssegnazione : kMovTrasmissione, r.office, r.op,
                                        r.notes, deadline, r.op, today}))
                return failure(sql, q->lastError());
            for (const Recipient &d : r.recipients)
                if (!addRecipient(d))
                    return failure(sql, q->lastError());
            // Passed on for competence, the document leaves the sender's charge.
            if (!assignment && r.leavesCharge && !releaseCharge(exec, q, key, r.office, r.op, today))
                return failure(sql, q->lastError());
        }
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString(), movement}};
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
