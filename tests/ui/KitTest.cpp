// The window kit on a real register: a small record editor over the
// regions (list, checks, writes, usage check before deletion), and the
// row list's sorting, filtering and choosing.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

#include "ui/FormKit.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "UiFixture.h"

using nimbo::test::UiTest;
using namespace nimbo;
namespace F = Funzioni_Com_1;

namespace {

// The smallest editor a window could declare: code, name, one usage check.
class RegionEditor : public ui::RecordEditor {
public:
    RegionEditor()
    {
        setObjectName(QStringLiteral("RegionEditor"));
        setWindowTitle(QStringLiteral("Regioni"));
        setTable(QStringLiteral("Tab_Regioni"));
        list = new ui::RowList(QStringLiteral("LwRegioni"), this);
        list->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;40"));
        auto *detail = new ui::FormGroup(QStringLiteral("Regione"), this);
        code = new QLineEdit(detail);
        code->setObjectName(QStringLiteral("TxtCodice"));
        name = new QLineEdit(detail);
        name->setObjectName(QStringLiteral("TxtDescrizione"));
        detail->addRow(QStringLiteral("Codice"), {code});
        detail->addRow(QStringLiteral("Descrizione"), {name});
        bind(QStringLiteral("Reg_Codreg"), code, Kind::Text, true);
        bind(QStringLiteral("Reg_Descrizione"), name);
        setList(list, [] { return QStringLiteral("SELECT Reg_Codreg, Reg_Descrizione FROM Tab_Regioni ORDER BY Reg_Descrizione"); },
                {{QStringLiteral("Reg_Codreg"), 0}});
        setLoad([](const ui::Record &k) {
            return QStringLiteral("SELECT Reg_Codreg, Reg_Descrizione FROM Tab_Regioni WHERE Reg_Codreg = ")
                   + ui::sqlText(k.value(QStringLiteral("Reg_Codreg")));
        },
                {QStringLiteral("Reg_Codreg"), QStringLiteral("Reg_Descrizione")});
        setDeletable(true);
        setDeleteFailure(QStringLiteral("cancellazione non riuscita"));
        arrange(nullptr, list, detail);
        reloadList();
    }
    ui::CheckList checks(bool) const override
    {
        return {{QStringLiteral("Reg_Codreg"), [](ui::Record &r) { return !r.value(QStringLiteral("Reg_Codreg")).isEmpty(); },
                 QStringLiteral("inserire il codice")},
                {QStringLiteral("Reg_Descrizione"),
                 [](ui::Record &r) { return !r.value(QStringLiteral("Reg_Descrizione")).isEmpty(); },
                 QStringLiteral("inserire la descrizione")}};
    }
    void addColumns(F::FieldList &fields, const ui::Record &, bool) const override
    {
        fields.append({QStringLiteral("Reg_CodOper"), QStringLiteral("DEMO9")});
    }
    QVector<ui::UsageCheck> usageChecks(const ui::Record &r) const override
    {
        return {{QStringLiteral("SELECT 1 FROM Tab_Provincie WHERE Prv_Codreg = ")
                     + ui::sqlText(r.value(QStringLiteral("Reg_Codreg"))) + QStringLiteral(" LIMIT 1"),
                 QStringLiteral("regione in uso")}};
    }
    void written(bool deleted) override { writes << deleted; }
    void reportAllAtOnce() { setChecksTogether(QStringLiteral("ATTENZIONE !!!")); }

