#include "ui/ColumnMemory.h"

#include <QEvent>
#include <algorithm>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "session/DicAmbiente.h"
#include "ui/ChildWindow.h"
#include "ui/Desktop.h"

namespace nimbo::ui {
namespace {

const QString kTitles = QStringLiteral("/titoli");
const QString kWidths = QStringLiteral("/larghezze");
const QString kOrder = QStringLiteral("/ordine");
const QString kSort = QStringLiteral("/ordinamento");

// A part of a settings key: "/" and the characters an INI key cannot hold
// are escaped, so that a code never reaches another operator's group.
QString part(const QString &name)
{
    const QString trimmed = name.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(QUrl::toPercentEncoding(trimmed));
}

QString joined(const QList<int> &numbers)
{
    QStringList texts;
    for (int n : numbers)
        texts << QString::number(n);
    return texts.join(QLatin1Char(';'));
}

// Numbers kept as "80;120;64"; empty when one is not a number.
QList<int> numbers(const QString &text)
{
    QList<int> out;
    if (text.isEmpty())
        return out;
    for (const QString &t : text.split(QLatin1Char(';'))) {
        bool ok = false;
        const int n = t.toInt(&ok);
        if (!ok)
            return {};
        out << n;
    }
    return out;
}

// The name a list's arrangement is kept under: the child window (or the
// dialog) it belongs to.
QString windowName(const QWidget *w)
{
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const ChildWindow *>(p) || p->isWindow())
            return p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className()) : p->objectName();
    return QString();
}

bool sortable(const QAbstractItemView *view)
{
    if (auto *t = qobject_cast<const QTableView *>(view))
        return t->isSortingEnabled();
    if (auto *t = qobject_cast<const QTreeView *>(view))
        return t->isSortingEnabled();
    return false;
}

} // namespace

ColumnMemory::ColumnMemory(QAbstractItemView *view, Hooks hooks)
    : QObject(view), view_(view), hooks_(std::move(hooks)), menu_(nullptr)
{
    setObjectName(QStringLiteral("ColumnMemory"));
    QHeaderView *h = header();
    if (!h)
        return;
    h->setSectionsMovable(true);
    h->setContextMenuPolicy(Qt::CustomContextMenu);
    menu_ = new QMenu(h);
    menu_->setObjectName(QStringLiteral("MenuColonne"));
    QAction *fit = menu_->addAction(QStringLiteral("Adatta colonne"), this, &ColumnMemory::fitToContent);
    fit->setObjectName(QStringLiteral("AdattaColonne"));
    QAction *reset = menu_->addAction(QStringLiteral("Ripristina"), this, &ColumnMemory::restoreDefaults);
    reset->setObjectName(QStringLiteral("RipristinaColonne"));
    connect(h, &QWidget::customContextMenuRequested, this,
            [this, h](const QPoint &at) { menu_->popup(h->viewport()->mapToGlobal(at)); });
    const auto touched = [this] {
        if (!applying_ && pressed_)
            touched_ = true;
    };
    connect(h, &QHeaderView::sectionResized, this, touched);
    connect(h, &QHeaderView::sectionMoved, this, touched);
    connect(h, &QHeaderView::sortIndicatorChanged, this, touched);
    h->viewport()->installEventFilter(this);
    view->installEventFilter(this);
}

ColumnMemory *ColumnMemory::fitToRows(QAbstractItemView *view)
{
    auto *m = new ColumnMemory(view, {});
    m->hooks_.defaults = [m] { m->fitColumns(); };
    m->hooks_.fit = [m] { m->fitColumns(); };
    if (QAbstractItemModel *model = view->model()) {
        connect(model, &QAbstractItemModel::rowsInserted, m, &ColumnMemory::rowsCame);
        connect(model, &QAbstractItemModel::modelReset, m, &ColumnMemory::rowsCame);
        connect(model, &QAbstractItemModel::dataChanged, m, &ColumnMemory::rowsCame);
    }
    return m;
}

void ColumnMemory::fitColumns()
{
    QHeaderView *h = header();
    if (!h || !view_)
        return;
    const int widest = std::max(160, view_->viewport()->width() / 2);
    for (int c = 0; c < h->count(); ++c) {
        if (h->isSectionHidden(c))
            continue;
        const int content = std::max(h->sectionSizeHint(c), view_->sizeHintForColumn(c));
        h->resizeSection(c, std::min(content, widest));
    }
}

// Rows come in one by one: the columns are fitted once they are all in.
void ColumnMemory::rowsCame()
{
    if (fitWaiting_)
        return;
    fitWaiting_ = true;
    QTimer::singleShot(0, this, [this] {
        fitWaiting_ = false;
        if (inForce_)
            return;
        applying_ = true;
        fitColumns();
        applying_ = false;
    });
}

QHeaderView *ColumnMemory::header() const
{
    if (auto *t = qobject_cast<QTableView *>(view_.data()))
        return t->horizontalHeader();
    if (auto *t = qobject_cast<QTreeView *>(view_.data()))
        return t->header();
    return nullptr;
}

QString ColumnMemory::groupFor(const QString &operatorCode, const QString &window, const QString &list)
{
    return QStringLiteral("elenchi/") + part(operatorCode) + QLatin1Char('/') + part(window) + QLatin1Char('/')
           + part(list);
}

