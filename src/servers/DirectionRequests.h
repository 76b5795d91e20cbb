#pragma once
// The change of a protocol's direction, written by the protocol server
// (code in DirectionServer.cpp), and the builder of its request.
//
// Operation 18. Request (4 entries):
//   0  the body
//   1  the direction the protocol has now, as the window showed it ("E"/"U")
//   2  the protocol number (11 digits)
//   3  the operator code
// The protocol turns to the other direction and keeps its number, state and
// dates, and every row that carries its direction follows it, in ONE
// transaction: a protocol incoming in one table and outgoing in another is
// corrupt data, so a failure at any step leaves everything as it was. The
// protocol's row is locked before anything is looked at; the checks run
// under that lock: the writer (the session's operator, writerOf) must be the
// one who registered it (Tab_CodiceOpeReg), it must not be archived
// (Tab_Stampato "M") nor cancelled, and its direction must still be the one
// of element 1 (a change made meanwhile is not undone by a second one).
// Steps, in this order, each naming its table when it fails:
//   Tab_Protocollo           the direction; last writer and date (the
//                            database keeps the row as it was, with the old
//                            direction, the writer and the time, in
//                            Tab_Protocollo_Storico)
//   Tab_ProtocolloDestinatari to incoming: every row goes; to outgoing: the
//                            rows go and exactly one is written, the
//                            correspondent as main recipient ("S")
//   Tab_DocumentiCollegati, Tab_immagini (Prot_EU and Tipo_protocollo),
//   Tab_Iter_Destinatari, Tab_Iter_Documento, Tab_Iter_Trasmissioni,
//   Tab_ProFascicoli, Tab_ProSchedari, Tab_ProIntegrazioni
//                            the direction
//   Tab_ProtocolliCollegati  both rows of each link: the protocol's own
//                            (Tab_TipoProtocollo) and its partner's
//                            (Tab_TipoProtocolloC), in both directions
// Rows are selected by body and number alone, so a row left under the
// wrong direction by older programs follows too. Where a table's key holds
// the direction (iter documents, linked documents, links), a row already
// under the new direction with the same rest of the key makes the step
// collide: the change is then refused as a failure of that table.
// The history rows (Tab_Protocollo_Storico) keep the direction each state
// had; they are read by body and number.
// Reply: [0, "", new direction] on success; ["991", text naming the field]
// when refused; [status, "Contattare esperto procedura! Operazione su <table>
// non andata a buon fine.", the database's words] when a step fails (other
// failures: [status, text]).

#include <QString>
#include <QVariantList>

namespace nimbo {

constexpr short kOpInvertiTipo = 18;

namespace direction {

// The other direction: "U" for "E" and the reverse; empty for anything else.
inline QString opposite(const QString &direction)
{
    if (direction == QLatin1String("E"))
        return QStringLiteral("U");
    if (direction == QLatin1String("U"))
        return QStringLiteral("E");
    return {};
}

// What the clerk is told when a step fails.
inline QString stepFailure(const QString &table)
{
    return QStringLiteral("Contattare esperto procedura! Operazione su %1 non andata a buon fine.").arg(table);
}

inline QVariantList changeRequest(const QString &ente, const QString &direction, const QString &number,
                                  const QString &operatorCode)
{
    return {ente, direction, number, operatorCode};
}

} // namespace direction
} // namespace nimbo
