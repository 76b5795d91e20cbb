// The deadline statement on both engines: which matters it lists, against
// the database server's clock, for whom, and what each row shows.

#include <QSqlQuery>

#include "DeadlineFixture.h"

using namespace nimbo;
using namespace nimbo::test;
using deadlines::DeadlineCriteria;
using protocol::Viewer;

namespace {

class DeadlineSearch : public DeadlineData {};

QString day(const QDate &d) { return d.toString(Qt::ISODate); }

} // namespace

TEST_P(DeadlineSearch, DueAndOverdueFollowTheServersClock)
{
    const Viewer v9 = viewer("DEMO9", 9, "PRO", "UPR");
    for (int n = 1; n <= 4; ++n)
        matter(n, 1, s("PRATICA %1").arg(n));
    assign(1, s("20240103090000"), s("UPR"), today().addDays(3));
    assign(2, s("20240103090000"), s("UPR"), today());
    assign(3, s("20240103090000"), s("UPR"), today().addDays(1));
    assign(4, s("20240103090000"), s("UPR"), today().addDays(-1));

    EXPECT_EQ(listed(due(1), v9), s("3"));
    EXPECT_EQ(listed(due(2), v9), s("3"));
    EXPECT_EQ(listed(due(3), v9), s("3,1")); // exactly three days ahead is within three days
    // A deadline of today has passed by the time anybody looks (midnight).
    EXPECT_EQ(listed(overdue(), v9), s("4,2"));

    const auto shown = rows(overdue(), v9);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].delayDays, 1);
    EXPECT_EQ(shown[0].deadline.date(), today().addDays(-1));
    EXPECT_EQ(shown[1].delayDays, 0);
    EXPECT_EQ(rows(due(3), v9).last().delayDays, -3);

    // The statement names no day of the workstation's: "now" is the server's.
    const QString sql = deadlines::deadlineListQuery(due(3), v9);
    EXPECT_FALSE(sql.contains(day(QDate::currentDate())));
    EXPECT_FALSE(sql.contains(day(QDate::currentDate().addDays(3))));

    if (db().engine() != Dialect::Engine::SQLite)
        return;
    // SQLite keeps the deadline as text, which may carry a time and be
    // written with a space or with a "T": a minute either side of now, and
    // exactly three days from now.
    const auto at = [](const QDateTime &t, char sep) {
        return t.toString(s("yyyy-MM-dd")) + QLatin1Char(sep) + t.toString(s("HH:mm:ss"));
    };
    for (int n = 5; n <= 8; ++n)
        matter(n, 1, s("PRATICA %1").arg(n));
    assign(5, s("20240103090000"), s("UPR"), at(now().addSecs(60), ' '));
    assign(6, s("20240103090000"), s("UPR"), at(now().addSecs(-60), 'T'));
    assign(7, s("20240103090000"), s("UPR"), at(now().addDays(3), 'T'));
    assign(8, s("20240103090000"), s("UPR"), at(now().addDays(3).addSecs(120), ' '));
    EXPECT_EQ(listed(due(1), v9), s("5,3"));
    EXPECT_EQ(listed(due(3), v9), s("5,3,1,7"));
    EXPECT_EQ(listed(overdue(), v9), s("4,2,6"));
}

