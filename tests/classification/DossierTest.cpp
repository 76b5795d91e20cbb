// The dossiers of a class (frmFascicoli, reached from the classes window):
// the checks of a dossier, its write through the protocol server, and a
// deletion refused while a protocol is classified into it.

#include "SchemeFixture.h"
#include "classification/DossierEditor.h"
#include "classification/DossierRules.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"

using namespace nimbo;
using test::expectFitsWithFieldsLabelled;
using test::shownToolbar;

namespace {

class Dossiers : public test::SchemeWindowTest {
protected:
    // The dossiers of class 01.02.01, opened as the classes window does.
    classification::DossierEditor *open(MDIMenu *main)
    {
        QWidget *titles = menu(main, "mnucatcla");
        EXPECT_NE(titles, nullptr);
        if (!titles)
            return nullptr;
        choose(titles, "LwTitoli", QStringLiteral("01"));
        child(titles, "CmdCategorie")->click();
        choose(active(main), "LwCategorie", QStringLiteral("02"));
        child(active(main), "CmdClassi")->click();
        choose(active(main), "LwClassi", QStringLiteral("01"));
        child(active(main), "CmdClassi")->click();
        return qobject_cast<classification::DossierEditor *>(active(main));
    }
    QString dossiers()
    {
        return column(QStringLiteral("SELECT Tab_CodiceFascicolo || '|' || Tab_Descrizione || '|' || "
                                     "COALESCE(CAST(Tab_Chiusura AS VARCHAR(10)), '') FROM Tab_Fascicoli WHERE "
                                     "Tab_Titolo = '01' AND Tab_Categoria = '02' AND Tab_Classe = '01' ORDER BY "
                                     "Tab_CodiceFascicolo"));
    }
};

TEST(DossierRules, CodesAreShownWithFiveDigitsAndTheRequestNamesTheDossier)
{
    EXPECT_EQ(classification::shownDossierCode(7), QStringLiteral("00007"));
    EXPECT_EQ(classification::shownDossierCode(123456), QStringLiteral("123456"));
    const classification::DossierClass c{QStringLiteral("001"), QStringLiteral("01"), QStringLiteral("02"),
                                         QStringLiteral("0'1")};
    const QVariantList r = classification::dossierWriteRequest(
        c, 5, false, {QStringLiteral("ATTI"), QDate(2026, 3, 1), QDate()}, QStringLiteral("DEMO9"), QDate(2026, 3, 2));
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].toString(), QStringLiteral("R"));
    EXPECT_EQ(r[1].toString(), QStringLiteral("Tab_CodiceFascicolo= 5 AND Tab_Classe= '0''1' AND tab_ente='001' AND "
                                              "Tab_Categoria='02' AND tab_Titolo='01'"));
    const QVariantList table = r[2].toList();
    ASSERT_EQ(table.size(), 2);
    const QStringList names = table[0].toStringList();
    const QVariantList values = table[1].toList();
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("Tab_Apertura"))).toString(), QStringLiteral("03/01/2026"));
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("Tab_Chiusura"))).toString(), QString());
    // A new dossier asks for code 0: the server hands out the real one.
    const QVariantList fresh = classification::dossierWriteRequest(c, 5, true, {QStringLiteral("ATTI"), QDate(2026, 3, 1), {}},
                                                                   QStringLiteral("DEMO9"), QDate(2026, 3, 2));
    EXPECT_EQ(fresh[0].toString(), QStringLiteral("A"));
    EXPECT_TRUE(fresh[1].toString().startsWith(QStringLiteral("Tab_CodiceFascicolo= 0 ")));
}

