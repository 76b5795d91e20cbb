#include "data/Csv.h"

#include <QStringDecoder>

namespace Csv {
namespace {

// Splits decoded text into records at the separator.
bool split(const QString &text, const QChar sep, QList<Record> *records, QString *error)
{
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

int lineAt(const QByteArray &content, qsizetype at) { return int(content.left(at).count('\n')) + 1; }

// The first byte that no text file holds: a control character other than
// tab and the line ends. -1 when none.
qsizetype firstControl(const QByteArray &content)
{
    for (qsizetype i = 0; i < content.size(); ++i) {
        const auto b = static_cast<unsigned char>(content[i]);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F)
            return i;
    }
    return -1;
}

// The line of the first bytes that are not UTF-8; 0 when all are.
int firstBadUtf8Line(const QByteArray &content)
{
    int line = 1;
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray &part : lines) {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(decode(part));
        if (decode.hasError())
            return line;
        ++line;
    }
    return 0;
}

// Windows' letters in 0x80-0x9F of its Latin-1 (0: no character there).
const char16_t kWindows[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool decodeLatin1(const QByteArray &content, QString *text, QString *error)
{
    // Latin-1 decodes any bytes; a UTF-8 file would come out as "Ã¨" in
    // place of "è", so one whose letters beyond ASCII are all well-formed
    // UTF-8 is taken for what it is.
    qsizetype high = -1;
    for (qsizetype i = 0; i < content.size() && high < 0; ++i)
        if (static_cast<unsigned char>(content[i]) >= 0x80)
            high = i;
    QStringDecoder asUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(asUtf8(content));
    if (high >= 0 && !asUtf8.hasError()) {
        *error = QStringLiteral("riga %1: il file è in codifica UTF-8, mentre è atteso in Latin-1 (ISO-8859-1)")
                     .arg(lineAt(content, high));
        return false;
    }
    text->resize(content.size());
    QChar *out = text->data();
    for (qsizetype i = 0; i < content.size(); ++i) {
        const auto b = static_cast<unsigned char>(content[i]);
        if (b >= 0x80 && b < 0xA0) {
            if (kWindows[b - 0x80] == 0) {
                *error = QStringLiteral("riga %1: il byte 0x%2 non è un carattere Latin-1: il file non è un file di testo")
                             .arg(lineAt(content, i))
                             .arg(b, 2, 16, QLatin1Char('0'));
                return false;
            }
            out[i] = QChar(kWindows[b - 0x80]);
        } else {
            out[i] = QChar(b);
        }
    }
    return true;
}

} // namespace

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
    return split(text, sep, records, error);
}

bool parse(const QByteArray &content, const Format &format, QList<Record> *records, QString *error)
{
    records->clear();
    const qsizetype control = firstControl(content);
    if (control >= 0) {
        *error = QStringLiteral("riga %1: il file contiene caratteri di controllo (byte 0x%2): non è un file di testo")
                     .arg(lineAt(content, control))
                     .arg(static_cast<unsigned char>(content[control]), 2, 16, QLatin1Char('0'));
        return false;
    }
    QString text;
    if (format.encoding == Encoding::Latin1) {
        if (!decodeLatin1(content, &text, error))
            return false;
    } else {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decode(content);
        if (decode.hasError()) {
            *error = QStringLiteral("riga %1: il file non è in codifica UTF-8").arg(firstBadUtf8Line(content));
            return false;
        }
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    }
    return split(text, format.separator.isNull() ? detectSeparator(text) : format.separator, records, error);
}

QString normalisedHeading(const QString &heading)
{
    QString h = heading.simplified().toLower();
    h.replace(QChar(0x2019), QLatin1Char('\''));
    return h;
}

} // namespace Csv
