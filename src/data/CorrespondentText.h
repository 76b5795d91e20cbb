#pragma once
// The names of a protocol's correspondents as the database keeps them (one
// a line, Tab_NomiCorrispondenti) on one printed line.

#include <QString>
#include <QStringList>

namespace nimbo {

inline QString correspondentsOnOneLine(const QString &kept)
{
    QStringList out;
    for (const QString &line : kept.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    return out.join(QStringLiteral("; "));
}

} // namespace nimbo
