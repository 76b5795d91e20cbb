#pragma once
// The dispatcher of database operations: every direct touch of a database
// goes through GestioneDB, which waits out locks held by other workstations,
// writes one log line per failure and hands back a result record instead of
// raising.

#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

#include "data/Dialect.h"

namespace C_GestDB {

// Operation codes.
enum Operation : short {
    ApriDB = 1,
    ChiudiDB = 2,
    ApriTabella = 3,
    ChiudiTabella = 4,
    AddRecord = 5,
    EditRecord = 6,
    UpdateRecord = 7,
    DeleteRecord = 8,
    CommitTrans = 9,
    RollBackTrans = 10,
    BeginTrans = 11,
    ExecuteSQL = 12,
    LeggiRighe = 13,
};

// Failure codes of the dispatcher itself.
constexpr long kErrOpenedWritableAskedReadOnly = 900001;
constexpr long kErrOpenedReadOnlyAskedWritable = 900002;
constexpr long kErrUnknownOperation = 900003;

// An open database: a Qt connection with the path (or connection string) it
// was opened on. Copies share the connection; only ChiudiDB closes it.
struct Database {
    QString connection; // Qt connection name; empty when nothing is open
    QString path;       // file path, or libpq connection string
    bool readOnly = false;
    bool valid() const { return !connection.isEmpty() && QSqlDatabase::contains(connection); }
    QSqlDatabase sql() const { return QSqlDatabase::database(connection, false); }
    // Name used in messages: the file name, or the connection string.
    QString name() const;
    // Wraps a connection opened elsewhere (the servers own theirs).
    static Database wrap(const QString &connection, const QString &path);
};

// A table or query opened as a set of rows with a current row. Rows of a
// table can be added, edited and deleted; rows of a query are read-only.
class Recordset {
public:
    Recordset(Database db, QString source, bool isTable);
    const Database &database() const { return db_; }
    QString name() const { return source_; }
    bool isTable() const { return isTable_; }

    int recordCount() const { return int(rows_.size()); }
    int position() const { return pos_; }
    bool eof() const { return pos_ >= rows_.size(); }
    bool bof() const { return pos_ < 0 || rows_.isEmpty(); }
    void moveFirst() { pos_ = 0; }
    void moveLast() { pos_ = rows_.isEmpty() ? 0 : int(rows_.size()) - 1; }
    void moveNext() { if (pos_ < rows_.size()) ++pos_; }
    void movePrevious() { if (pos_ >= 0) --pos_; }

    int fieldCount() const { return fields_.count(); }
    QString fieldName(int i) const { return fields_.fieldName(i); }
    // Value of the current row, or of the pending add/edit buffer.
    QVariant value(const QString &field) const;
    QVariant value(int field) const;
    // Changes the pending add/edit buffer; false when no add/edit is pending
    // or the field does not exist.
    bool setValue(const QString &field, const QVariant &v);
    bool editing() const { return mode_ != Mode::None; }

private:
    friend struct RecordsetOps;
    enum class Mode { None, Add, Edit };
    Database db_;
    QString source_;
    bool isTable_;
    QSqlRecord fields_;
    QVector<QSqlRecord> rows_;
    int pos_ = 0;
    Mode mode_ = Mode::None;
    QSqlRecord buffer_;
    QStringList key_; // primary key fields of a table
};

// Arguments of a dispatcher call; each operation reads the ones it needs.
struct Request {
    QString path;                           // 1: file path
    bool exclusive = false;                 // 1
    bool readOnly = false;                  // 1
    QString connect;                        // 1: libpq connection string instead of a file
    Database database;                      // 2, 3, 12, 13; 9-11 default to the session's local database
    QString source;                         // 3, 13: table name or SQL; 12: the statement
    int options = 0;                        // 3: type and options; 12: execute options
    int rowCount = -1;                      // 13: rows to fetch, all when negative
    std::shared_ptr<Recordset> recordset;   // 4-8
};

// The record every call returns. Test ok first; on failure errText holds the
// user text to show, detail the engine's own message.
struct Result {
    bool ok = false;
    Database database;                      // 1
    std::shared_ptr<Recordset> recordset;   // 3
    // 13: rows[column][row]; dates come as ISO text ("yyyy-mm-dd",
    // "yyyy-mm-dd hh:mm:ss") on both engines.
    QVector<QVariantList> rows;
    QStringList columns;                    // 13: column names
    long errNumber = 0;
    QString errText;
    QString detail;
    bool lock = false;                      // failed on another user's lock, after the lock wait
    bool lost = false;                      // failed because the connection is gone
    int rowsAffected = -1;                  // 12: rows the statement changed
    int rowCountRead() const { return rows.isEmpty() ? 0 : int(rows.first().size()); }
};

// The dispatcher.
Result GestioneDB(short operation, const Request &request);

// Shortcuts over GestioneDB.
Result openDatabase(const QString &path, bool readOnly = false, bool exclusive = false);
Result openDatabase(const Dialect::Target &target, bool readOnly = false);
Result closeDatabase(const Database &db);
Result execute(const Database &db, const QString &sql, int options = 0);
Result readRows(const Database &db, const QString &sqlOrTable, int rowCount = -1);
Result beginTrans(const Database &db = {});
Result commitTrans(const Database &db = {});
Result rollBack(const Database &db = {});

// A transaction on one database, begun and ended through the dispatcher,
// that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database db) : db_(std::move(db)) {}
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    Result begin();
    Result commit();
    Result rollBack();
    bool active() const { return active_; }

private:
    Database db_;
    bool active_ = false;
};

// The session's local work database, opened at start-up from TABLOCAL and
// held for the whole run.
Result openLocalDatabase();
const Database &localDatabase();
void setLocalDatabase(const Database &db);
void closeLocalDatabase();

// Seconds the dispatcher keeps retrying a step that meets another user's
// lock: the session's lock wait, 30 when it is 0.
int lockWaitSeconds();

} // namespace C_GestDB
