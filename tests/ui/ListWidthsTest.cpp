// Every window of the program, shown for the first time at the size it has
// in a 1024x768 main window: no column of dates or numbers is narrower than
// its content, and every list with a heading keeps the clerk's arrangement
// of its columns. On both engines, over the demo register.

#include <QRegularExpression>
#include <QTreeView>

#include "ui/AllWindows.h"
#include "ui/ColumnMemory.h"
#include "ui/UiFixture.h"

using nimbo::test::UiTest;
namespace WR = nimbo::WindowRegistry;

namespace {

class ListWidths : public UiTest {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        UiTest::TearDown();
    }
};

QHeaderView *headingOf(QAbstractItemView *view)
{
    if (auto *t = qobject_cast<QTableView *>(view))
        return t->horizontalHeader();
    if (auto *t = qobject_cast<QTreeView *>(view))
        return t->header();
    return nullptr;
}

// A date, a time, a number, a protocol number or a numeric code.
bool figure(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9][0-9/.:,\\- ]*$"));
    return re.match(text.trimmed()).hasMatch();
}

} // namespace

TEST_P(ListWidths, NoColumnOfDatesOrNumbersIsCutAndEveryListRemembersItsColumns)
{
    const auto row =
        Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"), LoginRules::operatorQuery(QStringLiteral("DEMO9")));
    ASSERT_TRUE(row.has_value());
    LoginRules::storeOperator(*row);
    LoginRules::loadOperatorExtras();
    StartUp::loadParameters(DicAmbiente::session().op.ente);
    nimbo::test::registerEveryWindow();

    QStringList cut;
    QStringList measured;
    QStringList forgetful, remembering;
    for (const QString &name : WR::names()) {
        std::unique_ptr<QWidget> w(WR::create(name));
        if (!w)
            continue;
        // The room a child window has in a 1024x768 main window.
        w->resize(1000, 640);
        w->show();
        QCoreApplication::processEvents();
        for (QAbstractItemView *view : w->findChildren<QAbstractItemView *>()) {
            QHeaderView *h = headingOf(view);
            if (!h || h->isHidden())
                continue;
            // A list of columns (one still unfilled has a single one).
            const QString list = name + QLatin1Char('/') + view->objectName();
            if (view->model() && view->model()->columnCount() > 1)
                (nimbo::ui::ColumnMemory::of(view) ? remembering : forgetful) << list;
            if (!view->isVisible() || !view->model())
                continue;
            const int rows = qMin(view->model()->rowCount(), 200);
            for (int c = 0; c < h->count(); ++c) {
                if (h->isSectionHidden(c))
                    continue;
                int filled = 0;
                bool figures = true;
                for (int r = 0; r < rows && figures; ++r) {
                    const QString text = view->model()->index(r, c).data().toString();
                    if (text.trimmed().isEmpty())
                        continue;
                    ++filled;
                    figures = figure(text);
                }
                if (!figures || filled == 0)
                    continue;
                const QString where = name + QLatin1Char('/') + view->objectName() + QLatin1Char('/')
                                      + view->model()->headerData(c, Qt::Horizontal).toString();
                measured << where;
                const int need = view->sizeHintForColumn(c);
                if (h->sectionSize(c) < need)
                    cut << QStringLiteral("%1: %2 < %3").arg(where).arg(h->sectionSize(c)).arg(need);
            }
        }
        if (auto *child = qobject_cast<nimbo::ChildWindow *>(w.get()))
            child->dirty()->setClean();
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(forgetful.isEmpty()) << forgetful.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(remembering.size(), 20) << remembering.join(QLatin1Char('\n')).toStdString();
    // The walk met lists with figures in them (operators' dates, codes...).
    EXPECT_GE(measured.size(), 5) << measured.join(QLatin1Char('\n')).toStdString();
}

NIMBO_INSTANTIATE_ENGINES(ListWidths);
