#pragma once
// The protocol server: registration of a protocol in the general register
// (operation 10), the groups of offices (operation 22, below), the
// address book's identifiers and groups (operations 1, 12 and 13, below)
// and the iter: assignment, transmission, taking in charge and back
// (operations 21, 11, 16 and 50, told with their request builders in
// servers/IterRequests.h).
//
// Request (7 elements):
//   0  "A" new protocol, "R" rewrite of an existing one
//   1  selection condition: Tab_Ente='..' and Tab_TipoProtocollo='..' and
//      Tab_NumeroProtocollo='..' (nothing else is accepted)
//   2  column list: a two-row table {names, values}; empty names are skipped
//   3  operator code
//   4  workstation date and time (informative)
//   5  new protocols: a list of Tab_ProFascicoli rows, each a two-row table
//      {names, values}; otherwise an empty text
//   6  "SI" / "NO": the operator belongs to the protocol office's department
//
// Reply: [0, "", number, protocol date, protocol time] on success, the date
// a QDate (null for a rewrite, which never changes it) and the time the
// register holds, "hh:mm:ss" (a new registration only); ["991", message] when the request
// is refused (the message is shown as it is and names the field); [status,
// text] with another status when the database fails.
//
// The server decides what the client must not: the protocol date and time
// and the registration date are the database clock's at numbering; the
// registering operator (Tab_CodiceOpeReg, new protocols) and the last writer
// (Tab_CodOper, Tab_DatOper) are the session's operator (writerOf) today.
// The database writes the history of a rewrite (Tab_Protocollo_Storico).
// Body, operator (active), correspondent (in the body's address book),
// document type, department and office must exist; texts must hold no
// control characters or broken Unicode; a new protocol carries no
// cancellation data. Each dossier of element 5 must exist, be open and
// stand under an active title, category and class, and be named once
// (servers/RegistrationDossiers.h): otherwise the whole registration is
// refused, after the other references are checked and before a number is
// taken.
//
// A new protocol that carries an emergency register and number
// (Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo) already in the register
// is not registered again: the reply gives the existing number and date
// (a refusal when that protocol is of the other direction). The look-up
// runs under the counter's lock and a unique key of the register holds
// body, emergency register and number, so recoveries of one registration
// side by side give one protocol. A number of a paper emergency register is
// refused instead when the register already holds it (servers/ManualRequests.h).
//
// The number is the year followed by a 7-digit progressive that incoming and
// outgoing protocols of a body share and that restarts each year. It is taken
// from TAB_STARTPROTOCOLLO in the same transaction that writes the row and
// its dossiers, so a failed registration consumes no number.

#include <QDateTime>
#include <QPair>
#include <QSqlQuery>
#include <QVector>
#include <functional>
#include <map>
#include <optional>

#include "data/C_GestDB.h"
#include "data/ConnectionPool.h"
#include "data/Dialect.h"
#include "data/ServerRegistry.h"

