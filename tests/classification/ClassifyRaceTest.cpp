// Six workstations file the same protocol in the same dossier at once, each
// through the classification window in its own process, on both engines:
// the protocol is filed once, and every workstation that lost is told the
// dossier is already there, not of a failure.

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>
#include <memory>

#include "support/TestDb.h"

using namespace nimbo;

namespace {

class ClassifyRace : public test::EngineTest {
protected:
    test::Seed seed() const override { return test::Seed::Demo; }
};

} // namespace

TEST_P(ClassifyRace, SixWorkstationsFileOneDossierOnce)
{
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                      "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_SoggPrivacy, "
                                      "Tab_CodiceOpeReg, Tab_StatoProtocollo) VALUES ('001', 'E', '20250000042', "
                                      "'2025-03-04', 'DOMANDA', 2, 'N', 'DEMO9', 'A')")));
    std::vector<std::unique_ptr<QProcess>> workers;
    const QString engine = db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite");
    for (int i = 0; i < 6; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_CLASSIFY_WORKER),
                 {engine, db().centralTarget().location, db().localPath(), db().folder(), QStringLiteral("001"),
                  QStringLiteral("20250000042"), QStringLiteral("01.02.01.1")});
        ASSERT_TRUE(p->waitForStarted());
        workers.push_back(std::move(p));
    }
    QThread::msleep(1500); // every one loaded its window and waits
    QFile go(db().folder() + QStringLiteral("/go"));
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();

    int told = 0, silent = 0;
    for (auto &p : workers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        const QString said = QString::fromUtf8(p->readAllStandardOutput());
        EXPECT_FALSE(said.contains(QStringLiteral("Errore durante l'inserimento"))) << said.toStdString();
        if (said.trimmed().isEmpty())
            ++silent;
        else if (said.trimmed()
                 == QString::fromUtf8("Il fascicolo 00001 -  è già presente nella classificazione del protocollo."))
            ++told; // and nothing else: no database error shown
        else
            ADD_FAILURE() << said.toStdString();
    }
    EXPECT_EQ(silent, 1) << "one workstation filed it";
    EXPECT_EQ(told, 5);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_ProFascicoli WHERE Tab_NumeroProtocollo = '20250000042'"))
                && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

NIMBO_INSTANTIATE_ENGINES(ClassifyRace);
