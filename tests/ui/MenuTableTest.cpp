// Every menu item of the main window against the table it is built from:
// its caption, the window it opens and the mode that window receives; and
// the registration window reached in its "CANCELLA" mode through its item.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>

#include "protocol/FrmProtocollo.h"
#include "startup/MDIMenu.h"
#include "startup/PSWMask.h"
#include "startup/StartUp.h"
#include "ui/ChildWindow.h"
#include "ui/Keyboard.h"
#include "ui/WindowRegistry.h"
#include "UiFixture.h"

using nimbo::test::UiTest;
namespace WR = nimbo::WindowRegistry;

namespace {

struct Item {
    const char *name, *caption, *window, *mode;
};

// Name, caption, window opened and the mode it is given.
const Item kItems[] = {
    {"mnugestioneMD", "Mittenti/Destinatari", "FrmRubrica", ""},
    {"MnuGruppi", "Gestione Gruppi", "FrmGruppiRubrica", ""},
    {"mnuProtDoc", "Protocollo Documenti", "FrmProtocollo", ""},
    {"mnuProtDocEmerg", "Protocollo Emergenza", "frmProtocolloEme", ""},
    {"mnuProtEml", "Protocollo E-Mail", "FrmProtEmail", ""},
    {"mnuiter", "Iter Documento", "FrmGestIter", ""},
    {"mnucollegprovv", "Collegamento a Provvedimenti", "FrmRicercaProt", ""},
    {"MnuRecupera", "Recupero Protocolli di Emergenza", "", ""},
    {"mnuassdefprot", "Recupero da Registro Telematico", "FrmRecuperaEmeT", ""},
    {"MnuCartaceo", "Recupero da Registro Cartaceo", "FrmProtoManuale", ""},
    {"mnucancprot", "Cancellazione Protocollo", "FrmCancProto", "CANCELLA"},
    {"NmuModifica", "Modifica Tipo Protocollo (E/U)", "FrmModifProto", "CANCELLA"},
    {"MnuRecuperaProto", "Recupera Protocolli", "FrmRecuperaProto", ""},
    {"mnuricercaprot", "Ricerca Protocolli", "FrmFiltroRProt", ""},
    {"mnuSTAB", "Ricerca Protocolli su Storico Autorità Bacino", "FrmStoricoRProt", ""},
    {"mnustAL", "Ricerca Protocolli su Archivio Storico", "FrmStoricoAB", ""},
    {"mnuRG", "Crea Elenco funzioni", "CreaTabMenu", ""},
    {"MnuConsulta", "Ricerca Protocolli Classificati", "FrmRiepFascicoli", ""},
    {"MnuRiepiloghiIter", "Iter Documenti", "FrmRiepiloghiIter", ""},
    {"mnuricprotope", "Visualizza pratiche non ancora evase", "FrmScadPratiche", ""},
    {"MnuStorico", "Consulta Archivio Storico", "FrmStorico", ""},
    {"mnuriepemerg", "Attivita' in emergenza", "frmRicercaEmergenza", ""},
    {"mnuregprotgen", "Stampe Periodiche", "FrmStampe", ""},
    {"mnuregprotgiorn", "Scarico Protocolli su CD", "frmStampaRegistro", ""},
    {"mnuScadenzario", "Stampa Scadenzario", "FrmStampaScad", ""},
    {"mnuscadenze", "Scadenzario Attivita'", "FrmScadenzario", ""},
    {"MnuOggetti", "Oggetti Ricorrenti", "FrmOggettiR", ""},
    {"mnuComuni", "Comuni d'Italia", "FrmComuni", ""},
    {"mnucodici", "Codici Applicazione", "frmCodici", ""},
    {"mnucatcla", "Titoli/Categorie/Classi/Fascicoli", "FrmTitoli", ""},
    {"MnuScanner", "Elenco Scanner Attivi", "ScannerSource", ""},
    {"MnuCambia", "Cambio Dipartimento", "FrmCambiaDip", ""},
    {"MnuCemail", "Cambio Indirizzo E-mail", "FrmCambiaEmail", ""},
    {"MnuServOper", "Operatori", "FrmOperatoriNew", ""},
    {"MnuStoOpe", "Consulta Storico Operatori", "frmStoricoOPE", ""},
    {"MnuLogAccessi", "Consulta LOG Accessi", "FrmLogAccessi", ""},
    {"MnuPostazioni", "Gestione Postazioni di Protocollo", "frmPostazioni", ""},
    {"mnudatiente", "Anagrafe Aree/Dipartimenti/Uffici", "FrmTreeStruttura", ""},
    {"MnuRUffici", "Raggruppamento Uffici", "FrmGruppiUffici", ""},
    {"MnuAggStrutture", "Aggiornamento Automatico Dipartimenti/Uffici", "FrmAggStrutture", ""},
    {"MnuStoDipe", "Consulta Storico Dipartimenti", "frmDipStorico", ""},
    {"MnuStoUff", "Consulta Storico Uffici", "frmUffStorico", ""},
    {"mnuregemerg", "Anagrafe Registri d'emergenza", "frmAnaRegistriEme", ""},
    {"MnuSessioni", "Gestione Sessioni di Emergenza", "frmSessioniEme", ""},
};

// Items of our own beside the table's: the entities and the daily register
// have no item there.
const Item kOurItems[] = {
    {"mnuEnti", "Anagrafe Enti", "frmEnti", ""},
    {"mnuRegGiornaliero", "Registro Giornaliero di Protocollo", "frmRegistroGiornaliero", ""},
};

struct Recorder : nimbo::ChildWindow {};

class MenuTable : public UiTest {
protected:
    void TearDown() override
    {
        for (const QString &name : std::as_const(registered))
            WR::remove(name);
        StartUp::shutdown();
        UiTest::TearDown();
    }
    QStringList registered;
};

} // namespace

