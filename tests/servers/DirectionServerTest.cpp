// The change of a protocol's direction (operation 18) on both engines:
// every row that carries the direction follows the protocol there and back,
// links from both sides; the recipients become exactly the main one or
// none; the history keeps the old direction, the writer and the time; only
// the registering operator, never an archived or cancelled protocol; and a
// failure at any step leaves every table as it was.

#include <QDateTime>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include "servers/DirectionRequests.h"
#include "session/DicAmbiente.h"
#include "support/RegisterTest.h"

namespace {

using Dialect::Engine;

// Every table a protocol's direction is written in.
const QStringList kTables{QStringLiteral("Tab_Protocollo"),         QStringLiteral("Tab_ProtocolloDestinatari"),
                          QStringLiteral("Tab_DocumentiCollegati"), QStringLiteral("Tab_immagini"),
                          QStringLiteral("Tab_Iter_Destinatari"),   QStringLiteral("Tab_Iter_Documento"),
                          QStringLiteral("Tab_Iter_Trasmissioni"),  QStringLiteral("Tab_ProFascicoli"),
                          QStringLiteral("Tab_ProSchedari"),        QStringLiteral("Tab_ProIntegrazioni"),
                          QStringLiteral("Tab_ProtocolliCollegati")};

class DirectionServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
        number = registered(QStringLiteral("E"), QStringLiteral("OP01"));
        other = registered(QStringLiteral("U"), QStringLiteral("OP01"));
        ASSERT_FALSE(HasFatalFailure());
        // Its world: a link held from both sides, a linked document, an
        // image, an iter movement with its delivery, a dossier, a filing.
        const QString e = QStringLiteral("'ASL1', 'E', '") + number + QLatin1Char('\'');
        sql(QStringLiteral("INSERT INTO Tab_ProtocolliCollegati VALUES (%1, 'U', '%2')").arg(e, other));
        sql(QStringLiteral("INSERT INTO Tab_ProtocolliCollegati VALUES ('ASL1', 'U', '%1', 'E', '%2')").arg(other, number));
        sql(QStringLiteral("INSERT INTO Tab_DocumentiCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento) VALUES (%1, 'DEL', '12', "
                           "'2024-11-02')")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_immagini (ID_ente, Tipo_protocollo, Prot_EU, Prot_Numero) VALUES ('ASL1', "
                           "'E', 'E', '%1')")
                .arg(number));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio) VALUES (%1, '20241103101500', 1, 'U01')")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario) VALUES (%1, '20241103101500', 'U01')")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario) VALUES (%1, '20241103101500', 'U01')")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Titolo, "
                           "Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo) VALUES (%1, '01', '02', '03', 4)")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_ProSchedari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_Dipartimento, Tab_Ufficio, Tab_Codice) VALUES (%1, 'D01', 'U01', 'S1')")
                .arg(e));
        sql(QStringLiteral("INSERT INTO Tab_ProIntegrazioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_UfficioIntegrazione) VALUES (%1, 'U01')")
                .arg(e));
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }

    QString registered(const QString &direction, const QString &op)
    {
        QVariantList request = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(kEnte, direction, QString()),
            nimbo::test::newProtocolColumns(kEnte, direction, QStringLiteral("Richiesta ferie"), op), op);
        const QVariantList reply = server->Elabora(nimbo::kOpRegistraProtocollo, request);
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        return reply.value(2).toString();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString() << " " << statement.toStdString();
    }
    QStringList column(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << q.lastError().text().toStdString() << " " << statement.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString().trimmed();
        return out;
    }
    QVariantList change(const QString &from, const QString &num, const QString &op = QStringLiteral("OP01"))
    {
        QVariantList request = nimbo::direction::changeRequest(kEnte, from, num, op);
        return server->Elabora(nimbo::kOpInvertiTipo, request);
    }
    // Every row of every table the direction lives in, and of the history.
    std::string dump()
    {
        QStringList out;
        for (const QString &t : kTables + QStringList{QStringLiteral("Tab_Protocollo_Storico")}) {
            QSqlQuery q(db().central());
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM ") + t)) << q.lastError().text().toStdString();
            QStringList rows;
            while (q.next()) {
                QStringList cells;
                for (int i = 0; i < q.record().count(); ++i)
                    cells << q.value(i).toString();
                rows << t + QLatin1Char(':') + cells.join(QLatin1Char('|'));
            }
            rows.sort();
            out += rows;
        }
        return out.join(QLatin1Char('\n')).toStdString();
    }
    // The directions the protocol's rows hold, table by table.
    QStringList directions()
    {
        QStringList out;
        const QString n = QLatin1Char('\'') + number + QLatin1Char('\'');
        for (const QString &t : kTables.mid(2, 8)) {
            if (t == QLatin1String("Tab_immagini"))
                out << t + QLatin1Char('=')
                           + column(QStringLiteral("SELECT Prot_EU || Tipo_protocollo FROM Tab_immagini WHERE "
                                                   "Prot_Numero = ") + n)
                                 .join(QLatin1Char(','));
            else
                out << t + QLatin1Char('=')
                           + column(QStringLiteral("SELECT Tab_TipoProtocollo FROM %1 WHERE Tab_NumeroProtocollo = %2")
                                        .arg(t, n))
                                 .join(QLatin1Char(','));
        }
        out << QStringLiteral("Tab_ProtocolliCollegati=")
                   + column(QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_ProtocolliCollegati WHERE "
                                           "Tab_NumeroProtocollo = ") + n)
                         .join(QLatin1Char(','))
                   + QLatin1Char('/')
                   + column(QStringLiteral("SELECT Tab_TipoProtocolloC FROM Tab_ProtocolliCollegati WHERE "
                                           "Tab_NumeroProtocolloC = ") + n)
                         .join(QLatin1Char(','));
        return out;
    }
    static QStringList all(const QString &d, const QString &image)
    {
        QStringList out;
        for (const QString &t : kTables.mid(2, 8))
            out << t + QLatin1Char('=') + (t == QLatin1String("Tab_immagini") ? d + image : d);
        out << QStringLiteral("Tab_ProtocolliCollegati=") + d + QLatin1Char('/') + d;
        return out;
    }
    QStringList recipients()
    {
        return column(QStringLiteral("SELECT Tab_TipoProtocollo || ':' || Tab_MittDest || ':' || Tab_principale FROM "
                                     "Tab_ProtocolloDestinatari WHERE Tab_NumeroProtocollo = '%1'")
                          .arg(number));
    }
    // Makes every write to the table fail, on either engine.
    void refuseWrites(const QString &table)
    {
        if (db().engine() == Engine::SQLite) {
            for (const char *event : {"INSERT", "UPDATE", "DELETE"})
                sql(QStringLiteral("CREATE TRIGGER fail_%1_%2 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, 'guasto "
                                   "simulato'); END")
                        .arg(table, QString::fromLatin1(event)));
            return;
        }
        sql(QStringLiteral("CREATE OR REPLACE FUNCTION fail_write() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "RAISE EXCEPTION 'guasto simulato'; END $$"));
        sql(QStringLiteral("CREATE TRIGGER fail_%1 BEFORE INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW EXECUTE "
                           "FUNCTION fail_write()")
                .arg(table));
    }
    void allowWrites(const QString &table)
    {
        if (db().engine() == Engine::SQLite) {
            for (const char *event : {"INSERT", "UPDATE", "DELETE"})
                sql(QStringLiteral("DROP TRIGGER fail_%1_%2").arg(table, QString::fromLatin1(event)));
            return;
        }
        sql(QStringLiteral("DROP TRIGGER fail_%1 ON %1").arg(table));
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }

    QString number, other;
    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(DirectionServerTest, EveryRowFollowsTheProtocolThereAndBackAndTheHistoryKeepsTheOldDirection)
{
    // A further-recipient row left under the old direction by an earlier
    // outgoing life is no recipient of the new outgoing protocol.
    sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) VALUES ('ASL1', 'E', '%1', 30, 'N')")
            .arg(number));
    DicAmbiente::session().op.code = QStringLiteral("OP01");
    QVariantList reply = change(QStringLiteral("E"), number);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(reply.value(2).toString(), QStringLiteral("U"));
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_TipoProtocollo || Tab_StatoProtocollo || Tab_CodOper FROM "
                                    "Tab_Protocollo WHERE Tab_NumeroProtocollo = '%1'")
                         .arg(number)),
              QStringList{QStringLiteral("UAOP01")});
    EXPECT_EQ(recipients(), QStringList{QStringLiteral("U:12:S")});
    EXPECT_EQ(directions(), all(QStringLiteral("U"), QStringLiteral("D")));
    // The other protocol of the link is untouched but for the direction it
    // gives this one.
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_TipoProtocollo || Tab_TipoProtocolloC FROM Tab_ProtocolliCollegati "
                                    "WHERE Tab_NumeroProtocollo = '%1'")
                         .arg(other)),
              QStringList{QStringLiteral("UU")});
    // The history: the row as it was, incoming, changed by OP01 today.
    const QStringList history = column(QStringLiteral("SELECT Tab_TipoProtocollo || ':' || Tab_OperatoreModifica || ':' "
                                                      "|| CAST(Tab_DataModifica AS TEXT) FROM Tab_Protocollo_Storico "
                                                      "WHERE Tab_Ente = 'ASL1' AND Tab_NumeroProtocollo = '%1'")
                                           .arg(number));
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history.first().section(QLatin1Char(':'), 0, 1), QStringLiteral("E:OP01"));
    EXPECT_TRUE(history.first().section(QLatin1Char(':'), 2).startsWith(QDate::currentDate().toString(Qt::ISODate)))
        << history.first().toStdString();

    // A second request that still believes it incoming does not undo it.
    reply = change(QStringLiteral("E"), number);
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(text(reply).find("Tab_TipoProtocollo"), std::string::npos) << text(reply);

    // And back: no recipient at all, every row incoming again, links too.
    reply = change(QStringLiteral("U"), number);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(recipients(), QStringList{});
    EXPECT_EQ(directions(), all(QStringLiteral("E"), QStringLiteral("E")));
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_Protocollo_Storico WHERE Tab_NumeroProtocollo = "
                                    "'%1' ORDER BY ID")
                         .arg(number)),
              (QStringList{QStringLiteral("E"), QStringLiteral("U")}));
    // An outgoing protocol with further recipients turned incoming loses them all.
    sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) VALUES ('ASL1', 'U', '%1', 12, 'S'), ('ASL1', 'U', '%1', 30, 'N')")
            .arg(other));
    ASSERT_EQ(change(QStringLiteral("U"), other).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloDestinatari WHERE Tab_NumeroProtocollo = '%1'")
                         .arg(other)),
              QStringList{QStringLiteral("0")});
}

