// The structure-change notices: the list with its ticks, the detail, the
// registration of the ticks (never over a notice applied meanwhile), and
// the start-up question that opens the window.

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTableView>
#include <QToolBar>

#include "organisation/FrmAggStrutture.h"
#include "organisation/StructureRules.h"
#include "platform/Busy.h"
#include "startup/Notices.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "StructureFixture.h"

using nimbo::test::StructureTest;
namespace org = nimbo::organisation;

namespace {

class NoticesWindow : public StructureTest {
protected:
    static QString day(int fromToday) { return QDate::currentDate().addDays(fromToday).toString(Qt::ISODate); }
    // A notice; state "" stands for null.
    void notice(int id, const char *op, const char *level, const QString &date, const char *state)
    {
        const QString s = *state ? QStringLiteral("'%1'").arg(QLatin1String(state)) : QStringLiteral("NULL");
        sql(QStringLiteral("INSERT INTO Prot_Strutture_I (ID, Cod_dip, des_dip, Cod_Uff, Des_Uff, Cod_OP, Data_EFF, "
                           "Livello, Stato_Acquisizione) VALUES (%1, 'PRO', 'DIPARTIMENTO AFFARI GENERALI', 'U%1', "
                           "'UFFICIO %1', '%2', '%3', '%4', %5)")
                .arg(id)
                .arg(QLatin1String(op), date, QLatin1String(level), s));
    }
    QString state(int id)
    {
        return scalar(QStringLiteral("SELECT COALESCE(Stato_Acquisizione, 'null') FROM Prot_Strutture_I WHERE ID = %1")
                          .arg(id));
    }
    void fourNotices()
    {
        notice(1, "A", "2", day(-3), "");
        notice(2, "D", "1", day(-2), "0");
        notice(3, "M", "3", day(-1), "1");
        notice(4, "A", "2", day(-4), "2");
    }
    org::FrmAggStrutture *openNotices()
    {
        logIn();
        auto *w = qobject_cast<org::FrmAggStrutture *>(press("MnuAggStrutture"));
        EXPECT_NE(w, nullptr);
        return w;
    }
    static QList<qlonglong> listed(org::FrmAggStrutture *w)
    {
        QList<qlonglong> ids;
        for (int r = 0; r < w->list()->count(); ++r)
            ids << w->list()->value(r, org::FrmAggStrutture::kIdColumn).toLongLong();
        return ids;
    }
    static int rowOf(org::FrmAggStrutture *w, qlonglong id)
    {
        return w->list()->model()->find(org::FrmAggStrutture::kIdColumn, QString::number(id));
    }
    void toolbar(const char *key)
    {
        auto *b = main->toolbar()->findChild<QAction *>(QLatin1String(key));
        if (!b)
            for (QAction *a : main->toolbar()->actions())
                if (a->objectName() == QLatin1String(key))
                    b = a;
        ASSERT_NE(b, nullptr) << key;
        EXPECT_TRUE(b->isVisible()) << key;
        b->trigger();
    }
};

} // namespace

