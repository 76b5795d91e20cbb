// The rows of every periodic report checked against a register of known
// protocols, iter movements and classifications, on both engines: what
// operation 502 gives for the register, and what each list reads.

#include <QRegularExpression>
#include <QSet>

#include "ReportFixture.h"
#include "reports/ReportRules.h"
#include "servers/AnnualRegister.h"

using namespace nimbo;
using namespace nimbo::reports;
namespace F = Funzioni_Com_1;

namespace nimbo::test {

// March 2024:
//   1 E 04/03 classified, assigned to RAG and taken in charge, "NOTA DELL'ASL"
//   2 E 04/03 reserved, assigned to RAG, not yet taken in charge
//   3 U 06/03 registered by DEMO8 in AMM/RAG, neither assigned nor classified
//   4 E 07/03 cancelled, neither assigned nor classified
//   5 E 08/03 classified, assigned to a member of PER, passed on to IGI
//     (pending), closed on 20/03 by protocol 0000009
//   6 E 02/04 out of the period
//   2023/7 E 30/12/2023 of the year before
class ReportRegister : public ReportTest {
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Protocol p;
        p.n = 1;
        p.subject = s("NOTA DELL'ASL SUI RICOVERI");
        p.documents = 2;
        protocol(p);
        p = {};
        p.n = 2;
        p.subject = s("RICHIESTA RISERVATA");
        p.reserved = true;
        p.documents = 3;
        protocol(p);
        p = {};
        p.n = 3;
        p.date = {2024, 3, 6};
        p.direction = s("U");
        p.department = s("AMM");
        p.office = s("RAG");
        p.op = s("DEMO8");
        protocol(p);
        p = {};
        p.n = 4;
        p.date = {2024, 3, 7};
        p.cancelled = true;
        protocol(p);
        p = {};
        p.n = 5;
        p.date = {2024, 3, 8};
        p.subject = s("FATTURA FORNITORE");
        protocol(p);
        p = {};
        p.n = 6;
        p.date = {2024, 4, 2};
        protocol(p);
        p = {};
        p.n = 7;
        p.year = 2023;
        p.date = {2023, 12, 30};
        protocol(p);
        classify(1);
        classify(5);
        movement(1, s("20240304100000"), 4, s("RAG"));
        movement(2, s("20240305100000"), 4, s("RAG"), 0, 1, true);
        movement(5, s("20240308100000"), 4, s("PER"), 1, 2);
        movement(5, s("20240310110000"), 2, s("IGI"), 0, 1, true);
        completion(5, {2024, 3, 20}, s("0000009"));
    }

    Criteria march(Report r)
    {
        Criteria c;
        c.report = r;
        c.from = {2024, 3, 1};
        c.to = {2024, 3, 31};
        return c;
    }
    // The list's rows, each as its fields joined by "|".
    QStringList list(const Criteria &c, bool privacy = false)
    {
        const F::LoadedRows r = F::loadRows(s("PROTOCOLLO"), listQuery(c, {s("001"), s("101"), privacy}));
        EXPECT_FALSE(r.failed()) << r.message.toStdString() << listQuery(c, {s("001"), s("101"), privacy}).toStdString();
        QStringList out;
        for (const ReportRow &row : listRows(c.report, r))
            out << row.join(QLatin1Char('|'));
        return out;
    }
    QVariantList call(const QVariantList &request)
    {
        ProtocolServer server(db().centralTarget());
        QVariantList params = request;
        return server.Elabora(kOpRegistroProtocolli, params);
    }
};

