// Quick entry and the municipality field of addresses, both engines: a
// municipality found by code, name or postal code with its postal code and
// province shown; the duplicate warning only among the department's
// entries; the entry active by the column's default and offered to groups;
// the caller's correspondent filled.

#include "AddressBookFixture.h"
#include "addressbook/FrmGruppiRubrica.h"
#include "addressbook/FrmMittLight.h"
#include "ui/CodeLookup.h"

using namespace nimbo;
using addressbook::FrmMittLight;
namespace ab = nimbo::addressbook;

namespace {

class QuickEntryTest : public test::AddressBookTest {
protected:
    void enterMunicipality(QWidget *w, const QString &typed)
    {
        fill(w, "TxtCCom", typed);
        QTest::keyClick(w->findChild<QLineEdit *>(QStringLiteral("TxtCCom")), Qt::Key_Return);
    }
};

TEST_P(QuickEntryTest, MunicipalityIsFoundByCodeNameOrPostalCodeAndShowsPostalCodeAndProvince)
{
    FrmMittLight w;
    w.show();
    w.startNew();
    auto *pick = w.findChild<ui::PickList *>(QStringLiteral("ListDecod"));
    ASSERT_NE(pick, nullptr);
    enterMunicipality(&w, QStringLiteral("85100"));
    EXPECT_EQ(shown(&w, "TxtCCom"), QStringLiteral("076063"));
    EXPECT_EQ(shown(&w, "LblComune"), QStringLiteral("Potenza"));
    EXPECT_EQ(shown(&w, "LblCap"), QStringLiteral("85100 (PZ)"));
    enterMunicipality(&w, QStringLiteral("lavel"));
    EXPECT_EQ(shown(&w, "TxtCCom"), QStringLiteral("076043"));
    EXPECT_EQ(shown(&w, "LblCap"), QStringLiteral("85024 (PZ)"));
    enterMunicipality(&w, QStringLiteral("077014"));
    EXPECT_EQ(shown(&w, "LblComune"), QStringLiteral("Matera"));
    EXPECT_EQ(shown(&w, "LblCap"), QStringLiteral("75100 (MT)"));
    // Editing the code takes name, postal code and province away.
    fill(&w, "TxtCCom", QStringLiteral("0770"));
    EXPECT_EQ(shown(&w, "LblComune"), QString());
    EXPECT_EQ(shown(&w, "LblCap"), QString());

    // A postal code shared by two municipalities: the clerk picks one.
    sql(QStringLiteral("UPDATE Tab_Comuni SET com_cap = '85999' WHERE Com_Codcom IN ('076048', '076040')"));
    enterMunicipality(&w, QStringLiteral("85999"));
    ASSERT_TRUE(pick->isVisible());
    ASSERT_EQ(pick->count(), 2);
    EXPECT_TRUE(pick->item(0)->text().startsWith(QStringLiteral("076040 - Latronico")));
    EXPECT_TRUE(pick->item(0)->text().endsWith(QStringLiteral("85999 (PZ)")));
    pick->setCurrentRow(1);
    QTest::keyClick(pick, Qt::Key_Return);
    EXPECT_EQ(shown(&w, "TxtCCom"), QStringLiteral("076048"));
    EXPECT_EQ(shown(&w, "LblComune"), QStringLiteral("Melfi"));
    // Too short a name is refused, as before.
    boxes.clear();
    enterMunicipality(&w, QStringLiteral("po"));
    EXPECT_EQ(boxes.shown.size(), 1);
}

TEST_P(QuickEntryTest, WarnsOnlyAboutTheDepartmentsDuplicatesAndWritesAnActiveEntryGroupsOffer)
{
    // The demo's entries were written by nobody of PRO; one by DEMO8 (AMM),
    // one by DEMO6 (PRO).
    entry(40, QStringLiteral("STUDIO VERDI"), QStringLiteral("076063"), QStringLiteral("002"), QStringLiteral("DEMO8"));
    entry(41, QStringLiteral("STUDIO BIANCHI"), QStringLiteral("076063"), QStringLiteral("002"), QStringLiteral("DEMO6"));
    const auto quick = [&](const QString &name) {
        FrmMittLight w;
        w.startNew();
        fill(&w, "txtNome", name);
        fill(&w, "txtDom", QStringLiteral("via del gallitello"));
        fill(&w, "TxtCivico", QStringLiteral("7"));
        enterMunicipality(&w, QStringLiteral("85100"));
        boxes.clear();
        boxes.answers = {Answer::No};
        w.ELABORATBAR(QStringLiteral("REGISTRA"));
        return boxes.texts();
    };
    EXPECT_TRUE(quick(QStringLiteral("comune di potenza")).isEmpty());
    EXPECT_TRUE(quick(QStringLiteral("studio verdi")).isEmpty());
    EXPECT_EQ(quick(QStringLiteral("studio bianchi")), QStringList{ab::kMsgDuplicate});
    EXPECT_EQ(count(QStringLiteral("Tab_Denominazione = 'STUDIO BIANCHI'")), 1);

    // Written without Tab_Attivo: the stored default makes it active.
    const QString id = scalar(QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_Denominazione = "
                                             "'STUDIO VERDI' AND Tab_CodOper = 'DEMO9'"));
    // After the quick "COMUNE DI POTENZA", and past the entries already there.
    EXPECT_EQ(id, QStringLiteral("43"));
    const auto value = [&](const char *column) {
        return scalar(QStringLiteral("SELECT %1 FROM Tab_Rubrica WHERE Tab_Identificativo = 43").arg(QLatin1String(column)));
    };
    EXPECT_EQ(value("Tab_Attivo"), QStringLiteral("1"));
    EXPECT_EQ(value("Tab_Nimbo"), QStringLiteral("N"));
    EXPECT_EQ(value("Tab_TipoUtenza"), QStringLiteral("001"));
    EXPECT_EQ(value("Tab_NumeroCivico"), QStringLiteral("7 "));
    EXPECT_EQ(value("COUNT(Tab_Cessazione)"), QStringLiteral("0"));

