// The visibility of every list of protocols, table-driven, on both engines:
// which deliveries, movements and deadlines each operator sees by level,
// extra department/office pairs and privacy right. The conditions run over
// the real tables, so a condition that is wrong SQL fails here too.

#include "TrayFixture.h"

using namespace nimbo;
using namespace nimbo::protocol;

namespace {

class ScopeTest : public test::IterData {
protected:
    void SetUp() override
    {
        IterData::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        // Offices: UPR, ARC (PRO); RAG (AMM); IGI (SAN). Members of UPR: 1
        // DEMO6, 2 DEMO7, 3 DEMO9.
        for (int n : {1, 3, 4, 5, 7})
            protocol(n);
        protocol(2, s("E"), true);
        protocol(8, s("U"), true);
        // Another body's office with the same code: never seen from body 001.
        exec(s("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) "
               "VALUES ('002', 'PRO', 'UPR', 'ALTRO PROTOCOLLO')"));
        exec(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Oggetto, "
               "Tab_StatoProtocollo) VALUES ('002', 'E', ?, 'ALTRO ENTE', 'A')"),
             {number(9)});

        const QString m = s("20240103090000");
        movement(1, m, 4, s("UPR"), s("DEMO9"));
        delivery(1, m, s("UPR"), 0);
        movement(2, m, 4, s("UPR"), s("DEMO9"));
        delivery(2, m, s("RAG"), 0);
        movement(3, m, 2, s("RAG"), s("DEMO8"));
        delivery(3, m, s("ARC"), 0, 2);
        movement(4, m, 4, s("UPR"), s("DEMO9"));
        delivery(4, m, s("UPR"), 3);
        movement(5, m, 4, s("UPR"), s("DEMO9"));
        delivery(5, m, s("IGI"), 0);
        movement(7, m, 4, s("UPR"), s("DEMO9"));
        delivery(7, m, s("UPR"), 1);
        movement(9, m, 4, s("UPR"), s("DEMO9"), s("N"), s("E"), s("002"));
        delivery(9, m, s("UPR"), 0, 1, s("E"), s("002"));

        // Held in charge: 1 by DEMO7 in UPR, 2 (reserved) by DEMO8 in RAG,
        // 3 by DEMO6 in ARC, 8 (reserved) by DEMO7 in IGI; 5 was in charge
        // of IGI once and no longer is.
        const QString h = s("20240104100000");
        movement(1, h, 3, s("UPR"), s("DEMO7"), s("S"));
        movement(2, h, 3, s("RAG"), s("DEMO8"), s("S"));
        movement(3, h, 3, s("ARC"), s("DEMO6"), s("S"));
        movement(8, h, 3, s("IGI"), s("DEMO7"), s("S"), s("U"));
        movement(5, h, 3, s("IGI"), s("DEMO8"), s("N"));
    }

    QString tray(const Viewer &v)
    {
        return progressives(
            s("SELECT t.Tab_NumeroProtocollo FROM Tab_Iter_Trasmissioni t "
              "JOIN Tab_Uffici ur ON ur.Tab_Ente = t.Tab_Ente AND ur.Tab_Ufficio = t.Tab_UfficioDestinatario "
              "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente = t.Tab_Ente AND c.Tab_Ufficio = "
              "t.Tab_UfficioDestinatario AND c.Tab_Progressivo = t.Tab_Componente WHERE t.Tab_Ente = '001' AND ")
            + scope::inTray(v) + s(" ORDER BY t.Tab_NumeroProtocollo"));
    }
    QString held(const Viewer &v)
    {
        return progressives(
            s("SELECT p.Tab_NumeroProtocollo FROM Tab_Iter_Documento d JOIN Tab_Protocollo p ON p.Tab_Ente = d.Tab_Ente "
              "AND p.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND p.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo "
              "JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
              "WHERE d.Tab_Ente = '001' AND d.Tab_InCarico = 'S' AND ")
            + scope::inCharge(v) + s(" ORDER BY p.Tab_NumeroProtocollo"));
    }
    QString due(const Viewer &v)
    {
        return progressives(s("SELECT Tab_NumeroProtocollo FROM ProtocolliAssegnati_Competenza WHERE Tab_Ente = '001' AND ")
                            + scope::deadlines(v) + s(" ORDER BY Tab_NumeroProtocollo"));
    }
    QString sentBy(const Viewer &v)
    {
        return progressives(s("SELECT t.Tab_NumeroProtocollo FROM Tab_Iter_Trasmissioni t JOIN Tab_Iter_Documento d "
                              "ON d.Tab_Ente = t.Tab_Ente AND d.Tab_TipoProtocollo = t.Tab_TipoProtocollo AND "
                              "d.Tab_NumeroProtocollo = t.Tab_NumeroProtocollo AND d.Tab_DataSerialeMov = "
                              "t.Tab_DataSerialeMov JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
                              "WHERE t.Tab_Ente = '001' AND ")
                            + scope::sent(v) + s(" ORDER BY t.Tab_NumeroProtocollo"));
    }
};

struct Row {
    const char *who;
    Viewer v;
    const char *tray, *held, *due, *sent;
};

