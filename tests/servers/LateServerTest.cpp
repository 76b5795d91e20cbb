// The late registration (operation 110) on both engines, against the
// register's own guard: a number already used, one that would sort before a
// protocol of an earlier day or after one of a later day, or that the
// counter has not passed yet, refused; the stored time "11:00:00" with the
// true moment of the writing kept beside it; the function right read by the
// server; and processes racing a normal registration or another late one for
// the same number.

#include <QDateTime>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/LateRequests.h"
#include "support/RegisterTest.h"

namespace {

const QString kEnte = QStringLiteral("ASL1");

class LateServerTest : public nimbo::test::RegisterTest {
protected:
    // Last year, so that every day of it is in the past.
    const int year = QDate::currentDate().year() - 1;

    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Numbers 3 and 5 on 1 March, 10 on 5 March, 15 on 10 March, 20 on
        // 1 June; the counter has given up to 25 (the last ones lost with a
        // register restored from a copy).
        for (const auto &[n, when] : {std::pair{3, "03-01"}, std::pair{5, "03-01"}, std::pair{10, "03-05"},
                                     std::pair{15, "03-10"}, std::pair{20, "06-01"}})
            sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_StatoProtocollo, "
                               "Tab_Intestatario) VALUES ('%1', 'E', '%2', '%3', '09:00:00', '%3', 'A', 12)")
                    .arg(kEnte, number(n), day(QString::fromLatin1(when))));
        sql(QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, Tab_ProtocolloEntrata, "
                           "tab_protocolloUscita) VALUES ('%1', %2, 25, 7)")
                .arg(kEnte)
                .arg(year));
        sql(QStringLiteral("INSERT INTO Tab_Funzioni (tf_nome, Tf_Caption, tf_codice) VALUES ('MnuRecuperaProto', "
                           "'Recupera Protocolli', 'PR11')"));
        sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Funzioni = '-PR09-PR11-' WHERE Op_Codice_Operatore = 'OP02'"));
        // From here on a row enters the register only as a registration does.
        ASSERT_TRUE(nimbo::test::closeProtocolAdmissions(db().central()));
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }

    QString number(int n) const { return QString::number(year) + QString::number(n).rightJustified(7, QLatin1Char('0')); }
    QString day(const QString &monthDay) const { return QString::number(year) + QLatin1Char('-') + monthDay; }

    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString() << " " << statement.toStdString();
    }
    QString scalar(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString() << q.lastError().text().toStdString();
        return q.value(0).toString().trimmed();
    }
    QVariantList late(const QString &num, const QString &isoDay, const QString &op = QStringLiteral("OP01"))
    {
        const QDate d = QDate::fromString(isoDay, Qt::ISODate);
        nimbo::ColumnValues columns =
            nimbo::test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Recupero ") + num, op);
        for (auto &[name, value] : columns)
            if (name == QLatin1String("Tab_DataRicezione"))
                value = d.toString(QStringLiteral("MM/dd/yyyy"));
        QVariantList request = nimbo::lateRegistrationRequest(kEnte, QStringLiteral("E"), num, d, columns, op);
        return server->Elabora(nimbo::kOpRecuperaProtocollo, request);
    }
    QString refusal(const QVariantList &reply)
    {
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("991")) << reply.value(1).toString().toStdString();
        return reply.value(1).toString();
    }
    int rows(const QString &table) { return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }

    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(LateServerTest, NumberOutsideTheDaysRangeOrNotYetPassedByTheCounterIsRefusedAndWritesNothing)
{
    const int before = rows(QStringLiteral("Tab_Protocollo"));
    // Used already, whatever the date.
    EXPECT_EQ(refusal(late(number(5), day("03-05"))), nimbo::kLateNumberUsed);
    EXPECT_EQ(refusal(late(number(10), day("03-05"))), nimbo::kLateNumberUsed);
    // Would sort before 5, a protocol of an earlier day; after 15, one of a
    // later day.
    EXPECT_EQ(refusal(late(number(4), day("03-05"))), nimbo::kLateOutOfRange);
    EXPECT_EQ(refusal(late(number(16), day("03-05"))), nimbo::kLateOutOfRange);
    // After the last protocol nothing dated later bounds it: the counter
    // does. 25 is given; 26 is the next registration's.
    EXPECT_EQ(refusal(late(number(19), day("07-01"))), nimbo::kLateOutOfRange);
    EXPECT_EQ(refusal(late(number(25), day("07-01"))), nimbo::kLateOutOfRange);
    EXPECT_EQ(refusal(late(number(26), day("07-01"))), nimbo::kLateOutOfRange);
    // The year of the date and of the number go together; the date is not
    // ahead of today; a year without a counter has nothing free.
    EXPECT_EQ(refusal(late(number(8), QString::number(year + 1) + QStringLiteral("-01-02"))),
              QStringLiteral("incongruenza tra l'anno del protocollo e l'anno specificato nella data di "
                             "protocollazione"));
    const QDate tomorrow = QDate::currentDate().addDays(1);
    EXPECT_TRUE(refusal(late(QString::number(tomorrow.year()) + QStringLiteral("0000001"), tomorrow.toString(Qt::ISODate)))
                    .contains(QStringLiteral("successiva alla data odierna")));
    EXPECT_EQ(refusal(late(QString::number(year - 1) + QStringLiteral("0000001"),
                           QString::number(year - 1) + QStringLiteral("-05-05"))),
              nimbo::kLateOutOfRange);
    EXPECT_EQ(refusal(late(QString::number(year) + QStringLiteral("0000000"), day("03-05"))),
              QStringLiteral("Specificare un numero di protocollo corretto."));
    // An operator whose function is withheld, or an operator of no right
    // at all when the function table does not name the function.
    EXPECT_EQ(refusal(late(number(8), day("03-05"), QStringLiteral("OP02"))), nimbo::kLateNoRight);
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), before);
    EXPECT_EQ(rows(QStringLiteral("Tab_ProtocolloRecuperato")), 0);
    sql(QStringLiteral("DELETE FROM Tab_Funzioni"));
    EXPECT_EQ(refusal(late(number(8), day("03-05"))), nimbo::kLateNoRight);
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo_Ammissioni")), 0);
}

