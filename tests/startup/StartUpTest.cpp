#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QMainWindow>
#include <QSqlError>
#include <QSqlQuery>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "data/C_GestDB.h"
#include "data/Cipher.h"
#include "platform/FileSystem.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/FrmStart.h"
#include "startup/StartUp.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

using DicAmbiente::session;

namespace {

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A demo database in the program folder; the start-up runs there with a
// scripted login, a main window that carries the emergency menu item, and
// the process exit recorded instead.
class StartUpTest : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        nimbo::registerServers();
        session().cfg.oleGenerica = nimbo::kGenericProgId;
        qputenv("NIMBO_HOME", db().folder().toUtf8());
        GECentr::setExitHook([this](int code) { exits << code; });
        StartUp::setLogin([this](const QStringList &commandLine) {
            logins << commandLine.join(QLatin1Char('|'));
            session().structureCode = QStringLiteral("001");
            session().emergency = emergency;
            return true;
        });
        StartUp::setMainWindowFactory([] {
            auto *w = new QMainWindow;
            (new QAction(w))->setObjectName(QStringLiteral("mnuProtDocEmerg"));
            return w;
        });
    }
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        StartUp::setLogin({});
        StartUp::setMainWindowFactory({});
        GECentr::setExitHook({});
        qunsetenv("NIMBO_HOME");
        EngineTest::TearDown();
    }
    int start(const QStringList &ini)
    {
        QFile f(DicAmbiente::configPath(db().folder(), QStringLiteral("test_startup")));
        if (!ini.isEmpty() && f.open(QIODevice::WriteOnly))
            f.write(ini.join(QLatin1Char('\n')).toUtf8());
        f.close();
        return StartUp::start({QStringLiteral("test_startup"), QStringLiteral("DEMO9"), QStringLiteral("x")});
    }
    // The demo workstation's configuration on the test's databases.
    QStringList workstationIni()
    {
        QStringList ini{QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/db/"),
                        QStringLiteral("SET PROTOCOLLO=central.sqlite"), QStringLiteral("SET TABLOCAL=locale.sqlite"),
                        QStringLiteral("SET OLEGENERICA=") + nimbo::kGenericProgId};
        if (GetParam() == Dialect::Engine::PostgreSQL)
            ini << QStringLiteral("SET SERVERDB=") + db().centralTarget().location;
        return ini;
    }
    void exec(const QString &sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }

    nimbo::test::ScriptedDialogs boxes;
    QList<int> exits;
    QStringList logins;
    bool emergency = false;
};

} // namespace

TEST_P(StartUpTest, NoConfigurationOrNoLocalDatabaseEndsTheStart)
{
    EXPECT_EQ(start({}), StartUp::kExitNoConfig);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("File di inizializzazione errato o mancante")});
    EXPECT_TRUE(QFile::exists(db().folder() + QStringLiteral("/documenti/transitoIMG"))); // background came first

    boxes.clear();
    EXPECT_EQ(start({QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/nowhere/"),
                     QStringLiteral("SET TABLOCAL=locale.sqlite")}),
              1);
    EXPECT_EQ(exits, QList<int>{1});
    EXPECT_TRUE(readAll(session().cfg.applTemp + QStringLiteral("errore.dat")).contains(QStringLiteral(".MAIN.")));
    EXPECT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown.value(0).title, QStringLiteral("Errore di Programma"));
    EXPECT_TRUE(readAll(DicAmbiente::logFilePath()).contains(QStringLiteral("Stato di Chiusura")));
}

