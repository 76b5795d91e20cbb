#pragma once
// The letters and pairs of letters of a text, as the indexes that serve a
// "contains" search for one or two letters hold them, and the condition
// that finds the protocols whose number's year differs from the year of
// their date. The schema builds its indexes from these same texts and the
// searches name them identically, or the engines could not use them.

#include <QString>

#include "data/Dialect.h"

namespace LetterGrams {

// SQLite: the full-text tables of letters and pairs of the subject and of
// the address-book name.
inline const QString kSubjectTable = QStringLiteral("Tab_Protocollo_Lettere_fts");
inline const QString kNameTable = QStringLiteral("Tab_Rubrica_Lettere_fts");

// SQLite: the word of the full-text table for the piece of the upper-cased
// text (an SQL expression) at a position, one or two characters long:
// "h" and the hex of its UTF-8 bytes, so that any character, blank or
// punctuation is a word of its own for the table's tokenizer.
inline QString sqliteWord(const QString &text, const QString &position, int length)
{
    return QStringLiteral("'h' || hex(substr(UPPER(%1), %2, %3))").arg(text, position).arg(length);
}

// PostgreSQL: the function giving the letters and pairs of a lower-cased
// text, and the indexed expression over a column.
inline const QString kPgFunction = QStringLiteral("nimbo_lettere");
inline QString pgGrams(const QString &column) { return kPgFunction + QStringLiteral("(lower(") + column + QStringLiteral("))"); }

// The protocols whose number's year is not the year of their date (a
// partial index holds them): a search over a period walks the numbers of
// the period's years and adds these.
inline QString offYear(Dialect::Engine e, const QString &alias = {})
{
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    const QString number = a + QStringLiteral("Tab_NumeroProtocollo");
    const QString date = a + QStringLiteral("Tab_DataProtocollo");
    if (e == Dialect::Engine::PostgreSQL)
        return QStringLiteral("substr(%1, 1, 4) <> lpad(CAST(CAST(EXTRACT(YEAR FROM %2) AS INTEGER) AS TEXT), 4, '0')")
            .arg(number, date);
    return QStringLiteral("substr(%1, 1, 4) <> substr(%2, 1, 4)").arg(number, date);
}

} // namespace LetterGrams
