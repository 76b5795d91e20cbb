#pragma once
// The cancellation of a protocol, written by the protocol server (code in
// CancellationServer.cpp), and the builder of its request, so that the
// window never lays out an array by hand.
//
// Operation 15. Request (6 elements):
//   0  "R"
//   1  the protocol: Tab_Ente='..' and Tab_TipoProtocollo='..' and
//      Tab_NumeroProtocollo='..' (nothing else is accepted)
//   2  the column list, a two-row table {names, values}, of these columns
//      only: Tab_MotivoCancellazione (required, a code of
//      Tab_Motivo_Cancella), Tab_NoteCancellazione, Tab_StatoProtocollo ("C"),
//      Tab_DataCancellazione, Tab_CodiceOpeCanc, Tab_UfficioCancellazione,
//      Tab_CodOper, Tab_DatOper, and the act that authorises the
//      cancellation: Tab_TipoProvvCancellazione, Tab_NumeroProvvCancellazione,
//      Tab_DataProvvCancellazione (all three or none; its date not after
//      today)
//   3  the operator code
//   4  the workstation's date and time (informative)
//   5  "SI" when the operator's department is the protocol office's, else "NO"
//
// The server decides what the client must not: the date of the
// cancellation and of the write are the database clock's, the operator is
// the session's (writerOf) and his office the session's (the request's
// only without a login). It refuses, before anything is written, a reason
// that is not in Tab_Motivo_Cancella, an operator who is not an active one
// of the body or whose functions withhold the cancellation, an office not
// of the body, and a protocol that is not in the body's register or is
// already cancelled. The protocol's row is locked before it is looked at
// and everything is one transaction.
//
// Reply: [0, "", date of the cancellation (QDate)] on success; ["991", text
// naming the field] when refused; [status, text] when the database fails.

#include <QDate>
#include <QString>
#include <QVariantList>

#include "servers/ProtocolServer.h"

namespace nimbo {

constexpr short kOpCancellaProtocollo = 15;

// The function code of the cancellation, withheld from an operator by
// "-PR09-" in his Op_Funzioni (and with the whole protocol menu by "-PR00-").
inline const QString kCancellationFunction = QStringLiteral("PR09");
inline const QString kProtocolMenuFunction = QStringLiteral("PR00");

namespace cancellation {

// The act that authorises a cancellation ("Provvedimento di annullamento").
struct Act {
    QString type, number;
    QDate date;
    bool isEmpty() const { return type.trimmed().isEmpty() && number.trimmed().isEmpty() && !date.isValid(); }
};

struct Request {
    QString ente, direction, number; // the protocol
    QString reason, notes;
    QString operatorCode, office;
    Act act;
    bool protocolOffice = false;
};

inline QVariantList request(const Request &r)
{
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    ColumnValues columns = {
        {QStringLiteral("Tab_DataCancellazione"), today},
        {QStringLiteral("Tab_MotivoCancellazione"), r.reason},
        {QStringLiteral("Tab_CodiceOpeCanc"), r.operatorCode},
        {QStringLiteral("Tab_UfficioCancellazione"), r.office},
        {QStringLiteral("Tab_CodOper"), r.operatorCode},
        {QStringLiteral("Tab_DatOper"), today},
        {QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("C")},
        {QStringLiteral("Tab_NoteCancellazione"), r.notes},
    };
    if (!r.act.isEmpty())
        columns += {{QStringLiteral("Tab_TipoProvvCancellazione"), r.act.type},
                    {QStringLiteral("Tab_NumeroProvvCancellazione"), r.act.number},
                    {QStringLiteral("Tab_DataProvvCancellazione"),
                     r.act.date.isValid() ? r.act.date.toString(Qt::ISODate) : QString()}};
    return {QStringLiteral("R"),
            protocolCondition(r.ente, r.direction, r.number),
            QVariant(packColumns(columns)),
            r.operatorCode,
            QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")),
            r.protocolOffice ? QStringLiteral("SI") : QStringLiteral("NO")};
}

} // namespace cancellation
} // namespace nimbo
