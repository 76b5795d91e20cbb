#include "mail/Segnatura.h"

#include "mail/AgidXml.h"
#include "mail/MailAddress.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <optional>

namespace nimbo::mail {

using namespace agid;

namespace {

// What the schema would accept but the exchange cannot use, and what it
// would refuse with a message no clerk can read, said in plain words first.
QStringList inputProblems(const SegnaturaData &d)
{
    QStringList p = identifierProblems(d.id, QStringLiteral("Protocollo"));
    if (d.subject.trimmed().isEmpty())
        p << QStringLiteral("Oggetto mancante.");
    if (d.sender.name.trimmed().isEmpty())
        p << QStringLiteral("Denominazione del mittente mancante.");
    if (d.recipients.isEmpty())
        p << QStringLiteral("Nessun destinatario.");
    for (const SegnaturaParty &r : d.recipients) {
        if (r.name.trimmed().isEmpty())
            p << QStringLiteral("Destinatario senza denominazione.");
        if (!r.email.isEmpty() && !isPlainAddress(r.email))
            p << QStringLiteral("Indirizzo e-mail del destinatario non valido: %1").arg(r.email);
    }
    QSet<QString> names;
    QList<SegnaturaDocument> docs{d.primary};
    docs += d.attachments;
    for (const SegnaturaDocument &doc : docs) {
        if (doc.fileName.trimmed().isEmpty() || doc.mimeType.trimmed().isEmpty()) {
            p << QStringLiteral("Documento senza nome del file o tipo MIME.");
            continue;
        }
        // The receiver matches files to digests by name.
        if (names.contains(doc.fileName))
            p << QStringLiteral("Due documenti con lo stesso nome del file: %1").arg(doc.fileName);
        names.insert(doc.fileName);
        if (doc.digestAlgorithm != QLatin1String("SHA-256") || doc.digest.size() != 32)
            p << QStringLiteral("Impronta SHA-256 mancante o non valida: %1").arg(doc.fileName);
    }
    return p;
}

void addEmail(xmlNode *parent, xmlNs *prot, const char *contactsName, const QString &email)
{
    if (email.isEmpty())
        return;
    xmlNode *contacts = addChild(parent, prot, contactsName);
    setAttribute(addChild(contacts, prot, "IndirizzoTelematico", email), prot, "tipo", QStringLiteral("smtp"));
}

void writeParty(xmlNode *parent, xmlNs *prot, const SegnaturaParty &party)
{
    if (party.administration.isEmpty()) {
        xmlNode *body = addChild(parent, prot, "PersonaGiuridica");
        addChild(body, prot, "Denominazione", party.name);
        addEmail(body, prot, "ContattiPersonaGiuridica", party.email);
        return;
    }
    xmlNode *adm = addChild(parent, prot, "Amministrazione");
    addChild(adm, prot, "DenominazioneAmministrazione", party.name);
    addChild(adm, prot, "CodiceIPAAmministrazione", party.administration);
    if (party.aoo.isEmpty()) {
        addEmail(adm, prot, "ContattiAmministrazione", party.email);
    } else {
        addChild(adm, prot, "CodiceIPAAOO", party.aoo);
        addEmail(adm, prot, "ContattiAOO", party.email);
    }
}

void writeDocument(xmlNode *parent, xmlNs *prot, const char *name, const SegnaturaDocument &doc)
{
    xmlNode *n = addChild(parent, prot, name);
    setAttribute(n, prot, "nomeFile", doc.fileName);
    setAttribute(n, prot, "mimeType", doc.mimeType);
    if (!doc.description.isEmpty())
        addChild(n, prot, "Descrizione", doc.description);
    xmlNode *digest = addChild(n, prot, "Impronta", QString::fromLatin1(doc.digest.toBase64()));
    setAttribute(digest, prot, "algoritmo", doc.digestAlgorithm);
}

void addAlgorithm(xmlNode *parent, xmlNs *ds, const char *name, const char *algorithm)
{
    xmlNewProp(addChild(parent, ds, name), BAD_CAST "Algorithm", BAD_CAST algorithm);
}

// The place of the XAdES signature. The schema requires ds:Signature, so an
// unsigned Segnatura carries this placeholder: an enveloped reference to
// the whole document with no digest and no signature value. A signer fills
// DigestValue and SignatureValue and adds KeyInfo and the XAdES
// qualifying properties (ds:Object).
void writeSignaturePlaceholder(xmlNode *root, xmlNs *ds)
{
    xmlNode *sig = addChild(root, ds, "Signature");
    xmlNode *info = addChild(sig, ds, "SignedInfo");
    addAlgorithm(info, ds, "CanonicalizationMethod", "http://www.w3.org/2001/10/xml-exc-c14n#");
    addAlgorithm(info, ds, "SignatureMethod", "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256");
    xmlNode *ref = addChild(info, ds, "Reference");
    xmlNewProp(ref, BAD_CAST "URI", BAD_CAST "");
    addAlgorithm(addChild(ref, ds, "Transforms"), ds, "Transform", "http://www.w3.org/2000/09/xmldsig#enveloped-signature");
    addAlgorithm(ref, ds, "DigestMethod", "http://www.w3.org/2001/04/xmlenc#sha256");
    addChild(ref, ds, "DigestValue");
    addChild(sig, ds, "SignatureValue");
}

QString firstSmtpAddress(const xmlNode *contacts)
{
    for (const xmlNode *n : children(contacts, "IndirizzoTelematico")) {
        const QString kind = attribute(n, "tipo");
        if (kind.isEmpty() || kind == QLatin1String("smtp"))
            return text(n).trimmed();
    }
    return {};
}

void readParty(const xmlNode *node, SegnaturaParty *p)
{
    if (const xmlNode *adm = child(node, "Amministrazione")) {
        p->name = text(child(adm, "DenominazioneAmministrazione")).trimmed();
        p->administration = text(child(adm, "CodiceIPAAmministrazione")).trimmed();
        p->aoo = text(child(adm, "CodiceIPAAOO")).trimmed();
        for (const char *contacts : {"ContattiAOO", "ContattiAmministrazione", "ContattiUO"})
            if (p->email.isEmpty())
                p->email = firstSmtpAddress(child(adm, contacts));
    } else if (const xmlNode *body = child(node, "PersonaGiuridica")) {
        p->name = text(child(body, "Denominazione")).trimmed();
        p->email = firstSmtpAddress(child(body, "ContattiPersonaGiuridica"));
    } else if (const xmlNode *person = child(node, "PersonaFisica")) {
        p->name = (text(child(person, "Cognome")).trimmed() + QLatin1Char(' ') + text(child(person, "Nome")).trimmed())
                      .trimmed();
        p->email = firstSmtpAddress(child(person, "Contatti"));
    } else if (const xmlNode *foreign = child(node, "AmministrazioneEstera")) {
        p->name = text(child(foreign, "DenominazioneAmministrazione")).trimmed();
        p->email = firstSmtpAddress(child(foreign, "ContattiAmministrazione"));
    }
}

SegnaturaDocument readDocument(const xmlNode *node)
{
    SegnaturaDocument doc;
    doc.fileName = attribute(node, "nomeFile");
    doc.mimeType = attribute(node, "mimeType");
    doc.description = text(child(node, "Descrizione")).trimmed();
    const xmlNode *digest = child(node, "Impronta");
    doc.digest = QByteArray::fromBase64(text(digest).toLatin1());
    const QString algorithm = attribute(digest, "algoritmo");
    doc.digestAlgorithm = algorithm.isEmpty() ? QStringLiteral("SHA-256") : algorithm;
    return doc;
}

bool readBool(const QString &value, bool absent)
{
    const QString v = value.trimmed();
    return v.isEmpty() ? absent : (v == QLatin1String("true") || v == QLatin1String("1"));
}

// "Titolo I" / "Classe 1" levels of a CodicePath, joined with dots.
QString readCodePath(const xmlNode *level)
{
    QStringList parts;
    for (; level; level = child(level, "SubLivello"))
        parts << text(child(level, "Livello")).trimmed();
    return parts.join(QLatin1Char('.'));
}

std::optional<QCryptographicHash::Algorithm> hashAlgorithm(const QString &name)
{
    QString n = name.trimmed().toUpper();
    n.remove(QLatin1Char('-'));
    if (n == QLatin1String("SHA256") || n.endsWith(QLatin1String("#SHA256")))
        return QCryptographicHash::Sha256;
    if (n == QLatin1String("SHA384") || n.endsWith(QLatin1String("#SHA384")))
        return QCryptographicHash::Sha384;
    if (n == QLatin1String("SHA512") || n.endsWith(QLatin1String("#SHA512")))
        return QCryptographicHash::Sha512;
    return std::nullopt;
}

} // namespace

bool RegistrationId::isComplete() const
{
    return !administration.trimmed().isEmpty() && !aoo.trimmed().isEmpty() && !registry.trimmed().isEmpty()
           && !number.trimmed().isEmpty() && date.isValid();
}

bool isSegnaturaFileName(const QString &attachmentName)
{
    QString name = attachmentName.trimmed();
    name = name.mid(qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1);
    return name.compare(QLatin1String(kSegnaturaFileName), Qt::CaseInsensitive) == 0;
}

QString segnaturaNumber(const QString &protocolNumber)
{
    QString t = protocolNumber.trimmed();
    if (t.contains(QLatin1Char('-')))
        t = t.section(QLatin1Char('-'), -1);
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    if (!digits.match(t).hasMatch())
        return {};
    // Our eleven digits are the year and a seven-digit progressive.
    if (t.size() == 11)
        t = t.right(7);
    return t.rightJustified(7, QLatin1Char('0'));
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

QByteArray buildSegnatura(const SegnaturaData &d, QString *error, const SegnaturaSigner &sign)
{
    if (const QStringList problems = inputProblems(d); !problems.isEmpty()) {
        *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    DocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    xmlNode *root = xmlNewNode(nullptr, BAD_CAST "SegnaturaInformatica");
    xmlDocSetRootElement(doc.get(), root);
    xmlNs *prot = xmlNewNs(root, BAD_CAST kProtNs, BAD_CAST "prot");
    xmlNs *ds = xmlNewNs(root, BAD_CAST kDsNs, BAD_CAST "ds");
    xmlSetNs(root, prot);
    setAttribute(root, prot, "versione", QStringLiteral("3.0.0"));
    setAttribute(root, prot, "lang", QStringLiteral("it"));

    xmlNode *head = addChild(root, prot, "Intestazione");
    writeIdentificatore(head, prot, "Identificatore", prot, d.id);
    addChild(head, prot, "Oggetto", d.subject);
    // Required even when the document is not classified: then both empty.
    xmlNode *cls = addChild(head, prot, "Classifica");
    addChild(cls, prot, "Denominazione", d.classificationName);
    addChild(cls, prot, "CodiceFlat", d.classificationCode);
    if (d.reserved)
        addChild(head, prot, "Riservato", QStringLiteral("true"));

    xmlNode *desc = addChild(root, prot, "Descrizione");
    writeParty(addChild(desc, prot, "Mittente"), prot, d.sender);
    for (const SegnaturaRecipient &r : d.recipients) {
        xmlNode *n = addChild(desc, prot, "Destinatario");
        setAttribute(n, prot, "confermaRicezione", r.confirmationRequested ? QStringLiteral("true") : QStringLiteral("false"));
        if (r.copyOnly)
            setAttribute(n, prot, "perConoscenza", QStringLiteral("true"));
        writeParty(n, prot, r);
    }
    writeDocument(desc, prot, "DocumentoPrimario", d.primary);
    for (const SegnaturaDocument &a : d.attachments)
        writeDocument(desc, prot, "Allegato", a);

    writeSignaturePlaceholder(root, ds);

    QByteArray out = serializeChecked(doc.get(), Schema::Segnatura, error);
    if (out.isEmpty() || !sign)
        return out;
    if (!sign(&out, error) || !checkBytes(out, Schema::Segnatura, error))
        return {};
    return out;
}

bool parseSegnatura(const QByteArray &xml, SegnaturaData *out, QString *error)
{
    DocPtr doc = readUntrusted(xml, error);
    if (!doc || !validate(doc.get(), Schema::Segnatura, error))
        return false;
    // The schema set also declares the signature's elements as roots.
    const xmlNode *root = rootNamed(doc.get(), kProtNs, "SegnaturaInformatica");
    if (!root) {
        *error = QStringLiteral("Il documento non è una segnatura di protocollo (SegnaturaInformatica).");
        return false;
    }
    SegnaturaData d;
    const xmlNode *head = child(root, "Intestazione");
    d.id = readIdentificatore(child(head, "Identificatore"));
    d.subject = text(child(head, "Oggetto")).trimmed();
    const xmlNode *cls = child(head, "Classifica");
    d.classificationName = text(child(cls, "Denominazione")).trimmed();
    d.classificationCode = child(cls, "CodiceFlat") ? text(child(cls, "CodiceFlat")).trimmed()
                                                    : readCodePath(child(cls, "CodicePath"));
    d.reserved = readBool(text(child(head, "Riservato")), false);

    const xmlNode *desc = child(root, "Descrizione");
    readParty(child(desc, "Mittente"), &d.sender);
    for (const xmlNode *n : children(desc, "Destinatario")) {
        SegnaturaRecipient r;
        readParty(n, &r);
        r.confirmationRequested = readBool(attribute(n, "confermaRicezione"), true);
        r.copyOnly = readBool(attribute(n, "perConoscenza"), false);
        d.recipients.append(r);
    }
    d.primary = readDocument(child(desc, "DocumentoPrimario"));
    for (const xmlNode *n : children(desc, "Allegato"))
        d.attachments.append(readDocument(n));
    d.signatureValuePresent =
        !text(child(child(root, "Signature", kDsNs), "SignatureValue", kDsNs)).trimmed().isEmpty();
    *out = d;
    return true;
}

bool checkDigests(const SegnaturaData &data, const QMap<QString, QByteArray> &filesByName, QString *error)
{
    QStringList problems;
    QList<SegnaturaDocument> docs{data.primary};
    docs += data.attachments;
    for (const SegnaturaDocument &doc : docs) {
        const auto algorithm = hashAlgorithm(doc.digestAlgorithm);
        if (!algorithm) {
            problems << QStringLiteral("%1: algoritmo d'impronta non supportato (%2)").arg(doc.fileName, doc.digestAlgorithm);
            continue;
        }
        const auto file = filesByName.constFind(doc.fileName);
        if (file == filesByName.constEnd())
            problems << QStringLiteral("%1: file non ricevuto").arg(doc.fileName);
        else if (QCryptographicHash::hash(*file, *algorithm) != doc.digest)
            problems << QStringLiteral("%1: l'impronta non corrisponde al file ricevuto").arg(doc.fileName);
    }
    if (!problems.isEmpty())
        *error = problems.join(QLatin1Char('\n'));
    return problems.isEmpty();
}

} // namespace nimbo::mail
