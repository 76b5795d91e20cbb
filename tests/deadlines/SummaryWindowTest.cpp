// The workflow summary as each level sees it, both engines: a register
// where protocols pass between the offices of three departments, the
// limit counted in protocols, sender and receiver down to the member, the
// texts, dates and directions, and reserved protocols masked.

#include <QCheckBox>
#include <QTemporaryDir>

#include "SummaryFixture.h"

using namespace nimbo;
using namespace nimbo::test;
namespace S = nimbo::deadlines::summary;

namespace {

class SummaryWindow : public SummaryTest {
protected:
    // PRO: UPR (members 1 DEMO6, 2 DEMO7, 3 DEMO9); AMM: RAG (1 DEMO8), PER
    // (1 GALLI SARA); SAN: IGI, VET.
    void seedRoutes()
    {
        for (int n = 1; n <= 7; ++n)
            seeded(n, QStringLiteral("PRATICA %1").arg(n));
        moved(1, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"), {{"RAG"}});
        moved(2, QStringLiteral("20250305090000"), 2, QStringLiteral("IGI"), QStringLiteral("IGIOP"), {{"PER", 1}});
        moved(3, QStringLiteral("20250305090000"), 4, QStringLiteral("VET"), QStringLiteral("VETOP1"), {{"UPR", 1}});
        moved(4, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO6"), {{"IGI"}});
        // Member 1 of another office: not DEMO6's member, though his office sends it.
        moved(5, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"), {{"PER", 1}});
        // Taken in charge only: no assignment, no transmission.
        moved(6, QStringLiteral("20250305090000"), 3, QStringLiteral("UPR"), QStringLiteral("DEMO6"), {{"UPR", 1}});
        moved(7, QStringLiteral("20250305090000"), 4, QStringLiteral("VET"), QStringLiteral("VETOP2"), {{"IGI"}});
    }
    QList<int> searchAs(const QString &op)
    {
        logInAs(op);
        auto w = openSummary();
        EXPECT_TRUE(w->search()) << op.toStdString();
        return listed(w.get());
    }
};

TEST_P(SummaryWindow, EachLevelSeesWhatItsOfficeOrDepartmentSentOrReceived)
{
    seedRoutes();
    EXPECT_EQ(searchAs(QStringLiteral("DEMO9")), QList<int>({7, 5, 4, 3, 2, 1}));
    EXPECT_EQ(searchAs(QStringLiteral("DEMO8")), QList<int>({5, 2, 1}));    // AMM receives
    EXPECT_EQ(searchAs(QStringLiteral("DEMO7")), QList<int>({5, 4, 3, 1})); // UPR sends or receives
    // His own sending, and the delivery to his member of his office only.
    EXPECT_EQ(searchAs(QStringLiteral("DEMO6")), QList<int>({4, 3}));

    // A level-6 operator linked to no member of his office: his own sending only.
    sql(QStringLiteral("UPDATE Tab_UfficiComponenti SET Tab_IdUser = NULL WHERE Tab_IdUser = 'DEMO6'"));
    EXPECT_EQ(searchAs(QStringLiteral("DEMO6")), QList<int>({4}));

    // Level 5 sees nothing, whatever is asked.
    setLevel(QStringLiteral("DEMO7"), 5);
    logInAs(QStringLiteral("DEMO7"));
    auto w = openSummary();
    boxes.clear();
    ASSERT_TRUE(w->search());
    EXPECT_TRUE(listed(w.get()).isEmpty());
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 0 Protocolli"));
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(protocol::kNoRowsText)});
    choose(w.get(), "InviatoDaDipCmb", QStringLiteral("PRO"));
    choose(w.get(), "InviatoDaUfficioCmb", QStringLiteral("UPR"));
    choose(w.get(), "InviatoADipCmb", QStringLiteral("AMM"));
    fill(w.get(), "OggettoTxt", QStringLiteral("pratica"));
    ASSERT_TRUE(w->search());
    EXPECT_TRUE(listed(w.get()).isEmpty());
}

TEST_P(SummaryWindow, TheLimitCountsProtocolsNotMovements)
{
    logInAs(QStringLiteral("DEMO9"));
    // 60 protocols, each assigned and transmitted twice to two offices:
    // twelve rows of movements and recipients a protocol.
    for (int n = 1; n <= 60; ++n) {
        seeded(n, QStringLiteral("CIRCOLARE %1").arg(n));
        moved(n, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"),
              {{"RAG"}, {"PER", 1}});
        moved(n, QStringLiteral("20250306090000"), 2, QStringLiteral("RAG"), QStringLiteral("DEMO8"),
              {{"IGI"}, {"VET"}});
        moved(n, QStringLiteral("20250307090000"), 2, QStringLiteral("IGI"), QStringLiteral("IGIOP"),
              {{"UPR", 2}, {"ARC"}});
    }
    auto w = openSummary();
    ASSERT_TRUE(w->search());
    QList<int> newest;
    for (int n = 60; n > 10; --n)
        newest << n;
    EXPECT_EQ(listed(w.get()), newest);
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 50 Protocolli"));

    choose(w.get(), "NumRisultatiCmb", QStringLiteral("100"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()).size(), 60);
    EXPECT_EQ(listed(w.get()).first(), 60);
    EXPECT_EQ(listed(w.get()).last(), 1);
}

TEST_P(SummaryWindow, SenderAndReceiverNarrowDownToTheMember)
{
    seedRoutes();
    sql(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Ente, Op_Dipartimento, "
                       "Op_CodiceUfficio, Op_Livello, Op_Attivo) VALUES ('VETOP1', 'FERRARA', 'GINO', '001', 'SAN', "
                       "'VET', '7', 'S'), ('VETOP2', 'LEONE', 'ADA', '001', 'SAN', 'VET', '7', 'N')"));
    logInAs(QStringLiteral("DEMO9"));
    auto w = openSummary();

