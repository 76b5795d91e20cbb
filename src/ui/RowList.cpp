#include "ui/RowList.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/ColumnMemory.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::ui {
namespace {

// The least width that shows a heading whole: its text, bold as the header
// draws a chosen row's headings, and margins (the sort arrow may cover the
// end of the sorted column's).
int headingWidth(const QHeaderView *header, const QString &title)
{
    QFont bold = header->font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title)
           + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
}

// Cells up to this many average characters are shown whole: dates, times,
// numbers, codes, kinds. Longer texts get the width the window asked for.
constexpr int kWholeChars = 32;
// Enough rows to know a column's texts without reading a long list whole.
constexpr int kMeasuredRows = 500;

// Enter on a row chooses it, as a click does.
class ListView : public QTableView {
public:
    using QTableView::QTableView;
    std::function<void(const QModelIndex &)> onEnter;
    // A list fitted to its width asks for room enough to show every
    // heading whole; the window gives it that when the screen has it.
    bool fitted = false;

    QSize sizeHint() const override
    {
        QSize hint = QTableView::sizeHint();
        if (!fitted || !model())
            return hint;
        int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
        for (int c = 0; c < model()->columnCount(); ++c)
            if (!isColumnHidden(c))
                width += headingWidth(horizontalHeader(), model()->headerData(c, Qt::Horizontal).toString());
        hint.setWidth(qMax(hint.width(), width));
        return hint;
    }

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid() && onEnter) {
            onEnter(currentIndex());
            return;
        }
        QTableView::keyPressEvent(e);
    }
};

} // namespace

RowList::RowList(const QString &viewName, QWidget *parent)
    : QWidget(parent), filter_(new QLineEdit(this)), model_(new RowModel(this)), proxy_(new RowFilter(this))
{
    auto *view = new ListView(this);
    view_ = view;
    view_->setObjectName(viewName);
    filter_->setObjectName(viewName + QStringLiteral("Filtro"));
    filter_->setPlaceholderText(QStringLiteral("Cerca nell'elenco..."));
    filter_->setClearButtonEnabled(true);
    proxy_->setSourceModel(model_);
    view_->setModel(proxy_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSortingEnabled(true);
    view_->setAlternatingRowColors(true);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->horizontalHeader()->setSortIndicatorShown(true);
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->horizontalHeader()->setTextElideMode(Qt::ElideRight);
    view_->setTextElideMode(Qt::ElideRight);
    // Loaded order until the operator clicks a header.
    view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    memory_ = new ColumnMemory(view_, {[this] { setColumns(model_->titles().join(QLatin1Char(';')), widths_); },
                                       [this] { fitToContent(); }});
    connect(memory_, &ColumnMemory::arranged, this, &RowList::followArrangement);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(filter_);
    layout->addWidget(view_, 1);

    connect(filter_, &QLineEdit::textChanged, proxy_, &RowFilter::setFilterText);
    connect(view_, &QAbstractItemView::clicked, this, &RowList::choose);
    connect(view_, &QAbstractItemView::activated, this, &RowList::choose);
    view->onEnter = [this](const QModelIndex &i) { choose(i); };
    // The filter hands the arrows on to the list, so that a row is picked
    // without the mouse.
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::returnPressed, this, [this] {
        if (proxy_->rowCount() > 0)
            choose(view_->currentIndex().isValid() ? view_->currentIndex() : proxy_->index(0, 0));
    });
}

void RowList::setColumns(const QString &titles, const QString &widths)
{
    model_->setTitles(titles);
    widths_ = widths;
    const QStringList sizes = widths.split(QLatin1Char(';'));
    for (int c = 0; c < sizes.size(); ++c) {
        bool ok = false;
        const double n = sizes.at(c).trimmed().toDouble(&ok);
        view_->setColumnHidden(c, ok && n <= 0);
    }
    if (fit_) {
        fitColumns();
    } else {
        const int unit = view_->fontMetrics().averageCharWidth();
        for (int c = 0; c < sizes.size(); ++c) {
            bool ok = false;
            const double n = sizes.at(c).trimmed().toDouble(&ok);
            if (ok && n > 0)
                view_->setColumnWidth(c, qMax(int(n * unit + 0.5), leastWidth(c)));
        }
    }
    // What the clerk arranged goes over the list's own widths.
    memory_->apply();
    followArrangement();
}

