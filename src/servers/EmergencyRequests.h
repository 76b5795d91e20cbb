#pragma once
// The emergency registers and their sessions, written by the protocol
// server (code in EmergencyServer.cpp), and the builders of their requests.
//
// Operation 500 writes an emergency register, operation 501 a session of an
// electronic register. Request (5 entries):
//   0  "A" new row, "R" rewrite of the row the key names
//   1  the key as fields: a two-row table {names, values} naming every key
//      column of the table (for a new session ses_progr is left out: the
//      server numbers it). Never SQL text.
//   2  operator code (an operator of the register's body)
//   3  title of the request ("REGISTRAZIONE ANAGRAFE REGISTRI EMERGENZA",
//      "REGISTRAZIONE SESSIONE DI EMERGENZA"), informative
//   4  the column list: a two-row table {names, values} of the table's
//      columns; dates as "mm/dd/yyyy", times as "hh:nn"
//
// Reply: [0, "", key] on success, where key is the register as
// "year/type/identifier" (500) or the session number (501); ["991", text]
// when the request is refused (shown as it is, it names the field);
// [status, text] when the database fails. Each request is one transaction.
//
// The server decides: the last writer (Tab_Codoper, Tab_Datoper) is the
// operator of the session (the request's only without a login), today; the
// body must exist and the operator be an active one of it; a register's
// year is 19xx or 20xx and its identifier four upper-case letters or
// digits; an electronic register is number 1 of a
// workstation of the body, one per workstation and year; a new session
// takes the register's next number, and a rewrite never renumbers; an empty
// "aligned" flag is "NO".

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

#include "servers/ProtocolServer.h"

namespace nimbo {

constexpr short kOpRegistroEmergenza = 500;
constexpr short kOpSessioneEmergenza = 501;

inline const QString kTitleRegister = QStringLiteral("REGISTRAZIONE ANAGRAFE REGISTRI EMERGENZA");
inline const QString kTitleSession = QStringLiteral("REGISTRAZIONE SESSIONE DI EMERGENZA");

// The emergency registration (register and number) a new protocol of the
// general register carries over; empty for an ordinary registration.
using StatementRunner = std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)>;
struct RecoveredRegistration {
    QString ente, direction, fromRegister, fromNumber;
    bool isEmpty() const { return fromRegister.isEmpty() || fromNumber.isEmpty(); }
    // What the register already holds for it: an empty list when nothing,
    // the reply of operation 10 with the protocol that carries it (as a
    // retry gets it), or a refusal when that protocol is of the other
    // direction; nothing when the statement failed (q holds its error).
    std::optional<QVariantList> lookUp(const StatementRunner &exec, QSqlQuery *&q) const;
};

namespace emergency {

struct RegisterKey {
    QString ente, year, type, id;
    qlonglong number = 1;
    // 2007/T/ABCD
    QString shown() const { return year + QLatin1Char('/') + type + QLatin1Char('/') + id; }
};

// Year + "T" + identifier + session number on three digits: 2007TABCD001.
inline QString sessionKey(const QString &year, const QString &id, qlonglong session)
{
    return year.trimmed() + QStringLiteral("T") + id.trimmed()
           + QStringLiteral("%1").arg(session, 3, 10, QLatin1Char('0'));
}

struct RegisterRecord {
    RegisterKey key;
    QString notes;
    QDate instituted;
    QString time; // "hh:nn"
};

struct SessionRecord {
    RegisterKey reg;
    qlonglong progr = 0; // 0 for a new session
    QDate opened;
    QString openedAt;
    QString reason;
    QString notes;
    QDate closed;
    QString closedAt;
    QString aligned; // "SI", "NO" or empty (taken as "NO")
    QString first, last;
};

// The whole request of operation 500 / 501.
QVariantList registerRequest(const QString &mode, const RegisterRecord &r, const QString &operatorCode);
QVariantList sessionRequest(const QString &mode, const SessionRecord &s, const QString &operatorCode);

} // namespace emergency
} // namespace nimbo
