#include "mail/AgidXml.h"

#include "mail/Segnatura.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <cstring>
#include <mutex>

namespace nimbo::mail::agid {

namespace {

// The shipped schemas are addressed by this scheme, so that their relative
// imports resolve among themselves and never reach the file system or the
// network.
constexpr char kShippedScheme[] = "nimbo-agid:///";

// Set while a document from outside is being read: the entity loader then
// refuses everything, whatever libxml2 asks for.
thread_local bool readingUntrusted = false;
// Set while our own schemas are parsed: only shipped files may be loaded.
thread_local bool loadingSchemas = false;

xmlExternalEntityLoader previousLoader = nullptr;

xmlParserInputPtr shippedInput(const char *url, xmlParserCtxtPtr ctxt)
{
    const QString path = QString::fromUtf8(url + std::strlen(kShippedScheme));
    if (path.isEmpty() || path.contains(QLatin1String("..")))
        return nullptr;
    QFile f(QStringLiteral(":/agid/") + path);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray data = f.readAll();
    xmlParserInputBufferPtr buf = xmlParserInputBufferCreateMem(data.constData(), int(data.size()), XML_CHAR_ENCODING_NONE);
    if (!buf)
        return nullptr;
    xmlParserInputPtr in = xmlNewIOInputStream(ctxt, buf, XML_CHAR_ENCODING_NONE);
    if (!in) {
        xmlFreeParserInputBuffer(buf);
        return nullptr;
    }
    // The document's URL is the base its imports are resolved against.
    in->filename = reinterpret_cast<char *>(xmlStrdup(reinterpret_cast<const xmlChar *>(url)));
    return in;
}

xmlParserInputPtr entityLoader(const char *url, const char *id, xmlParserCtxtPtr ctxt)
{
    if (url && std::strncmp(url, kShippedScheme, std::strlen(kShippedScheme)) == 0)
        return shippedInput(url, ctxt);
    if (readingUntrusted || loadingSchemas)
        return nullptr;
    return previousLoader ? previousLoader(url, id, ctxt) : nullptr;
}

// libxml2 reports through a per-thread handler; while one of our calls runs
// its messages are gathered here instead of going to standard error.
class ErrorCollector
{
public:
    ErrorCollector()
        : m_prevHandler(xmlStructuredError)
        , m_prevContext(xmlStructuredErrorContext)
    {
        xmlSetStructuredErrorFunc(this, &ErrorCollector::collect);
    }
    ~ErrorCollector() { xmlSetStructuredErrorFunc(m_prevContext, m_prevHandler); }
    ErrorCollector(const ErrorCollector &) = delete;
    ErrorCollector &operator=(const ErrorCollector &) = delete;

    bool empty() const { return m_lines.isEmpty(); }
    QString first() const { return m_lines.value(0); }

    // At most a screenful: a wrong document can produce thousands of
    // complaints, and the first ones say what is wrong.
    QString joined() const
    {
        constexpr int shown = 20;
        QStringList out = m_lines.mid(0, shown);
        if (m_lines.size() > shown)
            out.append(QStringLiteral("... e altri %1 errori").arg(m_lines.size() - shown));
        return out.join(QLatin1Char('\n'));
    }

private:
    static void collect(void *self, xmlErrorPtr e)
    {
        if (!e || e->level == XML_ERR_WARNING)
            return;
        static_cast<ErrorCollector *>(self)->m_lines.append(describe(e));
    }

    static QString describe(const xmlError *e)
    {
        QString msg = QString::fromUtf8(e->message ? e->message : "errore sconosciuto").trimmed();
        // Element names come as "{namespace}Name"; the usual prefixes read better.
        msg.replace(QLatin1String("{") + QLatin1String(kProtNs) + QLatin1String("}"), QStringLiteral("prot:"));
        msg.replace(QLatin1String("{") + QLatin1String(kPecNs) + QLatin1String("}"), QStringLiteral("pec:"));
        msg.replace(QLatin1String("{") + QLatin1String(kDsNs) + QLatin1String("}"), QStringLiteral("ds:"));
        msg = xmlSafeText(msg, 500);
        return e->line > 0 ? QStringLiteral("riga %1: %2").arg(e->line).arg(msg) : msg;
    }

    QStringList m_lines;
    xmlStructuredErrorFunc m_prevHandler;
    void *m_prevContext;
};

class FlagGuard
{
public:
    explicit FlagGuard(bool &flag)
        : m_flag(flag)
        , m_old(flag)
    {
        m_flag = true;
    }
    ~FlagGuard() { m_flag = m_old; }
    FlagGuard(const FlagGuard &) = delete;
    FlagGuard &operator=(const FlagGuard &) = delete;

private:
    bool &m_flag;
    bool m_old;
};

void initOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        previousLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(&entityLoader);
    });
}

