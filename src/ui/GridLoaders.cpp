#include "ui/GridLoaders.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>

#include "data/Funzioni_Com_1.h"
#include "ui/ColumnMemory.h"

namespace F = Funzioni_Com_1;

namespace {

QStringList split(const QString &text) { return text.split(QLatin1Char(';')); }

int pixels(const QWidget *w, const QString &units)
{
    bool ok = false;
    const double n = units.trimmed().toDouble(&ok);
    return ok && n > 0 ? int(n * w->fontMetrics().averageCharWidth() + 0.5) : -1;
}

// Keeps a control from repainting or re-sorting while it is filled.
struct Frozen {
    QWidget *w;
    bool wasEnabled;
    explicit Frozen(QWidget *widget) : w(widget), wasEnabled(widget->updatesEnabled()) { w->setUpdatesEnabled(false); }
    ~Frozen() { w->setUpdatesEnabled(wasEnabled); }
};

// Short cells (dates, numbers, codes) up to this many average characters
// are shown whole; longer texts keep the width asked for.
constexpr int kWholeChars = 32;

// The widths asked for, each widened to show its heading and its short
// cells whole; kept on the control for "Ripristina".
void sizeColumns(QAbstractItemView *view, QHeaderView *header, const QStringList &heads, const QString &widths)
{
    view->setProperty("nimboWidths", widths);
    const QStringList sizes = split(widths);
    const int most = view->fontMetrics().averageCharWidth() * kWholeChars;
    for (int c = 0; c < heads.size(); ++c) {
        const int px = pixels(view, sizes.value(c));
        if (px <= 0)
            continue;
        const int cells = view->sizeHintForColumn(c);
        header->resizeSection(c, std::max({px, header->sectionSizeHint(c), cells <= most ? cells : 0}));
    }
}

// The clerk's arrangement of the control (ui/ColumnMemory.h), put back over
// the widths just set.
void remember(QAbstractItemView *view, QHeaderView *header, const QStringList &heads)
{
    auto *memory = nimbo::ui::ColumnMemory::of(view);
    if (!memory)
        memory = new nimbo::ui::ColumnMemory(view, {[view, header, heads] {
                                                        sizeColumns(view, header, heads,
                                                                    view->property("nimboWidths").toString());
                                                    },
                                                    {}});
    memory->apply();
}

} // namespace

bool CaricaGrigliaDaQuery(const QString &database, const QString &sql, QTableWidget *grid, const QString &titles,
                          const QString &widths, const QString &progId, nimbo::ServerHolder &holder)
{
    if (!grid)
        return false;
    const QStringList heads = split(titles);
    const F::LoadedRows rows = F::loadGridRows(database, sql, progId, holder, QStringLiteral("CaricaGrigliaDaQuery"));
    Frozen frozen(grid);
    const bool sorting = grid->isSortingEnabled();
    grid->setSortingEnabled(false);
    grid->clear();
    grid->setColumnCount(int(heads.size()));
    grid->setHorizontalHeaderLabels(heads);
    const int n = rows.ok ? rows.rowCount() : 0;
    grid->setRowCount(n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < heads.size() && c < rows.columnCount(); ++c)
            grid->setItem(r, c, new QTableWidgetItem(F::displayValue(rows.value(c, r))));
    sizeColumns(grid, grid->horizontalHeader(), heads, widths);
    grid->setSortingEnabled(sorting);
    remember(grid, grid->horizontalHeader(), heads);
    return rows.ok || rows.noRows();
}

bool CaricaGrigliaDaQuery(const QString &database, const QString &sql, QTableWidget *grid, const QString &titles,
                          const QString &widths)
{
    nimbo::ServerHolder holder;
    return CaricaGrigliaDaQuery(database, sql, grid, titles, widths, F::genericProgId(), holder);
}

bool CaricaLWDaQuery(const QString &database, const QString &sql, QTreeWidget *list, const QString &titles,
                     const QString &widths, const QString &progId, nimbo::ServerHolder &holder)
{
    if (!list)
        return false;
    const QStringList heads = split(titles);
    const F::LoadedRows rows = F::loadGridRows(database, sql, progId, holder, QStringLiteral("CaricaLWDaQuery"));
    Frozen frozen(list);
    const bool sorting = list->isSortingEnabled();
    list->setSortingEnabled(false);
    list->clear();
    list->setColumnCount(int(heads.size()));
    list->setHeaderLabels(heads);
    list->setRootIsDecorated(false);
    QList<QTreeWidgetItem *> items;
    const int n = rows.ok ? rows.rowCount() : 0;
    items.reserve(n);
    for (int r = 0; r < n; ++r) {
        QStringList texts;
        for (int c = 0; c < heads.size() && c < rows.columnCount(); ++c)
            texts << F::displayValue(rows.value(c, r));
        items << new QTreeWidgetItem(texts);
    }
    list->addTopLevelItems(items); // one insertion, not one per row
    sizeColumns(list, list->header(), heads, widths);
    list->setSortingEnabled(sorting);
    remember(list, list->header(), heads);
    return rows.ok || rows.noRows();
}

bool CaricaLWDaQuery(const QString &database, const QString &sql, QTreeWidget *list, const QString &titles,
                     const QString &widths)
{
    nimbo::ServerHolder holder;
    return CaricaLWDaQuery(database, sql, list, titles, widths, F::genericProgId(), holder);
}