    // And the groups window offers it.
    ab::FrmGruppiRubrica groups;
    groups.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(&groups, "TxtRic", QStringLiteral("STUDIO VERDI"));
    groups.search();
    QStringList offered = column(test::rowList(&groups, "LwRicerca"), 0);
    offered.sort();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("40"), QStringLiteral("43")}));
}

// A window that opens quick entry, as the registration windows do.
class Caller : public QWidget {
    Q_OBJECT
public:
    QString code, label;
public slots:
    void setCorrespondent(const QString &c, const QString &l)
    {
        code = c;
        label = l;
    }
};

TEST_P(QuickEntryTest, TheCallerReceivesTheIdentifierAndTheDescriptionAndTheWindowCloses)
{
    Caller caller;
    auto *w = new FrmMittLight;
    w->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FrmMittLight> alive(w);
    w->setMode(QStringLiteral("FRMPROTOCOLLO"));
    w->setCallerWindow(&caller);
    w->show();
    w->startNew();
    fill(w, "txtNome", QStringLiteral("pasticceria l'aquila"));
    fill(w, "txtDom", QStringLiteral("corso garibaldi"));
    fill(w, "TxtCivico", QStringLiteral("3/b"));
    enterMunicipality(w, QStringLiteral("75100"));
    choose(w, "CboTipo", QStringLiteral("002"));
    w->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(caller.code, QStringLiteral("31"));
    EXPECT_EQ(caller.label, QStringLiteral("PASTICCERIA L'AQUILA - CORSO GARIBALDI, 3/B - Matera"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_TipoUtenza FROM Tab_Rubrica WHERE Tab_Identificativo = 31")),
              QStringLiteral("002"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(QuickEntryTest);

#include "QuickEntryTest.moc"
