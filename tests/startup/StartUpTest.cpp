#include <QAction>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/C_GestDB.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/StartUp.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

namespace {

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Runs the sequence in a program folder with a scripted login and a main
// window that carries the emergency menu item; the exit is recorded instead.
class Sequence {
public:
    explicit Sequence(const QString &folder) : folder_(folder)
    {
        qputenv("NIMBO_HOME", folder.toUtf8());
        GECentr::setExitHook([this](int code) { exits.append(code); });
        StartUp::setLogin([this](const QStringList &commandLine) {
            logins.append(commandLine);
            DicAmbiente::session().structureCode = QStringLiteral("001");
            DicAmbiente::session().emergency = emergency;
            return true;
        });
        StartUp::setMainWindowFactory([] {
            auto *w = new QMainWindow;
            (new QAction(w))->setObjectName(QStringLiteral("mnuProtDocEmerg"));
            return w;
        });
    }
    ~Sequence()
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        StartUp::setLogin({});
        StartUp::setMainWindowFactory({});
        GECentr::setExitHook({});
        qunsetenv("NIMBO_HOME");
    }
    void writeIni(const QStringList &lines)
    {
        QFile f(DicAmbiente::configPath(folder_, QStringLiteral("test_startup")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines.join(QLatin1Char('\n')).toUtf8());
    }
    int start() { return StartUp::start({QStringLiteral("test_startup"), QStringLiteral("DEMO9"), QStringLiteral("x")}); }
    QString log() const { return readAll(DicAmbiente::logFilePath()); }

    nimbo::test::ScriptedDialogs boxes;
    QList<int> exits;
    QList<QStringList> logins;
    bool emergency = false;

private:
    QString folder_;
};

QStringList demoIni(const nimbo::test::TestDb &db)
{
    QStringList ini{QStringLiteral("SET PATHDB=") + db.folder() + QStringLiteral("/db/"),
                    QStringLiteral("SET PROTOCOLLO=central.sqlite"), QStringLiteral("SET TABLOCAL=locale.sqlite"),
                    QStringLiteral("SET OLEGENERICA=") + nimbo::kGenericProgId};
    if (db.engine() == Dialect::Engine::PostgreSQL)
        ini << QStringLiteral("SET SERVERDB=") + db.centralTarget().location;
    return ini;
}

} // namespace

TEST(StartUpSequence, MissingConfigurationEndsWithTheMessage)
{
    QTemporaryDir dir;
    Sequence run(dir.path());
    EXPECT_EQ(run.start(), StartUp::kExitNoConfig);
    EXPECT_EQ(run.boxes.texts(), QStringList{QStringLiteral("File di inizializzazione errato o mancante")});
    EXPECT_TRUE(run.logins.isEmpty());
    // The background window came first and made the folders.
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/documenti/transitoIMG")));
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/StoricoEMail/StoricoEMail.txt")));
}

class StartUpDemo : public nimbo::test::EngineTest {
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::Demo; }
};

TEST_P(StartUpDemo, StartsLogsInAndReadsTheParameters)
{
    Sequence run(db().folder());
    run.writeIni(demoIni(db()));
    ASSERT_EQ(run.start(), StartUp::kRunning) << run.boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(run.boxes.shown.isEmpty());
    EXPECT_EQ(run.logins, QList<QStringList>{(QStringList{QStringLiteral("DEMO9"), QStringLiteral("x")})});
    EXPECT_TRUE(QFileInfo(DicAmbiente::logFilePath()).fileName().startsWith(QStringLiteral("Logtest_startup.D")));
    EXPECT_TRUE(run.log().contains(QStringLiteral("  Partenza applicativo>>")));
    EXPECT_TRUE(run.log().contains(QStringLiteral("Archivio di Sistema non trovato:")));
    EXPECT_TRUE(C_GestDB::localDatabase().valid());
    ASSERT_NE(StartUp::mainWindow(), nullptr);
    EXPECT_TRUE(StartUp::mainWindow()->isVisible());
    EXPECT_FALSE(StartUp::mainWindow()->findChild<QAction *>(QStringLiteral("mnuProtDocEmerg"))->isEnabled());
    const auto &parm = DicAmbiente::session().parm;
    EXPECT_EQ(parm.enteCodiceAsl, QStringLiteral("101"));
    EXPECT_EQ(parm.enteCodiceDip, QStringLiteral("PRO"));
    EXPECT_EQ(parm.enteIdServer, QStringLiteral("DEMO001"));

    // The ordinary end releases the local database.
    GECentr::closeProgram(0);
    EXPECT_EQ(run.exits, QList<int>{0});
    EXPECT_FALSE(C_GestDB::localDatabase().valid());
}

NIMBO_INSTANTIATE_ENGINES(StartUpDemo);

TEST(StartUpSequence, LogOffAndEmergencySkipTheStartLineAndTheParameters)
{
    nimbo::test::TestDb db(Dialect::Engine::SQLite, nimbo::test::Seed::Demo);
    ASSERT_TRUE(db.ok());
    Sequence run(db.folder());
    run.emergency = true;
    run.writeIni(demoIni(db) << QStringLiteral("SET LOG=off") << QStringLiteral("SET SYSMDA=system.mdw"));
    ASSERT_EQ(run.start(), StartUp::kRunning);
    EXPECT_FALSE(run.log().contains(QStringLiteral("Partenza applicativo")));
    EXPECT_FALSE(run.log().contains(QStringLiteral("Archivio di Sistema")));
    EXPECT_TRUE(DicAmbiente::session().parm.enteCodiceAsl.isEmpty());
    EXPECT_TRUE(StartUp::mainWindow()->findChild<QAction *>(QStringLiteral("mnuProtDocEmerg"))->isEnabled());
}

TEST(StartUpSequence, UnopenableLocalDatabaseIsRecordedAndForcesTheShutdown)
{
    QTemporaryDir dir;
    Sequence run(dir.path());
    run.writeIni({QStringLiteral("SET PATHDB=") + dir.path() + QStringLiteral("/nowhere/"),
                  QStringLiteral("SET TABLOCAL=locale.sqlite")});
    EXPECT_EQ(run.start(), 1);
    EXPECT_EQ(run.exits, QList<int>{1});
    EXPECT_TRUE(run.logins.isEmpty());
    EXPECT_TRUE(readAll(DicAmbiente::session().cfg.applTemp + QStringLiteral("errore.dat")).contains(QStringLiteral(".MAIN.")));
    ASSERT_EQ(run.boxes.shown.size(), 2);
    EXPECT_EQ(run.boxes.shown[0].title, QStringLiteral("Errore di Programma"));
    EXPECT_EQ(run.boxes.shown[1].title, QStringLiteral("Messaggio di Errore"));
    EXPECT_TRUE(run.log().contains(QStringLiteral("Stato di Chiusura")));
}
