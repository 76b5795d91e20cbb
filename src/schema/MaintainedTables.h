#pragma once
// The code tables that the code-table window maintains, as listed in
// Tab_Tabelle: every register carries these rows from its creation, and an
// upgrade adds whichever is missing, so the window has its tree on the
// first day without the demo.

#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace Schema {

struct MaintainedTable {
    int code;            // Tab_Codice it gets in a new register
    QString name;        // Tab_NomeTabella, as the window looks it up
    QString description; // Tab_Descrizione, shown in the window's tree
};

const QVector<MaintainedTable> &maintainedTables();

// Adds the rows whose table name is not yet in Tab_Tabelle (names compare
// without case and blanks), keeping the rows already there and their codes;
// a missing row whose usual code is taken gets the first code after the
// highest. Runs in its own transaction. *added: rows written.
bool fillMaintainedTables(QSqlDatabase &db, QString *error, int *added = nullptr);

namespace detail {
// The same inside a transaction the caller holds.
bool addMissingMaintainedTables(QSqlDatabase &db, QString *error, int *added);
} // namespace detail

} // namespace Schema
