#pragma once
// The rules behind the reminders made to an office in charge of a matter,
// the printed list of deadlines and the offices' activity agenda: queries,
// checks and what is written or printed, kept apart from the windows so
// that they can be tested without them.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "deadlines/DeadlineExport.h"
#include "deadlines/DeadlineSearch.h"
#include "platform/ReportEngine.h"

namespace nimbo::deadlines {

// ---- reminders -------------------------------------------------------------

namespace reminder {
inline const QString kTable = QStringLiteral("Tab_ProSolleciti");
inline const QString kId = QStringLiteral("Tab_ProgrSollecito");
inline const QString kEnte = QStringLiteral("Tab_Ente");
inline const QString kProtocol = QStringLiteral("Tab_Protocollo");
inline const QString kDate = QStringLiteral("Tab_DataSollecito");
inline const QString kOffice = QStringLiteral("Tab_UfficioCompetente");
inline const QString kPerson = QStringLiteral("Tab_PersonaContattata");
inline const QString kAnswer = QStringLiteral("Tab_Risposta");

inline const QString kNoDate = QStringLiteral("inserire la data in cui si è contattato il referente dell'ufficio");
inline const QString kAfterToday = QStringLiteral("la data inserita non può essere maggiore della data corrente");
inline const QString kBeforeLatest =
    QStringLiteral("la data inserita non può essere minore della data dell'ultimo sollecito inserito.");
inline const QString kNoPerson = QStringLiteral("inserire il nominativo della persona contattata");
inline const QString kNoAnswer = QStringLiteral("inserire la risposta della persona contattata");
} // namespace reminder

// The reminders of a protocol (its 11-character number), oldest first:
// identifier, date, person, answer.
QString reminderListQuery(const QString &ente, const QString &number);

// The latest date a reminder may not precede: for a new reminder the
// latest of the protocol's; for a change the latest of those registered
// before it (identifiers are handed out in order), so that changing an
// older reminder is still possible and the order of the list stays the
// order of registration.
QString latestReminderQuery(const QString &ente, const QString &number, qlonglong changedId = 0);

// The first check a reminder fails, as the column of its field and the
// message; nothing when it passes. `today` is the database server's date;
// `latest` is invalid when there is no earlier reminder.
struct Failure {
    QString column;
    QString message;
};
std::optional<Failure> checkReminder(const QDate &date, const QDate &today, const QDate &latest,
                                     const QString &person, const QString &answer);

// The subject of the mail that urges the office in charge: "Sollecito
// completamento pratica prot. N. 2026-0000012-E  del 09/12/2026".
QString reminderMailSubject(const QString &number, const QString &direction, const QDate &protocolDate);
// What the clerk is told when the program has no mail to send it with.
inline const QString kMailNotConfigured = QStringLiteral("Contattare l'esperto della procedura!!! ");

// ---- printed deadlines -------------------------------------------------------

// "Documenti in scadenza dal giorno 1/3/2026 al giorno 31/3/2026", or
// "Documenti in scadenza il 1/3/2026" when the range is one day.
QString printTitle(const QDate &from, const QDate &to, bool singleDay);
// "UNITA' OPERATIVA: " + department + " - " + office; a part not chosen
// reads "TUTTI".
QString printSubtitle(const QString &department, const QString &office);
// The message of the first wrong date of the print request; nothing when
// the dates can be printed.
std::optional<QString> checkPrintDates(const QDate &from, const QDate &to, bool singleDay);
// One report row per deadline: Rep_Campo01 deadline, 02 direction, 03
// number, 04 protocol date, 05 subject (masked as listed), 06
// correspondent, 07 office in charge, 08 assignment date, 09 delay in
// days, 10 latest reminder, 11 person contacted, 12 answer.
QVector<ReportRow> printRows(const QVector<DeadlineRow> &rows);

// ---- activity agenda ------------------------------------------------------------

namespace agenda {
inline const QString kTable = QStringLiteral("Tab_Scadenzario");
inline const QString kEnte = QStringLiteral("Tab_Ente");
inline const QString kDepartment = QStringLiteral("Tab_Dipartimento");
inline const QString kOffice = QStringLiteral("Tab_Ufficio");
inline const QString kProgressive = QStringLiteral("Tab_DataOraRegistrazione");
inline const QString kDate = QStringLiteral("Tab_DataScadenza");
inline const QString kTime = QStringLiteral("Tab_OraScadenza");
inline const QString kSubject = QStringLiteral("Tab_Oggetto");
inline const QString kNotes = QStringLiteral("Tab_Annotazioni");

inline const QString kUnknownDepartment = QStringLiteral("Il codice Dipartimento inserito non esiste in archivio.");
inline const QString kUnknownOffice = QStringLiteral("Il codice Ufficio inserito non esiste in archivio.");
inline const QString kNoSubject = QStringLiteral("inserire l'oggetto della comunicazione");
inline const QString kNoDate = QStringLiteral("inserire una data di scadenza corretta");
inline const QString kBadTime = QStringLiteral("inserire l'ora della scadenza nel formato hh.nn");
inline const QString kNoProgressive =
    QStringLiteral("Progressivo non assegnato: impossibile leggere data e ora dal server. Premere NUOVO per riprovare.");
inline const QString kDuplicate = QStringLiteral("Scadenza gia registrata con progressivo ");
} // namespace agenda

// The year, then month and day without leading zeros, then hours and
// minutes: 9 December 2026 at 04:35 gives "20261290435". The text is not
// unique (1 November and 11 January give the same digits): the table's key
// refuses a second entry of the office under it.
QString agendaProgressive(const QDateTime &serverNow);
// Whether a time is "hh.nn" (an empty time is a whole-day activity).
bool agendaTimeValid(const QString &time);
// The entries of the body due from the given day on, by date and time:
// progressive, date, subject, department, office and, for the calendar,
// time and notes.
QString agendaListQuery(const QString &ente, const QDate &from, bool forCalendar = false);
// Another entry of the office for the same date and time (the entry being
// changed left out); its progressive is the first column.
QString agendaSameTimeQuery(const QString &ente, const QString &department, const QString &office,
                            const QDate &date, const QString &time, const QString &changedProgressive);
// The entry an office holds under a progressive.
QString agendaKeyQuery(const QString &ente, const QString &department, const QString &office,
                       const QString &progressive);
// The message for a progressive the office already uses.
QString agendaKeyTaken(const QString &progressive);

// One calendar event per listed activity (the columns of agendaListQuery),
// with the time "hh.nn" as its start or the whole day when it has none.
QVector<CalendarEvent> agendaEvents(const Funzioni_Com_1::LoadedRows &rows, const QString &ente);

} // namespace nimbo::deadlines
