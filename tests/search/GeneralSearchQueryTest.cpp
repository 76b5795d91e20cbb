// The general search's statements on both engines: what each level sees of a
// register where protocols are registered by one office and routed to
// another, how the chosen department and office narrow it, and every
// criterion, checked against the rows the list gives; the limit and the
// one row past it.

#include <QSqlError>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include "protocol/ContainsIndex.h"
#include "search/GeneralSearch.h"
#include "support/RegisterTest.h"

using namespace nimbo;
using search::GeneralCriteria;

namespace {

class GeneralSearchQueryTest : public test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // D01: U01, U02; D02: U03, U04; D03: U05.
        exec(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) "
                            "VALUES ('ASL1', 'D02', 'Ragioneria'), ('ASL1', 'D03', 'Tecnico')"));
        exec(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES "
                            "('ASL1', 'D01', 'U02', 'Archivio'), ('ASL1', 'D02', 'U03', 'Bilancio'), "
                            "('ASL1', 'D02', 'U04', 'Cassa'), ('ASL1', 'D03', 'U05', 'Lavori')"));
        exec(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_EnteRubrica, Tab_Identificativo, Tab_Denominazione) VALUES "
                            "('ASL1', 13, 'Comune di Potenza'), ('ASL1', 14, 'Studio Dell''Acqua')"));
    }

    void exec(const QString &sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << "\n" << sql.toStdString();
    }

    struct Protocol {
        QString number{}, direction = QStringLiteral("E"), department = QStringLiteral("D01"),
                        office = QStringLiteral("U01"), registrar = QStringLiteral("OP02");
        QString date = QStringLiteral("2005-03-10"), subject = QStringLiteral("Richiesta"), type = QStringLiteral("LET");
        int holder = 12;
        QString privacy = QStringLiteral("N"), emergency{};
    };

    void add(const Protocol &p)
    {
        exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataProtocollo, Tab_Oggetto, Tab_Tipologia, Tab_Intestatario, Tab_SedeRicezione, "
                            "Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SoggPrivacy, "
                            "Tab_ProtocolloTemporaneo, Tab_RegistroTemporaneo) VALUES ('ASL1', '%1', '%2', '%3', '%4', "
                            "'%5', %6, '%7', '%8', '%9', 'A', '%10', %11, %12)")
                 .arg(p.direction, p.number, p.date, QString(p.subject).replace(QLatin1Char('\''), QStringLiteral("''")),
                      p.type)
                 .arg(p.holder)
                 .arg(p.department, p.office, p.registrar, p.privacy,
                      p.emergency.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + p.emergency + QLatin1Char('\''),
                      p.emergency.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'2005UR01'")));
    }

    void route(const QString &number, const QString &office, const QString &when)
    {
        exec(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES ('ASL1', 'E', '%1', "
                            "'%2', '%3', 0)")
                 .arg(number, when, office));
    }

    void furtherRecipient(const QString &direction, const QString &number, int who)
    {
        exec(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_MittDest, Tab_principale) VALUES ('ASL1', '%1', '%2', %3, 'N')")
                 .arg(direction, number)
                 .arg(who));
    }

    // The numbers the list gives, in its order.
    QStringList listed(const GeneralCriteria &c, const protocol::Viewer &v)
    {
        QStringList numbers;
        QSqlQuery q(db().central());
        if (!q.exec(search::listQuery(c, v))) {
            ADD_FAILURE() << q.lastError().text().toStdString();
            return numbers;
        }
        while (q.next())
            numbers << q.value(1).toString();
        return numbers;
    }

    // Every protocol the criteria find: the list with a limit that holds
    // them all, each listed once.
    QStringList found(GeneralCriteria c, const protocol::Viewer &v)
    {
        c.limit = 1000;
        const QStringList numbers = listed(c, v);
        EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size())
            << numbers.join(QLatin1Char(' ')).toStdString();
        return numbers;
    }

    static protocol::Viewer viewer(int level, const QString &department, const QString &office,
                                   const QString &code = QStringLiteral("OP03"))
    {
        protocol::Viewer v;
        v.ente = QStringLiteral("ASL1");
        v.level = level;
        v.department = department;
        v.office = office;
        v.operatorCode = code;
        return v;
    }

    // Five protocols: 1 registered by OP01 in D01/U01 and routed three
    // times to D02 (U03 twice, U04); 2 registered in D02/U03; 3 registered
    // in D03/U05 and routed to U02 of D01; 4 in D03/U05 and never routed; 5
    // in D01/U02.
    void seedRoutedRegister()
    {
        add({.number = QStringLiteral("20050000001"), .registrar = QStringLiteral("OP01")});
        route(QStringLiteral("20050000001"), QStringLiteral("U03"), QStringLiteral("20050311090000"));
        route(QStringLiteral("20050000001"), QStringLiteral("U03"), QStringLiteral("20050312090000"));
        route(QStringLiteral("20050000001"), QStringLiteral("U04"), QStringLiteral("20050313090000"));
        add({.number = QStringLiteral("20050000002"), .department = QStringLiteral("D02"), .office = QStringLiteral("U03")});
        add({.number = QStringLiteral("20050000003"), .department = QStringLiteral("D03"), .office = QStringLiteral("U05")});
        route(QStringLiteral("20050000003"), QStringLiteral("U02"), QStringLiteral("20050311090000"));
        add({.number = QStringLiteral("20050000004"), .department = QStringLiteral("D03"), .office = QStringLiteral("U05")});
        add({.number = QStringLiteral("20050000005"), .office = QStringLiteral("U02")});
    }
};

