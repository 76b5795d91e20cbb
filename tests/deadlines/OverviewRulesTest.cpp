// What the deadline overview gives out, apart from the window: the
// spreadsheet it fills, the rows of its print, the calendar events, the
// address line and the reminder's subject.

#include <gtest/gtest.h>

#include "deadlines/OverviewRules.h"

using namespace nimbo;
using namespace nimbo::deadlines;
using namespace nimbo::deadlines::overview;

namespace {

DeadlineRow row(const char *number, const QDateTime &deadline, bool masked, const char *office = "UPR")
{
    DeadlineRow r;
    r.deadline = deadline;
    r.direction = QStringLiteral("E");
    r.number = QString::fromLatin1(number);
    r.protocolDate = QDate(2025, 3, 4);
    r.reserved = masked;
    r.subject = masked ? QStringLiteral("*****") : QStringLiteral("RICHIESTA PARERE");
    r.correspondentId = QStringLiteral("2");
    r.correspondent = QStringLiteral("COMUNE DI POTENZA");
    r.address = QStringLiteral("VIA ROMA, 2 - 85100   POTENZA");
    r.office = QString::fromLatin1(office);
    r.officeName = QStringLiteral("UFFICIO ") + r.office;
    r.serial = QStringLiteral("20250305090000");
    r.assigned = QDate(2025, 3, 5);
    r.delayDays = 3;
    return r;
}

TEST(OverviewRules, SheetSaysWhatWasExportedAndHoldsOneRowPerMatter)
{
    DeadlineCriteria due;
    due.kind = DeadlineCriteria::Kind::DueWithin;
    due.days = 5;
    const QDate today(2026, 12, 9);
    const QVector<DeadlineRow> rows{row("20250000012", QDateTime(QDate(2026, 12, 11), QTime(0, 0)), false),
                                    row("20250000007", QDateTime(QDate(2026, 12, 12), QTime(0, 0)), true)};
    const Sheet s = overviewSheet(due, today, rows);
    EXPECT_EQ(s.heading, QStringLiteral("Documenti in scadenza nei 5 giorni successivi alla data del 09/12/2026"));
    ASSERT_EQ(s.titles.size(), 7); // A4 to G4
    for (const char *t : {"Tipo", "N. Protocollo", "Data Protocollo", "Mittente/Destinatario",
                          "Indirizzo Mittente/Destinatario"})
        EXPECT_TRUE(s.titles.contains(QString::fromLatin1(t))) << t;
    ASSERT_EQ(s.rows.size(), 2);
    for (const auto &cells : s.rows)
        EXPECT_EQ(cells.size(), s.titles.size());
    const auto cell = [&](int r, const char *title) { return s.rows[r][s.titles.indexOf(QString::fromLatin1(title))]; };
    EXPECT_EQ(cell(0, "N. Protocollo").toString(), QStringLiteral("2025-0000012"));
    // Dates go in as dates, so that the spreadsheet sorts and filters them.
    EXPECT_EQ(cell(0, "Data Protocollo").typeId(), QMetaType::QDate);
    EXPECT_EQ(cell(1, "Data Scadenza").toDate(), QDate(2026, 12, 12));
    EXPECT_EQ(cell(0, "Indirizzo Mittente/Destinatario").toString(), QStringLiteral("VIA ROMA, 2 - 85100   POTENZA"));
    EXPECT_EQ(cell(0, "Oggetto").toString(), QStringLiteral("RICHIESTA PARERE"));
    EXPECT_EQ(cell(1, "Oggetto").toString(), QStringLiteral("*****"));

    DeadlineCriteria overdue;
    overdue.kind = DeadlineCriteria::Kind::Overdue;
    EXPECT_EQ(overviewSheet(overdue, today, rows).heading,
              QStringLiteral("Documenti non ancora evasi alla data del 09/12/2026"));

    const QVector<ReportRow> printed = reportRows(rows);
    ASSERT_EQ(printed.size(), 2);
    EXPECT_EQ(printed[0].mid(0, 10),
              (QStringList{"11/12/2026", "E", "2025-0000012", "04/03/2025", "RICHIESTA PARERE", "COMUNE DI POTENZA",
                           "UFFICIO UPR", "05/03/2025", "3", "VIA ROMA, 2 - 85100   POTENZA"}));
    EXPECT_EQ(printed[1][4], QStringLiteral("*****"));
}

TEST(OverviewRules, CalendarEventsAreStablePerAssignmentAndKeepMaskedMattersMasked)
{
    const QDateTime day(QDate(2026, 12, 11), QTime(0, 0));
    const QVector<DeadlineRow> rows{row("20250000012", day, false), row("20250000012", day, false, "RAG"),
                                    row("20250000007", QDateTime(QDate(2026, 12, 12), QTime(15, 30)), true)};
    const QVector<CalendarEvent> a = calendarEvents(QStringLiteral("001"), rows);
    const QVector<CalendarEvent> again = calendarEvents(QStringLiteral("001"), rows);
    ASSERT_EQ(a.size(), 3);
    for (int i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].uid, again[i].uid);
    // Two offices competent for the same protocol are two deadlines.
    EXPECT_NE(a[0].uid, a[1].uid);
    EXPECT_NE(a[0].uid, a[2].uid);
    EXPECT_TRUE(a[0].summary.contains(QStringLiteral("2025-0000012")));
    EXPECT_TRUE(a[0].summary.contains(QStringLiteral("RICHIESTA PARERE")));
    EXPECT_TRUE(a[0].allDay);
    EXPECT_EQ(a[0].start.date(), day.date());
    EXPECT_FALSE(a[2].allDay);
    EXPECT_TRUE(a[2].summary.contains(QStringLiteral("2025-0000007")));
    EXPECT_FALSE(a[2].summary.contains(QStringLiteral("RICHIESTA")));
    EXPECT_FALSE(a[2].description.contains(QStringLiteral("POTENZA")));
    EXPECT_TRUE(a[0].description.contains(QStringLiteral("COMUNE DI POTENZA")));
}

TEST(OverviewRules, AddressLineAndReminderSubject)
{
    EXPECT_EQ(addressText(QStringLiteral("VIA ROMA"), QStringLiteral("2 "), QStringLiteral("85100"), QStringLiteral("POTENZA")),
              QStringLiteral("VIA ROMA, 2 - 85100   POTENZA"));
    EXPECT_EQ(addressText(QStringLiteral("VIA ROMA"), QString(), QString(), QStringLiteral("POTENZA")),
              QStringLiteral("VIA ROMA - POTENZA"));
    EXPECT_EQ(addressText(QString(), QString(), QString(), QString()), QString());
    EXPECT_EQ(reminderSubject(QStringLiteral("20250000012"), QStringLiteral("E"), QDate(2025, 3, 4)),
              QStringLiteral("Sollecito completamento pratica prot. N. 2025-0000012-E  del 04/03/2025"));
    EXPECT_EQ(countText(12), QStringLiteral("Sono stati trovati N. 12 Protocolli"));
}

} // namespace
