// Attachments stored enciphered, on both engines: shown deciphered only to
// an operator who may see their protocol (the general search's visibility
// and the privacy rule), refused to anyone else, every read logged; and
// opened from the access log window through the attachment viewer.

#include "HistoryFixture.h"
#include "data/Cipher.h"
#include "documents/FrmProtVisAllegati.h"
#include "documents/ImageStore.h"
#include "history/FrmLogAccessi.h"
#include "servers/ImageRequests.h"
#include "ui/RowList.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

const QByteArray kClear = "Contenuto riservato della nota\n";

class Enciphered : public HistoryTest {
protected:
    void SetUp() override
    {
        HistoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        keyFile = db().folder() + QStringLiteral("/nimbo.key");
        QString error;
        ASSERT_TRUE(Cipher::createKey(keyFile, &error)) << error.toStdString();
        documents::setExternalOpener([](const QUrl &) { return true; });
        // P1 reserved, P2 not; both registered by the protocol office.
        protocol(QStringLiteral("20250000001"), QStringLiteral("S"));
        protocol(QStringLiteral("20250000002"), QStringLiteral("N"));
        reserved = attachment(QStringLiteral("20250000001"), true);
        open = attachment(QStringLiteral("20250000002"), true);
        plain = attachment(QStringLiteral("20250000002"), false);
    }
    void TearDown() override
    {
        documents::setExternalOpener({});
        HistoryTest::TearDown();
    }
    void protocol(const QString &number, const QString &privacy)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES "
                           "('001', 'E', '%1', '2025-03-04', 'NOTA', 2, 'LET', '%2', 'DEMO9', 'A', 'PRO', 'UPR')")
                .arg(number, privacy));
    }
    qlonglong attachment(const QString &number, bool enciphered)
    {
        QByteArray stored = kClear;
        QString error;
        if (enciphered) {
            EXPECT_TRUE(Cipher::encipherBytes(kClear, &stored, &error, keyFile)) << error.toStdString();
        }
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloGenerale, Nome_allegato, "
                                 "Descrizione_allegato, Tipo_Doc_allegato, allegato, Compresso, Criptato) VALUES "
                                 "('001', ?, 'nota.txt', 'NOTA RISERVATA', 'txt', ?, '0', ?)"));
        q.addBindValue(number);
        q.addBindValue(stored);
        q.addBindValue(enciphered ? QStringLiteral("1") : QStringLiteral("0"));
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
        return scalar(QStringLiteral("SELECT MAX(Id_allegato) FROM Tab_allegati")).toLongLong();
    }
    documents::Outcome readAs(const QString &op, qlonglong id, QByteArray *data)
    {
        auto &s = DicAmbiente::session();
        s.op.code = op;
        s.op.ente = QStringLiteral("001");
        return documents::readAttachment(QStringLiteral("001"), id, data, QStringLiteral(" - Prova"));
    }
    int logged(const QString &op, qlonglong id, bool refused)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO WHERE Utente = '%1' AND IDAllegato = %2 "
                                     "AND Funzione %3 '%Accesso negato%'")
                          .arg(op)
                          .arg(id)
                          .arg(refused ? QStringLiteral("LIKE") : QStringLiteral("NOT LIKE")))
            .toInt();
    }

    QString keyFile;
    qlonglong reserved = 0, open = 0, plain = 0;
};

