// The dossier chooser and the quick creation of a dossier, driven by their
// controls on both engines: only active elements and open dossiers are
// offered, codes show with 5 digits, the confirmation's checks run in their
// order, and the caller receives keys and texts of what was chosen.

#include "ClassifyFixture.h"

using namespace nimbo;
using classification::FrmFascicoliLight;
using classification::FrmInsClass;

namespace {

class Chooser : public test::ClassifyTest {
protected:
    FrmInsClass *openChooser(MDIMenu *main)
    {
        auto *c = qobject_cast<FrmInsClass *>(WindowRegistry::open(QStringLiteral("FrmInsClass")));
        EXPECT_EQ(front(main), c);
        return c;
    }
};

} // namespace

TEST_P(Chooser, OffersOnlyActiveElementsAndOpenDossiers)
{
    // Class 01.02.02 deactivated, title 03 deactivated, and in 01.02.01 a
    // dossier closed yesterday beside the demo's open one and a new one.
    sql(QStringLiteral("UPDATE Tab_Classe SET Tab_Attivo = 0 WHERE Tab_CodiceTitolo = '01' AND "
                       "Tab_CodiceCategoria = '02' AND Tab_Codice = '02'"));
    sql(QStringLiteral("UPDATE Tab_Titolo SET Tab_Attivo = 0 WHERE Tab_Codice = '03'"));
    dossier("01.02.01", 2, QStringLiteral("ARCHIVIO CHIUSO"),
            QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy-MM-dd")));
    dossier("01.02.01", 12, QStringLiteral("BANDI DELLA REGIONE"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmInsClass *c = openChooser(main);
    ASSERT_NE(c, nullptr);

    // By description: "PRATICHE" matches both classes, only the active one
    // is offered and taken at once.
    enter(c, "CodTitolo", QStringLiteral("01"));
    EXPECT_EQ(text(c, "DescTitolo"), QStringLiteral("AMMINISTRAZIONE GENERALE"));
    enter(c, "CodCategoria", QStringLiteral("CORR"));
    EXPECT_EQ(text(c, "CodCategoria"), QStringLiteral("02"));
    enter(c, "CodClasse", QStringLiteral("PRATICHE"));
    EXPECT_EQ(text(c, "CodClasse"), QStringLiteral("01"));
    EXPECT_EQ(text(c, "DescClasse"), QStringLiteral("PRATICHE ORDINARIE"));
    EXPECT_FALSE(c->findChild<QListWidget *>(QStringLiteral("ListDecod"))->isVisible());
    child(c, "cmdSchedarioSu")->click();
    // By description, each code with 5 digits; the closed one left out.
    EXPECT_EQ(items(c), (QStringList{QStringLiteral("00012 - BANDI DELLA REGIONE"), kRegion}));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // The inactive class by its code: not found, and not listed.
    enter(c, "CodClasse", QStringLiteral("02"));
    EXPECT_EQ(text(c, "DescClasse"), QString());
    EXPECT_TRUE(items(c).isEmpty()) << "the list belongs to the class it was read for";
    boxes.clear();
    child(c, "cmdSchedarioSu")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("la Classe specificata non è presente in archivio")});
    // The inactive title neither, and a description search offers the
    // active titles only.
    boxes.clear();
    child<QLineEdit>(c, "CodTitolo")->setText(QStringLiteral("03"));
    child<QLineEdit>(c, "CodCategoria")->setText(QStringLiteral("01"));
    child<QLineEdit>(c, "CodClasse")->setText(QStringLiteral("01"));
    child(c, "cmdSchedarioSu")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Il Titolo specificato non è presente in archivio")});
    sql(QStringLiteral("UPDATE Tab_Titolo SET Tab_Descrizione = 'SANITA PUBBLICA' WHERE Tab_Codice = '03'"));
    sql(QStringLiteral("UPDATE Tab_Titolo SET Tab_Descrizione = 'SANITA AMMINISTRATIVA' WHERE Tab_Codice = '02'"));
    enter(c, "CodTitolo", QStringLiteral("SANITA"));
    EXPECT_EQ(text(c, "CodTitolo"), QStringLiteral("02")) << "one active title begins so: taken";
}

TEST_P(Chooser, ConfirmChecksRunInOrderAndHandTheCallerKeysAndTexts)
{
    dossier("01.02.01", 7, QStringLiteral("RICHIESTE DEI CITTADINI"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmInsClass *c = openChooser(main);
    ASSERT_NE(c, nullptr);
    protocol::ChosenDossiers received;
    int emitted = 0;
    QObject::connect(c, &FrmInsClass::dossiersChosen, c, [&](const protocol::ChosenDossiers &d) {
        received = d;
        ++emitted;
    });

    // Each step mends the failure before and meets the next one; the focus
    // goes to the field named.
    const auto expect = [&](const char *message, const char *focus) {
        boxes.clear();
        child(c, "CmdConferma")->click();
        ASSERT_EQ(boxes.texts(), QStringList{QString::fromUtf8(message)});
        EXPECT_EQ(c->focusWidget() ? c->focusWidget()->objectName() : QString(), QLatin1String(focus)) << message;
    };
    const auto set = [&](const char *field, const char *code) {
        child<QLineEdit>(c, field)->setText(QString::fromLatin1(code));
    };
    boxes.clear();
    child(c, "cmdSchedarioSu")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Inserire prima i dati relativi al titolo, categoria e  classe.")});
    expect("Inserire il codice del Titolo ", "CodTitolo");
    set("CodTitolo", "99");
    expect("Il Titolo specificato non è presente in archivio", "CodTitolo");
    set("CodTitolo", "01");
    expect("Inserire il codice della Categoria", "CodCategoria");
    set("CodCategoria", "99");
    expect("La Categoria specificata non è presente in archivio", "CodCategoria");
    set("CodCategoria", "02");
    expect("Inserire il codice della Classe", "CodClasse");
    set("CodClasse", "99");
    expect("la Classe specificata non è presente in archivio", "CodClasse");
    set("CodClasse", "01");
    expect("selezionare almeno un fascicolo dall'elenco", "LstSchedario");
    EXPECT_EQ(emitted, 0);

    boxes.clear();
    child(c, "cmdSchedarioSu")->click();
    ASSERT_EQ(items(c), (QStringList{kRegion, QStringLiteral("00007 - RICHIESTE DEI CITTADINI")}));
    chooseAndConfirm(c, {QStringLiteral("00007 - RICHIESTE DEI CITTADINI"), kRegion});
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(emitted, 1);
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received.at(0).key(), QStringLiteral("01.02.01.00001"));
    EXPECT_EQ(received.at(0).text(),
              QStringLiteral("AMMINISTRAZIONE GENERALE\\CORRISPONDENZA\\PRATICHE ORDINARIE\\CORRISPONDENZA CON LA REGIONE"));
    EXPECT_EQ(received.at(1).key(), QStringLiteral("01.02.01.00007"));
    EXPECT_EQ(received.at(1).dossier, 7);
    settle();
    EXPECT_NE(front(main), c) << "the chooser closes once confirmed";
}

TEST_P(Chooser, OnlyTheLastCallerReceivesTheChoice)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmInsClass *c = openChooser(main);
    ASSERT_NE(c, nullptr);
    QObject first, second;
    int toFirst = 0, toSecond = 0;
    c->chooseFor(&first);
    QObject::connect(c, &FrmInsClass::dossiersChosen, &first, [&] { ++toFirst; });
    // Left without confirming, then asked for by another window.
    c->chooseFor(&second);
    QObject::connect(c, &FrmInsClass::dossiersChosen, &second, [&] { ++toSecond; });
    listClass(c, "01.02.01");
    chooseAndConfirm(c, {kRegion});
    EXPECT_EQ(toFirst, 0);
    EXPECT_EQ(toSecond, 1);
}

// Needs the protocol server's operation 303 (it answers "unknown operation"
// until the dossier operations are part of the server).
TEST_P(Chooser, QuickCreationAddsTheNewDossierChosen)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmInsClass *c = openChooser(main);
    ASSERT_NE(c, nullptr);
    listClass(c, "01.02.01");
    ASSERT_EQ(items(c), QStringList{kRegion});
    child(c, "cmdNuovoFascicolo")->click();
    auto *light = qobject_cast<FrmFascicoliLight *>(front(main));
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->property("Tag").toString(), QStringLiteral("FRMINSCLASS"));
    boxes.clear();
    child(light, "CmdRegistra")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire la descrizione del fascicolo")});
    boxes.clear();
    edit(light, "TxtDescrizione", QStringLiteral("contributi 2026"));
    child(light, "CmdRegistra")->click();
    ASSERT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString code = scalar(QStringLiteral("SELECT Tab_CodiceFascicolo FROM Tab_Fascicoli WHERE Tab_Descrizione = "
                                               "'CONTRIBUTI 2026' AND Tab_Classe = '01' AND Tab_Categoria = '02'"));
    ASSERT_FALSE(code.isEmpty());
    const QString item = protocol::ChosenDossier::shownCode(code.toLongLong()) + QStringLiteral(" - CONTRIBUTI 2026");
    settle();
    EXPECT_EQ(front(main), c) << "back to the chooser";
    ASSERT_TRUE(items(c).contains(item)) << items(c).join(QLatin1Char('|')).toStdString();
    const auto found = child<QListWidget>(c, "LstSchedario")->findItems(item, Qt::MatchExactly);
    EXPECT_TRUE(found.first()->isSelected());
}