TEST_P(LateServerTest, FreeNumberIsStoredAtElevenWithTheTrueWritingKeptAndTheCountersUntouched)
{
    const QString counterBefore = scalar(QStringLiteral("SELECT Tab_ProtocolloEntrata || '/' || tab_protocolloUscita "
                                                        "FROM TAB_STARTPROTOCOLLO"));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-60);
    const QVariantList reply = late(number(8), day("03-05"));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toString(), number(8));
    EXPECT_EQ(reply.value(3).toDate(), QDate::fromString(day("03-05"), Qt::ISODate));
    EXPECT_EQ(reply.value(4).toString(), QStringLiteral("11:00:00"));
    const QString where = QStringLiteral(" FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '") + number(8) + QLatin1Char('\'');
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_OraProtocollo") + where), QStringLiteral("11:00:00"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_DataProtocollo") + where).left(10), day("03-05"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_DataRegistrazione") + where).left(10),
              QDate::currentDate().toString(Qt::ISODate));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_CodiceOpeReg") + where), QStringLiteral("OP01"));
    // The moment of the writing, by whom, beside the date given.
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Rec_TipoProtocollo, Rec_DataProtocollo, Rec_DataOraScrittura, Rec_CodOper "
                                      "FROM Tab_ProtocolloRecuperato WHERE Rec_Ente = '%1' AND Rec_NumeroProtocollo = '%2'")
                           .arg(kEnte, number(8))));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("E"));
    EXPECT_EQ(q.value(1).toString().left(10), day("03-05"));
    const QDateTime written = QDateTime::fromString(q.value(2).toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                                    QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    EXPECT_GE(written, start);
    EXPECT_LE(written, QDateTime::currentDateTime().addSecs(60));
    EXPECT_EQ(q.value(3).toString(), QStringLiteral("OP01"));
    q.finish(); // an open read would keep this connection's view of the file as it is now
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_ProtocolloEntrata || '/' || tab_protocolloUscita FROM TAB_STARTPROTOCOLLO")),
              counterBefore);
    EXPECT_EQ(rows(QStringLiteral("TAB_STARTDIPARTIMENTI")), 0);

    // Strictly between: beside 10, a protocol of the same day, any side will
    // do; with nothing before the day the year's first number is free; just
    // below the counter with nothing after the day.
    EXPECT_EQ(late(number(12), day("03-05")).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(late(number(1), day("01-10")).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(late(number(24), day("07-01")).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(refusal(late(number(8), day("03-05"))), nimbo::kLateNumberUsed);
    EXPECT_EQ(rows(QStringLiteral("Tab_ProtocolloRecuperato")), 4);
}

NIMBO_INSTANTIATE_ENGINES(LateServerTest);

class LateProcessTest : public LateServerTest {
protected:
    QProcess *start(const QStringList &args, const char *program)
    {
        auto *p = new QProcess;
        processes.emplace_back(p);
        const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
        p->start(QString::fromLatin1(program),
                 QStringList{pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location} + args);
        return p;
    }
    QProcess *lateWorker(const QString &num, const QString &isoDay)
    {
        return start({kEnte, num, isoDay}, NIMBO_LATE_WORKER);
    }
    QProcess *normalWorker() { return start({QStringLiteral("1"), kEnte}, NIMBO_PROTOCOL_WORKER); }
    static QString output(QProcess *p)
    {
        EXPECT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        return QString::fromUtf8(p->readAllStandardOutput()).trimmed();
    }
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_P(LateProcessTest, RaceForTheNextNumberOrAFreeOneEndsWithOneProtocolAndAClearRefusal)
{
    // This year's counter, started by a normal registration.
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QString thisYear = QString::number(QDate::currentDate().year());
    ASSERT_EQ(output(normalWorker()), thisYear + QStringLiteral("0000001"));
    for (int round = 2; round <= 4; ++round) {
        // The number the normal registration is about to take: it is the
        // counter's, never the late one's.
        const QString next = thisYear + QString::number(round).rightJustified(7, QLatin1Char('0'));
        QProcess *late = lateWorker(next, today);
        QProcess *normal = normalWorker();
        EXPECT_EQ(output(normal), next);
        const QString lateSaid = output(late);
        EXPECT_TRUE(lateSaid == QStringLiteral("991|") + nimbo::kLateOutOfRange
                    || lateSaid == QStringLiteral("991|") + nimbo::kLateNumberUsed)
            << lateSaid.toStdString();
    }
    // A free number of last year asked by two clerks at once, while
    // registrations go on: one gets it, the other is told it is used.
    for (int n : {6, 11, 13}) {
        QProcess *first = lateWorker(number(n), day("03-05"));
        QProcess *second = lateWorker(number(n), day("03-05"));
        QProcess *normal = normalWorker();
        QStringList said{output(first), output(second)};
        said.sort();
        EXPECT_EQ(said, (QStringList{QStringLiteral("0|") + number(n), QStringLiteral("991|") + nimbo::kLateNumberUsed}));
        EXPECT_EQ(output(normal).left(4), thisYear);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Tab_NumeroProtocollo) FROM Tab_Protocollo")),
              QStringLiteral("0"));
    EXPECT_EQ(rows(QStringLiteral("Tab_ProtocolloRecuperato")), 3);
    EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(Tab_NumeroProtocollo) FROM Tab_Protocollo WHERE Tab_NumeroProtocollo > '")
                     + thisYear + QStringLiteral("'")),
              thisYear + QStringLiteral("0000007"));
}

NIMBO_INSTANTIATE_ENGINES(LateProcessTest);

} // namespace