TEST_P(DeadlineSearch, HandledCancelledPostponedAndReassignedMatters)
{
    const Viewer v9 = viewer("DEMO9", 9, "PRO", "UPR");
    for (int n = 1; n <= 6; ++n)
        matter(n, 1, s("PRATICA %1").arg(n));
    // 1 handled: never listed, due or overdue.
    assign(1, s("20240103090000"), s("UPR"), today().addDays(1));
    complete(1);
    // 2 overdue on the assignment, postponed to the day after tomorrow and
    // then to five days ahead: the latest row is in force.
    assign(2, s("20240103090000"), s("UPR"), today().addDays(-2));
    postpone(2, today().addDays(2), 0);
    // 3 cancelled.
    assign(3, s("20240103090000"), s("UPR"), today().addDays(1));
    exec(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = ?, "
           "Tab_MotivoCancellazione = 'ERRORE', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = ?"),
         {today(), number(3)});
    // 4 assigned to UPR, then assigned anew to RAG: only the latest counts.
    assign(4, s("20240103090000"), s("UPR"), today().addDays(1));
    assign(4, s("20240104090000"), s("RAG"), today().addDays(2));
    // 5 and 6 for the days of a printed list.
    assign(5, s("20240103090000"), s("UPR"), today().addDays(10));
    assign(6, s("20240103090000"), s("UPR"), today().addDays(12));

    EXPECT_EQ(listed(due(2), v9), s("2,4"));
    EXPECT_EQ(listed(overdue(), v9), QString());
    const auto r = rows(due(2), v9);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[1].office, s("RAG"));
    EXPECT_EQ(r[1].serial, s("20240104090000"));
    EXPECT_EQ(r[1].assigned, QDate(2024, 1, 4));
    postpone(2, today().addDays(5));
    EXPECT_EQ(listed(due(2), v9), s("4"));
    EXPECT_EQ(listed(due(5), v9), s("4,2"));

    DeadlineCriteria between;
    between.kind = DeadlineCriteria::Kind::Between;
    between.from = today().addDays(5);
    between.to = today().addDays(10);
    EXPECT_EQ(listed(between, v9), s("2,5"));
    between.from = between.to = today().addDays(12);
    EXPECT_EQ(listed(between, v9), s("6"));
    between.from = today().addDays(13);
    EXPECT_EQ(deadlines::checkCriteria(between), s("La data finale non può essere minore della data iniziale"));
    EXPECT_EQ(deadlines::checkCriteria(DeadlineCriteria{}), s("Specificare il tipo di ricerca da effettuare"));
    EXPECT_EQ(deadlines::checkCriteria(due(2)), std::nullopt);
}

TEST_P(DeadlineSearch, EachLevelSeesItsOwnShare)
{
    // Assigned by DEMO6 to UPR (1), by DEMO9 to UPR (2), ARC (3), RAG (4)
    // and IGI (5).
    const char *offices[] = {"", "UPR", "UPR", "ARC", "RAG", "IGI"};
    for (int n = 1; n <= 5; ++n) {
        matter(n, 1, s("PRATICA %1").arg(n));
        assign(n, s("20240103090000"), s(offices[n]), today().addDays(n), n == 1 ? s("DEMO6") : s("DEMO9"));
    }
    const DeadlineCriteria c = due(30);
    EXPECT_EQ(listed(c, viewer("DEMO6", 6, "PRO", "UPR")), s("1"));
    EXPECT_EQ(listed(c, viewer("DEMO7", 7, "PRO", "UPR")), s("1,2"));
    EXPECT_EQ(listed(c, viewer("DEMO8", 8, "PRO", "UPR")), s("1,2,3"));
    EXPECT_EQ(listed(c, viewer("DEMO8", 8, "AMM", "RAG")), s("4"));
    EXPECT_EQ(listed(c, viewer("DEMO9", 9, "AMM", "RAG")), s("1,2,3,4,5"));
    EXPECT_EQ(listed(c, viewer("DEMO5", 5, "PRO", "UPR")), QString());
    EXPECT_EQ(listed(c, viewer("DEMO5", 0, "PRO", "UPR")), QString());
    // The extra department/office pairs widen levels 7 and 8.
    Viewer v7 = viewer("DEMO7", 7, "PRO", "UPR");
    v7.extra = {{s("AMM"), s("RAG")}};
    EXPECT_EQ(listed(c, v7), s("1,2,4"));
    Viewer v8 = viewer("DEMO8", 8, "AMM", "RAG");
    v8.extra = {{s("SAN"), s("IGI")}};
    EXPECT_EQ(listed(c, v8), s("4,5"));
    // Another body's matters stay out whatever the level.
    Viewer other = viewer("DEMO9", 9, "PRO", "UPR");
    other.ente = s("002");
    EXPECT_EQ(listed(c, other), QString());
}

