// The in-tray and the in-charge list as their windows read them, on both
// engines: who sees which delivery, the filters, the limit, the rows as
// shown; the checks before taking in charge and the request; the deadline
// search and the label of taking in charge.

#include <QSqlDatabase>
#include <QSqlRecord>

#include "TrayFixture.h"
#include "iter/TrayIterRules.h"
#include "iter/TrayRules.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;
using namespace nimbo::iter;
using protocol::Viewer;
namespace F = Funzioni_Com_1;

namespace {

class TrayTest : public test::IterData {
protected:
    void SetUp() override
    {
        IterData::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
    }
    static TrayCriteria period(const char *from, const char *to)
    {
        TrayCriteria c;
        c.from = s(from);
        c.to = s(to);
        return c;
    }
    QString tray(const TrayCriteria &c, const Viewer &v) { return progressives(trayQuery(c, v, trayOffices(v)), TrNumber); }
    QString held(const InChargeCriteria &c, const Viewer &v) { return progressives(inChargeQuery(c, v), 1); }
    F::LoadedRows load(const QString &sql)
    {
        QSqlQuery q(db().central());
        F::LoadedRows r;
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
        const int n = q.record().count();
        r.columns.resize(n);
        while (q.next())
            for (int c = 0; c < n; ++c)
                r.columns[c].append(q.value(c));
        r.ok = true;
        return r;
    }
};

TEST_P(TrayTest, ListsWhatTheScopeAllowsNewestFirstWithinTheWholePeriod)
{
    // 1 assigned to UPR on the first second of the period, 2 retransmitted
    // to UPR on its last second, 3 assigned the second before it began, 4
    // the second after it ended, 5 to member 2 of UPR (DEMO7), 6 cancelled,
    // 7 to member 1 (DEMO6), 8 to ARC.
    const char *serials[] = {"", "20240105000000", "20240110235959", "20240104235959", "20240111000000",
                             "20240107120000", "20240107120000", "20240107120000", "20240107120000"};
    for (int n = 1; n <= 8; ++n) {
        protocol(n, s("E"), n == 5);
        movement(n, s(serials[n]), n == 2 ? 2 : 4, s("RAG"), s("DEMO8"));
        delivery(n, s(serials[n]), n == 8 ? s("ARC") : s("UPR"), n == 5 ? 2 : n == 7 ? 1 : 0, n == 2 ? 2 : 1);
    }
    exec(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = ?"), {number(6)});

    const TrayCriteria c = period("05/01/2024", "10/01/2024");
    EXPECT_EQ(tray(c, viewer("DEMO7", 7, "PRO", "UPR")), s("5,2,1"));
    EXPECT_EQ(tray(c, viewer("DEMO6", 7, "PRO", "UPR")), s("7,2,1"));
    EXPECT_EQ(tray(c, viewer("DEMO9", 8, "PRO", "UPR")), s("8,2,1"));
    EXPECT_EQ(tray(c, viewer("DEMO9", 9, "PRO", "UPR")), s("8,2,1"));
    EXPECT_EQ(tray(c, viewer("DEMO6", 6, "PRO", "UPR")), s("7"));
    EXPECT_EQ(tray(c, viewer("DEMO9", 4, "PRO", "UPR", true)), QString());
    Viewer extra = viewer("DEMO7", 7, "AMM", "RAG");
    extra.extra.append({s("PRO"), s("ARC")});
    EXPECT_EQ(tray(c, extra), s("8,5"));
    // A pair whose office is not stored under its department opens nothing.
    Viewer misfiled = viewer("DEMO7", 7, "AMM", "RAG");
    misfiled.extra.append({s("AMM"), s("ARC")});
    EXPECT_EQ(tray(c, misfiled), s("5"));

    TrayCriteria assignedOnly = c;
    assignedOnly.retransmitted = false;
    EXPECT_EQ(tray(assignedOnly, viewer("DEMO7", 7, "PRO", "UPR")), s("5,1"));
    TrayCriteria retransmittedOnly = c;
    retransmittedOnly.assigned = false;
    EXPECT_EQ(tray(retransmittedOnly, viewer("DEMO7", 7, "PRO", "UPR")), s("2"));
    TrayCriteria neither = c;
    neither.assigned = neither.retransmitted = false;
    EXPECT_EQ(tray(neither, viewer("DEMO7", 7, "PRO", "UPR")), QString());

    // The rows as the list shows them.
    const Viewer v = viewer("DEMO7", 7, "PRO", "UPR");
    const F::Columns shown = trayRows(load(trayQuery(c, v, trayOffices(v))), v);
    ASSERT_EQ(shown[ShNumber].size(), 3);
    EXPECT_EQ(shown[ShNumber][0].toString(), shownNumber(number(5)));
    EXPECT_EQ(shown[ShSubject][0].toString(), s(protocol::scope::kTrayMask)); // reserved, no right
    EXPECT_EQ(shown[ShSubject][1].toString(), s("OGGETTO 2"));
    EXPECT_EQ(shown[ShSent][1].toString(), s("10/01/2024  23:59"));
    EXPECT_EQ(shown[ShSerial][1].toString(), s("20240110235959"));
    EXPECT_EQ(shown[ShSender][1].toString(), s("DIPARTIMENTO AMMINISTRATIVO - RAGIONERIA"));
    EXPECT_EQ(shown[ShKind][1].toString(), s("Trasmesso per Copia Conoscenza"));
    EXPECT_EQ(shown[ShKind][0].toString(), s("Trasmesso per Competenza"));
    EXPECT_EQ(shown[ShKeyNumber][2].toString(), number(1));
    const Viewer privileged = viewer("DEMO9", 8, "PRO", "UPR", true);
    EXPECT_EQ(trayRows(load(trayQuery(c, v, trayOffices(v))), privileged)[ShSubject][0].toString(),
              s("OGGETTO 5"));
}

TEST_P(TrayTest, NeverMoreThanTwoThousandRows)
{
    // 1500 deliveries to the whole office and 1000 to DEMO7 as member 2:
    // both alternatives of the scope hold more than half the limit.
    QSqlDatabase c = db().central();
    ASSERT_TRUE(c.transaction());
    for (int n = 1; n <= 2500; ++n) {
        protocol(n);
        movement(n, s("20240107120000"), 4, s("RAG"), s("DEMO8"));
        delivery(n, s("20240107120000"), s("UPR"), n % 5 < 2 ? 2 : 0);
    }
    ASSERT_TRUE(c.commit());
    const Viewer v = viewer("DEMO7", 7, "PRO", "UPR");
    const F::LoadedRows r = load(trayQuery(period("01/01/2024", "31/12/2024"), v, trayOffices(v)));
    ASSERT_EQ(r.rowCount(), kTrayLimit);
    // The newest numbers, in order, none twice.
    for (int i = 0; i < r.rowCount(); ++i)
        ASSERT_EQ(r.value(TrNumber, i).toString(), number(2500 - i));
}

TEST_P(TrayTest, ChecksTheTickedRowsAndBuildsTheRequest)
{
    EXPECT_EQ(checkTray(period("01/01/2024", "31/12/2024")), std::nullopt);
    EXPECT_EQ(checkTray(period("31/02/2024", "31/12/2024")), s("inserire una data corretta"));
    EXPECT_EQ(checkTray(period("", "31/12/2024")), s("inserire una data corretta"));
    EXPECT_EQ(checkTray(period("02/01/2024", "01/01/2024")),
              s("la data di fine periodo non può essere minore della data di inizio periodo"));

    EXPECT_EQ(checkTicked({}), s("Selezionare almeno un protocollo presente nell'elenco"));
    // Delivered both to the office and to a member: one taking in charge.
    const QVector<Ticked> twice{{s("E"), number(4), 10}, {s("U"), number(4), 11}, {s("E"), number(4), 12}};
    EXPECT_EQ(checkTicked(twice), s("Il documento di protocollo N. 2024-0000004 è gia stato selezionato per la presa "
                                    "in carico da parte dell'ufficio"));
    const QVector<Ticked> two{{s("E"), number(4), 10}, {s("U"), number(4), 11}};
    EXPECT_EQ(checkTicked(two), std::nullopt);

    const QVariantList r = inChargeRequest(viewer("DEMO7", 7, "PRO", "UPR"), two, s("  visto  "));
    ASSERT_EQ(r.size(), 4);
    EXPECT_EQ(r[0].toString(), s("001"));
    EXPECT_EQ(r[1].toString(), s("PRO"));
    EXPECT_EQ(r[2].toString(), QString::number(QDate::currentDate().year()));
    const QVariantList rows = r[3].toList();
    ASSERT_EQ(rows.size(), 2);
    const QVariantList second = rows[1].toList();
    ASSERT_EQ(second.size(), 8);
    EXPECT_EQ(second[0].toString(), s("001"));
    EXPECT_EQ(second[1].toString(), s("U"));
    EXPECT_EQ(second[2].toString(), number(4));
    EXPECT_EQ(second[3].toString(), s("UPR"));
    EXPECT_EQ(second[4].toString(), s("DEMO7"));
    EXPECT_EQ(second[5].toString(), s("visto"));
    EXPECT_EQ(second[6].toLongLong(), 11);
    EXPECT_EQ(second[7].toString(), QString());

    EXPECT_EQ(readServerReply({0, QString(), QVariantList{}}).kind, ServerReply::Ok);
    const ServerReply refused = readServerReply({s("991"), s("già preso in carico")});
    EXPECT_EQ(refused.kind, ServerReply::Refused);
    EXPECT_EQ(refused.message, s("già preso in carico"));
    const ServerReply failed = readServerReply({7, s("disco pieno")});
    EXPECT_EQ(failed.kind, ServerReply::Error);
    EXPECT_EQ(failed.message, s("disco pieno  (Err.Num=7)"));
    EXPECT_EQ(readServerReply({}).kind, ServerReply::Error);
}

TEST_P(TrayTest, InChargeListFiltersAndReadsTheDeadlineOfTheAssignment)
{
    // 1-4 held by UPR (1 incoming, 2 outgoing, 3 reserved and taken by
    // DEMO9, 4 without any assignment), 5 held by RAG, 6 cancelled.
    for (int n = 1; n <= 6; ++n) {
        protocol(n, n == 2 ? s("U") : s("E"), n == 3);
        const QString dir = n == 2 ? s("U") : s("E");
        if (n != 4)
            movement(n, s("20240103090000"), 4, s("UPR"), s("DEMO9"), s("N"), dir, s("001"), QDate(2024, 2, n));
        movement(n, n == 1 ? s("20240105000000") : s("20240110235959"), 3, n == 5 ? s("RAG") : s("UPR"),
                 n == 3 ? s("DEMO9") : n == 5 ? s("DEMO8") : s("DEMO7"), s("S"), dir);
    }
    // An earlier charge of 1, no longer held.
    movement(1, s("20240104000000"), 3, s("UPR"), s("DEMO7"), s("N"));
    exec(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = ?"), {number(6)});
    exec(s("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Richiesta di RIMBORSO', Tab_Tipologia = 'FAT' "
           "WHERE Tab_NumeroProtocollo = ?"),
         {number(2)});

    InChargeCriteria c;
    c.from = s("05/01/2024");
    c.to = s("10/01/2024");
    const Viewer v7 = viewer("DEMO7", 7, "PRO", "UPR");
    EXPECT_EQ(held(c, v7), s("2,1"));
    EXPECT_EQ(held(c, viewer("DEMO9", 9, "PRO", "UPR", true)), s("5,3,2,1"));
    EXPECT_EQ(held(c, viewer("DEMO9", 9, "PRO", "UPR")), s("5,3,2,1")); // 3 is his own
    EXPECT_EQ(held(c, viewer("DEMO8", 9, "AMM", "RAG")), s("5,2,1"));
    EXPECT_EQ(held(c, viewer("DEMO7", 12, "PRO", "UPR", true)), QString());

    InChargeCriteria day = c;
    day.to = s("05/01/2024");
    EXPECT_EQ(held(day, v7), s("1"));
    InChargeCriteria out = c;
    out.incoming = false;
    EXPECT_EQ(held(out, v7), s("2"));
    InChargeCriteria subject = c;
    subject.subject = s("rimborso");
    EXPECT_EQ(held(subject, v7), s("2"));
    InChargeCriteria type = c;
    type.docType = s("FATTURA - FAT");
    EXPECT_EQ(held(type, v7), s("2"));
    type.docType = s(kAllTypes);
    EXPECT_EQ(held(type, v7), s("2,1"));
    InChargeCriteria one = c;
    one.year = s("2024");
    one.number = s("1");
    EXPECT_EQ(held(one, v7), s("1"));
    InChargeCriteria who = c;
    who.correspondent = s("zzz'q");
    EXPECT_EQ(held(who, v7), QString());

    const F::Columns shown = inChargeRows(load(inChargeQuery(c, v7)), v7);
    ASSERT_EQ(shown[1].size(), 2);
    EXPECT_EQ(shown[1][1].toString(), shownNumber(number(1)));
    EXPECT_EQ(protocol::dateText(shown[5][1]), s("01/02/2024"));

    InChargeCriteria bad;
    bad.from = s("32/01/2024");
    EXPECT_EQ(checkInCharge(bad), s("Inserire una data corretta"));
    bad.from = s("02/01/2024");
    bad.to = s("01/01/2024");
    EXPECT_EQ(checkInCharge(bad), s("la data finale non può essere minore della data iniziale"));
    InChargeCriteria half;
    half.year = s("2024");
    EXPECT_EQ(checkInCharge(half), s("inserire entrambi i dati relativi all'anno ed al numero di protocollo"));
    half.number = s("1a");
    EXPECT_EQ(checkInCharge(half), s("specificare valori numerici per i campi relativi all'anno ed al numero di protocollo"));
    EXPECT_EQ(itemCode(s("POSTA ELETTRONICA - EML")), s("EML"));
}

TEST_P(TrayTest, DeadlinesLeaveOutCompletedProtocolsAndFollowTheLevel)
{
    const QDate today = QDate::currentDate();
    // 1 due tomorrow, 2 due in five days, 3 overdue, 4 due tomorrow but
    // completed by another office, 5 due tomorrow for RAG, 6 due today.
    const int in[] = {0, 1, 5, -3, 1, 1, 0};
    for (int n = 1; n <= 6; ++n) {
        protocol(n);
        movement(n, s("20240103090000"), 4, s("UPR"), s("DEMO9"), s("N"), s("E"), s("001"), today.addDays(in[n]));
        delivery(n, s("20240103090000"), n == 5 ? s("RAG") : s("UPR"), 0, 1, s("E"), s("001"), false);
    }
    movement(4, s("20240104090000"), 5, s("ARC"), s("DEMO6"));

    DeadlineCriteria due;
    const Viewer v7 = viewer("DEMO7", 7, "PRO", "UPR");
    EXPECT_EQ(progressives(deadlineQuery(due, v7), 2), s("1"));
    due.days = s("5");
    EXPECT_EQ(progressives(deadlineQuery(due, v7), 2), s("1,2"));
    EXPECT_EQ(progressives(deadlineQuery(due, viewer("DEMO9", 9, "PRO", "UPR")), 2), s("1,5,2"));
    EXPECT_EQ(progressives(deadlineQuery(due, viewer("DEMO8", 8, "AMM", "RAG")), 2), s("5"));
    DeadlineCriteria overdue;
    overdue.option = DeadlineCriteria::Option::Overdue;
    EXPECT_EQ(progressives(deadlineQuery(overdue, v7), 2), s("3,6"));

    const F::Columns shown = deadlineRows(load(deadlineQuery(overdue, v7)), v7, today);
    ASSERT_EQ(shown[2].size(), 2);
    EXPECT_EQ(shown[8][0].toInt(), 3);
    EXPECT_EQ(shown[8][1].toInt(), 0);
    EXPECT_EQ(shown[6][0].toString(), s("UFFICIO PROTOCOLLO GENERALE"));
    const QVector<ReportRow> report = deadlineReportRows(shown);
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0][0], today.addDays(-3).toString(s("dd/MM/yyyy")));
    EXPECT_EQ(report[0][2], shownNumber(number(3)));
    EXPECT_EQ(report[0][8], s("3"));

    EXPECT_EQ(deadlineTitle(overdue, QDate(2026, 3, 5)), s("Documenti non ancora evasi alla data del 5/3/2026"));
    DeadlineCriteria two;
    EXPECT_EQ(deadlineTitle(two, QDate(2026, 3, 5)), s("Documenti in scadenza entro il 7/3/2026"));
    EXPECT_EQ(checkDeadlines({DeadlineCriteria::Option::None, s("2")}), s("Specificare il tipo di ricerca da effettuare"));
    EXPECT_EQ(checkDeadlines({DeadlineCriteria::Option::Due, QString()}),
              s("specificare il numero di giorni di riferimento"));
    EXPECT_EQ(checkDeadlines({DeadlineCriteria::Option::Overdue, QString()}), std::nullopt);
}

TEST_P(TrayTest, LabelOfTakingInChargeShowsTheOfficesOwnMovement)
{
    protocol(1);
    movement(1, s("20240105101010"), 3, s("UPR"), s("DEMO7"), s("N"));
    movement(1, s("20240108090000"), 3, s("UPR"), s("DEMO6"), s("S"));
    movement(1, s("20240109090000"), 3, s("RAG"), s("DEMO8"), s("S"));
    const F::LoadedRows r = load(takenLabelQuery(viewer("DEMO7", 7, "PRO", "UPR"), s("E"), number(1)));
    ASSERT_EQ(r.rowCount(), 1);
    EXPECT_EQ(r.value(0, 0).toString(), s("20240108090000"));
    EXPECT_EQ(load(takenLabelQuery(viewer("DEMO7", 7, "SAN", "UPR"), s("E"), number(1))).rowCount(), 0);

    const QStringList lines = takenLabelLines(s("SERVIZIO SANITARIO REGIONALE"),
                                              s("AZIENDA SANITARIA LOCALE DI \"POTENZA\" E PROVINCIA"),
                                              QDate(2024, 1, 8), r.value(1, 0).toString(), r.value(2, 0).toString(),
                                              s("101"));
    EXPECT_EQ(lines, QStringList({s("N"), s("D10"), s("X0,8,4,468,252"),
                                  s("A16,48,0,2,1,1,N,\"SERVIZIO SANITARIO REGIONALE\""),
                                  s("A16,78,0,2,1,1,N,\"AOO: AZIENDA SANITARIA LOCALE DI \\\"P\""),
                                  s("A16,98,0,2,1,1,N,\"   OTENZA\\\" E PROVINCIA\""),
                                  s("A16,128,0,2,1,1,N,\"Preso in Carico il:  08/01/2024\""),
                                  s("A16,178,0,2,1,1,N,\"Dipartimento: DIPARTIMENTO AFFARI GENERALI\""),
                                  s("A16,198,0,2,1,1,N,\"Ufficio: UFFICIO PROTOCOLLO GENERALE\""), s("P1")}));
    const QStringList shortName =
        takenLabelLines(s("X"), s("ASL"), QDate(2024, 1, 8), s("D"), s("U"), s("104"));
    EXPECT_EQ(shortName.size(), 9);
    EXPECT_EQ(shortName[7], s("A16,198,0,2,1,1,N,\"U. Operativa: U\""));
}

NIMBO_INSTANTIATE_ENGINES(TrayTest);

} // namespace