void RowList::fitToContent()
{
    // A long text may take up to two thirds of the list, never all of it.
    const int most = qMax(view_->viewport()->width() * 2 / 3, view_->fontMetrics().averageCharWidth() * kWholeChars);
    for (int c = 0; c < model_->columnCount(); ++c)
        if (!view_->isColumnHidden(c))
            view_->setColumnWidth(c, qMax(headingWidth(view_->horizontalHeader(), model_->titles().value(c)),
                                          qMin(contentWidths_.value(c), most)));
}

void RowList::followArrangement()
{
    // A list fitted to its width scrolls sideways once the clerk has set
    // the widths himself.
    if (fit_)
        view_->setHorizontalScrollBarPolicy(memory_->holdsLayout() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void RowList::measureContent()
{
    const QFontMetrics fm = view_->fontMetrics();
    const int margin = 2 * (view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1) + 6;
    const int rows = qMin(model_->rowCount(), kMeasuredRows);
    // A figure: a date, a time, a number or a code, never a phrase.
    static const QRegularExpression phrase(QStringLiteral("[A-Za-z]{2,}\\s+[A-Za-z]"));
    contentWidths_.fill(0, model_->columnCount());
    figureWidths_.fill(0, model_->columnCount());
    const int box = model_->checkable() ? view_->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view_) + 6 : 0;
    for (int c = 0; c < contentWidths_.size(); ++c) {
        int widest = 0;
        bool figures = true;
        for (int r = 0; r < rows; ++r) {
            const QString text = model_->text(r, c);
            widest = qMax(widest, fm.horizontalAdvance(text));
            figures = figures && !phrase.match(text).hasMatch();
        }
        if (c == 0)
            widest += box;
        contentWidths_[c] = widest > 0 ? widest + margin : 0;
        figureWidths_[c] = figures && contentWidths_[c] <= fm.averageCharWidth() * kWholeChars ? contentWidths_[c] : 0;
    }
}

int RowList::shortCells(int column) const
{
    const int content = contentWidths_.value(column);
    return content <= view_->fontMetrics().averageCharWidth() * kWholeChars ? content : 0;
}

int RowList::leastWidth(int column) const
{
    return qMax(headingWidth(view_->horizontalHeader(), model_->titles().value(column)), shortCells(column));
}

void RowList::setFitToWidth(bool fit)
{
    if (fit == fit_)
        return;
    fit_ = fit;
    static_cast<ListView *>(view_)->fitted = fit;
    view_->updateGeometry();
    if (fit)
        view_->viewport()->installEventFilter(this);
    else
        view_->viewport()->removeEventFilter(this);
    view_->setHorizontalScrollBarPolicy(fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    // A fitted list sizes every column itself: a stretched last column
    // would keep its width when the list narrows and run past the view.
    view_->horizontalHeader()->setStretchLastSection(!fit);
    setColumns(model_->titles().join(QLatin1Char(';')), widths_);
}

void RowList::fitColumns()
{
    const QStringList sizes = widths_.split(QLatin1Char(';'));
    QVector<double> share(sizes.size(), 0);
    double total = 0;
    for (int c = 0; c < sizes.size(); ++c) {
        bool ok = false;
        const double n = sizes.at(c).trimmed().toDouble(&ok);
        if (ok && n > 0)
            total += share[c] = n;
    }
    const int room = view_->viewport()->width();
    if (total <= 0 || room <= 0 || memory_->holdsLayout())
        return;
    // What the floors leave is shared by the widths: the list never scrolls
    // sideways.
    // Floors from the most generous down: headings and short cells whole;
    // headings and figures (dates, numbers, codes) whole; figures whole;
    // nothing. The first that the room holds is taken.
    QHeaderView *header = view_->horizontalHeader();
    QVector<QVector<int>> floors(4, QVector<int>(share.size(), 0));
    QVector<int> totals(4, 0);
    for (int c = 0; c < share.size(); ++c)
        if (share[c] > 0) {
            const int heading = headingWidth(header, model_->titles().value(c));
            const int figures = figureWidths_.value(c);
            totals[0] += floors[0][c] = leastWidth(c);
            totals[1] += floors[1][c] = qMax(heading, figures);
            totals[2] += floors[2][c] = figures;
        }
    int tier = 0;
    while (tier < 3 && totals[tier] > room)
        ++tier;
    const QVector<int> &floor = floors[tier];
    const int spread = room - totals[tier];
    int widest = -1;
    int last = -1;
    for (int c = 0; c < share.size(); ++c)
        if (share[c] > 0) {
            view_->setColumnWidth(c, floor[c] + int(spread * share[c] / total));
            if (widest < 0 || view_->columnWidth(c) > view_->columnWidth(widest))
                widest = c;
            last = c;
        }
    // The last column takes what rounding leaves; narrow columns held at the
    // header's least width may push past the view, and then the widest
    // column gives the excess back.
    const int over = header->length() - room;
    if (over < 0 && last >= 0)
        view_->setColumnWidth(last, view_->columnWidth(last) - over);
    else if (over > 0 && widest >= 0)
        view_->setColumnWidth(widest, view_->columnWidth(widest) - over);
}

bool RowList::load(const QString &sql, const QString &database)
{
    ServerHolder holder;
    const F::LoadedRows rows = F::loadGridRows(database, sql, F::genericProgId(), holder, QStringLiteral("RowList"));
    setRows(rows.ok ? rows.columns : F::Columns{});
    return rows.ok || rows.noRows();
}

void RowList::setRows(const F::Columns &columns)
{
    lastChosen_ = -1;
    const int sortColumn = view_->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = view_->horizontalHeader()->sortIndicatorOrder();
    model_->setRows(columns);
    measureContent();
    setColumns(model_->titles().join(QLatin1Char(';')), widths_);
    if (sortColumn >= 0 && sortColumn < model_->columnCount())
        proxy_->sort(sortColumn, order);
}

void RowList::clear() { setRows({}); }

int RowList::count() const { return model_->rowCount(); }

QString RowList::text(int row, int column) const { return model_->text(row, column); }

QVariant RowList::value(int row, int column) const { return model_->value(row, column); }

int RowList::currentRow() const
{
    const QModelIndex i = view_->currentIndex();
    return i.isValid() ? proxy_->mapToSource(i).row() : -1;
}

bool RowList::select(int column, const QString &text)
{
    const int row = model_->find(column, text);
    if (row < 0)
        return false;
    const QModelIndex at = proxy_->mapFromSource(model_->index(row, 0));
    if (!at.isValid())
        return false;
    view_->setCurrentIndex(at);
    view_->scrollTo(at);
    lastChosen_ = row;
    return true;
}

bool RowList::eventFilter(QObject *watched, QEvent *event)
{
    if (fit_ && watched == view_->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            if (!view_->currentIndex().isValid() && proxy_->rowCount() > 0)
                view_->setCurrentIndex(proxy_->index(0, 0));
            else
                QCoreApplication::sendEvent(view_, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RowList::choose(const QModelIndex &proxyIndex)
{
    if (!proxyIndex.isValid())
        return;
    view_->setCurrentIndex(proxyIndex);
    const int row = proxy_->mapToSource(proxyIndex).row();
    lastChosen_ = row;
    emit chosen(row);
}

} // namespace nimbo::ui
