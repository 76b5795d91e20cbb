#pragma once
// The name of a group of offices or of address-book entries is a row of its
// own (Tab_UfficiGruppiNomi, Tab_RubricaGruppiNomi), keyed by where the name
// must be unique. A group is written as many member rows, which no key can
// keep from merging with another writer's: the name's row can. Whoever
// writes a group holds its name's row until the commit, so two writers of
// one name meet on that key and the second sees what the first committed.

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "servers/RequestParts.h"

namespace nimbo {

struct GroupName {
    QString table;        // the names table
    QStringList key;      // its key columns
    QVariantList values;  // their values
    QStringList columns;  // other columns written when the row is made
    QVariantList columnValues;
};

// Makes the name's row when it is missing and locks it (on SQLite the
// writer already holds the database). False when a statement failed (*q
// holds it).
bool holdGroupName(const RequestUnit::Exec &exec, QSqlQuery *&q, bool postgres, const GroupName &name);

// Removes the name's row; extra is a further condition on it ("AND ..."),
// with its values.
bool dropGroupName(const RequestUnit::Exec &exec, QSqlQuery *&q, const GroupName &name, const QString &extra = {},
                   const QVariantList &extraValues = {});

} // namespace nimbo
