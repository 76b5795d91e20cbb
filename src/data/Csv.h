#pragma once
// Reader of comma-separated files as spreadsheets and other programs write
// them (RFC 4180): UTF-8 (a leading byte-order mark is skipped), records
// ending in CR LF or LF, fields separated by ";" or ",", a field in double
// quotes may hold the separator, line breaks and quotes written twice.
// Lines that hold nothing are skipped.

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace Csv {

struct Record {
    int line = 0; // line of the file where the record begins (1 = first)
    QStringList fields;
};

// The separator of a file whose first line names its columns: the one of
// ";" and "," that appears more often outside quotes in that line; a null
// QChar when neither appears.
QChar detectSeparator(const QString &text);

// Decodes and splits the whole file. False with a message naming the line
// when the bytes are not UTF-8 or a quoted field is not closed properly.
bool parse(const QByteArray &content, QList<Record> *records, QChar *separator, QString *error);

// Files written by other programs: the national list of municipalities
// comes in Latin-1 as Windows writes it (its 0x80-0x9F are the Windows
// letters such as "Š"), other files in UTF-8.
enum class Encoding { Utf8, Latin1 };

struct Format {
    Encoding encoding = Encoding::Utf8;
    QChar separator; // null: the one of ";" and "," the first line holds more
};

// As parse(), for a file in the given format, stricter about what is not
// text: a control character other than tab and line ends (a binary file),
// bytes that are not UTF-8 in a UTF-8 file, and a UTF-8 file offered as
// Latin-1 are refused with a message naming the line.
bool parse(const QByteArray &content, const Format &format, QList<Record> *records, QString *error);

// A column heading as compared with the expected one: line breaks and runs
// of blanks made one blank, trimmed, lower case, typographic apostrophes
// made plain.
QString normalisedHeading(const QString &heading);

} // namespace Csv
