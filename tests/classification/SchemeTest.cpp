// The classification scheme as the clerk keeps it: through the menu from
// the titles down to the dossiers of a class, the checks of a new element,
// deletion only while nothing refers to an element, and the deactivation
// that takes the branch below with it in one transaction.

#include "SchemeFixture.h"
#include "classification/SchemeEditor.h"
#include "classification/SchemeWrites.h"

using namespace nimbo;
using test::expectFitsWithFieldsLabelled;
using test::shownToolbar;
using classification::SchemeLevel;

namespace {

class Scheme : public test::SchemeWindowTest {
protected:
    // A trigger that refuses every update of a table, made in plain SQL.
    void refuseUpdates(const char *table)
    {
        const QString t = QString::fromLatin1(table);
        if (db().engine() == Dialect::Engine::SQLite) {
            sql(QStringLiteral("CREATE TRIGGER w1_refuse BEFORE UPDATE ON %1 BEGIN SELECT RAISE(ABORT, 'rifiutato'); "
                               "END").arg(t));
        } else {
            sql(QStringLiteral("CREATE FUNCTION w1_refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE "
                               "EXCEPTION 'rifiutato'; END $$"));
            sql(QStringLiteral("CREATE TRIGGER w1_refuse BEFORE UPDATE ON %1 FOR EACH ROW EXECUTE FUNCTION "
                               "w1_refuse()").arg(t));
        }
    }
    QString branch(const char *title)
    {
        const QString t = QString::fromLatin1(title);
        return column(QStringLiteral("SELECT 'T' || Tab_Attivo FROM Tab_Titolo WHERE Tab_Codice = '%1'").arg(t)) + ";"
               + column(QStringLiteral("SELECT Tab_Codice || Tab_Attivo FROM Tab_Categoria WHERE Tab_CodiceTitolo = '%1' "
                                       "ORDER BY Tab_Codice").arg(t))
               + ";"
               + column(QStringLiteral("SELECT Tab_CodiceCategoria || Tab_Codice || Tab_Attivo FROM Tab_Classe WHERE "
                                       "Tab_CodiceTitolo = '%1' ORDER BY Tab_CodiceCategoria, Tab_Codice").arg(t))
               + ";"
               + column(QStringLiteral("SELECT Tab_CodiceFascicolo || '=' || COALESCE(CAST(Tab_Chiusura AS VARCHAR(10)), "
                                       "'aperto') FROM Tab_Fascicoli WHERE Tab_Titolo = '%1' ORDER BY "
                                       "Tab_CodiceFascicolo").arg(t));
    }
    C_GestDB::Database central() { return C_GestDB::Database::wrap(db().centralConnectionName(), QString()); }
};

TEST_P(Scheme, TheMenuLeadsFromTheTitlesToTheDossiersOfAClass)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QWidget *titles = menu(main, "mnucatcla");
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(titles->objectName(), QStringLiteral("FrmTitoli"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;NUOVO"));
    EXPECT_EQ(shown(titles, "LwTitoli"), QStringLiteral("01|AMMINISTRAZIONE GENERALE|SI;02|RISORSE UMANE|SI;"
                                                        "03|SANITA' PUBBLICA|SI"));

    // Each button wants a chosen element first.
    child(titles, "CmdCategorie")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Nimbo"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Selezionare un Titolo dall'elenco."));

    choose(titles, "LwTitoli", QStringLiteral("01"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_EQ(text(titles, "TxtDesCate"), QStringLiteral("AMMINISTRAZIONE GENERALE"));
    EXPECT_TRUE(child<QCheckBox>(titles, "ChkAttivo")->isChecked());
    child(titles, "CmdCategorie")->click();
    QWidget *categories = active(main);
    ASSERT_NE(categories, nullptr);
    EXPECT_EQ(categories->objectName(), QStringLiteral("FrmCategorie"));
    EXPECT_EQ(shown(categories, "LwCategorie"), QStringLiteral("01|NORMATIVA E ATTI GENERALI|SI;02|CORRISPONDENZA|SI"));

    boxes.clear();
    child(categories, "CmdClassi")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Selezionare una Categoria dall'elenco.")});
    choose(categories, "LwCategorie", QStringLiteral("02"));
    child(categories, "CmdClassi")->click();
    QWidget *classes = active(main);
    ASSERT_NE(classes, nullptr);
    EXPECT_EQ(classes->objectName(), QStringLiteral("frmClassi"));
    EXPECT_EQ(shown(classes, "LwClassi"), QStringLiteral("01|PRATICHE ORDINARIE|SI;02|PRATICHE RISERVATE|SI"));

    boxes.clear();
    child(classes, "CmdClassi")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Nimbo"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Selezionare una Classe dall'elenco."));
    choose(classes, "LwClassi", QStringLiteral("01"));
    child(classes, "CmdClassi")->click();
    QWidget *dossiers = active(main);
    ASSERT_NE(dossiers, nullptr);
    EXPECT_EQ(dossiers->objectName(), QStringLiteral("frmFascicoli"));
    EXPECT_EQ(shown(dossiers, "LwFascicoli"), QStringLiteral("00001|CORRISPONDENZA CON LA REGIONE|02/01/2024|"));

