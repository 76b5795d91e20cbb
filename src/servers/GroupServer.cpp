// Operation 22 of the protocol server: a group of offices replaced whole.

#include <QSet>
#include <QSqlError>

#include "data/Funzioni_Com_1.h"
#include "servers/GroupNames.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

struct Member {
    QString department;
    QString office;
    qlonglong progressive = 0;
};

struct GroupRequest {
    QString ente, name, op, owner, previous;
    QVector<Member> members;
};

// The fixed layout, read before anything is opened or written.
bool parseGroupRequest(const QVariantList &params, GroupRequest *g, QString *why)
{
    if (params.size() != 6) {
        *why = QStringLiteral("Richiesta di aggiornamento gruppi non valida: sono attesi 6 elementi (ente, "
                              "raggruppamento, operatore, dipartimento, componenti, nome precedente).");
        return false;
    }
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &g->ente, why)
        || !requestText(params[1], QStringLiteral("Tab_raggruppamento"), true, &g->name, why)
        || !requestText(params[2], QStringLiteral("codice operatore"), true, &g->op, why)
        || !requestText(params[3], QStringLiteral("Tab_DipartimentoGruppo"), true, &g->owner, why)
        || !requestText(params[5], QStringLiteral("nome precedente del raggruppamento"), false, &g->previous, why))
        return false;
    if (params[4].typeId() != QMetaType::QVariantList) {
        *why = QStringLiteral("Elenco dei componenti del raggruppamento non valido: è attesa una tabella di righe "
                              "{dipartimento, ufficio, componente}.");
        return false;
    }
    const QVariantList rows = params[4].toList();
    if (rows.isEmpty()) {
        *why = QStringLiteral("Elenco dei componenti del raggruppamento vuoto: inserire almeno un ufficio.");
        return false;
    }
    QSet<QString> seen;
    for (int i = 0; i < rows.size(); ++i) {
        const QString where = QStringLiteral(" (riga %1 dell'elenco dei componenti)").arg(i + 1);
        const QVariantList cells = rows[i].toList();
        if (rows[i].typeId() != QMetaType::QVariantList || cells.size() != 3) {
            *why = QStringLiteral("Riga non valida") + where
                   + QStringLiteral(": sono attesi dipartimento, ufficio e componente.");
            return false;
        }
        Member m;
        if (!requestText(cells[0], QStringLiteral("Tab_Dipartimento") + where, true, &m.department, why)
            || !requestText(cells[1], QStringLiteral("Tab_Ufficio") + where, true, &m.office, why))
            return false;
        bool ok = false;
        const QString n = cells[2].toString().trimmed();
        m.progressive = n.toLongLong(&ok);
        if (!isPlainValue(cells[2]) || !ok || m.progressive < 0) {
            *why = QStringLiteral("Valore non numerico per Tab_Componente") + where + QStringLiteral(": ") + n;
            return false;
        }
        const QString key = m.department + QLatin1Char('|') + m.office + QLatin1Char('|') + QString::number(m.progressive);
        if (seen.contains(key)) {
            *why = QStringLiteral("Componente ripetuto nel raggruppamento") + where + QStringLiteral(": ") + m.department
                   + QLatin1Char('/') + m.office + QLatin1Char('/') + QString::number(m.progressive);
            return false;
        }
        seen.insert(key);
        g->members.append(m);
    }
    return true;
}

using GroupOutcome = UnitOutcome;

GroupOutcome groupFailure(const QSqlDatabase &db, const QSqlError &e)
{
    return statementFailure(db, e, QStringLiteral("Errore in aggiornamento raggruppamento: "));
}

const QString kNotDone = QStringLiteral(". Raggruppamento non aggiornato.");

} // namespace

