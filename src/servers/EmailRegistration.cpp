// Operation 54 of the protocol server: a provisional e-mail protocol
// registered in the general register (request and reply in MailRequests.h).
// The registration is operation 10's own; what this adds runs inside its
// transaction, so that the e-mail can never end up registered twice nor
// registered without its provisional row knowing it.

#include "servers/MailRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace {

QString provisionalText(qlonglong n) { return QStringLiteral("L'e-mail provvisoria N. %1").arg(n); }

} // namespace

QVariantList ProtocolServer::emailRegistration(const QVariantList &params)
{
    if (params.size() != 8)
        return refusedRequest(QStringLiteral("Richiesta di protocollazione e-mail non valida: attesi 8 elementi."));
    if (params[0].toString().trimmed().toUpper() != QLatin1String("A"))
        return refusedRequest(QStringLiteral("La protocollazione di una e-mail registra un nuovo protocollo: tipo di "
                                             "operazione \"A\" atteso, non ")
                              + params[0].toString());
    bool numeric = false;
    const qlonglong provisional = params[7].toString().trimmed().toLongLong(&numeric);
    if (!isPlainValue(params[7]) || !numeric || provisional < 1)
        return refusedRequest(QStringLiteral("Numero del protocollo provvisorio (Tab_NumeroProtocolloProvv) non valido: ")
                              + params[7].toString());
    // The protocol names the provisional number it comes from, and nothing
    // else of an earlier register: an emergency or paper register here
    // would take the recovery's paths.
    const Schema::Table *protocol = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Protocollo"));
    RequestRow row;
    QString why;
    if (!readRequestRow(params[2], protocol, &row, &why))
        return refusedRequest(why);
    if (row.filled(QStringLiteral("Tab_RegistroTemporaneo")))
        return refusedRequest(QStringLiteral("Un protocollo da e-mail non proviene da un registro di emergenza "
                                             "(Tab_RegistroTemporaneo)."));
    const QString named = row.text(QStringLiteral("Tab_ProtocolloTemporaneo"));
    if (!named.isEmpty() && named != QString::number(provisional))
        return refusedRequest(QStringLiteral("Il protocollo provvisorio della lista delle colonne "
                                             "(Tab_ProtocolloTemporaneo) non corrisponde a quello della richiesta."));
    const EmailOrigin origin{provisional};
    return registration(params.mid(0, 7), nullptr, &origin);
}

std::optional<QString> ProtocolServer::lockProvisional(QSqlQuery *&q, const QString &ente, const QString &direction,
                                                       const EmailOrigin &email)
{
    // PostgreSQL locks the row before it is looked at: a registration of
    // the same e-mail side by side waits here and then reads the number
    // this one gave. SQLite's write transaction holds the whole file.
    const bool postgres = Dialect::engineOf(db_.sql()) == Dialect::Engine::PostgreSQL;
    if (!run(q,
             QStringLiteral("SELECT Tab_StatoProtocollo, Tab_ProtocolloGenerale FROM Tab_ProtocEmailProvvis WHERE "
                            "Tab_Ente = ? AND Tab_TipoProtocollo = ? AND Tab_NumeroProtocolloProvv = ?")
                 + (postgres ? QStringLiteral(" FOR UPDATE") : QString()),
             {ente, direction, email.provisional}))
        return std::nullopt;
    if (!q->next()) {
        q->finish();
        return provisionalText(email.provisional) + QStringLiteral(" non è presente in archivio.");
    }
    const QString state = q->value(0).toString().trimmed().toUpper();
    const QString general = q->value(1).toString().trimmed();
    q->finish();
    if (!general.isEmpty())
        return mailreq::kAlreadyRegistered;
    if (state != QLatin1String("A"))
        return provisionalText(email.provisional) + QStringLiteral(" è stata cancellata e non può essere protocollata.");
    return QString();
}

std::optional<QString> ProtocolServer::settleProvisional(QSqlQuery *&q, const QString &ente, const QString &direction,
                                                         const EmailOrigin &email, const QString &number,
                                                         const QString &op, const QString &today)
{
    if (!run(q,
             QStringLiteral("UPDATE Tab_ProtocEmailProvvis SET Tab_ProtocolloGenerale = ?, Tab_CodOper = ?, "
                            "Tab_DatOper = ? WHERE Tab_Ente = ? AND Tab_TipoProtocollo = ? AND "
                            "Tab_NumeroProtocolloProvv = ? AND Tab_ProtocolloGenerale IS NULL AND "
                            "Tab_StatoProtocollo = 'A'"),
             {number, op, today, ente, direction, email.provisional}))
        return std::nullopt;
    // Held since the look-up, so only a row changed by hand meanwhile can
    // miss; the registration then goes back with it.
    if (q->numRowsAffected() != 1)
        return mailreq::kAlreadyRegistered;
    // The message's files become the protocol's attachments.
    if (!run(q,
             QStringLiteral("UPDATE Tab_allegati SET num_ProtocolloGenerale = ? WHERE Cod_Ente = ? AND "
                            "num_ProtocolloProvvisorio = ? AND (num_ProtocolloGenerale IS NULL OR "
                            "num_ProtocolloGenerale = '')"),
             {number, ente, QString::number(email.provisional)}))
        return std::nullopt;
    return QString();
}

} // namespace nimbo
