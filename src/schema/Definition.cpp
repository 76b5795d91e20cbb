#include "schema/Definition.h"

#include "schema/Tables.h"

#include <QList>
#include <QPair>
#include <algorithm>

namespace Schema {

const Column *Table::column(const QString &n) const
{
    for (const auto &c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

namespace {

// Bytes of an index entry shared by its text columns: below PostgreSQL's
// B-tree limit (2704 bytes) with room for the entry's own header.
constexpr int kIndexEntryBytes = 2400;

// Indexes that schema steps build with statements of their own (partial
// ones, which the definition cannot describe).
const QList<QPair<QString, QStringList>> &indexesOutsideTheDefinition()
{
    static const QList<QPair<QString, QStringList>> l = {
        {QStringLiteral("Tab_Protocollo"),
         {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral("Tab_ProtocolloTemporaneo")}},
    };
    return l;
}

} // namespace

int Table::maxTextLength(const QString &name) const
{
    const Column *c = column(name);
    if (!c || c->type != Type::Text)
        return 0;
    QList<QStringList> keys;
    if (!primaryKey.isEmpty())
        keys << primaryKey;
    for (const Index &ix : indexes)
        keys << ix.columns;
    for (const auto &[table, columns] : indexesOutsideTheDefinition())
        if (table.compare(this->name, Qt::CaseInsensitive) == 0)
            keys << columns;
    int limit = 0;
    for (const QStringList &key : keys) {
        if (!key.contains(c->name, Qt::CaseInsensitive))
            continue;
        int texts = 0;
        for (const QString &k : key)
            if (const Column *kc = column(k); kc && kc->type == Type::Text)
                ++texts;
        const int share = kIndexEntryBytes / 4 / texts;
        limit = limit == 0 ? share : std::min(limit, share);
    }
    return limit;
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

int entryLength(Kind kind, const QString &table, const QString &column)
{
    const Table *t = findTable(kind, table);
    const Column *c = t ? t->column(column) : nullptr;
    return c && c->type == Type::Text ? c->length : 0;
}

const std::vector<Column> &protocolColumns()
{
    static const std::vector<Column> c = detail::protocolRegisterColumns();
    return c;
}

QString versionTableName() { return QStringLiteral("Schema_Version"); }

} // namespace Schema
