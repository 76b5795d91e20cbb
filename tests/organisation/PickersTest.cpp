// The department and office pickers: open records only, by name, names
// with apostrophes; the registration-window finders that may keep closed
// ones; the office picker window writing the caller's field.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "organisation/FrmHelpUff.h"
#include "organisation/Pickers.h"
#include "StructureFixture.h"

using nimbo::test::StructureTest;
namespace org = nimbo::organisation;

namespace {

class Pickers : public StructureTest {
protected:
    static QStringList codes(const QVector<nimbo::ui::Match> &m)
    {
        QStringList out;
        for (const auto &x : m)
            out << x.code;
        return out;
    }
};

} // namespace

TEST_P(Pickers, OpenRecordsOnlyOrderedByNameWithApostrophes)
{
    // A flag never written is an open record; an apostrophe in entity,
    // code and name goes through every query.
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione, "
                       "Dipa_Chiuso) VALUES ('NUL', '001', 'ZONA SENZA STATO', NULL)"));
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione, "
                       "Dipa_Chiuso) VALUES ('D''A', 'E''1', 'L''AQUILA', 'NO')"));
    sql(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Chiuso) "
                       "VALUES ('E''1', 'D''A', 'U''1', 'SEDE DELL''AQUILA', 'NO'), "
                       "('E''1', 'D''A', 'U2', 'SEDE CHIUSA', 'SI'), ('001', 'PRO', 'NUL', 'ARCHIVIO STORICO', NULL)"));

    EXPECT_EQ(codes(org::openDepartments(QStringLiteral("001"))), (QStringList{"PRO", "AMM", "SAN", "NUL"}))
        << "OLD is closed; ordered by name";
    EXPECT_EQ(codes(org::openOffices(QStringLiteral("001"), QStringLiteral("PRO"))), (QStringList{"ARC", "NUL", "UPR"}))
        << "ECO is closed";
    EXPECT_TRUE(org::openOffices(QStringLiteral("001"), QStringLiteral("OLD")).isEmpty());
    const auto aquila = org::openDepartments(QStringLiteral("E'1"));
    ASSERT_EQ(aquila.size(), 1);
    EXPECT_EQ(aquila.first().description, QStringLiteral("L'AQUILA"));
    EXPECT_EQ(codes(org::openOffices(QStringLiteral("E'1"), QStringLiteral("D'A"))), QStringList{"U'1"});

    QComboBox combo;
    org::fillPicker(&combo, aquila);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("D'A - L'AQUILA"));
    EXPECT_EQ(combo.currentIndex(), -1) << "the operator chooses";
    EXPECT_TRUE(org::pickedCode(&combo).isEmpty());
    combo.setCurrentIndex(0);
    EXPECT_EQ(org::pickedCode(&combo), QStringLiteral("D'A"));
    EXPECT_EQ(org::pickedName(&combo), QStringLiteral("L'AQUILA"));

    // The finders of a code field: by name (any case) or by code.
    const auto dept = org::departmentFinder([] { return QStringLiteral("E'1"); });
    EXPECT_EQ(codes(dept(QStringLiteral("l'aq"), true)), QStringList{"D'A"});
    EXPECT_EQ(codes(dept(QStringLiteral("d'a"), false)), QStringList{"D'A"});
    const auto office = org::officeFinder([] { return QStringLiteral("E'1"); }, [] { return QStringLiteral("d'a"); });
    EXPECT_EQ(codes(office(QStringLiteral("SEDE"), true)), QStringList{"U'1"});
    EXPECT_TRUE(office(QStringLiteral("U2"), false).isEmpty()) << "closed";
}

TEST_P(Pickers, FindersKeepClosedRecordsOnlyWhenAsked)
{
    bool openOnly = true;
    const auto ente = [] { return QStringLiteral("001"); };
    const auto dept = org::departmentFinder(ente, [&] { return openOnly; });
    const auto office = org::officeFinder(ente, [] { return QStringLiteral("PRO"); }, [&] { return openOnly; });
    EXPECT_TRUE(dept(QStringLiteral("OLD"), false).isEmpty());
    EXPECT_EQ(codes(dept(QStringLiteral("DIPARTIMENTO"), true)), (QStringList{"PRO", "AMM", "SAN"}));
    EXPECT_TRUE(office(QStringLiteral("eco"), false).isEmpty());
    openOnly = false; // a registered protocol shows what it was registered by
    EXPECT_EQ(codes(dept(QStringLiteral("OLD"), false)), QStringList{"OLD"});
    EXPECT_EQ(codes(dept(QStringLiteral("DIPARTIMENTO"), true)), (QStringList{"PRO", "AMM", "SAN", "OLD"}));
    EXPECT_EQ(codes(office(QStringLiteral("eco"), false)), QStringList{"ECO"});
}

TEST_P(Pickers, OfficePickerWritesTheStationIntoTheCallersField)
{
    logIn();
    QLineEdit station;
    auto *w = qobject_cast<org::FrmHelpUff *>(nimbo::WindowRegistry::open(QStringLiteral("FrmHelpUff")));
    ASSERT_NE(w, nullptr);
    QPointer<QWidget> alive(w);
    w->setTarget(&station);
    auto *departments = child<QComboBox>(w, "CboDipartimento");
    auto *offices = child<QComboBox>(w, "CboUfficio");
    ASSERT_NE(departments, nullptr);
    ASSERT_NE(offices, nullptr);
    EXPECT_EQ(departments->count(), 3) << "OLD is closed";
    EXPECT_EQ(departments->itemText(0), QStringLiteral("PRO - DIPARTIMENTO AFFARI GENERALI"));
    EXPECT_EQ(offices->count(), 0);

    child(w, "CmdConferma")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Selezionare l'ufficio interessato")});
    EXPECT_TRUE(station.text().isEmpty());

    departments->setCurrentIndex(departments->findData(QStringLiteral("PRO")));
    ASSERT_EQ(offices->count(), 2) << "ECO is closed";
    EXPECT_EQ(offices->itemText(0), QStringLiteral("ARC - ARCHIVIO GENERALE"));
    child(w, "CmdConferma")->click();
    EXPECT_EQ(boxes.shown.size(), 2) << "still no office chosen";

    offices->setCurrentIndex(offices->findData(QStringLiteral("UPR")));
    child(w, "CmdConferma")->click();
    EXPECT_EQ(station.text(), QStringLiteral("Postazione  DIPARTIMENTO AFFARI GENERALI UFFICIO PROTOCOLLO GENERALE"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull() || !alive->isVisible()) << "the picker closes";
}

NIMBO_INSTANTIATE_ENGINES(Pickers);
