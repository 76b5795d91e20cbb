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

} // namespace Csv