TEST_P(StartUpTest, StartsLogsInReadsTheParametersAndReleasesTheLocalDatabase)
{
    QStringList ini{QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/db/"),
                    QStringLiteral("SET PROTOCOLLO=central.sqlite"), QStringLiteral("SET TABLOCAL=locale.sqlite"),
                    QStringLiteral("SET OLEGENERICA=") + nimbo::kGenericProgId};
    if (GetParam() == Dialect::Engine::PostgreSQL)
        ini << QStringLiteral("SET SERVERDB=") + db().centralTarget().location;
    ASSERT_EQ(start(ini), StartUp::kRunning) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(logins, QStringList{QStringLiteral("DEMO9|x")});
    const QString log = readAll(DicAmbiente::logFilePath());
    EXPECT_TRUE(DicAmbiente::logFilePath().endsWith(QDate::currentDate().toString("'/temp/Logtest_startup.D'dd")));
    EXPECT_TRUE(log.contains(QStringLiteral("  Partenza applicativo>>")));
    EXPECT_TRUE(log.contains(QStringLiteral("Archivio di Sistema non trovato:")));
    EXPECT_TRUE(StartUp::mainWindow()->isVisible());
    EXPECT_FALSE(StartUp::mainWindow()->findChild<QAction *>()->isEnabled());
    EXPECT_EQ(session().parm.enteCodiceAsl + session().parm.enteCodiceDip, QStringLiteral("101PRO"));
    EXPECT_TRUE(C_GestDB::localDatabase().valid());
    GECentr::closeProgram(0);
    EXPECT_EQ(exits, QList<int>{0});
    EXPECT_FALSE(C_GestDB::localDatabase().valid());

    // LOG off: no start line; emergency: no parameters, the menu is the main window's.
    emergency = true;
    QFile::remove(DicAmbiente::logFilePath());
    ASSERT_EQ(start(ini << QStringLiteral("SET LOG=off") << QStringLiteral("SET SYSMDA=system.mdw")), StartUp::kRunning);
    EXPECT_FALSE(readAll(DicAmbiente::logFilePath()).contains(QStringLiteral("Partenza applicativo")));
    EXPECT_TRUE(session().parm.enteCodiceAsl.isEmpty());
    EXPECT_TRUE(StartUp::mainWindow()->findChild<QAction *>()->isEnabled());
}

TEST_P(StartUpTest, FailedReadOfTheParametersIsShownAtStartUp)
{
    QStringList ini{QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/db/"),
                    QStringLiteral("SET PROTOCOLLO=central.sqlite"), QStringLiteral("SET TABLOCAL=locale.sqlite"),
                    QStringLiteral("SET OLEGENERICA=") + nimbo::kGenericProgId};
    if (GetParam() == Dialect::Engine::PostgreSQL)
        ini << QStringLiteral("SET SERVERDB=") + db().centralTarget().location;
    exec(QStringLiteral("ALTER TABLE Tab_Parm_Gen RENAME TO Tab_Parm_Gen_Altrove"));
    ASSERT_EQ(start(ini), StartUp::kRunning);
    // The start goes on with empty parameters, but the operator is told.
    EXPECT_TRUE(session().parm.enteCodiceAsl.isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Server NimboServer.Generica, Errore :2")});
    EXPECT_EQ(boxes.shown.value(0).title, QStringLiteral("Messaggio di Errore"));
    EXPECT_TRUE(readAll(DicAmbiente::workFolder() + QStringLiteral("messaggi.dat"))
                    .contains(QStringLiteral("Server NimboServer.Generica, Errore :2")));
}

TEST_P(StartUpTest, ARegisterFileOnANetworkShareIsFlaggedAtStart)
{
    // Telling the file systems apart, on the real machine: a temporary
    // folder is local, the known network kinds are named.
    EXPECT_EQ(nimbo::fs::networkFileSystem(db().folder()), QString());
    EXPECT_EQ(nimbo::fs::networkFileSystem(db().folder() + QStringLiteral("/not/yet/there.db")), QString());
    EXPECT_EQ(nimbo::fs::networkKind(0x6969), QStringLiteral("nfs"));
    EXPECT_EQ(nimbo::fs::networkKind(0xFF534D42UL), QStringLiteral("cifs"));
    EXPECT_EQ(nimbo::fs::networkKind(0xEF53), QString()); // ext4

    // No share can be mounted here: the probe answers for the file system.
    QStringList probed;
    StartUp::setFileSystemProbe([&probed](const QString &path) {
        probed << path;
        return QStringLiteral("nfs");
    });
    const QStringList ini = workstationIni();
    ASSERT_EQ(start(ini), StartUp::kRunning);
    StartUp::setFileSystemProbe({});
    if (GetParam() == Dialect::Engine::PostgreSQL) {
        // A register on a database server has no file to worry about.
        EXPECT_TRUE(probed.isEmpty());
        EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join('|').toStdString();
        return;
    }
    ASSERT_EQ(probed, QStringList{db().folder() + QStringLiteral("/db/central.sqlite")});
    ASSERT_EQ(boxes.shown.size(), 1);
    const QString text = boxes.texts().value(0);
    EXPECT_TRUE(text.contains(QStringLiteral("si trova su una cartella di rete (nfs)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SERVERDB"))) << text.toStdString();
    EXPECT_TRUE(readAll(DicAmbiente::logFilePath()).contains(QStringLiteral("cartella di rete (nfs)")));
    // The operator is warned, not stopped: the program is up.
    EXPECT_TRUE(StartUp::mainWindow()->isVisible());
}

// The mode of a file or folder, 0 when it is missing.
int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : 0;
}