namespace nimbo {

inline const QString kProtocolProgId = QStringLiteral("NimboServer.Protocollo");
constexpr short kOpRegistraProtocollo = 10;

// Operation 22 replaces a group of offices of a department as a whole:
// the rows of its previous name go and the new list is written, in one
// transaction, or nothing changes.
//
// Request (6 elements):
//   0  entity code
//   1  group name (as it is to be stored; apostrophes as typed)
//   2  operator code (active operator of the entity)
//   3  department that owns the group
//   4  the members: a list of {department, office, member progressive}, the
//      progressive 0 for the whole office; at least one, none repeated
//   5  the group's previous name; empty for a new group
//
// Reply: [0, ""] on success; ["991", message naming the field] when the
// request or one of its references is refused; [status, text] when the
// database fails.
constexpr short kOpAggiornaGruppi = 22;
inline const QString kStatusRefused = QStringLiteral("991");

// Operation 1 hands out the next address-book identifier of an entity.
//
// Request (2 elements):
//   0  "1"
//   1  entity code
//
// Reply: [0, "", identifier] on success; ["991", message naming the field]
// when the request or the entity is refused; [status, text] when the
// database fails. The counter is Tab_Enti.Ente_ProgressivoRubrica, raised in
// one statement that locks the entity's row until the commit, so callers
// side by side never get the same number; it never hands out a number at or
// below the greatest identifier already in the entity's address book.
constexpr short kOpProgressivoRubrica = 1;

// Operation 12 replaces an address-book group of a department as a whole,
// in one transaction, or nothing changes.
//
// Request (7 elements):
//   0  entity code
//   1  group name (as it is to be stored; apostrophes as typed)
//   2  operator code (active operator of the entity)
//   3  department that owns the group
//   4  the members: a list of address-book identifiers of the entity, at
//      least one, none repeated
//   5  the group's previous name; empty for a new group
//   6  shared flag: 1 shared with every department, 0 not
//
// The list replaces the members the groups window can show, the active
// entries: members of the stored group that are inactive now were not shown
// and stay in the group (renamed with it). An entry joins a group only while
// it is active and not ceased. A group name is unique within the entity.
//
// Reply: [0, ""] on success; ["991", message naming the field] when the
// request or one of its references is refused; [status, text] when the
// database fails.
constexpr short kOpGruppiRubrica = 12;

// Operation 13 deletes an address-book group of a department.
//
// Request (3 elements):
//   0  entity code
//   1  the group's name
//   2  department that owns the group
//
// Reply: [0, ""] on success; ["991", message] when the request is malformed
// or the department has no group of that name; [status, text] when the
// database fails.
constexpr short kOpCancellaGruppoRubrica = 13;

using ColumnValues = QVector<QPair<QString, QVariant>>;

// The two-row table {names, values} of a column list.
QVariantList packColumns(const ColumnValues &columns);
// "Tab_Ente='..' and Tab_TipoProtocollo='..' and Tab_NumeroProtocollo='..'"
QString protocolCondition(const QString &ente, const QString &direction, const QString &number);
// The whole request of operation 10.
QVariantList registrationRequest(const QString &mode, const QString &condition, const ColumnValues &columns,
                                 const QString &operatorCode, const QVector<ColumnValues> &dossiers = {},
                                 bool protocolOffice = false);

// What one attempt of a writing unit gave: the reply, and whether it met
// another writer's lock or lost the connection before its commit.
struct UnitOutcome {
    QVariantList reply;
    bool lock = false;
    bool lost = false;
};

// A transaction that could not begin or commit, as a unit's outcome; lost
// only for a begin that met a dropped connection (a commit that fails is
// never run again: whether it took effect is not known).
UnitOutcome transactionFailure(const C_GestDB::Result &r, bool lost = false);

class ProtocolServer : public AppServer {
public:
    // On the session's central database.
    ProtocolServer();
    // On the given database (tools and workers that have no session).
    explicit ProtocolServer(const Dialect::Target &target);
    ~ProtocolServer() override;

    QVariantList Elabora(short operation, QVariantList &params) override;

