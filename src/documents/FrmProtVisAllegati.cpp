#include "documents/FrmProtVisAllegati.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPdfDocument>
#include <QPdfView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "documents/Background.h"
#include "documents/Documents.h"
#include "documents/ImageStore.h"
#include "platform/Dialogs.h"
#include "platform/ReportEngine.h"
#include "session/DicAmbiente.h"
#include "ui/ReportOutput.h"

namespace nimbo::documents {

namespace {
const QString kTitle = QStringLiteral("Visualizzazione Allegato");
ExternalOpener g_opener;

// Texts up to this size are previewed; a larger log opens outside.
constexpr qint64 kTextPreviewLimit = 4 * 1024 * 1024;

FrmProtVisAllegati::Kind kindOf(const QString &file, const QByteArray &head)
{
    const QMimeType mime = QMimeDatabase().mimeTypeForFileNameAndData(file, head);
    if (mime.inherits(QStringLiteral("application/pdf")))
        return FrmProtVisAllegati::Kind::Pdf;
    if (mime.name().startsWith(QLatin1String("image/")) && !QImageReader::imageFormat(file).isEmpty())
        return FrmProtVisAllegati::Kind::Image;
    if (mime.inherits(QStringLiteral("text/plain")) && QFileInfo(file).size() <= kTextPreviewLimit)
        return FrmProtVisAllegati::Kind::Text;
    return FrmProtVisAllegati::Kind::External;
}
} // namespace

void setExternalOpener(ExternalOpener opener) { g_opener = std::move(opener); }

bool openExternally(const QUrl &url) { return g_opener ? g_opener(url) : QDesktopServices::openUrl(url); }

FrmProtVisAllegati::FrmProtVisAllegati(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmProtVisAllegati"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    lblPreview_ = new QLabel(QStringLiteral("Preview Allegato    (doppio click per visualizzazione completa)"), this);
    lblPreview_->setObjectName(QStringLiteral("lblPreview"));
    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("WebBrowser"));
    image_ = new QLabel;
    image_->setObjectName(QStringLiteral("imgAnteprima"));
    image_->setAlignment(Qt::AlignCenter);
    auto *imageArea = new QScrollArea;
    imageArea->setWidget(image_);
    imageArea->setAlignment(Qt::AlignCenter);
    pdf_ = new QPdfDocument(this);
    auto *pdfView = new QPdfView;
    pdfView->setObjectName(QStringLiteral("pdfAnteprima"));
    pdfView->setDocument(pdf_);
    pdfView->setPageMode(QPdfView::PageMode::MultiPage);
    pdfView->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    pdfView_ = pdfView;
    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("txtAnteprima"));
    text_->setReadOnly(true);
    other_ = new QLabel;
    other_->setObjectName(QStringLiteral("lblEsterno"));
    other_->setAlignment(Qt::AlignCenter);
    other_->setWordWrap(true);
    for (QWidget *w : {static_cast<QWidget *>(other_), static_cast<QWidget *>(imageArea), pdfView_,
                       static_cast<QWidget *>(text_)})
        stack_->addWidget(w);
    for (QWidget *w : {static_cast<QWidget *>(imageArea->viewport()), pdfView->viewport(), text_->viewport(),
                       static_cast<QWidget *>(other_)})
        w->installEventFilter(this);

    cmdStampa_ = new QPushButton(QStringLiteral("Stampa"), this);
    cmdStampa_->setObjectName(QStringLiteral("cmdStampa"));
    cmdEsci_ = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("cmdEsci"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdStampa_);
    bottom->addStretch();
    bottom->addWidget(cmdEsci_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblPreview_);
    layout->addWidget(stack_, 1);
    layout->addLayout(bottom);
    connect(cmdStampa_, &QPushButton::clicked, this, &FrmProtVisAllegati::print);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    cmdStampa_->setEnabled(false);
}

FrmProtVisAllegati::~FrmProtVisAllegati()
{
    pdf_->close();
    removeWorkFiles(files_);
}

QSize FrmProtVisAllegati::sizeHint() const { return QSize(760, 600).expandedTo(minimumSizeHint()); }

int FrmProtVisAllegati::pdfPages() const { return pdf_->pageCount(); }

void FrmProtVisAllegati::release()
{
    pdf_->close();
    removeWorkFiles(files_);
    files_.clear();
    file_.clear();
    kind_ = Kind::None;
}

bool FrmProtVisAllegati::showFile(const QString &path)
{
    release();
    files_ << path;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        showBox(kTitle, QStringLiteral("Impossibile leggere il file ") + QFileInfo(path).fileName(), Icon::Critical);
        return false;
    }
    const QByteArray head = in.read(4096);
    in.close();
    file_ = path;
    preview(head);
    return true;
}

