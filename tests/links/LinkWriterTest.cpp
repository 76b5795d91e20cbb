// The writer of links on both engines: a link is held from both sides,
// written and removed as one unit, and the register itself refuses a
// protocol linked to itself or a pair linked twice.

#include "LinkFixture.h"

using namespace nimbo;
namespace L = nimbo::protocol::links;

namespace {

class LinkWriter : public test::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol(QStringLiteral("E"), kP, QStringLiteral("DOMANDA DI CONTRIBUTO"), QStringLiteral("2025-03-04"));
        protocol(QStringLiteral("U"), kQ, QStringLiteral("RISPOSTA ALLA DOMANDA"), QStringLiteral("2025-03-10"));
        protocol(QStringLiteral("E"), kR, QStringLiteral("SOLLECITO"), QStringLiteral("2025-03-12"));
        protocol(QStringLiteral("E"), kGone, QStringLiteral("ANNULLATO"), QStringLiteral("2025-03-11"), QStringLiteral("C"));
    }
    const QString kP = QStringLiteral("20250000042"), kQ = QStringLiteral("20250000050"),
                  kR = QStringLiteral("20250000051"), kGone = QStringLiteral("20250000049");
    const L::Key p{QStringLiteral("E"), kP}, q{QStringLiteral("U"), kQ}, r{QStringLiteral("E"), kR},
        gone{QStringLiteral("E"), kGone};
    QString insertRow(const QString &holder, const QString &linked) const
    {
        return QStringLiteral("INSERT INTO Tab_ProtocolliCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                              "Tab_TipoProtocolloC, Tab_NumeroProtocolloC) VALUES ('001', 'E', '%1', 'E', '%2')")
            .arg(holder, linked);
    }
};

} // namespace

TEST_P(LinkWriter, ALinkShowsFromBothSidesAndGoesFromEither)
{
    ASSERT_TRUE(L::link(QStringLiteral("001"), p, q).ok());
    EXPECT_EQ(links(), 2);
    EXPECT_EQ(numbers(L::linkedQuery(QStringLiteral("001"), p)), QStringList{kQ});
    EXPECT_EQ(numbers(L::linkedQuery(QStringLiteral("001"), q)), QStringList{kP});

    // Again, from either side: the pair is linked already, nothing is added.
    for (const auto &[a, b] : {std::pair{p, q}, std::pair{q, p}}) {
        const L::Result again = L::link(QStringLiteral("001"), a, b);
        EXPECT_EQ(again.outcome, L::Outcome::Exists);
        EXPECT_EQ(L::linkMessage(again), QString::fromUtf8(L::kLinkExists));
    }
    EXPECT_EQ(L::link(QStringLiteral("001"), p, p).outcome, L::Outcome::Itself);
    EXPECT_EQ(links(), 2);

    // A second link of P: its list holds both, in direction and number order.
    ASSERT_TRUE(L::link(QStringLiteral("001"), r, p).ok());
    EXPECT_EQ(numbers(L::linkedQuery(QStringLiteral("001"), p)), (QStringList{kR, kQ}));

    // Removed from Q's side: both rows of that link go, the other link stays.
    ASSERT_TRUE(L::unlink(QStringLiteral("001"), q, p).ok());
    EXPECT_TRUE(numbers(L::linkedQuery(QStringLiteral("001"), q)).isEmpty());
    EXPECT_EQ(numbers(L::linkedQuery(QStringLiteral("001"), p)), QStringList{kR});
    EXPECT_EQ(links(), 2);
    ASSERT_TRUE(L::unlink(QStringLiteral("001"), p, r).ok());
    EXPECT_EQ(links(), 0);
}

TEST_P(LinkWriter, CancelledProtocolsAreNeitherListedNorOffered)
{
    // A link made before the protocol was cancelled stays in the table but
    // is shown by neither list.
    ASSERT_TRUE(L::link(QStringLiteral("001"), p, q).ok());
    sql(QStringLiteral("INSERT INTO Tab_ProtocolliCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_TipoProtocolloC, Tab_NumeroProtocolloC) VALUES ('001', 'E', '%1', 'E', '%2'), "
                       "('001', 'E', '%2', 'E', '%1')")
            .arg(kP, kGone));
    EXPECT_EQ(numbers(L::linkedQuery(QStringLiteral("001"), p)), QStringList{kQ});

    // Offered to P: not P, not Q (linked), not the cancelled one; newest first.
    const protocol::Viewer all = protocol::Viewer::fromSession();
    const QStringList offered = numbers(L::candidatesQuery({}, p, all));
    EXPECT_TRUE(offered.contains(kR));
    for (const QString &n : {kP, kQ, kGone})
        EXPECT_FALSE(offered.contains(n)) << n.toStdString();
    EXPECT_EQ(numbers(L::periodQuery(QDate(2025, 3, 1), QDate(2025, 3, 31), all)), (QStringList{kR, kQ, kP}));

    // A number typed: "year" and "number" both, or the Part's message.
    L::Criteria c;
    c.year = QStringLiteral("2025");
    c.number = QStringLiteral("51");
    EXPECT_TRUE(L::checkCriteria(c).isEmpty());
    EXPECT_EQ(numbers(L::candidatesQuery(c, p, all)), QStringList{kR});
    for (const auto &[year, number] : {std::pair{"2025", ""}, std::pair{"", "51"}, std::pair{"25", "51"},
                                       std::pair{"2025", "5x"}, std::pair{"2025", "12345678"}}) {
        c.year = QString::fromLatin1(year);
        c.number = QString::fromLatin1(number);
        EXPECT_EQ(L::checkCriteria(c), QStringLiteral("Inserire un numero di protocollo corretto")) << year << number;
    }

    // A level-6 operator who registered none of them is offered none.
    protocol::Viewer own = all;
    own.level = 6;
    own.operatorCode = QStringLiteral("DEMO6");
    EXPECT_TRUE(numbers(L::candidatesQuery({}, p, own)).isEmpty());
}

