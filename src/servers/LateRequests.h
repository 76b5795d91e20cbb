#pragma once
// The registration of a protocol under a number and date left free in the
// past, written by the protocol server (code in LateServer.cpp), and the
// builder of its request.
//
// Operation 110: the same layout as operation 10 (ProtocolServer.h), a new
// protocol ("A") whose number and date the operator gives:
//   1  the selection condition names the number to take:
//      Tab_NumeroProtocollo='yyyy' + 7-digit progressive
//   2  the column list carries the protocol date given (Tab_DataProtocollo,
//      mm/dd/yyyy as every date of the list); a Tab_NumeroProtocollo given
//      there too must be the same number. The time sent is not used.
//
// Only an operator with the function right of the late registration (the
// item MnuRecuperaProto of the function table, not withheld in his
// Op_Funzioni) may ask; the operator is the session's (writerOf). Inside
// the writing transaction, with the body's counter row of the year locked
// first, the number must be free and lie strictly between
//   - the greatest number of the body dated before the given day, or,
//     when no protocol of that year is dated before it, the year's start
//     (so the first number of the year may be recovered), and
//   - the smallest number dated after the given day, and in any case the
//     last number the counter has given: a number the counter has not
//     passed yet is the next registration's, never a late one's. With no
//     counter for the year (nothing registered yet) nothing is free.
// The date must be a real day not after today and of the number's year.
//
// The protocol is written with the given number and date, the time
// "11:00:00" and today as its registration date; the real moment of the
// writing and the operator are kept in Tab_ProtocolloRecuperato. The
// counters (TAB_STARTPROTOCOLLO, TAB_STARTDIPARTIMENTI) are not touched.
//
// Reply: as operation 10, [0, "", number, given date, "11:00:00"]; "991"
// with the text shown to the operator when refused.

#include <QDate>
#include <QString>
#include <QVariantList>

#include "servers/ProtocolServer.h"

namespace nimbo {

constexpr short kOpRecuperaProtocollo = 110;

inline const QString kLateTime = QStringLiteral("11:00:00");
// The menu item whose function right the late registration needs.
inline const QString kLateRightItem = QStringLiteral("MnuRecuperaProto");

// The refusals the window and the server share.
inline const QString kLateNumberUsed = QStringLiteral("IL Numero di protocollo indicato è già stato utilizzato.");
inline const QString kLateOutOfRange = QStringLiteral(
    "Il numero di protocollo indicato non ricade nel range di valori utilizzabili per la data specificata.");
inline const QString kLateLowerFailed =
    QStringLiteral("Contattare esperto procedura: problemi nella ricerca del minimo sul protocollo.");
inline const QString kLateUpperFailed =
    QStringLiteral("Contattare esperto procedura: problemi nella ricerca del massimo sul protocollo.");
inline const QString kLateNoRight =
    QStringLiteral("L'operatore non è abilitato al recupero dei protocolli (funzione Recupera Protocolli): "
                   "registrazione non effettuata.");

// "yyyy" + the progressive formatted "0000000"; empty when either is not a
// number or out of range.
QString lateNumber(const QString &year, const QString &progressive);

// The request of operation 110: a new protocol's request of operation 10
// (registrationColumns of the window) carrying the given number and date.
QVariantList lateRegistrationRequest(const QString &ente, const QString &direction, const QString &number,
                                     const QDate &date, ColumnValues columns, const QString &operatorCode,
                                     const QVector<ColumnValues> &dossiers = {}, bool protocolOffice = false);

// The range a given day leaves free: the number must be greater than
// `after` and smaller than `before` (both 11 digits).
struct LateBounds {
    QString after;
    QString before;
    bool contains(const QString &number) const { return number > after && number < before; }
};
// The greatest number of the body dated before the day, and the smallest
// dated after it, among the numbers of the day's year (one row, NULL when
// there is none).
QString lateLowerQuery(const QString &ente, const QDate &day);
QString lateUpperQuery(const QString &ente, const QDate &day);
// The bounds from what the two queries read (empty texts for NULL) and the
// last number the counter of the year has given (-1 when there is no
// counter): see the rules above.
LateBounds lateBounds(int year, const QString &greatestBefore, const QString &smallestAfter, qlonglong lastGiven);

} // namespace nimbo
