// The image server on both engines: an image replaces the protocol's image
// in one row, attachments come back byte for byte, the fixed reads apply the
// privacy rule, and every read of a protocol's document, allowed or
// refused, leaves its access-log row.

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/ImageServer.h"
#include "support/ImageFixture.h"

namespace {

using namespace nimbo;
using test::noise;

class ImageServerTest : public test::ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        run("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Ente, Op_Livello, Op_Attivo, "
            "Op_AbilPrivacy) VALUES ('OP03', 'Verdi', 'ASL1', '9', 'S', 'S')");
        number = registerProtocol(QStringLiteral("E"), QStringLiteral("Riservata"), true);
        ASSERT_EQ(number.size(), 11);
        server = std::make_unique<ImageServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    void run(const char *sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << sql;
    }
    QString scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    QVariantList storeImage(const QByteArray &bytes, const QString &flag = QStringLiteral("0"))
    {
        QVariantList r = image::storeRequest(image::kImage, QStringLiteral("OP01"), kEnte,
                                             {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                              QStringLiteral("Immagine"), QStringLiteral("Compresso")},
                                             {QStringLiteral("E"), number, bytes, flag});
        return server->Elabora(kOpRegistraAllegato, r);
    }
    QVariantList read(const QString &what, const QString &op, const QString &key, const QString &direction = "E")
    {
        image::Reader who{kEnte, op, QStringLiteral("PC-01"), QStringLiteral("1 Adapter(s):"),
                          QStringLiteral(" - Visualizza")};
        QVariantList r = image::readRequest(what, who, what == image::kImage ? direction : QString(), key);
        return server->Elabora(kOpLeggiDocumento, r);
    }

    QString number;
    std::unique_ptr<ImageServer> server;
};

