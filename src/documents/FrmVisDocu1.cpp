#include "documents/FrmVisDocu1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "documents/Documents.h"
#include "documents/ImageStore.h"
#include "documents/PageView.h"
#include "platform/Dialogs.h"
#include "platform/ReportEngine.h"
#include "platform/Scanner.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/ReportOutput.h"

namespace nimbo::documents {

namespace {
const QString kTitle = QStringLiteral("Visualizza il documento Scannerizzato");

QPushButton *button(const char *caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
} // namespace

FrmVisDocu1::FrmVisDocu1(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmVisDocu1"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));

    lblTitolo_ = new QLabel(QStringLiteral("Immagine documento Protocollo N."), this);
    lblTitolo_->setObjectName(QStringLiteral("lblTitolo"));
    QFont f = lblTitolo_->font();
    f.setBold(true);
    lblTitolo_->setFont(f);

    controls_ = new QWidget(this);
    auto *pages = new ui::FormGroup(QStringLiteral("Pagine"), controls_);
    lblPagine_ = new QLabel(pages);
    lblPagine_->setObjectName(QStringLiteral("lblNumPagine"));
    txtPagina_ = new QSpinBox(pages);
    txtPagina_->setObjectName(QStringLiteral("txtPagina"));
    txtPagina_->setRange(0, 0);
    cmdPrec_ = button("Pagina Prec.", "cmdPrec", pages);
    cmdSucc_ = button("Pagina Succ.", "cmdSucc", pages);
    cboZoom_ = new QComboBox(pages);
    cboZoom_->setObjectName(QStringLiteral("cboZoom"));
    for (int z : zoomSteps())
        cboZoom_->addItem(QStringLiteral("%1%").arg(z), z);
    cboZoom_->setCurrentIndex(1);
    cmdEspandi_ = button("Espandi", "cmdEspandi", pages);
    pages->addRow(QStringLiteral("Num. Pagine documento:"), {lblPagine_, QStringLiteral("Pagina"), txtPagina_, cmdPrec_,
                                                             cmdSucc_, QStringLiteral("Zoom"), cboZoom_, cmdEspandi_});

    auto *print = new ui::FormGroup(QStringLiteral("Stampa"), controls_);
    txtDa_ = new QLineEdit(print);
    txtDa_->setObjectName(QStringLiteral("txtDa"));
    txtA_ = new QLineEdit(print);
    txtA_->setObjectName(QStringLiteral("txtA"));
    for (QLineEdit *e : {txtDa_, txtA_})
        e->setMaximumWidth(ui::fieldWidth(e, 5));
    cmdStampa_ = button("Stampa", "cmdStampa", print);
    cmdSalva_ = button("Salva su disco", "cmdSalva", print);
    print->addRow(QStringLiteral("Dalla pagina"), {txtDa_, QStringLiteral("alla pagina"), txtA_, cmdStampa_, cmdSalva_});
    auto *cl = new QVBoxLayout(controls_);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addWidget(pages);
    cl->addWidget(print);

    view_ = new PageView(this);
    cmdEsci_ = button("Esci", "cmdEsci", this);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdEsci_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitolo_);
    layout->addWidget(controls_);
    layout->addWidget(view_, 1);
    layout->addLayout(bottom);

    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(cmdPrec_, &QPushButton::clicked, this, [this] { txtPagina_->setValue(txtPagina_->value() - 1); });
    connect(cmdSucc_, &QPushButton::clicked, this, [this] { txtPagina_->setValue(txtPagina_->value() + 1); });
    connect(txtPagina_, &QSpinBox::valueChanged, this, [this](int p) { view_->showPage(p); });
    connect(view_, &PageView::pageShown, this, &FrmVisDocu1::shown);
    connect(cboZoom_, &QComboBox::currentIndexChanged, this,
            [this] { view_->setZoom(cboZoom_->currentData().toInt()); });
    connect(cmdEspandi_, &QPushButton::clicked, this, [this] {
        // Enlarges the viewing area by folding the print controls away.
        const bool expand = cmdEspandi_->text() == QLatin1String("Espandi");
        for (ui::FormGroup *w : controls_->findChildren<ui::FormGroup *>(QString(), Qt::FindDirectChildrenOnly))
            if (w->title() == QLatin1String("Stampa"))
                w->setVisible(!expand);
        cmdEspandi_->setText(expand ? QStringLiteral("Comprimi") : QStringLiteral("Espandi"));
    });
    connect(cmdStampa_, &QPushButton::clicked, this, &FrmVisDocu1::printRange);
    connect(cmdSalva_, &QPushButton::clicked, this, &FrmVisDocu1::saveCopy);
    view_->setZoom(cboZoom_->currentData().toInt());
    shown(0);
}

FrmVisDocu1::~FrmVisDocu1() { removeWorkFiles(files_); }

QSize FrmVisDocu1::sizeHint() const { return QSize(900, 660).expandedTo(minimumSizeHint()); }

int FrmVisDocu1::pageCount() const { return view_->pageCount(); }
int FrmVisDocu1::currentPage() const { return view_->currentPage(); }

bool FrmVisDocu1::setProtocol(const QString &direction, const QString &number)
{
    number_ = number;
    const QString caption = std::exchange(caption_, QString());
    lblTitolo_->setText(QStringLiteral("Immagine documento ")
                        + (caption.isEmpty() ? QStringLiteral("Protocollo N. ") + shownNumber(number) : caption));
    removeWorkFiles(files_);
    files_.clear();
    view_->clear();
    const QString file =
        workFolder() + QStringLiteral("/Visu_%1_%2.tif").arg(number).arg(QCoreApplication::applicationPid());
    // Listed before it is written, so that it goes with the window whatever happens.
    files_ << file;
    const QString local = std::exchange(localStore_, QString());
    const Protocol p{local.isEmpty() ? DicAmbiente::session().op.ente : local, direction, number, !local.isEmpty()};
    const Outcome o = readImageAside(this, p, file);
    if (!o.ok) {
        showBox(kTitle, o.none ? QStringLiteral("Non vi sono documenti scannerizzati per il protocollo in esame")
                               : o.text,
                o.refused || o.enciphered ? Icon::Warning : Icon::Critical);
        shown(0);
        return false;
    }
    work_ = file;
    view_->load(work_);
    txtPagina_->setRange(view_->pageCount() > 0 ? 1 : 0, view_->pageCount());
    txtDa_->setText(QStringLiteral("1"));
    txtA_->setText(QString::number(view_->pageCount()));
    shown(view_->currentPage());
    return view_->pageCount() > 0;
}

void FrmVisDocu1::shown(int page)
{
    const int n = view_->pageCount();
    lblPagine_->setText(QString::number(n));
    if (page > 0 && txtPagina_->value() != page)
        txtPagina_->setValue(page);
    cmdPrec_->setEnabled(page > 1);
    cmdSucc_->setEnabled(page > 0 && page < n);
    cmdStampa_->setEnabled(n > 0);
    cmdSalva_->setEnabled(n > 0);
}

void FrmVisDocu1::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmVisDocu1::printRange()
{
    const QString bad = checkPageRange(txtDa_->text(), txtA_->text(), view_->pageCount());
    if (!bad.isEmpty()) {
        showBox(kTitle, bad, Icon::Warning);
        return;
    }
    const auto target = ReportOutput::choose(kTitle, QStringLiteral("Prot_") + number_ + QStringLiteral(".pdf"));
    if (!target)
        return;
    // Each page as an image the report printer lays out one to a sheet.
    QString html = QStringLiteral("<html><body>");
    const int from = txtDa_->text().trimmed().toInt(), to = txtA_->text().trimmed().toInt();
    for (int p = from; p <= to; ++p) {
        const QString png = workFolder() + QStringLiteral("/Stampa_%1_%2_%3.png")
                                               .arg(number_).arg(QCoreApplication::applicationPid()).arg(p);
        files_ << png;
        if (!scanner::page(work_, p).save(png, "PNG")) {
            showBox(kTitle, QStringLiteral("Impossibile scrivere il file ") + png, Icon::Critical);
            return;
        }
        html += QStringLiteral("<p align=\"center\"%1><img src=\"%2\" width=\"600\"></p>")
                    .arg(p > from ? QStringLiteral(" style=\"page-break-before: always\"") : QString(),
                         QUrl::fromLocalFile(png).toString());
    }
    html += QStringLiteral("</body></html>");
    ReportEngine engine(DicAmbiente::session().cfg.report);
    if (!engine.printHtml(html, lblTitolo_->text(), *target))
        showBox(kTitle, engine.lastErrorText(), Icon::Critical);
}

void FrmVisDocu1::saveCopy()
{
    const QString suggested = QDir::homePath() + QStringLiteral("/Prot_") + number_ + QStringLiteral(".tif");
    QString path = dialogs().saveFileName(QStringLiteral("Salva su disco"), suggested, QStringLiteral("TIFF (*.tif)"));
    if (path.trimmed().isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive))
        path += QStringLiteral(".tif");
    QFile::remove(path);
    if (!QFile::copy(work_, path)) {
        showBox(kTitle, QStringLiteral("Impossibile scrivere il file ") + path, Icon::Critical);
        return;
    }
    showBox(kTitle, QStringLiteral("Registrazione effettuata"));
}

} // namespace nimbo::documents
