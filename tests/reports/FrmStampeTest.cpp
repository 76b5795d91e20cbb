// "Stampe Periodiche" as a clerk uses it, on both engines: chosen from the
// menu, the checks in their order, reports printed to PDF and read back
// with pdftotext, exported to .xlsx and read back with openpyxl, and a
// report stopped half-way that leaves nothing behind.

#include <QFileInfo>
#include <QJsonArray>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>

#include "ReportFixture.h"
#include "data/C_GestDB.h"
#include "platform/ReportEngine.h"
#include "reports/ReportRules.h"
#include "ui/Progress.h"

using namespace nimbo;

namespace nimbo::test {

class PeriodicReports : public ReportTest {
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // 1 classified; 2 (reserved) and 3 not; 4 cancelled; 5 of 2023.
        for (int n = 1; n <= 4; ++n) {
            Protocol p;
            p.n = n;
            p.date = QDate(2024, 3, n + 1);
            p.subject = n == 1 ? s("NOTA DELL'ASL") : QString();
            p.reserved = n == 2;
            p.cancelled = n == 4;
            protocol(p);
        }
        Protocol old;
        old.n = 5;
        old.year = 2023;
        old.date = {2023, 12, 29};
        protocol(old);
        classify(1);
        movement(1, s("20240302100000"), 4, s("RAG"));
        movement(3, s("20240304100000"), 4, s("PER"));
    }
    void TearDown() override
    {
        ui::Progress::setStepHook({});
        ReportTest::TearDown();
    }

    static void set(QWidget *w, const char *name, const QString &date)
    {
        w->findChild<QLineEdit *>(QLatin1String(name))->setText(date);
    }
    void choose(QWidget *w, const char *option) { child<QRadioButton>(w, option)->click(); }
    // Presses a button with a file name ready; the boxes shown, or "" when none.
    QString press(QWidget *w, const char *button, const QString &file = {})
    {
        if (!file.isEmpty())
            boxes.files << file;
        child(w, button)->click();
        boxes.files.clear();
        return said();
    }
    static QStringList numbersIn(const QString &text)
    {
        static const QRegularExpression re(QStringLiteral("\\b\\d{4}-\\d{7}\\b"));
        QStringList out;
        for (auto it = re.globalMatch(text); it.hasNext();)
            out << it.next().captured();
        return out;
    }
    // Logs in as DEMO9 and opens the window with a report and a period chosen.
    QWidget *openFor(const char *option, const char *from, const char *to)
    {
        MDIMenu *main = start("DEMO9");
        QWidget *w = main ? open(main) : nullptr;
        if (w) {
            choose(w, option);
            set(w, "DataInizio", s(from));
            set(w, "DataFine", s(to));
        }
        return w;
    }
    QWidget *open(MDIMenu *main)
    {
        QWidget *w = menu(main, "mnuregprotgen");
        EXPECT_NE(w, nullptr);
        if (w) {
            EXPECT_EQ(w->windowTitle(), s("Stampe Periodiche"));
        }
        return w;
    }
};