TEST_P(ImageServerTest, ImageReplacesAndAttachmentsComeBackWhole)
{
    const QByteArray first = noise(70000, 1), second = noise(90000, 2);
    ASSERT_EQ(storeImage(first).value(0).toInt(), 0);
    const QVariantList stored = storeImage(second, QStringLiteral("1"));
    ASSERT_EQ(stored.value(0).toInt(), 0) << stored.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tipo_protocollo FROM Tab_immagini")), QStringLiteral("E"));
    QVariantList got = read(image::kImage, QStringLiteral("OP01"), number);
    ASSERT_EQ(got.value(0).toInt(), 0) << got.value(1).toString().toStdString();
    EXPECT_EQ(got.value(2).toByteArray(), second);
    EXPECT_EQ(got.value(3).toString(), QStringLiteral("1"));

    // An attachment with a hostile name is stored as it was sent.
    const QByteArray doc = noise(300000, 3);
    QVariantList add = image::storeRequest(
        image::kAttachment, QStringLiteral("OP01"), kEnte,
        {QStringLiteral("num_ProtocolloGenerale"), QStringLiteral("Nome_allegato"),
         QStringLiteral("Descrizione_allegato"), QStringLiteral("Tipo_Doc_allegato"), QStringLiteral("allegato")},
        {number, QStringLiteral("../../x\nrapporto.pdf"), QStringLiteral("Rapporto"), QStringLiteral("pdf"), doc});
    const QVariantList added = server->Elabora(kOpRegistraAllegato, add);
    ASSERT_EQ(added.value(0).toInt(), 0) << added.value(1).toString().toStdString();
    const QString id = added.value(2).toString();
    got = read(image::kAttachment, QStringLiteral("OP01"), id);
    ASSERT_EQ(got.value(0).toInt(), 0);
    EXPECT_EQ(got.value(2).toByteArray(), doc);
    EXPECT_EQ(got.value(3).toString(), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Nome_allegato FROM Tab_allegati")), QStringLiteral("../../x\nrapporto.pdf"));

    QVariantList del = image::deleteAttachmentRequest(QStringLiteral("OP01"), kEnte, id.toLongLong());
    EXPECT_EQ(server->Elabora(kOpRegistraAllegato, del).value(0).toInt(), 0);
    EXPECT_EQ(server->Elabora(kOpRegistraAllegato, del).value(0).toString(), QStringLiteral("991"));
    EXPECT_EQ(read(image::kAttachment, QStringLiteral("OP01"), id).value(0).toInt(), 1);
}

TEST_P(ImageServerTest, RefusesWhatItDoesNotKnowAndWritesNothing)
{
    QVariantList bad = image::storeRequest(image::kImage, QStringLiteral("OP01"), kEnte,
                                           {QStringLiteral("Prot_Numero"), QStringLiteral("ID_ente; DROP")},
                                           {number, QStringLiteral("x")});
    EXPECT_EQ(server->Elabora(kOpRegistraAllegato, bad).value(0).toString(), QStringLiteral("991"));
    QVariantList ghost = image::storeRequest(image::kImage, QStringLiteral("OP01"), kEnte,
                                             {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                              QStringLiteral("Immagine")},
                                             {QStringLiteral("E"), QStringLiteral("20249999999"), QByteArray("x")});
    EXPECT_EQ(server->Elabora(kOpRegistraAllegato, ghost).value(0).toString(), QStringLiteral("991"));
    QVariantList stranger = image::storeRequest(image::kImage, QStringLiteral("NOBODY"), kEnte,
                                                {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                                 QStringLiteral("Immagine")},
                                                {QStringLiteral("E"), number, QByteArray("x")});
    EXPECT_EQ(server->Elabora(kOpRegistraAllegato, stranger).value(0).toString(), QStringLiteral("991"));
    // A read is one of the fixed forms, never SQL text.
    QVariantList sqlText{QStringLiteral("select immagine from Tab_immagini"), kEnte, "E", number, "OP01", "", "", "", "S"};
    EXPECT_EQ(server->Elabora(kOpLeggiDocumento, sqlText).value(0).toString(), QStringLiteral("991"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")), QStringLiteral("0"));
}

TEST_P(ImageServerTest, PrivacyDecidesAndEveryReadIsLogged)
{
    ASSERT_EQ(storeImage(QByteArray("II*\0pagina", 10)).value(0).toInt(), 0);
    // OP02 has no privacy right and did not register it.
    QVariantList r = read(image::kImage, QStringLiteral("OP02"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusPrivacy);
    EXPECT_EQ(r.value(1).toString(), image::kPrivacyRefused);
    EXPECT_FALSE(r.value(2).isValid());
    // Its registering operator and a holder of the right see it.
    EXPECT_EQ(read(image::kImage, QStringLiteral("OP01"), number).value(0).toInt(), 0);
    EXPECT_EQ(read(image::kImage, QStringLiteral("OP03"), number).value(0).toInt(), 0);
    // An operator the check cannot find is refused, not let through.
    r = read(image::kImage, QStringLiteral("GHOST"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusPrivacy);
    EXPECT_EQ(r.value(1).toString(), image::kPrivacyCheckFailed);

    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Utente, NomeComputer, MacAddress, Funzione, Ente, NumProtocollo "
                                      "FROM Log_ACCESSI_PROTO ORDER BY ID")));
    QStringList rows;
    while (q.next())
        rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toString(), q.value(4).toString(), q.value(5).toString()}
                    .join(QLatin1Char('|'));
    const QString tail = QStringLiteral("|PC-01|1 Adapter(s):| - Visualizza");
    const QString proto = QStringLiteral("|ASL1|") + number;
    EXPECT_EQ(rows, (QStringList{QStringLiteral("OP02") + tail + QStringLiteral(" - Accesso negato") + proto,
                                 QStringLiteral("OP01") + tail + proto, QStringLiteral("OP03") + tail + proto,
                                 QStringLiteral("GHOST") + tail + QStringLiteral(" - Accesso negato") + proto}));
}

NIMBO_INSTANTIATE_ENGINES(ImageServerTest);

} // namespace
