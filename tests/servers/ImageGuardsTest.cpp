// The image server's guards on both engines: every text of every operation
// checked before anything is written or logged; the access log signed by
// the session's operator at the database server's time, reads of a
// provisional e-mail included; a connection the server ended is opened
// again; several processes storing at once leave one image per protocol and
// get back the identifiers of their own attachments.

#include <QProcess>
#include <QSqlQuery>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <memory>

#include "data/ConnectionPool.h"
#include "data/Funzioni_Com_1.h"
#include "servers/GenericServer.h"
#include "servers/ImageServer.h"
#include "session/DicAmbiente.h"
#include "support/ImageFixture.h"
#include "support/PgSessions.h"
#include "support/PrivateCluster.h"

namespace {

using namespace nimbo;
using test::noise;

const QString kNul = QString(QChar(0)) + QStringLiteral("x");
const QString kLoneSurrogate = QString(QChar(0xD800)) + QStringLiteral("x");
const QString kControl = QStringLiteral("OP") + QChar(0x1B) + QStringLiteral("1");

class ImageGuardsTest : public test::ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        number = registerProtocol(QStringLiteral("E"), QStringLiteral("Ordinaria"));
        ASSERT_EQ(number.size(), 11);
        server = std::make_unique<ImageServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    QString scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    QVariantList imageRequest(const QString &op, const QString &ente, const QString &key, const QString &column,
                              const QByteArray &bytes = QByteArray("II*pagina"))
    {
        return image::storeRequest(image::kImage, op, ente,
                                   {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"), column},
                                   {QStringLiteral("E"), key, bytes});
    }
    QVariantList attachmentRequest(const QString &op, const QString &name)
    {
        return image::storeRequest(image::kAttachment, op, kEnte,
                                   {QStringLiteral("num_ProtocolloGenerale"), QStringLiteral("Nome_allegato"),
                                    QStringLiteral("allegato")},
                                   {number, name, QByteArray("%PDF")});
    }
    QVariantList read(const QString &what, const QString &op, const QString &key, const QString &ente = kEnte,
                      const QString &workstation = QStringLiteral("PC-01"))
    {
        image::Reader who{ente, op, workstation, QStringLiteral("1 Adapter(s):"), QStringLiteral(" - Visualizza")};
        QVariantList r = image::readRequest(what, who, what == image::kImage ? QStringLiteral("E") : QString(), key);
        return server->Elabora(kOpLeggiDocumento, r);
    }
    QVariantList call(short operation, QVariantList request) { return server->Elabora(operation, request); }

    QString number;
    std::unique_ptr<ImageServer> server;
};

TEST_P(ImageGuardsTest, EveryTextOfEveryOperationIsCheckedBeforeAnythingIsWrittenOrLogged)
{
    struct Case {
        const char *what;
        short operation;
        QVariantList request;
        QString field;
    };
    const QDateTime scanned(QDate(2026, 3, 14), QTime(9, 0));
    const QVector<Case> cases = {
        {"operator with NUL", kOpRegistraAllegato, imageRequest(kNul, kEnte, number, "Immagine"), "operatore"},
        {"body with a lone surrogate", kOpRegistraAllegato, imageRequest("OP01", kLoneSurrogate, number, "Immagine"),
         "ente"},
        {"key with NUL", kOpRegistraAllegato, imageRequest("OP01", kEnte, number + kNul, "Immagine"), "Prot_Numero"},
        {"column name with NUL", kOpRegistraAllegato, imageRequest("OP01", kEnte, number, "Immagine" + kNul),
         "nome di colonna"},
        {"attachment name with escape", kOpRegistraAllegato, attachmentRequest("OP01", kControl), "Nome_allegato"},
        {"attachment operator with escape", kOpRegistraAllegato, attachmentRequest(kControl, "a.pdf"), "operatore"},
        {"delete with NUL id", kOpRegistraAllegato,
         {QStringLiteral("C"), image::kAttachment, QStringLiteral("OP01"), QStringLiteral("1") + kNul, kEnte},
         "Id_allegato"},
        {"recovery operator with NUL", kOpRegistraImmagineEmergenza,
         image::recoveredImageRequest(kNul, kEnte, "E", number, "II*", "0", scanned), "operatore"},
        {"recovery body with a lone surrogate", kOpRegistraImmagineEmergenza,
         image::recoveredImageRequest("OP01", kLoneSurrogate, "E", number, "II*", "0", scanned), "ente"},
    };
    for (const Case &c : cases) {
        const QVariantList reply = call(c.operation, c.request);
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("991")) << c.what;
        EXPECT_TRUE(reply.value(1).toString().contains(c.field)) << c.what << ": " << reply.value(1).toString().toStdString();
        // A refusal never echoes the bad text back.
        EXPECT_FALSE(reply.value(1).toString().contains(QChar(0))) << c.what;
    }

