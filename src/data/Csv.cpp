#include "data/Csv.h"

#include <QStringDecoder>

namespace Csv {

QChar detectSeparator(const QString &text)
{
    int semicolons = 0, commas = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
    }
    if (semicolons == 0 && commas == 0)
        return {};
    return semicolons >= commas ? QLatin1Char(';') : QLatin1Char(',');
}

bool parse(const QByteArray &content, QList<Record> *records, QChar *separator, QString *error)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(content);
    if (decode.hasError()) {
        *error = QStringLiteral("il file non è in codifica UTF-8");
        return false;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QChar sep = detectSeparator(text);
    if (separator)
        *separator = sep;

    records->clear();
    Record record;
    QString field;
    int line = 1;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the current field was quoted and is closed
    bool blank = true;      // nothing seen yet on this record
    record.line = 1;

    const auto endField = [&] {
        record.fields << field;
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        if (!blank) {
            endField();
            records->append(record);
        }
        record = Record();
        field.clear();
        wasQuoted = false;
        blank = true;
        record.line = line;
    };

    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            continue; // the LF ends the record
        if (c == QLatin1Char('\n')) {
            ++line;
            endRecord();
            continue;
        }
        if (!sep.isNull() && c == sep) {
            blank = false;
            endField();
            continue;
        }
        if (wasQuoted) {
            *error = QStringLiteral("riga %1: dopo le virgolette di chiusura di un campo è atteso il separatore")
                         .arg(line);
            return false;
        }
        if (c == QLatin1Char('"')) {
            if (!field.isEmpty()) {
                *error = QStringLiteral("riga %1: virgolette dentro un campo che non inizia con le virgolette "
                                        "(racchiudere il campo tra virgolette e scriverle due volte)")
                             .arg(line);
                return false;
            }
            quoted = true;
            blank = false;
            continue;
        }
        field += c;
        blank = false;
    }
    if (quoted) {
        *error = QStringLiteral("riga %1: campo tra virgolette non chiuso alla fine del file").arg(record.line);
        return false;
    }
    endRecord();
    return true;
}

} // namespace Csv
