#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "session/DicAmbiente.h"

using namespace DicAmbiente;

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        resetSession();
    }
    void TearDown() override { resetSession(); }

    Config read(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("Nimbo.ini"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        Config cfg;
        EXPECT_TRUE(readConfig(path, cfg, dir.path()));
        return cfg;
    }

    QTemporaryDir dir;
};

TEST_F(ConfigTest, LeadInKeyCutAndPrefixedPaths)
{
    Config cfg = read("SET PATHDB=C:\\DB\\\r\nSET TABLOCAL=LOCALE.MDB\r\n");
    EXPECT_EQ(cfg.tabLocal, QStringLiteral("C:/DB/LOCALE.MDB"));
    EXPECT_EQ(declaredDatabase(cfg, QStringLiteral("TABLOCAL")), QStringLiteral("C:/DB/LOCALE.MDB"));

    // Without the four-character lead-in the keys lose their first letters.
    cfg = read("PATHDB=C:\\DB\\\nTABLOCAL=LOCALE.MDB\n");
    EXPECT_TRUE(cfg.pathDb.isEmpty());
    EXPECT_TRUE(cfg.tabLocal.isEmpty());
    EXPECT_TRUE(cfg.databases.isEmpty());

    // Keys are compared in upper case but not trimmed.
    cfg = read("set olegp=Nimbo.Protocollo\nSET OLEIMG =Nimbo.Immagini\n");
    EXPECT_EQ(cfg.oleGp, QStringLiteral("Nimbo.Protocollo"));
    EXPECT_TRUE(cfg.oleImg.isEmpty());

    // TABLOCAL read before PATHDB gets the empty prefix it had then.
    cfg = read("SET TABLOCAL=locale.db\nSET PATHDB=/srv/db/\nSET PROTOCOLLO=centrale.db\n");
    EXPECT_EQ(cfg.tabLocal, QStringLiteral("locale.db"));
    EXPECT_EQ(cfg.protocollo, QStringLiteral("/srv/db/centrale.db"));
    ASSERT_EQ(cfg.databases.size(), 2);
    EXPECT_EQ(cfg.databases[0].name, QStringLiteral("TABLOCAL"));
    EXPECT_EQ(cfg.databases[1].name, QStringLiteral("PROTOCOLLO"));
}

TEST_F(ConfigTest, ValueRulesPerKey)
{
    const Config cfg = read("' a comment line=ignored\n"
                            "\n"
                            "   \n"
                            "SET PORTA-COM=  COM1  \n"
                            "SET UTENTE= POSTO 3 \n"
                            "SET SERVERIMG=srv01\n"
                            "SET STAMPANTE-ETICHETTE=dymo\n"
                            "SET AUSL=ASL = Nord\n"
                            "SET UNKNOWN=whatever\n"
                            "SET SERVERDB= host=127.0.0.1 dbname=nimbo \n"
                            "SET KEYFILE=chiavi\\nimbo.key\n");
    EXPECT_EQ(cfg.portaCom, QStringLiteral("COM1"));
    EXPECT_EQ(cfg.utente, QStringLiteral(" POSTO 3 "));
    EXPECT_EQ(cfg.serverImg, QStringLiteral("SRV01"));
    EXPECT_EQ(cfg.stampanteEtichette, QStringLiteral("DYMO"));
    EXPECT_EQ(cfg.ausl, QStringLiteral("ASL = Nord")); // only the first "=" splits
    EXPECT_EQ(cfg.serverDb, QStringLiteral("host=127.0.0.1 dbname=nimbo"));
    EXPECT_EQ(cfg.keyFile, dir.path() + QStringLiteral("/chiavi/nimbo.key"));
    EXPECT_EQ(cfg.aooStorico, QStringLiteral("001"));

    // Accented names survive both a UTF-8 and an ANSI file.
    EXPECT_EQ(read("SET AUSL=Unit\xc3\xa0 Sanitaria\n").ausl, QStringLiteral("Unità Sanitaria"));
    EXPECT_EQ(read("SET AUSL=Unit\xe0 Sanitaria\n").ausl, QStringLiteral("Unità Sanitaria"));
}

TEST_F(ConfigTest, FlagsAndDefaults)
{
    Config cfg = read("SET LOG=off\nSET APPLTRACE=On\n");
    EXPECT_FALSE(cfg.log);
    EXPECT_TRUE(cfg.applTrace);
    EXPECT_EQ(cfg.applTemp, dir.path() + QStringLiteral("/temp/"));
    EXPECT_FALSE(cfg.utente.isEmpty()); // the computer name

    cfg = read("SET LOG=SI\nSET AOOSTORICO=\n");
    EXPECT_FALSE(cfg.log);
    EXPECT_EQ(cfg.aooStorico, QStringLiteral("001"));

    cfg = read("SET AOOSTORICO=002\nSET APPLTEMP=\\lavoro\\\n");
    EXPECT_TRUE(cfg.log);
    EXPECT_FALSE(cfg.applTrace);
    EXPECT_EQ(cfg.aooStorico, QStringLiteral("002"));
    EXPECT_EQ(cfg.applTemp, dir.path() + QStringLiteral("/lavoro/"));

    // A work folder written without separators still ends inside the program folder.
    cfg = read("SET APPLTEMP=lavoro\n");
    EXPECT_EQ(cfg.applTemp, dir.path() + QStringLiteral("/lavoro/"));
}