    ui::RowList *list;
    QLineEdit *code;
    QLineEdit *name;
    QList<bool> writes;
};

class Kit : public UiTest {
protected:
    void choose(RegionEditor &w, const QString &code)
    {
        ASSERT_TRUE(w.list->select(0, code)) << code.toStdString();
        QTest::keyClick(w.list->view(), Qt::Key_Return);
    }
};

TEST_P(Kit, RecordEditorModesChecksWritesAndDeletion)
{
    RegionEditor w;
    w.resize(900, 500);
    w.show();
    const int regions = w.list->count();
    ASSERT_GT(regions, 0);
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    EXPECT_FALSE(w.code->isEnabled());

    // New: the checks in order, each with the focus on its field.
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_TRUE(w.code->isEnabled());
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire il codice")});
    EXPECT_EQ(w.focusWidget(), w.code);
    QTest::keyClicks(w.code, QStringLiteral("99"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire la descrizione")});
    EXPECT_EQ(w.focusWidget(), w.name);

    // An apostrophe is written as typed; the list shows the new row and the
    // window goes back to browsing.
    QTest::keyClicks(w.name, QStringLiteral("  Valle d'Esempio "));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Reg_Descrizione || '|' || Reg_CodOper FROM Tab_Regioni WHERE Reg_Codreg = '99'")),
              QStringLiteral("Valle d'Esempio|DEMO9"));
    EXPECT_EQ(w.list->count(), regions + 1);
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Browse);
    EXPECT_EQ(w.writes, QList<bool>{false});

    // Chosen from the list: the key is locked, the change written on its row.
    choose(w, QStringLiteral("99"));
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Edit);
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_TRUE(w.code->isReadOnly());
    EXPECT_EQ(w.name->text(), QStringLiteral("Valle d'Esempio"));
    w.name->setText(QStringLiteral("Valle Nuova"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Reg_Descrizione FROM Tab_Regioni WHERE Reg_Codreg = '99'")),
              QStringLiteral("Valle Nuova"));

    // The row removed behind the window's back: the change fails and says so.
    choose(w, QStringLiteral("99"));
    sql(QStringLiteral("DELETE FROM Tab_Regioni WHERE Reg_Codreg = '99'"));
    w.name->setText(QStringLiteral("Valle Persa"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Errore Server "))) << boxes.texts().first().toStdString();
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("Tab_Regioni"))) << boxes.texts().first().toStdString();
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Edit);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '99'")), QStringLiteral("0"));

    // Deletion: refused while a province refers to the region, then asked
    // and done.
    sql(QStringLiteral("INSERT INTO Tab_Regioni (Reg_Codreg, Reg_Descrizione) VALUES ('99', 'Valle')"));
    sql(QStringLiteral("INSERT INTO Tab_Provincie (Prv_Codprov, Prv_Descrizione, Prv_Codreg) VALUES ('999', 'P', '99')"));
    w.reloadList();
    boxes.answers = {Answer::Yes};
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Reg_Codreg"), QStringLiteral("99")}}));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("regione in uso")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '99'")), QStringLiteral("1"));
    sql(QStringLiteral("DELETE FROM Tab_Provincie WHERE Prv_Codprov = '999'"));
    boxes.clear();
    boxes.answers = {Answer::No};
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '99'")), QStringLiteral("1"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '99'")), QStringLiteral("0"));
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Browse);
    EXPECT_EQ(w.list->count(), regions);
    EXPECT_EQ(w.writes.last(), true);
}

// A change rewrites the row its key selected when loaded: whatever the key
// field holds by then (the program set it, or it was cut) is not written.
TEST_P(Kit, AChangeNeverWritesTheKey)
{
    RegionEditor w;
    w.show();
    EXPECT_EQ(w.code->maxLength(), 3) << "the column's declared length";
    const QString code = scalar(QStringLiteral("SELECT MIN(Reg_Codreg) FROM Tab_Regioni"));
    choose(w, code);
    ASSERT_EQ(w.editMode(), ui::RecordEditor::Mode::Edit);
    w.code->setText(QStringLiteral("98"));
    w.name->setText(QStringLiteral("REGIONE CAMBIATA"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Reg_Descrizione FROM Tab_Regioni WHERE Reg_Codreg = '%1'").arg(code)),
              QStringLiteral("REGIONE CAMBIATA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '98'")), QStringLiteral("0"));
}

