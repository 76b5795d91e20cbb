#include "ui/RecentProtocols.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace nimbo::ui {

namespace {

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"));
}

// Codes are written into a settings key: only letters, digits and "_".
QString keyOf(const QString &ente, const QString &operatorCode)
{
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_]"));
    QString e = ente.trimmed(), o = operatorCode.trimmed().toUpper();
    return QStringLiteral("recenti/") + e.replace(other, QStringLiteral("_")) + QLatin1Char('_')
           + o.replace(other, QStringLiteral("_"));
}

bool wellFormed(const QString &direction, const QString &number)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{11}$"));
    return (direction == QLatin1String("E") || direction == QLatin1String("U")) && digits.match(number).hasMatch();
}

} // namespace

void rememberProtocol(const QString &ente, const QString &operatorCode, const QString &direction, const QString &number)
{
    const QString d = direction.trimmed().toUpper(), n = number.trimmed();
    if (operatorCode.trimmed().isEmpty() || !wellFormed(d, n))
        return;
    QSettings s = settings();
    const QString key = keyOf(ente, operatorCode);
    QStringList list = s.value(key).toStringList();
    const QString entry = d + n;
    list.removeAll(entry);
    list.prepend(entry);
    while (list.size() > kRecentKept)
        list.removeLast();
    s.setValue(key, list);
    s.sync();
}

QVector<RecentProtocol> recentProtocols(const QString &ente, const QString &operatorCode)
{
    QVector<RecentProtocol> out;
    if (operatorCode.trimmed().isEmpty())
        return out;
    const QStringList list = settings().value(keyOf(ente, operatorCode)).toStringList();
    for (const QString &entry : list)
        if (entry.size() == 12 && wellFormed(entry.left(1), entry.mid(1)) && out.size() < kRecentKept)
            out.append({entry.left(1), entry.mid(1)});
    return out;
}

void forgetRecentProtocols(const QString &ente, const QString &operatorCode)
{
    QSettings s = settings();
    s.remove(keyOf(ente, operatorCode));
    s.sync();
}

} // namespace nimbo::ui
