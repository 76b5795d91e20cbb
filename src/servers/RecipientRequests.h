#pragma once
// The further recipients of an outgoing protocol, written by the protocol
// server (code in RecipientServer.cpp), and the builder of the request, so
// that the windows never lay out an array by hand.
//
// Operation 14. Request (6 entries):
//   0  the body
//   1  the direction (only "U" has further recipients)
//   2  the protocol number (11 digits)
//   3  the operator code
//   4  the address-book identifiers of every further recipient, the whole
//      new list (a one-dimensional list; may be empty)
//   5  "SI" when the operator's department is the protocol office's, else "NO"
// The server replaces the protocol's further recipients with the list in
// one transaction: refused or failed, it writes nothing. It writes as the
// session's operator (writerOf), takes the protocol's row before it looks,
// keeps the rows that are not further recipients (Tab_principale other than
// 'N'), and writes a recipient named twice once. Refused: a protocol that
// is not an outgoing one of the body or is cancelled, the main recipient
// (Tab_Intestatario) in the list, an identifier that is not an entry of the
// body's address book, or a new one whose entry is not active (one already
// listed stays while its entry is switched off).
// Reply: [0, ""] on success; ["991", text naming the field] when the request
// is refused; [status, text] with another status when the database fails.

#include <QString>
#include <QVariantList>
#include <QVector>

namespace nimbo {

constexpr short kOpAltriDestinatari = 14;

namespace links {

inline QVariantList recipientsRequest(const QString &ente, const QString &direction, const QString &number,
                                      const QString &operatorCode, const QVector<qlonglong> &recipients,
                                      bool protocolOffice)
{
    QVariantList ids;
    for (qlonglong id : recipients)
        ids.append(id);
    return {ente, direction, number, operatorCode, QVariant(ids),
            protocolOffice ? QStringLiteral("SI") : QStringLiteral("NO")};
}

} // namespace links
} // namespace nimbo