TEST_P(MenuTable, FortyFourItemsCarryTheirCaptionWindowAndMode)
{
    ASSERT_EQ(std::size(kItems), 44u);
    QVector<Item> all(std::begin(kItems), std::end(kItems));
    all.append(QVector<Item>(std::begin(kOurItems), std::end(kOurItems)));
    for (const Item &it : std::as_const(all))
        if (*it.window) {
            registered << QString::fromUtf8(it.window);
            WR::add(registered.last(), [] { return new Recorder; });
        }
    MDIMenu main;
    for (const Item &it : std::as_const(all)) {
        const QString name = QString::fromUtf8(it.name);
        SCOPED_TRACE(it.name);
        auto *action = main.findChild<QAction *>(name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(nimbo::ui::plainCaption(action), QString::fromUtf8(it.caption));
        EXPECT_EQ(MDIMenu::windowOf(name), QString::fromUtf8(it.window));
        EXPECT_EQ(MDIMenu::modeOf(name), QString::fromUtf8(it.mode));
        if (!*it.window)
            continue;
        // Chosen from the menu, the item opens its window with its mode.
        EXPECT_TRUE(action->isEnabled());
        action->trigger();
        QMdiSubWindow *sub = main.area()->currentSubWindow();
        ASSERT_NE(sub, nullptr);
        auto *child = qobject_cast<nimbo::ChildWindow *>(sub->widget());
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->objectName(), QString::fromUtf8(it.window));
        EXPECT_EQ(child->mode(), QString::fromUtf8(it.mode));
    }
    // Every window opened once, in a window of its own.
    EXPECT_EQ(main.area()->subWindowList().size(), 43 + int(std::size(kOurItems)));
    EXPECT_EQ(MDIMenu::windowOf(QStringLiteral("mnuProtDoc")), QStringLiteral("FrmProtocollo"));
    EXPECT_EQ(MDIMenu::windowOf(QStringLiteral("MnuInformazioni")), QStringLiteral("frmAbout"));
    // The toolbar offers every key a window may publish, the label's too.
    QStringList keys;
    for (QAction *b : main.toolbar()->actions())
        keys << b->objectName();
    EXPECT_EQ(keys, MDIMenu::toolbarKeys());
    EXPECT_TRUE(keys.contains(QStringLiteral("ETICHETTA")));
}

NIMBO_INSTANTIATE_ENGINES(MenuTable);
