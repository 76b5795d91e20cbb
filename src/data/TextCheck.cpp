#include "data/TextCheck.h"

namespace TextCheck {

QString problem(const QString &field, const QString &text)
{
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("Il campo %1 contiene un testo Unicode non valido (carattere %2 isolato alla "
                                  "posizione %3): correggere il testo.")
                .arg(field, QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper())
                .arg(i + 1);
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Il campo %1 contiene un carattere di controllo non ammesso (%2) alla posizione %3: "
                                  "correggere il testo.")
                .arg(field, QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper())
                .arg(i + 1);
    }
    return {};
}

} // namespace TextCheck