TEST_P(LinkWriter, TheRegisterRefusesSelfLinksAndDuplicatesWhoeverWrites)
{
    EXPECT_FALSE(tryExec(insertRow(kP, kP))) << "a protocol linked to itself";
    sql(insertRow(kP, kR));
    EXPECT_FALSE(tryExec(insertRow(kP, kR))) << "the same link twice";
    EXPECT_FALSE(tryExec(QStringLiteral("UPDATE Tab_ProtocolliCollegati SET Tab_NumeroProtocolloC = '%1'").arg(kP)))
        << "a link turned onto its own holder";
    EXPECT_EQ(links(), 1);
}

TEST_P(LinkWriter, AFailedSecondRowLeavesNothingBehind)
{
    // The second row the writer sends is the one held by the greater number.
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    if (pg) {
        sql(QStringLiteral("CREATE FUNCTION refuse_second() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "IF NEW.Tab_NumeroProtocollo = '%1' THEN RAISE EXCEPTION 'rifiutato'; END IF; RETURN NEW; "
                           "END $$")
                .arg(kQ));
        sql(QStringLiteral("CREATE TRIGGER refuse_second BEFORE INSERT ON Tab_ProtocolliCollegati FOR EACH ROW EXECUTE "
                           "FUNCTION refuse_second()"));
    } else {
        sql(QStringLiteral("CREATE TRIGGER refuse_second BEFORE INSERT ON Tab_ProtocolliCollegati FOR EACH ROW WHEN "
                           "NEW.Tab_NumeroProtocollo = '%1' BEGIN SELECT RAISE(ABORT, 'rifiutato'); END")
                .arg(kQ));
    }
    const auto statements = L::linkStatements(QStringLiteral("001"), q, p);
    ASSERT_EQ(statements.size(), 2);
    EXPECT_EQ(statements[0].fields[2].value.toString(), kP);

    const L::Result r = L::link(QStringLiteral("001"), q, p);
    EXPECT_EQ(r.outcome, L::Outcome::Failed);
    EXPECT_EQ(L::linkMessage(r), QStringLiteral("Errore nella registrazione del protocollo collegato"));
    EXPECT_EQ(links(), 0);
    EXPECT_TRUE(numbers(L::linkedQuery(QStringLiteral("001"), p)).isEmpty());

    // Removal is one unit too: a refused second delete keeps both rows.
    sql(QStringLiteral("DROP TRIGGER refuse_second") + (pg ? QStringLiteral(" ON Tab_ProtocolliCollegati") : QString()));
    ASSERT_TRUE(L::link(QStringLiteral("001"), q, p).ok());
    if (pg) {
        sql(QStringLiteral("CREATE OR REPLACE FUNCTION refuse_second() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "IF OLD.Tab_NumeroProtocollo = '%1' THEN RAISE EXCEPTION 'rifiutato'; END IF; RETURN OLD; "
                           "END $$")
                .arg(kQ));
        sql(QStringLiteral("CREATE TRIGGER refuse_second BEFORE DELETE ON Tab_ProtocolliCollegati FOR EACH ROW EXECUTE "
                           "FUNCTION refuse_second()"));
    } else {
        sql(QStringLiteral("CREATE TRIGGER refuse_second BEFORE DELETE ON Tab_ProtocolliCollegati FOR EACH ROW WHEN "
                           "OLD.Tab_NumeroProtocollo = '%1' BEGIN SELECT RAISE(ABORT, 'rifiutato'); END")
                .arg(kQ));
    }
    EXPECT_EQ(L::unlink(QStringLiteral("001"), p, q).outcome, L::Outcome::Failed);
    EXPECT_EQ(links(), 2);
}

NIMBO_INSTANTIATE_ENGINES(LinkWriter);