TEST_P(DirectionServerTest, OnlyTheRegisteringOperatorOnlyWhileActiveAndNotArchivedAndEachRefusalNamesItsField)
{
    const QString theirs = registered(QStringLiteral("E"), QStringLiteral("OP02"));
    const auto refused = [&](const QVariantList &reply, const char *field, const std::string &before) {
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << field;
        EXPECT_NE(text(reply).find(field), std::string::npos) << text(reply);
        EXPECT_EQ(dump(), before) << field;
    };
    // Another operator's protocol, even when the request names its
    // registering operator: the writer is the session's.
    DicAmbiente::session().op.code = QStringLiteral("OP01");
    const std::string before = dump();
    refused(change(QStringLiteral("E"), theirs, QStringLiteral("OP02")), "Tab_CodiceOpeReg", before);
    // Archived on permanent media.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Stampato = 'M' WHERE Tab_NumeroProtocollo = '%1'").arg(number));
    const std::string archived = dump();
    refused(change(QStringLiteral("E"), number), "Tab_Stampato", archived);
    // Cancelled.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Stampato = 'S', Tab_StatoProtocollo = 'C', Tab_DataCancellazione = "
                       "'2024-01-02', Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'OP01' WHERE "
                       "Tab_NumeroProtocollo = '%1'")
            .arg(number));
    EXPECT_NE(dump(), archived);
    const std::string cancelled = dump();
    refused(change(QStringLiteral("E"), number), "Tab_StatoProtocollo", cancelled);
    QVariantList reply;
    // Requests that name nothing that can be changed.
    reply = change(QStringLiteral("E"), QStringLiteral("20240009999"));
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(text(reply).find("non è presente in archivio"), std::string::npos) << text(reply);
    reply = change(QStringLiteral("X"), other);
    EXPECT_NE(text(reply).find("Tab_TipoProtocollo"), std::string::npos) << text(reply);
    reply = change(QStringLiteral("U"), QStringLiteral("2024-12"));
    EXPECT_NE(text(reply).find("Tab_NumeroProtocollo"), std::string::npos) << text(reply);
    QVariantList shortRequest{kEnte, QStringLiteral("U"), other};
    EXPECT_EQ(server->Elabora(nimbo::kOpInvertiTipo, shortRequest).value(0).toString(), nimbo::kStatusRefused);
    EXPECT_EQ(dump(), cancelled);
}

