#pragma once
// The program's functions: the main window's menu tree (each item with its
// caption, nesting and function code) and the function table Tab_Funzioni
// made from it. The main window builds its menus from this tree, and the
// installer fills the table from it when it creates or upgrades a central
// database, so rights can be given on every item from the first day.

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace FunctionTable {

struct Entry {
    int level = 0;   // 0 for the menu bar's own items
    QString name;    // control name (tf_nome)
    QString caption; // Tf_Caption
    QString code;    // tf_codice this item gets in a new table; empty: derived
    QString tag;     // "O" always visible, "D" always hidden, empty: by rights
};

// Every item of the main window in menu order; an entry followed by deeper
// ones is a menu holding them.
const QVector<Entry> &menuTree();
// The item whose function code governs an item: its own, or that of the
// item it shares its right with.
QString rightOf(const QString &name);

// True when the entry at index i of the list holds the entries after it.
bool isMenu(const QVector<Entry> &entries, int i);

// The function code of every entry. Codes already in the table (name ->
// code) are kept, since operators' rights name them; then the entry's own
// code; an entry without one (or whose code is taken) gets the two letters
// of its top menu followed by the first free number, so a rebuild gives the
// same codes.
QHash<QString, QString> assignCodes(const QVector<Entry> &entries, const QHash<QString, QString> &existing);

// Rebuilds Tab_Funzioni on an open central database in one transaction,
// keeping the codes it holds. *written is the number of rows written.
bool fill(QSqlDatabase &db, QString *error, int *written = nullptr);

} // namespace FunctionTable