    // Reads: every field, each refused before its access-log row.
    image::Reader who{kEnte, QStringLiteral("OP01"), QStringLiteral("PC-01"), QStringLiteral("1 Adapter(s):"),
                      QStringLiteral(" - Visualizza")};
    const QVariantList good = image::readRequest(image::kImage, who, QStringLiteral("E"), number);
    const QStringList fields = {"tipo di lettura", "ente",          "tipo di protocollo", "documento",
                                "operatore",       "nome del computer", "schede di rete", "funzione"};
    for (int i = 0; i < fields.size(); ++i) {
        for (const QString &bad : {kNul, kLoneSurrogate, kControl}) {
            QVariantList r = good;
            r[i] = r[i].toString() + bad;
            const QVariantList reply = call(kOpLeggiDocumento, r);
            EXPECT_EQ(reply.value(0).toString(), QStringLiteral("991")) << fields[i].toStdString();
            EXPECT_TRUE(reply.value(1).toString().contains(fields[i])) << reply.value(1).toString().toStdString();
        }
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_allegati")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")), QStringLiteral("0"));
    // Tab, line feed and carriage return are ordinary text.
    EXPECT_EQ(read(image::kImage, QStringLiteral("OP01"), number, kEnte, QStringLiteral("PC\t01\r\n")).value(0).toInt(),
              1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")), QStringLiteral("1"));
}

TEST_P(ImageGuardsTest, ReadsOfAProvisionalEmailAreLoggedAndSignedByTheSessionOperator)
{
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO Tab_ProtocEmailProvvis (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocolloProvv, Tab_Oggetto, Tab_email) VALUES (?, 'E', 77, "
                                         "'Posta', ?)")));
    q.addBindValue(kEnte);
    q.addBindValue(QByteArray("From: a@b"));
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();

    QVariantList reply = read(image::kEmail, QStringLiteral("OP01"), QStringLiteral("77"));
    ASSERT_EQ(reply.value(0).toInt(), 0) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toByteArray(), QByteArray("From: a@b"));

    // Logged in, the session's operator signs the row, whatever the
    // request names.
    DicAmbiente::session().op.code = QStringLiteral("OP02");
    reply = read(image::kImage, QStringLiteral("OP01"), number);
    DicAmbiente::session().op.code.clear();
    EXPECT_EQ(reply.value(0).toInt(), 1);

    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Utente, Funzione, NumProtocollo FROM Log_ACCESSI_PROTO ORDER BY ID")));
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString() + QLatin1Char('|')
                    + q.value(2).toString();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("OP01| - Visualizza - E-mail provvisoria N. 77|"),
                                 QStringLiteral("OP02| - Visualizza|") + number}));
}

