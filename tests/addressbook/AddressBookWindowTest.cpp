// The address-book window on both engines: the checks in order with their
// messages, the write, searches with apostrophes and kinds, the duplicate
// question, the identifier that does not come, and the usage rules.

#include <QDialog>

#include "AddressBookFixture.h"
#include "addressbook/FrmRubrica.h"
#include "ui/FormKit.h"

using namespace nimbo;
using addressbook::FrmRubrica;
namespace ab = nimbo::addressbook;

namespace {

class RubricaTest : public test::AddressBookTest {
protected:
    QStringList found(FrmRubrica &w, const QString &text, bool contains, const QString &kind = ab::kAllKinds)
    {
        fill(&w, "TxtRic", text);
        choose(&w, "CboFiltro", contains ? QStringLiteral("2") : QStringLiteral("1"));
        choose(&w, "CboTipo", kind);
        w.search();
        return column(test::rowList(&w, "LwNomi"), 1);
    }
};

TEST_P(RubricaTest, ChecksComeInOrderAndTheEntryIsWrittenWithItsServerIdentifier)
{
    FrmRubrica w;
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    const auto next = [&](const QString &expected) {
        boxes.clear();
        w.ELABORATBAR(QStringLiteral("REGISTRA"));
        EXPECT_EQ(boxes.texts(), QStringList{expected});
    };
    next(ab::kMsgName);
    fill(&w, "txtNome", QStringLiteral("studio l'aquila associati"));
    next(ab::kMsgStreet);
    fill(&w, "txtDom", QStringLiteral("via dell'aquila"));
    fill(&w, "TxtCivico", QStringLiteral(" 12 "));
    next(ab::kMsgMunicipality);
    fill(&w, "TxtCCom", QStringLiteral("999999"));
    fill(&w, "TxtPosta", QStringLiteral("studio.example.it"));
    next(ab::kMsgMail);
    fill(&w, "TxtPosta", QStringLiteral("studio@example.it"));
    w.findChild<QLineEdit *>(QStringLiteral("TxtData"))->setText(QStringLiteral("31/02/2024"));
    next(ab::kMsgDate);
    w.findChild<QLineEdit *>(QStringLiteral("TxtData"))->clear();
    next(ab::kMsgMunicipalityCode);
    fill(&w, "TxtCCom", QStringLiteral("076063"));
    fill(&w, "TxtTipo", QStringLiteral("ZZZ"));
    next(ab::kMsgKind);
    fill(&w, "TxtTipo", QString());
    EXPECT_EQ(count(QStringLiteral("Tab_EnteRubrica = '001'")), 30);

    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Denominazione || '|' || Tab_Domicilio || '|' || Tab_NumeroCivico || '|' "
                                    "|| Tab_TipoUtenza || '|' || Tab_Nimbo || '|' || Tab_Attivo || '|' || Tab_CodOper || "
                                    "'|' || Tab_PostaElettronica FROM Tab_Rubrica WHERE Tab_EnteRubrica = '001' AND "
                                    "Tab_Identificativo = 31")),
              QStringLiteral("STUDIO L'AQUILA ASSOCIATI|VIA DELL'AQUILA|12 |001|S|1|DEMO9|studio@example.it"));
    // Shown again, to be changed.
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Edit);
    EXPECT_EQ(shown(&w, "TxtCodice"), QStringLiteral("31"));
    EXPECT_EQ(shown(&w, "LblComune"), QStringLiteral("Potenza"));
    EXPECT_EQ(shown(&w, "LblCap"), QStringLiteral("85100 (PZ)"));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;NUOVO;REGISTRA;ANNULLA;CANCELLA"));

    // A change keeps the identifier; the name is free while nothing uses it.
    fill(&w, "txtNome", QStringLiteral("studio l'aquila & soci"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Denominazione FROM Tab_Rubrica WHERE Tab_Identificativo = 31")),
              QStringLiteral("STUDIO L'AQUILA & SOCI"));
    EXPECT_EQ(count(QStringLiteral("Tab_EnteRubrica = '001'")), 31);
}

