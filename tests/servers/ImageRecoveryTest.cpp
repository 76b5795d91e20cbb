// Operation 301 of the image server on both engines: the image of a
// recovered emergency registration stored under its definitive protocol,
// byte for byte, with the scan's time and marked migrated; tried again it
// replaces its copy; a protocol that did not come from an emergency
// register, a bad time or an inactive operator are refused with nothing
// written.

#include <QRandomGenerator>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/ImageServer.h"
#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"
#include "support/TestDb.h"

namespace {

using namespace nimbo;

const QString kEnte = QStringLiteral("ASL1");

class ImageRecoveryTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<ImageServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    // A protocol of the general register, from the emergency register when
    // a temporary number is given.
    QString registerProtocol(const QString &direction, const QString &temporary)
    {
        ProtocolServer protocols(db().centralTarget());
        ColumnValues columns = test::newProtocolColumns(kEnte, direction, QStringLiteral("Recuperato"));
        for (auto &c : columns) {
            if (c.first == QLatin1String("Tab_RegistroTemporaneo"))
                c.second = temporary.isEmpty() ? QString() : QStringLiteral("2026TPST1001");
            if (c.first == QLatin1String("Tab_ProtocolloTemporaneo"))
                c.second = temporary;
        }
        QVariantList r = registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, direction, {}), columns,
                                             QStringLiteral("OP01"));
        const QVariantList reply = protocols.Elabora(kOpRegistraProtocollo, r);
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        return reply.value(2).toString();
    }
    QVariantList store(const QString &direction, const QString &number, const QByteArray &bytes, const QString &flag,
                       const QDateTime &scanned, const QString &op = QStringLiteral("OP01"))
    {
        QVariantList r = image::recoveredImageRequest(op, kEnte, direction, number, bytes, flag, scanned);
        return server->Elabora(kOpRegistraImmagineEmergenza, r);
    }
    QStringList rows(const QString &number)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("SELECT Tipo_protocollo, Prot_EU, Compresso, Migrato_su_Server, Data_Ins_Var, "
                                 "Data_Migrazione, Immagine FROM Tab_immagini WHERE ID_ente = ? AND Prot_Numero = ?"));
        q.addBindValue(kEnte);
        q.addBindValue(number);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next()) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << q.value(c).toString().trimmed();
            cells << q.value(4).toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
            cells << q.value(5).toString().left(10);
            cells << QString::number(qHash(q.value(6).toByteArray()));
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    static QByteArray noise(int size, quint32 seed)
    {
        QByteArray b(size, Qt::Uninitialized);
        QRandomGenerator g(seed);
        for (char &c : b)
            c = char(g.bounded(256));
        return b;
    }

    std::unique_ptr<ImageServer> server;
};

TEST_P(ImageRecoveryTest, StoresTheImageUnderTheDefinitiveProtocolOnceWithItsScanTime)
{
    const QString incoming = registerProtocol(QStringLiteral("E"), QStringLiteral("0000001|14/03/2026"));
    const QString outgoing = registerProtocol(QStringLiteral("U"), QStringLiteral("0000002|14/03/2026"));
    ASSERT_EQ(incoming.size(), 11);
    ASSERT_EQ(outgoing.size(), 11);
    const QDateTime scanned(QDate(2026, 3, 14), QTime(10, 15, 30));
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    // Bytes that are not text (a zero byte among them) come back unchanged.
    const QByteArray tiff = noise(70000, 1) + QByteArray(1, '\0') + noise(10, 2);
    const QByteArray zipped = noise(5000, 3);

    QVariantList reply = store(QStringLiteral("E"), incoming, tiff, QStringLiteral("0"), scanned);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    reply = store(QStringLiteral("U"), outgoing, zipped, QStringLiteral("1"), scanned);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(rows(incoming), QStringList{QStringLiteral("E|E|0|S|2026-03-14 10:15:30|") + today + QLatin1Char('|')
                                          + QString::number(qHash(tiff))});
    EXPECT_EQ(rows(outgoing), QStringList{QStringLiteral("D|U|1|S|2026-03-14 10:15:30|") + today + QLatin1Char('|')
                                          + QString::number(qHash(zipped))});

    // A recovery tried again replaces its own copy: still one image.
    const QByteArray again = noise(300, 4);
    reply = store(QStringLiteral("E"), incoming, again, QStringLiteral("0"), scanned);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(reply.value(3).toString(), QStringLiteral("S"));
    EXPECT_EQ(rows(incoming), QStringList{QStringLiteral("E|E|0|S|2026-03-14 10:15:30|") + today + QLatin1Char('|')
                                          + QString::number(qHash(again))});
}

