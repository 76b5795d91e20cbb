#pragma once
// The report engine: a template of the REPORT folder (mustache over HTML)
// is filled with the rows of the local report table Tab_Report and printed
// on a named printer or written to a PDF file. Nothing here shows UI: the
// outcome is read from lastErrorNumber()/lastErrorText() and shown by the
// window that asked for the print.
//
// What a template sees:
//   {{title}}                      the title given by the caller
//   any key of ReportRequest::values (headings, dates, totals ...)
//   {{Rep_Campo01}} .. {{Rep_Campo20}}, {{n}}    the first row (n = position, from 1)
//   {{#rows}} ... {{/rows}}        every row, each with the same keys
//   {{rowCount}}                   number of rows
// Empty values count as false, so {{#Rep_Campo08}}...{{/Rep_Campo08}} shows
// its part only when the field holds something.
// A template may choose its page with
//   <meta name="page-size" content="A4">          (A4, A5, A3, Letter, or WxH in mm,
//                                                  e.g. "89x36"; add " landscape")
//   <meta name="page-margins" content="15">       (mm, all sides)

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPageLayout;

namespace nimbo {

namespace reporttable {
struct Shape;
}

enum class ReportError : int {
    None = 0,
    TemplateMissing = 1,   // "Modello di stampa non trovato: " + path
    TemplateInvalid = 2,   // "Modello di stampa non valido: " + name + " - " + detail
    DataRead = 3,          // "Errore in lettura della tabella Tab_Report: " + detail
    NoRows = 4,            // "Nessun dato da stampare"
    PrinterNotFound = 5,   // "Stampante non trovata: " + name / "Nessuna stampante predefinita"
    OutputNotWritable = 6, // "Impossibile scrivere il file PDF " + path
    PrintFailed = 7,       // "Errore nella stampa su " + printer
};

// Where a report goes: a printer by its name (empty = the default printer)
// or a PDF file.
struct ReportTarget {
    enum class Kind { Printer, Pdf };
    Kind kind = Kind::Printer;
    QString name; // printer name or PDF path

    static ReportTarget printer(const QString &printerName = {}) { return {Kind::Printer, printerName}; }
    static ReportTarget pdf(const QString &path) { return {Kind::Pdf, path}; }
};

struct ReportRequest {
    QString templateName;          // as named by its window, e.g. "ricevutaprotocollo.rpt"
    QString title;                 // {{title}}, also the PDF's document title
    QMap<QString, QString> values; // further top-level values
    bool allowEmpty = false;       // print even when Tab_Report has no rows
};

// One row of Tab_Report: index 0 is Rep_Campo01 ... index 19 Rep_Campo20.
using ReportRow = QStringList;

constexpr int kReportColumns = 20;
// "Rep_Campo01" .. "Rep_Campo20" for 1..20.
QString reportColumnName(int column);

class ReportEngine {
public:
    explicit ReportEngine(QString templateFolder);

    // Reads Tab_Report of db (rows ordered by ID), fills the template and
    // prints it. False on failure, with the reason in lastError*().
    bool print(const ReportRequest &request, const QSqlDatabase &db, const ReportTarget &target);

    // The filled HTML without printing; empty on failure (lastError* set).
    QString render(const ReportRequest &request, const QSqlDatabase &db);
    // The same over rows the caller already holds.
    QString render(const ReportRequest &request, const QVector<ReportRow> &rows);

    // The same for reports of any length: Tab_Report is read a part at a
    // time and each part of rowsPerPart rows is filled and painted before
    // the next is read, so memory does not grow with the rows. Each part
    // starts on a new page; the template is told {{firstPart}} and
    // {{lastPart}} (true on those parts only) and {{totalRows}}; the
    // page footer numbers the pages throughout ({pages} is not known).
    bool printInParts(const ReportRequest &request, const QSqlDatabase &db, const ReportTarget &target,
                      int rowsPerPart = 400);

    // Prints HTML already filled (exposed for reports that build their own rows).
    bool printHtml(const QString &html, const QString &title, const ReportTarget &target);

    // Path of a template inside the folder. An exact name wins; otherwise a
    // file differing only in letter case is accepted, since installations
    // carry templates over from systems that ignore case. Empty when absent.
    QString templatePath(const QString &templateName) const;

    QString templateFolder() const { return folder_; }
    int lastErrorNumber() const { return int(error_); }
    ReportError lastError() const { return error_; }
    QString lastErrorText() const { return errorText_; }

    // Reads every row of Tab_Report ordered by ID; false when the table
    // cannot be read.
    static bool readRows(const QSqlDatabase &db, QVector<ReportRow> &rows, QString *error = nullptr);

private:
    bool fail(ReportError error, const QString &text);
    bool readFailure(const QString &why);
    QString templateSource(const QString &templateName);
    QString renderSource(const QString &source, const ReportRequest &request, const QVector<ReportRow> &rows,
                         qsizetype rowCount = -1);
    std::optional<reporttable::Shape> tableShape(const QString &templateName);
    bool printTable(const reporttable::Shape &shape, const ReportRequest &request, const QSqlDatabase &db,
                    const ReportTarget &target);
    std::optional<qlonglong> countRows(const QSqlDatabase &db, bool allowEmpty);
    std::unique_ptr<QPagedPaintDevice> openOutput(const ReportTarget &target, const QPageLayout &layout,
                                                  const QString &title);
    bool outputFailed(const ReportTarget &target, std::unique_ptr<QPagedPaintDevice> &device);
    void clearError();

    QString folder_;
    ReportError error_ = ReportError::None;
    QString errorText_;
};

// Replaces every row of Tab_Report with the given rows, in their order, in one
// transaction: on failure the table is left as it was and the reason is
// returned in *error. progress, when given, is told how many rows are in
// after each one; a false answer stops the filling and leaves the table as
// it was (*error then reads kReportCancelled).
inline const QString kReportCancelled = QStringLiteral("Operazione annullata");
bool replaceReportRows(QSqlDatabase db, const QVector<ReportRow> &rows, QString *error = nullptr,
                       const std::function<bool(int)> &progress = {});

} // namespace nimbo
