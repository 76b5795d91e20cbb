// The linked-acts window as a clerk reaches it, through the main menu's
// "Collegamento a Provvedimenti", on both engines: the search, the acts of
// a protocol with their checks in order, changes that must really change
// the act, the deletion and what the organisation's deletions then see.

#include <QRadioButton>
#include <QTabWidget>

#include "ActsFixture.h"
#include "organisation/OrganisationRules.h"
#include "search/ActsRules.h"
#include "search/FrmRicercaProt.h"
#include "search/ProtocolDetail.h"
#include "search/Search.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

using namespace nimbo;

namespace {

class ActsWindow : public test::ActsTest {
protected:
    void SetUp() override
    {
        ActsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        search::registerSearchWindows();
        seedRegister();
        linkAct("20260000003", "DEL", "12/2026", "2026-02-10");
        linkAct("20260000003", "DET", "7", "2026-02-11");
    }
    search::FrmRicercaProt *open(MDIMenu *main)
    {
        auto *w = qobject_cast<search::FrmRicercaProt *>(menu(main, "mnucollegprovv"));
        EXPECT_NE(w, nullptr);
        return w;
    }
    // The window, searched and opened on protocol 2026-0000003.
    search::FrmRicercaProt *actsOfThree(MDIMenu *main)
    {
        search::FrmRicercaProt *w = open(main);
        if (!w)
            return nullptr;
        press(main, "CERCA");
        choose(w->protocols(), 1, QStringLiteral("2026-0000003"));
        return w->openNumber() == QLatin1String("20260000003") ? w : nullptr;
    }
    static void choose(ui::RowList *list, int column, const QString &text)
    {
        ASSERT_TRUE(list->select(column, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    static void set(QWidget *w, const char *name, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    void click(QWidget *w, const char *name)
    {
        auto *b = child(w, name);
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        b->click();
    }
    // Type, number, date, owning department and office, subject.
    static void fill(QWidget *w, const QStringList &values)
    {
        const char *fields[] = {"TxtTipoAtto",          "TxtNumeroAtto",
                                "TxtDataAtto",          "TxtDipartimentoProprietario",
                                "TxtUfficioProprietario", "TxtOggettoAtto"};
        for (int i = 0; i < values.size(); ++i)
            set(w, fields[i], values.at(i));
    }
    QString lastBox() const { return boxes.shown.isEmpty() ? QString() : boxes.shown.last().text; }
    QString acts(const char *where)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_DocumentiCollegati WHERE Tab_NumeroProtocollo = "
                                     "'20260000003' AND ")
                      + QLatin1String(where));
    }
    static QString shown(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }
};

TEST_P(ActsWindow, RecordsAnActCheckingItsFieldsInOrder)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    search::FrmRicercaProt *w = open(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ricerca Protocollo"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;CERCA"));
    press(main, "CERCA");
    ASSERT_EQ(w->protocols()->count(), 6);
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRicercaProt.png"));