TEST_P(RubricaTest, SearchesNamesWithApostrophesAndEveryKindWithKind000)
{
    entry(40, QStringLiteral("L'AQUILA SERVIZI SRL"));
    entry(41, QStringLiteral("BAR DELL'AQUILA"), QStringLiteral("076063"), QStringLiteral("001"));
    entry(42, QStringLiteral("L'AQUILA SENZA COMUNE"), QStringLiteral("999999"));
    FrmRubrica w;
    EXPECT_EQ(found(w, QStringLiteral("l'aq"), false), QStringList{QStringLiteral("L'AQUILA SERVIZI SRL")});
    EXPECT_EQ(found(w, QStringLiteral("L'AQUILA"), true),
              (QStringList{QStringLiteral("BAR DELL'AQUILA"), QStringLiteral("L'AQUILA SERVIZI SRL")}));
    EXPECT_EQ(found(w, QStringLiteral("L'AQUILA"), true, QStringLiteral("001")),
              QStringList{QStringLiteral("BAR DELL'AQUILA")});
    // "000" is every kind: the demo's thirty entries and the two with a municipality.
    EXPECT_EQ(found(w, QString(), false).size(), 32);
    EXPECT_EQ(found(w, QString(), false, QStringLiteral("003")).size(), 9);
    choose(&w, "NRec", QStringLiteral("100"));
    EXPECT_EQ(found(w, QStringLiteral("COMUNE DI"), false).size(), 3);
    // The row limit holds.
    for (int i = 0; i < 60; ++i)
        entry(100 + i, QStringLiteral("ALBO %1").arg(i, 2, 10, QLatin1Char('0')));
    choose(&w, "NRec", QStringLiteral("50"));
    EXPECT_EQ(found(w, QStringLiteral("ALBO"), false).size(), 50);
}

TEST_P(RubricaTest, DuplicateNameIsAskedAboutOncePerNameTyped)
{
    FrmRubrica w;
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(&w, "txtNome", QStringLiteral("comune di potenza"));
    fill(&w, "txtDom", QStringLiteral("piazza matteotti"));
    fill(&w, "TxtCCom", QStringLiteral("076063"));
    boxes.answers = {Answer::No};
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{ab::kMsgDuplicate});
    EXPECT_EQ(count(QStringLiteral("Tab_Denominazione = 'COMUNE DI POTENZA'")), 1);
    // The same name again: not asked again, written.
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(count(QStringLiteral("Tab_Denominazione = 'COMUNE DI POTENZA'")), 2);

    // Changing an entry asks only when its name changes, and then once.
    fill(&w, "TxtTel", QStringLiteral("0971 1"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty());
    fill(&w, "txtNome", QStringLiteral("comune di melfi"));
    boxes.answers = {Answer::No};
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{ab::kMsgDuplicate});
    EXPECT_EQ(count(QStringLiteral("Tab_Denominazione = 'COMUNE DI MELFI'")), 1);
    // A fresh entry starts the count again.
    w.ELABORATBAR(QStringLiteral("ANNULLA"));
    boxes.clear();
    boxes.answers = {Answer::Yes, Answer::Yes};
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(&w, "txtNome", QStringLiteral("comune di melfi"));
    fill(&w, "txtDom", QStringLiteral("piazza umberto"));
    fill(&w, "TxtCCom", QStringLiteral("076048"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{ab::kMsgDuplicate});
    EXPECT_EQ(count(QStringLiteral("Tab_Denominazione = 'COMUNE DI MELFI'")), 2);
}