const char *schemaFile(Schema s)
{
    return s == Schema::Segnatura ? "segnatura_protocollo.xsd" : "pec_message.xsd";
}

struct LoadedSchema {
    xmlSchemaPtr schema = nullptr;
    QString error;
};

LoadedSchema loadSchema(Schema s)
{
    initOnce();
    FlagGuard guard(loadingSchemas);
    ErrorCollector errors;
    LoadedSchema out;
    const QByteArray url = QByteArray(kShippedScheme) + schemaFile(s);
    xmlSchemaParserCtxtPtr pctxt = xmlSchemaNewParserCtxt(url.constData());
    if (pctxt) {
        out.schema = xmlSchemaParse(pctxt);
        xmlSchemaFreeParserCtxt(pctxt);
    }
    if (!out.schema)
        out.error = QStringLiteral("Impossibile caricare lo schema %1: %2")
                        .arg(QLatin1String(schemaFile(s)), errors.empty() ? QStringLiteral("file mancante") : errors.joined());
    return out;
}

// Parsed once for the life of the program; a parsed schema is only read
// afterwards, so validations in several threads may share it.
const LoadedSchema &loaded(Schema s)
{
    static const LoadedSchema segnatura = loadSchema(Schema::Segnatura);
    static const LoadedSchema pec = loadSchema(Schema::PecMessage);
    return s == Schema::Segnatura ? segnatura : pec;
}

bool isNamed(const xmlNode *n, const char *name, const char *ns)
{
    return n && n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, BAD_CAST name) && n->ns
           && xmlStrEqual(n->ns->href, BAD_CAST ns);
}

} // namespace

DocPtr readUntrusted(const QByteArray &xml, QString *error)
{
    initOnce();
    if (xml.trimmed().isEmpty()) {
        *error = QStringLiteral("Il documento XML è vuoto.");
        return nullptr;
    }
    if (xml.size() > kMaxDocumentBytes) {
        *error = QStringLiteral("Il documento XML supera la dimensione massima ammessa (%1 MB).")
                     .arg(kMaxDocumentBytes / (1024 * 1024));
        return nullptr;
    }
    FlagGuard guard(readingUntrusted);
    ErrorCollector errors;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        *error = QStringLiteral("Memoria insufficiente per leggere il documento XML.");
        return nullptr;
    }
    // No XML_PARSE_NOENT, DTDLOAD, DTDATTR or HUGE: entities stay
    // unexpanded, no external subset is read, depth and size limits hold.
    DocPtr doc(xmlCtxtReadMemory(ctxt, xml.constData(), int(xml.size()), nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA));
    const bool wellFormed = ctxt->wellFormed;
    xmlFreeParserCtxt(ctxt);
    if (!doc || !wellFormed) {
        *error = QStringLiteral("Il documento XML non è ben formato: %1")
                     .arg(errors.empty() ? QStringLiteral("errore sconosciuto") : errors.first());
        return nullptr;
    }
    if (doc->intSubset || doc->extSubset) {
        *error = QStringLiteral("Il documento XML contiene una dichiarazione DOCTYPE, non ammessa.");
        return nullptr;
    }
    return doc;
}

bool validate(xmlDoc *doc, Schema schema, QString *error)
{
    const LoadedSchema &s = loaded(schema);
    if (!s.schema) {
        *error = s.error;
        return false;
    }
    FlagGuard guard(readingUntrusted);
    ErrorCollector errors;
    xmlSchemaValidCtxtPtr vctxt = xmlSchemaNewValidCtxt(s.schema);
    if (!vctxt) {
        *error = QStringLiteral("Memoria insufficiente per validare il documento XML.");
        return false;
    }
    const int rc = xmlSchemaValidateDoc(vctxt, doc);
    xmlSchemaFreeValidCtxt(vctxt);
    if (rc == 0)
        return true;
    *error = QStringLiteral("Il documento non è conforme allo schema %1:\n%2")
                 .arg(QLatin1String(schemaFile(schema)),
                      errors.empty() ? QStringLiteral("errore interno del validatore") : errors.joined());
    return false;
}

bool checkBytes(const QByteArray &xml, Schema schema, QString *error)
{
    DocPtr doc = readUntrusted(xml, error);
    return doc && validate(doc.get(), schema, error);
}

QByteArray serializeChecked(xmlDoc *doc, Schema schema, QString *error)
{
    xmlChar *mem = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &mem, &size, "UTF-8", 1);
    if (!mem) {
        *error = QStringLiteral("Impossibile scrivere il documento XML.");
        return {};
    }
    QByteArray out(reinterpret_cast<const char *>(mem), size);
    xmlFree(mem);
    if (!checkBytes(out, schema, error))
        return {};
    return out;
}

