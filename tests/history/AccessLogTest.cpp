// The access log and the operators' history as the clerk reaches them from
// the menu, on both engines: the checks in their order, a protocol named by
// year and number, a period compared as dates across a month and a year,
// the printed list, and the changes of an operator (none for one without).

#include <QTableView>

#include "HistoryFixture.h"
#include "history/FrmLogAccessi.h"
#include "history/FrmStoricoOPE.h"
#include "support/Files.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class AccessLog : public HistoryTest {
protected:
    void logRow(const char *when, const char *user, const char *ente, const char *number)
    {
        sql(QStringLiteral("INSERT INTO Log_ACCESSI_PROTO (DataAccesso, Utente, NomeComputer, MacAddress, Funzione, "
                           "Ente, NumProtocollo) VALUES ('%1', '%2', 'PC01', '00-11-22-33-44-55', ' - Preview Allegati', "
                           "'%3', '%4')")
                .arg(QLatin1String(when), QLatin1String(user), QLatin1String(ente), QLatin1String(number)));
    }
    static void set(QWidget *w, const char *name, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    // Chooses a row of a list the way the clerk does: select it, press Enter.
    static void choose(ui::RowList *list, int column, const QString &text)
    {
        ASSERT_TRUE(list->select(column, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
};

TEST_P(AccessLog, ChecksInOrderAndAPeriodOfWholeDaysAcrossMonthAndYear)
{
    logRow("2025-12-31 23:59:59", "DEMO9", "001", "20050000012");
    logRow("2026-01-01 00:00:00", "DEMO6", "001", "20050000013");
    logRow("2026-01-31 23:59:59", "DEMO9", "001", "20050000012");
    logRow("2026-02-01 00:00:00", "DEMO9", "001", "20050000012");
    logRow("2025-12-30 23:59:59", "DEMO9", "001", "20050000012");
    logRow("2026-01-15 10:00:00", "DEMO9", "002", "20050000012"); // another body
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<history::FrmLogAccessi *>(chooseMenu(main, "MnuLogAccessi"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Consulta LOG Accessi"));
    auto *search = child(w, "CmdCerca");

    const struct {
        const char *from, *to, *year, *number, *message;
    } refused[] = {
        {"", "", "", "", "Indicare la data di inizio periodo di ricerca"},
        {"31/02/2026", "", "", "", "Iserire una data di formato corretto (gg/mm/aaaa)."},
        {"31/12/2025", "", "", "", "Indicare la data di fine periodo di ricerca"},
        {"31/12/2025", "31/02/2026", "", "", "Iserire una data di formato corretto (gg/mm/aaaa)."},
        {"31/12/2025", "30/12/2025", "", "", "La data di fine periodo non  può essere minore della data di inizio periodo"},
        {"31/12/2025", "31/01/2026", "2005", "1x", "specificare valori numerici per i campi relativi all'anno ed al numero di protocollo"},
        {"31/12/2025", "31/01/2026", "2005", "", "specificare valori numerici per i campi relativi all'anno ed al numero di protocollo"},
    };
    for (const auto &r : refused) {
        set(w, "TxtDIni", QString::fromLatin1(r.from));
        set(w, "TxtDFine", QString::fromLatin1(r.to));
        set(w, "TxtAProto", QString::fromLatin1(r.year));
        set(w, "TxtNumero", QString::fromLatin1(r.number));
        boxes.clear();
        search->click();
        EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(r.message)}) << r.message;
        EXPECT_EQ(w->list()->count(), 0);
    }

    // Year 2005 and number 12 name protocol 20050000012; both days whole.
    set(w, "TxtNumero", QStringLiteral("12"));
    boxes.clear();
    search->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(w->list()->count(), 2);
    EXPECT_EQ(w->list()->text(0, 1), QStringLiteral("31/12/2025 23:59:59"));
    EXPECT_EQ(w->list()->text(1, 1), QStringLiteral("31/01/2026 23:59:59"));
    EXPECT_EQ(w->list()->text(0, 7), QStringLiteral("20050000012"));

    // The operator filter, and one day alone.
    set(w, "TxtAProto", QString());
    set(w, "TxtNumero", QString());
    auto *user = w->findChild<QComboBox *>(QStringLiteral("CboOper"));
    user->setCurrentIndex(user->findText(QStringLiteral("DEMO6")));
    search->click();
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 2), QStringLiteral("DEMO6"));
    user->setCurrentIndex(0);
    set(w, "TxtDIni", QStringLiteral("01/02/2026"));
    set(w, "TxtDFine", QStringLiteral("01/02/2026"));
    search->click();
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 1), QStringLiteral("01/02/2026 00:00:00"));

    // The printed list names its period.
    const QString pdf = db().folder() + QStringLiteral("/accessi.pdf");
    boxes.files << pdf;
    boxes.clear();
    child(w, "CmdStampa")->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("Elenco Accessi nel periodo:"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("01/02/2026 - 01/02/2026"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("PC01"))) << printed.toStdString();

    // Nothing found says so and empties the list.
    set(w, "TxtDIni", QStringLiteral("01/01/2020"));
    set(w, "TxtDFine", QStringLiteral("02/01/2020"));
    boxes.clear();
    search->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Non vi sono registrazioni nel file di log che soddisfino i "
                                                        "filtri specificati.\nModificarli e riprovare.")});
    EXPECT_EQ(w->list()->count(), 0);
    EXPECT_FALSE(child(w, "CmdStampa")->isEnabled());
}

