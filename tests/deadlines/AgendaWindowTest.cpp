// "SCADENZARIO ATTIVITA'" as a clerk uses it, on both engines: chosen from
// the menu, the toolbar of each state, the checks in order, a progressive
// the office already holds refused with a clear message and nothing
// overwritten, a change, a deletion, and the listed activities exported
// to a calendar.

#include <QFile>
#include <QProcess>

#include "ReminderFixture.h"
#include "deadlines/AgendaWindow.h"
#include "deadlines/ReminderRules.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"

using namespace nimbo;
using namespace nimbo::deadlines;

namespace {

class AgendaWindow : public test::DeadlineWindowTest {
protected:
    void entry(const char *dip, const char *office, const char *progressive, const QDate &date, const char *time,
               const char *subject)
    {
        run(s("INSERT INTO Tab_Scadenzario (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_DataOraRegistrazione, "
              "Tab_DataScadenza, Tab_OraScadenza, Tab_Oggetto, Tab_Annotazioni) VALUES ('001', ?, ?, ?, ?, ?, ?, "
              "'DA PREPARARE')"),
            {s(dip), s(office), s(progressive), date, s(time), s(subject)});
    }
    QStringList stored()
    {
        return rows(s("SELECT Tab_Dipartimento, Tab_Ufficio, Tab_DataOraRegistrazione, Tab_Oggetto, "
                      "Tab_OraScadenza, Tab_CodOper FROM Tab_Scadenzario ORDER BY Tab_DataOraRegistrazione"));
    }
    static void set(QWidget *w, const char *name, const QString &value)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(value);
    }
    static void pickRow(ui::RowList *list, const QString &progressive)
    {
        ASSERT_TRUE(list->select(0, progressive)) << progressive.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    QString registerTyped(MDIMenu *main)
    {
        press(main, "REGISTRA");
        return said();
    }
};

TEST_P(AgendaWindow, FromTheMenuChecksRegistersChangesAndDeletes)
{
    const QDate today = QDate::currentDate();
    const QDate due = today.addDays(5);
    entry("PRO", "UPR", "2024111000", today.addDays(-1), "", "PASSATA");
    entry("AMM", "RAG", "2024111100", due, "09.30", "RIUNIONE BILANCIO");
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<FrmScadenzario *>(menu(main, "mnuscadenze"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), s("SCADENZARIO ATTIVITA'"));
    EXPECT_EQ(test::shownToolbar(main), s("ESCI;NUOVO"));
    // From today on only.
    EXPECT_EQ(column(w->list(), 2), s("RIUNIONE BILANCIO"));

    press(main, "NUOVO");
    EXPECT_EQ(test::shownToolbar(main), s("ESCI;REGISTRA;ANNULLA"));
    const QString code = text(w, "TxtCodice");
    // Year, month and day without zeros, then hours and minutes.
    EXPECT_EQ(code.left(code.size() - 4),
              QString::number(today.year()) + QString::number(today.month()) + QString::number(today.day()));
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(w, "TxtCodice")));

    set(w, "TxtDipartimento", s("XXX"));
    EXPECT_EQ(registerTyped(main), agenda::kUnknownDepartment);
    set(w, "TxtDipartimento", s("AMM"));
    set(w, "TxtUfficio", s("UPR"));
    EXPECT_EQ(registerTyped(main), agenda::kUnknownOffice);
    set(w, "TxtUfficio", s("RAG"));
    EXPECT_EQ(registerTyped(main), agenda::kNoSubject);
    set(w, "TxtOggetto", s("CONSEGNA ATTI"));
    EXPECT_EQ(registerTyped(main), agenda::kNoDate);
    set(w, "TxtData", due.toString(s("dd/MM/yyyy")));
    set(w, "TxtOra", s("9:30"));
    EXPECT_EQ(registerTyped(main), agenda::kBadTime);
    set(w, "TxtOra", s("09.30"));
    EXPECT_EQ(registerTyped(main), s("Scadenza gia registrata con progressivo 2024111100"));

    // Another entry of the office under the same progressive: refused by
    // name, and the other entry left as it was.
    set(w, "TxtOra", s("10.00"));
    entry("AMM", "RAG", code.toUtf8().constData(), today.addDays(40), "", "ALTRA");
    EXPECT_EQ(registerTyped(main), agendaKeyTaken(code));
    EXPECT_TRUE(stored().contains(s("AMM|RAG|") + code + s("|ALTRA||")));
    run(s("DELETE FROM Tab_Scadenzario WHERE Tab_Oggetto = 'ALTRA'"));
    EXPECT_EQ(registerTyped(main).toStdString(), "");
    EXPECT_TRUE(stored().contains(s("AMM|RAG|") + code + s("|CONSEGNA ATTI|10.00|DEMO9")));
    EXPECT_EQ(test::shownToolbar(main), s("ESCI;NUOVO"));
    EXPECT_EQ(column(w->list(), 2), s("RIUNIONE BILANCIO,CONSEGNA ATTI"));

    // A change: the office and the progressive stay, the rest is rewritten.
    pickRow(w->list(), code);
    EXPECT_EQ(test::shownToolbar(main), s("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_EQ(text(w, "LblUfficio"), s("RAGIONERIA"));
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(w, "TxtUfficio")));
    set(w, "TxtOggetto", s("CONSEGNA ATTI AL COLLEGIO"));
    set(w, "TxtOra", s("09.30"));
    EXPECT_EQ(registerTyped(main), s("Scadenza gia registrata con progressivo 2024111100"));
    set(w, "TxtOra", s("11.15"));
    EXPECT_EQ(registerTyped(main).toStdString(), "");
    EXPECT_EQ(stored().filter(code), QStringList{s("AMM|RAG|") + code + s("|CONSEGNA ATTI AL COLLEGIO|11.15|DEMO9")});

    // Deletion asks first.
    pickRow(w->list(), code);
    boxes.answers << Answer::No;
    press(main, "CANCELLA");
    EXPECT_EQ(said(), s("CONFERMI LA CANCELLAZIONE LOGICA DEL CODICE CORRENTE ?"));
    EXPECT_EQ(stored().filter(code).size(), 1);
    press(main, "CANCELLA");
    EXPECT_EQ(said(), s("CONFERMI LA CANCELLAZIONE LOGICA DEL CODICE CORRENTE ?"));
    EXPECT_TRUE(stored().filter(code).isEmpty());
    EXPECT_EQ(column(w->list(), 2), s("RIUNIONE BILANCIO"));
    EXPECT_EQ(test::shownToolbar(main), s("ESCI;NUOVO"));
}

