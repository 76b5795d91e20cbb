// The linked-protocols panel of the registration window as a clerk uses it:
// reached by its button, linking through "Collega ulteriore protocollo",
// the chosen link's detail, and its removal with the confirmation.

#include <QGroupBox>
#include <QLabel>

#include "LinkWindowFixture.h"

using namespace nimbo;

namespace {

using LinkPanel = test::LinkWindowTest;

} // namespace

TEST_P(LinkPanel, LinksAreMadeSeenAndRemovedFromTheRegistrationWindow)
{
    // Without the privacy right: the reserved protocol is masked.
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = 'N' WHERE Op_Codice_Operatore = 'DEMO9'"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    protocol::FrmProtocollo *reg = openProtocol(main, kP);
    ASSERT_NE(reg, nullptr);

    child(reg, "btnTB_0")->click();
    auto *panel = reg->findChild<QGroupBox *>(QStringLiteral("FraCollegati"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->title(), QStringLiteral("Documenti protocollati collegati al protocollo N. 2025-0000042"));
    ui::RowList *linked = rows(reg, "LWCollegati");
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->count(), 0);
    child(panel, "CmdCancellaCollegato")->click();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Per poter cancellare un collegamento bisogna prima averlo selezionato dalla lista.")});

    // The link window, on this protocol.
    child(panel, "CmdCollega")->click();
    QWidget *link = active(main);
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(link->objectName(), QStringLiteral("FrmCollega"));
    EXPECT_EQ(link->windowTitle(), QStringLiteral("Collega ulteriore protocollo"));
    boxes.clear();
    child(link, "CmdCollega")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Per collegare un protocollo bisogna prima selezionarlo dall'elenco")});
    press(main, "CERCA");
    ui::RowList *offered = rows(link, "LwProtocolli");
    ASSERT_NE(offered, nullptr);
    const QStringList numbers = column(offered, 1);
    EXPECT_TRUE(numbers.contains(QStringLiteral("2025-0000050")));
    EXPECT_TRUE(numbers.contains(QStringLiteral("2025-0000051")));
    EXPECT_FALSE(numbers.contains(QStringLiteral("2025-0000042"))) << "not the protocol itself";
    EXPECT_FALSE(numbers.contains(QStringLiteral("2025-0000049"))) << "not a cancelled one";
    test::expectFitsWithFieldsLabelled(main, link, db().folder() + QStringLiteral("/FrmCollega.png"));
    ASSERT_TRUE(offered->select(1, QStringLiteral("2025-0000051")));
    EXPECT_EQ(offered->text(offered->currentRow(), 3), QString::fromLatin1(protocol::scope::kTrayMask));
    boxes.clear();
    child(link, "CmdDocumenti")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(
                                 "Documento Riservato. L'utente non ha le abilitazioni necessarie per prenderne visione.")});

    // Linking the reply: the panel behind shows it at once, the list here
    // no longer offers it.
    ASSERT_TRUE(offered->select(1, QStringLiteral("2025-0000050")));
    child(link, "CmdCollega")->click();
    EXPECT_EQ(links(), 2);
    EXPECT_FALSE(column(offered, 1).contains(QStringLiteral("2025-0000050")));
    ASSERT_EQ(linked->count(), 1);
    EXPECT_EQ(linked->text(0, 1), QStringLiteral("2025-0000050"));
    EXPECT_EQ(linked->text(0, 2), QStringLiteral("10/03/2025"));

    // The consultation window of the search windows shows the link from the
    // other side, and cannot change it.
    QWidget *det = WindowRegistry::open(QStringLiteral("FrmDetCollegati"));
    ASSERT_NE(det, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(det, "setProtocol", Q_ARG(QString, QStringLiteral("U")), Q_ARG(QString, kQ)));
    EXPECT_EQ(column(rows(det, "LWCollegati"), 1), QStringList{QStringLiteral("2025-0000042")});
    EXPECT_TRUE(child(det, "CmdCollega")->isHidden());
    EXPECT_TRUE(child(det, "CmdCancellaCollegato")->isHidden());
    child(det, "CmdTornaProtocollo")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The chosen link's detail.
    activate(main, reg);
    chooseRow(linked, 1, QStringLiteral("2025-0000050"));
    EXPECT_EQ(text(panel, "TxtOggettoCollegato"), QStringLiteral("RISPOSTA ALLA DOMANDA"));
    EXPECT_EQ(text(panel, "TxtDataCollegato"), QStringLiteral("10/03/2025"));
    EXPECT_EQ(text(panel, "TxtTipoCollegato"), QStringLiteral("U"));

    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty())
        main->grab().save(keep + QStringLiteral("/FraCollegati.png"));

    // Removal asks first; "No" keeps it, "Yes" takes both rows.
    boxes.clear();
    boxes.answers = {Answer::No};
    child(panel, "CmdCancellaCollegato")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL collegamento selezionato?")});
    EXPECT_EQ(links(), 2);
    chooseRow(linked, 1, QStringLiteral("2025-0000050"));
    boxes.answers = {Answer::Yes};
    child(panel, "CmdCancellaCollegato")->click();
    EXPECT_EQ(links(), 0);
    EXPECT_EQ(linked->count(), 0);

    // And back to the protocol.
    child(panel, "CmdTornaProtocollo")->click();
    EXPECT_TRUE(child<QWidget>(reg, "FraRegistrazione")->isVisible());
}

NIMBO_INSTANTIATE_ENGINES(LinkPanel);