TEST_P(ReportRegister, RegisterOfThePeriodInNumberOrder)
{
    // No login: the request's operator decides the privacy.
    QVariantList reply = call({s("001"), QDate(2024, 1, 1), s("31/12/2024"), s("DEMO8")});
    ASSERT_EQ(reply.value(0).toInt(), 0) << reply.value(1).toString().toStdString();
    QVector<ReportRow> rows;
    {
        const QVariantList cols = reply.value(2).toList();
        ASSERT_EQ(cols.size(), registerrows::ColumnCount);
        for (int r = 0; r < cols[0].toList().size(); ++r) {
            ReportRow row;
            for (const QVariant &c : cols)
                row << c.toList().value(r).toString();
            rows << row;
        }
    }
    QStringList numbers;
    for (const ReportRow &r : rows)
        numbers << r[registerrows::Number];
    EXPECT_EQ(numbers, (QStringList{shown(1), shown(2), shown(3), shown(4), shown(5), shown(6)}));
    using namespace registerrows;
    EXPECT_EQ(rows[0][Date], s("04/03/2024"));
    EXPECT_EQ(rows[0][Time], s("09:30:00"));
    EXPECT_EQ(rows[0][Direction], s("E"));
    EXPECT_EQ(rows[0][Subject], s("NOTA DELL'ASL SUI RICOVERI"));
    EXPECT_FALSE(rows[0][Correspondent].isEmpty());
    EXPECT_EQ(rows[0][Office], s("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(rows[2][Office], s("RAGIONERIA"));
    EXPECT_EQ(rows[3][State], kCancelled);
    EXPECT_EQ(rows[0][State], kActive);
    // The reserved protocol keeps its place, its subject and correspondent masked.
    EXPECT_EQ(rows[1][Subject], kMasked);
    EXPECT_EQ(rows[1][Correspondent], kMasked);
    EXPECT_EQ(rows[1][Date], s("04/03/2024"));

    // An operator who may read reserved documents reads it.
    run(s("UPDATE Tab_Operatori SET Op_AbilPrivacy = 'S' WHERE Op_Codice_Operatore = 'DEMO9'"));
    reply = call({s("001"), s("2024-03-01"), QDate(2024, 3, 4), s("DEMO9")});
    ASSERT_EQ(reply.value(0).toInt(), 0);
    EXPECT_EQ(reply.value(2).toList().value(Subject).toList(),
              (QVariantList{s("NOTA DELL'ASL SUI RICOVERI"), s("RICHIESTA RISERVATA")}));

    // The year before has only its own.
    reply = call({s("001"), QDate(2023, 1, 1), QDate(2023, 12, 31), s("DEMO9")});
    ASSERT_EQ(reply.value(0).toInt(), 0);
    EXPECT_EQ(reply.value(2).toList().value(Number).toList(), QVariantList{shown(7, 2023)});
    // An empty period, another body: no rows.
    EXPECT_EQ(call({s("001"), QDate(2022, 1, 1), QDate(2022, 12, 31), s("DEMO9")}).value(0).toInt(),
              F::kStatusNoRows);
}

TEST_P(ReportRegister, RegisterRequestsAreChecked)
{
    const auto refusal = [this](const QVariantList &request) {
        const QVariantList reply = call(request);
        EXPECT_EQ(reply.value(0).toString(), kStatusRefused) << reply.value(1).toString().toStdString();
        return reply.value(1).toString();
    };
    EXPECT_TRUE(refusal({s("001"), QDate(2024, 1, 1)}).contains(s("incompleta")));
    EXPECT_TRUE(refusal({s("001"), s("31/02/2024"), QDate(2024, 3, 1), s("DEMO9")}).contains(s("inizio periodo")));
    EXPECT_TRUE(refusal({s("001"), QDate(2024, 3, 1), s("abc"), s("DEMO9")}).contains(s("fine periodo")));
    EXPECT_TRUE(refusal({s("001"), QDate(2024, 3, 2), QDate(2024, 3, 1), s("DEMO9")}).contains(s("precede")));
    EXPECT_TRUE(refusal({s("001"), QDate(2024, 3, 1), QDate(2024, 3, 2), s("NESSUNO")}).contains(s("NESSUNO")));
    EXPECT_TRUE(refusal({s("999"), QDate(2024, 3, 1), QDate(2024, 3, 2), s("DEMO9")}).contains(s("999")));
    EXPECT_TRUE(refusal({QVariantList{}, QDate(2024, 3, 1), QDate(2024, 3, 2), s("DEMO9")}).contains(s("Tab_Ente")));
}

TEST_P(ReportRegister, ListsReadTheRegister)
{
    ASSERT_NE(start("DEMO9"), nullptr);

    // Not classified: the protocols without a classification row, active, of
    // the period; the register row's own title plays no part.
    const QStringList unclassified = list(march(Report::NotClassified));
    ASSERT_EQ(unclassified.size(), 2) << unclassified.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(unclassified[0].startsWith(shown(2) + s("|E|04/03/2024|"))) << unclassified[0].toStdString();
    EXPECT_TRUE(unclassified[0].endsWith(s("|*****|UFFICIO PROTOCOLLO GENERALE"))) << unclassified[0].toStdString();
    EXPECT_TRUE(unclassified[1].startsWith(shown(3) + s("|U|06/03/2024|"))) << unclassified[1].toStdString();
    EXPECT_TRUE(unclassified[1].endsWith(s("|OGGETTO 3|RAGIONERIA"))) << unclassified[1].toStdString();
    run(s("UPDATE Tab_Protocollo SET Tab_Titolo = '01' WHERE Tab_NumeroProtocollo = ?"), {number(3)});
    EXPECT_EQ(list(march(Report::NotClassified)).size(), 2);
    EXPECT_EQ(list(march(Report::NotClassified), true).value(0).section(QLatin1Char('|'), 4, 4), s("RICHIESTA RISERVATA"));

    // Not assigned: no iter recipient; the boxes choose the directions.
    Criteria c = march(Report::NotAssigned);
    EXPECT_EQ(list(c).join(QLatin1Char(',')).section(QLatin1Char('|'), 0, 0), shown(3));
    EXPECT_EQ(list(c).size(), 1);
    c.outgoing = false;
    EXPECT_TRUE(list(c).isEmpty());
    c.outgoing = true;
    c.incoming = false;
    EXPECT_EQ(list(c).size(), 1);

    // Not in charge: the pending deliveries, with office and member.
    QStringList pending = list(march(Report::NotInCharge));
    ASSERT_EQ(pending.size(), 2) << pending.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(pending[0], s("DIPARTIMENTO AMMINISTRATIVO|RAGIONERIA||") + shown(2) + s("|E|04/03/2024|05/03/2024 10:00|*****"));
    EXPECT_EQ(pending[1], s("DIPARTIMENTO DI PREVENZIONE|IGIENE E SANITA' PUBBLICA||") + shown(5)
                              + s("|E|08/03/2024|10/03/2024 11:00|FATTURA FORNITORE"));
    c = march(Report::NotInCharge);
    c.office = s("IGI");
    EXPECT_EQ(list(c).size(), 1);

    // Archived: the closed matters, with the closing protocol and date.
    const QStringList closed = list(march(Report::Archived));
    ASSERT_EQ(closed.size(), 1);
    EXPECT_TRUE(closed[0].startsWith(shown(5) + s("|E|08/03/2024|FATTURA FORNITORE|"))) << closed[0].toStdString();
    EXPECT_TRUE(closed[0].endsWith(s("|20/03/2024|0000009|RAGIONERIA"))) << closed[0].toStdString();
    c = march(Report::Archived);
    c.to = {2024, 3, 19};
    EXPECT_TRUE(list(c).isEmpty());

    // Transmission list: assignments (4) or passings on (2) of incoming
    // protocols; a reserved one only for who may read it.
    c = march(Report::Transmission);
    c.assignment = 4;
    QStringList sent = list(c);
    ASSERT_EQ(sent.size(), 2) << sent.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(sent[0].startsWith(s("DIPARTIMENTO AMMINISTRATIVO|GESTIONE DEL PERSONALE|08/03/2024 10:00|")));
    EXPECT_TRUE(sent[0].endsWith(s("|") + shown(5) + s("|08/03/2024|FATTURA FORNITORE|Copia conoscenza|GALLI SARA")))
        << sent[0].toStdString();
    EXPECT_TRUE(sent[1].startsWith(s("DIPARTIMENTO AMMINISTRATIVO|RAGIONERIA|04/03/2024 10:00|")));
    EXPECT_TRUE(sent[1].endsWith(s("|NOTA DELL'ASL SUI RICOVERI|Competenza|")));
    EXPECT_EQ(list(c, true).size(), 3);
    c.subject = s("dell'asl");
    EXPECT_EQ(list(c, true).size(), 1);
    EXPECT_TRUE(list(c, true).value(0).contains(shown(1)));
    c.subject.clear();
    c.department = s("AMM");
    c.office = s("PER");
    EXPECT_EQ(list(c, true).size(), 1);
    c = march(Report::Transmission);
    c.assignment = 2;
    sent = list(c);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].startsWith(s("DIPARTIMENTO DI PREVENZIONE|IGIENE E SANITA' PUBBLICA|10/03/2024 11:00|")));

    // Work loads: per operator, office and day; the count and the documents.
    EXPECT_EQ(list(march(Report::WorkLoads)),
              (QStringList{s("DEMO8|VERDI LUCA|RAG|RAGIONERIA|06/03/2024|1|1"),
                           s("DEMO9|CONTI GIULIA|UPR|UFFICIO PROTOCOLLO GENERALE|04/03/2024|2|5"),
                           s("DEMO9|CONTI GIULIA|UPR|UFFICIO PROTOCOLLO GENERALE|07/03/2024|1|1"),
                           s("DEMO9|CONTI GIULIA|UPR|UFFICIO PROTOCOLLO GENERALE|08/03/2024|1|1")}));
    c = march(Report::WorkLoads);
    c.department = s("AMM");
    EXPECT_EQ(list(c).size(), 1);

    // Per office: per department, office and direction.
    EXPECT_EQ(list(march(Report::PerOffice)),
              (QStringList{s("AMM|DIPARTIMENTO AMMINISTRATIVO|RAG|RAGIONERIA|U|1"),
                           s("PRO|DIPARTIMENTO AFFARI GENERALI|UPR|UFFICIO PROTOCOLLO GENERALE|E|4")}));
}

NIMBO_INSTANTIATE_ENGINES(ReportRegister);

} // namespace nimbo::test
