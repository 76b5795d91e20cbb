// The general register as the clerk uses it, on both engines: chosen from
// the menu, the period after the last archived protocol, the end date
// checked, the register printed to PDF and read back with pdftotext, the
// archive refused before the print and then made, its manifest checked; the
// period of a register with nothing archived; the daily register from its
// menu item.

#include <QDir>
#include <QLabel>

#include "RegisterFixture.h"
#include "registers/RegisterRules.h"
#include "registers/Registers.h"
#include "ui/RowList.h"

using namespace nimbo;

namespace {

class RegisterWindow : public test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registers::registerRegisterWindows();
    }
    MDIMenu *start() { return logInPrinting(s("DEMO9"), s("demo9pwd")); }
    static void setDate(QWidget *w, const char *name, const QDate &d)
    {
        w->findChild<QLineEdit *>(QLatin1String(name))->setText(d.toString(QStringLiteral("dd/MM/yyyy")));
    }
    QTemporaryDir out;
};

TEST_P(RegisterWindow, PrintThePeriodThenArchiveItWithItsManifest)
{
    protocol(number(2024, 1), QDate(2024, 1, 2), s("gia archiviato"), s("M"));
    protocol(number(2024, 2), QDate(2024, 1, 3), s("Richiesta | con barra\nsu due righe"));
    protocol(number(2024, 3), QDate(2024, 1, 4), s("Cartella clinica di Bianchi"), QString(), true, s("U"));
    protocol(number(2024, 4), QDate(2024, 1, 5), s("stampato e non archiviato"), s("S"));
    protocol(number(2024, 5), QDate(2024, 1, 20), s("dopo la fine del periodo"));

    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuregprotgiorn");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), s("Scarico Protocolli su CD"));
    EXPECT_EQ(text(w, "txtUltimoProtocollo"), s("2024-0000001"));
    EXPECT_EQ(text(w, "txtDataInizio"), s("02/01/2024"));
    auto *state = w->findChild<QLabel *>(s("lblStato"));
    EXPECT_EQ(state->text(), s("Lista Non Stampata"));

    // The end date must be before today.
    setDate(w, "txtDataFine", QDate::currentDate());
    child(w, "CmdCerca")->click();
    EXPECT_EQ(said(), s("ATTENZIONE! la data di fine periodo deve essere minore della data corrente!"));
    setDate(w, "txtDataFine", QDate(2024, 1, 1));
    child(w, "CmdStampa")->click();
    EXPECT_EQ(said(), s("ATTENZIONE! la data di fine periodo non può essere minore della data di inizio periodo!"));

    setDate(w, "txtDataFine", QDate(2024, 1, 10));
    child(w, "CmdCerca")->click();
    auto *list = w->findChild<ui::RowList *>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->text(0, 1), s("2024-0000002"));
    EXPECT_EQ(list->text(1, 4), s("RISERVATO"));
    test::expectFitsWithFieldsLabelled(main, w, out.filePath(s("frmStampaRegistro.png")));

    // Archiving comes after the print.
    child(w, "btnMasterizz")->click();
    EXPECT_EQ(said(), s("Operazione di salvataggio non permessa. Effettuare prima la stampa dell'elenco dei "
                        "protocolli da salvare"));
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=M"), number(2024, 2) + s("="), number(2024, 3) + s("="),
                                     number(2024, 4) + s("=S"), number(2024, 5) + s("=")}));

    const QString pdf = out.filePath(s("registro.pdf"));
    boxes.files << pdf;
    child(w, "CmdStampa")->click();
    EXPECT_EQ(said(), QString());
    const QString printed = layoutText(pdf);
    EXPECT_TRUE(printed.contains(s("Registro Generale del Protocollo"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(s("Protocolli dal n. 2024-0000002 al n. 2024-0000004")));
    for (const char *n : {"2024-0000002", "2024-0000003", "2024-0000004"})
        EXPECT_TRUE(printed.contains(QLatin1String(n))) << n;
    for (const char *n : {"2024-0000001", "2024-0000005", "Bianchi"})
        EXPECT_FALSE(printed.contains(QLatin1String(n))) << n;
    EXPECT_TRUE(printed.contains(s("Richiesta | con barra")));
    EXPECT_TRUE(printed.contains(s("Totale protocolli: 3")));
    EXPECT_EQ(state->text(), s("Lista Stampata"));
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=M"), number(2024, 2) + s("=S"), number(2024, 3) + s("=S"),
                                     number(2024, 4) + s("=S"), number(2024, 5) + s("=")}));

    child(w, "btnMasterizz")->click();
    const QString folder = registers::archiveFolder(db().folder(), s("001"), QDate(2024, 1, 10));
    const QString done = said();
    EXPECT_TRUE(done.startsWith(s("I file da salvare su CD sono stati crati nella directory ") + folder)) << done.toStdString();
    EXPECT_TRUE(done.endsWith(s("|Operazione Conclusa")));
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=M"), number(2024, 2) + s("=M"), number(2024, 3) + s("=M"),
                                     number(2024, 4) + s("=M"), number(2024, 5) + s("=")}));
    QProcess check;
    check.setWorkingDirectory(folder);
    check.start(s("sha256sum"), {s("-c"), registers::kManifestName});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 5);
    // The next period begins at the last protocol archived.
    EXPECT_EQ(text(w, "txtUltimoProtocollo"), s("2024-0000004"));
    EXPECT_EQ(text(w, "txtDataInizio"), s("05/01/2024"));
    EXPECT_EQ(state->text(), s("Lista Non Stampata"));
}

