// Operations 1, 12 and 13 of the protocol server: address-book identifiers
// and the address-book groups of a department.

#include <QSet>
#include <QSqlError>

#include "data/Funzioni_Com_1.h"
#include "servers/GroupNames.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

bool numberOf(const QVariant &v, const QString &field, qlonglong *out, QString *why)
{
    bool ok = false;
    const QString n = v.toString().trimmed();
    *out = n.toLongLong(&ok);
    if (!isPlainValue(v) || !ok || *out <= 0) {
        *why = QStringLiteral("Valore non numerico per ") + field + QStringLiteral(": ") + n;
        return false;
    }
    return true;
}


struct AddressGroup {
    QString ente, name, op, owner, previous;
    QVector<qlonglong> members;
    int shared = 0;
};

bool parseAddressGroup(const QVariantList &params, AddressGroup *g, QString *why)
{
    if (params.size() != 7) {
        *why = QStringLiteral("Richiesta di aggiornamento gruppi rubrica non valida: sono attesi 7 elementi (ente, "
                              "raggruppamento, operatore, dipartimento, componenti, nome precedente, condiviso).");
        return false;
    }
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &g->ente, why)
        || !requestText(params[1], QStringLiteral("Tab_Raggruppamento"), true, &g->name, why)
        || !requestText(params[2], QStringLiteral("codice operatore"), true, &g->op, why)
        || !requestText(params[3], QStringLiteral("Tab_Dipartimento"), true, &g->owner, why)
        || !requestText(params[5], QStringLiteral("nome precedente del raggruppamento"), false, &g->previous, why))
        return false;
    const QString shared = params[6].toString().trimmed();
    if (!isPlainValue(params[6]) || (shared != QLatin1String("0") && shared != QLatin1String("1"))) {
        *why = QStringLiteral("Valore non valido per Tab_Condiviso (atteso 0 o 1): ") + shared;
        return false;
    }
    g->shared = shared.toInt();
    if (params[4].typeId() != QMetaType::QVariantList) {
        *why = QStringLiteral("Elenco dei componenti del raggruppamento non valido: è attesa una lista di "
                              "identificativi (Tab_Identificativo).");
        return false;
    }
    const QVariantList ids = params[4].toList();
    if (ids.isEmpty()) {
        *why = QStringLiteral("Elenco dei componenti del raggruppamento vuoto: inserire almeno un "
                              "Mittente/Destinatario.");
        return false;
    }
    QSet<qlonglong> seen;
    for (int i = 0; i < ids.size(); ++i) {
        qlonglong id = 0;
        const QString field = QStringLiteral("Tab_Identificativo (riga %1 dell'elenco dei componenti)").arg(i + 1);
        if (!numberOf(ids[i], field, &id, why))
            return false;
        if (seen.contains(id)) {
            *why = QStringLiteral("Componente ripetuto nel raggruppamento: ") + field + QStringLiteral(" = ")
                   + QString::number(id);
            return false;
        }
        seen.insert(id);
        g->members.append(id);
    }
    return true;
}

// The row that holds a group's name in the entity.
GroupName addressGroupName(const QString &ente, const QString &name, const QString &owner = {},
                           const QString &op = {})
{
    return {QStringLiteral("Tab_RubricaGruppiNomi"),
            {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Raggruppamento")},
            {ente, name},
            {QStringLiteral("Tab_Dipartimento"), QStringLiteral("Tab_CodOper")},
            {owner, op}};
}

const QString kGroupNotDone = QStringLiteral(". Raggruppamento non aggiornato.");
const QString kGroupFailed = QStringLiteral("Errore in aggiornamento raggruppamento rubrica: ");

} // namespace

