#pragma once
// Statement builders, loaders and the batch table writer that windows use to
// read and write the databases. Reads of the central database go through the
// generic data server (ProgID of OLEGENERICA); the local mode reads the
// database file itself.

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

#include "data/C_GestDB.h"
#include "data/ServerRegistry.h"

namespace Funzioni_Com_1 {

// Operation codes of the generic data server.
constexpr short kOpSingleRow = 100;
constexpr short kOpGridRows = 101;
constexpr short kOpRows = 110;
// The batch write Update_Tabella sends in server mode.
constexpr short kOpBatchWrite = 120;

// Reply statuses of the generic data server (element 0).
constexpr int kStatusOk = 0;
constexpr int kStatusNoRows = 1;
constexpr int kStatusSqlFailed = 2;
constexpr int kStatusBadDatabase = 3;
// Shown when the central register's database cannot be opened.
inline const QString kCentralUnreachable = QStringLiteral(
    "Il registro centrale dei protocolli non è raggiungibile (rete o server del database non disponibili).\n"
    "Per registrare i documenti sulla postazione usare \"Emergenza\" nella finestra di accesso.");
constexpr int kStatusBadRequest = 4;

// Mode of the loaders and of Update_Tabella.
constexpr int kModeLocal = 1;
constexpr int kModeServer = 2;

// One field of a statement: name and value. The value's type decides how it
// is written into SQL.
struct Field {
    QString name;
    QVariant value;
};
using FieldList = QVector<Field>;

// ---- text helpers ---------------------------------------------------------

// Doubles every apostrophe.
QString quote(const QString &text);
// Pads with blanks on the right (side 'R') or on the left ('L') up to length;
// longer texts are returned unchanged.
QString pad(const QString &text, int length, QChar side = QLatin1Char('R'));
// True when the whole text is a date (optionally with a time) written with
// "/", "-" or "." separators: m/d/yyyy, yyyy-mm-dd, d.m.yyyy.
bool isDateShape(const QString &text);
// The date (and time) a date-shaped text stands for; invalid otherwise.
QDateTime parseDateShape(const QString &text, bool *hasTime = nullptr);

// How a value is written into SQL. False for a type that cannot be written
// (*typeNumber then holds its type number).
bool sqlLiteral(const QVariant &value, QString *literal, int *typeNumber = nullptr);

// ---- statement builders ----------------------------------------------------

// Result of a builder: an empty errText means the statement ran.
struct BuildResult {
    bool ok() const { return errText.isEmpty(); }
    long errNumber = 0;
    QString errText;
    QString sql; // the statement built (empty when refused)
    int rows = -1;     // rows the statement changed
    bool lock = false; // refused by another user's lock after the lock wait
    bool lost = false; // the connection is gone
};

// The statement texts alone. On an unsupported value they return an empty
// text and fill *error with "Update_SQL:Tipo Dato errato " (or
// "Insert_Sql:Tipo Dato errato ") + type number + " " + field name.
QString updateStatement(const QString &table, const FieldList &fields, const QString &condition, QString *error);
QString deleteStatement(const QString &table, const QString &condition);
QString insertStatement(const QString &table, const FieldList &fields, QString *error);

// Build and run with the dispatcher (execute options 192).
BuildResult runUpdate(const C_GestDB::Database &db, const QString &table, const FieldList &fields,
                      const QString &condition);
BuildResult runDelete(const C_GestDB::Database &db, const QString &table, const QString &condition);
BuildResult runInsert(const C_GestDB::Database &db, const QString &table, const FieldList &fields);

// ---- loaders ---------------------------------------------------------------

// Rows as the servers and the dispatcher return them: rows[column][row].
using Columns = QVector<QVariantList>;

// What the multi-row loader returns: the rows on success; otherwise code is
// "§§§" when there were no rows, or the server's status number, or false
// when the call could not be made at all.
struct LoadedRows {
    bool ok = false;
    Columns columns;
    QVariant code;
    QString message;
    int rowCount() const { return columns.isEmpty() ? 0 : int(columns.first().size()); }
    int columnCount() const { return int(columns.size()); }
    QVariant value(int column, int row) const { return columns.value(column).value(row); }
    bool noRows() const { return code.toString() == QStringLiteral("§§§"); }
    // The read itself failed (already reported to the operator): not the
    // same as a read that found nothing.
    bool failed() const { return !ok && !noRows(); }
    // The failure was the central register out of reach.
    bool unreachable() const
    {
        return failed() && code.typeId() != QMetaType::Bool && code.toInt() == kStatusBadDatabase;
    }
};

// Single-row loader: the first row's values in SELECT order, or nothing when
// there is no row or the call failed (the failure is already reported).
std::optional<QVariantList> Caricadati(const QString &database, const QString &sql, int mode,
                                       const QString &progId, nimbo::ServerHolder &holder);
std::optional<QVariantList> Caricadati(const QString &database, const QString &sql, int mode = kModeServer);
// The single-row loader for a caller that must tell a failed read from no
// row: *failed says the read failed (nothing then means "not known", not
// "not there").
std::optional<QVariantList> loadRow(const QString &database, const QString &sql, bool *failed);

// Multi-row loader.
LoadedRows loadRows(const QString &database, const QString &sql, int mode, const QString &progId,
                    nimbo::ServerHolder &holder);
LoadedRows loadRows(const QString &database, const QString &sql, int mode = kModeServer);

// The rows the grid and list loaders show (operation 101); context is the
// loader's name for the failure line ("CaricaGrigliaDaQuery").
LoadedRows loadGridRows(const QString &database, const QString &sql, const QString &progId,
                        nimbo::ServerHolder &holder, const QString &context);

// A value as grids and lists show it: dates day first ("dd/mm/yyyy").
QString displayValue(const QVariant &value);

// ---- batch writer ----------------------------------------------------------

// One statement of a batch: kind "R" update, "A" add, "C" delete,
// "CR" delete then add.
struct Statement {
    QString kind;
    QString table;
    FieldList fields;
    QString condition;
};

// Runs the whole list as one unit: mode 2 through the generic server (with
// the given operation code), otherwise in one transaction on the database
// declared under the logical name. True when every statement ran.
bool Update_Tabella(const QVector<Statement> &statements, const QString &database, int mode,
                    short operation, const QString &progId, nimbo::ServerHolder &holder);
bool Update_Tabella(const QVector<Statement> &statements, const QString &database, int mode = kModeServer,
                    short operation = kOpBatchWrite);

// The same list in the shape sent to the server, and back.
QVariantList packStatements(const QVector<Statement> &statements);
bool unpackStatements(const QVariantList &packed, QVector<Statement> *statements);

// Runs a list in one transaction on an open database: the batch of both
// modes. On failure *failed is the index of the statement that failed (the
// list's size when the commit failed) and errText why; nothing of the batch
// remains. An "R" that changes no row fails the batch: the row it was meant
// for is not there.
BuildResult runBatch(const C_GestDB::Database &db, const QVector<Statement> &statements, int *failed = nullptr);

// ---- report table -----------------------------------------------------------

// Fills the local Tab_Report with the rows of a query on the central
// database; targetColumns names the columns for the query's fields, split
// at "-" ("Rep_Campo01-Rep_Campo02"). True when the table was filled.
bool CaricaTabReport(const QString &sql, const QString &targetColumns, const QString &progId,
                     nimbo::ServerHolder &holder);
bool CaricaTabReport(const QString &sql, const QString &targetColumns);

// ---- server time -------------------------------------------------------------

// The query that asks the central database for its current time.
QString serverTimeQuery();
// The central database's current date and time through the generic server;
// invalid when it cannot be read (the failure is already reported).
QDateTime serverTime();

// ---- shared by the loaders and the servers -------------------------------------

// The database a logical name stands for: PROTOCOLLO is the central database
// (SERVERDB or its file), any other name its declared file. False when the
// name is not declared.
bool resolveDatabase(const QString &logicalName, Dialect::Target *target);
// "ATTENZIONE ! " + name + " Inesistente tra i SET di dichiarazione Database in file ini"
QString undeclaredText(const QString &logicalName);
// The session's generic server ProgID (OLEGENERICA).
QString genericProgId();

} // namespace Funzioni_Com_1
