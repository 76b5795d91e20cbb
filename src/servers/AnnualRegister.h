#pragma once
// The register of a body for a period, read by the protocol server
// (operation 502, code in AnnualRegisterServer.cpp): the printed annual
// register and the periodic reports are made from it.
//
// Request (4 elements):
//   0  body code
//   1  first day of the period (a QDate, or a text "dd/mm/yyyy" or
//      "yyyy-mm-dd")
//   2  last day of the period, not before the first
//   3  operator code (an active operator of the body; the session's when
//      there is one, writerOf)
//
// Reply: [0, "", rows] with the rows column first (rows[column][row], as
// every read answers), one row per protocol dated in the period, in number
// order; [1, text] when the period holds no protocol; ["991", text naming
// the field] when the request is refused; [status, text] when the database
// fails. The rows are read in one transaction, so a register being written
// meanwhile is read as it stood at one moment.
//
// A reserved protocol (Tab_SoggPrivacy "S") keeps its number, date, time,
// direction, type, office and state; its subject and correspondent are
// masked unless the operator may read reserved documents (Op_AbilPrivacy).

#include <QString>

namespace nimbo {

constexpr short kOpRegistroProtocolli = 502;

namespace registerrows {

// The columns of a register row, as texts ready to print.
enum Column : int {
    Number = 0,     // "2024-0000001"
    Date,           // "dd/mm/yyyy"
    Time,           // "hh:mm:ss"
    Direction,      // "E" / "U"
    Correspondent,  // the main correspondent's name
    Subject,
    DocumentType,   // the type's description
    Office,         // the registering office's name
    State,          // "Attivo" / "Annullato"
    ColumnCount
};

inline const QString kMasked = QStringLiteral("*****");
inline const QString kActive = QStringLiteral("Attivo");
inline const QString kCancelled = QStringLiteral("Annullato");

} // namespace registerrows

} // namespace nimbo
