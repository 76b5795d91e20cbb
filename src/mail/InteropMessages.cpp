#include "mail/InteropMessages.h"

#include "mail/AgidXml.h"
#include "mail/MimeReader.h"

#include <QStringList>

namespace nimbo::mail {

using namespace agid;

namespace {

// A notice must reach its reader; the description and the reason come from
// what was received and from parser messages, so they are cleaned and cut.
constexpr int kMaxReasonChars = 4000;
constexpr int kMaxDescriptionChars = 1000;

struct Root {
    DocPtr doc;
    xmlNode *root = nullptr;
    xmlNs *pec = nullptr;
    xmlNs *prot = nullptr;
};

Root newMessage(const char *name)
{
    Root r;
    r.doc.reset(xmlNewDoc(BAD_CAST "1.0"));
    r.root = xmlNewNode(nullptr, BAD_CAST name);
    xmlDocSetRootElement(r.doc.get(), r.root);
    r.pec = xmlNewNs(r.root, BAD_CAST kPecNs, BAD_CAST "pec");
    r.prot = xmlNewNs(r.root, BAD_CAST kProtNs, BAD_CAST "prot");
    xmlSetNs(r.root, r.pec);
    setAttribute(r.root, r.pec, "versione", QStringLiteral("3.0.0"));
    setAttribute(r.root, r.pec, "lang", QStringLiteral("it"));
    return r;
}

void writeReceived(const Root &r, const ReceivedMessage &received)
{
    xmlNode *n = addChild(r.root, r.pec, "MessaggioRicevuto");
    if (received.id.isComplete())
        writeIdentificatore(n, r.pec, "Identificatore", r.prot, received.id);
    else
        addChild(n, r.pec, "DescrizioneMessaggio", xmlSafeText(received.description, kMaxDescriptionChars));
}

ReceivedMessage readReceived(const xmlNode *n)
{
    ReceivedMessage m;
    m.id = readIdentificatore(child(n, "Identificatore", kPecNs));
    m.description = text(child(n, "DescrizioneMessaggio", kPecNs)).trimmed();
    return m;
}

// The sender's identifier of a refused Segnatura, if its text still holds
// one that the exchange can use.
RegistrationId identifierOfRefused(const QByteArray &xml)
{
    QString ignored;
    DocPtr doc = readUntrusted(xml, &ignored);
    const xmlNode *root = rootNamed(doc.get(), kProtNs, "SegnaturaInformatica");
    const RegistrationId id = readIdentificatore(child(child(root, "Intestazione"), "Identificatore"));
    return identifierProblems(id, QString()).isEmpty() ? id : RegistrationId{};
}

} // namespace

QByteArray buildConfermaRicezione(const RegistrationId &ours, const RegistrationId &received, QString *error)
{
    QStringList problems = identifierProblems(ours, QStringLiteral("Nostro protocollo"));
    problems += identifierProblems(received, QStringLiteral("Protocollo del messaggio ricevuto"));
    if (!problems.isEmpty()) {
        *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    Root r = newMessage("ConfermaRicezione");
    writeIdentificatore(r.root, r.pec, "Identificatore", r.prot, ours);
    writeReceived(r, ReceivedMessage{received, {}});
    return serializeChecked(r.doc.get(), Schema::PecMessage, error);
}

QByteArray buildNotificaEccezione(const RegistrationId &ours, const ReceivedMessage &received, const QString &reason,
                                  QString *error)
{
    QStringList problems;
    // Our identifier is optional: a message refused before registration has none.
    if (ours != RegistrationId{})
        problems += identifierProblems(ours, QStringLiteral("Nostro protocollo"));
    if (received.id != RegistrationId{})
        problems += identifierProblems(received.id, QStringLiteral("Protocollo del messaggio ricevuto"));
    else if (received.description.trimmed().isEmpty())
        problems << QStringLiteral("Manca la descrizione del messaggio ricevuto.");
    const QString motivo = xmlSafeText(reason.trimmed(), kMaxReasonChars);
    if (motivo.isEmpty())
        problems << QStringLiteral("Manca il motivo dell'eccezione.");
    if (!problems.isEmpty()) {
        *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    Root r = newMessage("NotificaEccezione");
    if (ours != RegistrationId{})
        writeIdentificatore(r.root, r.pec, "Identificatore", r.prot, ours);
    writeReceived(r, received);
    addChild(r.root, r.pec, "Motivo", motivo);
    return serializeChecked(r.doc.get(), Schema::PecMessage, error);
}

QByteArray notificaForRefusedSegnatura(const QByteArray &segnaturaXml, const QString &reason,
                                       const RegistrationId &ours, const QString &messageDescription,
                                       QString *error)
{
    ReceivedMessage received;
    received.description = messageDescription.trimmed();
    if (received.description.isEmpty())
        received.description = QStringLiteral("Messaggio di protocollo ricevuto");
    received.id = identifierOfRefused(segnaturaXml);
    QByteArray out = buildNotificaEccezione(ours, received, reason, error);
    if (out.isEmpty() && received.id != RegistrationId{}) {
        // What was read from a refused document may still not fit the
        // schema (a date written oddly); the description always does.
        received.id = {};
        out = buildNotificaEccezione(ours, received, reason, error);
    }
    return out;
}

bool parseInteropMessage(const QByteArray &xml, InteropMessage *out, QString *error)
{
    DocPtr doc = readUntrusted(xml, error);
    if (!doc || !validate(doc.get(), Schema::PecMessage, error))
        return false;
    static const std::pair<const char *, InteropKind> kinds[] = {
        {"ConfermaRicezione", InteropKind::ConfermaRicezione},
        {"AggiornamentoConferma", InteropKind::AggiornamentoConferma},
        {"NotificaEccezione", InteropKind::NotificaEccezione},
        {"AnnullamentoProtocollazione", InteropKind::AnnullamentoProtocollazione},
    };
    InteropMessage m;
    const xmlNode *root = nullptr;
    for (const auto &[name, kind] : kinds) {
        if ((root = rootNamed(doc.get(), kPecNs, name))) {
            m.kind = kind;
            break;
        }
    }
    if (!root) {
        *error = QStringLiteral("Il documento non è un messaggio di protocollo (conferma, notifica o annullamento).");
        return false;
    }
    m.id = readIdentificatore(child(root, "Identificatore", kPecNs));
    m.received = readReceived(child(root, "MessaggioRicevuto", kPecNs));
    m.reason = text(child(root, "Motivo", kPecNs)).trimmed();
    m.measure = text(child(root, "Provvedimento", kPecNs)).trimmed();
    *out = m;
    return true;
}

bool confirmationRequested(const SegnaturaData &data, const QString &ourAdministration, const QString &ourAoo)
{
    for (const SegnaturaRecipient &r : data.recipients) {
        if (r.administration.compare(ourAdministration.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        if (r.aoo.isEmpty() || r.aoo.compare(ourAoo.trimmed(), Qt::CaseInsensitive) == 0)
            return r.confirmationRequested;
    }
    return false;
}

bool segnaturaOfMessage(const QByteArray &rawMessage, SegnaturaData *data, QString *subject, QString *why)
{
    ParsedMail parsed;
    if (!parseMail(rawMessage, &parsed, why))
        return false;
    const ParsedMail &m = parsed.original ? *parsed.original : parsed;
    *subject = m.subject;
    for (const MailAttachment &a : m.attachments)
        if (isSegnaturaFileName(a.fileName))
            return parseSegnatura(a.data, data, why);
    *why = QStringLiteral("Il messaggio non è un messaggio di protocollo (manca Segnatura.xml).");
    return false;
}

RegistrationFields registrationFields(const SegnaturaData &data)
{
    RegistrationFields f;
    f.subject = data.subject;
    f.senderReference = data.id.number;
    f.senderDate = data.id.date;
    const QString code = data.classificationCode.trimmed();
    const QString name = data.classificationName.trimmed();
    f.classification = code.isEmpty() || name.isEmpty() ? code + name : code + QStringLiteral(" - ") + name;
    f.senderName = data.sender.name;
    f.senderAdministration = data.sender.administration.isEmpty() ? data.id.administration : data.sender.administration;
    f.senderAoo = data.sender.aoo.isEmpty() ? data.id.aoo : data.sender.aoo;
    f.senderEmail = data.sender.email;
    f.reserved = data.reserved;
    return f;
}

} // namespace nimbo::mail
