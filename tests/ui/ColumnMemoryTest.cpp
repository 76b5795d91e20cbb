// Lists keep what the clerk did with their headings: widths, order and sort
// come back when the same operator opens the window again, another operator
// gets the list's own layout, and the heading's menu fits the columns to
// their content or puts the list's own layout back. On both engines, with a
// real window opened from its menu.

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>

#include "organisation/Organisation.h"
#include "ui/ColumnMemory.h"
#include "ui/Desktop.h"
#include "ui/RowModel.h"
#include "ui/UiFixture.h"

using namespace nimbo;
using nimbo::test::MainWindowTest;

namespace {

const QString kGroup = QStringLiteral("elenchi/%1/FrmOperatoriNew/LwOperatori");

// Mouse events as the heading receives them while the clerk drags.
void mouse(QWidget *on, QEvent::Type type, const QPoint &at, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, on->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(on, &e);
}

void drag(QHeaderView *h, const QPoint &from, const QPoint &to)
{
    QWidget *vp = h->viewport();
    mouse(vp, QEvent::MouseButtonPress, from, Qt::LeftButton);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i)
        mouse(vp, QEvent::MouseMove, from + (to - from) * i / steps, Qt::LeftButton);
    mouse(vp, QEvent::MouseButtonRelease, to, Qt::NoButton);
    QCoreApplication::processEvents();
}

