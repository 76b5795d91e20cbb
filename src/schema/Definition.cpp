#include "schema/Definition.h"

#include "schema/Tables.h"

namespace Schema {

const Column *Table::column(const QString &n) const
{
    for (const auto &c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const std::vector<Table> &tables(Kind kind)
{
    static const std::vector<Table> central = detail::centralTables();
    static const std::vector<Table> local = detail::localTables();
    return kind == Kind::Central ? central : local;
}

const std::vector<View> &views(Kind kind)
{
    static const std::vector<View> central = detail::centralViews();
    static const std::vector<View> local;
    return kind == Kind::Central ? central : local;
}

const Table *findTable(Kind kind, const QString &name)
{
    for (const auto &t : tables(kind))
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const std::vector<Column> &protocolColumns()
{
    static const std::vector<Column> c = detail::protocolRegisterColumns();
    return c;
}

QString versionTableName() { return QStringLiteral("Schema_Version"); }

} // namespace Schema