// Past the checks (another clerk of the office wrote between them and the
// write), the table's key still refuses a second entry under the same
// progressive, and the clerk is told why.
TEST_P(AgendaWindow, TheKeyRefusesASecondEntryEvenPastTheChecks)
{
    const QDate due = QDate::currentDate().addDays(5);
    entry("AMM", "RAG", "20261290435", due, "09.30", "PRIMA");
    ASSERT_NE(start("DEMO9"), nullptr);
    struct Probe : FrmScadenzario {
        using FrmScadenzario::writeRecord;
    } w;
    const ui::Record r{{agenda::kEnte, s("001")},          {agenda::kDepartment, s("AMM")},
                       {agenda::kOffice, s("RAG")},        {agenda::kProgressive, s("20261290435")},
                       {agenda::kDate, due.toString(s("dd/MM/yyyy"))}, {agenda::kTime, s("10.00")},
                       {agenda::kSubject, s("SECONDA")},   {agenda::kNotes, QString()}};
    EXPECT_FALSE(w.writeRecord(r, true));
    EXPECT_TRUE(boxes.texts().endsWith(agendaKeyTaken(s("20261290435")))) << said().toStdString();
    EXPECT_EQ(stored(), QStringList{s("AMM|RAG|20261290435|PRIMA|09.30|")});
}

// Bodies whose authority code is 104 call their offices operative units.
TEST_P(AgendaWindow, OperativeUnitsWhereTheBodySaysSo)
{
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    DicAmbiente::session().parm.enteCodiceAsl = s("104");
    auto *w = menu(main, "mnuscadenze");
    ASSERT_NE(w, nullptr);
    QStringList captions;
    for (QLabel *l : w->findChildren<QLabel *>())
        if (l->buddy() == child<QLineEdit>(w, "TxtUfficio"))
            captions << l->text();
    EXPECT_EQ(captions, QStringList{s("U. Operativa")});
}

