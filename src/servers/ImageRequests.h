#pragma once
// The image server (ProgID NimboServer.Immagini, configuration key OLEIMG):
// the scanned image of a protocol (Tab_immagini), its attachments
// (Tab_allegati) and the message file of a provisional e-mail protocol. The
// windows build every request through the functions below.
//
// Operation 17, storing. Request (5 entries):
//   0  "A" store, "C" delete an attachment
//   1  what: "IMMAGINE" or "ALLEGATO"
//   2  operator code (an active operator of the body; the session's
//      operator when there is one, whatever the request names)
//   3  "A": the row as a two-row table {names, values} (columns of the
//      table only; the identifier is the server's); "C": the Id_allegato
//   4  body of the row (every row names it; a delete must match it)
// An image replaces whatever image the protocol had, in the same
// transaction: a protocol has one image, whose pages the scanning window
// appends to before storing it whole. An attachment is added as a new row.
// Reply: [0, "", id of the new row] ("A"), [0, "", rows deleted] ("C").
//
// Operation 301 stores the image of a recovered emergency registration
// under its definitive protocol. Request as 17 with "A" and "IMMAGINE" (5
// entries; recoveredImageRequest below builds it); the row names Prot_EU,
// Prot_Numero (the definitive number), Immagine, Compresso and Data_Ins_Var
// (when the page was scanned on the workstation, "yyyy-mm-dd hh:mm:ss").
// The protocol must exist in the body and come from an emergency register
// (Tab_RegistroTemporaneo). The row keeps the scan's insertion time and is
// marked migrated (Migrato_su_Server "S", Data_Migrazione the server's
// date). It replaces only an earlier copy of the same scan (with a
// migration date, which operation 17 never writes, and the same insertion
// time), so a recovery tried again leaves one
// image; any other image of the protocol (scanned on it after a copy that
// failed) is kept and nothing is written.
// Reply: [0, "", id of the new row, "S"] when copied; [0, text saying what
// was kept, id of the kept row, "N"] when the protocol's image was kept.
//
// Operation 30002, reading. The server runs no SQL text from the client:
// the request names one of the fixed reads. Request (8 entries):
//   0  what: "IMMAGINE" (by protocol), "ALLEGATO" (by Id_allegato),
//      "EMAIL" (provisional e-mail protocol by its number)
//   1  body
//   2  "IMMAGINE": the protocol's direction "E"/"U"; otherwise empty
//   3  "IMMAGINE": the protocol number (11 digits); "ALLEGATO": the
//      Id_allegato; "EMAIL": the provisional number
//   4  operator code of the reader
//   5  workstation name (UTENTE)
//   6  the workstation's network adapters text
//   7  the function that reads (written into the access log)
//   8  "S": send the document; "N": check and log only (the window found a
//      copy kept on the workstation)
// A protocol under privacy ("S") is shown only to an operator holding the
// privacy right or to the operator who registered it. Every read of a
// document, allowed or refused, leaves one Log_ACCESSI_PROTO row written in
// the same transaction, at the database server's time, signed by the
// session's operator when there is one (a provisional e-mail's names its
// number in the function). Every text of a request of any operation must
// hold no NUL, control character or broken Unicode: refused with "991"
// naming the field, before anything is written or logged.
// A document stored enciphered (Criptato "1") is sent deciphered, its
// Criptato then "0", to an operator who may see its protocol; any other
// reader is refused with "992" (and logged as refused).
// Reply: [0, "Operazione OK", bytes, Compresso, Criptato] when found;
// [1, text] when there is nothing stored; ["992", text] when privacy
// refuses (the text is shown as it is); ["991", text] malformed request;
// [status, text] on a database failure.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantList>

namespace nimbo {

inline const QString kImageProgId = QStringLiteral("NimboServer.Immagini");
constexpr short kOpRegistraAllegato = 17;
constexpr short kOpRegistraImmagineEmergenza = 301;
constexpr short kOpLeggiDocumento = 30002;
inline const QString kStatusPrivacy = QStringLiteral("992");

namespace image {

inline const QString kImage = QStringLiteral("IMMAGINE");
inline const QString kAttachment = QStringLiteral("ALLEGATO");
inline const QString kEmail = QStringLiteral("EMAIL");

inline const QString kPrivacyRefused =
    QStringLiteral("Utente non abilitato a visualizzare il documento. Protocollo soggetto a privacy.");
inline const QString kPrivacyCheckFailed =
    QStringLiteral("Contattare esperto procedura. Errore nel controllo abilitazioni Utente.");

// An enciphered document is shown, deciphered, only to an operator who may
// see its protocol in the general search (level, offices, extra pairs)
// and under the privacy rule above.
inline const QString kEncipheredRefused =
    QStringLiteral("Documento cifrato: l'utente non è abilitato a consultare il protocollo.");

// Element 3 of the reply of operation 301.
inline const QString kCopied = QStringLiteral("S");
inline const QString kKept = QStringLiteral("N");

// What operation 301 says when the protocol keeps its own image.
inline QString keptImageText(const QString &number, const QDateTime &storedAt)
{
    return QStringLiteral("Il protocollo %1 ha già un'immagine, registrata il %2: è stata mantenuta e l'immagine "
                          "della registrazione di emergenza non è stata copiata.")
        .arg(number, storedAt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
}

// Tipo_protocollo of an image row: "E" incoming, "D" outgoing.
inline QString imageDirection(const QString &protocolDirection)
{
    return protocolDirection == QLatin1String("U") ? QStringLiteral("D") : QStringLiteral("E");
}

// Who reads and from where, for the access log.
struct Reader {
    QString ente;
    QString operatorCode;
    QString workstation;
    QString adapters;
    QString function;
};

inline QVariantList storeRequest(const QString &what, const QString &operatorCode, const QString &ente,
                                 const QStringList &names, const QVariantList &values)
{
    QVariantList n;
    for (const QString &s : names)
        n.append(s);
    return {QStringLiteral("A"), what, operatorCode, QVariant(QVariantList{QVariant(n), QVariant(values)}), ente};
}

// Operation 301: the image read from the workstation's store (stored bytes
// and their Compresso flag as they are) for the definitive protocol.
inline QVariantList recoveredImageRequest(const QString &operatorCode, const QString &ente, const QString &direction,
                                          const QString &number, const QByteArray &stored, const QString &compresso,
                                          const QDateTime &inserted)
{
    return storeRequest(kImage, operatorCode, ente,
                        {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"), QStringLiteral("Immagine"),
                         QStringLiteral("Compresso"), QStringLiteral("Data_Ins_Var")},
                        {direction, number, stored, compresso,
                         inserted.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))});
}

inline QVariantList deleteAttachmentRequest(const QString &operatorCode, const QString &ente, qlonglong id)
{
    return {QStringLiteral("C"), kAttachment, operatorCode, id, ente};
}

inline QVariantList readRequest(const QString &what, const Reader &r, const QString &direction, const QString &key,
                                bool wantDocument = true)
{
    return {what,       r.ente,     direction, key, r.operatorCode, r.workstation, r.adapters, r.function,
            wantDocument ? QStringLiteral("S") : QStringLiteral("N")};
}

} // namespace image
} // namespace nimbo
