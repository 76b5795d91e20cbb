#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::ui {

RowModel::RowModel(QObject *parent) : QAbstractTableModel(parent) {}

void RowModel::setTitles(const QString &titles)
{
    beginResetModel();
    titles_ = titles.isEmpty() ? QStringList() : titles.split(QLatin1Char(';'));
    haystacks_.clear();
    endResetModel();
}

void RowModel::setRows(const F::Columns &columns)
{
    beginResetModel();
    columns_ = columns;
    rows_ = columns_.isEmpty() ? 0 : int(columns_.first().size());
    checked_ = QVector<bool>(rows_, false);
    haystacks_.clear();
    endResetModel();
}

void RowModel::setCheckable(bool checkable)
{
    beginResetModel();
    checkable_ = checkable;
    endResetModel();
}

void RowModel::setChecked(int row, bool on)
{
    if (row < 0 || row >= rows_ || checked_[row] == on)
        return;
    checked_[row] = on;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
    emit checkedChanged(row, on);
}

void RowModel::setAllChecked(bool on)
{
    if (rows_ == 0)
        return;
    checked_.fill(on);
    emit dataChanged(index(0, 0), index(rows_ - 1, 0), {Qt::CheckStateRole});
}

QVariant RowModel::value(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_.size())
        return {};
    return columns_.at(column).value(row);
}

QString RowModel::text(int row, int column) const { return F::displayValue(value(row, column)); }

int RowModel::find(int column, const QString &text) const
{
    if (column < 0 || column >= columns_.size())
        return -1;
    const QVariantList &values = columns_.at(column);
    for (int r = 0; r < rows_; ++r)
        if (values.at(r).toString().trimmed() == text.trimmed())
            return r;
    return -1;
}

const QString &RowModel::haystack(int row) const
{
    // Built for every row at the first filter, so that typing stays quick.
    if (haystacks_.size() != rows_) {
        haystacks_.resize(rows_);
        const int shown = int(qMin(titles_.size(), columns_.size()));
        for (int r = 0; r < rows_; ++r) {
            QString all;
            for (int c = 0; c < shown; ++c)
                all += F::displayValue(columns_.at(c).at(r)) + QLatin1Char('\n');
            haystacks_[r] = all.toLower();
        }
    }
    return haystacks_.at(row);
}

int RowModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows_; }

int RowModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(titles_.size()); }

QVariant RowModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return text(index.row(), index.column());
    case SortRole: return value(index.row(), index.column());
    case Qt::CheckStateRole:
        if (checkable_ && index.column() == 0)
            return checked_.at(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    default: return {};
    }
}

bool RowModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkable_ || role != Qt::CheckStateRole || index.column() != 0
        || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RowModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (checkable_ && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The tip gives a heading back whole where a narrow column cuts it.
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::ToolTipRole) && section >= 0
        && section < titles_.size())
        return titles_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

RowFilter::RowFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(RowModel::SortRole);
    setDynamicSortFilter(false);
}

void RowFilter::setFilterText(const QString &text)
{
    words_ = text.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    invalidateFilter();
}

bool RowFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (words_.isEmpty() || sourceParent.isValid())
        return true;
    const auto *rows = qobject_cast<const RowModel *>(sourceModel());
    if (!rows)
        return true;
    const QString &all = rows->haystack(sourceRow);
    for (const QString &w : words_)
        if (!all.contains(w))
            return false;
    return true;
}

bool RowFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(RowModel::SortRole);
    const QVariant b = right.data(RowModel::SortRole);
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    const auto numeric = [](const QVariant &v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double: return true;
        default: return false;
        }
    };
    if (numeric(a) && numeric(b))
        return a.toDouble() < b.toDouble();
    if (a.typeId() == QMetaType::QDate && b.typeId() == QMetaType::QDate)
        return a.toDate() < b.toDate();
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
        return a.toDateTime() < b.toDateTime();
    // Texts, including ISO dates as the database hands them back.
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive) < 0;
}

} // namespace nimbo::ui
