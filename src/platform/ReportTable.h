#pragma once
// Long list reports painted row by row. A template whose rows are one table
// row of plain fields, under a heading row that gives every column its width
// in percent, is a plain table: its rows are painted straight on the page
// (text wrapped in its cell, cell borders, the heading row again at the top
// of every page) instead of being laid out as one HTML document. That keeps
// a register of a hundred thousand protocols to a few seconds a thousand
// rows and to the memory of one row.
//
//   <table width="100%" cellspacing="0" cellpadding="2" border="1">
//   <tr style="font-weight: bold;"><td width="10%">N°</td><td width="90%">Oggetto</td></tr>
//   {{#rows}}<tr><td>{{Rep_Campo01}}</td><td align="right">{{Rep_Campo02}}</td></tr>{{/rows}}
//   </table>
//
// What comes before the table (the headings) and after it (the totals) is
// still HTML, laid out above the first row and below the last.

#include <QFont>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

#include "platform/ReportEngine.h"

class QPagedPaintDevice;
class QPainter;

namespace nimbo::reporttable {

struct Column {
    double percent = 0;
    int field = 0; // 0 = Rep_Campo01
    Qt::Alignment align = Qt::AlignLeft;
    QString heading;
};

struct Shape {
    // Mustache sources: the page before the table is head + before, the
    // page after it head + after.
    QString head;
    QString before;
    QString after;
    QVector<Column> columns;
    double fontPoints = 0; // 0: the default font's size
    QString fontFamily;
    double paddingPx = 1;
    double borderPx = 0;
    bool headingBold = false;

    QString preludeSource() const { return head + before + QStringLiteral("</body></html>"); }
    QString postludeSource() const { return head + after; }
};

// The shape of a plain-table template; nothing for any other template.
std::optional<Shape> plainTable(const QString &source);

// Paints (or, without a painter, only measures) the rows of a plain table
// on pages of the given height. breakPage is called when a row does not fit
// on the page: it finishes the page and starts the next (false stops).
class RowPainter {
public:
    RowPainter(const Shape &shape, QPagedPaintDevice &device, QPainter *painter, double pageHeight,
               std::function<bool()> breakPage);

    // The heading row at this height of the current page.
    void start(double top);
    bool row(const ReportRow &row);
    // Where the next thing on the page goes.
    double y() const { return y_; }
    // Room left on the current page.
    double room() const { return pageHeight_ - y_; }
    bool newPage();

private:
    double cellHeight(int column, const QString &text, bool bold) const;
    void paintRow(const QStringList &texts, double height, bool bold);

    const Shape &shape_;
    QPainter *painter_;
    double pageHeight_;
    std::function<bool()> breakPage_;
    QFont font_;
    QFont bold_;
    double padding_;
    double border_;
    double lineHeight_;
    QVector<double> x_;     // left edge of each column, then the right edge
    QStringList headings_;
    double headingHeight_ = 0;
    double y_ = 0;
    QPagedPaintDevice &device_;
};

} // namespace nimbo::reporttable
