// The dossiers of a new registration: a missing, closed or inactive one,
// or one named twice, refuses the whole registration without consuming a
// number; a dossier closed at the same moment by another workstation is
// either seen closed or closed after the filing.

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"

using nimbo::ColumnValues;
using nimbo::test::dossierColumns;

namespace {

class RegistrationDossiersTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        RegisterTest::TearDown();
    }
    QVariantList registerInto(const QVector<ColumnValues> &dossiers)
    {
        QVariantList request = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("U"), QString()),
            nimbo::test::newProtocolColumns(kEnte, QStringLiteral("U"), QStringLiteral("Classificato")),
            QStringLiteral("OP01"), dossiers);
        return server->Elabora(nimbo::kOpRegistraProtocollo, request);
    }
    void sql(const QString &text)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(text)) << text.toStdString();
    }
    int count(const QString &text)
    {
        QSqlQuery q(db().central());
        return q.exec(text) && q.next() ? q.value(0).toInt() : -1;
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }

    std::unique_ptr<nimbo::ProtocolServer> server;
};

ColumnValues with(ColumnValues row, const QString &column, const QVariant &value)
{
    for (auto &[name, v] : row)
        if (name.compare(column, Qt::CaseInsensitive) == 0)
            v = value;
    return row;
}

TEST_P(RegistrationDossiersTest, UnfitDossierRefusesTheWholeRegistrationWithoutConsumingANumber)
{
    const QVariantList first = registerInto({dossierColumns(kEnte, 1)});
    ASSERT_EQ(first.value(0).toString(), QStringLiteral("0")) << text(first);
    const QString year = first.value(2).toString().left(4);
    sql(QStringLiteral("UPDATE Tab_Fascicoli SET Tab_Chiusura = '2024-06-30' WHERE Tab_CodiceFascicolo = 2"));

    const QString title = QStringLiteral("UPDATE Tab_Titolo SET Tab_Attivo = %1 WHERE Tab_Codice = '01'");
    const QString category = QStringLiteral("UPDATE Tab_Categoria SET Tab_Attivo = %1 WHERE Tab_Codice = '02'");
    const QString cls = QStringLiteral("UPDATE Tab_Classe SET Tab_Attivo = %1 WHERE Tab_Codice = '03'");
    const struct {
        const char *what;
        QString inactive; // the element switched off for the case
        QVector<ColumnValues> dossiers;
        const char *says;
    } cases[] = {
        {"missing dossier", {}, {dossierColumns(kEnte, 3), dossierColumns(kEnte, 77)},
         "Il fascicolo 01.02.03.00077 non esiste"},
        {"missing class", {}, {with(dossierColumns(kEnte, 3), QStringLiteral("Tab_classe"), QStringLiteral("09"))},
         "Il fascicolo 01.02.09.00003 non esiste"},
        {"closed dossier", {}, {dossierColumns(kEnte, 3), dossierColumns(kEnte, 2)},
         "Il fascicolo 01.02.03.00002 è chiuso: scegliere un fascicolo aperto."},
        {"inactive class", cls, {dossierColumns(kEnte, 4)},
         "Il fascicolo 01.02.03.00004 appartiene a una classe non attiva"},
        {"inactive category", category, {dossierColumns(kEnte, 4)},
         "Il fascicolo 01.02.03.00004 appartiene a una categoria non attiva"},
        {"inactive title", title, {dossierColumns(kEnte, 4)},
         "Il fascicolo 01.02.03.00004 appartiene a un titolo non attivo"},
        {"same dossier twice", {}, {dossierColumns(kEnte, 5), dossierColumns(kEnte, 6), dossierColumns(kEnte, 5)},
         "Il fascicolo 01.02.03.00005 è indicato più di una volta"},
        {"same dossier twice, blanks around a code", {},
         {dossierColumns(kEnte, 5), with(dossierColumns(kEnte, 5), QStringLiteral("Tab_titolo"), QStringLiteral(" 01 "))},
         "Il fascicolo 01.02.03.00005 è indicato più di una volta"},
        {"no class code", {}, {with(dossierColumns(kEnte, 5), QStringLiteral("Tab_classe"), QString())}, "Tab_Classe"},
        {"class code too long", {},
         {with(dossierColumns(kEnte, 5), QStringLiteral("Tab_classe"), QStringLiteral("0303"))}, "Tab_Classe"},
        {"dossier code 0", {}, {with(dossierColumns(kEnte, 5), QStringLiteral("Tab_Codicefascicolo"), 0)},
         "Tab_CodiceFascicolo"},
        {"dossier of another body", {}, {dossierColumns(QStringLiteral("ASL2"), 5)}, "Tab_Ente"},
    };
    for (const auto &c : cases) {
        if (!c.inactive.isEmpty())
            sql(c.inactive.arg(0));
        const QVariantList reply = registerInto(c.dossiers);
        if (!c.inactive.isEmpty())
            sql(c.inactive.arg(1));
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.what << ": " << text(reply);
        EXPECT_TRUE(reply.value(1).toString().contains(QString::fromUtf8(c.says))) << c.what << ": " << text(reply);
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_ProFascicoli")), 1);

    // The next registration gets the very next number, filed into an open
    // dossier of an active class.
    const QVariantList next = registerInto({dossierColumns(kEnte, 5), dossierColumns(kEnte, 6)});
    ASSERT_EQ(next.value(0).toString(), QStringLiteral("0")) << text(next);
    EXPECT_EQ(next.value(2).toString(), year + QStringLiteral("0000002"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_ProFascicoli WHERE Tab_NumeroProtocollo = '%1' AND "
                                   "Tab_CodiceFascicolo IN (5, 6)")
                        .arg(next.value(2).toString())),
              2);
}

// Another workstation closes the dossier in a transaction of its own (a
// separate psql process) and commits a moment later: the registration
// waits for it and sees the dossier closed, instead of filing into a
// dossier that is being closed.
TEST_P(RegistrationDossiersTest, DossierClosedMeanwhileIsSeenClosed)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has one writer at a time";
    QProcess closer;
    closer.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                          QStringLiteral("ON_ERROR_STOP=1"), db().centralTarget().location});
    ASSERT_TRUE(closer.waitForStarted());
    closer.write("BEGIN;\n"
                 "UPDATE Tab_Fascicoli SET Tab_Chiusura = CURRENT_DATE WHERE Tab_CodiceFascicolo = 8;\n"
                 "SELECT pg_sleep(1.5) AS chiude_fascicolo;\n"
                 "COMMIT;\n");
    ASSERT_TRUE(closer.waitForBytesWritten(5000)); // no event loop runs here to send it
    closer.closeWriteChannel();
    QElapsedTimer waited;
    waited.start();
    while (count(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                                "query LIKE '%chiude_fascicolo%' AND state = 'active' AND pid <> pg_backend_pid()"))
               < 1
           && waited.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_LT(waited.elapsed(), 10000) << "the closing transaction did not start";

    const QVariantList reply = registerInto({dossierColumns(kEnte, 8)});
    ASSERT_TRUE(closer.waitForFinished(10000));
    EXPECT_EQ(closer.exitCode(), 0) << closer.readAllStandardError().toStdString();
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << text(reply);
    EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("01.02.03.00008 è chiuso"))) << text(reply);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM TAB_STARTPROTOCOLLO WHERE Tab_ProtocolloEntrata > 0 OR "
                                   "tab_protocolloUscita > 0")),
              0);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(RegistrationDossiersTest);
