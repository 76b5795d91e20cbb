#include "ui/ProtocolNumber.h"

namespace nimbo {

QString storedNumber(const QString &number)
{
    QString n = number.trimmed();
    n.remove(QLatin1Char('-'));
    return n;
}

QString shownNumber(const QString &number)
{
    const QString n = storedNumber(number);
    if (n.size() <= 4)
        return n;
    return n.left(4) + QLatin1Char('-') + n.mid(4);
}

} // namespace nimbo
