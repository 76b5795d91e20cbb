#pragma once
// The deadlines of a protocol kept in Tab_ProScadenza, written by the
// protocol server (code in DeadlineServer.cpp), and the builders of the
// requests, so that the windows never lay out an array by hand.
//
// The deadline in force of a protocol is the one every deadline list
// shows: the one of its latest Tab_ProScadenza row (the greatest
// Tab_ProgrScadenze) when that row has one, else Tab_DataEvasione of its
// latest assignment (type-4 movement). Both operations lock the protocol's
// row before they read Tab_ProScadenza, so that two of them on one
// protocol follow one another; each is one transaction and writes nothing
// but Tab_ProScadenza.
//
// Operation 51, a deadline set or postponed. Request (2 elements): the
// two-row table {names, values} of these columns of Tab_ProScadenza, each
// once:
//   Tab_Ente, Tab_Protocollo (11 digits)          the protocol (required)
//   Tab_DataScadenza                              the new deadline (required)
//   Tab_Note_Scadenza                             the reason (required)
//   Tab_FunzionarioAutorizzante                   who authorised it (required)
//   Tab_EstremiAutorizzazione                     the reference of the act
//   Tab_Operatore                                 the operator code
//   Tab_flagRinvio, Tab_DataOperazione            accepted and ignored
// The server decides what the client must not: the operator is the
// session's (writerOf; the request's only without a login) and must be an
// active one of the body; the date of the operation is the database
// clock's; Tab_flagRinvio is 0 when the protocol had no deadline in force
// and no row yet, 1 otherwise. Under the protocol's lock the new deadline
// must be later than today (the database clock's) and later than the
// deadline in force, so of two clerks postponing at once the second is
// measured against the first one's date: the rows always grow in date in
// the order they were written. The protocol must be in the body's
// register, not cancelled and not completed (a type-5 movement).
// Reply: [0, "", Tab_ProgrScadenze of the new row, its Tab_flagRinvio];
// ["991", text naming the field] when refused; [status, text] when the
// database fails.
//
// Operation 52, the last postponement removed. Request (4 entries, and a
// fifth that counts only without a login):
//   0  the body
//   1  the protocol number (11 digits)
//   2  Tab_ProgrScadenze of the row to remove (the last of the history)
//   3  its deadline, as the history showed it (ISO "yyyy-mm-dd", or
//      "mm/dd/yyyy" as requests write dates)
//   4  the operator code
// The row must still be the protocol's latest, with that deadline (a
// postponement added or removed meanwhile refuses the request), and a
// postponement (Tab_flagRinvio 1): the initial deadline is never removed.
// Only the operator who inserted it (Tab_Operatore) or an operator of
// level 9 may remove it; who asks is the session's operator, his level the
// one Tab_Operatori holds.
// Reply: [0, ""]; ["991", text naming the field] when refused; [status,
// text] when the database fails.

#include <QDate>
#include <QString>
#include <QVariantList>

#include "servers/ProtocolServer.h"

namespace nimbo
{

constexpr short kOpRegistraScadenza = 51;
constexpr short kOpEliminaRinvio = 52;

namespace postpone
{

inline const QString kNotLaterThanToday =
    QStringLiteral("La nuova data di scadenza deve essere maggiore della data corrente");
inline const QString kNotLaterThanCurrent = QStringLiteral(
    "La nuova data di scadenza deve essere maggiore della data di scadenza attualmente assegnata alla pratica");
inline const QString kNothingToRemove = QStringLiteral("Non vi sono rinvii da cancellare");
inline const QString kNotYours = QStringLiteral(
    "Il rinvio può essere cancellato solo dall'operatore che lo ha inserito o dal Responsabile del Protocollo");

// The level of the protocol manager, who may remove anybody's postponement.
constexpr int kManagerLevel = 9;

// A deadline to set or to postpone to (operation 51).
struct Postponement {
    QString ente, number; // the protocol (11 digits)
    QDate deadline;       // the new deadline
    QString reason;       // Tab_Note_Scadenza
    QString official;     // Tab_FunzionarioAutorizzante
    QString reference;    // Tab_EstremiAutorizzazione
    QString operatorCode;
};

inline QVariantList postponeRequest(const Postponement &p)
{
    const ColumnValues columns = {
        {QStringLiteral("Tab_Ente"), p.ente},
        {QStringLiteral("Tab_Protocollo"), p.number},
        {QStringLiteral("Tab_DataScadenza"),
         p.deadline.isValid() ? p.deadline.toString(QStringLiteral("MM/dd/yyyy")) : QString()},
        {QStringLiteral("Tab_FunzionarioAutorizzante"), p.official},
        {QStringLiteral("Tab_EstremiAutorizzazione"), p.reference},
        {QStringLiteral("Tab_Note_Scadenza"), p.reason},
        {QStringLiteral("Tab_Operatore"), p.operatorCode},
    };
    return packColumns(columns);
}

// The last row of a protocol's history to remove (operation 52).
inline QVariantList removeRequest(const QString &ente, const QString &number, qlonglong row, const QDate &deadline,
                                  const QString &operatorCode)
{
    return {ente, number, row, deadline.isValid() ? deadline.toString(Qt::ISODate) : QString(),
            operatorCode};
}

} // namespace postpone
} // namespace nimbo
