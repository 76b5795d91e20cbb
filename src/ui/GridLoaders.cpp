#include "ui/GridLoaders.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>

#include "data/Funzioni_Com_1.h"

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

} // namespace

bool CaricaGrigliaDaQuery(const QString &database, const QString &sql, QTableWidget *grid, const QString &titles,
                          const QString &widths, const QString &progId, nimbo::ServerHolder &holder)
{
    if (!grid)
        return false;
    const QStringList heads = split(titles);
    const QStringList sizes = split(widths);
    const F::LoadedRows rows = F::loadGridRows(database, sql, progId, holder, QStringLiteral("CaricaGrigliaDaQuery"));
    Frozen frozen(grid);
    const bool sorting = grid->isSortingEnabled();
    grid->setSortingEnabled(false);
    grid->clear();
    grid->setColumnCount(int(heads.size()));
    grid->setHorizontalHeaderLabels(heads);
    for (int c = 0; c < heads.size(); ++c) {
        const int px = pixels(grid, sizes.value(c));
        if (px > 0)
            grid->setColumnWidth(c, px);
    }
    const int n = rows.ok ? rows.rowCount() : 0;
    grid->setRowCount(n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < heads.size() && c < rows.columnCount(); ++c)
            grid->setItem(r, c, new QTableWidgetItem(F::displayValue(rows.value(c, r))));
    grid->setSortingEnabled(sorting);
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
    const QStringList sizes = split(widths);
    const F::LoadedRows rows = F::loadGridRows(database, sql, progId, holder, QStringLiteral("CaricaLWDaQuery"));
    Frozen frozen(list);
    const bool sorting = list->isSortingEnabled();
    list->setSortingEnabled(false);
    list->clear();
    list->setColumnCount(int(heads.size()));
    list->setHeaderLabels(heads);
    list->setRootIsDecorated(false);
    for (int c = 0; c < heads.size(); ++c) {
        const int px = pixels(list, sizes.value(c));
        if (px > 0)
            list->setColumnWidth(c, px);
    }
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
    list->setSortingEnabled(sorting);
    return rows.ok || rows.noRows();
}

bool CaricaLWDaQuery(const QString &database, const QString &sql, QTreeWidget *list, const QString &titles,
                     const QString &widths)
{
    nimbo::ServerHolder holder;
    return CaricaLWDaQuery(database, sql, list, titles, widths, F::genericProgId(), holder);
}