QVariantList ProtocolServer::groups(const QVariantList &params)
{
    GroupRequest g;
    QString why;
    if (!parseGroupRequest(params, &g, &why))
        return refusedRequest(why);
    g.op = writerOf(g.op);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();

    auto attempt = [&]() -> GroupOutcome {
        QSqlQuery *q = nullptr;
        C_GestDB::Transaction tx(db_);
        const C_GestDB::Result begun = tx.begin();
        if (!begun.ok)
            return transactionFailure(begun, begun.lost);

        bool found = false;
        if (!exists(q, QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {g.ente}, &found))
            return groupFailure(sql, q->lastError());
        if (!found)
            return {refusedRequest(QStringLiteral("Ente sconosciuto (Tab_Ente): ") + g.ente + kNotDone)};
        if (!run(q, QStringLiteral("SELECT Op_Attivo FROM Tab_Operatori WHERE Op_Codice_Operatore = ? AND Op_Ente = ?"),
                 {g.op, g.ente}))
            return groupFailure(sql, q->lastError());
        found = q->next();
        const bool active = found && q->value(0).toString().trimmed() != QLatin1String("N");
        q->finish();
        if (!active)
            return {refusedRequest((found ? QStringLiteral("Operatore non attivo: ")
                                        : QStringLiteral("Operatore sconosciuto per l'ente: "))
                                 + g.op + kNotDone)};
        const QString department = QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE "
                                                  "Dipa_CodiceEnte = ? AND Dipa_CodDipartimento = ?");
        if (!exists(q, department, {g.ente, g.owner}, &found))
            return groupFailure(sql, q->lastError());
        if (!found)
            return {refusedRequest(QStringLiteral("Dipartimento del raggruppamento (Tab_DipartimentoGruppo) sconosciuto: ")
                                 + g.owner + kNotDone)};
        // A new name must not fall on another group of the department: the
        // two would become one. The name's row is held first, so that of
        // two writers of one name the second looks only after the first
        // committed.
        const auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
            return run(query, text, binds);
        };
        const auto name = [&](const QString &n) {
            return GroupName{QStringLiteral("Tab_UfficiGruppiNomi"),
                             {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_DipartimentoGruppo"),
                              QStringLiteral("Tab_raggruppamento")},
                             {g.ente, g.owner, n},
                             {QStringLiteral("Tab_CodOper")},
                             {g.op}};
        };
        if (!holdGroupName(exec, q, Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL, name(g.name)))
            return groupFailure(sql, q->lastError());
        if (g.name != g.previous) {
            if (!exists(q, QStringLiteral("SELECT Tab_raggruppamento FROM Tab_UfficiGruppi WHERE Tab_Ente = ? AND "
                                       "Tab_DipartimentoGruppo = ? AND Tab_raggruppamento = ? LIMIT 1"),
                        {g.ente, g.owner, g.name}, &found))
                return groupFailure(sql, q->lastError());
            if (found)
                return {refusedRequest(QStringLiteral("Il nome del raggruppamento (Tab_raggruppamento) è già utilizzato "
                                                    "dal dipartimento: ")
                                     + g.name + kNotDone)};
        }
        if (!g.previous.isEmpty()
            && ((g.previous != g.name && !dropGroupName(exec, q, name(g.previous)))
                || !run(q, QStringLiteral("DELETE FROM Tab_UfficiGruppi WHERE Tab_Ente = ? AND Tab_DipartimentoGruppo = ? "
                                          "AND Tab_raggruppamento = ?"),
                        {g.ente, g.owner, g.previous})))
            return groupFailure(sql, q->lastError());

        // Each member is checked where it is written: a refusal anywhere in
        // the list takes back the deletion above with everything else.
        for (int i = 0; i < g.members.size(); ++i) {
            const Member &m = g.members[i];
            const QString where = QStringLiteral(" (riga %1 dell'elenco)").arg(i + 1);
            if (!exists(q, department, {g.ente, m.department}, &found))
                return groupFailure(sql, q->lastError());
            if (!found)
                return {refusedRequest(QStringLiteral("Dipartimento (Tab_Dipartimento) sconosciuto: ") + m.department
                                     + where + kNotDone)};
            if (!exists(q, QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ? AND Tab_Dipartimento = ? "
                                       "AND Tab_Ufficio = ?"),
                        {g.ente, m.department, m.office}, &found))
                return groupFailure(sql, q->lastError());
            if (!found)
                return {refusedRequest(QStringLiteral("Ufficio (Tab_Ufficio) %1 sconosciuto nel dipartimento %2")
                                         .arg(m.office, m.department)
                                     + where + kNotDone)};
            if (m.progressive != 0) {
                if (!exists(q, QStringLiteral("SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente = ? AND "
                                           "Tab_Ufficio = ? AND Tab_Progressivo = ?"),
                            {g.ente, m.office, m.progressive}, &found))
                    return groupFailure(sql, q->lastError());
                if (!found)
                    return {refusedRequest(QStringLiteral("Componente (Tab_Componente) %1 sconosciuto nell'ufficio %2")
                                             .arg(m.progressive)
                                             .arg(m.office)
                                         + where + kNotDone)};
            }
            if (!run(q, QStringLiteral("INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, "
                                       "Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio, Tab_Componente) "
                                       "VALUES (?, ?, ?, ?, ?, ?)"),
                     {g.ente, g.owner, g.name, m.department, m.office, m.progressive}))
                return groupFailure(sql, q->lastError());
        }
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return transactionFailure(done);
        return {{F::kStatusOk, QString()}};
    };

    // As for a registration: another writer's lock starts the unit again,
    // and a connection lost before the commit is opened once more.
    return runUnit(sql, attempt);
}

} // namespace nimbo
