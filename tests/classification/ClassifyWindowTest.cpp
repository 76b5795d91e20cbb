// The classification of a protocol on both engines, reached the way a clerk
// reaches it: the registration window's "Classifica" (a new protocol's
// dossiers go with its registration; a registered one opens FrmClassifica),
// the detail view, the iter management and the recovery of emergency
// registrations.

#include "ClassifyFixture.h"
#include "emergency/Emergency.h"
#include "iter/FrmGestIter.h"
#include "documents/FrmDettaglioProtocollo.h"

using namespace nimbo;
using classification::FrmClassifica;
using classification::FrmInsClass;

namespace {

class Classify : public test::ClassifyTest {
protected:
    // The chooser opened by `button` of `w`, in front.
    FrmInsClass *chooserFrom(MDIMenu *main, QWidget *w, const char *button)
    {
        EXPECT_TRUE(child(w, button)->isEnabled()) << button;
        child(w, button)->click();
        auto *c = qobject_cast<FrmInsClass *>(front(main));
        EXPECT_NE(c, nullptr);
        return c;
    }
    // Chooses dossiers of 01.02.01 through the chooser opened by the button.
    void choose(MDIMenu *main, QWidget *w, const char *button, const QStringList &chosen)
    {
        FrmInsClass *c = chooserFrom(main, w, button);
        ASSERT_NE(c, nullptr);
        listClass(c, "01.02.01");
        chooseAndConfirm(c, chosen);
        settle();
    }
    // Finds the protocol of 2025 by its number and loads it, as the clerk
    // does from the search panel.
    void searchAndLoad(MDIMenu *main, QWidget *reg, const QString &number)
    {
        press(main, "CERCA");
        child<QLineEdit>(reg, "TxtAProto")->setText(QStringLiteral("2025"));
        child<QLineEdit>(reg, "TxtNumero")->setText(number);
        child<QLineEdit>(reg, "DataDal")->clear();
        child<QLineEdit>(reg, "DataAl")->clear();
        child(reg, "CmdAvviaRicerca")->click();
        auto *found = child<QTreeWidget>(reg, "LwProtocolli");
        ASSERT_EQ(found->topLevelItemCount(), 1);
        emit found->itemActivated(found->topLevelItem(0), 0);
    }
    inline static const QString kCitizens = QStringLiteral("00007 - RICHIESTE DEI CITTADINI");
    inline static const QString kBids = QStringLiteral("00003 - BANDI");
};

} // namespace