TEST_P(DirectionServerTest, AFailureAtAnyStepLeavesEveryTableAsItWasAndNamesTheTable)
{
    DicAmbiente::session().op.code = QStringLiteral("OP01");
    const std::string before = dump();
    for (const QString &table : kTables) {
        refuseWrites(table);
        const QVariantList reply = change(QStringLiteral("E"), number);
        allowWrites(table);
        EXPECT_NE(reply.value(0).toString(), QStringLiteral("0")) << table.toStdString();
        EXPECT_NE(reply.value(0).toString(), nimbo::kStatusRefused) << table.toStdString();
        EXPECT_EQ(reply.value(1).toString(), nimbo::direction::stepFailure(table)) << text(reply);
        EXPECT_NE(reply.value(2).toString().indexOf(QStringLiteral("guasto simulato")), -1) << table.toStdString();
        EXPECT_EQ(dump(), before) << table.toStdString();
    }
    // A key that holds the direction collides with a stray row of the
    // number already under the new one: refused as that table's failure.
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio) VALUES ('ASL1', 'U', '%1', "
                       "'20241103101500', 1, 'U01')")
            .arg(number));
    const std::string stray = dump();
    const QVariantList reply = change(QStringLiteral("E"), number);
    EXPECT_EQ(reply.value(1).toString(), nimbo::direction::stepFailure(QStringLiteral("Tab_Iter_Documento")))
        << text(reply);
    EXPECT_EQ(dump(), stray);
    // Whatever failed before, the connection serves the next change.
    sql(QStringLiteral("DELETE FROM Tab_Iter_Documento WHERE Tab_TipoProtocollo = 'U' AND Tab_NumeroProtocollo = '%1'")
            .arg(number));
    ASSERT_EQ(change(QStringLiteral("E"), number).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(directions(), all(QStringLiteral("U"), QStringLiteral("D")));
}

