#pragma once
// The rows of every list: one table model over the loaders' column-first
// arrays (rows[column][row]) and the proxy that sorts by a header click and
// narrows the rows as the operator types. Columns past the titles are kept
// (keys the window needs) but not shown.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QVector>

#include "data/Funzioni_Com_1.h"

namespace nimbo::ui {

class RowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RowModel(QObject *parent = nullptr);

    // Titles as one ";" text ("CODICE;DESCRIZIONE").
    void setTitles(const QString &titles);
    QStringList titles() const { return titles_; }
    // Replaces every row at once.
    void setRows(const Funzioni_Com_1::Columns &columns);
    void clearRows() { setRows({}); }

    // A check box in the first column of every row (lists whose rows the
    // operator ticks).
    void setCheckable(bool checkable);
    bool checkable() const { return checkable_; }
    bool isChecked(int row) const { return checked_.value(row); }
    void setChecked(int row, bool on);
    void setAllChecked(bool on);

    // The stored value of any column, shown or not.
    QVariant value(int row, int column) const;
    QString text(int row, int column) const;
    int storedColumns() const { return int(columns_.size()); }
    // The first row whose column holds the text; -1 when none.
    int find(int column, const QString &text) const;
    // Every shown text of the row in lower case, for the filter.
    const QString &haystack(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The raw value, for sorting: dates and numbers keep their order.
    static constexpr int SortRole = Qt::UserRole + 1;

signals:
    void checkedChanged(int row, bool on);

private:
    QStringList titles_;
    Funzioni_Com_1::Columns columns_;
    int rows_ = 0;
    bool checkable_ = false;
    QVector<bool> checked_;
    mutable QVector<QString> haystacks_;
};

// Sorts by the stored values and keeps the rows that contain every word
// typed into the filter, in any shown column, without regard to case.
class RowFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit RowFilter(QObject *parent = nullptr);
    void setFilterText(const QString &text);
    QString filterText() const { return words_.join(QLatin1Char(' ')); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QStringList words_;
};

} // namespace nimbo::ui