TEST_P(Classify, NewProtocolRegistersTheDossiersChosenWithClassifica)
{
    dossier("01.02.01", 7, QStringLiteral("RICHIESTE DEI CITTADINI"));
    dossier("01.02.01", 3, QStringLiteral("BANDI"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    EXPECT_FALSE(child(reg, "CmdClassifica")->isEnabled()) << "nothing on screen yet";
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("DOMANDA DI ISCRIZIONE"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    boxes.clear();
    child(reg, "CmdRimuoviClass")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Selezionare un fascicolo dall'elenco.")});

    choose(main, reg, "CmdClassifica", {kRegion, kCitizens});
    EXPECT_EQ(front(main), reg);
    EXPECT_EQ(treeRows(reg, "LWClassifica"), (QStringList{kScheme + kRegion, kScheme + kCitizens}));
    // The same dossier again is not listed twice; a third one can be dropped.
    choose(main, reg, "CmdClassifica", {kCitizens, kBids});
    ASSERT_EQ(treeRows(reg, "LWClassifica"), (QStringList{kScheme + kRegion, kScheme + kCitizens, kScheme + kBids}));
    auto *list = child<QTreeWidget>(reg, "LWClassifica");
    list->setCurrentItem(list->topLevelItem(2));
    ASSERT_TRUE(child(reg, "CmdRimuoviClass")->isEnabled());
    child(reg, "CmdRimuoviClass")->click();
    EXPECT_EQ(treeRows(reg, "LWClassifica"), (QStringList{kScheme + kRegion, kScheme + kCitizens}));

    boxes.answers = {Answer::Yes}; // a similar subject, if any, is fine
    press(main, "REGISTRA");
    const QString number = storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(links(number), 2);
    EXPECT_EQ(links(number, QStringLiteral(" AND Tab_Titolo = '01' AND Tab_Categoria = '02' AND Tab_Classe = '01' "
                                           "AND Tab_CodiceFascicolo IN (1, 7) AND Tab_Provenienza = 'P' AND "
                                           "Tab_TipoProtocollo = 'E'")),
              2);
    EXPECT_FALSE(child(reg, "CmdRimuoviClass")->isEnabled());

    // Registered: "Classifica" opens its classification, changeable by the
    // operator who registered it; a removal there shows in the registration
    // window at once.
    child(reg, "CmdClassifica")->click();
    auto *cls = qobject_cast<FrmClassifica *>(front(main));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->mode(), FrmClassifica::kModifiable);
    EXPECT_EQ(shownRows(cls, "LWClassifica"),
              (QStringList{kScheme + kRegion + QStringLiteral("|aperto"), kScheme + kCitizens + QStringLiteral("|aperto")}));
    auto *view = cls->findChild<QTableView *>(QStringLiteral("LWClassifica"));
    view->setCurrentIndex(view->model()->index(1, 0));
    emit qobject_cast<ui::RowList *>(view->parentWidget())->chosen(1);
    boxes.clear();
    boxes.answers = {Answer::Yes};
    child(cls, "CmdCancella")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Togliere il protocollo dal fascicolo ") + kCitizens
                                         + QStringLiteral(" ?")});
    EXPECT_EQ(links(number), 1);
    EXPECT_EQ(treeRows(reg, "LWClassifica"), QStringList{kScheme + kRegion});

    // The recall brings back the dossiers the last protocol was registered
    // with; choosing one of them again adds nothing.
    test::bringForward(main, reg);
    press(main, "NUOVO");
    child(reg, "CmdRichiama")->click();
    EXPECT_EQ(treeRows(reg, "LWClassifica"), (QStringList{kScheme + kRegion, kScheme + kCitizens}));
    choose(main, reg, "CmdClassifica", {kRegion});
    EXPECT_EQ(treeRows(reg, "LWClassifica").size(), 2);
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    boxes.clear();
    boxes.answers = {Answer::Yes};
    press(main, "REGISTRA");
    const QString next = storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    ASSERT_EQ(next.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_NE(next, number);
    EXPECT_EQ(links(next), 2);
}

TEST_P(Classify, ExistingLinksToClosedOrInactiveDossiersKeepShowing)
{
    // Filed in a dossier closed since and in one of a class deactivated since.
    seedProtocol(QStringLiteral("20250000042"));
    dossier("01.02.01", 2, QStringLiteral("ARCHIVIO CHIUSO"), QStringLiteral("2025-06-30"));
    dossier("01.02.02", 5, QStringLiteral("RISERVATI"));
    link(QStringLiteral("20250000042"), "01.02.01", 2);
    link(QStringLiteral("20250000042"), "01.02.02", 5);
    sql(QStringLiteral("UPDATE Tab_Classe SET Tab_Attivo = 0 WHERE Tab_CodiceTitolo = '01' AND "
                       "Tab_CodiceCategoria = '02' AND Tab_Codice = '02'"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmClassifica *cls = classify(QStringLiteral("20250000042"), FrmClassifica::kReadOnly);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(shownRows(cls, "LWClassifica"),
              (QStringList{kScheme + QStringLiteral("00002 - ARCHIVIO CHIUSO|chiuso il 30/06/2025"),
                           QStringLiteral("01 - AMMINISTRAZIONE GENERALE|02 - CORRISPONDENZA|02 - PRATICHE RISERVATE|"
                                          "00005 - RISERVATI|non attivo")}));
    EXPECT_FALSE(child(cls, "CmdAggiungi")->isEnabled());
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());

    // The registration window shows them too, with 5-digit codes.
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    searchAndLoad(main, reg, QStringLiteral("42"));
    EXPECT_EQ(treeRows(reg, "LWClassifica"),
              (QStringList{kScheme + QStringLiteral("00002 - ARCHIVIO CHIUSO"),
                           QStringLiteral("01 - AMMINISTRAZIONE GENERALE|02 - CORRISPONDENZA|02 - PRATICHE RISERVATE|"
                                          "00005 - RISERVATI")}));
}

TEST_P(Classify, ADossierIsFiledOnceEvenWhenAnotherWorkstationFiledItMeanwhile)
{
    seedProtocol(QStringLiteral("20250000042"));
    dossier("01.02.01", 7, QStringLiteral("RICHIESTE DEI CITTADINI"));
    dossier("01.02.01", 3, QStringLiteral("BANDI"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmClassifica *cls = classify(QStringLiteral("20250000042"), FrmClassifica::kModifiable);
    ASSERT_NE(cls, nullptr);
    int changes = 0;
    QObject::connect(cls, &FrmClassifica::classificationChanged, cls, [&] { ++changes; });
    choose(main, cls, "CmdAggiungi", {kRegion});
    EXPECT_EQ(links(QStringLiteral("20250000042")), 1);
    EXPECT_EQ(changes, 1);
    // Chosen again while listed: silently not written twice.
    boxes.clear();
    choose(main, cls, "CmdAggiungi", {kRegion, kBids});
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(links(QStringLiteral("20250000042")), 2);
    EXPECT_EQ(links(QStringLiteral("20250000042"), QStringLiteral(" AND Tab_CodiceFascicolo = 1")), 1);

    // Another workstation files it in 00007 while this window still shows
    // two dossiers; the clerk here chooses 00007 too and is told.
    link(QStringLiteral("20250000042"), "01.02.01", 7);
    ASSERT_EQ(shownRows(cls, "LWClassifica").size(), 2);
    boxes.clear();
    choose(main, cls, "CmdAggiungi", {kCitizens});
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Il fascicolo ") + kCitizens
                                         + QString::fromUtf8(" è già presente nella classificazione del protocollo.")});
    EXPECT_EQ(links(QStringLiteral("20250000042"), QStringLiteral(" AND Tab_CodiceFascicolo = 7")), 1);
    EXPECT_EQ(shownRows(cls, "LWClassifica").size(), 3);

    // A dossier closed between the listing and the confirmation is refused.
    FrmInsClass *c = chooserFrom(main, cls, "CmdAggiungi");
    ASSERT_NE(c, nullptr);
    dossier("01.02.01", 9, QStringLiteral("ULTIMO"));
    listClass(c, "01.02.01");
    sql(QStringLiteral("UPDATE Tab_Fascicoli SET Tab_Chiusura = '2025-01-03' WHERE Tab_CodiceFascicolo = 9"));
    boxes.clear();
    chooseAndConfirm(c, {QStringLiteral("00009 - ULTIMO")});
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Il fascicolo 00009 - ULTIMO è chiuso o la sua classe non è "
                                                           "più attiva: non può essere usato.")});
    EXPECT_EQ(links(QStringLiteral("20250000042")), 3);
}

