// The direction-change window the way a clerk reaches it, on both engines:
// the main menu's "Modifica Tipo Protocollo (E/U)", the number typed, the
// protocol found only when he registered it and it is neither archived nor
// cancelled, "Inverti Tipologia" through the protocol server; and the
// protocol then found in the registration window's search under its new
// direction, with its link and its iter.

#include <QGroupBox>
#include <QTreeWidget>

#include "../ui/UiFixture.h"
#include "corrections/Corrections.h"
#include "corrections/DirectionWindow.h"
#include "data/Scope.h"
#include "links/Links.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"

using namespace nimbo;
using corrections::FrmModifProto;

namespace {

class DirectionWindow : public test::MainWindowTest {
protected:
    inline static const QString kMine = QStringLiteral("20250000061");
    inline static const QString kLinked = QStringLiteral("20250000062");
    inline static const QString kTheirs = QStringLiteral("20250000063");
    inline static const QString kArchived = QStringLiteral("20250000064");
    inline static const QString kCancelled = QStringLiteral("20250000065");

    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        links::registerLinksWindows();
        corrections::registerCorrectionWindows();
        seed(kMine, QStringLiteral("E"));
        seed(kLinked, QStringLiteral("U"));
        seed(kTheirs, QStringLiteral("E"), QStringLiteral("DEMO8"));
        seed(kArchived, QStringLiteral("E"), QStringLiteral("DEMO9"), QStringLiteral("A"), QStringLiteral("'M'"));
        seed(kCancelled, QStringLiteral("E"), QStringLiteral("DEMO9"), QStringLiteral("C"));
    }
    void seed(const QString &number, const QString &direction, const QString &by = QStringLiteral("DEMO9"),
              const QString &state = QStringLiteral("A"), const QString &printed = QStringLiteral("NULL"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_Stampato, Tab_SedeRicezione, "
                           "Tab_UfficioRegistrazione) VALUES ('001', '%1', '%2', '2025-03-04', 'RICHIESTA DI ACCESSO "
                           "AGLI ATTI', 2, 'LET', 'N', '%3', '%4', %5, 'PRO', 'UPR')")
                .arg(direction, number, by, state, printed));
    }
    MDIMenu *start()
    {
        MDIMenu *main = logInAsDemo();
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        boxes.clear();
        return main;
    }
    // The number typed and searched; the messages shown meanwhile.
    QStringList find(FrmModifProto *w, const QString &typed)
    {
        boxes.clear();
        type(w, "TxtNumero", typed);
        return boxes.texts();
    }
    QStringList invert(FrmModifProto *w)
    {
        boxes.clear();
        child(w, "CmdInverti")->click();
        return boxes.texts();
    }
};

TEST_P(DirectionWindow, TheMenuOpensItAndOnlyTheOperatorsOwnChangeableProtocolTurnsAround)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<FrmModifProto *>(menu(main, "NmuModifica"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Modifica Tipo Protocollo"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI"));

    const QStringList wrong{QStringLiteral("inserire un numero di protocollo corretto")};
    EXPECT_EQ(find(w, QString()), wrong);
    EXPECT_EQ(find(w, QStringLiteral("2025-")), wrong);
    EXPECT_EQ(find(w, QStringLiteral("2025-0")), wrong);
    EXPECT_EQ(find(w, QStringLiteral("25-61")), wrong);
    EXPECT_EQ(invert(w), QStringList{QStringLiteral("Attenzione! Selezionare il protocollo da modificare.")});

    const QStringList absent{QStringLiteral("Protocollo non presente in archivio o non modificabile")};
    for (const QString &n : {kTheirs, kArchived, kCancelled, QStringLiteral("20250000099")}) {
        EXPECT_EQ(find(w, shownNumber(n)), absent) << n.toStdString();
        EXPECT_TRUE(w->number().isEmpty());
    }

    // Found by its short form too; its data shown.
    EXPECT_TRUE(find(w, QStringLiteral("2025-61")).isEmpty());
    EXPECT_EQ(w->number(), kMine);
    EXPECT_EQ(text(w, "TxtTipo"), QStringLiteral("Entrata"));
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000061"));
    EXPECT_EQ(text(w, "TxtData"), QStringLiteral("04/03/2025"));
    EXPECT_EQ(text(w, "TxtOggetto"), QStringLiteral("RICHIESTA DI ACCESSO AGLI ATTI"));
    EXPECT_EQ(text(w, "lblMittDest"), QStringLiteral("Mittente"));
    EXPECT_FALSE(text(w, "TxtMittDest").isEmpty());
    EXPECT_FALSE(text(w, "TxtTipoDoc").isEmpty());
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmModifProto.png"));

    // Turned to outgoing, then back: the same message both ways.
    const QStringList done{QStringLiteral("Aggiornamento effettuato")};
    EXPECT_EQ(invert(w), done);
    EXPECT_EQ(text(w, "TxtTipo"), QStringLiteral("Uscita"));
    EXPECT_EQ(text(w, "lblMittDest"), QStringLiteral("Destinatario"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloDestinatari WHERE Tab_NumeroProtocollo = '%1' "
                                    "AND Tab_TipoProtocollo = 'U' AND Tab_principale = 'S'")
                         .arg(kMine)),
              QStringLiteral("1"));
    EXPECT_EQ(invert(w), done);
    EXPECT_EQ(text(w, "TxtTipo"), QStringLiteral("Entrata"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloDestinatari WHERE Tab_NumeroProtocollo = '%1'")
                         .arg(kMine)),
              QStringLiteral("0"));

    // Archived meanwhile: the server refuses and the window says why.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Stampato = 'M' WHERE Tab_NumeroProtocollo = '%1'").arg(kMine));
    const QStringList refused = invert(w);
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains(QStringLiteral("Tab_Stampato"))) << refused.first().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '%1'")
                         .arg(kMine)),
              QStringLiteral("E"));
    press(main, "ESCI");
}