QStringList numbers(std::initializer_list<int> n)
{
    QStringList out;
    for (int i : n)
        out << QStringLiteral("2005%1").arg(i, 7, 10, QLatin1Char('0'));
    return out;
}

TEST_P(GeneralSearchQueryTest, EachLevelSeesWhatItsOfficesRegisteredOrReceived)
{
    seedRoutedRegister();
    const GeneralCriteria all;
    EXPECT_EQ(found(all, viewer(6, QStringLiteral("D02"), QStringLiteral("U03"), QStringLiteral("OP01"))), numbers({1}));
    // One row per protocol, however many times it was routed there.
    EXPECT_EQ(found(all, viewer(7, QStringLiteral("D02"), QStringLiteral("U03"))), numbers({2, 1}));
    EXPECT_EQ(found(all, viewer(7, QStringLiteral("D02"), QStringLiteral("U04"))), numbers({1}));
    EXPECT_EQ(found(all, viewer(8, QStringLiteral("D02"), QStringLiteral("U04"))), numbers({2, 1}));
    EXPECT_EQ(found(all, viewer(8, QStringLiteral("D01"), QStringLiteral("U01"))), numbers({5, 3, 1}));
    EXPECT_EQ(found(all, viewer(9, QStringLiteral("D02"), QStringLiteral("U03"))), numbers({5, 4, 3, 2, 1}));
    EXPECT_TRUE(found(all, viewer(5, QStringLiteral("D01"), QStringLiteral("U01"))).isEmpty());

    // Further (department, office) pairs count as the operator's own.
    auto office = viewer(7, QStringLiteral("D02"), QStringLiteral("U04"));
    office.extra.append({QStringLiteral("D03"), QStringLiteral("U05")});
    EXPECT_EQ(found(all, office), numbers({4, 3, 1}));
    office.extra = {{QStringLiteral("D01"), QStringLiteral("U02")}};
    EXPECT_EQ(found(all, office), numbers({5, 3, 1}));
    auto department = viewer(8, QStringLiteral("D03"), QStringLiteral("U05"));
    EXPECT_EQ(found(all, department), numbers({4, 3}));
    department.extra.append({QStringLiteral("D02"), QStringLiteral("U03")});
    EXPECT_EQ(found(all, department), numbers({4, 3, 2, 1}));
}