    // Another title's categories in the same window.
    activate(main, titles);
    choose(titles, "LwTitoli", QStringLiteral("02"));
    child(titles, "CmdCategorie")->click();
    EXPECT_EQ(active(main), categories);
    EXPECT_TRUE(qobject_cast<ui::RecordEditor *>(categories)->heading().contains(QStringLiteral("RISORSE UMANE")));
}

TEST_P(Scheme, ANewElementIsCheckedInOrderAndWrittenWithItsCodeInUpperCase)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QWidget *titles = menu(main, "mnucatcla");
    ASSERT_NE(titles, nullptr);
    press(main, "NUOVO");
    EXPECT_TRUE(child<QCheckBox>(titles, "ChkAttivo")->isChecked());
    boxes.clear();
    press(main, "REGISTRA");
    edit(titles, "TxtCodCate", QStringLiteral("01"));
    press(main, "REGISTRA"); // a code already there comes before the empty description
    edit(titles, "TxtCodCate", QStringLiteral("x9zw"));
    EXPECT_EQ(text(titles, "TxtCodCate"), QStringLiteral("X9Z"));
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Il campo Codice Titolo deve essere significativo"),
                                          QStringLiteral("Codice Titolo gia' presente nella tabella Titoli"),
                                          QStringLiteral("Il campo Descrizione Titolo deve essere significativo")}));
    EXPECT_EQ(child<QLineEdit>(titles, "TxtDesCate")->maxLength(), 200);
    edit(titles, "TxtDesCate", QStringLiteral("Tutela dell'ambiente"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{});
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_Descrizione || '|' || Tab_Attivo || '|' || Tab_CodOper FROM Tab_Titolo "
                                    "WHERE Tab_Ente = '001' AND Tab_Codice = 'X9Z'")),
              QStringLiteral("Tutela dell'ambiente|1|DEMO9"));
    EXPECT_TRUE(shown(titles, "LwTitoli").contains(QStringLiteral("X9Z|Tutela dell'ambiente|SI")));

    // A category code may recur under another title, not under its own.
    choose(titles, "LwTitoli", QStringLiteral("X9Z"));
    child(titles, "CmdCategorie")->click();
    QWidget *categories = active(main);
    ASSERT_NE(categories, nullptr);
    press(main, "NUOVO");
    edit(categories, "TxtCodCate", QStringLiteral("01"));
    edit(categories, "TxtDesCate", QStringLiteral("Aria"));
    press(main, "REGISTRA");
    press(main, "NUOVO");
    edit(categories, "TxtCodCate", QStringLiteral("01"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Codice categoria gia' presente per il titolo in esame")});
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_Descrizione FROM Tab_Categoria WHERE Tab_CodiceTitolo = 'X9Z'")),
              QStringLiteral("Aria"));
}

