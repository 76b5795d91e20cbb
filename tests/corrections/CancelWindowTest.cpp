// "Cancellazione Protocollo" from the main menu: the search (active
// protocols of the body only, newest first, reserved ones masked for a
// clerk without the privacy right), the reason lookup, the checks before
// the server is asked, and the cancellation that takes the protocol off
// the list.

#include "CancelFixture.h"
#include "protocol/FrmProtocollo.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class CancelWindow : public CancelTest {};

TEST_P(CancelWindow, SearchesChoosesAndCancelsThroughTheServer)
{
    seed(QStringLiteral("20250000041"), QStringLiteral("E"), QStringLiteral("2025-03-04"),
         QStringLiteral("ANNULLO PRIMA LETTERA"));
    seed(QStringLiteral("20250000042"), QStringLiteral("U"), QStringLiteral("2025-03-05"),
         QStringLiteral("ANNULLO SECONDA RISERVATA"), QStringLiteral("S"));
    seed(QStringLiteral("20250000043"), QStringLiteral("E"), QStringLiteral("2025-03-06"),
         QStringLiteral("ANNULLO TERZA GIA ANNULLATA"));
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2025-03-07', "
                       "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = "
                       "'20250000043'"));
    // DEMO8 may cancel and has no privacy right.
    MDIMenu *main = start(QStringLiteral("DEMO8"));
    ASSERT_NE(main, nullptr);
    corrections::FrmCancProto *w = openCancellation(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Cancellazione protocolli"));
    expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmCancProto.png"));

    // Any case of the subject; the cancelled one is not offered; the newest first.
    searchSubject(w, QStringLiteral("annullo"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(column(w, 1), (QStringList{QStringLiteral("2025-0000042"), QStringLiteral("2025-0000041")}));
    EXPECT_EQ(column(w, 0), (QStringList{QStringLiteral("U"), QStringLiteral("E")}));
    EXPECT_EQ(column(w, 2), (QStringList{QStringLiteral("05/03/2025"), QStringLiteral("04/03/2025")}));
    EXPECT_EQ(column(w, 4), (QStringList{QStringLiteral("**********"), QStringLiteral("ANNULLO PRIMA LETTERA")}));
    EXPECT_EQ(column(w, 3).value(0), QStringLiteral("**********"));
    EXPECT_EQ(column(w, 3).value(1), QStringLiteral("COMUNE DI POTENZA"));

    // The reserved one chosen: masked in the detail too, its recipient so named.
    chooseNumber(w, QStringLiteral("2025-0000042"));
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000042"));
    EXPECT_EQ(text(w, "TxtOggettoProtocollo"), QStringLiteral("**********"));
    EXPECT_EQ(text(w, "LblMittDest"), QStringLiteral("Destinatario"));
    chooseNumber(w, QStringLiteral("2025-0000041"));
    EXPECT_EQ(text(w, "LblMittDest"), QStringLiteral("Mittente"));
    EXPECT_EQ(text(w, "TxtOggettoProtocollo"), QStringLiteral("ANNULLO PRIMA LETTERA"));
    EXPECT_EQ(text(w, "TxtTipoDocumento"), QStringLiteral("LET - LETTERA"));

    // The checks, each before anything is asked of the server.
    auto *cancelButton = child(w, "CmdCancella");
    cancelButton->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Attenzione! inserire il motivo di cancellazione !")});
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "txtCodMotivoCanc"));
    boxes.clear();
    edit(w, "txtCodMotivoCanc", QStringLiteral("77"));
    cancelButton->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Attenzione! Il codice inserito non esiste in archivio.")});
    boxes.clear();
    // By description: two reasons begin with "doc", the list offers both.
    type(w, "txtCodMotivoCanc", QStringLiteral("doc"));
    auto *pick = child<QListWidget>(w, "ListDecod");
    ASSERT_EQ(pick->count(), 2);
    EXPECT_EQ(pick->item(0)->text(), QStringLiteral("02 - DOCUMENTO DUPLICATO"));
    emit pick->itemActivated(pick->item(0));
    EXPECT_EQ(text(w, "txtCodMotivoCanc"), QStringLiteral("02"));
    EXPECT_EQ(text(w, "DescMotivoCanc"), QStringLiteral("DOCUMENTO DUPLICATO"));
    // An act without its date is not an act.
    edit(w, "TxtTipoProvv", QStringLiteral("Determina"));
    edit(w, "TxtNumeroProvv", QStringLiteral("15"));
    cancelButton->click();
    EXPECT_EQ(boxes.texts(), QStringList{corrections::cancel::kActIncomplete});
    boxes.clear();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_StatoProtocollo = 'C'")),
              QStringLiteral("1"));

    edit(w, "TxtDataProvv", QStringLiteral("03/03/2025"));
    edit(w, "TxtNote", QStringLiteral("Protocollato due volte"));
    cancelButton->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("cancellazione effettuata")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_StatoProtocollo || '|' || Tab_MotivoCancellazione || '|' || "
                                    "Tab_CodiceOpeCanc || '|' || Tab_UfficioCancellazione || '|' || "
                                    "Tab_NoteCancellazione || '|' || Tab_TipoProvvCancellazione || '|' || "
                                    "Tab_NumeroProvvCancellazione FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = "
                                    "'20250000041'")),
              QStringLiteral("C|02|DEMO8|RAG|Protocollato due volte|Determina|15"));
    // The detail is cleared and the search run again without it.
    EXPECT_TRUE(w->chosenNumber().isEmpty());
    EXPECT_EQ(text(w, "txtCodMotivoCanc"), QString());
    EXPECT_EQ(column(w, 1), QStringList{QStringLiteral("2025-0000042")});

    // Nothing found is said, not shown as an empty list.
    boxes.clear();
    searchSubject(w, QStringLiteral("nessun oggetto simile"));
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("non esistono documenti protocollati che soddisfano i criteri di ricerca "
                                         "impostati")});
    press(main, "ESCI");
}

// The menu item opens the cancellation window, not the registration window
// in a consultation mode.
TEST_P(CancelWindow, TheMenuItemOpensTheCancellationWindowOnly)
{
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnucancprot");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("FrmCancProto"));
    EXPECT_EQ(main->findChildren<protocol::FrmProtocollo *>().size(), 0);
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI"));
}

NIMBO_INSTANTIATE_ENGINES(CancelWindow);

} // namespace