TEST_P(Kit, AFailedReadIsNotARecordThatIsNotThere)
{
    RegionEditor w;
    w.show();
    EXPECT_FALSE(w.openRecord({{QStringLiteral("Reg_Codreg"), QStringLiteral("ZZ")}}));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Record non trovato in archivio.")});
    boxes.clear();
    // The table gone from under the window: the read itself fails.
    sql(QStringLiteral("ALTER TABLE Tab_Regioni RENAME TO Tab_RegioniAltrove"));
    EXPECT_FALSE(w.openRecord({{QStringLiteral("Reg_Codreg"), QStringLiteral("01")}}));
    // One message, the loader's; never "not found".
    EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(boxes.texts().contains(QStringLiteral("Record non trovato in archivio.")));
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Browse);
}

TEST_P(Kit, TypedDataIsNotThrownAwayWithoutAsking)
{
    RegionEditor w;
    w.show();
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    QTest::keyClicks(w.code, QStringLiteral("98"));
    boxes.answers = {Answer::No};
    w.ELABORATBAR(QStringLiteral("ANNULLA"));
    EXPECT_EQ(boxes.texts(), QStringList{ui::DirtyTracker::kQuestion});
    EXPECT_EQ(w.code->text(), QStringLiteral("98"));
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::New);
    // Choosing another record asks too.
    boxes.clear();
    boxes.answers = {Answer::No};
    choose(w, w.list->text(0, 0));
    EXPECT_EQ(boxes.texts(), QStringList{ui::DirtyTracker::kQuestion});
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::New);
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("ANNULLA")); // answered Yes
    EXPECT_EQ(w.editMode(), ui::RecordEditor::Mode::Browse);
    EXPECT_TRUE(w.code->text().isEmpty());
}

TEST_P(Kit, EveryFailureAtOnceAndSteppingThroughTheList)
{
    RegionEditor w;
    w.reportAllAtOnce();
    w.show();
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("ATTENZIONE !!!"));
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("inserire il codice\ninserire la descrizione"));
    EXPECT_EQ(boxes.shown.first().icon, Icon::Critical);
    EXPECT_EQ(w.focusWidget(), w.code);
    w.ELABORATBAR(QStringLiteral("ANNULLA"));

    // In the order shown, whatever the sort; the ends say so.
    boxes.clear();
    w.list->view()->sortByColumn(0, Qt::DescendingOrder);
    const auto shownCode = [&](int row) { return w.list->proxy()->index(row, 0).data().toString(); };
    const QString first = QStringLiteral("primo"), last = QStringLiteral("ultimo");
    ASSERT_TRUE(w.step(1, first, last));
    EXPECT_EQ(w.code->text(), shownCode(0));
    EXPECT_FALSE(w.step(-1, first, last));
    EXPECT_EQ(boxes.texts(), QStringList{first});
    ASSERT_TRUE(w.step(1, first, last));
    EXPECT_EQ(w.code->text(), shownCode(1));
    while (w.step(1, first, last)) {
    }
    EXPECT_EQ(w.code->text(), shownCode(w.list->count() - 1));
    EXPECT_EQ(boxes.texts().last(), last);
}

NIMBO_INSTANTIATE_ENGINES(Kit);

// Rows as the loaders hand them: ISO dates, numbers, texts, a hidden key.
F::Columns sample()
{
    return {{QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("C")},
            {QStringLiteral("2026-01-10"), QStringLiteral("2025-12-31"), QVariant()},
            {qlonglong(10), qlonglong(9), qlonglong(100)},
            {QStringLiteral("k1"), QStringLiteral("k2"), QStringLiteral("k3")}};
}

