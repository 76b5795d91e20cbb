// The workstation's image store on both engines: every combination of
// SERVERIMG and COMPRESSO gives back the bytes stored, each row is read by
// its own flag, the workstation's copy is read before the server's, an
// attachment goes and comes back whole, and names from the register are
// made safe before they touch the disk.

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "data/C_GestDB.h"
#include "documents/Background.h"
#include "documents/ImageStore.h"
#include "platform/Busy.h"
#include "servers/ImageRequests.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ImageFixture.h"

namespace {

using namespace nimbo;
using documents::Protocol;
using test::noise;

class ImageStoreTest : public test::ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerServers();
        auto &s = DicAmbiente::session();
        s.cfg.oleImg = kImageProgId;
        s.op.code = QStringLiteral("OP01");
        s.op.ente = kEnte;
        ASSERT_TRUE(C_GestDB::openLocalDatabase().ok);
        for (const char *dir : {"E", "U"}) {
            const QString direction = QString::fromLatin1(dir);
            protocol[dir[0] == 'U'] = {kEnte, direction, registerProtocol(direction, QStringLiteral("Lettera"))};
        }
    }
    void TearDown() override
    {
        C_GestDB::closeLocalDatabase();
        EngineTest::TearDown();
    }
    int count(QSqlDatabase database, const QString &table)
    {
        QSqlQuery q(database);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && q.next());
        return q.value(0).toInt();
    }

    Protocol protocol[2];
};

TEST_P(ImageStoreTest, RoundTripOnEveryPathAndFlag)
{
    auto &cfg = DicAmbiente::session().cfg;
    int seed = 10;
    for (const char *where : {"SERVER", "LOCALE"}) {
        for (int zipped : {1, 0}) {
            SCOPED_TRACE(std::string(where) + " COMPRESSO=" + std::to_string(zipped));
            cfg.serverImg = QString::fromLatin1(where);
            cfg.compresso = qint16(zipped);
            const Protocol &p = protocol[zipped];
            const QByteArray tiff = noise(200000 + seed, quint32(seed));
            ++seed;
            QVector<int> steps;
            const documents::Outcome stored =
                documents::storeImage(p, tiff, [&](int done, int) { steps.append(done); });
            ASSERT_TRUE(stored.ok) << stored.text.toStdString();
            EXPECT_FALSE(steps.isEmpty());
            // Read back under the other setting: the row's own flag decides.
            cfg.compresso = qint16(1 - zipped);
            QByteArray back;
            const documents::Outcome read = documents::readImage(p, &back);
            ASSERT_TRUE(read.ok) << read.text.toStdString();
            EXPECT_TRUE(back == tiff);
        }
        // Storing again replaces: one row per protocol.
        ASSERT_TRUE(documents::storeImage(protocol[0], QByteArray("II*\0nuova", 9)).ok);
    }
    EXPECT_EQ(count(db().central(), QStringLiteral("Tab_immagini")), 2);
    EXPECT_EQ(count(db().local(), QStringLiteral("Tab_immagini")), 2);
    QSqlQuery q(db().local());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tipo_protocollo, Prot_EU, Migrato_su_Server, Compresso FROM "
                                      "Tab_immagini ORDER BY Prot_EU")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(), QStringLiteral("EEN"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(3).toString(), QStringLiteral("DU1"));

    // The workstation's copy is the one shown, and its read is logged.
    QByteArray back;
    ASSERT_TRUE(documents::readImage(protocol[0], &back).ok);
    EXPECT_EQ(back, QByteArray("II*\0nuova", 9));
    QSqlQuery log(db().central());
    ASSERT_TRUE(log.exec(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")) && log.next());
    EXPECT_EQ(log.value(0).toInt(), 5);

    // An empty scan is never stored.
    const documents::Outcome empty = documents::storeImage(protocol[0], {});
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.text, QStringLiteral("il file contenente l'immagine è vuoto"));
}