TEST_P(PeriodicReports, NotClassifiedFromTheMenuToPdfAndSheet)
{
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    QWidget *w = open(main);
    ASSERT_NE(w, nullptr);

    EXPECT_EQ(press(w, "CmdStampa"), reports::kChooseReport);
    choose(w, "OptNonClassif");
    set(w, "DataInizio", s("01/03/2024"));
    set(w, "DataFine", s(""));
    EXPECT_EQ(press(w, "CmdStampa"), reports::kBadDates);
    set(w, "DataFine", s("28/02/2024"));
    EXPECT_EQ(press(w, "CmdStampa"), reports::kStartAfterEnd);
    set(w, "DataFine", s("31/03/2024"));

    const QString pdf = out.filePath(s("nonclassificati.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", pdf), QString());
    const QString text = pdfWords(pdf);
    EXPECT_TRUE(text.contains(s("Elenco documenti non classificati"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("AZIENDA SANITARIA DEMO")));
    EXPECT_TRUE(text.contains(s("Periodo dal 01/03/2024 al 31/03/2024")));
    // Exactly the active protocols of the period without a classification.
    EXPECT_EQ(numbersIn(text), (QStringList{shown(2), shown(3)})) << text.toStdString();
    EXPECT_FALSE(text.contains(s("OGGETTO 2"))); // reserved, and DEMO9 may not read it here
    EXPECT_TRUE(text.contains(s("OGGETTO 3")));

    const QString sheet = out.filePath(s("nonclassificati.xlsx"));
    EXPECT_EQ(press(w, "CmdExcel", sheet), QString());
    const QJsonObject book = readSheet(sheet);
    EXPECT_EQ(book.value(s("a1")).toString(), s("Elenco documenti non classificati"));
    EXPECT_EQ(book.value(s("a2")).toString(), s("Periodo dal 01/03/2024 al 31/03/2024"));
    const QJsonArray rows = book.value(s("rows")).toArray();
    ASSERT_EQ(rows.size(), 3); // the titles, then the two protocols
    EXPECT_EQ(rows[0].toArray()[0].toString(), s("N° Protocollo"));
    EXPECT_EQ(rows[1].toArray()[0].toString(), shown(2));
    EXPECT_EQ(rows[1].toArray()[2].toString(), s("date:2024-03-03"));
    EXPECT_EQ(rows[1].toArray()[4].toString(), s("*****"));
    EXPECT_EQ(rows[2].toArray()[0].toString(), shown(3));
    EXPECT_EQ(rows[2].toArray()[4].toString(), s("OGGETTO 3"));

    // Nothing in the period: said so, nothing written.
    set(w, "DataInizio", s("01/01/2022"));
    set(w, "DataFine", s("31/01/2022"));
    const QString none = out.filePath(s("vuoto.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", none), reports::kNoListRows);
    EXPECT_FALSE(QFileInfo::exists(none));
}

TEST_P(PeriodicReports, RegisterOfOneYearAndTheTransmissionList)
{
    QWidget *w = openFor("optRegGen", "01/12/2023", "31/01/2024");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(press(w, "CmdStampa", out.filePath(s("due.pdf"))), reports::kSameYear);
    EXPECT_FALSE(QFileInfo::exists(out.filePath(s("due.pdf"))));

    set(w, "DataInizio", s("01/02/2024"));
    set(w, "DataFine", s("29/02/2024"));
    const QString pdf = out.filePath(s("annuale.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", pdf), QString());
    const QString text = pdfWords(pdf);
    EXPECT_TRUE(text.contains(s("Registro Annuale del Protocollo"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("Registro Generale del PROTOCOLLO Anno 2024")));
    // The whole year, whatever months were typed; not the year before.
    EXPECT_EQ(numbersIn(text), (QStringList{shown(1), shown(2), shown(3), shown(4)}));
    EXPECT_TRUE(text.contains(s("Annullato")));

    const QString sheet = out.filePath(s("annuale.xlsx"));
    EXPECT_EQ(press(w, "CmdExcel", sheet), QString());
    const QJsonArray rows = readSheet(sheet).value(s("rows")).toArray();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[4].toArray()[0].toString(), shown(4));
    EXPECT_EQ(rows[4].toArray()[8].toString(), s("Annullato"));

    // The year before, with nothing in it but protocol 2023/5.
    set(w, "DataInizio", s("01/01/2022"));
    set(w, "DataFine", s("31/12/2022"));
    EXPECT_EQ(press(w, "CmdStampa", out.filePath(s("vuoto.pdf"))), reports::kNoRegisterRows);

    // The transmission list asks first, then wants the kind of assignment.
    choose(w, "OptTrasmissione");
    set(w, "DataInizio", s("01/03/2024"));
    set(w, "DataFine", s("31/03/2024"));
    boxes.answers << Answer::No;
    EXPECT_EQ(press(w, "CmdStampa"), s("Confermi la richiesta di stampa della distinta di trasmissione per il periodo "
                                       "01/03/2024 - 31/03/2024"));
    EXPECT_EQ(press(w, "CmdStampa"), s("Confermi la richiesta di stampa della distinta di trasmissione per il periodo "
                                       "01/03/2024 - 31/03/2024|")
                                         + reports::kChooseAssignment);
    choose(w, "OptP");
    set(w, "TxtOgg", s("dell'asl"));
    const QString list = out.filePath(s("distinta.pdf"));
    press(w, "CmdStampa", list);
    const QString sent = pdfWords(list);
    EXPECT_TRUE(sent.contains(s("Distinta di trasmissione agli uffici dell'Ente"))) << sent.toStdString();
    EXPECT_TRUE(sent.contains(s("Oggetto contenente: dell'asl")));
    EXPECT_EQ(numbersIn(sent), QStringList{shown(1)});
}

// The chronological register prints on the general register's template:
// the period asked only, each row with its direction beside its number.
TEST_P(PeriodicReports, ChronologicalRegisterOnTheGeneralRegisterTemplate)
{
    QWidget *w = openFor("OptGenerale", "02/03/2024", "04/03/2024");
    ASSERT_NE(w, nullptr);
    const QString pdf = out.filePath(s("cronologico.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", pdf), QString());
    const QString text = pdfWords(pdf);
    EXPECT_TRUE(text.contains(s("Registro cronologico del Protocollo"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("Registro Generale del protocollo dal")));
    EXPECT_EQ(numbersIn(text), (QStringList{shown(1), shown(2), shown(3)}));
    static const QRegularExpression row(QStringLiteral("2024-0000001\\s+[EU]\\s+02/03/2024"));
    EXPECT_TRUE(row.match(text).hasMatch()) << text.toStdString();

    const QString sheet = out.filePath(s("cronologico.xlsx"));
    EXPECT_EQ(press(w, "CmdExcel", sheet), QString());
    const QJsonArray rows = readSheet(sheet).value(s("rows")).toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].toArray()[1].toString(), s("Tipo"));
    EXPECT_EQ(rows[1].toArray()[0].toString(), shown(1));
    EXPECT_EQ(rows[1].toArray()[2].toString(), s("date:2024-03-02"));
}

