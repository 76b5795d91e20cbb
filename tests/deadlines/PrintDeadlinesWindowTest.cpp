// "STAMPA Scadenzario Pratiche" as a clerk uses it, on both engines: chosen
// from the menu, the range checked, the matters due in the range (or on the
// day) of the chosen office printed to PDF with their latest reminder and
// read back with pdftotext; handled matters, other offices and other days
// left out; a reserved subject masked for a clerk without the privacy right.

#include <QComboBox>
#include <QRadioButton>

#include "ReminderFixture.h"
#include "platform/ReportEngine.h"

using namespace nimbo;

namespace {

class PrintDeadlines : public test::DeadlineWindowTest {
protected:
    static QString d(const QDate &date) { return date.toString(QStringLiteral("d/M/yyyy")); }
    static void set(QWidget *w, const char *name, const QDate &date)
    {
        w->findChild<QLineEdit *>(QLatin1String(name))->setText(date.toString(QStringLiteral("dd/MM/yyyy")));
    }
    // Presses "Stampa" with a file name ready; what the PDF says, or the
    // boxes shown when nothing was printed.
    QString print(QWidget *w, const QString &file)
    {
        const QString pdf = out.filePath(file);
        boxes.files << pdf;
        child(w, "CmdStampa")->click();
        const QString shown = said();
        boxes.files.clear();
        return shown.isEmpty() ? test::pdfText(pdf) : shown;
    }
};

TEST_P(PrintDeadlines, TheOfficesMattersDueWithTheirLatestReminder)
{
    const QDate today = QDate::currentDate();
    matter(1, s("RAG"), today.addDays(2));
    matter(2, s("RAG"), today.addDays(3), true);
    matter(3, s("RAG"), today.addDays(20));
    matter(4, s("RAG"), today.addDays(4), false, true);
    matter(5, s("PER"), today.addDays(2));
    run(s("INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, Tab_UfficioCompetente, "
          "Tab_PersonaContattata, Tab_Risposta) VALUES ('001', ?, ?, 'RAG', 'VERDI LUCA', 'GIA IN LAVORAZIONE')"),
        {number(1), today.addDays(-1)});

    MDIMenu *main = start("DEMO8");
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuScadenzario");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), s("STAMPA Scadenzario Pratiche"));

    set(w, "TxtDataDal", today.addDays(7));
    set(w, "TxtDataAl", today);
    EXPECT_EQ(print(w, s("rovescio.pdf")), s("La data finale non può essere minore della data iniziale"));

    set(w, "TxtDataDal", today);
    set(w, "TxtDataAl", today.addDays(7));
    pick(w, "CboDipartimento", s("AMM"));
    pick(w, "CboUfficio", s("RAG"));
    const QString text = print(w, s("intervallo.pdf"));
    EXPECT_TRUE(text.contains(s("Documenti in scadenza dal giorno ") + d(today) + s(" al giorno ") + d(today.addDays(7))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(s("UNITA' OPERATIVA: DIPARTIMENTO AMMINISTRATIVO - RAGIONERIA"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("2024-0000001"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("OGGETTO 1")));
    EXPECT_TRUE(text.contains(today.addDays(-1).toString(s("dd/MM/yyyy"))));
    EXPECT_TRUE(text.contains(s("VERDI LUCA")));
    EXPECT_TRUE(text.contains(s("GIA IN LAVORAZIONE")));
    EXPECT_TRUE(text.contains(s("2024-0000002")));
    EXPECT_FALSE(text.contains(s("OGGETTO 2")));
    EXPECT_TRUE(text.contains(s("*****")));
    for (const char *left : {"2024-0000003", "2024-0000004", "2024-0000005"})
        EXPECT_FALSE(text.contains(s(left))) << left;

    // One day, every office of the department.
    child<QRadioButton>(w, "OptGiorno")->click();
    set(w, "TxtData", today.addDays(2));
    pick(w, "CboUfficio", s("------"));
    const QString day = print(w, s("giorno.pdf"));
    EXPECT_TRUE(day.contains(s("Documenti in scadenza il ") + d(today.addDays(2)))) << day.toStdString();
    EXPECT_TRUE(day.contains(s("UNITA' OPERATIVA: DIPARTIMENTO AMMINISTRATIVO - TUTTI")));
    EXPECT_TRUE(day.contains(s("2024-0000001")));
    EXPECT_TRUE(day.contains(s("2024-0000005")));
    EXPECT_FALSE(day.contains(s("2024-0000002")));

    set(w, "TxtData", today.addDays(1));
    EXPECT_EQ(print(w, s("vuoto.pdf")), s("Nessun dato da stampare"));
}

NIMBO_INSTANTIATE_ENGINES(PrintDeadlines);

// The template is shared with the iter window's list, which fills other
// fields after the ninth: the reminder columns and the subtitle show only
// when the print asks for them.
TEST(PrintDeadlinesTemplate, RemindersOnlyWhenAsked)
{
    ReportEngine engine(test::shippedTemplates());
    ReportRow row(kReportColumns);
    row[0] = QStringLiteral("05/03/2026");
    row[9] = QStringLiteral("SERIALE");
    row[10] = QStringLiteral("UFFICIO");
    ReportRequest req;
    req.templateName = QStringLiteral("DocInScadenza.rpt");
    req.title = QStringLiteral("Documenti in scadenza entro il 7/3/2026");
    const QString plain = engine.render(req, {row});
    EXPECT_TRUE(plain.contains(QStringLiteral("05/03/2026"))) << engine.lastErrorText().toStdString();
    for (const char *hidden : {"Ultimo Sollecito", "SERIALE", "UFFICIO", "UNITA"})
        EXPECT_FALSE(plain.contains(QLatin1String(hidden))) << hidden;
    req.values.insert(QStringLiteral("reminders"), QStringLiteral("S"));
    req.values.insert(QStringLiteral("subtitle"), QStringLiteral("UNITA' OPERATIVA: TUTTI - TUTTI"));
    const QString asked = engine.render(req, {row});
    for (const char *shown : {"Ultimo Sollecito", "SERIALE", "UFFICIO", "UNITA"})
        EXPECT_TRUE(asked.contains(QLatin1String(shown))) << shown;
}

} // namespace