TEST_P(DirectionWindow, AfterTheChangeTheRegistrationSearchFindsItUnderTheNewDirectionWithItsLinkAndIter)
{
    sql(QStringLiteral("INSERT INTO Tab_ProtocolliCollegati VALUES ('001', 'E', '%1', 'U', '%2'), ('001', 'U', '%2', "
                       "'E', '%1')")
            .arg(kMine, kLinked));
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe) VALUES ('001', 'E', '%1', "
                       "'20250304103000', 1, 'UPR', 'DEMO9')")
            .arg(kMine));
    // Reserved, and the operator without the privacy right: masked here too.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_SoggPrivacy = 'S' WHERE Tab_NumeroProtocollo = '%1'").arg(kMine));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = 'N' WHERE Op_Codice_Operatore = 'DEMO9'"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<FrmModifProto *>(menu(main, "NmuModifica"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(find(w, QStringLiteral("2025-0000061")).isEmpty());
    EXPECT_EQ(text(w, "TxtOggetto"), QString::fromLatin1(protocol::scope::kTrayMask));
    EXPECT_EQ(text(w, "TxtMittDest"), QString::fromLatin1(protocol::scope::kTrayMask));
    EXPECT_EQ(invert(w), QStringList{QStringLiteral("Aggiornamento effettuato")});

    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "CERCA");
    const auto search = [&](bool incoming, bool outgoing) {
        child<QLineEdit>(reg, "TxtAProto")->setText(QStringLiteral("2025"));
        child<QLineEdit>(reg, "TxtNumero")->setText(QStringLiteral("61"));
        child<QLineEdit>(reg, "DataDal")->clear();
        child<QLineEdit>(reg, "DataAl")->clear();
        child<QAbstractButton>(reg, "ChkEntrata")->setChecked(incoming);
        child<QAbstractButton>(reg, "ChkUscita")->setChecked(outgoing);
        boxes.clear();
        child(reg, "CmdAvviaRicerca")->click();
        return child<QTreeWidget>(reg, "LwProtocolli");
    };
    // Not among the incoming ones any more.
    QTreeWidget *found = search(true, false);
    EXPECT_EQ(found->topLevelItemCount(), 0);
    found = search(false, true);
    ASSERT_EQ(found->topLevelItemCount(), 1);
    EXPECT_EQ(found->topLevelItem(0)->text(0), QStringLiteral("U"));
    EXPECT_EQ(found->topLevelItem(0)->text(1), QStringLiteral("2025-0000061"));
    emit found->itemActivated(found->topLevelItem(0), 0);

    // Its iter ...
    auto *iter = reg->findChild<QTreeWidget *>(QStringLiteral("lswIter"));
    ASSERT_NE(iter, nullptr);
    EXPECT_EQ(iter->topLevelItemCount(), 1);
    // ... and its link, seen from it and from the protocol it is linked to.
    child(reg, "btnTB_0")->click();
    auto *linked = reg->findChild<QTableView *>(QStringLiteral("LWCollegati"));
    ASSERT_NE(linked, nullptr);
    auto *list = qobject_cast<ui::RowList *>(linked->parentWidget());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->text(0, 1), QStringLiteral("2025-0000062"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_TipoProtocolloC FROM Tab_ProtocolliCollegati WHERE Tab_NumeroProtocollo "
                                    "= '%1'")
                         .arg(kLinked)),
              QStringLiteral("U"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(DirectionWindow);