TEST_P(StartUpTest, FilesOfTheProgramAreTheOwnersAndWiderOnesAreFlaggedAtStart)
{
    // A system whose default mask lets everybody read what is made.
    const mode_t mask = ::umask(022);
    const QStringList ini = workstationIni();
    ASSERT_EQ(start(ini), StartUp::kRunning);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join('|').toStdString();
    const QString root = db().folder() + QLatin1Char('/');
    for (const char *folder : {"tempOle", "temp", "documenti", "documenti/appoimg", "documenti/Appoggio",
                               "documenti/transitoIMG", "StoricoEMail", "New"})
        EXPECT_EQ(modeOf(root + QLatin1String(folder)), 0700) << folder;
    QStringList files{DicAmbiente::logFilePath(), root + QStringLiteral("StoricoEMail/StoricoEMail.txt"),
                      session().cfg.tabLocal};
    // The register and what SQLite writes beside it.
    if (GetParam() == Dialect::Engine::SQLite) {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Enti SET Ente_Denominazione = Ente_Denominazione")));
        files << db().centralTarget().location << db().centralTarget().location + QStringLiteral("-wal")
              << db().centralTarget().location + QStringLiteral("-shm");
    }
    for (const QString &f : files)
        EXPECT_EQ(modeOf(f), 0600) << f.toStdString();

    // Folders and files made wider by hand are named at the next start, in
    // the log and to the operator, who may go on.
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();
    ASSERT_EQ(::chmod(QFile::encodeName(session().cfg.tabLocal).constData(), 0644), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root + QStringLiteral("documenti")).constData(), 0755), 0);
    const QString local = session().cfg.tabLocal;
    ASSERT_EQ(start(ini), StartUp::kRunning);
    ::umask(mask);
    ASSERT_EQ(boxes.shown.size(), 1);
    const QString text = boxes.texts().value(0);
    EXPECT_EQ(boxes.shown.value(0).icon, nimbo::Icon::Warning);
    EXPECT_TRUE(text.contains(local + QStringLiteral(" (0644)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(root + QStringLiteral("documenti (0755)"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("tempOle"))) << text.toStdString();
    const QString log = readAll(DicAmbiente::logFilePath());
    EXPECT_TRUE(log.contains(QStringLiteral("Accessibile ad altri utenti: ") + local + QStringLiteral(" (0644)")))
        << log.toStdString();
    EXPECT_TRUE(StartUp::mainWindow()->isVisible());
}

TEST_P(StartUpTest, ParametersFlagNullsAndEncipheredPassword)
{
    const QString key = db().folder() + QStringLiteral("/nimbo.key");
    ASSERT_TRUE(Cipher::createKey(key));
    session().cfg.keyFile = key;
    exec(QStringLiteral("INSERT INTO Tab_Parm_Gen (Ente_Cod_Struttura, Ente_codice_ASL, ente_tipo_utente, "
                        "Ente_Tipo_Registro, Ente_PWDFTP) VALUES ('A''1', 'AS8', 9, 3, '%1'), ('B', NULL, 5, NULL, "
                        "'guasto'), ('C', NULL, NULL, NULL, NULL)")
             .arg(Cipher::encipher(QStringLiteral("segreta"), key).text));
    const auto read = [](const char *code) {
        StartUp::loadParameters(QString::fromUtf8(code));
        const auto &p = session().parm;
        return QStringList{p.enteCodiceAsl, QString::number(p.enteTipoUtente), QString::number(p.enteTipoRegistro),
                           p.enteCodiceDip, p.entePwdFtp}.join(QLatin1Char('|'));
    };
    EXPECT_EQ(read("A'1"), QStringLiteral("AS8|1|3||segreta"));
    EXPECT_EQ(read("B"), QStringLiteral("|0|0||")); // a password that does not decipher stays empty
    // Nothing of an earlier row is left over.
    EXPECT_EQ(read("001") + read("C") + read("NONE"), QStringLiteral("101|0|0|PRO||0|0|||0|0||"));
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(StartUpTest, CountersWindowChecksItsParametersAndListsNewestYearFirst)
{
    exec(QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, Tab_ProtocolloEntrata, "
                        "tab_protocolloUscita) VALUES ('T01', 2023, 41, 7), ('T01', 2024, 12, 3), ('T02', 2024, 99, 9), "
                        "('T01', 2025, 4, 30), ('T01', 2026, NULL, 6)"));
    exec(QStringLiteral("INSERT INTO TAB_STARTDIPARTIMENTI (Tab_CodiceEnte, Tab_CodDipartimento, Tab_AnnoProtocollo, "
                        "Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES ('T01', 'PRO', 2024, 5, 2), "
                        "('T01', 'AMM', 2024, 8, 8)"));
    const auto shown = [](const char *entity, const char *department, const char *table) {
        FrmStart w;
        w.setEntityCode(QString::fromUtf8(entity));
        w.setDepartmentCode(QString::fromUtf8(department));
        w.setTableName(QString::fromUtf8(table));
        w.show();
        QCoreApplication::processEvents();
        QStringList cells{w.isVisible() ? w.list()->headerItem()->text(1) : QStringLiteral("closed")};
        for (int r = 0; r < w.list()->topLevelItemCount(); ++r)
            for (int c = 0; c < w.list()->columnCount(); ++c)
                cells << w.list()->topLevelItem(r)->text(c);
        return cells.join(QLatin1Char(' '));
    };
    for (const auto &bad : {shown("", "", "TAB_STARTPROTOCOLLO"), shown("T01", "", " "),
                            shown("T01", "", "TAB_STARTDIPARTIMENTI"), shown("T01", "PRO", "TAB_ALTRO")})
        EXPECT_EQ(bad, QStringLiteral("closed"));
    EXPECT_EQ(boxes.texts(), QStringList(4, QStringLiteral("ATTENZIONE ! Errore nei parametri passati al form FRMSTART")));
    // One sequence serves both directions: the last number is the greater counter.
    EXPECT_EQ(shown("T01", "", "TAB_STARTPROTOCOLLO"),
              QStringLiteral("Ultimo Protocollo Assegnato 2026 6 2025 30 2024 12 2023 41"));
    EXPECT_EQ(shown("T01", "PRO", "TAB_STARTDIPARTIMENTI"), QStringLiteral("Ultimo Prot. Entrata 2024 5 2"));
    EXPECT_EQ(boxes.shown.size(), 4);
}

NIMBO_INSTANTIATE_ENGINES(StartUpTest);
