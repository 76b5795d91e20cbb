#include "reports/ReportExport.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>

#include "classification/XlsxBook.h"

namespace nimbo::reports {

QString writeReportSheet(const QString &path, const SheetContent &content, const std::function<bool(int)> &progress)
{
    xlsx::Book book(path);
    if (!book.get())
        return book.error();
    lxw_worksheet *ws = workbook_add_worksheet(book.get(), "Stampa");
    const xlsx::ListFormats formats = xlsx::listFormats(book.get());
    lxw_format *bold = formats.bold, *title = formats.heading, *day = formats.day;

    // Widths from the titles and the first rows: the sheet streams its rows,
    // so the columns are set before any is written.
    QVector<int> widths(content.columns.size(), 0);
    for (int c = 0; c < content.columns.size(); ++c)
        widths[c] = int(content.columns[c].size());
    for (int r = 0; r < std::min(int(content.rows.size()), 500); ++r)
        for (int c = 0; c < std::min(int(content.rows[r].size()), int(widths.size())); ++c)
            widths[c] = std::max(widths[c], int(content.rows[r][c].size()));
    for (int c = 0; c < widths.size(); ++c)
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), std::clamp(widths[c] + 2, 8, 60), nullptr);

    xlsx::text(ws, 0, 0, content.title, bold);
    int line = 1;
    for (const QString &h : content.heading)
        if (!h.trimmed().isEmpty() && line < 3)
            xlsx::text(ws, line++, 0, h);
    for (int c = 0; c < content.columns.size(); ++c)
        xlsx::text(ws, 3, c, content.columns[c], title);

    static const QRegularExpression dayShape(QStringLiteral(R"(^\d{2}/\d{2}/\d{4}$)"));
    for (int r = 0; r < content.rows.size(); ++r) {
        const ReportRow &row = content.rows[r];
        const lxw_row_t at = lxw_row_t(r + 4);
        for (int c = 0; c < row.size(); ++c) {
            const QString &v = row[c];
            if (v.isEmpty())
                continue;
            const bool count = c < content.columns.size() && content.columns[c].startsWith(QLatin1String("N. "));
            bool isNumber = false;
            const double n = count ? v.toDouble(&isNumber) : 0;
            if (isNumber) {
                worksheet_write_number(ws, at, lxw_col_t(c), n, nullptr);
                continue;
            }
            if (dayShape.match(v).hasMatch()) {
                const QDate d = QDate::fromString(v, QStringLiteral("dd/MM/yyyy"));
                if (d.isValid()) {
                    lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
                    worksheet_write_datetime(ws, at, lxw_col_t(c), &when, day);
                    continue;
                }
            }
            xlsx::text(ws, int(at), c, v);
        }
        if (progress && !progress(r + 1))
            return kReportCancelled; // the book goes unwritten with its temporary file
    }
    if (!book.commit())
        return book.error();
    return {};
}

} // namespace nimbo::reports
