#pragma once
// Short builders that keep the table lists readable.

#include "schema/Definition.h"

namespace Schema::build {

inline Column txt(const char *n, int length = 0)
{
    Column c{QString::fromLatin1(n), Type::Text};
    c.length = length;
    return c;
}
inline Column num(const char *n) { return {QString::fromLatin1(n), Type::Integer}; }
inline Column big(const char *n) { return {QString::fromLatin1(n), Type::BigInt}; }
inline Column real(const char *n) { return {QString::fromLatin1(n), Type::Real}; }
inline Column date(const char *n) { return {QString::fromLatin1(n), Type::Date}; }
inline Column stamp(const char *n) { return {QString::fromLatin1(n), Type::Timestamp}; }
inline Column blob(const char *n) { return {QString::fromLatin1(n), Type::Blob}; }
inline Column serial(const char *n) { return {QString::fromLatin1(n), Type::Serial, true}; }

inline Column since(Column c, int version)
{
    c.since = version;
    return c;
}

inline Column withDefault(Column c, const char *literal)
{
    c.defaultValue = QString::fromLatin1(literal);
    return c;
}

inline QStringList cols(std::initializer_list<const char *> names)
{
    QStringList out;
    for (const char *n : names)
        out << QString::fromLatin1(n);
    return out;
}

inline Index idx(std::initializer_list<const char *> names) { return {cols(names), false}; }
inline Index uniq(std::initializer_list<const char *> names) { return {cols(names), true}; }

// Audit pair carried by most central rows: last writer and date of the write.
inline void audit(std::vector<Column> &c, const char *prefix)
{
    c.push_back(txt((QByteArray(prefix) + "CodOper").constData()));
    c.push_back(date((QByteArray(prefix) + "DatOper").constData()));
}

} // namespace Schema::build