TEST_P(PeriodicReports, AuthorityArpPrintsTheMonthlyRegister)
{
    run(s("UPDATE Tab_Parm_Gen SET Ente_codice_ASL = 'ARP'"));
    QWidget *w = openFor("optRegGen", "01/03/2024", "31/03/2024");
    ASSERT_NE(w, nullptr);
    const QString pdf = out.filePath(s("mensile.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", pdf), QString());
    const QString text = pdfWords(pdf);
    EXPECT_TRUE(text.contains(s("Registro mensile del Protocollo"))) << text.toStdString();
    EXPECT_FALSE(text.contains(s("Registro Annuale")));
}

// Stopped with "Annulla": no file under the chosen name, and the report
// table as it was before.
TEST_P(PeriodicReports, CancelledLeavesNothingHalfWritten)
{
    QWidget *w = openFor("optRegGen", "01/03/2024", "31/03/2024");
    ASSERT_NE(w, nullptr);

    ReportRow before(kReportColumns);
    before[0] = s("RIGA PRECEDENTE");
    ASSERT_TRUE(replaceReportRows(C_GestDB::localDatabase().sql(), {before}));
    int steps = 0;
    ui::Progress::setStepHook([&steps](QProgressDialog *d) {
        if (++steps == 2)
            d->cancel();
    });
    const QString pdf = out.filePath(s("annullato.pdf"));
    EXPECT_EQ(press(w, "CmdStampa", pdf), QString());
    EXPECT_FALSE(QFileInfo::exists(pdf));
    QVector<ReportRow> now;
    ASSERT_TRUE(ReportEngine::readRows(C_GestDB::localDatabase().sql(), now));
    ASSERT_EQ(now.size(), 1);
    EXPECT_EQ(now[0][0], s("RIGA PRECEDENTE"));

    steps = 0;
    const QString sheet = out.filePath(s("annullato.xlsx"));
    EXPECT_EQ(press(w, "CmdExcel", sheet), QString());
    EXPECT_FALSE(QFileInfo::exists(sheet));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{}); // no temporary left either

    // Not stopped, the same print goes through.
    ui::Progress::setStepHook({});
    EXPECT_EQ(press(w, "CmdExcel", sheet), QString());
    EXPECT_TRUE(QFileInfo::exists(sheet));
}

// The window fits the main window at 1024x768 with every box labelled,
// and offers only the filters of the chosen report.
TEST_P(PeriodicReports, LooksTidyAndOffersTheReportsFilters)
{
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    QWidget *w = open(main);
    ASSERT_NE(w, nullptr);
    for (const char *f : {"Dip", "Uff", "TxtOgg", "OptP", "OptS", "EntrataChk", "UscitaChk"})
        EXPECT_FALSE(child<QWidget>(w, f)->isEnabled()) << f;
    choose(w, "OptTrasmissione");
    for (const char *f : {"Dip", "TxtOgg", "OptP", "OptS"})
        EXPECT_TRUE(child<QWidget>(w, f)->isEnabled()) << f;
    EXPECT_FALSE(child<QWidget>(w, "Uff")->isEnabled()); // until a department is chosen
    pick(w, "Dip", s("AMM"));
    EXPECT_TRUE(child<QWidget>(w, "Uff")->isEnabled());
    EXPECT_FALSE(child<QWidget>(w, "EntrataChk")->isEnabled());
    expectFitsWithFieldsLabelled(main, w, out.filePath(s("FrmStampe.png")));
    choose(w, "OptNonAssegnati");
    EXPECT_TRUE(child<QWidget>(w, "EntrataChk")->isEnabled());
    EXPECT_FALSE(child<QWidget>(w, "Dip")->isEnabled());
}

NIMBO_INSTANTIATE_ENGINES(PeriodicReports);

} // namespace nimbo::test
