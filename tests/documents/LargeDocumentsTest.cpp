// Large documents through the windows on both engines, with the image server
// watched: a 50 MB attachment (incompressible, and one that zips well) is
// stored and read back byte for byte while the window's event loop keeps
// turning with its progress dialog up; a scan is stored and viewed the same
// way; a store that fails keeps the old image; an unreadable or enciphered
// row is refused with a message; and the work folder is clean once the
// windows are closed, whatever happened in them.

#include <QDeadlineTimer>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>

#include "DocumentsFixture.h"
#include "documents/Background.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "documents/ImageStore.h"
#include "servers/ImageServer.h"
#include "support/ImageFixture.h"

using namespace nimbo;
using test::readFile;
using test::writeFile;

namespace {

const QString kWatchedProgId = QStringLiteral("Prova.ImmaginiSorvegliate");

// What the watched server saw. The window's thread counts its timer ticks
// into `ticks`.
struct Watch {
    std::atomic<int> ticks{0};
    std::atomic<bool> hold{false};       // keep each call until the window's loop has turned
    std::atomic<bool> failStores{false}; // answer a store as a dropped line would
    std::atomic<int> onWindowThread{0};  // calls made on the window's own thread
    std::atomic<int> heldWhileTurning{0};
    void reset()
    {
        hold = false;
        failStores = false;
        onWindowThread = 0;
        heldWhileTurning = 0;
    }
};
Watch g_watch;

// The real image server behind a watch. A held call returns only once the
// window's event loop has turned a few times: if the window waited frozen
// for it, the loop would not turn and the call would never count as held
// (the deadline only keeps such a fault from hanging the test).
class WatchedImageServer : public AppServer {
public:
    QVariantList Elabora(short operation, QVariantList &params) override
    {
        if (documents::onGuiThread()) {
            ++g_watch.onWindowThread;
        } else if (g_watch.hold) {
            const int from = g_watch.ticks;
            const QDeadlineTimer guard(60000);
            while (g_watch.ticks < from + 3 && !guard.hasExpired())
                QThread::msleep(2);
            if (g_watch.ticks >= from + 3)
                ++g_watch.heldWhileTurning;
        }
        if (g_watch.failStores && operation == kOpRegistraAllegato && params.value(0).toString() == QLatin1String("A"))
            return {QStringLiteral("2"), QStringLiteral("Linea caduta durante la registrazione")};
        return real_.Elabora(operation, params);
    }

private:
    ImageServer real_;
};

// 50 MB of register lines: zips to a small fraction.
QByteArray compressible(qsizetype size)
{
    QByteArray b;
    b.reserve(size + 64);
    for (int line = 1; b.size() < size; ++line)
        b += "Riga " + QByteArray::number(line) + " del registro di protocollo, ufficio UPR\n";
    b.truncate(size);
    return b;
}

class LargeDocuments : public test::DocumentsTest {
protected:
    void SetUp() override
    {
        DocumentsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        g_watch.reset();
        ServerRegistry::add(kWatchedProgId, [] { return std::make_unique<WatchedImageServer>(); });
    }
    void TearDown() override
    {
        ticker.stop();
        ServerRegistry::remove(kWatchedProgId);
        DocumentsTest::TearDown();
    }
    // DEMO9 at work with the watched image server; the window's loop ticks
    // while `ticker` runs, noting whether the named progress dialog is up.
    MDIMenu *startWatched(const QStringList &extra)
    {
        MDIMenu *main = start(QStringLiteral("DEMO9"), extra);
        if (!main)
            return nullptr;
        DicAmbiente::session().cfg.oleImg = kWatchedProgId;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, main, [this, main] {
            ++g_watch.ticks;
            if (auto *d = main->findChild<QProgressDialog *>(progressName); d && d->isVisible())
                progressSeen = true;
        });
        return main;
    }
    // Runs a user's action with the calls held until the loop turns.
    void whileWatched(const char *dialog, const std::function<void()> &action)
    {
        progressName = QString::fromLatin1(dialog);
        progressSeen = false;
        g_watch.onWindowThread = 0;
        g_watch.heldWhileTurning = 0;
        g_watch.hold = true;
        ticker.start();
        action();
        ticker.stop();
        g_watch.hold = false;
    }
    // The one server call of the last action ran on a worker, held until
    // the window's loop had turned, with the progress dialog up.
    void expectAside()
    {
        EXPECT_EQ(g_watch.onWindowThread, 0);
        EXPECT_EQ(g_watch.heldWhileTurning, 1);
        EXPECT_TRUE(progressSeen);
    }
    // A store the user presses: stored aside.
    void expectStoredAside(const char *dialog, const std::function<void()> &press)
    {
        boxes.clear();
        whileWatched(dialog, press);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
        expectAside();
    }
    // A short note attached to the protocol straight through the store; its id.
    qlonglong attachNote(const QString &number)
    {
        const QString note = files.filePath(QStringLiteral("nota.txt"));
        EXPECT_TRUE(writeFile(note, "testo della nota\n"));
        qlonglong id = 0;
        const documents::Outcome o =
            documents::storeAttachment(QStringLiteral("001"), number, note, QStringLiteral("Nota"), &id);
        EXPECT_TRUE(o.ok) << o.text.toStdString();
        return id;
    }
    static QStringList connections()
    {
        QStringList names = QSqlDatabase::connectionNames();
        names.sort();
        return names;
    }