QVariantList ProtocolServer::nextIdentifier(const QVariantList &params)
{
    QString ente, why;
    if (params.size() != 2 || params[0].toString().trimmed() != QLatin1String("1"))
        return refusedRequest(QStringLiteral("Richiesta di nuovo progressivo rubrica non valida: sono attesi 2 elementi "
                                      "(\"1\", codice ente)."));
    if (!requestText(params[1], QStringLiteral("Tab_EnteRubrica"), true, &ente, &why))
        return refusedRequest(why);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const QString what = QStringLiteral("Errore in incremento progressivo rubrica: ");

    auto attempt = [&]() -> UnitOutcome {
        QSqlQuery *q = nullptr;
        C_GestDB::Transaction tx(db_);
        const C_GestDB::Result begun = tx.begin();
        if (!begun.ok)
            return transactionFailure(begun, begun.lost);
        // One statement takes the entity's row (its lock held to the commit)
        // and raises the counter past whatever the address book already
        // holds: entries loaded by hand or a counter restored from an older
        // copy never make it hand out a number in use.
        const QString top = QStringLiteral("COALESCE((SELECT MAX(Tab_Identificativo) FROM Tab_Rubrica WHERE "
                                           "Tab_EnteRubrica = ?), 0)");
        const QString bump = QStringLiteral("UPDATE Tab_Enti SET Ente_ProgressivoRubrica = (CASE WHEN "
                                            "COALESCE(Ente_ProgressivoRubrica, 0) > ")
                             + top + QStringLiteral(" THEN COALESCE(Ente_ProgressivoRubrica, 0) ELSE ") + top
                             + QStringLiteral(" END) + 1 WHERE Ente_Codice = ? RETURNING Ente_ProgressivoRubrica");
        if (!run(q, bump, {ente, ente, ente}))
            return statementFailure(sql, q->lastError(), what);
        if (!q->next())
            return {refusedRequest(QStringLiteral("Ente sconosciuto (Tab_EnteRubrica): ") + ente
                            + QStringLiteral(". Progressivo rubrica non assegnato."))};
        const qlonglong id = q->value(0).toLongLong();
        q->finish();
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString(), id}};
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::addressGroup(const QVariantList &params)
{
    AddressGroup g;
    QString why;
    if (!parseAddressGroup(params, &g, &why))
        return refusedRequest(why);
    g.op = writerOf(g.op);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();

    auto attempt = [&]() -> UnitOutcome {
        QSqlQuery *q = nullptr;
        C_GestDB::Transaction tx(db_);
        const C_GestDB::Result begun = tx.begin();
        if (!begun.ok)
            return transactionFailure(begun, begun.lost);

        bool found = false;
        if (!exists(q, QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {g.ente}, &found))
            return statementFailure(sql, q->lastError(), kGroupFailed);
        if (!found)
            return {refusedRequest(QStringLiteral("Ente sconosciuto (Tab_Ente): ") + g.ente + kGroupNotDone)};
        if (!run(q, QStringLiteral("SELECT Op_Attivo FROM Tab_Operatori WHERE Op_Codice_Operatore = ? AND Op_Ente = ?"),
                 {g.op, g.ente}))
            return statementFailure(sql, q->lastError(), kGroupFailed);
        found = q->next();
        const bool active = found && q->value(0).toString().trimmed() != QLatin1String("N");
        q->finish();
        if (!active)
            return {refusedRequest((found ? QStringLiteral("Operatore non attivo: ")
                                   : QStringLiteral("Operatore sconosciuto per l'ente: "))
                            + g.op + kGroupNotDone)};
        if (!exists(q, QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ? AND "
                                   "Dipa_CodDipartimento = ?"),
                    {g.ente, g.owner}, &found))
            return statementFailure(sql, q->lastError(), kGroupFailed);
        if (!found)
            return {refusedRequest(QStringLiteral("Dipartimento del raggruppamento (Tab_Dipartimento) sconosciuto: ") + g.owner
                            + kGroupNotDone)};
        // The name is the entity's: a group of another department, or
        // another group of this one under a new name, must not be merged.
        // The name's row is held first, so that of two writers of one name
        // the second looks only after the first committed; a row left by a
        // group that no longer has members passes to this department.
        const auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
            return run(query, text, binds);
        };
        const GroupName held = addressGroupName(g.ente, g.name, g.owner, g.op);
        if (!holdGroupName(exec, q, Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL, held))
            return statementFailure(sql, q->lastError(), kGroupFailed);
        const bool renamed = g.name != g.previous;
        if (!exists(q, renamed ? QStringLiteral("SELECT Tab_Raggruppamento FROM Tab_RubricaGruppi WHERE Tab_Ente = ? AND "
                                             "Tab_Raggruppamento = ? LIMIT 1")
                            : QStringLiteral("SELECT Tab_Raggruppamento FROM Tab_RubricaGruppi WHERE Tab_Ente = ? AND "
                                             "Tab_Raggruppamento = ? AND Tab_Dipartimento <> ? LIMIT 1"),
                    renamed ? QVariantList{g.ente, g.name} : QVariantList{g.ente, g.name, g.owner}, &found))
            return statementFailure(sql, q->lastError(), kGroupFailed);
        if (found)
            return {refusedRequest(QStringLiteral("Il nome del raggruppamento (Tab_Raggruppamento) è già utilizzato "
                                           "nell'ente: ")
                            + g.name + kGroupNotDone)};
        if (!run(q, QStringLiteral("UPDATE Tab_RubricaGruppiNomi SET Tab_Dipartimento = ?, Tab_CodOper = ?, "
                                   "Tab_DatOper = CURRENT_DATE WHERE Tab_Ente = ? AND Tab_Raggruppamento = ?"),
                 {g.owner, g.op, g.ente, g.name})
            || (renamed && !g.previous.isEmpty()
                && !dropGroupName(exec, q, addressGroupName(g.ente, g.previous),
                                  QStringLiteral(" AND Tab_Dipartimento = ?"), {g.owner})))
            return statementFailure(sql, q->lastError(), kGroupFailed);

        // The stored members: those inactive now were not in the window's
        // list and stay; the others are replaced by the list.
        QSet<qlonglong> before;
        QVector<qlonglong> kept;
        if (!g.previous.isEmpty()) {
            if (!run(q, QStringLiteral("SELECT g.Tab_Identificativo, COALESCE(r.Tab_Attivo, 0) FROM Tab_RubricaGruppi g "
                                       "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = g.Tab_Ente AND "
                                       "r.Tab_Identificativo = g.Tab_Identificativo WHERE g.Tab_Ente = ? AND "
                                       "g.Tab_Dipartimento = ? AND g.Tab_Raggruppamento = ?"),
                     {g.ente, g.owner, g.previous}))
                return statementFailure(sql, q->lastError(), kGroupFailed);
            while (q->next()) {
                const qlonglong id = q->value(0).toLongLong();
                before.insert(id);
                if (q->value(1).toLongLong() != 1 && !g.members.contains(id))
                    kept.append(id);
            }
            q->finish();
            if (!run(q, QStringLiteral("DELETE FROM Tab_RubricaGruppi WHERE Tab_Ente = ? AND Tab_Dipartimento = ? AND "
                                       "Tab_Raggruppamento = ?"),
                     {g.ente, g.owner, g.previous}))
                return statementFailure(sql, q->lastError(), kGroupFailed);
        }

        const QString insert = QStringLiteral("INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, "
                                              "Tab_Raggruppamento, Tab_Identificativo, Tab_Condiviso) VALUES "
                                              "(?, ?, ?, ?, ?)");
        // Each member is checked where it is written: a refusal anywhere in
        // the list takes back the deletion above with everything else.
        for (int i = 0; i < g.members.size(); ++i) {
            const qlonglong id = g.members[i];
            const QString where = QStringLiteral(" (riga %1 dell'elenco)").arg(i + 1);
            if (!run(q, QStringLiteral("SELECT COALESCE(Tab_Attivo, 0), Tab_Cessazione FROM Tab_Rubrica WHERE "
                                       "Tab_EnteRubrica = ? AND Tab_Identificativo = ?"),
                     {g.ente, id}))
                return statementFailure(sql, q->lastError(), kGroupFailed);
            found = q->next();
            const bool usable = found && q->value(0).toLongLong() == 1 && q->value(1).isNull();
            q->finish();
            if (!found)
                return {refusedRequest(QStringLiteral("Mittente/Destinatario (Tab_Identificativo) %1 non presente in rubrica")
                                    .arg(id)
                                + where + kGroupNotDone)};
            // Already a member it may stay ceased; joining needs an active,
            // not ceased entry.
            if (!usable && !before.contains(id))
                return {refusedRequest(QStringLiteral("Mittente/Destinatario (Tab_Identificativo) %1 cessato o non attivo: "
                                               "non può entrare nel raggruppamento")
                                    .arg(id)
                                + where + kGroupNotDone)};
            if (!run(q, insert, {g.ente, g.owner, g.name, id, g.shared}))
                return statementFailure(sql, q->lastError(), kGroupFailed);
        }
        for (const qlonglong id : std::as_const(kept))
            if (!run(q, insert, {g.ente, g.owner, g.name, id, g.shared}))
                return statementFailure(sql, q->lastError(), kGroupFailed);
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString()}};
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::deleteAddressGroup(const QVariantList &params)
{
    QString ente, name, owner, why;
    if (params.size() != 3)
        return refusedRequest(QStringLiteral("Richiesta di cancellazione gruppo rubrica non valida: sono attesi 3 elementi "
                                      "(ente, raggruppamento, dipartimento)."));
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &ente, &why)
        || !requestText(params[1], QStringLiteral("Tab_Raggruppamento"), true, &name, &why)
        || !requestText(params[2], QStringLiteral("Tab_Dipartimento"), true, &owner, &why))
        return refusedRequest(why);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const QString what = QStringLiteral("Errore in cancellazione raggruppamento rubrica: ");

    auto attempt = [&]() -> UnitOutcome {
        QSqlQuery *q = nullptr;
        C_GestDB::Transaction tx(db_);
        const C_GestDB::Result begun = tx.begin();
        if (!begun.ok)
            return transactionFailure(begun, begun.lost);
        const auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
            return run(query, text, binds);
        };
        if (!dropGroupName(exec, q, addressGroupName(ente, name), QStringLiteral(" AND Tab_Dipartimento = ?"), {owner})
            || !run(q, QStringLiteral("DELETE FROM Tab_RubricaGruppi WHERE Tab_Ente = ? AND Tab_Dipartimento = ? AND "
                                      "Tab_Raggruppamento = ?"),
                    {ente, owner, name}))
            return statementFailure(sql, q->lastError(), what);
        if (q->numRowsAffected() < 1)
            return {refusedRequest(QStringLiteral("Raggruppamento (Tab_Raggruppamento) non trovato nel dipartimento ") + owner
                            + QStringLiteral(": ") + name)};
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString()}};
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
