#pragma once
// Change history of departments, offices and operators, kept by the
// database itself:
// triggers generated from the table definitions write one row into the
// history table for every insert ("A"), close ("D": the closed flag turns
// to "SI"), reopening ("A": the flag leaves "SI"), other change ("M") and
// delete ("D", the record as it was) of a row, dated with the database's
// current date. No program, ours or an
// administrator's SQL, can change the organisation without leaving its trace,
// and no client code writes the history tables.
//
// An update that leaves every recorded column as it was (a rewrite of the
// same values, or a change of the last writer alone) is not a change and
// writes nothing.
//
// The operators' log (Log_Tab_Operatori) follows its own reader: "I" for an
// insert, "U" for any change (deactivation included: the row shows the
// operator as no longer active), "D" for a delete, dated with the time.

#include <QList>
#include <QPair>
#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::History {

struct Link {
    QString table;        // Tab_Dipartimenti
    QString history;      // Tab_Dipartimenti_Storico
    QString tablePrefix;  // prefix of the record columns in the table ("Dipa_")
    QString historyPrefix;// the same columns' prefix in the history ("DipaS_")
    QString dateColumn;   // date of the change, in the history
    QString typeColumn;   // "A", "D" or "M", in the history
    QString closedColumn; // closed flag ("SI"/"NO"), in the table; empty when there is none
    QString insertType = QStringLiteral("A");
    QString updateType = QStringLiteral("M"); // a change other than a close
    bool stamped = false; // the change is dated with the time too
    int version = 7;      // the schema version that installs the triggers
    // Columns of the table that the history does not hold but whose change
    // is a change all the same (a new password).
    QStringList alsoWatched = {};
};

const QList<Link> &links();

// (history column, table column) for every record column of the history
// table, in the history table's order. A history column with no column of
// the table behind it is named in *error and the list is empty.
QList<QPair<QString, QString>> columnMap(const Link &link, QString *error = nullptr);

// Why the triggers cannot be generated from the definitions (a history
// column without its table column); empty when they can.
QString mismatch();

// Statements that install (or reinstall) the triggers of departments and
// offices, and those of operators.
QStringList statements(Kind kind, Dialect::Engine e);
QStringList operatorStatements(Kind kind, Dialect::Engine e);

// Statements that install the trigger writing the protocol's history
// (ProtocolHistory.cpp): the row as it was before each change, dated by the
// database and signed by the row's new last writer.
QStringList protocolStatements(Kind kind, Dialect::Engine e);

// Names of the triggers installed on a table (for checks and tests).
QStringList triggerNames(const Link &link, Dialect::Engine e);

} // namespace Schema::History