TEST_P(Dossiers, ADossierIsCheckedInOrderAndWrittenByTheServer)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    classification::DossierEditor *w = open(main);
    ASSERT_NE(w, nullptr);
    press(main, "NUOVO");
    EXPECT_EQ(text(w, "TxtApertura"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(text(w, "TxtCodice"), QString());
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(w, "TxtCodice")));
    EXPECT_EQ(child<QLineEdit>(w, "TxtDescrizione")->maxLength(), 100);
    boxes.clear();
    press(main, "REGISTRA");
    edit(w, "TxtDescrizione", QStringLiteral("gara mensa"));
    EXPECT_EQ(text(w, "TxtDescrizione"), QStringLiteral("GARA MENSA"));
    child<QLineEdit>(w, "TxtApertura")->clear();
    press(main, "REGISTRA");
    edit(w, "TxtApertura", QStringLiteral("10/03/2026"));
    edit(w, "TxtChiusura", QStringLiteral("12/0"));
    press(main, "REGISTRA");
    child<ui::DateField>(w, "TxtChiusura")->setDate(QDate(2026, 3, 9));
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(),
              (QStringList{QStringLiteral("inserire la descrizione del fascicolo"), QStringLiteral("inserire una data corretta"),
                           QStringLiteral("inserire una data corretta"),
                           QStringLiteral("la data di chiusura fascicolo non può essere minore della data di apertura "
                                          "fascicolo")}));
    EXPECT_EQ(dossiers(), QStringLiteral("1|CORRISPONDENZA CON LA REGIONE|"));

    // Written by operation 303, which hands out the class's next code.
    child<ui::DateField>(w, "TxtChiusura")->clear();
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')).toStdString(), "OPERAZIONE CONCLUSA CORRETTAMENTE!");
    const QString code = column(QStringLiteral("SELECT Tab_CodiceFascicolo FROM Tab_Fascicoli WHERE Tab_Descrizione = "
                                               "'GARA MENSA'"));
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(text(w, "TxtCodice"), classification::shownDossierCode(code.toLongLong()));
    EXPECT_TRUE(shown(w, "LwFascicoli").contains(classification::shownDossierCode(code.toLongLong())
                                                 + QStringLiteral("|GARA MENSA|10/03/2026|")));

    // A change keeps the code; a closing date closes it.
    child<ui::DateField>(w, "TxtChiusura")->setDate(QDate(2026, 3, 20));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!")});
    EXPECT_EQ(dossiers(), QStringLiteral("1|CORRISPONDENZA CON LA REGIONE|,%1|GARA MENSA|2026-03-20").arg(code));
}

TEST_P(Dossiers, ADossierThatClassifiesAProtocolCannotBeDeleted)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    // Registration leaves the protocol's own classification columns empty:
    // only the classification row names the dossier.
    protocolRow(QStringLiteral("E"), QStringLiteral("20240000001"), QDate(2024, 1, 2));
    classified(QStringLiteral("20240000001"), "01", "02", "01", 1);
    exec(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                        "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura) VALUES ('001', '01', '02', '01', 2, "
                        "'VUOTO', ?)"),
         {QDate(2024, 1, 2)});
    classification::DossierEditor *w = open(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(shown(w, "LwFascicoli"),
              QStringLiteral("00001|CORRISPONDENZA CON LA REGIONE|02/01/2024|;00002|VUOTO|02/01/2024|"));
    choose(w, "LwFascicoli", QStringLiteral("00001"));
    EXPECT_EQ(text(w, "TxtCodice"), QStringLiteral("00001"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    boxes.clear();
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Cancellazione del fascicolo non effettuabile. Il fascicolo  è "
                                                        "già stato usato in fase di registrazione di un protocollo")});
    choose(w, "LwFascicoli", QStringLiteral("00002"));
    boxes.clear();
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(dossiers(), QStringLiteral("1|CORRISPONDENZA CON LA REGIONE|"));
    EXPECT_EQ(shown(w, "LwFascicoli"), QStringLiteral("00001|CORRISPONDENZA CON LA REGIONE|02/01/2024|"));
}

NIMBO_INSTANTIATE_ENGINES(Dossiers);

} // namespace