TEST_P(GeneralSearchQueryTest, ChosenDepartmentAndOfficeNarrowTheScopeAndNeverWidenIt)
{
    seedRoutedRegister();
    GeneralCriteria c;
    c.department = QStringLiteral("D01");
    // Registered by D01 or routed to one of its offices.
    EXPECT_EQ(found(c, viewer(9, QStringLiteral("D02"), QStringLiteral("U03"))), numbers({5, 3, 1}));
    // A department-2 manager who chooses D01 still sees only what reached D02.
    EXPECT_EQ(found(c, viewer(8, QStringLiteral("D02"), QStringLiteral("U03"))), numbers({1}));
    EXPECT_EQ(found(c, viewer(6, QStringLiteral("D02"), QStringLiteral("U03"), QStringLiteral("OP01"))), numbers({1}));
    EXPECT_EQ(found(c, viewer(7, QStringLiteral("D03"), QStringLiteral("U05"))), numbers({3}));
    c.office = QStringLiteral("U02");
    EXPECT_EQ(found(c, viewer(9, QStringLiteral("D02"), QStringLiteral("U03"))), numbers({5, 3}));
    EXPECT_EQ(found(c, viewer(8, QStringLiteral("D03"), QStringLiteral("U05"))), numbers({3}));
    c.department = QStringLiteral("D02");
    c.office = QStringLiteral("U03");
    EXPECT_EQ(found(c, viewer(9, QStringLiteral("D01"), QStringLiteral("U01"))), numbers({2, 1}));
    // An office of the department that is not his own narrows what reached his.
    EXPECT_EQ(found(c, viewer(7, QStringLiteral("D02"), QStringLiteral("U04"))), numbers({1}));
    EXPECT_TRUE(found(c, viewer(7, QStringLiteral("D03"), QStringLiteral("U05"))).isEmpty());
}

TEST_P(GeneralSearchQueryTest, NumberAndEmergencyNumberNameTheirProtocolWithinTheScope)
{
    add({.number = QStringLiteral("20050000012"), .registrar = QStringLiteral("OP01"), .subject = QStringLiteral("Esposto")});
    add({.number = QStringLiteral("20050000120"), .registrar = QStringLiteral("OP01")});
    add({.number = QStringLiteral("20060000012"), .registrar = QStringLiteral("OP01"),
         .emergency = QStringLiteral("0000034")});
    add({.number = QStringLiteral("20060000013"), .registrar = QStringLiteral("OP01"),
         .emergency = QStringLiteral("0000340")});
    GeneralCriteria c;
    c.year = QStringLiteral("2005");
    c.number = QStringLiteral("12");
    EXPECT_EQ(search::searchedNumber(c.year, c.number), QStringLiteral("20050000012"));
    // Every other criterion is ignored: none of these would match it.
    c.subject = QStringLiteral("Richiesta");
    c.correspondent = QStringLiteral("nessuno");
    c.docType = QStringLiteral("DEL");
    c.date = QDate(2010, 1, 1);
    c.emergencyNumber = QStringLiteral("34");
    c.incoming = false;
    const auto everyone = viewer(9, QStringLiteral("D01"), QStringLiteral("U01"));
    EXPECT_EQ(found(c, everyone), QStringList{QStringLiteral("20050000012")});
    // ... but the scope is not.
    EXPECT_TRUE(found(c, viewer(6, QStringLiteral("D01"), QStringLiteral("U01"), QStringLiteral("OP02"))).isEmpty());

    GeneralCriteria e;
    e.emergencyNumber = QStringLiteral("34");
    e.subject = QStringLiteral("nessuno"); // ignored as well
    EXPECT_EQ(found(e, everyone), QStringList{QStringLiteral("20060000012")});
    e.emergencyNumber = QStringLiteral("340");
    EXPECT_EQ(found(e, everyone), QStringList{QStringLiteral("20060000013")});
}

