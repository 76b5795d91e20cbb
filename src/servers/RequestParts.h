#pragma once
// Pieces the servers' operations share to read a request, to open the unit
// of work that serves it and to answer when that unit fails.

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>
#include <functional>
#include <optional>

#include "data/ConnectionPool.h"
#include "data/Dialect.h"
#include "schema/Definition.h"
#include "servers/ProtocolServer.h"

namespace nimbo {

// A request refused before anything was written.
inline QVariantList refusedRequest(const QString &why) { return {kStatusRefused, why}; }

// The operator a server writes as: the logged-in operator of the session
// when there is one, whatever the request names, so that a workstation
// cannot register or sign a change as somebody else; the request's own
// (trimmed) when the program runs without a login (tools and workers).
QString writerOf(const QString &requested);

// A single value of a request, not a list or a map.
bool isPlainValue(const QVariant &v);

// One text of a request: a text, storable, trimmed, and not empty when
// required; otherwise false with *why saying what is wrong.
bool requestText(const QVariant &v, const QString &field, bool required, QString *out, QString *why);

// A statement of a unit that failed: the reply names what was being done,
// and whether another writer's lock or a lost connection stopped it.
UnitOutcome statementFailure(const QSqlDatabase &db, const QSqlError &e, const QString &what);

// ---- the row condition of a request -----------------------------------------------

// Reads "name= value AND name= value ..." naming every one of `texts` and
// `numbers` exactly once, in any order and any case (*out is keyed by the
// spelling given here): texts between quotes (a quote doubled inside),
// numbers as bare digits. Nothing else is accepted, so that the values can
// be bound instead of pasted into SQL.
bool parseEqualities(const QString &text, const QStringList &texts, const QStringList &numbers,
                     QHash<QString, QString> *out);

// ---- a row of a request ---------------------------------------------------------

// A row to write, read from a request's two-row table {names, values}:
// known columns of one table only, each once, in the spelling of its
// definition and in the shape it is stored in (dates ISO, numbers as
// numbers, empty dates and numbers as Null).
struct RequestRow {
    const Schema::Table *table = nullptr;
    QVector<QPair<const Schema::Column *, QVariant>> values;

    int indexOf(const QString &name) const;
    bool has(const QString &name) const { return indexOf(name) >= 0; }
    QVariant get(const QString &name) const;
    QString text(const QString &name) const { return get(name).toString().trimmed(); }
    bool filled(const QString &name) const;
    void set(const QString &name, const QVariant &value);
    void setIfEmpty(const QString &name, const QVariant &value);
    void remove(const QString &name);
    // Every text value without the blanks around it.
    void trimTexts();
};

// A request value in the shape its column is stored in; false with *why
// naming the column when it cannot be.
bool requestColumnValue(const Schema::Column &c, const QVariant &v, QVariant *out, QString *why);
// Reads the two-row table against the table's columns (empty names are
// skipped); false with *why naming what is wrong.
bool readRequestRow(const QVariant &packed, const Schema::Table *table, RequestRow *row, QString *why);

// ---- the connection of a server ----------------------------------------------------

// The pooled connection a server named `name` works on: the target it was
// made for, else the session's central database (PROTOCOLLO). Null, with
// the reply to give in *fail, when it cannot be opened.
ConnectionPool::Connection *openServerConnection(const QString &name, const std::optional<Dialect::Target> &target,
                                                 QVariantList *fail);

// Runs a statement on `query` with its values bound by position; the
// query is given back through q, as RequestUnit wants it.
std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> boundStatements(QSqlQuery &query);

// ---- the unit of work of a request -------------------------------------------------

// How every writing unit of a server opens: its transaction begun, the
// requesting operator checked, and any statement that fails turned into the
// reply that names what was being done. One object per attempt.
class RequestUnit {
public:
    // Runs a statement with its bound values; *q is the query it ran.
    using Exec = std::function<bool(QSqlQuery *&q, const QString &sql, const QVariantList &binds)>;
    // A check made inside the transaction: empty when the unit may go on,
    // the refusal's text otherwise, nothing when its statement failed.
    using Check = std::function<std::optional<QString>(QSqlQuery *&q)>;

    RequestUnit(const C_GestDB::Database &db, Exec exec, QString failureText);

    // The operator must be one of the register (of the body when ente is
    // given, active when activeOnly); refused with refusal + the code.
    Check operatorCheck(const QString &op, const QString &ente, bool activeOnly, const QString &refusal);

    // Begins the transaction and makes the check: the outcome to give back
    // when the unit stops here, nothing when it goes on.
    std::optional<UnitOutcome> open(const Check &check = {});
    bool run(const QString &sql, const QVariantList &binds) { return exec_(q, sql, binds); }
    // Runs a statement and tells whether it gave a row.
    bool exists(const QString &sql, const QVariantList &binds, bool *found);
    // The last statement's failure.
    UnitOutcome failed() const;
    // Commits: the reply on success, the commit's failure otherwise.
    UnitOutcome commit(const QVariantList &reply);
    C_GestDB::Transaction &transaction() { return tx_; }

    QSqlQuery *q = nullptr;

private:
    C_GestDB::Database db_;
    Exec exec_;
    QString failureText_;
    C_GestDB::Transaction tx_;
};

} // namespace nimbo