TEST_P(RegisterWindow, WithNothingArchivedThePeriodBeginsWithTheRegister)
{
    protocol(number(2023, 7), QDate(2023, 11, 20), s("il primo"));
    protocol(number(2024, 1), QDate(2024, 1, 2), s("il secondo"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuregprotgiorn");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "txtUltimoProtocollo"), QString());
    EXPECT_EQ(text(w, "txtDataInizio"), s("20/11/2023"));
    // The register's first day alone.
    setDate(w, "txtDataFine", QDate(2023, 11, 20));
    boxes.files << out.filePath(s("primo.pdf"));
    child(w, "CmdStampa")->click();
    EXPECT_EQ(said(), QString());
    const QString printed = layoutText(out.filePath(s("primo.pdf")));
    EXPECT_TRUE(printed.contains(s("2023-0000007"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(s("2024-0000001")));
    EXPECT_EQ(states(), (QStringList{number(2023, 7) + s("=S"), number(2024, 1) + s("=")}));
}

TEST_P(RegisterWindow, AnEmptyRegisterHasNoPeriodAndNothingToPrint)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuregprotgiorn");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "txtDataInizio"), QString());
    setDate(w, "txtDataFine", QDate::currentDate().addDays(-1));
    child(w, "CmdStampa")->click();
    EXPECT_EQ(said(), s("Non esistono documenti protocollati nel periodo in esame."));
}

TEST_P(RegisterWindow, TheDailyRegisterFromItsMenuItem)
{
    protocol(number(2024, 1), QDate(2024, 3, 5), s("dal menu"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuRegGiornaliero");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), s("Registro Giornaliero di Protocollo"));
    setDate(w, "txtData", QDate::currentDate());
    child(w, "CmdProduci")->click();
    EXPECT_EQ(said(), s("ATTENZIONE! Il registro giornaliero si produce per un giorno già concluso."));
    setDate(w, "txtData", QDate(2024, 3, 5));
    w->findChild<QLineEdit *>(s("txtCartella"))->setText(out.path());
    test::expectFitsWithFieldsLabelled(main, w, out.filePath(s("frmRegistroGiornaliero.png")));
    child(w, "CmdProduci")->click();
    const QString shown = said();
    EXPECT_TRUE(shown.startsWith(s("Registro giornaliero prodotto: "))) << shown.toStdString();
    const QString pdf = QDir(out.path()).filePath(s("001-20240305.pdf"));
    EXPECT_TRUE(shown.contains(sha(read(pdf))));
    EXPECT_TRUE(layoutText(pdf).contains(s("dal menu")));
}

NIMBO_INSTANTIATE_ENGINES(RegisterWindow);

} // namespace