    QTemporaryDir files;
    QTimer ticker;
    QString progressName;
    bool progressSeen = false;
};

TEST_P(LargeDocuments, FiftyMegabyteAttachmentsGoThroughWhileTheWindowRepaints)
{
    seedProtocol(QStringLiteral("20250000200"), QStringLiteral("Planimetrie"), false);
    MDIMenu *main = startWatched({QStringLiteral("SET SERVERIMG=SERVER")});
    ASSERT_NE(main, nullptr);
    auto *att = openAttachments(QStringLiteral("20250000200"));
    ASSERT_NE(att, nullptr);
    constexpr qsizetype kSize = 50 * 1024 * 1024;
    const struct {
        const char *name;
        int zipped;
        QByteArray content;
    } large[] = {{"rilievo.bin", 0, test::noise(kSize, 7)}, {"registro.txt", 1, compressible(kSize)}};
    int stored = 0;
    for (const auto &file : large) {
        SCOPED_TRACE(file.name);
        DicAmbiente::session().cfg.compresso = qint16(file.zipped);
        const QString path = files.filePath(QString::fromLatin1(file.name));
        ASSERT_TRUE(writeFile(path, file.content));
        child<QLineEdit>(att, "txtFile")->setText(path);
        child<QLineEdit>(att, "txtDescrizione")->setText(QStringLiteral("Allegato grande"));
        const QStringList before = connections();
        expectStoredAside("prgAllegato", [&] { child(att, "cmdRegistra")->click(); });
        // The worker's connections were opened and closed on it.
        EXPECT_EQ(connections(), before);
        ASSERT_EQ(att->attachmentCount(), ++stored);
        EXPECT_EQ(scalar(QStringLiteral("SELECT Compresso FROM Tab_allegati WHERE Nome_allegato = '")
                         + QString::fromLatin1(file.name) + QLatin1Char('\'')),
                  QString::number(file.zipped));

        // Read back through the preview, aside as well.
        auto *list = child<QTreeWidget>(att, "LWallegati");
        QTreeWidgetItem *item = list->findItems(QString::fromLatin1(file.name), Qt::MatchExactly, 1).value(0);
        ASSERT_NE(item, nullptr);
        whileWatched("prgLettura", [&] { emit list->itemDoubleClicked(item, 0); });
        expectAside();
        auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(active(main));
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->kind(), documents::FrmProtVisAllegati::Kind::External);
        EXPECT_TRUE(readFile(preview->file()) == file.content);
        child(preview, "cmdEsci")->click();
        settle();
    }
    child(att, "cmdEsci")->click();
    settle();
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(QLatin1Char(' ')).toStdString();
}