// The listed activities go to the calendar writer; the file is read back
// with a reader that is not ours once the writer is in place.
TEST_P(AgendaWindow, ExportsTheListedActivitiesToACalendar)
{
    const QDate due = QDate::currentDate().addDays(5);
    entry("AMM", "RAG", "2024111100", due, "09.30", "RIUNIONE BILANCIO");
    entry("PRO", "UPR", "2024111200", due.addDays(1), "", "INVENTARIO");
    entry("PRO", "UPR", "2024111000", QDate::currentDate().addDays(-1), "", "PASSATA");
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<FrmScadenzario *>(menu(main, "mnuscadenze"));
    ASSERT_NE(w, nullptr);
    child(w, "CmdEsportaCalendario")->click();
    EXPECT_EQ(said(), s("Per completare l'operazione è necessario specificare il nome del file"));

    const QString path = out.filePath(s("agenda.ics"));
    boxes.files << path;
    child(w, "CmdEsportaCalendario")->click();
    const QString outcome = said();
    if (outcome.startsWith(s("Errore nella generazione del calendario: ")))
        GTEST_SKIP() << "calendar writer not in place: " << outcome.toStdString();
    ASSERT_EQ(outcome, s("Generazione del calendario completata."));
    QProcess p;
    // Debian's interpreter, which has the package (one of one's own earlier
    // on the PATH may lack it).
    p.start(QFile::exists(s("/usr/bin/python3")) ? s("/usr/bin/python3") : s("python3"), {s("-c"), s("import sys, icalendar\n"
                                      "cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
                                      "for e in sorted(cal.walk('VEVENT'), key=lambda e: str(e.get('summary'))):\n"
                                      "    print(str(e.get('summary')) + '|' + e.decoded('dtstart').isoformat()[:16])\n"),
                           path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              s("INVENTARIO|") + due.addDays(1).toString(Qt::ISODate) + s("\nRIUNIONE BILANCIO|")
                  + due.toString(Qt::ISODate) + s("T09:30"))
        << p.readAllStandardError().toStdString();
}

NIMBO_INSTANTIATE_ENGINES(AgendaWindow);

// The progressive is the clock's digits without zeros: two days can give
// the same text, which is why the table's key has the last word.
TEST(AgendaRules, ProgressiveTimeAndEvents)
{
    const auto at = [](int y, int m, int d, int h, int n) { return QDateTime(QDate(y, m, d), QTime(h, n, 42)); };
    EXPECT_EQ(agendaProgressive(at(2026, 12, 9, 4, 35)), QStringLiteral("20261290435"));
    EXPECT_EQ(agendaProgressive(at(2026, 11, 1, 10, 5)), agendaProgressive(at(2026, 1, 11, 10, 5)));

    for (const char *good : {"", "00.00", "09.30", "23.59"})
        EXPECT_TRUE(agendaTimeValid(QString::fromLatin1(good))) << good;
    for (const char *bad : {"9.30", "09:30", "24.00", "12.60", "ore 9"})
        EXPECT_FALSE(agendaTimeValid(QString::fromLatin1(bad))) << bad;

    Funzioni_Com_1::LoadedRows r;
    r.ok = true;
    // progressive, date, subject, department, office, time, notes
    r.columns = {{QStringLiteral("2026111005"), QStringLiteral("2026111005")},
                 {QStringLiteral("2026-11-01"), QDate(2027, 1, 11)},
                 {QStringLiteral("RIUNIONE"), QStringLiteral("INVENTARIO")},
                 {QStringLiteral("AMM"), QStringLiteral("PRO")},
                 {QStringLiteral("RAG"), QStringLiteral("UPR")},
                 {QStringLiteral("10.05"), QString()},
                 {QStringLiteral("portare i conti"), QString()}};
    const QVector<CalendarEvent> e = agendaEvents(r, QStringLiteral("001"));
    ASSERT_EQ(e.size(), 2);
    EXPECT_FALSE(e[0].allDay);
    EXPECT_EQ(e[0].start, QDateTime(QDate(2026, 11, 1), QTime(10, 5)));
    EXPECT_EQ(e[0].summary, QStringLiteral("RIUNIONE"));
    EXPECT_TRUE(e[0].description.startsWith(QStringLiteral("portare i conti\n")));
    EXPECT_TRUE(e[1].allDay);
    EXPECT_EQ(e[1].start.date(), QDate(2027, 1, 11));
    // The same progressive in two offices is two activities.
    EXPECT_NE(e[0].uid, e[1].uid);
}

} // namespace