    // The boxes: dashes only until the box above is chosen; the sending
    // office's active operators; the receiving office's assignable members.
    EXPECT_EQ(offered(w.get(), "InviatoDaDipCmb"), QStringList({"PRO", "AMM", "SAN"}));
    EXPECT_TRUE(offered(w.get(), "InviatoDaUfficioCmb").isEmpty());
    EXPECT_TRUE(offered(w.get(), "InviatoDaComponenteCmb").isEmpty());
    EXPECT_TRUE(offered(w.get(), "InviatoAComponenteCmb").isEmpty());
    choose(w.get(), "InviatoADipCmb", QStringLiteral("AMM"));
    EXPECT_EQ(offered(w.get(), "InviatoAUfficioCmb"), QStringList({"PER", "RAG"}));
    EXPECT_TRUE(offered(w.get(), "InviatoAComponenteCmb").isEmpty());
    choose(w.get(), "InviatoAUfficioCmb", QStringLiteral("RAG"));
    EXPECT_EQ(offered(w.get(), "InviatoAComponenteCmb"), QStringList({"1"})); // member 2 takes no assignments
    choose(w.get(), "InviatoAUfficioCmb", QStringLiteral("PER"));
    EXPECT_EQ(offered(w.get(), "InviatoAComponenteCmb"), QStringList({"1"}));

    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({5, 2}));
    choose(w.get(), "InviatoDaDipCmb", QStringLiteral("PRO"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({5}));

    // Sender down to the operator.
    choose(w.get(), "InviatoDaDipCmb", QStringLiteral("SAN"));
    choose(w.get(), "InviatoADipCmb", QString());
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({7, 3, 2}));
    choose(w.get(), "InviatoDaUfficioCmb", QStringLiteral("VET"));
    EXPECT_EQ(offered(w.get(), "InviatoDaComponenteCmb"), QStringList({"VETOP1"}));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({7, 3}));
    choose(w.get(), "InviatoDaComponenteCmb", QStringLiteral("VETOP1"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({3}));

    // Receiver down to the member, on the same movement as the sender.
    choose(w.get(), "InviatoDaDipCmb", QString());
    choose(w.get(), "InviatoADipCmb", QStringLiteral("PRO"));
    choose(w.get(), "InviatoAUfficioCmb", QStringLiteral("UPR"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({3}));
    choose(w.get(), "InviatoAComponenteCmb", QStringLiteral("2"));
    ASSERT_TRUE(w->search());
    EXPECT_TRUE(listed(w.get()).isEmpty());
    choose(w.get(), "InviatoAComponenteCmb", QStringLiteral("1"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({3}));

    // A member whose time in the office is over is no longer offered.
    sql(QStringLiteral("UPDATE Tab_UfficiComponenti SET Tab_DataFine = '2020-01-01' WHERE Tab_Ente = '001' AND "
                       "Tab_Ufficio = 'PER'"));
    choose(w.get(), "InviatoADipCmb", QStringLiteral("AMM"));
    choose(w.get(), "InviatoAUfficioCmb", QStringLiteral("PER"));
    EXPECT_TRUE(offered(w.get(), "InviatoAComponenteCmb").isEmpty());
}

TEST_P(SummaryWindow, TextsDatesAndDirectionNarrowTheList)
{
    logInAs(QStringLiteral("DEMO9"));
    protocol({.number = number(1), .subject = QStringLiteral("RICHIESTA DELL'UFFICIO TECNICO"), .date = "2025-03-01"});
    protocol({.number = number(2), .subject = QStringLiteral("Richiesta ferie"), .direction = "U", .date = "2025-03-31"});
    protocol({.number = number(3), .subject = QStringLiteral("ALTRO"), .holder = 3, .date = "2025-04-01"});
    // Registered late: a newer number than a protocol dated after it.
    protocol({.number = number(4), .subject = QStringLiteral("TARDIVA"), .date = "2025-03-15"});
    for (int n = 1; n <= 4; ++n)
        moved(n, QStringLiteral("20250401090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"), {{"RAG"}},
              n == 2 ? QStringLiteral("U") : QStringLiteral("E"));
    auto w = openSummary();

    fill(w.get(), "OggettoTxt", QStringLiteral("dell'ufficio"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({1}));
    fill(w.get(), "OggettoTxt", QStringLiteral("richiesta"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({2, 1}));
    // Both ticked or none: any direction; one: that direction only.
    criteria(w.get())->findChild<QCheckBox *>(QStringLiteral("EntrataChk"))->setChecked(false);
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({2}));
    EXPECT_EQ(shown(w.get(), S::ColDirection), QStringList{"Uscita"});
    criteria(w.get())->findChild<QCheckBox *>(QStringLiteral("UscitaChk"))->setChecked(false);
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({2, 1}));

    fill(w.get(), "OggettoTxt", QString());
    fill(w.get(), "MittDestTxt", QStringLiteral("melfi"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({3}));
    EXPECT_EQ(shown(w.get(), S::ColCorrespondent), QStringList{"COMUNE DI MELFI"});
    EXPECT_EQ(shown(w.get(), S::ColDate), QStringList{"01/04/2025"});

    // The period holds both its days whole.
    fill(w.get(), "MittDestTxt", QString());
    fill(w.get(), "DataDaTxt", QStringLiteral("01/03/2025"));
    fill(w.get(), "DataATxt", QStringLiteral("31/03/2025"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({4, 2, 1}));
    fill(w.get(), "DataDaTxt", QStringLiteral("02/03/2025"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({4, 2}));
    fill(w.get(), "DataDaTxt", QStringLiteral("01/04/2025"));
    fill(w.get(), "DataATxt", QStringLiteral("01/04/2025"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(listed(w.get()), QList<int>({3}));
    fill(w.get(), "DataDaTxt", QStringLiteral("02/03/2025"));
    fill(w.get(), "DataATxt", QStringLiteral("31/03/2025"));
    ASSERT_TRUE(w->search());

    // Dates that cannot be searched say why and leave the list as it was.
    fill(w.get(), "DataDaTxt", QStringLiteral("01/04/2025"));
    boxes.clear();
    EXPECT_FALSE(w->search());
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("la data finale non può essere minore della data iniziale")});
    fill(w.get(), "DataDaTxt", QStringLiteral("31/02"));
    boxes.clear();
    EXPECT_FALSE(w->search());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Inserire una data corretta")});
    EXPECT_EQ(listed(w.get()), QList<int>({4, 2}));
}

TEST_P(SummaryWindow, ReservedProtocolsAreMaskedUnlessTheRightIsS)
{
    seeded(1, QStringLiteral("PRATICA SANITARIA RISERVATA"), QStringLiteral("S"));
    seeded(2, QStringLiteral("PRATICA ORDINARIA"));
    for (int n = 1; n <= 2; ++n)
        moved(n, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"), {{"RAG"}});
    const QString mask = QString::fromLatin1(S::kMask);
    const struct {
        QString right;
        bool masked;
    } rights[] = {{QStringLiteral("N"), true}, {QStringLiteral(""), true}, {QString(), true}, {QStringLiteral("S"), false}};
    for (const auto &r : rights) {
        const std::string which = r.right.isNull() ? "null" : "'" + r.right.toStdString() + "'";
        setPrivacy(QStringLiteral("DEMO9"), r.right);
        logInAs(QStringLiteral("DEMO9"));
        auto w = openSummary();
        ASSERT_TRUE(w->search()) << which;
        EXPECT_EQ(shown(w.get(), S::ColSubject),
                  QStringList({QStringLiteral("PRATICA ORDINARIA"),
                               r.masked ? mask : QStringLiteral("PRATICA SANITARIA RISERVATA")}))
            << which;
        EXPECT_EQ(shown(w.get(), S::ColCorrespondent).value(1), r.masked ? mask : QStringLiteral("COMUNE DI POTENZA"))
            << which;
    }
}

NIMBO_INSTANTIATE_ENGINES(SummaryWindow);

} // namespace