TEST_P(Enciphered, ShownDecipheredOnlyToAnOperatorWhoMaySeeTheProtocol)
{
    auto &s = DicAmbiente::session();
    s.cfg.oleImg = kImageProgId;
    s.cfg.keyFile = keyFile;
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = 'S' WHERE Op_Codice_Operatore IN ('DEMO9', 'DEMO8')"));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = 'N' WHERE Op_Codice_Operatore = 'DEMO7'"));

    const struct {
        const char *op;
        qlonglong *id;
        bool shown;
        QString refusal;
    } cases[] = {
        // The registering office's whole-body manager sees both.
        {"DEMO9", &reserved, true, {}},
        {"DEMO9", &open, true, {}},
        // The office's manager may see the protocol, not a reserved one.
        {"DEMO7", &open, true, {}},
        {"DEMO7", &reserved, false, image::kPrivacyRefused},
        // Another department's manager holds the privacy right but the
        // protocol is not his department's: the enciphered one is refused,
        // the plain one follows the privacy rule alone, as before.
        {"DEMO8", &open, false, image::kEncipheredRefused},
        {"DEMO8", &reserved, false, image::kEncipheredRefused},
        {"DEMO8", &plain, true, {}},
        // An operator the register does not know.
        {"NESSUNO", &open, false, image::kPrivacyCheckFailed},
    };
    for (const auto &c : cases) {
        const QString op = QString::fromLatin1(c.op);
        QByteArray data;
        const documents::Outcome o = readAs(op, *c.id, &data);
        EXPECT_EQ(o.ok, c.shown) << c.op << " " << *c.id << " " << o.text.toStdString();
        if (c.shown) {
            EXPECT_EQ(data, kClear) << c.op;
        } else {
            EXPECT_TRUE(o.refused) << c.op;
            EXPECT_EQ(o.text, c.refusal) << c.op;
            EXPECT_TRUE(data.isEmpty()) << c.op;
        }
        EXPECT_EQ(logged(op, *c.id, !c.shown), 1) << c.op << " " << *c.id;
    }

    // A box the key does not open is refused, never shown as garbage.
    const QString otherKey = db().folder() + QStringLiteral("/altra.key");
    ASSERT_TRUE(Cipher::createKey(otherKey));
    s.cfg.keyFile = otherKey;
    QByteArray data;
    const documents::Outcome o = readAs(QStringLiteral("DEMO9"), open, &data);
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.enciphered);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_EQ(o.text, documents::kEncipheredText);
}

TEST_P(Enciphered, TheAccessLogOpensTheAttachmentOfARowDeciphered)
{
    sql(QStringLiteral("INSERT INTO Log_ACCESSI_PROTO (DataAccesso, Utente, NomeComputer, MacAddress, Funzione, Ente, "
                       "NumProtocollo, IDAllegato) VALUES ('2025-03-05 10:00:00', 'DEMO7', 'PC02', '-', ' - Preview "
                       "Allegati', '001', '20250000001', %1)")
            .arg(reserved));
    MDIMenu *main = start(QStringLiteral("DEMO9"), QStringLiteral("demo9pwd"),
                          {QStringLiteral("SET KEYFILE=") + keyFile});
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<history::FrmLogAccessi *>(chooseMenu(main, "MnuLogAccessi"));
    ASSERT_NE(w, nullptr);
    w->findChild<QLineEdit *>(QStringLiteral("TxtDIni"))->setText(QStringLiteral("05/03/2025"));
    w->findChild<QLineEdit *>(QStringLiteral("TxtDFine"))->setText(QStringLiteral("05/03/2025"));
    child(w, "CmdCerca")->click();
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 9), QStringLiteral("NOTA RISERVATA"));
    EXPECT_EQ(w->list()->text(0, 10), QStringLiteral("nota.txt"));
    auto *button = child(w, "CmdAllegato");
    EXPECT_FALSE(button->isEnabled());
    ASSERT_TRUE(w->list()->select(0, w->list()->text(0, 0)));
    QTest::keyClick(w->list()->view(), Qt::Key_Return);
    ASSERT_TRUE(button->isEnabled());
    boxes.clear();
    button->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *viewer = main->findChild<documents::FrmProtVisAllegati *>();
    ASSERT_NE(viewer, nullptr);
    QFile shown(viewer->file());
    ASSERT_TRUE(shown.open(QIODevice::ReadOnly)) << viewer->file().toStdString();
    EXPECT_EQ(shown.readAll(), kClear);
    // The read is in the log, signed by the operator at work.
    EXPECT_EQ(logged(QStringLiteral("DEMO9"), reserved, false), 1);
}

NIMBO_INSTANTIATE_ENGINES(Enciphered);

} // namespace
