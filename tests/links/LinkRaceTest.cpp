// Clerks at several workstations link the same pair at once, half of them
// from each side, each in its own process, on both engines: the pair is
// linked once (two rows), and every clerk who lost is told the link is
// there already, not shown an error of the database.

#include <QFile>
#include <QProcess>
#include <QThread>
#include <memory>

#include "LinkFixture.h"

using namespace nimbo;

namespace {

class LinkRace : public test::LinkTest {};

} // namespace

TEST_P(LinkRace, ThePairIsLinkedOnceWhicheverSideEachClerkStartsFrom)
{
    protocol(QStringLiteral("E"), QStringLiteral("20250000042"), QStringLiteral("DOMANDA"), QStringLiteral("2025-03-04"));
    protocol(QStringLiteral("U"), QStringLiteral("20250000050"), QStringLiteral("RISPOSTA"), QStringLiteral("2025-03-10"));
    const QString engine = db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite");
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int i = 0; i < 4; ++i) {
        QStringList pair{QStringLiteral("E"), QStringLiteral("20250000042"), QStringLiteral("U"), QStringLiteral("20250000050")};
        if (i % 2)
            pair = QStringList{pair[2], pair[3], pair[0], pair[1]};
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_LINK_WORKER),
                 QStringList{engine, db().centralTarget().location, db().localPath(), db().folder(), QStringLiteral("001")}
                     + pair);
        ASSERT_TRUE(p->waitForStarted());
        workers.push_back(std::move(p));
    }
    QThread::msleep(800); // every one is ready and waits
    QFile go(db().folder() + QStringLiteral("/go"));
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();

    int told = 0, silent = 0;
    for (auto &p : workers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        const QString said = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        if (said.isEmpty())
            ++silent;
        else if (said == QString::fromUtf8(protocol::links::kLinkExists))
            ++told;
        else
            ADD_FAILURE() << said.toStdString();
    }
    EXPECT_EQ(silent, 1) << "one workstation linked the pair";
    EXPECT_EQ(told, 3);
    EXPECT_EQ(links(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati WHERE Tab_NumeroProtocollo = "
                                    "'20250000042' AND Tab_NumeroProtocolloC = '20250000050'")),
              QStringLiteral("1"));
}

NIMBO_INSTANTIATE_ENGINES(LinkRace);
