#pragma once
// Compression and extraction of a single file in place, in the zip format
// and entirely in memory. Attachments are stored compressed when the
// workstation asks for it, and viewers extract a copy in the work folder.
//
// Outcomes: code "0" with "Operazione OK"; code "1" when the file is empty
// or missing, or when compression fails; code "-1" when extraction fails.
// Failures are also written to the daily log. The file on disk is replaced
// only when the whole new content is ready, so a failure leaves it intact.

#include <QByteArray>
#include <QString>

namespace Zip {

struct Result {
    QString code; // "0", "1" or "-1"
    QString text; // Italian text for the operator
    bool ok() const { return code == QLatin1String("0"); }
};

// In-memory primitives, also used on bytes that never touch the disk.
// The archive holds one entry named entryName. On failure they return false
// and put the library's error text in *error.
bool compressBytes(const QByteArray &data, const QString &entryName, QByteArray *zipped, QString *error);
// Extracts the first file entry of an archive.
bool extractBytes(const QByteArray &zipped, QByteArray *data, QString *error);

} // namespace Zip

// Replaces the file at path with a zip archive holding its former content.
Zip::Result CreaZip(const QString &path);
// Replaces the zip archive at path with the content of its first file.
Zip::Result EsplodiZip(const QString &path);
