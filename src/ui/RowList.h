#pragma once
// A list of rows read from the central database: a filter box over a
// sortable table. The window names the view (its spec control name), gives
// the titles and widths as ";" texts and loads it from a query; choosing a
// row (click, Enter, double click) is reported once per choice.
//
//   auto *list = new ui::RowList(QStringLiteral("LwEnti"), this);
//   list->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;60"));
//   list->load(QStringLiteral("SELECT Ente_Codice, Ente_Denominazione FROM Tab_Enti ORDER BY Ente_Denominazione"));
//   connect(list, &ui::RowList::chosen, this, [=](int row) { ... list->text(row, 0) ... });

#include <QWidget>

#include "data/Funzioni_Com_1.h"

class QLineEdit;
class QTableView;

namespace nimbo::ui {

class RowModel;
class RowFilter;
class ColumnMemory;

class RowList : public QWidget {
    Q_OBJECT
public:
    explicit RowList(const QString &viewName, QWidget *parent = nullptr);

    // Widths are in average characters; a width of 0 hides the column (a key
    // the window needs but the clerk does not). A shown column is never
    // narrower than its heading, and short cells (dates, numbers, codes)
    // are shown whole: only long texts are shortened, whole in their tip.
    void setColumns(const QString &titles, const QString &widths);
    // The columns share the list's width in proportion to their widths, so
    // that the list never scrolls sideways: for a window whose columns
    // would not fit beside its detail. Off by default.
    void setFitToWidth(bool fit);
    // Reads the rows through the generic data server (a failure is already
    // reported to the operator); false when the read failed. No rows is a
    // successful read of an empty list.
    bool load(const QString &sql, const QString &database = QStringLiteral("PROTOCOLLO"));
    void setRows(const Funzioni_Com_1::Columns &columns);
    void clear();

    int count() const;
    // Rows are numbered as loaded, whatever the sort and filter.
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;
    // The chosen row, -1 when none.
    int currentRow() const;
    // Makes the first row whose column holds the text the current one
    // (without reporting it as chosen); false when there is none.
    bool select(int column, const QString &text);

    RowModel *model() const { return model_; }
    RowFilter *proxy() const { return proxy_; }
    QTableView *view() const { return view_; }
    QLineEdit *filterBox() const { return filter_; }
    // Widths, order and sort as the clerk left them (ui/ColumnMemory.h).
    ColumnMemory *columnMemory() const { return memory_; }

signals:
    void chosen(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(const QModelIndex &proxyIndex);
    void fitColumns();
    // "Adatta colonne": every shown column as wide as its heading and cells.
    void fitToContent();
    void followArrangement();
    void measureContent();
    // The least width of a shown column: its heading and its short cells whole.
    int leastWidth(int column) const;
    // The width of a column's cells when they are short enough to be shown
    // whole (dates, numbers, codes); 0 for long texts.
    int shortCells(int column) const;

    QLineEdit *filter_;
    QTableView *view_;
    RowModel *model_;
    RowFilter *proxy_;
    ColumnMemory *memory_;
    QString widths_;
    QVector<int> contentWidths_; // widest cell of each column, of the first rows
    QVector<int> figureWidths_;  // the same, for columns of dates, numbers and codes only
    int lastChosen_ = -1;
    bool fit_ = false;
};

} // namespace nimbo::ui