ColumnMemory *ColumnMemory::of(const QAbstractItemView *view)
{
    return view ? view->findChild<ColumnMemory *>(QStringLiteral("ColumnMemory"), Qt::FindDirectChildrenOnly) : nullptr;
}

void ColumnMemory::firstShown()
{
    shown_ = true;
    QHeaderView *h = header();
    if (!h)
        return;
    for (int c = 0; c < h->count(); ++c)
        firstWidths_ << h->sectionSize(c);
    group_ = groupFor(DicAmbiente::session().op.code, windowName(view_), view_->objectName());
    const QSettings s = userSettings();
    kept_.titles = s.value(group_ + kTitles).toStringList();
    kept_.widths = numbers(s.value(group_ + kWidths).toString());
    kept_.order = numbers(s.value(group_ + kOrder).toString());
    const QList<int> sort = numbers(s.value(group_ + kSort).toString());
    kept_.sortColumn = sort.value(0, -1);
    kept_.sortOrder = sort.value(1, 0);
    apply();
}

ColumnMemory::Layout ColumnMemory::current() const
{
    Layout l;
    QHeaderView *h = header();
    if (!h || !h->model())
        return l;
    for (int c = 0; c < h->count(); ++c) {
        l.titles << h->model()->headerData(c, Qt::Horizontal).toString();
        l.widths << (h->isSectionHidden(c) ? 0 : h->sectionSize(c));
        l.order << h->logicalIndex(c);
    }
    const int sorted = h->sortIndicatorSection();
    l.sortColumn = sorted >= 0 && sorted < h->count() ? sorted : -1;
    l.sortOrder = l.sortColumn >= 0 ? int(h->sortIndicatorOrder()) : 0;
    return l;
}

bool ColumnMemory::apply()
{
    if (!shown_ || kept_.titles.isEmpty() || kept_.titles != current().titles) {
        inForce_ = false;
        return false;
    }
    put(kept_);
    inForce_ = true;
    return true;
}

void ColumnMemory::put(const Layout &l)
{
    QHeaderView *h = header();
    const int n = h->count();
    applying_ = true;
    for (int c = 0; c < n && c < l.widths.size(); ++c)
        if (!h->isSectionHidden(c) && l.widths.at(c) > 0)
            h->resizeSection(c, l.widths.at(c));
    // The order only when it names every column once.
    QList<int> sorted = l.order;
    std::sort(sorted.begin(), sorted.end());
    bool whole = sorted.size() == n;
    for (int i = 0; whole && i < n; ++i)
        whole = sorted.at(i) == i;
    if (whole)
        for (int v = 0; v < n; ++v)
            if (h->visualIndex(l.order.at(v)) != v)
                h->moveSection(h->visualIndex(l.order.at(v)), v);
    if (sortable(view_) && l.sortColumn < n)
        sortBy(l.sortColumn, l.sortOrder);
    applying_ = false;
}

void ColumnMemory::sortBy(int column, int order)
{
    QHeaderView *h = header();
    const Qt::SortOrder o = order == int(Qt::DescendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (h->sortIndicatorSection() == column && h->sortIndicatorOrder() == o)
        return;
    h->setSortIndicator(column, o);
    // No column: the rows as they were read.
    if (column < 0 && view_->model())
        view_->model()->sort(-1, o);
}

void ColumnMemory::save()
{
    if (group_.isEmpty() || !header())
        return;
    const Layout now = current();
    if (inForce_ && now == kept_)
        return;
    QSettings s = userSettings();
    s.setValue(group_ + kTitles, now.titles);
    s.setValue(group_ + kWidths, joined(now.widths));
    s.setValue(group_ + kOrder, joined(now.order));
    s.setValue(group_ + kSort, joined({now.sortColumn, now.sortOrder}));
    s.sync();
    kept_ = now;
    inForce_ = true;
    emit arranged();
}

void ColumnMemory::fitToContent()
{
    QHeaderView *h = header();
    if (!h)
        return;
    applying_ = true;
    if (hooks_.fit)
        hooks_.fit();
    else
        h->resizeSections(QHeaderView::ResizeToContents);
    applying_ = false;
    if (!shown_)
        return;
    inForce_ = false; // written even when it matches what was kept
    save();
}

void ColumnMemory::restoreDefaults()
{
    QHeaderView *h = header();
    if (!h)
        return;
    if (!group_.isEmpty()) {
        QSettings s = userSettings();
        s.remove(group_);
        s.sync();
    }
    kept_ = Layout();
    inForce_ = false;
    applying_ = true;
    for (int v = 0; v < h->count(); ++v)
        if (h->visualIndex(v) != v)
            h->moveSection(h->visualIndex(v), v);
    if (sortable(view_))
        sortBy(-1, 0);
    if (hooks_.defaults)
        hooks_.defaults();
    else
        for (int c = 0; c < h->count() && c < firstWidths_.size(); ++c)
            if (!h->isSectionHidden(c))
                h->resizeSection(c, firstWidths_.at(c));
    applying_ = false;
    emit arranged();
}

bool ColumnMemory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view_ && event->type() == QEvent::Show && !shown_)
        firstShown();
    QHeaderView *h = header();
    if (h && watched == h->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            pressed_ = true;
            break;
        case QEvent::MouseButtonRelease:
            // The heading sorts or ends a move on the release itself: what
            // it did is known once the release has been handled.
            QTimer::singleShot(0, this, [this] {
                pressed_ = false;
                if (touched_) {
                    touched_ = false;
                    save();
                }
            });
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace nimbo::ui