TEST_F(ConfigTest, ShortIntegersRepeatsAndMalformedLines)
{
    Config cfg = read("SET SCADENZA-PASSWORD=abc\n"
                      "SET COMPRESSO=40000\n"
                      "SET SHOW_SETUP_BEFORE_SCAN=-1\n"
                      "a line without the sign\n"
                      "X=1\n"
                      "SET OLEGP=first\n"
                      "SET OLEGP=second\n");
    EXPECT_EQ(cfg.scadenzaPassword, 60);
    EXPECT_EQ(cfg.compresso, 0);
    EXPECT_EQ(cfg.showSetupBeforeScan, -1);
    EXPECT_EQ(cfg.oleGp, QStringLiteral("second"));

    // A bad value after a good one keeps the good one.
    cfg = read("SET SCADENZA-PASSWORD=30\nSET SCADENZA-PASSWORD=32768\nSET SCADENZA-PASSWORD=x\n");
    EXPECT_EQ(cfg.scadenzaPassword, 30);

    // Every occurrence declares a row; the newest is the one in force.
    cfg = read("SET PATHDB=/a/\nSET PROTOCOLLO=one.db\nSET PROTOCOLLO=two.db\n");
    ASSERT_EQ(cfg.databases.size(), 2);
    EXPECT_EQ(cfg.protocollo, QStringLiteral("/a/two.db"));
    EXPECT_EQ(declaredDatabase(cfg, QStringLiteral("PROTOCOLLO")), cfg.protocollo);
    EXPECT_TRUE(declaredDatabase(cfg, QStringLiteral("TABLOCAL")).isEmpty());

    // The table holds nine rows; later values still replace the newest row.
    QByteArray many;
    for (int i = 0; i < 12; ++i)
        many += "SET PROTOCOLLO=p" + QByteArray::number(i) + ".db\n";
    cfg = read(many);
    EXPECT_EQ(cfg.databases.size(), kMaxDbDeclarations);
    EXPECT_EQ(declaredDatabase(cfg, QStringLiteral("PROTOCOLLO")), QStringLiteral("p11.db"));
}

TEST_F(ConfigTest, MissingFileLeavesConfigAlone)
{
    Config cfg;
    cfg.oleGp = QStringLiteral("kept");
    EXPECT_FALSE(readConfig(dir.filePath(QStringLiteral("none.ini")), cfg, dir.path()));
    EXPECT_EQ(cfg.oleGp, QStringLiteral("kept"));
}

TEST_F(ConfigTest, ProgramLocation)
{
    qunsetenv("NIMBO_HOME");
    locateProgram(QStringLiteral("/opt/nimbo/bin/Nimbo"));
    EXPECT_EQ(session().programFolder, QStringLiteral("/opt/nimbo/bin"));
    EXPECT_EQ(session().programName, QStringLiteral("Nimbo"));
    EXPECT_EQ(configPath(), QStringLiteral("/opt/nimbo/bin/Nimbo.ini"));

    qputenv("NIMBO_HOME", (dir.path() + QStringLiteral("/")).toUtf8());
    locateProgram(QStringLiteral("/opt/nimbo/bin/Nimbo"));
    qunsetenv("NIMBO_HOME");
    EXPECT_EQ(session().programFolder, dir.path());
    EXPECT_EQ(configPath(), dir.path() + QStringLiteral("/Nimbo.ini"));
}

TEST_F(ConfigTest, FoldersAndTheirFiles)
{
    const QString root = dir.path();
    ASSERT_TRUE(ensureFolders(root));
    for (const char *sub : {"tempOle", "temp", "documenti", "documenti/appoimg", "documenti/Appoggio",
                            "documenti/transitoIMG", "StoricoEMail", "New"})
        EXPECT_TRUE(QFileInfo(root + QLatin1Char('/') + QLatin1String(sub)).isDir()) << sub;
    for (const char *file : {"StoricoEMail/StoricoEMail.txt", "New/Scarico.txt", "Scarico.txt"})
        EXPECT_TRUE(QFileInfo::exists(root + QLatin1Char('/') + QLatin1String(file))) << file;

    // Existing folders are left as they are: no sub-folders, no files added.
    QTemporaryDir other;
    QDir(other.path()).mkdir(QStringLiteral("documenti"));
    QDir(other.path()).mkdir(QStringLiteral("New"));
    ASSERT_TRUE(ensureFolders(other.path()));
    EXPECT_FALSE(QFileInfo::exists(other.path() + QStringLiteral("/documenti/appoimg")));
    EXPECT_FALSE(QFileInfo::exists(other.path() + QStringLiteral("/Scarico.txt")));
    EXPECT_TRUE(QFileInfo::exists(other.path() + QStringLiteral("/StoricoEMail/StoricoEMail.txt")));

    // A program folder that cannot hold folders is reported.
    EXPECT_FALSE(ensureFolders(root + QStringLiteral("/Scarico.txt")));
}

} // namespace