TEST_P(AccessLog, OperatorChangesAreListedInOrderAndNoneIsAnEmptyList)
{
    const QString insert = QStringLiteral(
        "INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Ente, Op_Dipartimento, "
        "Op_CodiceUfficio, Op_Livello, Op_AbilPrivacy, Op_Attivo) VALUES ('%1', '%2', 'PAOLO', '001', 'PRO', 'UPR', "
        "'7', 'N', 'S')");
    sql(insert.arg(QStringLiteral("STORIA1"), QStringLiteral("ARCHIVI")));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Livello = '8' WHERE Op_Codice_Operatore = 'STORIA1'"));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = 'STORIA1'"));
    // One whose changes were never logged (made before the log existed).
    sql(insert.arg(QStringLiteral("MUTO1"), QStringLiteral("ZETA")));
    sql(QStringLiteral("DELETE FROM Log_Tab_Operatori WHERE Op_Codice_Operatore = 'MUTO1'"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<history::FrmStoricoOPE *>(chooseMenu(main, "MnuStoOpe"));
    ASSERT_NE(w, nullptr);

    choose(w->operators(), 0, QStringLiteral("STORIA1"));
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("LblVariazioni"))->text(),
              QStringLiteral("Elenco variazioni Operatore: ARCHIVI PAOLO"));
    ASSERT_EQ(w->changes()->count(), 3);
    EXPECT_EQ(w->changes()->text(0, 1), QStringLiteral("ATTIVAZIONE OPERATORE"));
    EXPECT_EQ(w->changes()->text(1, 1), QStringLiteral("MODIFICA DATI OPERATORE"));
    EXPECT_EQ(w->changes()->text(2, 1), QStringLiteral("DISATTIVAZIONE OPERATORE"));

    // The change shows the operator as it left him, with his office's name.
    w->changes()->view()->setFocus();
    w->changes()->view()->setCurrentIndex(w->changes()->proxy()->index(1, 0));
    QTest::keyClick(w->changes()->view(), Qt::Key_Return);
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtLivello"))->text(), QStringLiteral("8"));
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtAttivo"))->text(), QStringLiteral("S"));
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtUff"))->text(), QStringLiteral("UPR"));
    EXPECT_FALSE(w->findChild<QLineEdit *>(QStringLiteral("TxtUffDescr"))->text().isEmpty());

    boxes.clear();
    choose(w->operators(), 0, QStringLiteral("MUTO1"));
    EXPECT_EQ(w->changes()->count(), 0);
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(w->findChild<QLineEdit *>(QStringLiteral("TxtLivello"))->text().isEmpty());
}

NIMBO_INSTANTIATE_ENGINES(AccessLog);

} // namespace
