#include "admin/MailCommands.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "admin/Secret.h"
#include "data/Cipher.h"
#include "mail/MailAddress.h"
#include "servers/MailServer.h"
#include "session/DicAmbiente.h"

namespace Admin {

namespace {

const QString kConn = QStringLiteral("nimbo_admin_mail");

// The key file and the trusted certificates the mail server reads from the
// session, as the program's configuration would give them.
bool configure(const Options &o, QString *error)
{
    auto &cfg = DicAmbiente::session().cfg;
    cfg.keyFile = o.values.value(QStringLiteral("key"));
    cfg.mailCa = o.values.value(QStringLiteral("ca"));
    if (cfg.keyFile.isEmpty() || !QFileInfo::exists(cfg.keyFile)) {
        *error = QStringLiteral("Indicare con --key il file della chiave di cifratura delle password (KEYFILE).");
        return false;
    }
    if (!cfg.mailCa.isEmpty() && !QFileInfo::exists(cfg.mailCa)) {
        *error = QStringLiteral("File dei certificati inesistente: ") + cfg.mailCa;
        return false;
    }
    return true;
}

QString ente(const Options &o) { return o.values.value(QStringLiteral("ente")).trimmed().toUpper(); }

// One operation of the mail server on the database of the command line;
// 2 when the command line is incomplete.
int callMailServer(const Options &o, short operation, QVariantList request, QVariantList *reply, QString *error)
{
    Dialect::Target target;
    if (!targetOf(o, &target, error) || !configure(o, error))
        return 2;
    if (ente(o).isEmpty()) {
        *error = QStringLiteral("Indicare l'ente con --ente.");
        return 2;
    }
    nimbo::MailServer server(target);
    *reply = server.Elabora(operation, request);
    return 0;
}

} // namespace

int setMailbox(const Options &o, QTextStream &out, QString *error)
{
    Dialect::Target target;
    if (!targetOf(o, &target, error) || !configure(o, error))
        return 2;
    const QString address = o.values.value(QStringLiteral("address")).trimmed();
    const QString security = o.values.value(QStringLiteral("security")).trimmed().toUpper();
    const QString imapSecurity = o.values.value(QStringLiteral("imap-security")).trimmed().toUpper();
    if (ente(o).isEmpty() || !nimbo::mail::isPlainAddress(address)) {
        *error = QStringLiteral("Indicare l'ente (--ente) e l'indirizzo della casella (--address).");
        return 2;
    }
    for (const QString &given : {security, imapSecurity})
        if (!given.isEmpty() && given != QLatin1String("SSL") && given != QLatin1String("STARTTLS")) {
            *error = QStringLiteral("--security e --imap-security valgono SSL oppure STARTTLS.");
            return 2;
        }
    QString password;
    if (!readSecret(QStringLiteral("Password della casella di posta: "), false, &password, error))
        return 1;
    const Cipher::Result stored = Cipher::encipher(password);
    if (!stored.ok) {
        *error = stored.error;
        return 1;
    }
    if (!Dialect::open(kConn, target, error))
        return 1;
    QSqlQuery q(QSqlDatabase::database(kConn, false));
    q.prepare(QStringLiteral("UPDATE Tab_Enti SET Ente_PostaElettronica = ?, Ente_PWD_Posta = ?, Ente_Posta_POP = ?, "
                             "Ente_Posta_PortaIMAP = ?, Ente_Posta_SMTP = ?, Ente_Posta_PortaServer = ?, "
                             "Ente_Posta_Sicurezza = ?, Ente_Posta_SicurezzaIMAP = ?, Ente_Posta_Utente = ?, "
                             "Ente_Posta_Cartella = ? WHERE Ente_Codice = ?"));
    for (const QVariant &v : QVariantList{address, stored.text, o.values.value(QStringLiteral("imap")),
                                          o.values.value(QStringLiteral("imap-port")),
                                          o.values.value(QStringLiteral("smtp")),
                                          o.values.value(QStringLiteral("smtp-port")), security,
                                          o.values.value(QStringLiteral("imap-security")).trimmed().toUpper(),
                                          o.values.value(QStringLiteral("user")),
                                          o.values.value(QStringLiteral("folder")), ente(o)})
        q.addBindValue(v);
    const bool ok = q.exec();
    const int rows = ok ? q.numRowsAffected() : 0;
    if (!ok)
        *error = q.lastError().text();
    else if (rows != 1)
        *error = QStringLiteral("Ente inesistente: ") + ente(o);
    q.finish();
    Dialect::close(kConn);
    if (!ok || rows != 1)
        return 1;
    out << QStringLiteral("Casella di posta dell'ente %1 impostata: %2").arg(ente(o), address) << Qt::endl;
    return 0;
}

int fetchMail(const Options &o, QTextStream &out, QString *error)
{
    QVariantList reply;
    if (const int rc = callMailServer(o, nimbo::kOpLeggiCasella,
                                      nimbo::mailreq::mailboxRequest(ente(o), o.values.value(QStringLiteral("operator"))),
                                      &reply, error))
        return rc;
    const QString status = reply.value(0).toString();
    if (status == QLatin1String("0") || status == nimbo::kStatusMailboxFailed)
        out << QStringLiteral("Ente %1: %2 messaggi registrati come protocolli provvisori, %3 ricevute, %4 già "
                              "presenti o lasciati nella casella.")
                   .arg(ente(o))
                   .arg(reply.value(2).toInt())
                   .arg(reply.value(3).toInt())
                   .arg(reply.value(4).toInt())
            << Qt::endl;
    if (status == QLatin1String("0")) {
        if (!reply.value(1).toString().isEmpty())
            out << reply.value(1).toString() << Qt::endl;
        return 0;
    }
    *error = reply.value(1).toString();
    return 1;
}

int sendMail(const Options &o, QTextStream &out, QString *error)
{
    QVariantList reply;
    if (const int rc = callMailServer(o, nimbo::kOpReinviaEmail, nimbo::mailreq::resendRequest(ente(o)), &reply, error))
        return rc;
    if (reply.value(0).toString() != QLatin1String("0")) {
        *error = reply.value(1).toString();
        return 1;
    }
    out << QStringLiteral("Ente %1: %2 messaggi inviati, %3 ancora non inviati.")
               .arg(ente(o))
               .arg(reply.value(2).toInt())
               .arg(reply.value(3).toInt())
        << Qt::endl;
    if (reply.value(3).toInt() > 0) {
        *error = reply.value(1).toString();
        return 1;
    }
    return 0;
}

QString mailUsage()
{
    return QStringLiteral(
        "  set-mailbox --sqlite FILE | --pg \"CONNINFO\" --ente ENTE --key KEYFILE --address INDIRIZZO\n"
        "              [--imap HOST] [--imap-port PORTA] [--smtp HOST] [--smtp-port PORTA]\n"
        "              [--security SSL|STARTTLS] [--imap-security SSL|STARTTLS] [--user UTENTE]\n"
        "              [--folder CARTELLA]\n"
        "      imposta la casella di posta dell'ente; la password si legge dallo standard input\n"
        "  fetch-mail --sqlite FILE | --pg \"CONNINFO\" --ente ENTE --key KEYFILE [--ca CERTIFICATI]\n"
        "             [--operator CODICE]\n"
        "      legge i messaggi nuovi della casella dell'ente e li registra come protocolli provvisori (una\n"
        "      volta sola, anche se interrotto); da eseguire periodicamente\n"
        "  send-mail --sqlite FILE | --pg \"CONNINFO\" --ente ENTE --key KEYFILE [--ca CERTIFICATI]\n"
        "      invia di nuovo i messaggi che il server di posta non aveva accettato\n");
}

} // namespace Admin