TEST_P(Scheme, AnElementIsDeletedOnlyWhileNothingRefersToIt)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    // 03.01.01 classifies a protocol through a dossier the test adds.
    exec(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                        "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura) VALUES ('001', '03', '01', '01', 1, 'X', ?)"),
         {QDate(2024, 1, 2)});
    protocolRow(QStringLiteral("E"), QStringLiteral("20240000001"), QDate(2024, 1, 2));
    classified(QStringLiteral("20240000001"), "03", "01", "01", 1);

    QWidget *titles = menu(main, "mnucatcla");
    ASSERT_NE(titles, nullptr);
    choose(titles, "LwTitoli", QStringLiteral("01"));
    boxes.clear();
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Cancellazione del Titolo non effettuabile. Esistono in "
                                                        "archivio informazioni ad esso correlate.")});

    choose(titles, "LwTitoli", QStringLiteral("01"));
    child(titles, "CmdCategorie")->click();
    QWidget *categories = active(main);
    ASSERT_NE(categories, nullptr);
    // Classes and no protocol: still refused.
    choose(categories, "LwCategorie", QStringLiteral("01"));
    boxes.clear();
    press(main, "CANCELLA");
    const QString categoryUsed = QStringLiteral("Cancellazione della categoria non effettuabile. La categoria  è già "
                                                "stata usata in fase di registrazione di un protocollo");
    EXPECT_EQ(boxes.texts(), QStringList{categoryUsed});

    child(categories, "CmdClassi")->click();
    QWidget *classes = active(main);
    ASSERT_NE(classes, nullptr);
    // Neither dossiers nor classifications: asked, then gone.
    choose(classes, "LwClassi", QStringLiteral("02"));
    boxes.clear();
    boxes.answers = {Answer::No};
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM Tab_Classe WHERE Tab_CodiceTitolo = '01' AND "
                                    "Tab_CodiceCategoria = '01' AND Tab_Codice = '02'")),
              QStringLiteral("1"));
    press(main, "CANCELLA");
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM Tab_Classe WHERE Tab_CodiceTitolo = '01' AND "
                                    "Tab_CodiceCategoria = '01' AND Tab_Codice = '02'")),
              QStringLiteral("0"));
    EXPECT_EQ(shown(classes, "LwClassi"), QStringLiteral("01|PRATICHE ORDINARIE|SI"));

    // A class with a dossier is refused.
    activate(main, titles);
    choose(titles, "LwTitoli", QStringLiteral("03"));
    child(titles, "CmdCategorie")->click();
    choose(categories, "LwCategorie", QStringLiteral("01"));
    child(categories, "CmdClassi")->click();
    choose(classes, "LwClassi", QStringLiteral("01"));
    boxes.clear();
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Cancellazione della Classe non effettuabile. La Classe  è "
                                                        "già stata usata in fase di registrazione di un protocollo")});
}

TEST_P(Scheme, AClassificationIsFoundByEveryLevelOfItsPathAndNoOther)
{
    protocolRow(QStringLiteral("E"), QStringLiteral("20240000001"), QDate(2024, 1, 2));
    classified(QStringLiteral("20240000001"), "02", "01", "01", 1);
    const auto found = [this](SchemeLevel level, const classification::SchemePath &p) {
        // The last check of each level is the classifications'.
        return column(classification::usageChecks(level, p).last().sql);
    };
    const QString e = QStringLiteral("001");
    EXPECT_EQ(found(SchemeLevel::Title, {e, QStringLiteral("02"), {}, {}}), QStringLiteral("20240000001"));
    EXPECT_EQ(found(SchemeLevel::Title, {e, QStringLiteral("01"), {}, {}}), QString());
    EXPECT_EQ(found(SchemeLevel::Category, {e, QStringLiteral("02"), QStringLiteral("01"), {}}),
              QStringLiteral("20240000001"));
    EXPECT_EQ(found(SchemeLevel::Category, {e, QStringLiteral("01"), QStringLiteral("01"), {}}), QString());
    EXPECT_EQ(found(SchemeLevel::Class, {e, QStringLiteral("02"), QStringLiteral("01"), QStringLiteral("01")}),
              QStringLiteral("20240000001"));
    EXPECT_EQ(found(SchemeLevel::Class, {e, QStringLiteral("02"), QStringLiteral("01"), QStringLiteral("02")}), QString());
    EXPECT_EQ(found(SchemeLevel::Class, {QStringLiteral("002"), QStringLiteral("02"), QStringLiteral("01"),
                                         QStringLiteral("01")}),
              QString());
}

