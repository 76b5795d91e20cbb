#pragma once
// The Segnatura.xml that travels with a registered document sent from one
// administration to another: who registered it (administration, AOO,
// registry, number, date), subject, classification, sender, recipients,
// and the SHA-256 digests that bind the primary document and attachments
// to it. Written and read against the national schema shipped with the
// program (data/agid/segnatura_protocollo.xsd).

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QTime>

#include <functional>

namespace nimbo::mail {

// The identifier of a registration in the exchange (Identificatore).
struct RegistrationId {
    QString administration; // IPA code of the administration
    QString aoo;            // IPA code of the AOO
    QString registry;       // registry code: letters, digits, "_.-", at most 16
    QString number;         // at least 7 digits ("0000042"); see segnaturaNumber()
    QDate date;
    QTime time;             // optional: invalid when not given

    // Every required part is there (the time is optional).
    bool isComplete() const;
    bool operator==(const RegistrationId &) const = default;
};

struct SegnaturaDocument {
    QString fileName;
    QString mimeType;
    QByteArray digest;                                   // raw bytes, not base64
    QString digestAlgorithm = QStringLiteral("SHA-256"); // as the sender named it
    QString description;                                 // optional
    bool operator==(const SegnaturaDocument &) const = default;
};

// A correspondent: an administration when `administration` (its IPA code)
// is set, otherwise a person or body known by name and e-mail address.
struct SegnaturaParty {
    QString name;           // denomination
    QString administration; // IPA code of the administration
    QString aoo;            // IPA code of the AOO, optional
    QString email;          // optional
    bool operator==(const SegnaturaParty &) const = default;
};

struct SegnaturaRecipient : SegnaturaParty {
    bool confirmationRequested = true; // the sender wants a ConfermaRicezione
    bool copyOnly = false;             // sent for information ("per conoscenza")
    bool operator==(const SegnaturaRecipient &) const = default;
};

struct SegnaturaData {
    RegistrationId id; // the sender's registration
    SegnaturaParty sender;
    QList<SegnaturaRecipient> recipients;
    QString subject;
    QString classificationCode; // e.g. "1.2.3"; empty when not classified
    QString classificationName;
    bool reserved = false; // "Riservato": the receiving AOO keeps it confidential
    SegnaturaDocument primary;
    QList<SegnaturaDocument> attachments;
    // Set by parseSegnatura: the ds:Signature carries a signature value.
    // The signature itself is not verified here.
    bool signatureValuePresent = false;
    bool operator==(const SegnaturaData &) const = default;
};

// The file name the Segnatura travels under in the e-mail.
inline constexpr char kSegnaturaFileName[] = "Segnatura.xml";
// True for the attachment of a received e-mail that holds the Segnatura
// (the name compared without case, any folder part ignored).
bool isSegnaturaFileName(const QString &attachmentName);

// The schema's registration number from ours: "2026-0000042",
// "20260000042" or a bare progressive "42" all give "0000042" (the year
// travels in the date). Empty when the text holds no number.
QString segnaturaNumber(const QString &protocolNumber);

QByteArray sha256(const QByteArray &data);

// Puts the XAdES signature into a built Segnatura. It receives the
// document with an unsigned ds:Signature placeholder (SignedInfo with an
// empty DigestValue, empty SignatureValue) and replaces that element with
// the enveloped signature. The result is validated again.
using SegnaturaSigner = std::function<bool(QByteArray *xml, QString *error)>;

// The Segnatura of an outgoing registration, UTF-8, validated against the
// schema before it is returned; empty with the reason in *error otherwise.
// Without a signer the ds:Signature element (required by the schema) is an
// unsigned placeholder that no verifier accepts as a signature.
QByteArray buildSegnatura(const SegnaturaData &data, QString *error, const SegnaturaSigner &sign = {});

// Validates a received Segnatura against the schema (the complaints with
// their line numbers in *error), then reads it into *out.
bool parseSegnatura(const QByteArray &xml, SegnaturaData *out, QString *error);

// The received files match the declared digests: every declared document
// is among filesByName (key: file name) and its digest is right. Files not
// declared (the Segnatura itself, envelopes) are not looked at. Every
// mismatch is listed in *error, one line each.
bool checkDigests(const SegnaturaData &data, const QMap<QString, QByteArray> &filesByName, QString *error);

} // namespace nimbo::mail
