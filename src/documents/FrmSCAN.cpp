#include "documents/FrmSCAN.h"

#include <utility>

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>

#include "documents/Background.h"
#include "documents/Documents.h"
#include "documents/ImageStore.h"
#include "documents/PageView.h"
#include "documents/ScannerSource.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/Scanner.h"
#include "session/DicAmbiente.h"
#include "ui/FileDrop.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::documents {

namespace {
const QString kTitle = QStringLiteral("Scannerizzazione Documenti");
}

FrmSCAN::FrmSCAN(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmSCAN"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));

    auto *proto = new ui::FormGroup(QStringLiteral("Protocollo"), this);
    txtAnno_ = new QLineEdit(proto);
    txtAnno_->setObjectName(QStringLiteral("txtAnno"));
    txtNumero_ = new QLineEdit(proto);
    txtNumero_->setObjectName(QStringLiteral("TxtNumero"));
    txtEU_ = new QLineEdit(proto);
    txtEU_->setObjectName(QStringLiteral("TxtEU"));
    for (QLineEdit *e : {txtAnno_, txtNumero_, txtEU_})
        ui::setReadOnly(e);
    txtAnno_->setMaximumWidth(ui::fieldWidth(txtAnno_, 5));
    txtEU_->setMaximumWidth(ui::fieldWidth(txtEU_, 2));
    txtNumero_->setMaximumWidth(ui::fieldWidth(txtNumero_, 9));
    proto->addRow(QStringLiteral("Anno"), {txtAnno_, QStringLiteral("Numero"), txtNumero_, QStringLiteral("Tipo"), txtEU_});

    auto *scan = new ui::FormGroup(QStringLiteral("Acquisizione"), this);
    optNuovo_ = new QRadioButton(QStringLiteral("Crea nuovo file"), scan);
    optNuovo_->setObjectName(QStringLiteral("optNuovo"));
    optAccoda_ = new QRadioButton(QStringLiteral("Accoda a file esistente"), scan);
    optAccoda_->setObjectName(QStringLiteral("optAccoda"));
    optNuovo_->setChecked(true);
    scan->addRow(QStringLiteral("Immagine"), {optNuovo_, optAccoda_});
    cboScanner_ = new QComboBox(scan);
    cboScanner_->setObjectName(QStringLiteral("cboScanner"));
    txtPagine_ = new QSpinBox(scan);
    txtPagine_->setObjectName(QStringLiteral("txtPagine"));
    txtPagine_->setRange(1, 500);
    scan->addRow(QStringLiteral("Scanner"), {{cboScanner_, 1}, QStringLiteral("Pagine da acquisire"), txtPagine_});

    auto *show = new ui::FormGroup(QStringLiteral("Visualizzazione"), this);
    cboPagina_ = new QSpinBox(show);
    cboPagina_->setObjectName(QStringLiteral("cboPagina"));
    cboPagina_->setRange(0, 0);
    lblPagine_ = new QLabel(show);
    lblPagine_->setObjectName(QStringLiteral("lblPagine"));
    cboZoom_ = new QComboBox(show);
    cboZoom_->setObjectName(QStringLiteral("cboZoom"));
    for (int z : zoomSteps())
        cboZoom_->addItem(QStringLiteral("%1%").arg(z), z);
    cboZoom_->setCurrentIndex(1);
    show->addRow(QStringLiteral("Visualizza pagina n."), {cboPagina_, lblPagine_, QStringLiteral("Zoom"), cboZoom_});

    view_ = new PageView(this);
    lblStato_ = new QLabel(this);
    lblStato_->setObjectName(QStringLiteral("lblStato"));

    auto *buttons = new QHBoxLayout;
    const char *captions[4] = {"Esci", "Avvia Scansione", "Registra", "Seleziona Scanner"};
    for (int i = 0; i < 4; ++i) {
        cmd_[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        cmd_[i]->setObjectName(QStringLiteral("cmdBottoni_%1").arg(i));
    }
    buttons->addWidget(cmd_[3]);
    buttons->addWidget(cmd_[1]);
    buttons->addWidget(cmd_[2]);
    buttons->addStretch();
    buttons->addWidget(cmd_[0]);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(proto);
    layout->addWidget(scan);
    layout->addWidget(show);
    layout->addWidget(view_, 1);
    layout->addWidget(lblStato_);
    layout->addLayout(buttons);

    connect(cmd_[0], &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(cmd_[1], &QPushButton::clicked, this, &FrmSCAN::startScan);
    connect(cmd_[2], &QPushButton::clicked, this, &FrmSCAN::store);
    connect(cmd_[3], &QPushButton::clicked, this, &FrmSCAN::selectScanner);
    connect(cboPagina_, &QSpinBox::valueChanged, this, [this](int p) { view_->showPage(p); });
    connect(cboZoom_, &QComboBox::currentIndexChanged, this,
            [this] { view_->setZoom(cboZoom_->currentData().toInt()); });
    view_->setZoom(cboZoom_->currentData().toInt());
    cmd_[2]->setEnabled(false);
    ui::acceptFileDrops(this, [this](const QStringList &paths) {
        if (paths.size() > 1)
            showBox(kTitle, QStringLiteral("Trascinare un solo documento alla volta."), Icon::Warning);
        else
            loadFile(paths.first());
    });
}

bool FrmSCAN::loadFile(const QString &path)
{
    if (number_.isEmpty())
        return false;
    if (const auto why = ui::refuseDocument(path)) {
        showBox(kTitle, *why, Icon::Warning);
        return false;
    }
    if (ui::fileKind(path) != ui::FileKind::Tiff) {
        showBox(kTitle,
                QStringLiteral("Come documento del protocollo si accettano solo immagini TIFF: i file PDF, PNG e JPEG "
                               "si registrano come allegati."),
                Icon::Warning);
        return false;
    }
    if (const auto big = tooLarge(QFileInfo(path).size())) {
        showBox(kTitle, big->text, Icon::Warning);
        return false;
    }
    QFile::remove(work_);
    if (!QFile::copy(path, work_)) {
        showBox(kTitle, QStringLiteral("Il file %1 non si può leggere.").arg(QFileInfo(path).fileName()), Icon::Warning);
        return false;
    }
    QFile::setPermissions(work_, QFile::ReadOwner | QFile::WriteOwner);
    view_->load(work_);
    showPages();
    if (view_->pageCount() == 0) {
        showBox(kTitle, QStringLiteral("Il file %1 non contiene pagine leggibili.").arg(QFileInfo(path).fileName()),
                Icon::Warning);
        return false;
    }
    cboPagina_->setValue(1);
    status(QStringLiteral("Documento %1 acquisito: %2 pagine.").arg(QFileInfo(path).fileName()).arg(view_->pageCount()));
    return true;
}

FrmSCAN::~FrmSCAN() { removeWorkFiles(files_); }

void FrmSCAN::setProtocol(const QString &direction, const QString &number)
{
    direction_ = direction;
    number_ = number;
    txtAnno_->setText(number.left(4));
    txtNumero_->setText(number.mid(4));
    txtEU_->setText(direction);
    const QString caption = std::exchange(caption_, QString());
    setWindowTitle(kTitle + QStringLiteral(" - ")
                   + (caption.isEmpty() ? QStringLiteral("Protocollo N. ") + shownNumber(number) : caption));
    removeWorkFiles(files_);
    files_.clear();
    work_ = workFolder() + QStringLiteral("/Scan_%1_%2.tif").arg(number).arg(QCoreApplication::applicationPid());
    files_ << work_;
    view_->clear();
    showPages();
}

QSize FrmSCAN::sizeHint() const { return QSize(720, 640).expandedTo(minimumSizeHint()); }

void FrmSCAN::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmSCAN::status(const QString &text)
{
    lblStato_->setText(text);
    busy::setWaitText(text);
}

void FrmSCAN::selectScanner()
{
    QString why;
    QVector<scanner::Device> list;
    {
        busy::Guard guard;
        list = scanner::devices(&why);
    }
    cboScanner_->clear();
    for (const scanner::Device &d : list) {
        cboScanner_->addItem(d.label(), d.name);
        if (d.name == preferredScanner())
            cboScanner_->setCurrentIndex(cboScanner_->count() - 1);
    }
    if (list.isEmpty())
        showBox(kTitle, why, Icon::Warning);
}

void FrmSCAN::startScan()
{
    if (number_.isEmpty())
        return;
    const bool append = optAccoda_->isChecked();
    // Appending starts from the stored image when this window has none yet.
    if (append && view_->pageCount() == 0) {
        const Outcome read = readImageAside(this, {DicAmbiente::session().op.ente, direction_, number_}, work_);
        if (!read.ok && !read.none) {
            showBox(kTitle, read.text, read.refused || read.enciphered ? Icon::Warning : Icon::Critical);
            return;
        }
    }
    scanner::ScanRequest r;
    r.device = cboScanner_->currentData().toString();
    if (r.device.isEmpty())
        r.device = preferredScanner();
    r.pages = txtPagine_->value();
    r.file = work_;
    r.append = append;
    r.showSetup = DicAmbiente::session().cfg.showSetupBeforeScan != 0;

    status(QStringLiteral("Avvio Scansione."));
    QProgressDialog progress(QStringLiteral("Avvio Scansione."), QStringLiteral("Interrompi"), 0, r.pages, this);
    progress.setObjectName(QStringLiteral("prgScansione"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    std::atomic<bool> stop{false};
    connect(&progress, &QProgressDialog::canceled, this, [&stop] { stop = true; });
    scanner::ScanResult result;
    // The scanner works on its own thread, so that the window repaints and
    // shows each page as it comes.
    QEventLoop loop;
    QThread *worker = QThread::create([&] {
        result = scanner::scan(r, [&](int page) {
            QMetaObject::invokeMethod(this, [this, &progress, page] {
                status(QStringLiteral("Scansione pagina %1 effettuata.").arg(page));
                progress.setLabelText(lblStato_->text());
                progress.setValue(page);
            }, Qt::QueuedConnection);
            return !stop.load();
        });
    });
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    QCoreApplication::processEvents();
    progress.reset();
    busy::setWaitText({});
    if (!result.ok) {
        status(result.text);
        showBox(kTitle, result.text, Icon::Warning);
        return;
    }
    status(QStringLiteral("Scansione pagina %1 effettuata.").arg(result.pagesScanned));
    view_->load(work_);
    showPages();
    view_->showPage(view_->pageCount());
    cboPagina_->setValue(view_->pageCount());
}

void FrmSCAN::showPages()
{
    const int n = view_->pageCount();
    cboPagina_->setRange(n > 0 ? 1 : 0, n);
    lblPagine_->setText(QStringLiteral("di %1").arg(n));
    cmd_[2]->setEnabled(n > 0);
}

void FrmSCAN::store()
{
    status(QStringLiteral("Registrazione in corso"));
    // A long scan makes a file of tens of megabytes: it is read, zipped and
    // stored aside while the window repaints.
    const Protocol p{DicAmbiente::session().op.ente, direction_, number_};
    const QString file = work_;
    const Outcome o = runInBackground(this, QStringLiteral("Registrazione in corso"), QStringLiteral("prgRegistra"),
                                      [p, file](const Progress &progress) {
                                          QFile f(file);
                                          QByteArray tiff;
                                          if (f.open(QIODevice::ReadOnly))
                                              tiff = f.readAll();
                                          return storeImage(p, tiff, progress);
                                      });
    busy::setWaitText({});
    lblStato_->clear();
    if (!o.ok) {
        showBox(kTitle, o.text, Icon::Critical);
        return;
    }
    showBox(kTitle, QStringLiteral("Registrazione effettuata"));
}

} // namespace nimbo::documents
