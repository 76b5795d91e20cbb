#include "documents/Documents.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>

#include "documents/Background.h"
#include "documents/FrmDettaglioProtocollo.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmProtVisAllegati.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "documents/ScannerSource.h"
#include "platform/Scanner.h"
#include "ui/WindowRegistry.h"

namespace nimbo::documents {

namespace {

// The scanner's settings asked before a scan when the workstation wants it.
bool askSettings(const scanner::SetupChoices &c, scanner::Settings *s)
{
    QDialog d;
    d.setObjectName(QStringLiteral("dlgImpostazioniScanner"));
    d.setWindowTitle(QStringLiteral("Impostazioni scanner - ") + c.device.label());
    auto *form = new QFormLayout(&d);
    auto *mode = new QComboBox(&d);
    mode->setObjectName(QStringLiteral("cboModo"));
    mode->addItems(c.modes);
    auto *dpi = new QComboBox(&d);
    dpi->setObjectName(QStringLiteral("cboRisoluzione"));
    for (int r : c.resolutions)
        dpi->addItem(QStringLiteral("%1 dpi").arg(r), r);
    dpi->setCurrentIndex(int(c.resolutions.indexOf(300)));
    form->addRow(QStringLiteral("Modalità"), mode);
    form->addRow(QStringLiteral("Risoluzione"), dpi);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted)
        return false;
    s->mode = mode->currentText();
    s->resolution = dpi->currentData().toInt();
    return true;
}

} // namespace

void removeWorkFiles(const QStringList &files)
{
    for (const QString &f : files) {
        QFile::remove(f);
        QFile::remove(f + QStringLiteral(".scan"));
        QFile::remove(f + QStringLiteral(".new"));
    }
}

QString writeWorkFile(const QString &path, const QByteArray &data, bool fresh)
{
    QFile f(path);
    if (!f.open(fresh ? QIODevice::NewOnly | QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("Impossibile scrivere il file ") + path;
    const bool whole = f.write(data) == data.size() && f.flush();
    f.close();
    if (!whole || f.error() != QFileDevice::NoError) {
        f.remove();
        return QStringLiteral("Impossibile scrivere il file ") + path;
    }
    return {};
}

Outcome keepInWorkFile(const Outcome &read, const QByteArray &data, const QString &path, bool fresh)
{
    if (!read.ok)
        return read;
    const QString failed = writeWorkFile(path, data, fresh);
    if (failed.isEmpty())
        return read;
    Outcome o;
    o.code = QStringLiteral("2");
    o.text = failed;
    return o;
}

Outcome readImageAside(QWidget *window, const Protocol &p, const QString &path)
{
    return runInBackground(
        window, QStringLiteral("Attendere.lettura su remoto in corso"), QStringLiteral("prgLettura"),
        [p, path](const Progress &progress) {
            QByteArray tiff;
            const Outcome read = readImage(p, &tiff, progress);
            return keepInWorkFile(read, tiff, path, false);
        },
        QStringLiteral("OLE - Carica_Documento"));
}

void registerDocumentWindows()
{
    WindowRegistry::add(QStringLiteral("FrmSCAN"), [] { return new FrmSCAN; });
    WindowRegistry::add(QStringLiteral("FrmVisDocu1"), [] { return new FrmVisDocu1; });
    WindowRegistry::add(QStringLiteral("frmProtAllegati"), [] { return new FrmProtAllegati; });
    WindowRegistry::add(QStringLiteral("frmProtVisAllegati"), [] { return new FrmProtVisAllegati; });
    WindowRegistry::add(QStringLiteral("frmDettaglioProtocollo"), [] { return new FrmDettaglioProtocollo; });
    WindowRegistry::add(QStringLiteral("ScannerSource"), [] { return new ScannerSource; });
    scanner::setSetupDialog(askSettings);
}

} // namespace nimbo::documents