TEST_P(DeadlineSearch, FiltersPrivacyAddressAndReminder)
{
    exec(s("INSERT INTO Tab_Comuni (Com_Codcom, com_Comune, com_cap, com_codprov) VALUES ('Z99001', 'SANT''ARCANGELO', "
           "'85037', '76')"));
    exec(s("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, Tab_Domicilio, "
           "Tab_NumeroCivico, Tab_ComuneUbicazione) VALUES (900, '001', 'Comune di Sant''Arcangelo', "
           "'VIA DELLA CITTÀ', '12/B', 'Z99001'), (901, '001', 'SENZA COMUNE', 'VIA LONTANA', '3', 'ZZZZZZ')"));
    matter(1, 900, s("Richiesta dell'ente per la Città"));
    matter(2, 901, s("Rinnovo convenzione"), true);
    matter(3, 1, s("Altro oggetto"));
    assign(1, s("20240103090000"), s("UPR"), today().addDays(1));
    assign(2, s("20240103090000"), s("RAG"), today().addDays(2));
    assign(3, s("20240103090000"), s("IGI"), today().addDays(3));
    exec(s("INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, Tab_UfficioCompetente, "
           "Tab_PersonaContattata, Tab_Risposta) VALUES ('001', ?, ?, 'UPR', 'ROSSI', 'IN CORSO'), "
           "('001', ?, ?, 'UPR', 'BIANCHI', 'QUASI FATTO')"),
         {number(1), QDate(2024, 2, 1), number(1), QDate(2024, 2, 5)});
    const Viewer v9 = viewer("DEMO9", 9, "PRO", "UPR");

    DeadlineCriteria c = due(5);
    c.correspondent = s("sant'arc");
    EXPECT_EQ(listed(c, v9), s("1"));
    c.correspondent.clear();
    c.subject = s("DELL'ENTE PER LA CITTÀ");
    EXPECT_EQ(listed(c, v9), s("1"));
    c.subject = s("città");
    EXPECT_EQ(listed(c, v9), s("1"));
    c.subject = s("convenzione");
    // A reserved subject is searched only for a viewer who may read it: a
    // match would tell the others what the mask hides.
    EXPECT_EQ(listed(c, v9), QString());
    Viewer reader = v9;
    reader.privacy = true;
    EXPECT_EQ(listed(c, reader), s("2"));
    c.subject.clear();
    c.department = s("AMM");
    EXPECT_EQ(listed(c, v9), s("2"));
    c.department.clear();
    c.office = s("IGI");
    EXPECT_EQ(listed(c, v9), s("3"));

    auto r = rows(due(5), v9);
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].address, s("VIA DELLA CITTÀ, 12/B - 85037   SANT'ARCANGELO"));
    EXPECT_EQ(r[0].correspondent, s("Comune di Sant'Arcangelo"));
    EXPECT_EQ(r[0].correspondentId, s("900"));
    EXPECT_EQ(r[0].lastReminder, QDate(2024, 2, 5));
    EXPECT_EQ(r[0].reminderPerson, s("BIANCHI"));
    EXPECT_EQ(r[0].reminderAnswer, s("QUASI FATTO"));
    EXPECT_EQ(r[0].officeName, s("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(r[0].department, s("PRO"));
    EXPECT_EQ(r[0].direction, s("E"));
    EXPECT_EQ(r[0].number, number(1));
    EXPECT_EQ(r[0].protocolDate, QDate(2024, 1, 2));
    EXPECT_EQ(r[1].address, s("VIA LONTANA, 3 -"));    // the town is a left join
    EXPECT_EQ(r[1].subject, s("*************************************************"));
    EXPECT_TRUE(r[1].reserved);
    EXPECT_EQ(r[0].subject, s("Richiesta dell'ente per la Città"));
    Viewer allowed = v9;
    allowed.privacy = true;
    r = rows(due(5), allowed);
    EXPECT_EQ(r[1].subject, s("Rinnovo convenzione"));
    EXPECT_FALSE(r[1].reserved);

    c = due(5);
    c.limit = 1;
    EXPECT_EQ(rows(c, v9).size(), 2); // one more than asked tells a cut list
}

NIMBO_INSTANTIATE_ENGINES(DeadlineSearch);
