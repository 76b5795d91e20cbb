// What the servers do for the whole session rather than for one call: the
// lock wait inside a batch, the rows a rewrite touches, the one connection
// every server object of the session shares, and getting it back after the
// database server went away.

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "data/ConnectionPool.h"
#include "data/Funzioni_Com_1.h"
#include "schema/DemoData.h"
#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ProtocolRequests.h"
#include "support/ScriptedDialogs.h"
#include "support/PgSessions.h"
#include "support/TestDb.h"

namespace F = Funzioni_Com_1;

namespace {

QString logText()
{
    QFile f(DicAmbiente::logFilePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Another workstation holding the row Tab_Codice='D1' (on SQLite the whole
// database: it has no row locks) in an open transaction for holdMs.
class Holder {
public:
    Holder(const Dialect::Target &target, int holdMs)
        : thread_([this, target, holdMs] {
              static std::atomic<int> serial{0};
              const QString name = QStringLiteral("holder_%1").arg(++serial);
              if (Dialect::open(name, target, nullptr)) {
                  {
                      QSqlQuery q(QSqlDatabase::database(name, false));
                      q.exec(Dialect::beginStatement(target.engine));
                      q.exec(QStringLiteral("UPDATE Tab_TipoDocumento SET Tab_Descrizione = Tab_Descrizione "
                                            "WHERE Tab_Codice = 'D1'"));
                      locked_ = true;
                      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
                      q.exec(QStringLiteral("COMMIT"));
                  }
                  Dialect::close(name);
              }
              locked_ = true;
          })
    {
        while (!locked_)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Holder() { thread_.join(); }

private:
    std::atomic<bool> locked_{false};
    std::thread thread_;
};

class SessionServers : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        nimbo::registerServers();
        auto &cfg = DicAmbiente::session().cfg;
        cfg.oleGenerica = nimbo::kGenericProgId;
        DicAmbiente::ensureWorkFolder(cfg.applTemp);
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_TipoDocumento (Tab_Codice, Tab_Descrizione) "
                                          "VALUES ('D1','Delibera')")));
    }
    void TearDown() override
    {
        C_GestDB::closeLocalDatabase();
        EngineTest::TearDown();
    }
    QString description()
    {
        const auto row = F::Caricadati(proto, QStringLiteral("SELECT Tab_Descrizione FROM Tab_TipoDocumento "
                                                             "WHERE Tab_Codice='D1'"), F::kModeLocal);
        return row ? row->value(0).toString() : QStringLiteral("<none>");
    }
    F::Statement rewrite(const QString &text, const QString &code = QStringLiteral("D1"))
    {
        return {QStringLiteral("R"), QStringLiteral("Tab_TipoDocumento"), {{QStringLiteral("Tab_Descrizione"), text}},
                QStringLiteral("Tab_Codice='") + code + QLatin1Char('\'')};
    }
    // A new outgoing protocol with the demo's own references.
    QVariantList demoRegistration(const QString &subject)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT MIN(Tab_Identificativo) FROM Tab_Rubrica WHERE Tab_EnteRubrica='")
                           + Schema::demoBody() + QLatin1Char('\'')) && q.next());
        const QVariant correspondent = q.value(0);
        const QString body = Schema::demoBody();
        auto columns = nimbo::test::newProtocolColumns(body, QStringLiteral("U"), subject, QStringLiteral("DEMO9"),
                                                       QString());
        for (auto &[name, value] : columns) {
            if (name == QLatin1String("Tab_SedeRicezione"))
                value = QStringLiteral("PRO");
            else if (name == QLatin1String("Tab_UfficioRegistrazione"))
                value = QStringLiteral("UPR");
            else if (name == QLatin1String("Tab_Intestatario"))
                value = correspondent;
        }
        return nimbo::registrationRequest(QStringLiteral("A"),
                                          nimbo::protocolCondition(body, QStringLiteral("U"), QString()), columns,
                                          QStringLiteral("DEMO9"));
    }
    QString registerWith(nimbo::ProtocolServer &server, const QString &subject)
    {
        QVariantList request = demoRegistration(subject);
        const QVariantList reply = server.Elabora(nimbo::kOpRegistraProtocollo, request);
        return reply.value(0).toString() + QLatin1Char(' ') + reply.value(1).toString();
    }
    nimbo::test::ScriptedDialogs boxes;
    const QString proto = QStringLiteral("PROTOCOLLO");
};

} // namespace

