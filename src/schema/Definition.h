#pragma once
// The one description of every table and view of the central register
// database and of the workstation's local work database. The DDL of both
// engines is generated from it (Ddl.h), and creation/upgrade (Schema.h)
// applies it step by step.
//
// Conventions the rest of the program relies on:
// - Identifiers are unquoted; PostgreSQL folds them to lower case, which is
//   harmless because every query uses unquoted names as well.
// - Text columns are TEXT on both engines. A text column that the windows
//   type into declares its length here, and every entry field of the
//   column takes it from here: two windows that disagree on a code's
//   length cut one another's codes.
// - Date columns are DATE on PostgreSQL and ISO text 'yyyy-mm-dd' on SQLite;
//   timestamp columns are TIMESTAMP(0) on PostgreSQL and text
//   'yyyy-mm-dd hh:mm:ss' on SQLite. Written in those shapes, text order is
//   date order on both. Times of day are TEXT "hh:nn:ss".
// - Codes that SQL compares both as numbers and as quoted texts
//   (movement type, assignment type, member progressive, address-book
//   identifier, ...) are INTEGER: PostgreSQL accepts a quoted literal
//   against an integer column, but not a bare number against a text one.
// - Serial columns are numbered by the database on insert (the column must
//   then be left out of the INSERT).

#include <QString>
#include <QStringList>
#include <vector>

namespace Schema {

enum class Kind { Central, Local };

enum class Type {
    Text,
    Integer,
    BigInt,
    Real,
    Date,      // calendar date
    Timestamp, // date and time to the second
    Blob,      // large object (image, attachment, message file)
    Serial     // integer identifier given by the database; always the whole primary key
};

struct Column {
    QString name;
    Type type = Type::Text;
    bool notNull = false;
    QString defaultValue; // SQL literal, empty for none
    int since = 1;        // schema version that introduced the column
    int length = 0;       // most characters an entry field takes; 0: no entry field (not in the DDL)

    Column() = default;
    Column(QString n, Type t, bool nn = false) : name(std::move(n)), type(t), notNull(nn) {}
};

struct Index {
    QStringList columns;
    bool unique = false;

    Index(QStringList c, bool u = false) : columns(std::move(c)), unique(u) {}
};

struct Table {
    QString name;
    std::vector<Column> columns;
    QStringList primaryKey; // empty: none
    std::vector<Index> indexes;
    int since = 1;          // schema version that introduced the table

    Table(QString n, std::vector<Column> c, QStringList pk, std::vector<Index> ix, int s = 1)
        : name(std::move(n)), columns(std::move(c)), primaryKey(std::move(pk)), indexes(std::move(ix)), since(s)
    {
    }

    const Column *column(const QString &name) const;
    bool hasColumn(const QString &name) const { return column(name) != nullptr; }
    // The most characters a text column may hold, 0 for no limit. PostgreSQL
    // refuses a B-tree entry longer than about 2.7 kB, so a column in a key
    // or an index shares a budget with the index's other text columns,
    // counted at four bytes a character.
    int maxTextLength(const QString &column) const;
};

struct View {
    QString name;
    QString select; // SELECT text accepted by both engines
    int since = 1;

    View(QString n, QString sel, int s = 1) : name(std::move(n)), select(std::move(sel)), since(s) {}
};

const std::vector<Table> &tables(Kind kind);
const std::vector<View> &views(Kind kind);
const Table *findTable(Kind kind, const QString &name); // case-insensitive
// The declared length of a text column (Column::length); 0 when the table
// or column is unknown, not text or declares none.
int entryLength(Kind kind, const QString &table, const QString &column);

// The register's protocol columns (Tab_Protocollo) in definition order; the
// history table repeats them.
const std::vector<Column> &protocolColumns();

// Name of the table that records the applied schema versions.
QString versionTableName();

} // namespace Schema