TEST_P(ImageStoreTest, AFailedStoreSaysSoAndKeepsTheOldImage)
{
    auto &s = DicAmbiente::session();
    s.cfg.serverImg = QStringLiteral("SERVER");
    const QByteArray old = noise(5000, 5);
    ASSERT_TRUE(documents::storeImage(protocol[1], old).ok);
    // An operator the server does not know is refused: nothing changes.
    s.op.code = QStringLiteral("NESSUNO");
    const documents::Outcome refused = documents::storeImage(protocol[1], noise(6000, 6));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.text.startsWith(QStringLiteral("Si è verificato l'errore "))) << refused.text.toStdString();
    s.op.code = QStringLiteral("OP01");
    QByteArray back;
    ASSERT_TRUE(documents::readImage(protocol[1], &back).ok);
    EXPECT_TRUE(back == old);
}

TEST_P(ImageStoreTest, NoServerIsAClearFailureAndNothingIsShown)
{
    auto &cfg = DicAmbiente::session().cfg;
    cfg.serverImg = QStringLiteral("SERVER");
    cfg.oleImg = QStringLiteral("Nessuno.Server");
    const documents::Outcome stored = documents::storeImage(protocol[0], QByteArray("II*\0x", 5));
    EXPECT_FALSE(stored.ok);
    EXPECT_EQ(stored.text, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"));
    QByteArray back;
    const documents::Outcome read = documents::readImage(protocol[0], &back);
    EXPECT_EQ(read.code, QStringLiteral("001"));
    EXPECT_EQ(read.text, QStringLiteral("Errore In Creazione OLEIMG e/o linea non disponibile!"));
    EXPECT_TRUE(back.isEmpty());
}

TEST_P(ImageStoreTest, AttachmentGoesAndComesBackWhole)
{
    QTemporaryDir dir;
    // Big enough to take several read pieces.
    const QByteArray content = noise(9 * 1024 * 1024 + 17, 77);
    const QString path = dir.filePath(QStringLiteral("relazione finale.pdf"));
    ASSERT_TRUE(test::writeFile(path, content));
    for (int zipped : {1, 0}) {
        DicAmbiente::session().cfg.compresso = qint16(zipped);
        qlonglong id = 0;
        int last = -1, total = 0;
        const documents::Outcome stored = documents::storeAttachment(
            QStringLiteral("ASL1"), protocol[0].number, path, QStringLiteral("Relazione"), &id,
            [&](int done, int all) { last = done; total = all; });
        ASSERT_TRUE(stored.ok) << stored.text.toStdString();
        EXPECT_EQ(last, total);
        QByteArray back;
        ASSERT_TRUE(documents::readAttachment(QStringLiteral("ASL1"), id, &back, QStringLiteral(" - Preview Allegati")).ok);
        EXPECT_TRUE(back == content);
        ASSERT_TRUE(documents::deleteAttachment(QStringLiteral("ASL1"), id).ok);
        EXPECT_FALSE(documents::deleteAttachment(QStringLiteral("ASL1"), id).ok);
    }
    const documents::Outcome missing = documents::storeAttachment(
        QStringLiteral("ASL1"), protocol[0].number, dir.filePath(QStringLiteral("nessuno.txt")), QStringLiteral("x"), nullptr);
    EXPECT_EQ(missing.text, QStringLiteral("il file inserito non esiste nella directory specificata"));
}

TEST_P(ImageStoreTest, AWorkerStoresAndReadsOnConnectionsOfItsOwn)
{
    auto &cfg = DicAmbiente::session().cfg;
    QStringList before = QSqlDatabase::connectionNames();
    before.sort();
    int told = 0, toldAside = 0;
    const int listener = busy::addListener([&] {
        ++told;
        toldAside += documents::onGuiThread() ? 0 : 1;
    });
    int n = 0;
    for (const char *where : {"LOCALE", "SERVER"}) {
        SCOPED_TRACE(where);
        cfg.serverImg = QString::fromLatin1(where);
        const Protocol p = protocol[n];
        const QByteArray tiff = noise(300000, quint32(40 + n++));
        QByteArray back;
        bool aside = false;
        documents::Outcome stored;
        const documents::Outcome read = documents::runInBackground(
            nullptr, QStringLiteral("Registrazione in corso"), QStringLiteral("prgProva"),
            [&](const documents::Progress &progress) {
                aside = !documents::onGuiThread();
                stored = documents::storeImage(p, tiff, progress);
                return stored.ok ? documents::readImage(p, &back, progress) : stored;
            });
        EXPECT_TRUE(aside);
        ASSERT_TRUE(stored.ok) << stored.text.toStdString();
        ASSERT_TRUE(read.ok) << read.text.toStdString();
        EXPECT_TRUE(back == tiff);
    }
    busy::removeListener(listener);
    // The busy state is the window's: set around the work, never by the worker.
    EXPECT_GT(told, 0);
    EXPECT_EQ(toldAside, 0);
    EXPECT_EQ(busy::depth(), 0);
    // The worker's connections went with it.
    QStringList after = QSqlDatabase::connectionNames();
    after.sort();
    EXPECT_EQ(after, before);
    EXPECT_EQ(count(db().local(), QStringLiteral("Tab_immagini")), 1);
    EXPECT_EQ(count(db().central(), QStringLiteral("Tab_immagini")), 1);
}

TEST_P(ImageStoreTest, EncipheredRowsAreRefusedNotShownAsGarbage)
{
    auto &cfg = DicAmbiente::session().cfg;
    for (const char *where : {"LOCALE", "SERVER"}) {
        SCOPED_TRACE(where);
        cfg.serverImg = QString::fromLatin1(where);
        ASSERT_TRUE(documents::storeImage(protocol[0], noise(4000, 9)).ok);
        QSqlQuery q(QString::fromLatin1(where) == QLatin1String("SERVER") ? db().central() : db().local());
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_immagini SET Criptato = '1'")));
        QByteArray back;
        const documents::Outcome read = documents::readImage(protocol[0], &back);
        EXPECT_FALSE(read.ok);
        EXPECT_TRUE(read.enciphered);
        EXPECT_EQ(read.text, documents::kEncipheredText);
        EXPECT_TRUE(back.isEmpty());
        ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_immagini")));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nota.txt"));
    ASSERT_TRUE(test::writeFile(path, "testo"));
    qlonglong id = 0;
    ASSERT_TRUE(documents::storeAttachment(kEnte, protocol[0].number, path, QStringLiteral("Nota"), &id).ok);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_allegati SET Criptato = '1'")));
    QByteArray back;
    const documents::Outcome read = documents::readAttachment(kEnte, id, &back, QStringLiteral(" - Preview Allegati"));
    EXPECT_TRUE(read.enciphered);
    EXPECT_EQ(read.text, documents::kEncipheredText);
    EXPECT_TRUE(back.isEmpty());
}