TEST_P(RubricaTest, WithoutAnIdentifierNothingIsWritten)
{
    DicAmbiente::session().cfg.oleGp = QStringLiteral("Nessun.Server");
    FrmRubrica w;
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(&w, "txtNome", QStringLiteral("nuovo fornitore"));
    fill(&w, "txtDom", QStringLiteral("via verdi"));
    fill(&w, "TxtCCom", QStringLiteral("076063"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Errore In Creazione OLE OLEGP"), ab::kMsgNoIdentifier}));
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::New);
    EXPECT_EQ(count(QStringLiteral("Tab_EnteRubrica = '001'")), 30);

    // The server refuses (an entity it does not know): nothing either.
    DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    sql(QStringLiteral("UPDATE Tab_Enti SET Ente_Codice = '009' WHERE Ente_Codice = '001'"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Server Ole, Errore in Incremento Progressivo Rubrica 991")))
        << boxes.texts().first().toStdString();
    EXPECT_EQ(boxes.texts().last(), ab::kMsgNoIdentifier);
    EXPECT_EQ(count(QStringLiteral("Tab_EnteRubrica = '001'")), 30);
}

TEST_P(RubricaTest, EntryUsedByAProtocolOrAGroupIsNeverDeletedAndAProtocolFreezesItsName)
{
    entry(40, QStringLiteral("MITTENTE USATO"));
    entry(41, QStringLiteral("DESTINATARIO USATO"));
    entry(42, QStringLiteral("ALTRO DESTINATARIO"));
    entry(43, QStringLiteral("IN UN GRUPPO"));
    entry(44, QStringLiteral("MAI USATO"));
    protocolOf(40, QStringLiteral("20240000901"));
    protocolOf(1, QStringLiteral("20240000902"));
    sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) VALUES ('001', 'E', '20240000902', 41, 'S'), ('001', 'E', "
                       "'20240000902', 42, 'N')"));
    sql(QStringLiteral("INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, "
                       "Tab_Identificativo, Tab_Condiviso) VALUES ('001', 'PRO', 'UN GRUPPO', 43, 0)"));
    FrmRubrica w;
    for (int id : {40, 41, 42, 43}) {
        ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Identificativo"), QString::number(id)}}));
        EXPECT_TRUE(ui::looksReadOnly(w.findChild<QLineEdit *>(QStringLiteral("txtNome")))) << id;
        boxes.clear();
        w.ELABORATBAR(QStringLiteral("CANCELLA"));
        EXPECT_EQ(boxes.texts(), QStringList{ab::kMsgInUse}) << id;
        EXPECT_EQ(count(QStringLiteral("Tab_Identificativo = %1").arg(id)), 1) << id;
    }
    // The rest of a used entry can still change.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Identificativo"), QStringLiteral("40")}}));
    fill(&w, "txtDom", QStringLiteral("via nuova"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Domicilio FROM Tab_Rubrica WHERE Tab_Identificativo = 40")),
              QStringLiteral("VIA NUOVA"));
    // Its protocols.
    w.findChild<QPushButton *>(QStringLiteral("CmdVisualizza"))->click();
    auto *list = w.findChild<QDialog *>(QStringLiteral("FrmProtocolliRubrica"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(column(test::rowList(list, "LwProtocolli"), 1),
              QStringList{QStringLiteral("20240000901")});

    // An entry nobody uses goes after the question.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Identificativo"), QStringLiteral("44")}}));
    EXPECT_FALSE(ui::looksReadOnly(w.findChild<QLineEdit *>(QStringLiteral("txtNome"))));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(count(QStringLiteral("Tab_Identificativo = 44")), 0);

    // Kind 999 belongs to its writer.
    entry(45, QStringLiteral("RISERVATO"), QStringLiteral("076063"), QStringLiteral("999"), QStringLiteral("DEMO8"));
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Identificativo"), QStringLiteral("45")}}));
    EXPECT_TRUE(ui::looksReadOnly(w.findChild<QLineEdit *>(QStringLiteral("txtNome"))));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{ab::kMsgInUse});
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(RubricaTest);