TEST_P(Classify, RemovingNeedsTheModifiableModeAndAnActiveProtocol)
{
    seedProtocol(QStringLiteral("20250000042"));
    seedProtocol(QStringLiteral("20250000043"), QStringLiteral("E"), QStringLiteral("C"));
    link(QStringLiteral("20250000042"), "01.02.01", 1);
    link(QStringLiteral("20250000043"), "01.02.01", 1);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmClassifica *cls = classify(QStringLiteral("20250000042"), QString());
    ASSERT_NE(cls, nullptr);
    ASSERT_EQ(shownRows(cls, "LWClassifica").size(), 1);
    EXPECT_TRUE(child(cls, "CmdAggiungi")->isEnabled());
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
    for (const QString &mode : {FrmClassifica::kReadOnly, QStringLiteral("ALTRO")}) {
        cls->setMode(mode);
        EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled()) << mode.toStdString();
    }
    cls->setMode(FrmClassifica::kModifiable);
    EXPECT_TRUE(child(cls, "CmdCancella")->isEnabled());
    // The same window for another protocol starts in the plain mode again.
    cls->setProtocol(QStringLiteral("E"), QStringLiteral("20250000043"));
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
    // A cancelled protocol is never changed.
    cls->setMode(FrmClassifica::kModifiable);
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
    EXPECT_FALSE(child(cls, "CmdAggiungi")->isEnabled());

    // The registration window opens a cancelled protocol's read-only.
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    searchAndLoad(main, reg, QStringLiteral("43"));
    child(reg, "CmdClassifica")->click();
    ASSERT_EQ(front(main), cls);
    EXPECT_EQ(cls->mode(), FrmClassifica::kReadOnly);
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
}

TEST_P(Classify, DetailViewIterAndRecoveryOpenTheClassification)
{
    seedProtocol(QStringLiteral("20250000042"));
    link(QStringLiteral("20250000042"), "01.02.01", 1);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *gest = qobject_cast<iter::FrmGestIter *>(menu(main, "mnuiter"));
    ASSERT_NE(gest, nullptr);
    boxes.clear();
    QAction *classification = gest->findChild<QAction *>(QStringLiteral("BtnTB_3"));
    ASSERT_NE(classification, nullptr);
    EXPECT_EQ(classification->text(), QStringLiteral("Classificazione"));
    ASSERT_TRUE(classification->isEnabled());
    classification->trigger();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco")});
    gest->showProtocol(QStringLiteral("E"), QStringLiteral("20250000042"));
    classification->trigger();
    auto *cls = qobject_cast<FrmClassifica *>(front(main));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(shownRows(cls, "LWClassifica"), QStringList{kScheme + kRegion + QStringLiteral("|aperto")});
    EXPECT_EQ(text(cls, "LblProtocollo"), QStringLiteral("Protocollo in entrata N. 2025-0000042"));
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
    cls->closeWindow();
    settle();

    // The detail view shows it and never changes it.
    test::bringForward(main, gest);
    child(gest, "cmdDettaglio")->click();
    auto *detail = qobject_cast<documents::FrmDettaglioProtocollo *>(front(main));
    ASSERT_NE(detail, nullptr);
    child(detail, "cmdClassifica")->click();
    cls = qobject_cast<FrmClassifica *>(front(main));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->mode(), FrmClassifica::kReadOnly);
    EXPECT_EQ(cls->rows().size(), 1);
    EXPECT_FALSE(child(cls, "CmdAggiungi")->isEnabled());
    EXPECT_FALSE(child(cls, "CmdCancella")->isEnabled());
    cls->closeWindow();
    settle();

    // The recovery of emergency registrations opens it by name on the
    // general number it obtained.
    cls = qobject_cast<FrmClassifica *>(
        emergency::openOnProtocol(QStringLiteral("FrmClassifica"), QStringLiteral("E"), QStringLiteral("20250000042")));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->rows().size(), 1);
    EXPECT_TRUE(child(cls, "CmdAggiungi")->isEnabled());
}

NIMBO_INSTANTIATE_ENGINES(Classify);