TEST_P(ImageRecoveryTest, ARetryNeverReplacesAnImageThatDidNotComeFromTheEmergencyRegistration)
{
    const QString number = registerProtocol(QStringLiteral("E"), QStringLiteral("0000004|14/03/2026"));
    ASSERT_EQ(number.size(), 11);
    // The copy failed; then the paper was scanned on the definitive protocol.
    const QByteArray newer = noise(500, 6);
    QVariantList scan = image::storeRequest(image::kImage, QStringLiteral("OP01"), kEnte,
                                            {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                             QStringLiteral("Immagine"), QStringLiteral("Migrato_su_Server")},
                                            {QStringLiteral("E"), number, newer, QStringLiteral("S")});
    const QVariantList scanned = server->Elabora(kOpRegistraAllegato, scan);
    ASSERT_EQ(scanned.value(0).toString(), QStringLiteral("0"));
    const QStringList before = rows(number);

    const QVariantList reply =
        store(QStringLiteral("E"), number, noise(400, 7), QStringLiteral("0"), QDateTime(QDate(2026, 3, 14), QTime(9, 0)));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(3).toString(), QStringLiteral("N"));
    EXPECT_EQ(reply.value(2).toString(), scanned.value(2).toString());
    EXPECT_TRUE(reply.value(1).toString().startsWith(QStringLiteral("Il protocollo ") + number
                                                     + QStringLiteral(" ha già un'immagine, registrata il ")))
        << reply.value(1).toString().toStdString();
    EXPECT_EQ(rows(number), before);
    ASSERT_EQ(before.size(), 1);
    EXPECT_TRUE(before[0].endsWith(QString::number(qHash(newer))));
}

TEST_P(ImageRecoveryTest, RefusesWhatIsNotARecoveredRegistrationAndWritesNothing)
{
    const QString ordinary = registerProtocol(QStringLiteral("E"), QString());
    const QString recovered = registerProtocol(QStringLiteral("E"), QStringLiteral("0000003|14/03/2026"));
    const QDateTime scanned(QDate(2026, 3, 14), QTime(9, 0));
    const QByteArray tiff = noise(100, 5);

    QVariantList reply = store(QStringLiteral("E"), ordinary, tiff, QStringLiteral("0"), scanned);
    EXPECT_EQ(reply.value(0).toString(), QStringLiteral("991"));
    EXPECT_EQ(reply.value(1).toString(),
              QStringLiteral("Il protocollo ") + ordinary + QStringLiteral(" non proviene da un registro di emergenza."));
    // The definitive number must be of that direction.
    reply = store(QStringLiteral("U"), recovered, tiff, QStringLiteral("0"), scanned);
    EXPECT_EQ(reply.value(1).toString(), QStringLiteral("Protocollo inesistente: ") + recovered);
    reply = store(QStringLiteral("E"), recovered, tiff, QStringLiteral("0"), QDateTime());
    EXPECT_EQ(reply.value(0).toString(), QStringLiteral("991"));
    EXPECT_TRUE(reply.value(1).toString().startsWith(QStringLiteral("Data di inserimento dell'immagine non valida")));
    reply = store(QStringLiteral("E"), recovered, tiff, QStringLiteral("0"), scanned, QStringLiteral("NESSUNO"));
    EXPECT_EQ(reply.value(1).toString(), QStringLiteral("Operatore non abilitato per l'ente: NESSUNO"));
    // 301 stores images only.
    QVariantList wrong{QStringLiteral("C"), image::kAttachment, QStringLiteral("OP01"), 1, kEnte};
    EXPECT_EQ(server->Elabora(kOpRegistraImmagineEmergenza, wrong).value(0).toString(), QStringLiteral("991"));

    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

NIMBO_INSTANTIATE_ENGINES(ImageRecoveryTest);

} // namespace
