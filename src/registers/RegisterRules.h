#pragma once
// The rules of the general register's window, kept apart from it: the
// period after the last archived protocol, the checks of its end date, the
// queries of the window and the text format of the archive files.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace nimbo::registers {

inline const QString kLabelNotPrinted = QStringLiteral("Lista Non Stampata");
inline const QString kLabelPrinted = QStringLiteral("Lista Stampata");

// The period: the last archived protocol (empty when none) and the start
// date, the date of that protocol; with nothing archived the start is the
// date of the body's first protocol, and invalid on an empty register.
struct Period {
    QString lastArchived;
    QDate start;
};

// "SELECT Max(Tab_NumeroProtocollo) ..." of the archived protocols.
QString lastArchivedQuery(const QString &ente);
// The date of one protocol of the body.
QString protocolDateQuery(const QString &ente, const QString &number);
// The number of the body's first protocol.
QString firstProtocolQuery(const QString &ente);

// The message that refuses the end date, or nothing when it may be used:
// a valid date, not before the start, before today.
std::optional<QString> checkEndDate(const QDate &end, const QDate &start, const QDate &today);

// The protocols of the period not yet archived, in number order.
QString searchQuery(const QString &ente, const QString &lastArchived, const QDate &end);

// ---- the archive files --------------------------------------------------------

// The folder of an archive, under the program's "documenti/Appoggio".
QString archiveFolder(const QString &programFolder, const QString &ente, const QDate &end);
// The file of one table in that folder: entity + "_" + table name + "_" + date ".txt".
QString archiveFileName(const QString &ente, const QString &table, const QDate &end);
inline const QString kManifestName = QStringLiteral("SHA256SUMS");

// One line of an archive file: the fields separated by "|". Inside a field
// "\" is written "\\", "|" "\|", a line feed "\n", a carriage return "\r"
// and a Null field is "\N", so a subject holding "|" or a line break stays
// one field of one line.
QString archiveLine(const QVector<std::optional<QString>> &fields);
// The fields of a line written by archiveLine; nothing when it is malformed.
std::optional<QVector<std::optional<QString>>> readArchiveLine(const QString &line);

} // namespace nimbo::registers
