// The files a clerk takes away from the deadline lists, read back by
// programs that did not write them: the workbook by openpyxl, the calendar
// by the Python icalendar package and by libical's own parser.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include "deadlines/DeadlineExport.h"

using namespace nimbo::deadlines;

namespace {

// Runs a Python snippet on `file` and returns what it printed as JSON.
QJsonValue python(const char *script, const QString &file)
{
    // The system's interpreter: the readers are installed as its packages.
    const QString interpreter = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                  : QStringLiteral("python3");
    QProcess p;
    p.start(interpreter, {QStringLiteral("-c"), QString::fromUtf8(script), file});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson("[" + p.readAllStandardOutput() + "]").array().at(0);
}

const QString kAwkward = QStringLiteral("Città: rinvio, \"urgente\"; seconda riga\nterza riga");

const char *const kReadSheet = R"(
import json, sys, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
def cell(v):
    if isinstance(v, datetime.datetime): return "date:" + v.strftime("%Y-%m-%d %H:%M")
    return v
print(json.dumps({"a1": ws["A1"].value, "rows": [[cell(c.value) for c in r] for r in ws.iter_rows(min_row=4)],
                  "fmt": ws["C5"].number_format}))
)";

const char *const kReadCalendar = R"(
import json, sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], "rb").read())
out = {"prodid": str(cal.get("prodid")), "version": str(cal.get("version")), "events": []}
for e in cal.walk("VEVENT"):
    start = e.get("dtstart")
    out["events"].append({"uid": str(e.get("uid")), "summary": str(e.get("summary")),
        "description": str(e.get("description")), "start": start.dt.isoformat(),
        "value": start.params.get("VALUE", ""), "stamp": e.get("dtstamp") is not None})
print(json.dumps(out))
)";

} // namespace

TEST(DeadlineExport, SheetReadsBackWithHeadingTitlesRowsAndRealDates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Protocolli in Scadenza.xlsx"));
    Sheet sheet;
    sheet.heading = QStringLiteral("Documenti non ancora evasi alla data del 09/12/2026");
    sheet.titles = {QStringLiteral("Tipo"), QStringLiteral("N. Protocollo"), QStringLiteral("Data Protocollo"),
                    QStringLiteral("Mittente/Destinatario"), QStringLiteral("Ritardo"), QStringLiteral("Scadenza")};
    sheet.rows = {{QStringLiteral("E"), QStringLiteral("2026-0000012"), QDate(2026, 2, 28), kAwkward, 3,
                   QDateTime(QDate(2026, 3, 1), QTime(9, 30))},
                  {QStringLiteral("U"), QStringLiteral("2026-0000013"), QDate(), QString(), 0, QDateTime()}};
    ASSERT_EQ(writeSheet(path, sheet), QString());

    const QJsonObject got = python(kReadSheet, path).toObject();
    EXPECT_EQ(got[QStringLiteral("a1")].toString(), sheet.heading);
    const QJsonArray rows = got[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3); // titles on row 4, then one row per matter
    EXPECT_EQ(rows[0].toArray().toVariantList(),
              (QVariantList{"Tipo", "N. Protocollo", "Data Protocollo", "Mittente/Destinatario", "Ritardo", "Scadenza"}));
    const QJsonArray first = rows[1].toArray();
    EXPECT_EQ(first[1].toString(), QStringLiteral("2026-0000012")); // the number stays text, whole
    EXPECT_EQ(first[2].toString(), QStringLiteral("date:2026-02-28 00:00"));
    EXPECT_EQ(first[3].toString(), kAwkward);
    EXPECT_EQ(first[4].toInt(), 3);
    EXPECT_EQ(first[5].toString(), QStringLiteral("date:2026-03-01 09:30"));
    EXPECT_EQ(got[QStringLiteral("fmt")].toString(), QStringLiteral("dd/mm/yyyy"));
    const QJsonArray second = rows[2].toArray();
    EXPECT_TRUE(second[2].isNull()); // no date: an empty cell, not a day of 1899
    EXPECT_TRUE(second[5].isNull());

    // A write that cannot take its name (a folder stands there) fails and
    // leaves no temporary file behind.
    const QString folder = dir.filePath(QStringLiteral("cartella"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_NE(writeSheet(folder, sheet), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("Protocolli in Scadenza.xlsx"), QStringLiteral("cartella")}));
}

TEST(DeadlineExport, CalendarParsesBackInBothReaders)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scadenze.ics"));
    const QVector<CalendarEvent> events = {
        {QStringLiteral("20260000012-E@nimbo"), QDateTime(QDate(2026, 3, 1), QTime(0, 0)), true,
         QStringLiteral("Scadenza prot. 2026-0000012: attività, ufficio; «Tributi»"), kAwkward},
        {QStringLiteral("scadenzario-7@nimbo"), QDateTime(QDate(2026, 3, 2), QTime(15, 45)), false,
         QStringLiteral("Riunione, sala; piano terra"), QString()}};
    ASSERT_EQ(writeCalendar(path, events), QString());

    const QJsonObject got = python(kReadCalendar, path).toObject();
    EXPECT_FALSE(got[QStringLiteral("prodid")].toString().isEmpty());
    EXPECT_EQ(got[QStringLiteral("version")].toString(), QStringLiteral("2.0"));
    const QJsonArray list = got[QStringLiteral("events")].toArray();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject a = list[0].toObject(), b = list[1].toObject();
    EXPECT_EQ(a[QStringLiteral("uid")].toString(), events[0].uid);
    EXPECT_EQ(a[QStringLiteral("summary")].toString(), events[0].summary);
    EXPECT_EQ(a[QStringLiteral("description")].toString(), kAwkward);
    EXPECT_EQ(a[QStringLiteral("start")].toString(), QStringLiteral("2026-03-01"));
    EXPECT_EQ(a[QStringLiteral("value")].toString(), QStringLiteral("DATE"));
    EXPECT_TRUE(a[QStringLiteral("stamp")].toBool());
    EXPECT_EQ(b[QStringLiteral("summary")].toString(), events[1].summary);
    EXPECT_EQ(b[QStringLiteral("start")].toString(), QStringLiteral("2026-03-02T15:45:00"));

    // libical's own parser, strict about the structure.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_EQ(text.count("VALUE=DATE"), 1);
    icalcomponent *cal = icalparser_parse_string(text.constData());
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(icalcomponent_isa(cal), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VEVENT_COMPONENT), 2);
    EXPECT_EQ(icalcomponent_count_errors(cal), 0);
    icalcomponent *first = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
    EXPECT_EQ(QString::fromUtf8(icalcomponent_get_summary(first)), events[0].summary);
    EXPECT_EQ(QString::fromUtf8(icalcomponent_get_description(first)), kAwkward);
    const icaltimetype start = icalcomponent_get_dtstart(first);
    EXPECT_TRUE(start.is_date);
    EXPECT_EQ(QDate(start.year, start.month, start.day), QDate(2026, 3, 1));
    icalcomponent *second = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT);
    const icaltimetype at = icalcomponent_get_dtstart(second);
    EXPECT_FALSE(at.is_date);
    EXPECT_EQ(QTime(at.hour, at.minute), QTime(15, 45));
    icalcomponent_free(cal);

    // Nothing half-written where the file cannot be written.
    EXPECT_NE(writeCalendar(dir.filePath(QStringLiteral("manca/scadenze.ics")), events), QString());
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("cartella"))));
    EXPECT_NE(writeCalendar(dir.filePath(QStringLiteral("cartella")), events), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("scadenze.ics")});
}
