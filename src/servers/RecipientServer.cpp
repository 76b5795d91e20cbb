// Operation 14 of the protocol server: the further recipients of an
// outgoing protocol, replaced as a whole (request and reply in
// RecipientRequests.h).

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "schema/Definition.h"
#include "servers/ProtocolServer.h"
#include "servers/RecipientRequests.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore in aggiornamento altri destinatari: ");
const QString kRecipientColumn = QStringLiteral("Tab_MittDest");

struct RecipientsRequest {
    QString ente, direction, number, op;
    QVector<qlonglong> ids; // as given, each once
    QVariantList key() const { return {ente, direction, number}; }
    QString shown() const { return direction + QStringLiteral(" N. ") + number.left(4) + QLatin1Char('-') + number.mid(4); }
};

// One identifier of the list: a whole number of the address book, as the
// column stores it.
bool readIdentifier(const QVariant &v, qlonglong *id, QString *why)
{
    const Schema::Table *table = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_ProtocolloDestinatari"));
    QVariant stored;
    if (!requestColumnValue(*table->column(kRecipientColumn), v, &stored, why))
        return false;
    *id = stored.isNull() ? 0 : stored.toLongLong();
    if (*id > 0)
        return true;
    *why = QStringLiteral("Identificativo della rubrica (Tab_MittDest) non valido nell'elenco dei destinatari: ")
           + v.toString();
    return false;
}

bool parseRecipients(const QVariantList &params, RecipientsRequest *r, QString *why)
{
    if (params.size() != 6) {
        *why = QStringLiteral("Richiesta degli altri destinatari non valida: sono attesi 6 elementi (ente, tipo e numero "
                              "del protocollo, operatore, elenco dei destinatari, ufficio protocollo).");
        return false;
    }
    QString asked;
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &r->ente, why)
        || !requestText(params[1], QStringLiteral("Tab_TipoProtocollo"), true, &r->direction, why)
        || !requestText(params[2], QStringLiteral("Tab_NumeroProtocollo"), true, &r->number, why)
        || !requestText(params[3], QStringLiteral("codice operatore (Tab_CodOper)"), false, &asked, why))
        return false;
    r->direction = r->direction.toUpper();
    if (r->direction == QLatin1String("E")) {
        *why = QStringLiteral("Tipo protocollo (Tab_TipoProtocollo) non ammesso: gli altri destinatari si indicano solo "
                              "per i protocolli in uscita (U).");
        return false;
    }
    if (r->direction != QLatin1String("U")) {
        *why = QStringLiteral("Tipo protocollo (Tab_TipoProtocollo) non valido: ") + r->direction
               + QStringLiteral(" (atteso U).");
        return false;
    }
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (!elevenDigits.match(r->number).hasMatch()) {
        *why = QStringLiteral("Numero di protocollo (Tab_NumeroProtocollo) non valido: ") + r->number
               + QStringLiteral(" (attese 11 cifre).");
        return false;
    }
    r->op = writerOf(asked);
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Codice operatore (Tab_CodOper) mancante nella richiesta.");
        return false;
    }
    if (const QString bad = TextCheck::problem(QStringLiteral("codice operatore (Tab_CodOper)"), r->op); !bad.isEmpty()) {
        *why = bad;
        return false;
    }
    if (params[4].typeId() != QMetaType::QVariantList) {
        *why = QStringLiteral("Elenco dei destinatari (Tab_MittDest) non valido: è atteso un elenco di identificativi "
                              "della rubrica.");
        return false;
    }
    QSet<qlonglong> seen;
    for (const QVariant &v : params[4].toList()) {
        qlonglong id = 0;
        if (!readIdentifier(v, &id, why))
            return false;
        // A recipient named twice (two groups sharing a member) is one recipient.
        if (!seen.contains(id)) {
            seen.insert(id);
            r->ids.append(id);
        }
    }
    const QString office = params[5].toString().trimmed().toUpper();
    if (!isPlainValue(params[5]) || (office != QLatin1String("SI") && office != QLatin1String("NO"))) {
        *why = QStringLiteral("Indicatore dell'ufficio protocollo non valido: ") + params[5].toString()
               + QStringLiteral(" (attesi SI o NO).");
        return false;
    }
    return true;
}

} // namespace

