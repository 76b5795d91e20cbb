#include "platform/ReportTable.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTextLayout>

namespace nimbo::reporttable {

namespace {

const QRegularExpression &rowsBlock()
{
    static const QRegularExpression re(QStringLiteral("\\{\\{#rows\\}\\}(.*?)\\{\\{/rows\\}\\}"),
                                       QRegularExpression::DotMatchesEverythingOption);
    return re;
}

Qt::Alignment alignment(const QString &word)
{
    if (word.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)
        return Qt::AlignRight;
    if (word.compare(QLatin1String("center"), Qt::CaseInsensitive) == 0)
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

double attribute(const QString &tag, const QString &name, double fallback)
{
    const QRegularExpression re(QStringLiteral("\\b%1\\s*=\\s*\"?([\\d.]+)").arg(name),
                                QRegularExpression::CaseInsensitiveOption);
    bool ok = false;
    const double v = re.match(tag).captured(1).toDouble(&ok);
    return ok ? v : fallback;
}

// The text a browser shows for a cell: runs of white space are one space.
QString shown(const QString &value) { return value.simplified(); }

} // namespace

std::optional<Shape> plainTable(const QString &source)
{
    const auto rows = rowsBlock().match(source);
    if (!rows.hasMatch() || rowsBlock().match(source, rows.capturedEnd()).hasMatch())
        return std::nullopt;

    // The repeated row: plain fields only, optionally aligned.
    static const QRegularExpression rowRe(QStringLiteral("^\\s*<tr>\\s*((?:<td(?:\\s+align=\"\\w+\")?>\\{\\{Rep_Campo\\d\\d\\}\\}</td>\\s*)+)</tr>\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cellRe(QStringLiteral("<td(?:\\s+align=\"(\\w+)\")?>\\{\\{Rep_Campo(\\d\\d)\\}\\}</td>"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto row = rowRe.match(rows.captured(1));
    if (!row.hasMatch())
        return std::nullopt;
    Shape shape;
    for (auto it = cellRe.globalMatch(row.captured(1)); it.hasNext();) {
        const auto cell = it.next();
        const int field = cell.captured(2).toInt();
        if (field < 1 || field > kReportColumns)
            return std::nullopt;
        shape.columns.push_back(Column{0, field - 1, alignment(cell.captured(1)), {}});
    }

    // The table and its heading row, which gives every column its width.
    const QString pre = source.left(rows.capturedStart());
    const qsizetype table = pre.lastIndexOf(QLatin1String("<table"), -1, Qt::CaseInsensitive);
    const qsizetype tableEnd = table < 0 ? -1 : pre.indexOf(QLatin1Char('>'), table);
    if (tableEnd < 0)
        return std::nullopt;
    const QString tableTag = pre.mid(table, tableEnd - table + 1);
    shape.paddingPx = attribute(tableTag, QStringLiteral("cellpadding"), 1);
    shape.borderPx = attribute(tableTag, QStringLiteral("border"), 0);
    static const QRegularExpression headRe(QStringLiteral("^\\s*<tr([^>]*)>(.*)</tr>\\s*$"),
                                           QRegularExpression::CaseInsensitiveOption
                                               | QRegularExpression::DotMatchesEverythingOption);
    const auto heading = headRe.match(pre.mid(tableEnd + 1));
    if (!heading.hasMatch())
        return std::nullopt;
    shape.headingBold = heading.captured(1).contains(QLatin1String("bold"), Qt::CaseInsensitive);
    static const QRegularExpression headCellRe(QStringLiteral("<td\\s+width=\"([\\d.]+)%\"\\s*>(.*?)</td>"),
                                               QRegularExpression::CaseInsensitiveOption
                                                   | QRegularExpression::DotMatchesEverythingOption);
    int column = 0;
    double total = 0;
    QString rest = heading.captured(2);
    for (auto it = headCellRe.globalMatch(rest); it.hasNext(); ++column) {
        const auto cell = it.next();
        if (column >= shape.columns.size())
            return std::nullopt;
        shape.columns[column].percent = cell.captured(1).toDouble();
        shape.columns[column].heading = QTextDocumentFragment::fromHtml(cell.captured(2)).toPlainText().trimmed();
        total += shape.columns[column].percent;
        rest.replace(cell.captured(0), QString());
    }
    // Every heading cell must have been a sized one, and no mustache tag may
    // sit between the heading and the rows.
    if (column != shape.columns.size() || total <= 0 || !rest.trimmed().isEmpty()
        || heading.captured(2).contains(QLatin1String("{{")))
        return std::nullopt;
    for (Column &c : shape.columns)
        c.percent = c.percent * 100.0 / total;

    static const QRegularExpression closeRe(QStringLiteral("^\\s*</table>"), QRegularExpression::CaseInsensitiveOption);
    const QString post = source.mid(rows.capturedEnd());
    const auto close = closeRe.match(post);
    if (!close.hasMatch())
        return std::nullopt;
    static const QRegularExpression bodyRe(QStringLiteral("<body([^>]*)>"), QRegularExpression::CaseInsensitiveOption);
    const auto body = bodyRe.match(pre.left(table));
    if (!body.hasMatch())
        return std::nullopt;
    shape.head = pre.left(body.capturedEnd());
    shape.before = pre.mid(body.capturedEnd(), table - body.capturedEnd());
    shape.after = post.mid(close.capturedEnd());
    static const QRegularExpression sizeRe(QStringLiteral("font-size\\s*:\\s*([\\d.]+)pt"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression familyRe(QStringLiteral("font-family\\s*:\\s*([^;\"]+)"), QRegularExpression::CaseInsensitiveOption);
    shape.fontPoints = sizeRe.match(body.captured(1)).captured(1).toDouble();
    shape.fontFamily = familyRe.match(body.captured(1)).captured(1).trimmed();
    return shape;
}

RowPainter::RowPainter(const Shape &shape, QPagedPaintDevice &device, QPainter *painter, double pageHeight,
                       std::function<bool()> breakPage)
    : shape_(shape), painter_(painter), pageHeight_(pageHeight), breakPage_(std::move(breakPage)), device_(device)
{
    if (!shape.fontFamily.isEmpty())
        font_.setFamilies({shape.fontFamily});
    if (shape.fontPoints > 0)
        font_.setPointSizeF(shape.fontPoints);
    bold_ = font_;
    bold_.setBold(shape.headingBold);
    // Sizes in the template are pixels of a 96 dpi screen.
    const double px = device.logicalDpiY() / 96.0;
    padding_ = shape.paddingPx * px;
    border_ = shape.borderPx * px;
    lineHeight_ = QFontMetricsF(font_, &device).height();
    double x = 0;
    const double width = device.width();
    for (const Column &c : shape.columns) {
        x_ << x;
        x += width * c.percent / 100.0;
        headings_ << c.heading;
    }
    x_ << width;
    double h = 0;
    for (int c = 0; c < shape.columns.size(); ++c)
        h = qMax(h, cellHeight(c, headings_.at(c), true));
    headingHeight_ = h + 2 * padding_;
}

double RowPainter::cellHeight(int column, const QString &text, bool bold) const
{
    const QFont &font = bold ? bold_ : font_;
    const double width = x_.at(column + 1) - x_.at(column) - 2 * padding_;
    if (text.isEmpty() || QFontMetricsF(font, &device_).horizontalAdvance(text) <= width)
        return lineHeight_;
    QTextLayout layout(text, font, &device_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double h = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1.0, width));
        h += line.height();
    }
    layout.endLayout();
    return qMax(h, lineHeight_);
}

void RowPainter::paintRow(const QStringList &texts, double height, bool bold)
{
    if (!painter_)
        return;
    const QFont &font = bold ? bold_ : font_;
    painter_->setFont(font);
    const QFontMetricsF fm(font, &device_);
    if (border_ > 0) {
        painter_->setPen(QPen(Qt::black, qMax(1.0, border_ * 0.75)));
        painter_->setBrush(Qt::NoBrush);
    }
    for (int c = 0; c < texts.size(); ++c) {
        const QRectF cell(x_.at(c), y_, x_.at(c + 1) - x_.at(c), height);
        if (border_ > 0)
            painter_->drawRect(cell);
        const QString &text = texts.at(c);
        if (text.isEmpty())
            continue;
        const QRectF inner = cell.adjusted(padding_, padding_, -padding_, -padding_);
        const Qt::Alignment align = shape_.columns.at(c).align;
        const double advance = fm.horizontalAdvance(text);
        if (advance <= inner.width()) {
            // One line: the common case, drawn without a layout.
            double x = inner.left();
            if (align & Qt::AlignRight)
                x = inner.right() - advance;
            else if (align & Qt::AlignHCenter)
                x = inner.left() + (inner.width() - advance) / 2;
            painter_->drawText(QPointF(x, inner.top() + fm.ascent()), text);
            continue;
        }
        QTextLayout layout(text, font, &device_);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setAlignment(align);
        layout.setTextOption(option);
        layout.beginLayout();
        double h = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax(1.0, inner.width()));
            line.setPosition(QPointF(0, h));
            h += line.height();
        }
        layout.endLayout();
        painter_->save();
        painter_->setClipRect(inner.adjusted(0, 0, 0, 1)); // a row taller than a page is cut at its foot
        layout.draw(painter_, inner.topLeft());
        painter_->restore();
    }
}

void RowPainter::start(double top)
{
    y_ = top;
    paintRow(headings_, headingHeight_, true);
    y_ += headingHeight_;
}

bool RowPainter::newPage()
{
    if (!breakPage_())
        return false;
    start(0);
    return true;
}

bool RowPainter::row(const ReportRow &row)
{
    QStringList texts;
    texts.reserve(shape_.columns.size());
    double h = 0;
    for (int c = 0; c < shape_.columns.size(); ++c) {
        const int field = shape_.columns.at(c).field;
        texts << shown(field < row.size() ? row.at(field) : QString());
        h = qMax(h, cellHeight(c, texts.last(), false));
    }
    h += 2 * padding_;
    // A row never runs off the page: it goes to the next one, and one taller
    // than a whole page is cut to the page.
    if (y_ + h > pageHeight_ && y_ > headingHeight_ + 0.5 && !newPage())
        return false;
    h = qMin(h, pageHeight_ - y_);
    paintRow(texts, h, false);
    y_ += h;
    return true;
}

} // namespace nimbo::reporttable
