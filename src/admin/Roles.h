#pragma once
// The PostgreSQL role the workstations connect with.
//
// The owner of the register's tables is used by nimbo-admin alone. The
// workstations log in with a role that reads and writes what the program
// needs and nothing more: it owns nothing (so it can neither drop nor alter
// a table), may not create anything in the schema, may never truncate, may
// not delete protocols, may only add to the log tables, and may only read
// the history of protocols, departments and offices, which the database's
// triggers write, and the numbers admitted into the register without a
// registration.
// The grants come from the schema definition, so a table that a later schema
// version adds gets them at the next create-central.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace Admin::Roles {

QString defaultName(); // "nimbo_postazione"

// A plain lower-case PostgreSQL name: letters, digits and "_", at most 63.
bool validName(const QString &name);

// The privileges the workstation role gets on a table or view of the
// central schema, as the GRANT text ("SELECT, INSERT, UPDATE, DELETE").
QString privilegesOn(const QString &table);

// Creates the role when it is missing (LOGIN and nothing else), sets its
// password when one is given (sent to the server already hashed), checks that
// it holds no owner's power over the register and grants it exactly the
// workstation privileges. One transaction; *report receives a line per
// thing done.
bool ensure(QSqlDatabase &db, const QString &role, const std::optional<QString> &password, QStringList *report,
            QString *error);

// The workstation roles of this register: the roles, other than the tables'
// owner, that may insert into Tab_Protocollo.
QStringList existing(QSqlDatabase &db, QString *error);

// Grants every existing workstation role but `except` the privileges on
// the current schema again (after an upgrade added tables).
bool refresh(QSqlDatabase &db, const QString &except, QStringList *report, QString *error);

} // namespace Admin::Roles
