#include "platform/ListingPrinter.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <memory>

#include "platform/Busy.h"

namespace nimbo {
namespace {

const QString kOpenFailed = QStringLiteral("Errore nella apertura della Stampante");
constexpr int kTabStop = 8;
constexpr qreal kMaxPointSize = 11.0;
constexpr qreal kMarginMm = 15.0;

QString expandTabs(const QString &line)
{
    if (!line.contains(QLatin1Char('\t')))
        return line;
    QString out;
    for (const QChar c : line) {
        if (c == QLatin1Char('\t'))
            out += QString(kTabStop - out.size() % kTabStop, QLatin1Char(' '));
        else
            out += c;
    }
    return out;
}

QString fit(const QString &cell, int width)
{
    const QString flat = QString(cell).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat.left(width).leftJustified(width, QLatin1Char(' '));
}

} // namespace

QStringList listingLines(const QString &text, int width)
{
    QStringList out;
    if (text.isEmpty())
        return out;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList raw = normalised.split(QLatin1Char('\r'));
    for (const QString &r : raw) {
        QString line = expandTabs(r);
        if (width <= 0 || line.size() <= width) {
            out.append(line);
            continue;
        }
        for (qsizetype at = 0; at < line.size(); at += width)
            out.append(line.mid(at, width));
    }
    // A trailing break ends the last line; it does not start a new one.
    if (!out.isEmpty() && out.constLast().isEmpty() && normalised.endsWith(QLatin1Char('\r')))
        out.removeLast();
    return out;
}

QStringList centredHeading(const QString &heading, int width)
{
    QStringList out;
    const QStringList lines = listingLines(heading, 0);
    for (const QString &l : lines) {
        const QString t = l.trimmed();
        const qsizetype pad = t.size() < width ? (width - t.size()) / 2 : 0;
        out.append(QString(pad, QLatin1Char(' ')) + t);
    }
    return out;
}

QStringList gridLines(const QStringList &titles, const QList<int> &widths, const QVector<QStringList> &rows)
{
    const qsizetype columns = std::max(titles.size(), widths.size());
    auto widthOf = [&](qsizetype c) {
        if (c < widths.size() && widths.at(c) > 0)
            return widths.at(c);
        return c < titles.size() ? static_cast<int>(std::max<qsizetype>(titles.at(c).size(), 1)) : 10;
    };
    auto line = [&](const QStringList &cells) {
        QStringList parts;
        for (qsizetype c = 0; c < columns; ++c)
            parts.append(fit(c < cells.size() ? cells.at(c) : QString(), widthOf(c)));
        QString joined = parts.join(QLatin1Char(' '));
        while (joined.endsWith(QLatin1Char(' ')))
            joined.chop(1);
        return joined;
    };
    QStringList out;
    out.append(line(titles));
    QStringList rule;
    for (qsizetype c = 0; c < columns; ++c)
        rule.append(QString(widthOf(c), QLatin1Char('-')));
    out.append(rule.join(QLatin1Char(' ')));
    for (const QStringList &row : rows)
        out.append(line(row));
    return out;
}

QVector<QStringList> paginate(const QStringList &body, int perPage)
{
    QVector<QStringList> pages;
    const int step = std::max(perPage, 1);
    for (qsizetype at = 0; at < body.size(); at += step)
        pages.append(body.mid(at, step));
    if (pages.isEmpty())
        pages.append(QStringList());
    return pages;
}

namespace {

// Heading and repeated lines at the top, body below, footer at the foot.
ListingResult printPages(const QStringList &top, const QStringList &body, const ReportTarget &target,
                         const ListingOptions &options)
{
    busy::Guard busy;
    ListingResult result;

    std::unique_ptr<QPrinter> printer;
    if (target.kind == ReportTarget::Kind::Pdf) {
        if (target.name.isEmpty()) {
            result.error = kOpenFailed;
            return result;
        }
        // Checked here because the painter only complains on the console.
        QFile probe(target.name);
        if (!probe.open(QIODevice::WriteOnly)) {
            result.error = kOpenFailed;
            return result;
        }
        probe.close();
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(target.name);
    } else {
        const QPrinterInfo info =
            target.name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(target.name);
        if (info.isNull()) {
            result.error = kOpenFailed;
            return result;
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setDocName(top.isEmpty() ? QStringLiteral("Stampa") : top.constFirst().trimmed());
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                       options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));

    QPainter painter;
    if (!painter.begin(printer.get())) {
        result.error = kOpenFailed;
        return result;
    }

    QFont font(options.fontFamily);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(kMaxPointSize);
    const QRectF area = QRectF(QPointF(0, 0), QSizeF(printer->pageLayout().paintRectPixels(printer->resolution()).size()));
    {
        // Shrink until a full line of the listing's width fits across the page.
        const QFontMetricsF fm(font, printer.get());
        const qreal lineWidth = fm.horizontalAdvance(QString(options.lineWidth(), QLatin1Char('M')));
        if (lineWidth > area.width())
            font.setPointSizeF(kMaxPointSize * area.width() / lineWidth * 0.98);
    }
    painter.setFont(font);
    const QFontMetricsF fm(font, printer.get());
    const qreal lineHeight = fm.lineSpacing();
    const int linesOnPage = static_cast<int>(area.height() / lineHeight);
    // Top lines, one blank, the body, one blank, the footer.
    const int perPage = std::max(1, linesOnPage - static_cast<int>(top.size()) - 3);
    const QVector<QStringList> pages = paginate(body, perPage);

    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !printer->newPage()) {
            painter.end();
            result.error = kOpenFailed;
            return result;
        }
        qreal y = fm.ascent();
        for (const QString &l : top) {
            painter.drawText(QPointF(0, y), l);
            y += lineHeight;
        }
        y += lineHeight;
        for (const QString &l : pages.at(p)) {
            painter.drawText(QPointF(0, y), l);
            y += lineHeight;
        }
        const QString footer = centredHeading(options.footerPrefix + QString::number(p + 1), options.lineWidth()).value(0);
        painter.drawText(QPointF(0, area.height() - fm.descent()), footer);
    }
    if (!painter.end()) {
        result.error = kOpenFailed;
        return result;
    }
    result.ok = true;
    result.pages = static_cast<int>(pages.size());
    return result;
}

} // namespace

ListingResult printListing(const QString &heading, const QString &text, const ReportTarget &target,
                           const ListingOptions &options)
{
    return printPages(centredHeading(heading, options.lineWidth()), listingLines(text, options.lineWidth()), target,
                      options);
}

ListingOptions gridOptions(bool landscape)
{
    ListingOptions o;
    o.landscape = landscape;
    o.footerPrefix = QStringLiteral("Pag. ");
    o.fontFamily = QStringLiteral("Courier");
    return o;
}

ListingResult printGrid(const QString &heading, const QStringList &titles, const QList<int> &widths,
                        const QVector<QStringList> &rows, const ReportTarget &target, const ListingOptions &options)
{
    QStringList top = centredHeading(heading, options.lineWidth());
    QStringList lines = gridLines(titles, widths, rows);
    top.append(QString());
    top.append(lines.takeFirst()); // titles
    top.append(lines.takeFirst()); // rule
    return printPages(top, lines, target, options);
}

} // namespace nimbo
