#include "classification/SummaryExport.h"

#include "classification/XlsxBook.h"

namespace nimbo::classification::summary {

const char *const kDefaultExportName = "Protocolli Classificati.xlsx";

const QStringList &exportHeadings()
{
    static const QStringList h{QStringLiteral("Tipo"),
                               QStringLiteral("N. Protocollo"),
                               QStringLiteral("Data Protocollo"),
                               QStringLiteral("Oggetto"),
                               QStringLiteral("Mittente"),
                               QStringLiteral("Indirizzo Mittente"),
                               QStringLiteral("Destinatario"),
                               QStringLiteral("Indirizzo Destinatario"),
                               QStringLiteral("Stato Avanzamento"),
                               QStringLiteral("Ufficio Eseguente"),
                               QStringLiteral("Uffici Destinatari")};
    return h;
}

namespace {

// Column widths in characters, as a clerk reads them.
constexpr double kWidths[] = {6, 14, 15, 50, 35, 40, 35, 40, 30, 30, 40};

using xlsx::text;

} // namespace

ExportOutcome writeWorkbook(const QString &path, const QString &title, const QString &subtitle,
                            const QVector<ExportRow> &rows, const std::function<bool(int)> &progress, QString *error)
{
    xlsx::Book book(path);
    if (!book.get()) {
        *error = book.error();
        return ExportOutcome::Failed;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), "Protocolli");
    const xlsx::ListFormats formats = xlsx::listFormats(book.get());
    lxw_format *bold = formats.bold, *heading = formats.heading, *day = formats.day;
    for (int c = 0; c < int(std::size(kWidths)); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), kWidths[c], nullptr);

    text(sheet, 0, 0, title, bold);
    text(sheet, 1, 0, subtitle);
    const QStringList &h = exportHeadings();
    for (int c = 0; c < h.size(); ++c)
        text(sheet, 3, c, h[c], heading);

    int row = 4;
    for (int i = 0; i < rows.size(); ++i, ++row) {
        if (progress && i % 200 == 0 && !progress(i))
            return ExportOutcome::Cancelled; // the temporary file goes with the book
        const ExportRow &r = rows[i];
        text(sheet, row, 0, r.direction);
        text(sheet, row, 1, r.number);
        if (r.date.isValid()) {
            lxw_datetime when{r.date.year(), r.date.month(), r.date.day(), 0, 0, 0.0};
            worksheet_write_datetime(sheet, lxw_row_t(row), 2, &when, day);
        }
        text(sheet, row, 3, r.subject);
        const int holder = r.direction == QLatin1String("U") ? 6 : 4;
        text(sheet, row, holder, r.holder);
        text(sheet, row, holder + 1, r.address);
        text(sheet, row, 8, r.progress.state);
        text(sheet, row, 9, r.progress.office);
        text(sheet, row, 10, r.progress.recipients);
    }
    if (progress && !progress(int(rows.size())))
        return ExportOutcome::Cancelled;
    if (!book.commit()) {
        *error = book.error();
        return ExportOutcome::Failed;
    }
    return ExportOutcome::Written;
}

} // namespace nimbo::classification::summary
