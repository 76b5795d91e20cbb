#include "classification/SummaryExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <xlsxwriter.h>

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

class Book {
public:
    explicit Book(const QByteArray &path)
    {
        lxw_workbook_options options{};
        // Rows go to disk as they are written: the memory stays flat
        // whatever the size of the list.
        options.constant_memory = LXW_TRUE;
        book_ = workbook_new_opt(path.constData(), &options);
    }
    ~Book()
    {
        if (book_)
            workbook_close(book_);
    }
    Book(const Book &) = delete;
    Book &operator=(const Book &) = delete;
    lxw_workbook *get() const { return book_; }
    lxw_error close()
    {
        lxw_workbook *b = book_;
        book_ = nullptr;
        return b ? workbook_close(b) : LXW_ERROR_CREATING_XLSX_FILE;
    }

private:
    lxw_workbook *book_ = nullptr;
};

void text(lxw_worksheet *sheet, int row, int column, const QString &value, lxw_format *format = nullptr)
{
    if (value.isEmpty())
        return;
    worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), value.toUtf8().constData(), format);
}

} // namespace

ExportOutcome writeWorkbook(const QString &path, const QString &title, const QString &subtitle,
                            const QVector<ExportRow> &rows, const std::function<bool(int)> &progress, QString *error)
{
    const QFileInfo target(path);
    QTemporaryFile part(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!part.open()) {
        *error = part.errorString();
        return ExportOutcome::Failed;
    }
    part.close();
    Book book(QFile::encodeName(part.fileName()));
    if (!book.get()) {
        *error = QStringLiteral("impossibile creare il file ") + path;
        return ExportOutcome::Failed;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), "Protocolli");
    lxw_format *bold = workbook_add_format(book.get());
    format_set_bold(bold);
    lxw_format *heading = workbook_add_format(book.get());
    format_set_bold(heading);
    format_set_bottom(heading, LXW_BORDER_THIN);
    lxw_format *day = workbook_add_format(book.get());
    format_set_num_format(day, "dd/mm/yyyy");
    format_set_align(day, LXW_ALIGN_LEFT);
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
            return ExportOutcome::Cancelled; // the temporary file goes with `part`
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
    if (const lxw_error e = book.close(); e != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(e));
        return ExportOutcome::Failed;
    }
    // Only a whole file takes the name.
    if (QFile::exists(path) && !QFile::remove(path)) {
        *error = QStringLiteral("impossibile sostituire il file ") + path;
        return ExportOutcome::Failed;
    }
    if (!QFile::rename(part.fileName(), path)) {
        *error = QStringLiteral("impossibile scrivere il file ") + path;
        return ExportOutcome::Failed;
    }
    part.setAutoRemove(false);
    return ExportOutcome::Written;
}

} // namespace nimbo::classification::summary
