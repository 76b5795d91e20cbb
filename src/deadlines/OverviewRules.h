#pragma once
// The rules of the deadline overview that need no window: how the found
// matters are listed, counted, printed, put in a spreadsheet and in a
// calendar, the reminder's mail subject, and the statements of the detail
// (the assignment's notes, the correspondent's other protocols, addresses
// and the body's name).

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "deadlines/DeadlineExport.h"
#include "deadlines/DeadlineSearch.h"
#include "platform/ReportEngine.h"

namespace nimbo::deadlines::overview {

extern const char *const kCaption;        // "Scadenzario Pratiche"
extern const char *const kReservedImages; // refusal of a reserved protocol's images
extern const char *const kMailMissing;    // mail not configured
extern const char *const kNoFileName;     // an export without a file name
extern const char *const kSheetDone;      // "Generazione del file EXCEL completata."
extern const char *const kPrintFailure;   // the report table could not be filled
inline const QString kReportTemplate = QStringLiteral("PraticheScadute.rpt");
inline const QString kSheetFile = QStringLiteral("Protocolli in Scadenza.xlsx");
inline const QString kCalendarFile = QStringLiteral("Scadenze Pratiche.ics");

// The row limit of a search: enough for any office's work, small enough for
// a list that stays quick.
constexpr int kRowLimit = 1000;

// The columns of LwProtocolli. "Seriale" and "Ufficio" are keys the clerk
// does not read (hidden); the stored number and the position of the row in
// the search result ride along unseen.
enum Column {
    ColDeadline, ColDirection, ColNumber, ColProtocolDate, ColSubject, ColCorrespondent, ColOffice, ColAssigned,
    ColDelay, ColSerial, ColOfficeCode, ColAddress, ColKey, ColIndex
};
extern const char *const kListTitles;
extern const char *const kListWidths;
// The rows as the list shows them: dates as ISO texts (shown day first and
// sorted as dates), the number whole, "Ritardo" in days.
Funzioni_Com_1::Columns listRows(const QVector<DeadlineRow> &rows);

// "Sono stati trovati N. 12 Protocolli"
QString countText(qlonglong found);
// Beside the count when the row limit left matters out.
QString cutText(int limit);

// What was searched, as the spreadsheet's first cell and the print's title
// say it ("Documenti in scadenza nei 5 giorni successivi alla data del
// 09/12/2026").
QString searchTitle(const DeadlineCriteria &c, const QDate &today);

// The spreadsheet: A1 the search title, titles on row 4 (A to G), one row
// per matter.
Sheet overviewSheet(const DeadlineCriteria &c, const QDate &today, const QVector<DeadlineRow> &rows);

// The rows of PraticheScadute (Rep_Campo01 .. Rep_Campo11).
QVector<ReportRow> reportRows(const QVector<DeadlineRow> &rows);

// One event per matter on its deadline; the uid names the assignment (body,
// protocol, movement, competent office), so a new export of the same
// deadline replaces the event instead of adding another.
QVector<CalendarEvent> calendarEvents(const QString &ente, const QVector<DeadlineRow> &rows);

// The reminder's mail subject: "Sollecito completamento pratica prot. N. "
// + number + "-" + direction + "  del " + date.
QString reminderSubject(const QString &number, const QString &direction, const QDate &protocolDate);

// The notes of the assignment movement the row came from.
QString assignmentNotesQuery(const QString &ente, const QString &direction, const QString &number,
                             const QString &serial);

// The other protocols of the body with the same correspondent that the
// viewer may find in the general search, newest first: direction, number,
// date, subject, privacy flag, state. At most `limit` + 1 rows.
QString otherDocumentsQuery(const protocol::Viewer &v, const QString &correspondentId, int limit);
extern const char *const kOtherTitles;
extern const char *const kOtherWidths;
// Their rows as shown (reserved subjects masked), the stored number last.
Funzioni_Com_1::Columns otherDocumentRows(const Funzioni_Com_1::LoadedRows &r, const protocol::Viewer &v);

// Street, street number, postcode and town of the correspondents named by
// their identifiers (numbers only; others are left out): identifier first.
QString addressesQuery(const QString &ente, const QStringList &ids);
// street + ", " + number + " - " + postcode + "   " + town, leaving out
// the separators of parts that are missing.
QString addressText(const QString &street, const QString &number, const QString &postcode, const QString &town);

// The body's name, for the print's heading.
QString bodyNameQuery(const QString &ente);

} // namespace nimbo::deadlines::overview
