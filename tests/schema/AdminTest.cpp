// The installer's command run as an installer runs it: a separate process
// whose exit status and messages are all that the caller sees.

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "data/Password.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

struct Result {
    int status = -1;
    QString out, err;
};

Result admin(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(NIMBO_ADMIN_PATH), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList targetArgs(const TestDb &db)
{
    const Dialect::Target t = db.centralTarget();
    return {t.engine == Dialect::Engine::SQLite ? QStringLiteral("--sqlite") : QStringLiteral("--pg"), t.location};
}

int count(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
    return q.value(0).toInt();
}

class AdminCommand : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(AdminCommand, CreatesLoadsDemoAndAddsOperatorsRepeatablyWithoutOverwriting)
{
    const QStringList target = targetArgs(db());
    Result r = admin(QStringList{QStringLiteral("create-central")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("creato"))) << r.out.toStdString();

    r = admin(QStringList{QStringLiteral("load-demo")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const int operators = count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori"));
    EXPECT_GE(operators, 4);

    // A second run finds everything in place and changes nothing.
    r = admin(QStringList{QStringLiteral("load-demo")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("nessuna modifica"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral(": 0 righe aggiunte"))) << r.out.toStdString();

    const QStringList op{QStringLiteral("--code"), QStringLiteral("rossi"), QStringLiteral("--password"),
                         QStringLiteral("Segreta-2026"), QStringLiteral("--level"), QStringLiteral("7"),
                         QStringLiteral("--ente"), QStringLiteral("001"), QStringLiteral("--department"),
                         QStringLiteral("PRO"), QStringLiteral("--office"), QStringLiteral("UPR")};
    r = admin(QStringList{QStringLiteral("add-operator")} + target + op);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Op_Password, Op_Livello FROM Tab_Operatori WHERE Op_Codice_Operatore = 'ROSSI'")));
    ASSERT_TRUE(q.next());
    const QString stored = q.value(0).toString();
    EXPECT_FALSE(stored.contains(QStringLiteral("SEGRETA"), Qt::CaseInsensitive));
    EXPECT_TRUE(Password::verify(QStringLiteral("Segreta-2026"), stored));
    EXPECT_FALSE(Password::verify(QStringLiteral("Segreta-2027"), stored));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("7"));
    q.finish();

    // The same code again is refused and the stored row stays as it was.
    r = admin(QStringList{QStringLiteral("add-operator")} + target + op);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("esiste già"))) << r.err.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori")), operators + 1);

    // Bad operator data never reaches the database.
    QStringList shortPwd = op;
    shortPwd[1] = QStringLiteral("BIANCHI");
    shortPwd[3] = QStringLiteral("corta");
    r = admin(QStringList{QStringLiteral("add-operator")} + target + shortPwd);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("almeno 8 caratteri"))) << r.err.toStdString();
    QStringList badLevel = op;
    badLevel[1] = QStringLiteral("BIANCHI");
    badLevel[5] = QStringLiteral("5");
    r = admin(QStringList{QStringLiteral("add-operator")} + target + badLevel);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_Codice_Operatore = 'BIANCHI'")), 0);
}

TEST_P(AdminCommand, FunctionTableIsFilledAtCreationAndRebuiltKeepingItsCodes)
{
    const QStringList target = targetArgs(db());
    ASSERT_EQ(admin(QStringList{QStringLiteral("create-central")} + target).status, 0);
    // A register made without the demo already knows every menu item.
    const int items = count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni"));
    EXPECT_EQ(items, 60);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(DISTINCT tf_codice) FROM Tab_Funzioni")), items);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT tf_codice, Tf_Caption FROM Tab_Funzioni WHERE tf_nome = 'mnuProtDoc'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("PR01"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("Protocollo Documenti"));
    q.finish();

    // An item lost and a code given by hand: the rebuild brings the item
    // back and keeps the code the operators' rights name.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Funzioni WHERE tf_nome = 'mnuiter'")));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Funzioni SET tf_codice = 'ZZ99' WHERE tf_nome = 'mnuProtDoc'")));
    const Result r = admin(QStringList{QStringLiteral("create-functions")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("60 voci di menu"))) << r.out.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni WHERE tf_nome = 'mnuiter' "
                                                   "AND tf_codice = 'PR04'")), 1);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni WHERE tf_nome = 'mnuProtDoc' "
                                                   "AND tf_codice = 'ZZ99'")), 1);
    // An upgrade run of create-central fills it again too.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Funzioni")));
    ASSERT_EQ(admin(QStringList{QStringLiteral("create-central")} + target).status, 0);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni")), items);
}

TEST_P(AdminCommand, NewerDatabaseIsRefusedAndLeftAsItIs)
{
    const QStringList target = targetArgs(db());
    ASSERT_EQ(admin(QStringList{QStringLiteral("create-central")} + target).status, 0);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral(
        "INSERT INTO Schema_Version (version_number, schema_kind, applied_at) VALUES (999, 'central', 'x')")));
    const Result r = admin(QStringList{QStringLiteral("create-central")} + target);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("più recente"))) << r.err.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT MAX(version_number) FROM Schema_Version")), 999);
}

NIMBO_INSTANTIATE_ENGINES(AdminCommand);

TEST(AdminCommandErrors, WrongPathUnreachableServerAndBadUsageGiveMessages)
{
    QTemporaryDir dir;
    Result r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("manca/centrale.db"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("non esiste"))) << r.err.toStdString();

    r = admin({QStringLiteral("add-operator"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("nessuno.db")),
               QStringLiteral("--code"), QStringLiteral("X"), QStringLiteral("--password"), QStringLiteral("12345678"),
               QStringLiteral("--level"), QStringLiteral("9"), QStringLiteral("--ente"), QStringLiteral("001"),
               QStringLiteral("--department"), QStringLiteral("PRO"), QStringLiteral("--office"), QStringLiteral("UPR")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("crearlo prima"))) << r.err.toStdString();

    r = admin({QStringLiteral("create-central"), QStringLiteral("--pg"),
               QStringLiteral("host=127.0.0.1 port=1 dbname=nimbo user=nimbo connect_timeout=3")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Impossibile collegarsi"))) << r.err.toStdString();

    r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), QStringLiteral("a.db"),
               QStringLiteral("--pg"), QStringLiteral("host=x")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("oppure"))) << r.err.toStdString();

    r = admin({QStringLiteral("distruggi")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Comando sconosciuto"))) << r.err.toStdString();
    r = admin({QStringLiteral("create-local"), QStringLiteral("--tutto")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Opzione sconosciuta"))) << r.err.toStdString();
}

TEST(AdminCommandKey, KeyFileIsMadeOnceAndNeverReplaced)
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("nimbo.key"));
    ASSERT_EQ(admin({QStringLiteral("create-key"), key}).status, 0);
    QFile f(key);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();
    EXPECT_FALSE(first.isEmpty());

    const Result again = admin({QStringLiteral("create-key"), key});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.out.contains(QStringLiteral("non modificata"))) << again.out.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);

    EXPECT_EQ(admin({QStringLiteral("create-key")}).status, 2);
}

} // namespace
