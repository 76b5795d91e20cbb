#pragma once
// The columns of a list as the clerk arranged them. Widths, order and sort
// are kept in the operator's settings file under the operator's code, the
// window's name and the list's name ("elenchi/DEMO9/FrmEnti/LwEnti"), and
// put back the next time that operator opens that window. The heading's
// menu offers "Adatta colonne" (every column as wide as its content, kept
// like a resize) and "Ripristina" (the list's own layout again, the kept
// one forgotten). Only what the clerk does with the heading is written: a
// list laid out by the program writes nothing.
//
//   new ui::ColumnMemory(view, {});  // a list that sizes itself once
//
// A list that lays its columns out again whenever its rows change (RowList)
// calls apply() afterwards and gives its own layout as `defaults`. A list
// the window fills item by item takes fitToRows(): its columns fit their
// content whenever rows come in, unless the clerk's arrangement is in force.
//
//   ui::ColumnMemory::fitToRows(list_);

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class QHeaderView;
class QMenu;

namespace nimbo::ui {

class ColumnMemory : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The list's own widths; empty: those it had when first shown.
        std::function<void()> defaults;
        // Every shown column to its content; empty: the views' own measure.
        std::function<void()> fit;
    };
    // The view's horizontal heading (QTableView, QTreeView and their
    // widgets) is the one arranged.
    ColumnMemory(QAbstractItemView *view, Hooks hooks);

    // Puts the kept arrangement back over the list's own, when one is kept
    // for exactly these columns. Nothing before the list is first shown:
    // the window's name and the operator are known by then.
    bool apply();
    // True while a kept (or just made) arrangement is in force.
    bool holdsLayout() const { return inForce_; }

    // The heading's two actions.
    void fitToContent();
    void restoreDefaults();

    // The settings group the arrangement is kept under; empty before the
    // list is first shown.
    QString settingsGroup() const { return group_; }
    QMenu *headingMenu() const { return menu_; }

    // The memory of a list filled by hand (see above); its own layout is
    // every column fitted to its content.
    static ColumnMemory *fitToRows(QAbstractItemView *view);

    // The group for an operator, a window and a list.
    static QString groupFor(const QString &operatorCode, const QString &window, const QString &list);
    // The memory of a view, if it has one.
    static ColumnMemory *of(const QAbstractItemView *view);

signals:
    // The arrangement changed by the clerk or by one of the heading's actions.
    void arranged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Layout {
        QStringList titles;
        QList<int> widths; // by column, 0 for a hidden one
        QList<int> order;  // columns in the order shown
        int sortColumn = -1;
        int sortOrder = 0;
        bool operator==(const Layout &o) const
        {
            return titles == o.titles && widths == o.widths && order == o.order && sortColumn == o.sortColumn
                   && sortOrder == o.sortOrder;
        }
    };
    void firstShown();
    QHeaderView *header() const;
    Layout current() const;
    void put(const Layout &l);
    void save();
    void sortBy(int column, int order);
    // Every shown column as wide as its content, a long text no wider than
    // half the list; nothing kept.
    void fitColumns();
    void rowsCame();

    QPointer<QAbstractItemView> view_;
    Hooks hooks_;
    QMenu *menu_;
    QString group_;
    Layout kept_;
    QList<int> firstWidths_;
    bool shown_ = false;
    bool inForce_ = false;
    bool applying_ = false;
    bool pressed_ = false;
    bool touched_ = false;
    bool fitWaiting_ = false;
};

} // namespace nimbo::ui