TEST_P(ImageGuardsTest, TimesComeFromTheDatabaseServersClock)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "the SQLite register has no clock but the workstation's";
    // The database server keeps a clock 14 hours off the workstation's
    // (another time zone), set before the image server connects.
    const QString zone = QDateTime::currentDateTime().offsetFromUtc() == 14 * 3600 ? QStringLiteral("UTC")
                                                                                  : QStringLiteral("Pacific/Kiritimati");
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("ALTER DATABASE %1 SET TimeZone = '%2'").arg(test::databaseName(db()), zone)));
    const QDateTime serverNow = QDateTime::currentDateTimeUtc().toTimeZone(QTimeZone(zone.toLatin1()));
    const auto nearServer = [&](const QString &stamp) {
        const QDateTime t = QDateTime::fromString(stamp.left(19).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                                  QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QDateTime server(serverNow.date(), serverNow.time());
        return t.isValid() && qAbs(t.secsTo(server)) < 120;
    };

    QVariantList r = imageRequest(QStringLiteral("OP01"), kEnte, number, QStringLiteral("Immagine"));
    ASSERT_EQ(call(kOpRegistraAllegato, r).value(0).toInt(), 0);
    ASSERT_EQ(read(image::kImage, QStringLiteral("OP01"), number).value(0).toInt(), 0);
    const QString inserted = scalar(QStringLiteral("SELECT Data_Ins_Var FROM Tab_immagini"));
    const QString logged = scalar(QStringLiteral("SELECT DataAccesso FROM Log_ACCESSI_PROTO"));
    EXPECT_TRUE(nearServer(inserted)) << inserted.toStdString();
    EXPECT_TRUE(nearServer(logged)) << logged.toStdString();

    // A recovered image keeps its scan time and takes the server's date as
    // its migration date.
    ProtocolServer protocols(db().centralTarget());
    ColumnValues columns = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Recuperato"));
    for (auto &c : columns) {
        if (c.first == QLatin1String("Tab_RegistroTemporaneo"))
            c.second = QStringLiteral("2026TPST1001");
        if (c.first == QLatin1String("Tab_ProtocolloTemporaneo"))
            c.second = QStringLiteral("0000009|14/03/2026");
    }
    QVariantList reg = registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, QStringLiteral("E"), {}),
                                           columns, QStringLiteral("OP01"));
    const QString recovered = protocols.Elabora(kOpRegistraProtocollo, reg).value(2).toString();
    QVariantList copy = image::recoveredImageRequest(QStringLiteral("OP01"), kEnte, QStringLiteral("E"), recovered,
                                                     "II*", QStringLiteral("0"),
                                                     QDateTime(QDate(2026, 3, 14), QTime(9, 0)));
    ASSERT_EQ(call(kOpRegistraImmagineEmergenza, copy).value(0).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Data_Migrazione FROM Tab_immagini WHERE Prot_Numero = '%1'").arg(recovered))
                  .left(10),
              serverNow.date().toString(Qt::ISODate));
}

TEST_P(ImageGuardsTest, AConnectionTheServerEndedIsOpenedAgain)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "a database server that ends sessions";
    QVariantList r = imageRequest(QStringLiteral("OP01"), kEnte, number, QStringLiteral("Immagine"), "prima");
    ASSERT_EQ(call(kOpRegistraAllegato, r).value(0).toInt(), 0);

    // A killed session (or a restart): each operation finds its connection
    // gone and runs on a new one, with nothing written twice.
    ASSERT_NO_FATAL_FAILURE(test::endSessionsOf(db(), db().central()));
    QVariantList got = read(image::kImage, QStringLiteral("OP01"), number);
    ASSERT_EQ(got.value(0).toInt(), 0) << got.value(1).toString().toStdString();
    EXPECT_EQ(got.value(2).toByteArray(), QByteArray("prima"));
    ASSERT_NO_FATAL_FAILURE(test::endSessionsOf(db(), db().central()));
    r = imageRequest(QStringLiteral("OP01"), kEnte, number, QStringLiteral("Immagine"), "dopo");
    got = call(kOpRegistraAllegato, r);
    ASSERT_EQ(got.value(0).toInt(), 0) << got.value(1).toString().toStdString();
    ASSERT_NO_FATAL_FAILURE(test::endSessionsOf(db(), db().central()));
    QVariantList add = attachmentRequest(QStringLiteral("OP01"), QStringLiteral("a.pdf"));
    got = call(kOpRegistraAllegato, add);
    ASSERT_EQ(got.value(0).toInt(), 0) << got.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_allegati")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")), QStringLiteral("1"));

    // The pool itself never hands out a connection a statement found gone,
    // whoever ran it.
    QString err;
    ConnectionPool::Connection *c = ConnectionPool::acquire(QStringLiteral("Prova"), db().centralTarget(), &err);
    ASSERT_TRUE(c) << err.toStdString();
    ASSERT_NO_FATAL_FAILURE(test::endSessionsOf(db(), db().central()));
    {
        QSqlQuery dead(c->db.sql());
        EXPECT_FALSE(dead.exec(QStringLiteral("SELECT 1")));
    }
    c = ConnectionPool::acquire(QStringLiteral("Prova"), db().centralTarget(), &err);
    ASSERT_TRUE(c) << err.toStdString();
    QSqlQuery alive(c->db.sql());
    EXPECT_TRUE(alive.exec(QStringLiteral("SELECT 1")) && alive.next()) << alive.lastError().text().toStdString();
}