TEST_P(Chooser, QuickCreationWithoutAClassOrACodeSaysSo)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmInsClass *c = openChooser(main);
    ASSERT_NE(c, nullptr);
    child(c, "cmdNuovoFascicolo")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Inserire prima i dati relativi al titolo, categoria e  classe.")});
    EXPECT_EQ(front(main), c);

    // A server that answers without a code: nothing is added.
    listClass(c, "01.02.01");
    child(c, "cmdNuovoFascicolo")->click();
    auto *light = qobject_cast<FrmFascicoliLight *>(front(main));
    ASSERT_NE(light, nullptr);
    struct NoCode : AppServer {
        QVariantList Elabora(short, QVariantList &) override { return {0, QString()}; }
    };
    ServerRegistry::add(QStringLiteral("Prova.SenzaCodice"), [] { return std::make_unique<NoCode>(); });
    DicAmbiente::session().cfg.oleGp = QStringLiteral("Prova.SenzaCodice");
    edit(light, "TxtDescrizione", QStringLiteral("NUOVO"));
    boxes.clear();
    child(light, "CmdRegistra")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione non effettuata. Contattare esperto procedura.")});
    EXPECT_EQ(light->statusText(), QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"));
    EXPECT_EQ(items(c), QStringList{kRegion});
    ServerRegistry::remove(QStringLiteral("Prova.SenzaCodice"));
}

NIMBO_INSTANTIATE_ENGINES(Chooser);