TEST_P(ScopeTest, EachLevelSeesItsOwn)
{
    auto with = [](Viewer v, std::initializer_list<std::pair<const char *, const char *>> extra, bool privacy = false) {
        for (const auto &[d, o] : extra)
            v.extra.append({QString::fromLatin1(d), QString::fromLatin1(o)});
        v.privacy = privacy;
        return v;
    };
    const Row table[] = {
        // A delivery to a member reaches only the operator linked to it.
        {"6 member 1", viewer("DEMO6", 6, "PRO", "UPR"), "7", "3", "", ""},
        {"6 member 3", viewer("DEMO9", 6, "PRO", "UPR"), "4", "", "1,2,4,5,7", "1,2,4,5,7"},
        {"6 no member", viewer("DEMO8", 6, "AMM", "RAG"), "", "2", "", "3"},
        // Level 7: the office's whole-office deliveries, not another member's.
        {"7", viewer("DEMO7", 7, "PRO", "UPR"), "1", "1,8", "1,4,7", "1,2,4,5,7"},
        {"7 extra", with(viewer("DEMO7", 7, "PRO", "UPR"), {{"PRO", "ARC"}, {"AMM", "XXX"}, {"SAN", "RAG"}}),
         "1,3", "1,3,8", "1,4,7", "1,2,4,5,7"},
        {"7 other office", viewer("DEMO8", 7, "AMM", "RAG"), "2", "2", "2", "3"},
        // Level 8: the department's offices.
        {"8", viewer("DEMO9", 8, "PRO", "UPR", true), "1,3,4", "1,3", "1,4,7", "1,2,4,5,7"},
        {"8 extra", with(viewer("DEMO9", 8, "PRO", "UPR"), {{"SAN", "IGI"}}, true), "1,3,4,5", "1,3,8", "1,4,5,7",
         "1,2,4,5,7"},
        {"8 own reserved", viewer("DEMO8", 8, "AMM", "RAG"), "2", "2", "2", "3"},
        // Level 9: in the in-tray as 8; the in-charge and deadline lists the whole body.
        {"9 privacy", viewer("DEMO9", 9, "PRO", "UPR", true), "1,3,4", "1,2,3,8", "1,2,4,5,7", "1,2,4,5,7"},
        {"9 no privacy", viewer("DEMO9", 9, "PRO", "UPR"), "1,3,4", "1,3", "1,2,4,5,7", "1,2,4,5,7"},
        {"9 own reserved", viewer("DEMO7", 9, "PRO", "UPR"), "1,3", "1,3,8", "1,2,4,5,7", "1,2,4,5,7"},
        // Any other level sees nothing, whatever its rights.
        {"5", viewer("DEMO9", 5, "PRO", "UPR", true), "", "", "", ""},
        {"10", viewer("DEMO9", 10, "PRO", "UPR", true), "", "", "", ""},
        {"0 extra", with(viewer("DEMO7", 0, "PRO", "UPR"), {{"PRO", "ARC"}}, true), "", "", "", ""},
    };
    for (const Row &r : table) {
        SCOPED_TRACE(r.who);
        EXPECT_EQ(tray(r.v), s(r.tray)) << "in-tray";
        EXPECT_EQ(held(r.v), s(r.held)) << "in charge";
        EXPECT_EQ(due(r.v), s(r.due)) << "deadlines";
        EXPECT_EQ(sentBy(r.v), s(r.sent)) << "sent";
    }
}

TEST_P(ScopeTest, QuotesValuesAndMasksReservedSubjects)
{
    // A code with an apostrophe is a value, never SQL.
    Viewer odd = viewer("O'BRIEN", 7, "PRO", "UP'R");
    odd.extra.append({s("A'B"), s("C'D")});
    EXPECT_EQ(tray(odd), QString());
    EXPECT_EQ(held(odd), QString());
    EXPECT_EQ(due(odd), QString());

    const Viewer none = viewer("DEMO7", 7, "PRO", "UPR");
    const Viewer all = viewer("DEMO9", 9, "PRO", "UPR", true);
    EXPECT_EQ(scope::shownSubject(none, s("RISERVATO"), s("S"), s(scope::kTrayMask)), s(scope::kTrayMask));
    EXPECT_EQ(scope::shownSubject(none, s("PUBBLICO"), s("N"), s(scope::kTrayMask)), s("PUBBLICO"));
    EXPECT_EQ(scope::shownSubject(all, s("RISERVATO"), s("S"), s(scope::kDeadlineMask)), s("RISERVATO"));
    EXPECT_EQ(QString::fromLatin1(scope::kTrayMask).size(), 41);
    EXPECT_EQ(QString::fromLatin1(scope::kDeadlineMask).size(), 49);
}

TEST_P(ScopeTest, PeriodHoldsItsFirstAndLastSecond)
{
    for (const char *serial : {"20240104235959", "20240105000000", "20240110235959", "20240111000000"})
        movement(7, s(serial), 2, s("UPR"), s("DEMO9"));
    const QString sql = s("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento WHERE Tab_NumeroProtocollo = '")
                        + number(7) + s("' AND ");
    auto serials = [&](const QDate &from, const QDate &to) {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql + scope::movementPeriod(s("Tab_DataSerialeMov"), from, to)
                           + s(" ORDER BY Tab_DataSerialeMov")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out.join(QLatin1Char(','));
    };
    EXPECT_EQ(serials(QDate(2024, 1, 5), QDate(2024, 1, 10)), s("20240105000000,20240110235959"));
    EXPECT_EQ(serials(QDate(2024, 1, 5), QDate(2024, 1, 5)), s("20240105000000"));
    EXPECT_EQ(serials(QDate(), QDate(2024, 1, 4)), s("20240103090000,20240104235959"));
}

NIMBO_INSTANTIATE_ENGINES(ScopeTest);

} // namespace
