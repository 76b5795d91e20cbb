#pragma once
// The XML under the messages exchanged between administrations: the
// national schemas that ship inside the program, a reader for documents
// that come from outside, validation with readable errors, and small
// helpers over libxml2's tree shared by the writers and readers.
//
// Nothing here fetches anything: the schemas are served from the program's
// resources, and while a document from outside is read every external
// entity, DTD or network location is refused.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <memory>

namespace nimbo::mail {
struct RegistrationId;
}

namespace nimbo::mail::agid {

inline constexpr char kProtNs[] = "http://www.agid.gov.it/protocollo/";
inline constexpr char kPecNs[] = "http://www.agid.gov.it/protocollo/pec/";
inline constexpr char kDsNs[] = "http://www.w3.org/2000/09/xmldsig#";

// A Segnatura runs to a few kilobytes even with hundreds of attachments;
// anything far larger is refused before it is parsed.
inline constexpr qsizetype kMaxDocumentBytes = 4 * 1024 * 1024;

enum class Schema {
    Segnatura,  // segnatura_protocollo.xsd
    PecMessage, // pec_message.xsd: receipts, exception notices, cancellations
};

struct DocFree {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

// Reads a document received from outside. Refused, with the reason in
// *error: an empty or oversized text, one that is not well formed, and any
// document with a DOCTYPE (no message of the exchange has one, and it is
// how entity expansion and external entities get in).
DocPtr readUntrusted(const QByteArray &xml, QString *error);

// Validates against the shipped schema; on failure *error lists the
// schema's complaints, one "riga N: ..." line each.
bool validate(xmlDoc *doc, Schema schema, QString *error);

// Writes the document as UTF-8 and checks the bytes themselves (read back
// and validated), so that what leaves the program is what was checked.
QByteArray serializeChecked(xmlDoc *doc, Schema schema, QString *error);

// Reads back the bytes of a built document and validates them.
bool checkBytes(const QByteArray &xml, Schema schema, QString *error);

// The root element when it is `name` in namespace `ns`, else null.
xmlNode *rootNamed(xmlDoc *doc, const char *ns, const char *name);

// First child element `name` in namespace `ns`; null when absent.
xmlNode *child(const xmlNode *parent, const char *name, const char *ns = kProtNs);
QList<xmlNode *> children(const xmlNode *parent, const char *name, const char *ns = kProtNs);
// The node's text content; empty for a null node.
QString text(const xmlNode *node);
QString attribute(const xmlNode *node, const char *name, const char *ns = kProtNs);

xmlNode *addChild(xmlNode *parent, xmlNs *ns, const char *name, const QString &text = {});
void setAttribute(xmlNode *node, xmlNs *ns, const char *name, const QString &value);

// Text fit for an XML 1.0 document: characters XML cannot carry (control
// characters other than tab and line breaks) are dropped, and the text is
// cut at maxChars.
QString xmlSafeText(const QString &text, int maxChars = 4000);

// The Identificatore shared by every message of the exchange: the element
// `name` in namespace `ns`, its parts in the protocol namespace.
void writeIdentificatore(xmlNode *parent, xmlNs *ns, const char *name, xmlNs *prot, const RegistrationId &id);
RegistrationId readIdentificatore(const xmlNode *node);
// What keeps an identifier out of the exchange, one sentence each, each
// beginning with `whose` ("Protocollo mittente: ...").
QStringList identifierProblems(const RegistrationId &id, const QString &whose);

} // namespace nimbo::mail::agid