xmlNode *rootNamed(xmlDoc *doc, const char *ns, const char *name)
{
    xmlNode *root = doc ? xmlDocGetRootElement(doc) : nullptr;
    return isNamed(root, name, ns) ? root : nullptr;
}

xmlNode *child(const xmlNode *parent, const char *name, const char *ns)
{
    for (xmlNode *n = parent ? parent->children : nullptr; n; n = n->next)
        if (isNamed(n, name, ns))
            return n;
    return nullptr;
}

QList<xmlNode *> children(const xmlNode *parent, const char *name, const char *ns)
{
    QList<xmlNode *> out;
    for (xmlNode *n = parent ? parent->children : nullptr; n; n = n->next)
        if (isNamed(n, name, ns))
            out.append(n);
    return out;
}

QString text(const xmlNode *node)
{
    if (!node)
        return {};
    xmlChar *content = xmlNodeGetContent(node);
    const QString out = QString::fromUtf8(reinterpret_cast<const char *>(content));
    xmlFree(content);
    return out;
}

QString attribute(const xmlNode *node, const char *name, const char *ns)
{
    if (!node)
        return {};
    xmlChar *value = xmlGetNsProp(node, BAD_CAST name, BAD_CAST ns);
    const QString out = QString::fromUtf8(reinterpret_cast<const char *>(value));
    xmlFree(value);
    return out;
}

xmlNode *addChild(xmlNode *parent, xmlNs *ns, const char *name, const QString &text)
{
    // xmlNewTextChild escapes the text; markup in a subject stays text.
    const QByteArray utf8 = text.toUtf8();
    return xmlNewTextChild(parent, ns, BAD_CAST name, text.isEmpty() ? nullptr : BAD_CAST utf8.constData());
}

void setAttribute(xmlNode *node, xmlNs *ns, const char *name, const QString &value)
{
    xmlNewNsProp(node, ns, BAD_CAST name, BAD_CAST value.toUtf8().constData());
}

QString xmlSafeText(const QString &text, int maxChars)
{
    QString out;
    out.reserve(qMin(text.size(), qsizetype(maxChars)));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            continue;
        out.append(c);
        if (out.size() >= maxChars)
            break;
    }
    // A lone surrogate left at the cut would make the UTF-8 invalid.
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

void writeIdentificatore(xmlNode *parent, xmlNs *ns, const char *name, xmlNs *prot, const RegistrationId &id)
{
    xmlNode *n = addChild(parent, ns, name);
    addChild(n, prot, "CodiceAmministrazione", id.administration);
    addChild(n, prot, "CodiceAOO", id.aoo);
    addChild(n, prot, "CodiceRegistro", id.registry);
    addChild(n, prot, "NumeroRegistrazione", id.number);
    addChild(n, prot, "DataRegistrazione", id.date.toString(Qt::ISODate));
    if (id.time.isValid())
        addChild(n, prot, "OraRegistrazione", id.time.toString(QStringLiteral("HH:mm:ss")));
}

RegistrationId readIdentificatore(const xmlNode *node)
{
    RegistrationId id;
    if (!node)
        return id;
    id.administration = text(child(node, "CodiceAmministrazione")).trimmed();
    id.aoo = text(child(node, "CodiceAOO")).trimmed();
    id.registry = text(child(node, "CodiceRegistro")).trimmed();
    id.number = text(child(node, "NumeroRegistrazione")).trimmed();
    // xs:date and xs:time may carry a time zone; the register keeps the
    // local date and time as written.
    id.date = QDate::fromString(text(child(node, "DataRegistrazione")).trimmed().left(10), Qt::ISODate);
    if (xmlNode *t = child(node, "OraRegistrazione"))
        id.time = QTime::fromString(text(t).trimmed().left(8), QStringLiteral("HH:mm:ss"));
    return id;
}

QStringList identifierProblems(const RegistrationId &id, const QString &whose)
{
    static const QRegularExpression registry(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9_.\\-]{1,16}")));
    static const QRegularExpression number(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{7,}")));
    QStringList p;
    if (id.administration.trimmed().isEmpty())
        p << QStringLiteral("codice IPA dell'amministrazione mancante.");
    if (id.aoo.trimmed().isEmpty())
        p << QStringLiteral("codice IPA dell'AOO mancante.");
    if (!registry.match(id.registry).hasMatch())
        p << QStringLiteral("codice registro non valido (lettere, cifre, '_', '.', '-'; al più 16 caratteri).");
    if (!number.match(id.number).hasMatch())
        p << QStringLiteral("numero di protocollo non valido (almeno 7 cifre).");
    if (!id.date.isValid())
        p << QStringLiteral("data di protocollo mancante.");
    for (QString &line : p)
        line.prepend(whose + QStringLiteral(": "));
    return p;
}

} // namespace nimbo::mail::agid
