#include "servers/GroupNames.h"

namespace nimbo {

namespace {

QString keyCondition(const GroupName &name)
{
    QStringList parts;
    for (const QString &c : name.key)
        parts << c + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(" AND "));
}

} // namespace

bool holdGroupName(const RequestUnit::Exec &exec, QSqlQuery *&q, bool postgres, const GroupName &name)
{
    const QStringList columns = name.key + name.columns;
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    // A second writer of a name not committed yet waits here for the first.
    if (!exec(q,
              QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
                  .arg(name.table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
              name.values + name.columnValues))
        return false;
    if (!exec(q,
              QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(name.key.first(), name.table, keyCondition(name))
                  + (postgres ? QStringLiteral(" FOR UPDATE") : QString()),
              name.values))
        return false;
    q->finish();
    return true;
}

bool dropGroupName(const RequestUnit::Exec &exec, QSqlQuery *&q, const GroupName &name, const QString &extra,
                   const QVariantList &extraValues)
{
    return exec(q, QStringLiteral("DELETE FROM %1 WHERE %2").arg(name.table, keyCondition(name)) + extra,
                name.values + extraValues);
}

} // namespace nimbo
