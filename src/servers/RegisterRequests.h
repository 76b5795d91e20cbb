#pragma once
// The general register: its rows for the printed register (operation 503)
// and the marking of archived protocols (operation 9), written by the
// protocol server (code in RegisterServer.cpp), with the builders of their
// requests.
//
// Operation 503. Request (5 elements):
//   0  entity code
//   1  the last archived protocol number (11 digits), or empty: the rows
//      begin after it
//   2  the end of the period, a QDate or "yyyy-mm-dd"
//   3  the number the previous batch ended on, or empty for the first batch
//   4  the batch size, 1 to 10000
// Rows are the body's protocols not yet archived (Tab_Stampato empty, "N"
// or "S") after both numbers and dated up to the end date, in number order.
// Reply: [0, "", rows, last number of the batch] where rows is a list of
// register rows (registerRowFields texts each); [1, "", {}, ""] when there
// are no more rows; ["991", text naming the field] when refused; [status,
// text] when the database fails. A caller reads batch after batch, so a
// register of a whole year never sits in memory at once.
//
// Operation 9. Request (4 elements):
//   0  "R"
//   1  entity code
//   2  operator code (the session's operator is the writer when logged in)
//   3  the protocol numbers archived: a list of 11-digit texts, at least
//      one, none repeated
// Each protocol must be in the body's register and printed ("S"); it becomes
// archived ("M") with the writer and the database's date in Tab_CodOper and
// Tab_DatOper. One transaction: a number refused marks nothing.
// Reply: [0, "", count marked]; ["991", text naming the number] when
// refused; [status, text] when the database fails.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace nimbo {

constexpr short kOpStampaRegistro = 503;
constexpr short kOpArchiviaRegistro = 9;
constexpr int kRegisterBatchMax = 10000;

// The fields of a register row, in Tab_Report's column order
// (Rep_Campo01 ...): number as shown, direction, date, time, correspondents,
// subject, document type, registering office, state, stored number.
enum RegisterField {
    RegNumber = 0,
    RegDirection,
    RegDate,
    RegTime,
    RegCorrespondent,
    RegSubject,
    RegType,
    RegOffice,
    RegState,
    RegStoredNumber,
    RegFieldCount
};

// What a reserved protocol shows in place of its subject and correspondents.
inline const QString kReservedText = QStringLiteral("RISERVATO");

inline QVariantList registerRowsRequest(const QString &ente, const QString &lastArchived, const QDate &end,
                                        const QString &after, int batch)
{
    return {ente, lastArchived, end.toString(Qt::ISODate), after, batch};
}

inline QVariantList archiveRequest(const QString &ente, const QString &operatorCode, const QStringList &numbers)
{
    return {QStringLiteral("R"), ente, operatorCode, numbers};
}

} // namespace nimbo