TEST(RowList, SortsByStoredValuesFiltersByWordsAndChoosesByKeyboard)
{
    ui::RowList list(QStringLiteral("LwTest"));
    QAbstractItemModelTester rowsTester(list.model());
    QAbstractItemModelTester proxyTester(list.proxy());
    list.setColumns(QStringLiteral("NOME;DATA;NUMERO"), QStringLiteral("10;10;6"));
    list.setRows(sample());
    ASSERT_EQ(list.proxy()->columnCount(), 3); // the key is kept, not shown
    EXPECT_EQ(list.value(2, 3).toString(), QStringLiteral("k3"));
    EXPECT_EQ(list.proxy()->index(0, 1).data().toString(), QStringLiteral("10/01/2026"));
    // A heading that a narrow column cuts is whole in its tip.
    EXPECT_EQ(list.proxy()->headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("NUMERO"));

    const auto column = [&](int c) {
        QStringList out;
        for (int r = 0; r < list.proxy()->rowCount(); ++r)
            out << list.proxy()->index(r, c).data().toString();
        return out;
    };
    list.view()->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("C"), QStringLiteral("a"), QStringLiteral("B")}));
    list.view()->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
    EXPECT_EQ(column(2), (QStringList{QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("100")}));
    list.view()->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("a")}));
    // A reload keeps the operator's sort.
    list.setRows(sample());
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("a")}));

    // Every word, in any shown column, any case; hidden keys do not match.
    QTest::keyClicks(list.filterBox(), QStringLiteral("2026 b"));
    EXPECT_EQ(column(0), QStringList{QStringLiteral("B")});
    list.filterBox()->setText(QStringLiteral("k2"));
    EXPECT_EQ(list.proxy()->rowCount(), 0);
    list.filterBox()->setText(QStringLiteral("12/2025"));
    EXPECT_EQ(column(0), QStringList{QStringLiteral("a")});

    // Enter in the filter chooses the first row left; a chosen row is
    // reported as loaded, whatever the sort.
    QList<int> chosen;
    QObject::connect(&list, &ui::RowList::chosen, [&](int row) { chosen << row; });
    QTest::keyClick(list.filterBox(), Qt::Key_Return);
    EXPECT_EQ(chosen, QList<int>{1});
    list.filterBox()->clear();
    QTest::keyClick(list.filterBox(), Qt::Key_Down);
    QTest::keyClick(list.filterBox(), Qt::Key_Down);
    QTest::keyClick(list.view(), Qt::Key_Return);
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_EQ(list.text(chosen.last(), 0), list.proxy()->index(list.view()->currentIndex().row(), 0).data().toString());
}

} // namespace

namespace {

// A fitted list shows every heading whole when its width holds them all,
// gives the rest by the columns' widths, and never scrolls sideways; too
// narrow for the headings, it shares by widths alone.
TEST(RowList, FittedListShowsEveryHeadingWholeWhenTheRoomHoldsThem)
{
    ui::RowList list(QStringLiteral("LwFit"));
    list.setColumns(QStringLiteral("Id Sessione;Data Apertura;Motivo;Allineamento"), QStringLiteral("2;2;60;2"));
    list.setFitToWidth(true);
    list.setRows(sample());
    QHeaderView *header = list.view()->horizontalHeader();
    QFont bold = header->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QStringList titles{QStringLiteral("Id Sessione"), QStringLiteral("Data Apertura"), QStringLiteral("Motivo"),
                             QStringLiteral("Allineamento")};
    // It asks for the room its headings need.
    int needed = 0;
    for (const QString &t : titles)
        needed += metrics.horizontalAdvance(t);
    EXPECT_GE(list.sizeHint().width(), needed);

    list.resize(700, 200);
    list.show();
    QCoreApplication::processEvents();
    test::expectHeadingsWhole(list.view());
    EXPECT_GT(header->sectionSize(2), header->sectionSize(0) * 3); // the rest went by widths
    EXPECT_LE(header->length(), list.view()->viewport()->width());

    list.resize(120, 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.view()->viewport()->width() < 120; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return header->length() <= list.view()->viewport()->width(); }, 2000))
        << header->length() << " in " << list.view()->viewport()->width();
    EXPECT_LT(header->sectionSize(0), metrics.horizontalAdvance(titles.at(0)));
}

} // namespace