TEST_P(SessionServers, BatchWaitsOutALockInsideItsTransactionThenGivesUp)
{
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    DicAmbiente::session().lockWaitSeconds = 6;
    for (int mode : {F::kModeLocal, F::kModeServer}) {
        const QString text = QStringLiteral("Dopo l'attesa %1").arg(mode);
        {
            Holder other(db().centralTarget(), 1500);
            EXPECT_TRUE(F::Update_Tabella({rewrite(text)}, proto, mode)) << mode << boxes.texts().join(QLatin1Char('|')).toStdString();
        }
        EXPECT_EQ(description(), text) << mode;
    }

    // Held longer than the session's lock wait: the batch gives up with the
    // dispatcher's lock text and leaves the row as it was.
    DicAmbiente::session().lockWaitSeconds = 1;
    // SQLite meets the lock when the transaction begins, PostgreSQL on the row.
    const QString lockText = pg ? QStringLiteral("Informazione Momentaneamente Non Aggiornabile.")
                                : QStringLiteral("Inizio Aggiornamento Momentaneamente Non Attuabile.");
    for (int mode : {F::kModeLocal, F::kModeServer}) {
        boxes.clear();
        {
            Holder other(db().centralTarget(), 3000);
            EXPECT_FALSE(F::Update_Tabella({rewrite(QStringLiteral("Mai scritta"))}, proto, mode));
        }
        if (mode == F::kModeServer)
            EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Errore Server NimboServer.Generica : ")
                                                 + (pg ? QStringLiteral("Istruzione 1: ") : QString()) + lockText});
        else
            EXPECT_TRUE(logText().contains(QStringLiteral("RollTrans ") + lockText));
        EXPECT_EQ(description(), QStringLiteral("Dopo l'attesa %1").arg(F::kModeServer));
    }
}

TEST_P(SessionServers, RewriteOfAMissingRowFailsTheBatchButDeletingNothingPasses)
{
    const F::Statement add{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                           {{QStringLiteral("Tab_Codice"), QStringLiteral("N1")}}, {}};
    EXPECT_FALSE(F::Update_Tabella({add, rewrite(QStringLiteral("Nuova"), QStringLiteral("ZZ"))}, proto, F::kModeServer));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.texts().first(), QStringLiteral("Errore Server NimboServer.Generica : Istruzione 2: Nessuna riga "
                                                    "di Tab_TipoDocumento corrisponde alla condizione: aggiornamento "
                                                    "non eseguito"));
    boxes.clear();
    EXPECT_FALSE(F::Update_Tabella({add, rewrite(QStringLiteral("Nuova"), QStringLiteral("ZZ"))}, proto, F::kModeLocal));
    EXPECT_FALSE(boxes.texts().contains(QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE")));
    EXPECT_TRUE(logText().contains(QStringLiteral("RollTrans Nessuna riga di Tab_TipoDocumento")));
    EXPECT_FALSE(F::Caricadati(proto, QStringLiteral("SELECT 1 FROM Tab_TipoDocumento WHERE Tab_Codice='N1'")));

    const F::Statement removeNothing{QStringLiteral("C"), QStringLiteral("Tab_TipoDocumento"), {},
                                     QStringLiteral("Tab_Codice='ZZ'")};
    const F::Statement removeAdded{QStringLiteral("C"), QStringLiteral("Tab_TipoDocumento"), {},
                                   QStringLiteral("Tab_Codice='N1'")};
    for (int mode : {F::kModeLocal, F::kModeServer}) {
        EXPECT_TRUE(F::Update_Tabella({add, removeNothing, rewrite(QStringLiteral("Trovata"), QStringLiteral("N1"))},
                                      proto, mode))
            << mode;
        EXPECT_TRUE(F::Update_Tabella({removeAdded}, proto, mode)) << mode;
    }
}

TEST_P(SessionServers, EveryServerObjectOfTheSessionUsesTheSameConnection)
{
    // Each loader call makes and releases its own server object.
    if (db().engine() == Dialect::Engine::PostgreSQL) {
        const auto first = F::Caricadati(proto, QStringLiteral("SELECT pg_backend_pid()"));
        const auto second = F::Caricadati(proto, QStringLiteral("SELECT pg_backend_pid()"));
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->value(0), second->value(0));
    } else {
        // SQLite tells the last row written on the same connection only.
        ASSERT_TRUE(F::Update_Tabella({{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                                        {{QStringLiteral("Tab_Codice"), QStringLiteral("N2")}}, {}}},
                                      proto));
        const auto last = F::Caricadati(proto, QStringLiteral("SELECT last_insert_rowid()"));
        ASSERT_TRUE(last);
        EXPECT_GT(last->value(0).toLongLong(), 0);
    }
    // The protocol server's connection outlives its objects too.
    const int held = nimbo::ConnectionPool::size();
    for (int i = 0; i < 3; ++i) {
        nimbo::ProtocolServer server;
        EXPECT_EQ(registerWith(server, QStringLiteral("Oggetto %1").arg(i)), QStringLiteral("0 "));
    }
    EXPECT_EQ(nimbo::ConnectionPool::size(), held + 1);
}