bool FrmProtVisAllegati::setAttachment(qlonglong id, const QString &storedName)
{
    release();
    // The stored name is the sender's: it only names a new file of our
    // folder. Listed before it is written, so that it goes with the window
    // whatever happens.
    const QString ente = DicAmbiente::session().op.ente;
    const QString file = freePath(workFolder(), safeFileName(storedName));
    files_ << file;
    // The read, the unzip and the copy run aside: a large attachment takes
    // seconds, and the window repaints meanwhile. Only the head comes back,
    // to tell what kind of file it is.
    QByteArray head;
    const Outcome o = runInBackground(
        this, QStringLiteral("Attendere.lettura su remoto in corso"), QStringLiteral("prgLettura"),
        [ente, id, file, &head](const Progress &progress) {
            QByteArray data;
            const Outcome read = readAttachment(ente, id, &data, QStringLiteral(" - Preview Allegati"), progress);
            head = data.left(4096);
            return keepInWorkFile(read, data, file, true);
        },
        QStringLiteral("OLE - Protocollo Email"));
    if (!o.ok) {
        showBox(kTitle, o.text, o.refused || o.enciphered ? Icon::Warning : Icon::Critical);
        return false;
    }
    file_ = file;
    preview(head);
    return true;
}

void FrmProtVisAllegati::preview(const QByteArray &head)
{
    setWindowTitle(kTitle + QStringLiteral(" - ") + QFileInfo(file_).fileName());
    kind_ = kindOf(file_, head);
    switch (kind_) {
    case Kind::Pdf:
        if (pdf_->load(file_) == QPdfDocument::Error::None) {
            stack_->setCurrentWidget(pdfView_);
            break;
        }
        kind_ = Kind::External;
        [[fallthrough]];
    case Kind::External:
    case Kind::None:
        stack_->setCurrentWidget(other_);
        other_->setText(QStringLiteral("Anteprima non disponibile per ") + QFileInfo(file_).fileName()
                        + QStringLiteral(": il file è aperto con il programma del sistema."));
        openExternally(QUrl::fromLocalFile(file_));
        break;
    case Kind::Image: {
        const QImage img(file_);
        image_->setPixmap(QPixmap::fromImage(img.width() > 1600 ? img.scaledToWidth(1600, Qt::SmoothTransformation) : img));
        image_->adjustSize();
        stack_->setCurrentIndex(1);
        break;
    }
    case Kind::Text: {
        QFile in(file_);
        const QByteArray data = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        auto decode = QStringDecoder(QStringDecoder::Utf8);
        QString t = decode(data);
        if (decode.hasError())
            t = QString::fromLatin1(data);
        text_->setPlainText(t);
        stack_->setCurrentWidget(text_);
        break;
    }
    }
    cmdStampa_->setEnabled(kind_ == Kind::Image || kind_ == Kind::Pdf || kind_ == Kind::Text);
}

bool FrmProtVisAllegati::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && !file_.isEmpty()) {
        openExternally(QUrl::fromLocalFile(file_));
        return true;
    }
    return ChildWindow::eventFilter(watched, event);
}

void FrmProtVisAllegati::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmProtVisAllegati::print()
{
    const auto target = ReportOutput::choose(kTitle, QFileInfo(file_).completeBaseName() + QStringLiteral(".pdf"));
    if (!target)
        return;
    QString html = QStringLiteral("<html><body>");
    if (kind_ == Kind::Text) {
        html += QStringLiteral("<pre>") + text_->toPlainText().toHtmlEscaped() + QStringLiteral("</pre>");
    } else if (kind_ == Kind::Image) {
        html += QStringLiteral("<img src=\"%1\" width=\"600\">").arg(QUrl::fromLocalFile(file_).toString());
    } else if (kind_ == Kind::Pdf) {
        for (int p = 0; p < pdf_->pageCount(); ++p) {
            const QSizeF pt = pdf_->pagePointSize(p);
            const QImage img = pdf_->render(p, (pt * 150.0 / 72.0).toSize());
            const QString png = file_ + QStringLiteral(".p%1.png").arg(p + 1);
            img.save(png, "PNG");
            files_ << png;
            html += QStringLiteral("<p%1><img src=\"%2\" width=\"600\"></p>")
                        .arg(p > 0 ? QStringLiteral(" style=\"page-break-before: always\"") : QString(),
                             QUrl::fromLocalFile(png).toString());
        }
    }
    html += QStringLiteral("</body></html>");
    ReportEngine engine(DicAmbiente::session().cfg.report);
    if (!engine.printHtml(html, windowTitle(), *target))
        showBox(kTitle, engine.lastErrorText(), Icon::Critical);
}

} // namespace nimbo::documents
