// The groups window on both engines: the search never offers members,
// ceased or inactive entries; a group written, read back and written again
// keeps the members made inactive meanwhile; emptied or deleted, it goes.

#include <QCheckBox>

#include "AddressBookFixture.h"
#include "addressbook/FrmGruppiRubrica.h"
#include "ui/RowModel.h"

using namespace nimbo;
using addressbook::FrmGruppiRubrica;

namespace {

class GroupsWindowTest : public test::AddressBookTest {
protected:
    QStringList offered(FrmGruppiRubrica &w, const QString &text)
    {
        fill(&w, "TxtRic", text);
        choose(&w, "CboFiltro", QStringLiteral("2"));
        w.search();
        return column(results(w), 0);
    }
    static ui::RowList *results(FrmGruppiRubrica &w) { return test::rowList(&w, "LwRicerca"); }
    void tick(FrmGruppiRubrica &w, const QStringList &ids)
    {
        ui::RowList *list = results(w);
        for (int i = 0; i < list->count(); ++i)
            list->model()->setChecked(i, ids.contains(list->text(i, 0)));
    }
    static QStringList memberIds(const FrmGruppiRubrica &w)
    {
        QStringList out;
        for (const auto &m : w.members())
            out << QString::number(m.id);
        out.sort();
        return out;
    }
    QStringList stored(const QString &name)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("SELECT Tab_Identificativo FROM Tab_RubricaGruppi WHERE Tab_Ente = '001' AND "
                                 "Tab_Dipartimento = 'PRO' AND Tab_Raggruppamento = ? ORDER BY Tab_Identificativo"));
        q.addBindValue(name);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
};

const QString kName = QStringLiteral("COMUNI DELL'AREA");

TEST_P(GroupsWindowTest, SearchLeavesOutMembersCeasedAndInactiveEntriesAndTheGroupKeepsHiddenMembers)
{
    // "COMUNE DI ...": 2, 3 and 4; 3 ceased, 4 inactive.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Cessazione = '2024-06-30' WHERE Tab_Identificativo = 3"));
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_Identificativo = 4"));
    FrmGruppiRubrica w;
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(offered(w, QStringLiteral("comune di")), QStringList{QStringLiteral("2")});
    fill(&w, "TxtGruppo", QStringLiteral("comuni dell'area"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Inserire almeno un Mittente/Destinatario nel raggruppamento")});

    // Kind 000 is every kind; kind 003 only public bodies.
    QStringList all = offered(w, QStringLiteral("di"));
    choose(&w, "CboTipo", QStringLiteral("003"));
    const QStringList bodies = offered(w, QStringLiteral("di"));
    EXPECT_LT(bodies.size(), all.size());
    EXPECT_TRUE(bodies.contains(QStringLiteral("2")) && !all.contains(QStringLiteral("3")));
    choose(&w, "CboTipo", QStringLiteral("000"));

    offered(w, QStringLiteral("potenza"));
    tick(w, {QStringLiteral("2"), QStringLiteral("5")});
    w.findChild<QPushButton *>(QStringLiteral("CmdTrasferisci"))->click();
    EXPECT_EQ(memberIds(w), (QStringList{QStringLiteral("2"), QStringLiteral("5")}));
    // Members are not offered again.
    EXPECT_FALSE(offered(w, QStringLiteral("potenza")).contains(QStringLiteral("2")));
    EXPECT_FALSE(offered(w, QStringLiteral("potenza")).contains(QStringLiteral("5")));
    w.findChild<QCheckBox *>(QStringLiteral("CondividChk"))->setChecked(true);
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(stored(kName), (QStringList{QStringLiteral("2"), QStringLiteral("5")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT MIN(Tab_Condiviso) FROM Tab_RubricaGruppi")), QStringLiteral("1"));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));

    // 5 made inactive: the group no longer shows it, saving keeps it.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_Identificativo = 5"));
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Raggruppamento"), kName}}));
    EXPECT_EQ(memberIds(w), QStringList{QStringLiteral("2")});
    EXPECT_TRUE(w.findChild<QCheckBox *>(QStringLiteral("CondividChk"))->isChecked());
    offered(w, QStringLiteral("prefettura"));
    EXPECT_TRUE(column(results(w), 0).isEmpty()); // 5, inactive
    offered(w, QStringLiteral("inps"));
    tick(w, {QStringLiteral("6")});
    w.findChild<QPushButton *>(QStringLiteral("CmdTrasferisci"))->click();
    fill(&w, "TxtGruppo", QStringLiteral("comuni e enti"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(stored(kName).isEmpty());
    EXPECT_EQ(stored(QStringLiteral("COMUNI E ENTI")),
              (QStringList{QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("6")}));

    // A new group may not take a name already used.
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(&w, "TxtGruppo", QStringLiteral("comuni e enti"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Il nome del raggruppamento è già stato utilizzato. Sostituirlo e riprovare.")});
}

TEST_P(GroupsWindowTest, EmptiedOrDeletedGroupGoesAfterTheQuestion)
{
    sql(QStringLiteral("INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, "
                       "Tab_Identificativo, Tab_Condiviso) VALUES ('001', 'PRO', 'UNO', 1, 0), ('001', 'PRO', 'DUE', 2, "
                       "0), ('001', 'AMM', 'ALTRUI', 3, 1)"));
    FrmGruppiRubrica w;
    EXPECT_EQ(column(test::rowList(&w, "LwGruppi"), 0),
              (QStringList{QStringLiteral("DUE"), QStringLiteral("UNO")}));
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Raggruppamento"), QStringLiteral("UNO")}}));
    auto *members = test::rowList(&w, "LWMittenti");
    members->select(0, QStringLiteral("1"));
    w.findChild<QPushButton *>(QStringLiteral("CmdRimuovi"))->click();
    EXPECT_TRUE(w.members().isEmpty());
    boxes.answers = {Answer::Yes};
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Premi il bottone 'SI' se desideri cancellare il "
                                                        "raggruppamento, altrimenti inserisci almeno un "
                                                        "Mittente/Destinatario nella lista.")});
    EXPECT_TRUE(stored(QStringLiteral("UNO")).isEmpty());

    ASSERT_TRUE(w.openRecord({{QStringLiteral("Tab_Raggruppamento"), QStringLiteral("DUE")}}));
    boxes.clear();
    boxes.answers = {Answer::Yes};
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?")});
    EXPECT_TRUE(stored(QStringLiteral("DUE")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_RubricaGruppi")), QStringLiteral("1"));
    EXPECT_TRUE(column(test::rowList(&w, "LwGruppi"), 0).isEmpty());
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(GroupsWindowTest);