TEST_P(GeneralSearchQueryTest, EveryCriterionFindsWhatAPlainSearchFinds)
{
    add({.number = QStringLiteral("20050000001"), .date = QStringLiteral("2005-03-09"),
         .subject = QStringLiteral("Richiesta dell'ufficio tecnico")});
    add({.number = QStringLiteral("20050000002"), .direction = QStringLiteral("U"), .date = QStringLiteral("2005-03-10"),
         .subject = QStringLiteral("Risposta al Comune"), .holder = 13});
    add({.number = QStringLiteral("20050000003"), .date = QStringLiteral("2005-03-11"),
         .subject = QStringLiteral("Fattura servizi"), .type = QStringLiteral("DEL"), .privacy = QStringLiteral("S")});
    add({.number = QStringLiteral("20050000004"), .direction = QStringLiteral("U"), .date = QStringLiteral("2005-12-01"),
         .subject = QStringLiteral("Convocazione"), .holder = 14});
    exec(QStringLiteral("INSERT INTO Tab_TipoDocumento (Tab_Codice, Tab_Descrizione) VALUES ('DEL', 'Delibera')"));
    // A further recipient of an outgoing protocol whose holder is someone else.
    furtherRecipient(QStringLiteral("U"), QStringLiteral("20050000004"), 13);
    furtherRecipient(QStringLiteral("U"), QStringLiteral("20050000004"), 12);

    const auto everyone = viewer(9, QStringLiteral("D01"), QStringLiteral("U01"));
    const auto with = [&](auto set) {
        GeneralCriteria c;
        set(c);
        return found(c, everyone);
    };
    // Dates as dates: both operators include the day itself; a text
    // comparison of "dd/mm/yyyy" would put 01/12 before 10/03.
    EXPECT_EQ(with([](GeneralCriteria &c) { c.date = QDate(2005, 3, 10); }), numbers({4, 3, 2}));
    EXPECT_EQ(with([](GeneralCriteria &c) {
                  c.date = QDate(2005, 3, 10);
                  c.dateOperator = QStringLiteral("<=");
              }),
              numbers({2, 1}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.subject = QStringLiteral("dell'uff"); }), numbers({1}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.subject = QStringLiteral("RI"); }), numbers({2, 1}));
    // Holder or any further recipient, once each.
    EXPECT_EQ(with([](GeneralCriteria &c) { c.correspondent = QStringLiteral("comune di"); }), numbers({4, 2}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.correspondent = QStringLiteral("'acq"); }), numbers({4}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.correspondent = QStringLiteral("ro"); }), numbers({4, 3, 1}));
    EXPECT_EQ(with([](GeneralCriteria &c) {
                  c.correspondent = QStringLiteral("potenza");
                  c.docType = QStringLiteral("LET");
                  c.incoming = false;
              }),
              numbers({4, 2}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.docType = QStringLiteral("DEL"); }), numbers({3}));
    EXPECT_EQ(with([](GeneralCriteria &c) { c.outgoing = false; }), numbers({3, 1}));
    // Reserved protocols are listed; masking them is the list's.
    EXPECT_EQ(with([](GeneralCriteria &c) { c.subject = QStringLiteral("fattura"); }), numbers({3}));

    // The list reads one protocol past the limit, newest first, and no
    // more: the extra row only says that there are others.
    const auto limited = [&](int limit, auto set) {
        GeneralCriteria c;
        set(c);
        c.limit = limit;
        return listed(c, everyone);
    };
    const auto nothing = [](GeneralCriteria &) {};
    EXPECT_EQ(limited(2, nothing), numbers({4, 3, 2}));
    EXPECT_EQ(limited(3, nothing), numbers({4, 3, 2, 1}));
    EXPECT_EQ(limited(4, nothing), numbers({4, 3, 2, 1}));
    EXPECT_EQ(limited(1, [](GeneralCriteria &c) { c.subject = QStringLiteral("RI"); }), numbers({2, 1}));
    EXPECT_EQ(limited(1, [](GeneralCriteria &c) { c.correspondent = QStringLiteral("ro"); }), numbers({4, 3}));
    EXPECT_EQ(limited(1, [](GeneralCriteria &c) { c.docType = QStringLiteral("DEL"); }), numbers({3}));
}