    choose(w->protocols(), 1, QStringLiteral("2026-0000003"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;ANNULLA"));
    EXPECT_EQ(text(w, "LblTitoloAtti"), QStringLiteral("Provvedimenti collegati al protocollo N. 2026-0000003"));
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20260000003"));
    // By type description, then number.
    ASSERT_EQ(w->acts()->count(), 2);
    EXPECT_EQ(w->acts()->text(0, 0), QStringLiteral("DELIBERA"));
    EXPECT_EQ(w->acts()->text(1, 0), QStringLiteral("DETERMINA"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRicercaProtAtti.png"));
    // The protocol's read-only detail beside its acts.
    auto *tabs = child<QTabWidget>(w, "TabProtocollo");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentWidget(w->detail());
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRicercaProtDettaglio.png"));
    tabs->setCurrentIndex(0);

    click(w, "CmdNuovo");
    const QDate today = Funzioni_Com_1::serverTime().date();
    struct Step {
        const char *field, *value, *message;
    };
    const QString tomorrow = shown(today.addDays(1));
    const QString now = shown(today);
    const Step steps[] = {
        {"TxtTipoAtto", "ZZZ", search::kActTypeInvalid},
        {"TxtTipoAtto", "DEL", search::kActNumberInvalid},
        {"TxtNumeroAtto", "15/2026", search::kActDateInvalid},
        {"TxtDataAtto", nullptr, search::kActDateFuture}, // tomorrow
        {"TxtDataAtto", "", search::kActDepartmentInvalid},  // today
        {"TxtDipartimentoProprietario", "XYZ", search::kActDepartmentUnknown},
        {"TxtDipartimentoProprietario", "SAN", search::kActOfficeInvalid},
        {"TxtUfficioProprietario", "UPR", search::kActOfficeUnknown}, // an office of another department
        {"TxtUfficioProprietario", "VET", search::kActSubjectInvalid},
    };
    click(w, "CmdRegistra");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActTypeInvalid));
    for (const Step &s : steps) {
        QString value = QString::fromUtf8(s.value);
        if (!s.value)
            value = tomorrow;
        else if (qstrcmp(s.field, "TxtDataAtto") == 0)
            value = now;
        set(w, s.field, value);
        click(w, "CmdRegistra");
        EXPECT_EQ(lastBox(), QString::fromUtf8(s.message)) << s.field << " " << value.toStdString();
    }
    EXPECT_EQ(acts("1 = 1"), QStringLiteral("2"));
    set(w, "TxtOggettoAtto", QStringLiteral("Presa d'atto della nota"));
    click(w, "CmdRegistra");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActSaved));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto || '|' || Tab_DipartProprietario || '|' || "
                                    "Tab_UfficioProprietario || '|' || Tab_CodOper FROM Tab_DocumentiCollegati "
                                    "WHERE Tab_NumeroDocumento = '15/2026'")),
              QStringLiteral("Presa d'atto della nota|SAN|VET|DEMO9"));
    ASSERT_EQ(w->acts()->count(), 3);

    // The same act again.
    click(w, "CmdNuovo");
    fill(w, {"DEL", "15/2026", now, "SAN", "VET", "Doppio"});
    click(w, "CmdRegistra");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActAlreadyLinked));
    EXPECT_EQ(acts("1 = 1"), QStringLiteral("3"));
    click(w, "CmdAnnulla");

    // Back to the list, which now tells that acts are linked.
    press(main, "ANNULLA");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;CERCA"));
    ASSERT_TRUE(w->protocols()->select(1, QStringLiteral("2026-0000003")));
    EXPECT_EQ(w->protocols()->text(w->protocols()->currentRow(), 5), QStringLiteral("SI"));

    // Acts are recorded against incoming protocols only.
    child<QRadioButton>(w, "OptTipoProtocolloU")->setChecked(true);
    press(main, "CERCA");
    choose(w->protocols(), 1, QStringLiteral("2026-0000007"));
    EXPECT_FALSE(child(w, "CmdNuovo")->isEnabled());
    press(main, "ESCI");
}

TEST_P(ActsWindow, AChangeReallyChangesTheActOrSaysItDidNot)
{
    linkAct("20260000003", "DEL", "15/2026", "2026-02-12", "SAN", "VET");
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    search::FrmRicercaProt *w = actsOfThree(main);
    ASSERT_NE(w, nullptr);

    // A corrected number is stored, not only reported.
    choose(w->acts(), 1, QStringLiteral("15/2026"));
    EXPECT_EQ(text(w, "TxtUfficioProprietario"), QStringLiteral("VET"));
    EXPECT_EQ(text(w, "LblUfficioProprietario"), QStringLiteral("SERVIZIO VETERINARIO"));
    EXPECT_EQ(text(w, "LblDipartimentoProprietario"), QStringLiteral("DIPARTIMENTO DI PREVENZIONE"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRicercaProtAtto.png"));
    EXPECT_EQ(text(w, "TxtDataAtto"), QStringLiteral("12/02/2026"));
    set(w, "TxtNumeroAtto", QStringLiteral("16/2026"));
    click(w, "CmdRegistra");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActSaved));
    EXPECT_EQ(acts("Tab_NumeroDocumento = '16/2026'"), QStringLiteral("1"));
    EXPECT_EQ(acts("Tab_NumeroDocumento = '15/2026'"), QStringLiteral("0"));

    // Moved onto another act's key: refused, nothing changed.
    choose(w->acts(), 1, QStringLiteral("16/2026"));
    set(w, "TxtNumeroAtto", QStringLiteral("12/2026"));
    set(w, "TxtDataAtto", QStringLiteral("10/02/2026"));
    click(w, "CmdRegistra");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActAlreadyLinked));
    EXPECT_EQ(acts("Tab_NumeroDocumento = '16/2026'"), QStringLiteral("1"));
    EXPECT_EQ(acts("1 = 1"), QStringLiteral("3"));
    click(w, "CmdAnnulla");

    // The act went meanwhile (another workstation): the change finds no row
    // and says so, whether or not its key was edited.
    for (const char *number : {"16/2026", "17/2026"}) {
        choose(w->acts(), 1, QStringLiteral("16/2026"));
        sql(QStringLiteral("UPDATE Tab_DocumentiCollegati SET Tab_NumeroDocumento = 'ALTRO' WHERE "
                           "Tab_NumeroDocumento = '16/2026'"));
        set(w, "TxtNumeroAtto", QLatin1String(number));
        boxes.clear();
        click(w, "CmdRegistra");
        const QStringList said = boxes.texts();
        EXPECT_TRUE(said.contains(QString::fromUtf8(search::kActSaveError))) << said.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActNotSaved));
        EXPECT_FALSE(said.contains(QString::fromUtf8(search::kActSaved)));
        EXPECT_EQ(acts("Tab_NumeroDocumento IN ('16/2026', '17/2026')"), QStringLiteral("0"));
        sql(QStringLiteral("UPDATE Tab_DocumentiCollegati SET Tab_NumeroDocumento = '16/2026' WHERE "
                           "Tab_NumeroDocumento = 'ALTRO'"));
        click(w, "CmdAnnulla");
    }
}