TEST_P(SessionServers, ServersReopenTheirConnectionAfterTheDatabaseServerWentAway)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "a database server restart";
    const QVariantList request = demoRegistration(QStringLiteral("Dopo il riavvio"));
    const auto registration = [&request](nimbo::ProtocolServer &server) {
        QVariantList params = request;
        const QVariantList reply = server.Elabora(nimbo::kOpRegistraProtocollo, params);
        return reply.value(0).toString() + QLatin1Char(' ') + reply.value(1).toString();
    };
    nimbo::ProtocolServer server; // kept across the restart
    ASSERT_EQ(registration(server), QStringLiteral("0 "));
    const auto before = F::Caricadati(proto, QStringLiteral("SELECT pg_backend_pid()"));
    ASSERT_TRUE(before);

    // What a restart looks like to the workstation: every backend of the
    // database ends under it.
    ASSERT_NO_FATAL_FAILURE(nimbo::test::endSessionsOf(db()));

    EXPECT_EQ(registration(server), QStringLiteral("0 "));
    const auto after = F::Caricadati(proto, QStringLiteral("SELECT pg_backend_pid()"));
    ASSERT_TRUE(after);
    EXPECT_NE(after->value(0), before->value(0));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString log = logText();
    EXPECT_TRUE(log.contains(QStringLiteral("ProtocolServer.Elabora.Connessione al database PROTOCOLLO interrotta e "
                                            "riaperta")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("GenericServer.Elabora.Connessione al database PROTOCOLLO interrotta e "
                                            "riaperta")));

    const auto count = F::Caricadati(proto, QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE "
                                                           "Tab_Oggetto='Dopo il riavvio'"));
    ASSERT_TRUE(count);
    EXPECT_EQ(count->value(0).toInt(), 2);
}

NIMBO_INSTANTIATE_ENGINES(SessionServers);

TEST_P(SessionServers, AThreadThatEndsClosesItsOwnConnections)
{
    // Work done off the window's thread (a large document stored in the
    // background) leaves its connections to the thread's end.
    for (int round = 0; round < 20; ++round) {
        QVariantList request = demoRegistration(QStringLiteral("Dal thread %1").arg(round));
        std::thread worker([&] {
            nimbo::ProtocolServer server;
            EXPECT_EQ(server.Elabora(nimbo::kOpRegistraProtocollo, request).value(0).toString(), QStringLiteral("0"));
            EXPECT_EQ(nimbo::ConnectionPool::size(), 1);
        });
        worker.join();
    }
    const auto count = F::Caricadati(proto, QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_Oggetto LIKE 'Dal thread %'"));
    ASSERT_TRUE(count);
    EXPECT_EQ(count->value(0).toInt(), 20);
}