QVariantList ProtocolServer::furtherRecipients(const QVariantList &params)
{
    RecipientsRequest r;
    QString why;
    if (!parseRecipients(params, &r, &why))
        return refusedRequest(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    const QString where = QStringLiteral(" WHERE Tab_Ente = ? AND Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ?");
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        const RequestUnit::Check operatorOk = unit.operatorCheck(
            r.op, r.ente, true, QStringLiteral("Operatore (Tab_CodOper) sconosciuto o non attivo per l'ente: "));
        const auto requester = [&](QSqlQuery *&q) -> std::optional<QString> {
            bool found = false;
            if (!unit.exists(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {r.ente}, &found))
                return std::nullopt;
            return found ? operatorOk(q) : QStringLiteral("Ente sconosciuto (Tab_Ente): ") + r.ente;
        };
        if (auto stop = unit.open(requester))
            return *stop;
        QSqlQuery *&q = unit.q;
        // Every writer of the list takes the protocol's row first: of two
        // replacements side by side the second waits and then replaces the
        // whole list the first wrote, never half of it.
        bool found = false;
        QDate date;
        QString state;
        if (!lockProtocol(q, r.key(), &found, &date, &state))
            return unit.failed();
        if (!found)
            return UnitOutcome{refusedRequest(QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + r.shown()
                                              + QStringLiteral(" non esiste in archivio."))};
        if (state == QLatin1String("C"))
            return UnitOutcome{refusedRequest(QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + r.shown()
                                              + QStringLiteral(" è annullato: i suoi destinatari non si modificano."))};
        if (!unit.run(QStringLiteral("SELECT Tab_Intestatario FROM Tab_Protocollo") + where, r.key()))
            return unit.failed();
        const qlonglong main = q->next() ? q->value(0).toLongLong() : 0;
        q->finish();
        if (main > 0 && r.ids.contains(main))
            return UnitOutcome{refusedRequest(QStringLiteral("Il destinatario principale (Tab_Intestatario) %1 del "
                                                             "protocollo non può essere anche un ulteriore destinatario.")
                                                  .arg(main))};
        // Recipients already on the list stay on it when their entry has been
        // switched off since; a new one must be active.
        QSet<qlonglong> listed;
        if (!unit.run(QStringLiteral("SELECT Tab_MittDest FROM Tab_ProtocolloDestinatari") + where
                          + QStringLiteral(" AND Tab_principale = 'N'"),
                      r.key()))
            return unit.failed();
        while (q->next())
            listed.insert(q->value(0).toLongLong());
        q->finish();
        for (qlonglong id : std::as_const(r.ids)) {
            // Held until the commit, so that the entry cannot be switched
            // off while it is being added.
            if (!unit.run(QStringLiteral("SELECT Tab_Attivo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ? AND "
                                         "Tab_Identificativo = ?")
                              + (pg ? QStringLiteral(" FOR SHARE") : QString()),
                          {r.ente, id}))
                return unit.failed();
            found = q->next();
            const bool active = found && q->value(0).toLongLong() == 1;
            q->finish();
            if (!found)
                return UnitOutcome{refusedRequest(QStringLiteral("Destinatario (Tab_MittDest) %1 non presente nella "
                                                                 "rubrica dell'ente %2.")
                                                      .arg(id)
                                                      .arg(r.ente))};
            if (!active && !listed.contains(id))
                return UnitOutcome{refusedRequest(QStringLiteral("Destinatario (Tab_MittDest) %1 non attivo nella "
                                                                 "rubrica: non può essere aggiunto all'elenco.")
                                                      .arg(id))};
        }
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        if (!unit.run(QStringLiteral("DELETE FROM Tab_ProtocolloDestinatari") + where
                          + QStringLiteral(" AND Tab_principale = 'N'"),
                      r.key()))
            return unit.failed();
        const QString today = now.date().toString(Qt::ISODate);
        for (qlonglong id : std::as_const(r.ids))
            if (!unit.run(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, Tab_MittDest, Tab_principale, Tab_CodOper, Tab_DatOper) "
                                         "VALUES (?, ?, ?, ?, 'N', ?, ?)"),
                          r.key() << id << r.op << today))
                return unit.failed();
        return unit.commit({F::kStatusOk, QString()});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