void click(QHeaderView *h, int column)
{
    const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
    mouse(h->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(h->viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    QCoreApplication::processEvents();
}

// The heading's own menu, opened by a right click, and one of its actions.
void headingAction(QTableView *view, const char *name)
{
    QHeaderView *h = view->horizontalHeader();
    emit h->customContextMenuRequested(QPoint(10, h->height() / 2));
    auto *menu = h->findChild<QMenu *>(QStringLiteral("MenuColonne"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    QStringList captions;
    for (QAction *a : menu->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Adatta colonne"), QStringLiteral("Ripristina")}));
    auto *action = menu->findChild<QAction *>(QLatin1String(name));
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
    menu->hide();
}

struct Shown {
    QList<int> widths, order;
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    QStringList firstColumn; // the codes in the order shown
};

// The width a column's cells ask for (public through the base class).
int contentWidth(QAbstractItemView *view, int column) { return view->sizeHintForColumn(column); }

Shown shown(QTableView *view)
{
    Shown s;
    QHeaderView *h = view->horizontalHeader();
    for (int c = 0; c < h->count(); ++c) {
        s.widths << (h->isSectionHidden(c) ? 0 : h->sectionSize(c));
        s.order << h->logicalIndex(c);
    }
    s.sortColumn = h->sortIndicatorSection() < h->count() ? h->sortIndicatorSection() : -1;
    s.sortOrder = h->sortIndicatorOrder();
    for (int r = 0; r < view->model()->rowCount(); ++r)
        s.firstColumn << view->model()->index(r, 0).data().toString();
    return s;
}

class ColumnMemoryTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db().folder() + QStringLiteral("/settings"));
        organisation::registerOrganisationWindows();
    }
    // The operators' window opened from its menu, and its list.
    QTableView *openOperators(MDIMenu *main)
    {
        QWidget *w = menu(main, "MnuServOper");
        EXPECT_NE(w, nullptr);
        if (!w)
            return nullptr;
        EXPECT_EQ(w->objectName(), QStringLiteral("FrmOperatoriNew"));
        QCoreApplication::processEvents();
        auto *view = w->findChild<QTableView *>(QStringLiteral("LwOperatori"));
        EXPECT_NE(view, nullptr);
        EXPECT_GT(view ? view->model()->rowCount() : 0, 2);
        return view;
    }
    void closeActive(MDIMenu *main)
    {
        press(main, "ESCI");
        QCoreApplication::processEvents();
        EXPECT_TRUE(main->area()->subWindowList().isEmpty());
    }
    static bool kept(const QString &op)
    {
        return ui::userSettings().contains(kGroup.arg(op) + QStringLiteral("/larghezze"));
    }
};

} // namespace

TEST_P(ColumnMemoryTest, ResizedReorderedSortedListComesBackForTheSameOperatorOnly)
{
    // Another operator able to open the window, to see it as it comes.
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Funzioni = (SELECT Op_Funzioni FROM Tab_Operatori WHERE "
                       "Op_Codice_Operatore = 'DEMO9'), Op_Livello = '9' WHERE Op_Codice_Operatore = 'DEMO8'"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QTableView *view = openOperators(main);
    ASSERT_NE(view, nullptr);
    QHeaderView *h = view->horizontalHeader();
    const Shown defaults = shown(view);
    EXPECT_EQ(defaults.order, (QList<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(defaults.sortColumn, -1);
    // Opening, loading and fitting wrote nothing.
    EXPECT_FALSE(kept(QStringLiteral("DEMO9")));

    // The name column 60 pixels wider, by its right edge.
    const int right = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
    drag(h, QPoint(right, h->height() / 2), QPoint(right + 60, h->height() / 2));
    EXPECT_EQ(h->sectionSize(1), defaults.widths[1] + 60);
    // The password date moved in front.
    const QPoint date(h->sectionViewportPosition(2) + h->sectionSize(2) / 2, h->height() / 2);
    drag(h, date, QPoint(3, h->height() / 2));
    EXPECT_EQ(h->visualIndex(2), 0);
    // Sorted by code, descending (two clicks).
    click(h, 0);
    click(h, 0);
    const Shown arranged = shown(view);
    EXPECT_EQ(arranged.sortColumn, 0);
    EXPECT_EQ(arranged.sortOrder, Qt::DescendingOrder);
    QStringList descending = arranged.firstColumn;
    std::sort(descending.begin(), descending.end(), std::greater<QString>());
    EXPECT_EQ(arranged.firstColumn, descending);
    EXPECT_TRUE(kept(QStringLiteral("DEMO9")));

    closeActive(main);
    view = openOperators(main);
    ASSERT_NE(view, nullptr);
    const Shown again = shown(view);
    EXPECT_EQ(again.widths, arranged.widths);
    EXPECT_EQ(again.order, arranged.order);
    EXPECT_EQ(again.sortColumn, 0);
    EXPECT_EQ(again.sortOrder, Qt::DescendingOrder);
    EXPECT_EQ(again.firstColumn, arranged.firstColumn);
    closeActive(main);

    // Another operator on this workstation gets the list as it comes.
    StartUp::shutdown();
    main = logIn(QStringLiteral("DEMO8"), QStringLiteral("demo8pwd"));
    ASSERT_NE(main, nullptr);
    view = openOperators(main);
    ASSERT_NE(view, nullptr);
    const Shown other = shown(view);
    EXPECT_EQ(other.widths, defaults.widths);
    EXPECT_EQ(other.order, defaults.order);
    EXPECT_EQ(other.sortColumn, -1);
    EXPECT_FALSE(kept(QStringLiteral("DEMO8")));
    // ... and the first operator's arrangement is still there for him.
    EXPECT_TRUE(kept(QStringLiteral("DEMO9")));
}

TEST_P(ColumnMemoryTest, HeadingMenuFitsTheColumnsToTheirContentAndPutsTheListsOwnLayoutBack)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QTableView *view = openOperators(main);
    ASSERT_NE(view, nullptr);
    QHeaderView *h = view->horizontalHeader();
    const Shown defaults = shown(view);

    // Squeezed by hand below its content, the date column is cut...
    const int right = h->sectionViewportPosition(2) + h->sectionSize(2) - 1;
    drag(h, QPoint(right, h->height() / 2), QPoint(h->sectionViewportPosition(2) + 12, h->height() / 2));
    EXPECT_LT(h->sectionSize(2), contentWidth(view, 2));
    click(h, 1);
    // ... "Adatta colonne" shows every column's content whole, and keeps it.
    headingAction(view, "AdattaColonne");
    for (int c = 0; c < h->count(); ++c) {
        if (!h->isSectionHidden(c)) {
            EXPECT_GE(h->sectionSize(c), contentWidth(view, c)) << c;
        }
    }
    const int fitted = h->sectionSize(2);
    EXPECT_EQ(ui::userSettings().value(kGroup.arg(QStringLiteral("DEMO9")) + QStringLiteral("/larghezze")).toString().split(QLatin1Char(';')).value(2),
              QString::number(fitted));

    // "Ripristina": the list's own widths, order and loaded order, and
    // nothing kept any more.
    drag(h, QPoint(h->sectionViewportPosition(3) + h->sectionSize(3) / 2, h->height() / 2), QPoint(3, h->height() / 2));
    headingAction(view, "RipristinaColonne");
    const Shown reset = shown(view);
    EXPECT_EQ(reset.widths, defaults.widths);
    EXPECT_EQ(reset.order, defaults.order);
    EXPECT_EQ(reset.sortColumn, -1);
    EXPECT_EQ(reset.firstColumn, defaults.firstColumn);
    EXPECT_FALSE(kept(QStringLiteral("DEMO9")));

    // Reopened, it stays the list's own.
    closeActive(main);
    view = openOperators(main);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(shown(view).widths, defaults.widths);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST(ColumnMemoryKeys, OperatorWindowAndListNeverRunIntoAnotherGroup)
{
    EXPECT_EQ(ui::ColumnMemory::groupFor(QStringLiteral("DEMO9"), QStringLiteral("frmEnti"), QStringLiteral("LwEnti")),
              QStringLiteral("elenchi/DEMO9/frmEnti/LwEnti"));
    // A code holding a separator stays inside its own group.
    EXPECT_EQ(ui::ColumnMemory::groupFor(QStringLiteral("A/B"), QStringLiteral("W"), QStringLiteral("L")),
              QStringLiteral("elenchi/A%2FB/W/L"));
    EXPECT_NE(ui::ColumnMemory::groupFor(QStringLiteral("A"), QStringLiteral("B/W"), QStringLiteral("L")),
              ui::ColumnMemory::groupFor(QStringLiteral("A/B"), QStringLiteral("W"), QStringLiteral("L")));
    EXPECT_EQ(ui::ColumnMemory::groupFor(QString(), QStringLiteral("W"), QStringLiteral("L")),
              QStringLiteral("elenchi/-/W/L"));
}

NIMBO_INSTANTIATE_ENGINES(ColumnMemoryTest);