TEST_P(DirectionServerTest, ProcessesTurningOneProtocolAtOnceNeverLeaveItHalfTurned)
{
    const bool pg = db().engine() == Engine::PostgreSQL;
    // One statement, one snapshot: rows of the number under the other
    // direction, and recipient rows that do not fit the direction.
    const QString n = QLatin1Char('\'') + number + QLatin1Char('\'');
    QStringList stray;
    for (const QString &t : kTables.mid(2, 8))
        stray << (t == QLatin1String("Tab_immagini")
                      ? QStringLiteral("(SELECT COUNT(*) FROM Tab_immagini i WHERE i.Prot_Numero = %1 AND i.Prot_EU <> "
                                       "p.Tab_TipoProtocollo)")
                            .arg(n)
                      : QStringLiteral("(SELECT COUNT(*) FROM %1 x WHERE x.Tab_NumeroProtocollo = %2 AND "
                                       "x.Tab_TipoProtocollo <> p.Tab_TipoProtocollo)")
                            .arg(t, n));
    stray << QStringLiteral("(SELECT COUNT(*) FROM Tab_ProtocolliCollegati c WHERE c.Tab_NumeroProtocolloC = %1 AND "
                            "c.Tab_TipoProtocolloC <> p.Tab_TipoProtocollo)")
                 .arg(n);
    const QString check = QStringLiteral("SELECT ") + stray.join(QStringLiteral(" + "))
                          + QStringLiteral(" + ABS((SELECT COUNT(*) FROM Tab_ProtocolloDestinatari d WHERE "
                                           "d.Tab_NumeroProtocollo = %1) - CASE WHEN p.Tab_TipoProtocollo = 'U' THEN 1 "
                                           "ELSE 0 END) FROM Tab_Protocollo p WHERE p.Tab_NumeroProtocollo = %1")
                                .arg(n);
    const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 1500);
    constexpr int kRounds = 15;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int i = 0; i < 2; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_DIRECTION_WORKER),
                 {pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location, kEnte, number,
                  QStringLiteral("OP01"), start, QString::number(kRounds)});
        workers.push_back(std::move(p));
    }
    int looks = 0;
    while (workers[0]->state() != QProcess::NotRunning || workers[1]->state() != QProcess::NotRunning) {
        const QStringList seen = column(check);
        if (!seen.isEmpty()) {
            EXPECT_EQ(seen, QStringList{QStringLiteral("0")});
            ++looks;
        }
        for (auto &p : workers)
            p->waitForFinished(5);
    }
    int made = 0;
    for (auto &p : workers) {
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        const QString out = QString::fromUtf8(p->readAllStandardOutput());
        EXPECT_EQ(out.count(QStringLiteral("OK")) + out.count(QStringLiteral("STALE")), 2 * kRounds);
        made += int(out.count(QStringLiteral("OK")));
    }
    EXPECT_GT(looks, 0);
    EXPECT_EQ(column(check), QStringList{QStringLiteral("0")});
    // Each change made left one state in the history, none was made twice.
    EXPECT_GT(made, 0);
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo_Storico WHERE Tab_NumeroProtocollo = %1").arg(n)),
              QStringList{QString::number(made)});
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = %1").arg(n)),
              QStringList{made % 2 ? QStringLiteral("U") : QStringLiteral("E")});
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(DirectionServerTest);