NIMBO_INSTANTIATE_ENGINES(ImageStoreTest);

TEST(SafeNames, HostileNamesStayInTheFolderAndNeverOverwrite)
{
    EXPECT_EQ(documents::safeFileName(QStringLiteral("../../x")), QStringLiteral("x"));
    EXPECT_EQ(documents::safeFileName(QStringLiteral("..\\..\\win.ini")), QStringLiteral("win.ini"));
    EXPECT_EQ(documents::safeFileName(QStringLiteral("riga\nnuova.txt")), QStringLiteral("riga_nuova.txt"));
    EXPECT_EQ(documents::safeFileName(QStringLiteral("..")), QStringLiteral("allegato"));
    EXPECT_EQ(documents::safeFileName(QStringLiteral("/")), QStringLiteral("allegato"));
    EXPECT_EQ(documents::safeFileName(QStringLiteral(".bashrc")), QStringLiteral("bashrc"));
    QTemporaryDir dir;
    const QString first = documents::freePath(dir.path(), QStringLiteral("a.tar.gz"));
    EXPECT_EQ(first, dir.filePath(QStringLiteral("a.tar.gz")));
    QFile(first).open(QIODevice::WriteOnly);
    const QString second = documents::freePath(dir.path(), QStringLiteral("a.tar.gz"));
    EXPECT_EQ(second, dir.filePath(QStringLiteral("a (2).tar.gz")));
}

} // namespace