TEST_P(NoticesWindow, ListsWhatIsNotAppliedWithTicksAndDetail)
{
    fourNotices();
    auto *w = openNotices();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Aggiornamento Anagrafica Strutture"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;SELEZIONA TUTTI;DESELEZIONA TUTTI;REGISTRA"));
    QAbstractItemModelTester rows(w->list()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester sorted(w->list()->proxy(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    EXPECT_EQ(listed(w), (QList<qlonglong>{1, 2, 3})) << "by effective date; state 2 never listed";
    nimbo::ui::RowModel *m = w->list()->model();
    EXPECT_EQ(m->text(0, 0), QStringLiteral("PRO - DIPARTIMENTO AFFARI GENERALI"));
    EXPECT_EQ(m->text(0, 1), QStringLiteral("U1 - UFFICIO 1"));
    EXPECT_EQ(m->text(0, 2), QString()) << "no service";
    EXPECT_EQ(m->text(0, 3), QStringLiteral("Attivazione"));
    EXPECT_EQ(m->text(1, 3), QStringLiteral("Disattivazione"));
    EXPECT_EQ(m->text(2, 3), QStringLiteral("Modifica"));
    EXPECT_EQ(m->text(0, 4), QDate::currentDate().addDays(-3).toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(m->data(m->index(2, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_EQ(m->data(m->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_TRUE(m->flags(m->index(0, 0)).testFlag(Qt::ItemIsUserCheckable));

    // Sorted by a column and narrowed by a word, the ticks stay with their rows.
    w->list()->view()->sortByColumn(3, Qt::AscendingOrder);
    w->list()->filterBox()->setText(QStringLiteral("modif"));
    ASSERT_EQ(w->list()->proxy()->rowCount(), 1);
    EXPECT_EQ(w->list()->proxy()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    w->list()->filterBox()->clear();

    // The detail of a notice.
    ASSERT_TRUE(w->list()->select(org::FrmAggStrutture::kIdColumn, QStringLiteral("3")));
    QTest::keyClick(w->list()->view(), Qt::Key_Return);
    const auto f = [w](const char *name) { return child<QLineEdit>(w, name)->text(); };
    EXPECT_EQ(f("TxtOperazione"), QStringLiteral("M - Modifica"));
    EXPECT_EQ(f("TxtLivello"), QStringLiteral("3 - Agg.to Servizio"));
    EXPECT_EQ(f("TxtStato"), QStringLiteral("Modifica in fase di applicazione"));
    EXPECT_EQ(f("TxtDataEff"), QDate::currentDate().addDays(-1).toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(f("TxtUfficio"), QStringLiteral("U3 - UFFICIO 3"));
    ASSERT_TRUE(w->list()->select(org::FrmAggStrutture::kIdColumn, QStringLiteral("2")));
    QTest::keyClick(w->list()->view(), Qt::Key_Return);
    EXPECT_EQ(f("TxtOperazione"), QStringLiteral("D - Disattivazione"));
    EXPECT_EQ(f("TxtLivello"), QStringLiteral("1 - Agg.to Dipartimento"));
    EXPECT_EQ(f("TxtStato"), QStringLiteral("Modifica notificata al responsabile"));
}

TEST_P(NoticesWindow, TicksAreWrittenAsOneAndZeroAndAppliedNoticesAreNeverTouched)
{
    fourNotices();
    auto *w = openNotices();
    ASSERT_NE(w, nullptr);
    nimbo::ui::RowModel *m = w->list()->model();
    QStringList waits;
    const int listener = nimbo::busy::addListener([&waits] {
        if (!nimbo::busy::waitText().isEmpty() && !waits.contains(nimbo::busy::waitText()))
            waits << nimbo::busy::waitText();
    });

    // Tick the null one, clear the one being applied.
    m->setChecked(rowOf(w, 1), true);
    m->setChecked(rowOf(w, 3), false);
    toolbar("REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Aggiornamento effettuato.")});
    EXPECT_TRUE(waits.contains(QStringLiteral("aggiornamento in corso")));
    EXPECT_EQ(state(1), QStringLiteral("1"));
    EXPECT_EQ(state(2), QStringLiteral("0"));
    EXPECT_EQ(state(3), QStringLiteral("0"));
    EXPECT_EQ(state(4), QStringLiteral("2"));
    EXPECT_TRUE(m->isChecked(rowOf(w, 1))) << "reloaded from what was written";
    EXPECT_FALSE(m->isChecked(rowOf(w, 3)));

    toolbar("SELEZIONA TUTTI");
    for (int r = 0; r < m->rowCount(); ++r)
        EXPECT_TRUE(m->isChecked(r));
    // Applied by the personnel system after the list was read: skipped,
    // said so, and gone from the list.
    sql(QStringLiteral("UPDATE Prot_Strutture_I SET Stato_Acquisizione = '2' WHERE ID = 2"));
    boxes.clear();
    toolbar("REGISTRA");
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts().at(0), QStringLiteral("Aggiornamento effettuato."));
    EXPECT_TRUE(boxes.texts().at(1).contains(QStringLiteral("DISATTIVAZIONE PRO - DIPARTIMENTO AFFARI GENERALI U2")))
        << boxes.texts().at(1).toStdString();
    EXPECT_EQ(state(1), QStringLiteral("1"));
    EXPECT_EQ(state(2), QStringLiteral("2"));
    EXPECT_EQ(state(3), QStringLiteral("1"));
    EXPECT_EQ(listed(w), (QList<qlonglong>{1, 3}));

    toolbar("DESELEZIONA TUTTI");
    boxes.clear();
    toolbar("REGISTRA");
    EXPECT_EQ(state(1), QStringLiteral("0"));
    EXPECT_EQ(state(3), QStringLiteral("0"));
    EXPECT_EQ(state(4), QStringLiteral("2"));
    nimbo::busy::removeListener(listener);
}

TEST_P(NoticesWindow, AWriteThatMeetsAnAppliedNoticeWritesNothing)
{
    // The guard of every statement: a notice that turns "2" between the
    // check and the write fails the whole batch, so nothing is half done.
    fourNotices();
    const auto writes = org::noticeWrites({1, 4}, {true, true});
    ASSERT_EQ(writes.size(), 2);
    EXPECT_FALSE(Funzioni_Com_1::Update_Tabella(writes, QStringLiteral("PROTOCOLLO")));
    EXPECT_EQ(state(1), QStringLiteral("null"));
    EXPECT_EQ(state(4), QStringLiteral("2"));
}

TEST_P(NoticesWindow, StartUpQuestionOpensTheWindowAndTheWeekOfAppliedChanges)
{
    fourNotices();
    notice(5, "D", "1", day(-10), "2");
    notice(6, "M", "2", day(-7), "2");
    const auto as = [this](const char *op) {
        logIn(QString::fromLatin1(op));
        DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("170");
        boxes.clear();
    };
    as("DEMO9");
    boxes.answers = {nimbo::Answer::No};
    main->runNotices();
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("Attenzione! Sono state notificate variazioni riguardanti la "
                                                       "struttura dell'Ente. \nPer visualizzarle premi 'SI'."));
    EXPECT_EQ(boxes.shown.first().buttons, nimbo::Buttons::YesNo);
    EXPECT_EQ(main->area()->subWindowList().size(), 0);

    as("DEMO9");
    main->runNotices();
    ASSERT_EQ(main->area()->subWindowList().size(), 1) << "SI opens the notices window";
    EXPECT_NE(qobject_cast<org::FrmAggStrutture *>(main->area()->subWindowList().first()->widget()), nullptr);

    // Nothing pending: no question.
    sql(QStringLiteral("UPDATE Prot_Strutture_I SET Stato_Acquisizione = '1' WHERE Stato_Acquisizione IS NULL OR "
                       "Stato_Acquisizione = '0'"));
    as("DEMO9");
    main->runNotices();
    EXPECT_FALSE(boxes.texts().join(QLatin1Char('\n')).contains(QStringLiteral("premi 'SI'")));

    // Another level reads the changes applied in the last week.
    as("DEMO7");
    main->runNotices();
    ASSERT_FALSE(boxes.shown.isEmpty());
    QStringList lines = boxes.texts().first().split(QLatin1Char('\n'));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(), Notices::kStructureTitle);
    lines.sort();
    EXPECT_EQ(lines, (QStringList{QStringLiteral("   - ATTIVAZIONE DELL'UFFICIO: U4 - UFFICIO 4"),
                                  QStringLiteral("   - MODIFICA DELL'UFFICIO: U6 - UFFICIO 6")}))
        << "ten days ago is past the week";
}

NIMBO_INSTANTIATE_ENGINES(NoticesWindow);