    // Where "now" comes from; the database server's clock unless set.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

private:
    bool open(QVariantList *failure);
    // A new protocol under the number and date the operator gives
    // (operation 110, LateServer.cpp) instead of the counter's.
    struct Late {
        QString number;
        QDate date;
    };
    // A new protocol that registers a provisional e-mail protocol
    // (operation 54, EmailRegistration.cpp): the provisional row is locked
    // and settled in the registration's own transaction.
    struct EmailOrigin {
        qlonglong provisional = 0;
    };
    QVariantList registration(const QVariantList &params, const Late *late = nullptr,
                              const EmailOrigin *email = nullptr);
    QVariantList emailRegistration(const QVariantList &params);
    // Inside the registration's transaction: the provisional row locked and
    // still pending; then given the new number, with its attachments. Empty
    // when done, the refusal otherwise, nothing when a statement failed (q
    // holds it).
    std::optional<QString> lockProvisional(QSqlQuery *&q, const QString &ente, const QString &direction,
                                           const EmailOrigin &email);
    std::optional<QString> settleProvisional(QSqlQuery *&q, const QString &ente, const QString &direction,
                                             const EmailOrigin &email, const QString &number, const QString &op,
                                             const QString &today);
    // Inside the registration's transaction: the operator's right, the
    // number free and in the day's range, then its admission and the record
    // of the writing. Empty when written, the refusal otherwise, nothing when
    // a statement failed (q holds it).
    std::optional<QString> admitLate(QSqlQuery *&q, const QString &ente, const QString &direction, const Late &late,
                                     const QString &op, const QDateTime &now);
    QVariantList groups(const QVariantList &params);
    QVariantList nextIdentifier(const QVariantList &params);
    QVariantList addressGroup(const QVariantList &params);
    QVariantList deleteAddressGroup(const QVariantList &params);
    // The iter (IterServer.cpp): 16 and, with back, 50; 21 and, without
    // assignment, 11.
    QVariantList charge(const QVariantList &params, bool back);
    QVariantList movement(const QVariantList &params, bool assignment);
    // Emergency registers and sessions (EmergencyServer.cpp): 500 and 501.
    QVariantList emergencyRegister(const QVariantList &params);
    QVariantList emergencySession(const QVariantList &params);
    // Dossiers and handled cases (ClassificationServer.cpp): 303 and 304.
    QVariantList dossier(const QVariantList &params);
    QVariantList closeCase(const QVariantList &params);
    // The further recipients of an outgoing protocol (RecipientServer.cpp): 14.
    QVariantList furtherRecipients(const QVariantList &params);
    // Corrections after registration: cancellation (CancellationServer.cpp,
    // 15), direction change (DirectionServer.cpp, 18) and registration
    // under a number left free in the past (LateServer.cpp, 110).
    QVariantList cancellation(const QVariantList &params);
    QVariantList directionChange(const QVariantList &params);
    QVariantList lateRegistration(const QVariantList &params);
    // A protocol's deadlines (DeadlineServer.cpp): set or postponed (51),
    // the last postponement removed (52).
    QVariantList setDeadline(const QVariantList &params);
    QVariantList removePostponement(const QVariantList &params);
    // The register rows of a period (AnnualRegisterServer.cpp): 502.
    QVariantList annualRegisterRows(const QVariantList &params);
    // The general register (RegisterServer.cpp): its rows (503) and the
    // archived protocols marked (9).
    QVariantList registerRows(const QVariantList &params);
    QVariantList archiveRegister(const QVariantList &params);
    bool databaseNow(QSqlQuery *&q, QDateTime *now);
    bool lockProtocol(QSqlQuery *&q, const QVariantList &key, bool *found, QDate *date, QString *state);
    bool freeMovementKey(QSqlQuery *&q, const QVariantList &key, const QDateTime &now, QString *out);
    // Empty when the operator may ask; the refusal text otherwise; nothing
    // when the database failed (q holds the error).
    std::optional<QString> checkOperator(QSqlQuery *&q, const QString &ente, const QString &op,
                                         const QString &department, const QString &office);
    // Runs the unit again while another writer's lock holds it, up to the
    // session's lock wait, and once more on a new connection when the old
    // one went away before the commit; sql follows the connection.
    QVariantList runUnit(QSqlDatabase &sql, const std::function<UnitOutcome()> &attempt);

    // Runs a statement prepared once per connection: a registration then
    // costs one round trip per statement. *q is the query run, for its
    // rows or its error.
    bool run(QSqlQuery *&q, const QString &sql, const QVariantList &binds);
    // Runs a statement and tells whether it gave a row.
    bool exists(QSqlQuery *&q, const QString &sql, const QVariantList &binds, bool *found);

    std::optional<Dialect::Target> target_;
    // The session's connection (it outlives this object, with the statements
    // prepared on it), asked for again at every call.
    ConnectionPool::Connection *conn_ = nullptr;
    C_GestDB::Database db_;
    std::function<QDateTime()> clock_;
    std::optional<QSqlQuery> failed_; // a statement that could not be prepared
};

} // namespace nimbo
