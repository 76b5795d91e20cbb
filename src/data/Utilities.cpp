#include "data/Utilities.h"

namespace Utilities {

int vatCheckDigit(const QString &tenDigits)
{
    if (tenDigits.size() != 10)
        return -1;
    int total = 0;
    for (int i = 0; i < 10; ++i) {
        const QChar c = tenDigits.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        int digit = c.unicode() - '0';
        // Positions count from 1: the even ones (odd indexes) are doubled.
        if (i % 2 == 1) {
            digit *= 2;
            if (digit > 9)
                digit -= 9;
        }
        total += digit;
    }
    return (10 - total % 10) % 10;
}

VatCheck checkVatNumber(const QString &text)
{
    VatCheck result;
    const QString value = text.trimmed();
    if (value.isEmpty())
        return result;
    if (value.size() > 11) {
        result.outcome = VatCheck::Outcome::WrongLength;
        result.message = QStringLiteral("Attenzione ... Numero cifre P.Iva non corretto !");
        return result;
    }
    result.number = value.rightJustified(11, QLatin1Char('0'));
    const int expected = vatCheckDigit(result.number.left(10));
    const QChar last = result.number.at(10);
    const bool correct = expected >= 0 && last.isDigit() && last.unicode() - '0' == expected;
    result.outcome = correct ? VatCheck::Outcome::Correct : VatCheck::Outcome::Wrong;
    result.message = correct ? QStringLiteral("Partita Iva ESATTA") : QStringLiteral("Partita Iva ERRATA !!!!!!");
    return result;
}

} // namespace Utilities
