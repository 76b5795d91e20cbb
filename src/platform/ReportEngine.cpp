#include "platform/ReportEngine.h"
#include "platform/ReportTable.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

#include <kainjow/mustache.hpp>

namespace nimbo {

namespace mu = kainjow::mustache;

QString reportColumnName(int column)
{
    return QStringLiteral("Rep_Campo%1").arg(column, 2, 10, QLatin1Char('0'));
}

namespace {

// A transaction on one connection that rolls back unless committed.
class TransactionGuard {
public:
    explicit TransactionGuard(QSqlDatabase db) : db_(std::move(db)) { active_ = db_.transaction(); }
    ~TransactionGuard()
    {
        if (active_)
            db_.rollback();
    }
    TransactionGuard(const TransactionGuard &) = delete;
    TransactionGuard &operator=(const TransactionGuard &) = delete;
    bool active() const { return active_; }
    bool commit()
    {
        if (!active_)
            return false;
        active_ = false;
        return db_.commit();
    }

private:
    QSqlDatabase db_;
    bool active_ = false;
};

QString columnList(bool withId)
{
    QStringList cols;
    if (withId)
        cols << QStringLiteral("ID");
    for (int c = 1; c <= kReportColumns; ++c)
        cols << reportColumnName(c);
    return cols.join(QLatin1Char(','));
}

// Empty texts are false, so that {{#field}}...{{/field}} shows its part
// only when the field holds something; as a value they still print nothing.
mu::data text(const QString &value)
{
    if (value.isEmpty())
        return mu::data(mu::data::type::bool_false);
    return mu::data(value.toStdString());
}

mu::data rowData(const ReportRow &row, int id)
{
    mu::data d;
    d.set("n", std::to_string(id));
    for (int c = 1; c <= kReportColumns; ++c) {
        const QString v = c - 1 < row.size() ? row.at(c - 1) : QString();
        d.set(reportColumnName(c).toStdString(), text(v));
    }
    return d;
}

struct PageSpec {
    QPageSize size{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    qreal marginMm = 15;
};

QString metaContent(const QString &html, const QString &name)
{
    const QRegularExpression re(QStringLiteral("<meta\\s+name\\s*=\\s*\"%1\"\\s+content\\s*=\\s*\"([^\"]*)\"")
                                    .arg(QRegularExpression::escape(name)),
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// Unknown or malformed page declarations fall back to A4 portrait rather
// than refusing to print.
PageSpec pageSpec(const QString &html)
{
    PageSpec spec;
    QString size = metaContent(html, QStringLiteral("page-size")).toLower();
    if (size.endsWith(QLatin1String("landscape"))) {
        spec.orientation = QPageLayout::Landscape;
        size.chop(int(qstrlen("landscape")));
        size = size.trimmed();
    }
    static const QMap<QString, QPageSize::PageSizeId> named{
        {QStringLiteral("a3"), QPageSize::A3},
        {QStringLiteral("a4"), QPageSize::A4},
        {QStringLiteral("a5"), QPageSize::A5},
        {QStringLiteral("a6"), QPageSize::A6},
        {QStringLiteral("letter"), QPageSize::Letter},
    };
    static const QRegularExpression dims(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*x\\s*(\\d+(?:\\.\\d+)?)\\s*(?:mm)?$"));
    if (named.contains(size)) {
        spec.size = QPageSize(named.value(size));
    } else if (const auto m = dims.match(size); m.hasMatch()) {
        const QSizeF mm(m.captured(1).toDouble(), m.captured(2).toDouble());
        if (mm.width() > 0 && mm.height() > 0)
            spec.size = QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    bool ok = false;
    const qreal margin = metaContent(html, QStringLiteral("page-margins")).toDouble(&ok);
    if (ok && margin >= 0)
        spec.marginMm = margin;
    // Margins that leave no room to print are ignored.
    const QSizeF pageMm = spec.size.size(QPageSize::Millimeter);
    if (2 * spec.marginMm >= qMin(pageMm.width(), pageMm.height()))
        spec.marginMm = 0;
    return spec;
}

QPageLayout layoutFor(const PageSpec &spec)
{
    return QPageLayout(spec.size, spec.orientation,
                       QMarginsF(spec.marginMm, spec.marginMm, spec.marginMm, spec.marginMm),
                       QPageLayout::Millimeter);
}

// Lays the document out on the device's own page and resolution, then paints
// it page by page on a device already begun, from a new page unless it is
// the first part of the output; *page counts the pages painted so far. Page
// numbers appear only when the template asks for them with <meta
// name="page-footer" content="Pag. {page} di {pages}">: the line is drawn
// centred at the foot of every page, in room taken from the page's text;
// {pages} is known only when the document is the whole output.
bool paintPart(const QString &html, QPagedPaintDevice &device, QPainter &painter, bool first, int *page, bool whole)
{
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setHtml(html);
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    doc.rootFrame()->setFrameFormat(root);
    const QString footer = metaContent(html, QStringLiteral("page-footer"));
    QFont footFont = doc.defaultFont();
    footFont.setPointSize(8);
    const qreal footHeight = footer.isEmpty() ? 0 : QFontMetricsF(footFont, &device).height() * 2;
    const QSizeF size(device.width(), device.height() - footHeight);
    doc.setPageSize(size);
    const int pages = qMax(1, doc.pageCount());
    for (int i = 0; i < pages; ++i) {
        if ((!first || i > 0) && !device.newPage())
            return false;
        ++*page;
        painter.save();
        painter.translate(0, -i * size.height());
        doc.drawContents(&painter, QRectF(0, i * size.height(), size.width(), size.height()));
        painter.restore();
        if (!footer.isEmpty()) {
            QString line = QString(footer).replace(QStringLiteral("{page}"), QString::number(*page));
            if (whole)
                line.replace(QStringLiteral("{pages}"), QString::number(pages));
            painter.setFont(footFont);
            painter.drawText(QRectF(0, size.height(), size.width(), footHeight), Qt::AlignHCenter | Qt::AlignBottom, line);
        }
    }
    return true;
}

bool paint(const QString &html, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    int page = 0;
    const bool ok = paintPart(html, device, painter, true, &page, true);
    return painter.end() && ok;
}

} // namespace

ReportEngine::ReportEngine(QString templateFolder) : folder_(std::move(templateFolder)) {}

bool ReportEngine::fail(ReportError error, const QString &text)
{
    error_ = error;
    errorText_ = text;
    return false;
}

void ReportEngine::clearError()
{
    error_ = ReportError::None;
    errorText_.clear();
}

QString ReportEngine::templatePath(const QString &templateName) const
{
    if (templateName.trimmed().isEmpty() || folder_.isEmpty())
        return {};
    // Names only: a template name never reaches outside its folder.
    if (templateName.contains(QLatin1Char('/')) || templateName.contains(QLatin1Char('\\'))
        || templateName == QLatin1String("..") || templateName == QLatin1String("."))
        return {};
    const QDir dir(folder_);
    const QString exact = dir.filePath(templateName);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString &entry : entries) {
        if (entry.compare(templateName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

bool ReportEngine::readRows(const QSqlDatabase &db, QVector<ReportRow> &rows, QString *error)
{
    rows.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM Tab_Report ORDER BY ID").arg(columnList(true)))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        ReportRow row;
        row.reserve(kReportColumns);
        for (int c = 1; c <= kReportColumns; ++c)
            row << (q.isNull(c) ? QString() : q.value(c).toString());
        rows << row;
    }
    return true;
}

QString ReportEngine::render(const ReportRequest &request, const QSqlDatabase &db)
{
    clearError();
    // The template is checked first: a missing template is the more useful
    // message when both the template and the data are wrong.
    if (templatePath(request.templateName).isEmpty()) {
        fail(ReportError::TemplateMissing,
             QStringLiteral("Modello di stampa non trovato: ") + QDir(folder_).filePath(request.templateName));
        return {};
    }
    QVector<ReportRow> rows;
    QString why;
    if (!db.isOpen() || !readRows(db, rows, &why)) {
        fail(ReportError::DataRead, QStringLiteral("Errore in lettura della tabella Tab_Report: ")
                                        + (db.isOpen() ? why : QStringLiteral("archivio non aperto")));
        return {};
    }
    return render(request, rows);
}

QString ReportEngine::render(const ReportRequest &request, const QVector<ReportRow> &rows)
{
    clearError();
    const QString source = templateSource(request.templateName);
    if (error_ != ReportError::None)
        return {};
    if (rows.isEmpty() && !request.allowEmpty) {
        fail(ReportError::NoRows, QStringLiteral("Nessun dato da stampare"));
        return {};
    }
    return renderSource(source, request, rows);
}

QString ReportEngine::templateSource(const QString &templateName)
{
    const QString path = templatePath(templateName);
    if (path.isEmpty()) {
        fail(ReportError::TemplateMissing,
             QStringLiteral("Modello di stampa non trovato: ") + QDir(folder_).filePath(templateName));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(ReportError::TemplateMissing, QStringLiteral("Modello di stampa non trovato: ") + path);
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString ReportEngine::renderSource(const QString &source, const ReportRequest &request, const QVector<ReportRow> &rows,
                                   qsizetype rowCount)
{
    mu::mustache tmpl{source.toStdString()};
    if (!tmpl.is_valid()) {
        fail(ReportError::TemplateInvalid, QStringLiteral("Modello di stampa non valido: ") + request.templateName
                                               + QStringLiteral(" - ")
                                               + QString::fromStdString(tmpl.error_message()));
        return {};
    }

    mu::data data = rows.isEmpty() ? rowData({}, 0) : rowData(rows.first(), 1);
    mu::data list{mu::data::type::list};
    for (int i = 0; i < rows.size(); ++i)
        list.push_back(rowData(rows.at(i), i + 1));
    data.set("rows", list);
    data.set("rowCount", std::to_string(rowCount < 0 ? rows.size() : rowCount));
    data.set("title", text(request.title));
    for (auto it = request.values.cbegin(); it != request.values.cend(); ++it)
        data.set(it.key().toStdString(), text(it.value()));

    const std::string out = tmpl.render(data);
    if (!tmpl.is_valid()) {
        fail(ReportError::TemplateInvalid, QStringLiteral("Modello di stampa non valido: ") + request.templateName
                                               + QStringLiteral(" - ")
                                               + QString::fromStdString(tmpl.error_message()));
        return {};
    }
    return QString::fromStdString(out);
}

bool ReportEngine::print(const ReportRequest &request, const QSqlDatabase &db, const ReportTarget &target)
{
    clearError();
    if (const auto shape = tableShape(request.templateName))
        return printTable(*shape, request, db, target);
    if (error_ != ReportError::None)
        return false;
    const QString html = render(request, db);
    if (error_ != ReportError::None)
        return false;
    return printHtml(html, request.title, target);
}

std::optional<reporttable::Shape> ReportEngine::tableShape(const QString &templateName)
{
    const QString source = templateSource(templateName);
    if (error_ != ReportError::None)
        return std::nullopt;
    auto shape = reporttable::plainTable(source);
    // The parts around the table must stand as templates of their own.
    if (shape && (!mu::mustache(shape->preludeSource().toStdString()).is_valid()
                  || !mu::mustache(shape->postludeSource().toStdString()).is_valid()))
        return std::nullopt;
    return shape;
}

std::unique_ptr<QPagedPaintDevice> ReportEngine::openOutput(const ReportTarget &target, const QPageLayout &layout,
                                                            const QString &title)
{
    if (target.kind == ReportTarget::Kind::Pdf) {
        // Probing the file first gives a clear message instead of a painter
        // that silently fails to start.
        QFile probe(target.name);
        if (target.name.isEmpty() || QFileInfo(target.name).isDir() || !probe.open(QIODevice::WriteOnly)) {
            fail(ReportError::OutputNotWritable, QStringLiteral("Impossibile scrivere il file PDF ") + target.name);
            return nullptr;
        }
        probe.close();
        auto writer = std::make_unique<QPdfWriter>(target.name);
        writer->setResolution(300);
        writer->setTitle(title);
        writer->setCreator(QStringLiteral("Nimbo"));
        writer->setPageLayout(layout);
        return writer;
    }
    const QPrinterInfo info =
        target.name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(target.name);
    if (info.isNull()) {
        fail(ReportError::PrinterNotFound, target.name.isEmpty()
                                               ? QStringLiteral("Nessuna stampante predefinita")
                                               : QStringLiteral("Stampante non trovata: ") + target.name);
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(title);
    printer->setPageLayout(layout);
    return printer;
}

bool ReportEngine::outputFailed(const ReportTarget &target, std::unique_ptr<QPagedPaintDevice> &device)
{
    QString printerName;
    if (auto *printer = dynamic_cast<QPrinter *>(device.get()))
        printerName = printer->printerName();
    // A half-written PDF is not left behind.
    device.reset();
    if (target.kind == ReportTarget::Kind::Pdf) {
        QFile::remove(target.name);
        return fail(ReportError::OutputNotWritable, QStringLiteral("Impossibile scrivere il file PDF ") + target.name);
    }
    return fail(ReportError::PrintFailed, QStringLiteral("Errore nella stampa su ") + printerName);
}

bool ReportEngine::printHtml(const QString &html, const QString &title, const ReportTarget &target)
{
    clearError();
    auto device = openOutput(target, layoutFor(pageSpec(html)), title);
    if (!device)
        return false;
    if (!paint(html, *device))
        return outputFailed(target, device);
    return true;
}

bool ReportEngine::readFailure(const QString &why)
{
    return fail(ReportError::DataRead, QStringLiteral("Errore in lettura della tabella Tab_Report: ") + why);
}

std::optional<qlonglong> ReportEngine::countRows(const QSqlDatabase &db, bool allowEmpty)
{
    if (!db.isOpen()) {
        readFailure(QStringLiteral("archivio non aperto"));
        return std::nullopt;
    }
    QSqlQuery count(db);
    if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Report")) || !count.next()) {
        readFailure(count.lastError().text());
        return std::nullopt;
    }
    const qlonglong total = count.value(0).toLongLong();
    if (total == 0 && !allowEmpty) {
        fail(ReportError::NoRows, QStringLiteral("Nessun dato da stampare"));
        return std::nullopt;
    }
    return total;
}

namespace {

ReportRow readRow(const QSqlQuery &q)
{
    ReportRow row;
    row.reserve(kReportColumns);
    for (int c = 1; c <= kReportColumns; ++c)
        row << (q.isNull(c) ? QString() : q.value(c).toString());
    return row;
}

// A part of the page laid out as HTML at the page's width, without pages.
struct Block {
    explicit Block(const QString &html, QPagedPaintDevice &device)
    {
        doc.documentLayout()->setPaintDevice(&device);
        doc.setHtml(html);
        QTextFrameFormat root = doc.rootFrame()->frameFormat();
        root.setMargin(0);
        doc.rootFrame()->setFrameFormat(root);
        doc.setTextWidth(device.width());
        empty = doc.toPlainText().trimmed().isEmpty();
    }
    double height() const { return empty ? 0 : doc.size().height(); }
    // Drawn at this height, cut to the room left on the page.
    void draw(QPainter *painter, double top, double room) const
    {
        if (!painter || empty)
            return;
        painter->save();
        painter->translate(0, top);
        doc.drawContents(painter, QRectF(0, 0, doc.textWidth(), qMin(room, doc.size().height())));
        painter->restore();
    }
    mutable QTextDocument doc;
    bool empty = true;
};

} // namespace

bool ReportEngine::printTable(const reporttable::Shape &shape, const ReportRequest &request, const QSqlDatabase &db,
                              const ReportTarget &target)
{
    const auto total = countRows(db, request.allowEmpty);
    if (!total)
        return false;
    const QString select = QStringLiteral("SELECT %1 FROM Tab_Report ORDER BY ID").arg(columnList(true));
    QVector<ReportRow> first;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(select))
            return readFailure(q.lastError().text());
        if (q.next())
            first << readRow(q);
    }
    // The headings and the totals see the first row and the count of all rows.
    ReportRequest req = request;
    req.values.insert(QStringLiteral("totalRows"), QString::number(*total));
    req.values.insert(QStringLiteral("firstPart"), QStringLiteral("S"));
    const QString prelude = renderSource(shape.preludeSource(), req, first, *total);
    req.values.insert(QStringLiteral("firstPart"), QString());
    req.values.insert(QStringLiteral("lastPart"), QStringLiteral("S"));
    const QString postlude = renderSource(shape.postludeSource(), req, first, *total);
    if (error_ != ReportError::None)
        return false;

    auto device = openOutput(target, layoutFor(pageSpec(prelude)), request.title);
    if (!device)
        return false;
    const QString footer = metaContent(prelude, QStringLiteral("page-footer"));
    QFont footFont;
    footFont.setPointSize(8);
    const double footHeight = footer.isEmpty() ? 0 : QFontMetricsF(footFont, device.get()).height() * 2;
    const double pageHeight = device->height() - footHeight;
    const Block top(prelude, *device);
    const Block bottom(postlude, *device);

    // One pass over the rows; without a painter it only counts the pages,
    // which the footer needs when it says how many there are.
    const auto pass = [&](QPainter *painter, int pages) -> int {
        int page = 1;
        const auto finishPage = [&] {
            if (!painter || footer.isEmpty())
                return;
            QString line = QString(footer).replace(QStringLiteral("{page}"), QString::number(page));
            line.replace(QStringLiteral("{pages}"), QString::number(pages));
            painter->setFont(footFont);
            painter->drawText(QRectF(0, pageHeight, device->width(), footHeight), Qt::AlignHCenter | Qt::AlignBottom, line);
        };
        const auto breakPage = [&] {
            finishPage();
            if (painter && !device->newPage())
                return false;
            ++page;
            return true;
        };
        reporttable::RowPainter rows(shape, *device, painter, pageHeight, breakPage);
        top.draw(painter, 0, pageHeight);
        // Headings that leave no room for rows have the first page to themselves.
        if (top.height() > pageHeight * 0.8) {
            if (!breakPage())
                return -1;
            rows.start(0);
        } else {
            rows.start(top.height());
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(select)) {
            readFailure(q.lastError().text());
            return -1;
        }
        while (q.next()) {
            if (!rows.row(readRow(q)))
                return -1;
        }
        if (q.lastError().isValid()) {
            readFailure(q.lastError().text());
            return -1;
        }
        double y = rows.y();
        if (!bottom.empty && bottom.height() > rows.room()) {
            if (!breakPage())
                return -1;
            y = 0;
        }
        bottom.draw(painter, y, pageHeight - y);
        finishPage();
        return page;
    };

    // A read failure keeps its own message; the output is dropped either way.
    const auto abandon = [&] {
        const ReportError kept = error_;
        const QString text = errorText_;
        outputFailed(target, device);
        return kept == ReportError::None ? false : fail(kept, text);
    };
    int pages = 0;
    if (footer.contains(QLatin1String("{pages}")) && (pages = pass(nullptr, 0)) < 0)
        return abandon();
    QPainter painter;
    if (!painter.begin(device.get()))
        return outputFailed(target, device);
    const int painted = pass(&painter, pages);
    if (!painter.end() || painted < 0)
        return abandon();
    return true;
}

bool ReportEngine::printInParts(const ReportRequest &request, const QSqlDatabase &db, const ReportTarget &target,
                                int rowsPerPart)
{
    clearError();
    if (const auto shape = tableShape(request.templateName))
        return printTable(*shape, request, db, target);
    if (error_ != ReportError::None)
        return false;
    const auto counted = countRows(db, request.allowEmpty);
    if (!counted)
        return false;
    const qlonglong total = *counted;
    rowsPerPart = qMax(1, rowsPerPart);

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM Tab_Report ORDER BY ID").arg(columnList(true))))
        return readFailure(q.lastError().text());
    const auto nextPart = [&](QVector<ReportRow> *rows) {
        rows->clear();
        while (rows->size() < rowsPerPart && q.next())
            *rows << readRow(q);
    };

    // The page of the template's first part decides the layout of all.
    QVector<ReportRow> part;
    nextPart(&part);
    ReportRequest req = request;
    req.allowEmpty = true;
    req.values.insert(QStringLiteral("totalRows"), QString::number(total));
    const auto renderPart = [&](bool first, bool last) {
        req.values.insert(QStringLiteral("firstPart"), first ? QStringLiteral("S") : QString());
        req.values.insert(QStringLiteral("lastPart"), last ? QStringLiteral("S") : QString());
        return render(req, part);
    };
    qlonglong done = part.size();
    QString html = renderPart(true, done >= total);
    if (error_ != ReportError::None)
        return false;

    auto device = openOutput(target, layoutFor(pageSpec(html)), request.title);
    if (!device)
        return false;
    QPainter painter;
    if (!painter.begin(device.get()))
        return outputFailed(target, device);
    int page = 0;
    bool first = true;
    for (;;) {
        if (!paintPart(html, *device, painter, first, &page, false)) {
            painter.end();
            return outputFailed(target, device);
        }
        first = false;
        if (done >= total)
            break;
        nextPart(&part);
        if (part.isEmpty())
            break;
        done += part.size();
        html = renderPart(false, done >= total);
        if (error_ != ReportError::None) {
            painter.end();
            const ReportError kept = error_;
            const QString text = errorText_;
            outputFailed(target, device);
            return fail(kept, text);
        }
    }
    if (!painter.end())
        return outputFailed(target, device);
    return true;
}

bool replaceReportRows(QSqlDatabase db, const QVector<ReportRow> &rows, QString *error,
                       const std::function<bool(int)> &progress)
{
    auto failWith = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!db.isOpen())
        return failWith(QStringLiteral("archivio non aperto"));
    for (const ReportRow &row : rows) {
        if (row.size() > kReportColumns)
            return failWith(QStringLiteral("troppi campi per Tab_Report: %1").arg(row.size()));
    }

    TransactionGuard tx(db);
    if (!tx.active())
        return failWith(db.lastError().text());
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("DELETE FROM Tab_Report")))
        return failWith(q.lastError().text());

    // ID is left to the table's own numbering, so the rows keep their order.
    QStringList marks(kReportColumns, QStringLiteral("?"));
    if (!q.prepare(QStringLiteral("INSERT INTO Tab_Report (%1) VALUES (%2)").arg(columnList(false), marks.join(QLatin1Char(',')))))
        return failWith(q.lastError().text());
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < kReportColumns; ++c) {
            const ReportRow &row = rows.at(i);
            // Unused columns stay Null rather than empty texts, as the table
            // fillers of the other reports leave them.
            q.bindValue(c, c < row.size() ? QVariant(row.at(c)) : QVariant(QMetaType(QMetaType::QString)));
        }
        if (!q.exec())
            return failWith(q.lastError().text());
        if (progress && !progress(i + 1))
            return failWith(kReportCancelled);
    }
    if (!tx.commit())
        return failWith(db.lastError().text());
    return true;
}

} // namespace nimbo
