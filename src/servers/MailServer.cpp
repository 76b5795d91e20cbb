// The e-mail server: the body's mail settings and the dispatch of its
// operations (sending in MailOutbox.cpp, the mailbox in MailReceiver.cpp).

#include "servers/MailServer.h"

#include "data/Cipher.h"
#include "data/Funzioni_Com_1.h"
#include "servers/MailServerParts.h"
#include "session/DicAmbiente.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace mailserver {

QString BodyMail::mailbox() const
{
    // Not the port: the same mailbox reached another way is the same.
    return imap.user + QLatin1Char('@') + imap.host + QStringLiteral("/INBOX");
}

namespace {

// "host" or "host:port"; the port given apart wins over the one in the host.
void hostAndPort(const QString &text, const QString &port, int fallback, mail::ServerSettings *s)
{
    QString host = text.trimmed();
    int p = 0;
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && !host.contains(QLatin1Char(']'), Qt::CaseInsensitive)) {
        bool ok = false;
        p = host.mid(colon + 1).toInt(&ok);
        if (ok)
            host = host.left(colon);
        else
            p = 0;
    }
    bool ok = false;
    const int given = port.trimmed().toInt(&ok);
    if (ok && given > 0 && given < 65536)
        p = given;
    s->host = host;
    s->port = p > 0 ? p : fallback;
}

// "SSL"/"TLS" a connection in TLS from the start, "STARTTLS" a plain one
// turned to TLS; empty: what the port usually means.
mail::Security securityOf(const QString &text, int port)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("STARTTLS"))
        return mail::Security::StartTls;
    if (t == QLatin1String("SSL") || t == QLatin1String("TLS"))
        return mail::Security::Tls;
    return port == 465 || port == 993 ? mail::Security::Tls : mail::Security::StartTls;
}

} // namespace

bool readBodyMail(RequestUnit &unit, const QString &ente, BodyMail *out, QString *why, bool *failed)
{
    *failed = false;
    if (!unit.run(QStringLiteral("SELECT Ente_PostaElettronica, Ente_PWD_Posta, Ente_Posta_POP, Ente_Posta_SMTP, "
                                 "Ente_Posta_PortaServer, Ente_Posta_PortaIMAP, Ente_Posta_Sicurezza, "
                                 "Ente_Posta_Utente, Ente_Posta_Cartella, Ente_Posta_SicurezzaIMAP FROM Tab_Enti WHERE "
                                 "Ente_Codice = ?"),
                  {ente})) {
        *failed = true;
        return false;
    }
    if (!unit.q->next()) {
        *why = QStringLiteral("Ente inesistente: ") + ente;
        return false;
    }
    auto text = [&](int i) { return unit.q->value(i).toString().trimmed(); };
    out->address = text(0);
    const QString stored = text(1);
    const QString pop = text(2), smtp = text(3), smtpPort = text(4), imapPort = text(5), security = text(6);
    const QString user = text(7).isEmpty() ? out->address : text(7);
    out->folder = text(8);
    const QString imapSecurity = text(9);
    unit.q->finish();

    QString password;
    if (!stored.isEmpty()) {
        const Cipher::Result clear = Cipher::decipher(stored);
        if (!clear.ok) {
            *why = QStringLiteral("La password della casella di posta dell'ente non è leggibile: ") + clear.error;
            return false;
        }
        password = clear.text;
    }
    const QString ca = DicAmbiente::session().cfg.mailCa;
    if (!smtp.isEmpty()) {
        hostAndPort(smtp, smtpPort, 587, &out->smtp);
        out->smtp.security = securityOf(security, out->smtp.port);
        out->smtp.user = password.isEmpty() ? QString() : user;
        out->smtp.password = password;
        out->smtp.caFile = ca;
    }
    if (!pop.isEmpty()) {
        hostAndPort(pop, imapPort, 993, &out->imap);
        out->imap.security = securityOf(imapSecurity, out->imap.port);
        out->imap.user = user;
        out->imap.password = password;
        out->imap.caFile = ca;
    }
    return true;
}

std::optional<QDateTime> serverNow(RequestUnit &unit, Dialect::Engine engine)
{
    if (!unit.run(Dialect::serverTimeQuery(engine), {}) || !unit.q->next())
        return std::nullopt;
    const QVariant v = unit.q->value(0);
    unit.q->finish();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return QDateTime::fromString(v.toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                 QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString bareMessageId(const QString &id)
{
    QString t = id.trimmed();
    if (t.startsWith(QLatin1Char('<')))
        t.remove(0, 1);
    if (t.endsWith(QLatin1Char('>')))
        t.chop(1);
    return t.trimmed();
}

} // namespace mailserver

bool MailServer::open(QVariantList *fail)
{
    conn_ = openServerConnection(QStringLiteral("MailServer"), target_, fail);
    return conn_ != nullptr;
}

std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> MailServer::statements(QSqlQuery &query)
{
    return boundStatements(query);
}

QVariantList MailServer::inUnit(const QString &failureText, const std::function<UnitOutcome(RequestUnit &)> &work)
{
    return runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&]() -> UnitOutcome {
        QSqlQuery query(conn_->db.sql());
        RequestUnit unit(conn_->db, statements(query), failureText);
        if (auto stop = unit.open())
            return *stop;
        return work(unit);
    });
}

QVariantList MailServer::Elabora(short operation, QVariantList &params)
{
    switch (operation) {
    case kOpNotificaProtocollo: return notice(params);
    case kOpInviaEmail: return single(params);
    case kOpReinviaEmail: return resend(params);
    case kOpLeggiCasella: return fetch(params);
    case kOpCaricaEmail: return loadFile(params);
    case kOpConfermaRicezione: return confirm(params);
    case kOpInviaProtocollo: return sendProtocol(params);
    default: return refusedRequest(QStringLiteral("Operazione non prevista: ") + QString::number(operation));
    }
}

} // namespace nimbo
