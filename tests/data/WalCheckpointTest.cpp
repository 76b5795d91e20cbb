// The log of a SQLite database is copied back by the background thread, and
// by the committing connection only when that thread falls behind.

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "data/WalCheckpoint.h"

namespace {

class WalLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("log.sqlite"));
        QString error;
        ASSERT_TRUE(Dialect::open(kName, Dialect::Target::sqlite(path), &error)) << error.toStdString();
        QSqlQuery q(db());
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, body BLOB)")));
        ASSERT_TRUE(WalCheckpoint::waitIdle(10000));
    }
    void TearDown() override
    {
        WalCheckpoint::setPaused(false);
        Dialect::close(kName);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(kName); }

    // Each commit its own transaction, as a registration is.
    void commit(int rows, int bytes)
    {
        QSqlQuery q(db());
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO t (body) VALUES (?)")));
        for (int i = 0; i < rows; ++i) {
            q.bindValue(0, QByteArray(bytes, char('a' + i % 26)));
            ASSERT_TRUE(q.exec());
        }
    }
    qint64 logSize() const { return QFileInfo(path + QStringLiteral("-wal")).size(); }
    int rows()
    {
        QSqlQuery q(db());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM t")) && q.next() ? q.value(0).toInt() : -1;
    }

    static inline const QString kName = QStringLiteral("wal_checkpoint_test");
    QTemporaryDir dir;
    QString path;
};

TEST_F(WalLog, ALongLogIsCopiedBackOffTheCommit)
{
    const long background = WalCheckpoint::backgroundRuns();
    const long inlined = WalCheckpoint::inlineRuns();
    commit(400, 16 * 1024); // about 1,600 pages
    ASSERT_TRUE(WalCheckpoint::waitIdle(20000));
    EXPECT_GT(WalCheckpoint::backgroundRuns(), background);
    EXPECT_EQ(WalCheckpoint::inlineRuns(), inlined);

    // A later commit starts the log from its beginning again.
    commit(1, 100);
    QSqlQuery q(db());
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
    EXPECT_LT(q.value(1).toInt(), WalCheckpoint::kBackgroundPages);
    q.finish();
    EXPECT_EQ(rows(), 401);
}

TEST_F(WalLog, AHeldUpThreadLeavesTheCommitToCopyIt)
{
    WalCheckpoint::setPaused(true);
    const long inlined = WalCheckpoint::inlineRuns();
    // Past the inline limit in commits of 512 kB.
    const qint64 limit = qint64(WalCheckpoint::kInlinePages) * 4096;
    for (int i = 0; i < 160; ++i)
        commit(1, 512 * 1024);
    EXPECT_GT(WalCheckpoint::inlineRuns(), inlined);
    // Bounded by the limit and one commit more.
    EXPECT_LT(logSize(), limit + 2 * 512 * 1024);
    WalCheckpoint::setPaused(false);
    ASSERT_TRUE(WalCheckpoint::waitIdle(20000));
    EXPECT_EQ(rows(), 160);
}

} // namespace