TEST_P(LargeDocuments, ScanStoredAsideAndAFailedStoreKeepsTheOldImage)
{
    test::SaneTestDevice sane;
    seedProtocol(QStringLiteral("20250000201"), QStringLiteral("Verbale"), false);
    MDIMenu *main = startWatched({QStringLiteral("SET SERVERIMG=SERVER"), QStringLiteral("SET COMPRESSO=0")});
    ASSERT_NE(main, nullptr);
    auto *scan = qobject_cast<documents::FrmSCAN *>(openOn("FrmSCAN", QStringLiteral("E"), QStringLiteral("20250000201")));
    ASSERT_NE(scan, nullptr);
    child(scan, "cmdBottoni_1")->click();
    expectStoredAside("prgRegistra", [&] { child(scan, "cmdBottoni_2")->click(); });
    const QByteArray old = readFile(scan->workFile());
    ASSERT_FALSE(old.isEmpty());

    // A new two-page scan whose store fails: said so, the old image stays.
    g_watch.failStores = true;
    child<QSpinBox>(scan, "txtPagine")->setValue(2);
    child(scan, "cmdBottoni_1")->click();
    boxes.clear();
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Si è verificato l'errore Linea caduta durante la registrazione")});
    g_watch.failStores = false;
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), 1);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Immagine FROM Tab_immagini")) && q.next());
    EXPECT_TRUE(q.value(0).toByteArray() == old);
    q.finish();
    child(scan, "cmdBottoni_0")->click();
    settle();
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(QLatin1Char(' ')).toStdString();

    // The viewer reads aside and shows the one page kept.
    documents::FrmVisDocu1 *view = nullptr;
    whileWatched("prgLettura", [&] {
        view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000201")));
    });
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 1);
    expectAside();
    child(view, "cmdEsci")->click();

    // A row that cannot be unzipped is refused, and nothing is left behind.
    sql(QStringLiteral("UPDATE Tab_immagini SET Compresso = '1'"));
    boxes.clear();
    view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000201")));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(
        QStringLiteral("Contattare esperto applicazione. Verificatosi errore nella decompressione")));
    EXPECT_EQ(view->pageCount(), 0);
    child(view, "cmdEsci")->click();
    const qlonglong id = attachNote(QStringLiteral("20250000201"));
    sql(QStringLiteral("UPDATE Tab_allegati SET Compresso = '1'"));
    auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(WindowRegistry::open(QStringLiteral("frmProtVisAllegati")));
    ASSERT_NE(preview, nullptr);
    boxes.clear();
    EXPECT_FALSE(preview->setAttachment(id, QStringLiteral("nota.txt")));
    EXPECT_EQ(boxes.texts().size(), 1);
    child(preview, "cmdEsci")->click();
    settle();
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(QLatin1Char(' ')).toStdString();
}

TEST_P(LargeDocuments, EncipheredDocumentsAreRefusedAndNothingIsWritten)
{
    seedProtocol(QStringLiteral("20250000202"), QStringLiteral("Cifrato"), false);
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER")});
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(documents::storeImage({QStringLiteral("001"), QStringLiteral("E"), QStringLiteral("20250000202")},
                                      test::noise(5000, 3))
                    .ok);
    const qlonglong id = attachNote(QStringLiteral("20250000202"));
    sql(QStringLiteral("UPDATE Tab_immagini SET Criptato = '1'"));
    sql(QStringLiteral("UPDATE Tab_allegati SET Criptato = '1'"));
    boxes.clear();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000202")));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 0);
    auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(WindowRegistry::open(QStringLiteral("frmProtVisAllegati")));
    ASSERT_NE(preview, nullptr);
    EXPECT_FALSE(preview->setAttachment(id, QStringLiteral("nota.txt")));
    EXPECT_EQ(boxes.texts(), (QStringList{documents::kEncipheredText, documents::kEncipheredText}));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(QLatin1Char(' ')).toStdString();
}

NIMBO_INSTANTIATE_ENGINES(LargeDocuments);

} // namespace