// Several processes store the image of one protocol and an attachment of
// the same name on their own protocol, at once.
TEST_P(ImageGuardsTest, ProcessesSideBySideLeaveOneImageAndGetTheirOwnAttachmentIds)
{
    constexpr int kWorkers = 4, kRounds = 15;
    QStringList own;
    for (int i = 0; i < kWorkers; ++i) {
        own << registerProtocol(QStringLiteral("E"), QStringLiteral("Del processo %1").arg(i));
        ASSERT_EQ(own.last().size(), 11);
    }
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int i = 0; i < kWorkers; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_IMAGE_WORKER),
                 {pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location, kEnte,
                  QString::number(kRounds), number, own[i]});
        ps.push_back(std::move(p));
    }
    QSqlQuery q(db().central());
    for (int i = 0; i < kWorkers; ++i) {
        QProcess &p = *ps[size_t(i)];
        ASSERT_TRUE(p.waitForFinished(180000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QStringList ids =
            QString::fromLatin1(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(ids.size(), kRounds);
        for (const QString &id : ids) {
            ASSERT_TRUE(q.exec(QStringLiteral("SELECT num_ProtocolloGenerale FROM Tab_allegati WHERE Id_allegato = ")
                               + QString::number(id.toLongLong()))
                        && q.next())
                << id.toStdString();
            EXPECT_EQ(q.value(0).toString(), own[i]) << "attachment " << id.toStdString();
        }
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_allegati")), QString::number(kWorkers * kRounds));
}

NIMBO_INSTANTIATE_ENGINES(ImageGuardsTest);

// A real restart of a database server of the test's own: the servers held
// across it (their connections pooled) work again at once.
TEST(ServersAcrossARestart, EveryServerWorksAgainAfterTheDatabaseServerRestarted)
{
    const QString shared = test::TestDb::postgresAdminConnInfo();
    if (shared.isEmpty())
        GTEST_SKIP() << "NIMBO_TEST_PG not set";
    test::PrivateCluster cluster;
    ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
    struct Restore {
        QByteArray value;
        ~Restore() { qputenv("NIMBO_TEST_PG", value); }
    } restore{shared.toUtf8()};
    qputenv("NIMBO_TEST_PG", cluster.connInfo().toUtf8());
    {
        test::TestDb db(Dialect::Engine::PostgreSQL);
        ASSERT_TRUE(db.ok()) << db.error().toStdString();
        QString error;
        ASSERT_TRUE(test::seedRegistrationReferences(db.central(), QStringLiteral("ASL1"), &error)) << error.toStdString();
        const auto registration = [&](ProtocolServer &server) {
            QVariantList r = registrationRequest(
                QStringLiteral("A"), protocolCondition(QStringLiteral("ASL1"), QStringLiteral("E"), {}),
                test::newProtocolColumns(QStringLiteral("ASL1"), QStringLiteral("E"), QStringLiteral("Riavvio")),
                QStringLiteral("OP01"));
            return server.Elabora(kOpRegistraProtocollo, r);
        };
        ProtocolServer protocols(db.centralTarget());
        ImageServer images(db.centralTarget());
        GenericServer reads;
        const QString number = registration(protocols).value(2).toString();
        ASSERT_EQ(number.size(), 11);
        QVariantList scan = image::storeRequest(image::kImage, QStringLiteral("OP01"), QStringLiteral("ASL1"),
                                                {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                                 QStringLiteral("Immagine")},
                                                {QStringLiteral("E"), number, QByteArray("II*")});
        ASSERT_EQ(images.Elabora(kOpRegistraAllegato, scan).value(0).toInt(), 0);
        QVariantList count{QStringLiteral("PROTOCOLLO"), QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")};
        ASSERT_EQ(reads.Elabora(Funzioni_Com_1::kOpRows, count).value(0).toInt(), 0);

        ASSERT_TRUE(cluster.restart()) << cluster.error().toStdString();
        image::Reader who{QStringLiteral("ASL1"), QStringLiteral("OP01"), QStringLiteral("PC-01"), QString(),
                          QStringLiteral(" - Visualizza")};
        QVariantList view = image::readRequest(image::kImage, who, QStringLiteral("E"), number);
        const QVariantList shown = images.Elabora(kOpLeggiDocumento, view);
        EXPECT_EQ(shown.value(0).toInt(), 0) << shown.value(1).toString().toStdString();
        EXPECT_EQ(shown.value(2).toByteArray(), QByteArray("II*"));
        const QVariantList again = registration(protocols);
        EXPECT_EQ(again.value(0).toInt(), 0) << again.value(1).toString().toStdString();
        const QVariantList counted = reads.Elabora(Funzioni_Com_1::kOpRows, count);
        EXPECT_EQ(counted.value(0).toInt(), 0) << counted.value(1).toString().toStdString();
        EXPECT_EQ(counted.value(2).toList().value(0).toList().value(0).toInt(), 1);
        ConnectionPool::closeAll();
    }
}

} // namespace