TEST_P(ActsWindow, DeletesAfterConfirmationAndTheOwnerCountsAsAUse)
{
    // No use of office VET before an act names it.
    const auto usesOf = [](const QVector<ui::UsageCheck> &checks) {
        QStringList found;
        for (const ui::UsageCheck &c : checks)
            if (Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), c.sql).ok)
                found << c.sql.section(QLatin1Char(' '), 3, 3);
        return found;
    };
    EXPECT_TRUE(usesOf(organisation::officeUsageChecks(QStringLiteral("001"), QStringLiteral("VET"))).isEmpty());
    EXPECT_FALSE(usesOf(organisation::departmentUsageChecks(QStringLiteral("001"), QStringLiteral("SAN")))
                     .contains(QStringLiteral("Tab_DocumentiCollegati")));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    search::FrmRicercaProt *w = actsOfThree(main);
    ASSERT_NE(w, nullptr);
    click(w, "CmdNuovo");
    fill(w, {"DET", "99", "02/02/2026", "SAN", "VET", "Determina veterinaria"});
    click(w, "CmdRegistra");
    ASSERT_EQ(lastBox(), QString::fromUtf8(search::kActSaved));
    EXPECT_EQ(usesOf(organisation::officeUsageChecks(QStringLiteral("001"), QStringLiteral("VET"))),
              QStringList{"Tab_DocumentiCollegati"});
    EXPECT_TRUE(usesOf(organisation::departmentUsageChecks(QStringLiteral("001"), QStringLiteral("SAN")))
                    .contains(QStringLiteral("Tab_DocumentiCollegati")));

    choose(w->acts(), 1, QStringLiteral("99"));
    boxes.answers = {Answer::No};
    click(w, "CmdCancella");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActDeleteQuestion));
    EXPECT_EQ(acts("Tab_NumeroDocumento = '99'"), QStringLiteral("1"));
    click(w, "CmdCancella");
    EXPECT_EQ(lastBox(), QString::fromUtf8(search::kActDeleted));
    EXPECT_EQ(acts("Tab_NumeroDocumento = '99'"), QStringLiteral("0"));
    EXPECT_EQ(acts("1 = 1"), QStringLiteral("2"));
    EXPECT_EQ(w->acts()->count(), 2);
}

TEST_P(ActsWindow, ADepartmentHeadSearchesHisDepartmentOnly)
{
    MDIMenu *main = logIn(QStringLiteral("DEMO8"), QStringLiteral("demo8pwd"));
    ASSERT_NE(main, nullptr);
    search::FrmRicercaProt *w = open(main);
    ASSERT_NE(w, nullptr);
    // His department is shown and fixed; office and operator are his to choose.
    EXPECT_EQ(text(w, "CodSedeRic"), QStringLiteral("AMM"));
    EXPECT_EQ(text(w, "LblCodSedeRic"), QStringLiteral("DIPARTIMENTO AMMINISTRATIVO"));
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(w, "CodSedeRic")));
    EXPECT_FALSE(ui::looksReadOnly(child<QLineEdit>(w, "CodUfficio")));
    press(main, "CERCA");
    ASSERT_EQ(w->protocols()->count(), 2);
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRicercaProtLivello8.png"));
    EXPECT_EQ(w->protocols()->text(0, 1), QStringLiteral("2026-0000005"));
    EXPECT_EQ(w->protocols()->text(1, 1), QStringLiteral("2026-0000004"));
    // An operator found by his surname.
    type(w, "CodOperatore", QStringLiteral("rossi"));
    EXPECT_EQ(text(w, "CodOperatore"), QStringLiteral("DEMO6"));
    press(main, "CERCA");
    ASSERT_EQ(w->protocols()->count(), 1);
    EXPECT_EQ(w->protocols()->text(0, 1), QStringLiteral("2026-0000005"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(ActsWindow);