// With the candidate bound lowered, a word found in more protocols than the
// bound is searched by walking the register; the rows must not change.
TEST_P(GeneralSearchQueryTest, CommonWordsFindTheSameRowsWhicheverWayTheyAreRead)
{
    for (int i = 1; i <= 30; ++i) {
        add({.number = QStringLiteral("2005%1").arg(i, 7, 10, QLatin1Char('0')),
             .department = i % 3 ? QStringLiteral("D01") : QStringLiteral("D03"),
             .office = i % 3 ? QStringLiteral("U01") : QStringLiteral("U05"),
             .date = QStringLiteral("2005-03-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
             .subject = i % 2 ? QStringLiteral("Richiesta rimborso %1").arg(i) : QStringLiteral("Altro %1").arg(i),
             .holder = i % 4 ? 13 : 12});
        if (i % 5 == 0)
            route(QStringLiteral("2005%1").arg(i, 7, 10, QLatin1Char('0')), QStringLiteral("U01"),
                  QStringLiteral("20050311090000"));
    }
    const auto department = viewer(8, QStringLiteral("D01"), QStringLiteral("U01"));
    GeneralCriteria subject;
    subject.subject = QStringLiteral("rimborso");
    GeneralCriteria period = subject;
    period.date = QDate(2005, 3, 10);
    GeneralCriteria name;
    name.correspondent = QStringLiteral("potenza");
    name.date = QDate(2005, 3, 20);
    name.dateOperator = QStringLiteral("<=");
    const QStringList bySubject = found(subject, department), byPeriod = found(period, department),
                      byName = found(name, department);
    EXPECT_EQ(bySubject.size(), 11);
    // A limited list is the head of the whole one, and one row longer.
    GeneralCriteria head = subject;
    head.limit = 3;
    EXPECT_EQ(listed(head, department), bySubject.mid(0, 4));
    const int bound = protocol::contains::setCandidateBound(3), few = protocol::contains::setFewCandidates(0);
    EXPECT_EQ(found(subject, department), bySubject);
    EXPECT_EQ(found(period, department), byPeriod);
    EXPECT_EQ(found(name, department), byName);
    EXPECT_EQ(listed(head, department), bySubject.mid(0, 4));
    protocol::contains::setCandidateBound(bound);
    protocol::contains::setFewCandidates(few);
}

// Up to a date, the list starts from the highest number dated up to that
// day rather than from the newest protocol: the rows must be those of a
// plain comparison of dates, whatever the order of numbers and dates (a
// protocol numbered in a later year than its date, one dated before lower
// numbers of its year) and whether the date's year has protocols before it.
TEST_P(GeneralSearchQueryTest, UpToADateListsWhatAPlainComparisonOfDatesFinds)
{
    int n = 0;
    const auto at = [&](int year, int number, const QString &date, const QString &office = QStringLiteral("U01")) {
        add({.number = QStringLiteral("%1%2").arg(year).arg(number, 7, 10, QLatin1Char('0')),
             .department = office == QStringLiteral("U05") ? QStringLiteral("D03") : QStringLiteral("D01"),
             .office = office, .date = date});
        ++n;
    };
    const QString u01 = QStringLiteral("U01"), u05 = QStringLiteral("U05");
    for (int i = 1; i <= 8; ++i)
        at(2004, i, QStringLiteral("2004-%1-15").arg(i, 2, 10, QLatin1Char('0')), i % 2 ? u01 : u05);
    for (int i = 1; i <= 8; ++i)
        at(2005, i, QStringLiteral("2005-%1-10").arg(i, 2, 10, QLatin1Char('0')), i % 2 ? u05 : u01);
    // Dated before numbers lower than its own.
    at(2005, 9, QStringLiteral("2005-02-01"));
    // Registered in 2006 under a date of 2005, and two of 2006.
    at(2006, 1, QStringLiteral("2005-03-20"));
    at(2006, 2, QStringLiteral("2006-01-02"));
    at(2006, 3, QStringLiteral("2006-01-03"), QStringLiteral("U05"));

    const auto plain = [&](const QDate &upTo, const QString &office) {
        QStringList out;
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = 'ASL1' AND "
                                          "Tab_DataProtocollo <= '%1' AND Tab_UfficioRegistrazione LIKE '%2' ORDER BY 1 "
                                          "DESC")
                               .arg(upTo.toString(Qt::ISODate), office)));
        while (q.next())
            out << q.value(0).toString();
        return out;
    };
    const auto everyone = viewer(9, QStringLiteral("D01"), QStringLiteral("U01"));
    const auto department = viewer(8, QStringLiteral("D01"), QStringLiteral("U01"));
    for (const QDate &upTo : {QDate(2005, 4, 10), QDate(2005, 4, 9), QDate(2005, 1, 5), QDate(2006, 1, 1),
                              QDate(2006, 1, 2), QDate(2007, 6, 1), QDate(2003, 1, 1)}) {
        GeneralCriteria c;
        c.date = upTo;
        c.dateOperator = QStringLiteral("<=");
        const QString when = upTo.toString(Qt::ISODate);
        EXPECT_EQ(found(c, everyone), plain(upTo, QStringLiteral("%"))) << when.toStdString();
        EXPECT_EQ(found(c, department), plain(upTo, QStringLiteral("U01"))) << when.toStdString();
        // A limited list is the head of the whole one, one row longer.
        c.limit = 2;
        EXPECT_EQ(listed(c, everyone), plain(upTo, QStringLiteral("%")).mid(0, 3)) << when.toStdString();
    }
    EXPECT_EQ(plain(QDate(2005, 4, 10), QStringLiteral("%")).value(0), QStringLiteral("20060000001"));
    EXPECT_EQ(n, 20);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(GeneralSearchQueryTest);