TEST_P(Scheme, DeactivatingAnElementTakesItsBranchAndClosesOnlyItsOpenDossiers)
{
    // Title 01: category 02 already inactive by another writer, dossiers of
    // 01.02.01 open (the demo's) and closed long ago.
    sql(QStringLiteral("UPDATE Tab_Categoria SET Tab_Attivo = 0, Tab_CodOper = 'ALTRO' WHERE Tab_CodiceTitolo = '01' "
                       "AND Tab_Codice = '02'"));
    exec(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                        "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_Chiusura) VALUES ('001', '01', '01', "
                        "'02', 7, 'CHIUSO', ?, ?)"),
         {QDate(2020, 1, 2), QDate(2020, 6, 30)});
    classification::SchemeWrite w;
    w.level = SchemeLevel::Title;
    w.path = {QStringLiteral("001"), QStringLiteral("01"), {}, {}};
    w.fields = {{QStringLiteral("Tab_Descrizione"), QStringLiteral("AMMINISTRAZIONE GENERALE")},
                {QStringLiteral("Tab_Attivo"), 0},
                {QStringLiteral("Tab_CodOper"), QStringLiteral("DEMO9")},
                {QStringLiteral("Tab_DatOper"), QDate::currentDate()}};
    w.active = false;
    w.today = QDate::currentDate();
    w.writer = QStringLiteral("DEMO9");
    const auto done = classification::writeSchemeElement(central(), w);
    ASSERT_TRUE(done.ok()) << done.errText.toStdString();
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    EXPECT_EQ(branch("01"), QStringLiteral("T0;010,020;01010,01020,02010,02020;1=%1,7=2020-06-30").arg(today));
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_CodOper FROM Tab_Categoria WHERE Tab_CodiceTitolo = '01' ORDER BY "
                                    "Tab_Codice")),
              QStringLiteral("DEMO9,ALTRO"));
    EXPECT_EQ(branch("02").left(3), QStringLiteral("T1;")); // other titles untouched

    // Reactivating brings back the title alone.
    w.fields[1].value = 1;
    w.active = true;
    ASSERT_TRUE(classification::writeSchemeElement(central(), w).ok());
    EXPECT_EQ(branch("01"), QStringLiteral("T1;010,020;01010,01020,02010,02020;1=%1,7=2020-06-30").arg(today));

    // A class: its dossiers only.
    w.level = SchemeLevel::Class;
    w.path = {QStringLiteral("001"), QStringLiteral("02"), QStringLiteral("01"), QStringLiteral("01")};
    w.active = false;
    w.fields[1].value = 0;
    ASSERT_TRUE(classification::writeSchemeElement(central(), w).ok());
    EXPECT_EQ(branch("02"), QStringLiteral("T1;011,021;01010,01021,02011,02021;1=%1").arg(today));
}

TEST_P(Scheme, ADeactivationThatFailsHalfWayChangesNothing)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    const QString before = branch("01");
    for (const char *table : {"Tab_Classe", "Tab_Fascicoli"}) {
        SCOPED_TRACE(table);
        refuseUpdates(table);
        auto *titles = qobject_cast<classification::SchemeEditor *>(menu(main, "mnucatcla"));
        ASSERT_NE(titles, nullptr);
        choose(titles, "LwTitoli", QStringLiteral("01"));
        child<QCheckBox>(titles, "ChkAttivo")->setChecked(false);
        boxes.clear();
        press(main, "REGISTRA");
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE")});
        EXPECT_EQ(titles->editMode(), ui::RecordEditor::Mode::Edit); // there to try again
        EXPECT_EQ(branch("01"), before);
        sql(QStringLiteral("DROP TRIGGER w1_refuse") + (db().engine() == Dialect::Engine::PostgreSQL
                                                            ? QStringLiteral(" ON ") + QLatin1String(table)
                                                            : QString()));
        if (db().engine() == Dialect::Engine::PostgreSQL)
            sql(QStringLiteral("DROP FUNCTION w1_refuse()"));
        // Without the trigger the same write goes through.
        press(main, "REGISTRA");
        EXPECT_EQ(branch("01").left(3), QStringLiteral("T0;"));
        sql(QStringLiteral("UPDATE Tab_Titolo SET Tab_Attivo = 1"));
        sql(QStringLiteral("UPDATE Tab_Categoria SET Tab_Attivo = 1"));
        sql(QStringLiteral("UPDATE Tab_Classe SET Tab_Attivo = 1"));
        sql(QStringLiteral("UPDATE Tab_Fascicoli SET Tab_Chiusura = NULL"));
        press(main, "ESCI");
    }
}

NIMBO_INSTANTIATE_ENGINES(Scheme);

} // namespace
