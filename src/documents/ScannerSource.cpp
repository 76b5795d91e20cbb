#include "documents/ScannerSource.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/Scanner.h"

namespace nimbo::documents {

namespace {
const QString kTitle = QStringLiteral("Elenco Scanner Attivi");
QString g_preferred;
} // namespace

QString preferredScanner() { return g_preferred; }

ScannerSource::ScannerSource(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("ScannerSource"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("LwScanner"));
    lblScelto_ = new QLabel(this);
    lblScelto_->setObjectName(QStringLiteral("lblScelto"));
    cmdAggiorna_ = new QPushButton(QStringLiteral("Aggiorna"), this);
    cmdAggiorna_->setObjectName(QStringLiteral("cmdAggiorna"));
    cmdSeleziona_ = new QPushButton(QStringLiteral("Seleziona"), this);
    cmdSeleziona_->setObjectName(QStringLiteral("cmdSeleziona"));
    cmdEsci_ = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("cmdEsci"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdAggiorna_);
    bottom->addWidget(cmdSeleziona_);
    bottom->addStretch();
    bottom->addWidget(cmdEsci_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(lblScelto_);
    layout->addLayout(bottom);
    connect(cmdAggiorna_, &QPushButton::clicked, this, &ScannerSource::refresh);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(cmdSeleziona_, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem *i = list_->currentItem()) {
            g_preferred = i->data(Qt::UserRole).toString();
            lblScelto_->setText(QStringLiteral("Scanner in uso: ") + i->text());
        }
    });
    refresh();
}

void ScannerSource::refresh()
{
    list_->clear();
    QString why;
    QVector<scanner::Device> found;
    {
        busy::Guard guard;
        found = scanner::devices(&why);
    }
    for (const scanner::Device &d : found) {
        auto *item = new QListWidgetItem(d.label(), list_);
        item->setData(Qt::UserRole, d.name);
        if (d.name == g_preferred)
            list_->setCurrentItem(item);
    }
    cmdSeleziona_->setEnabled(!found.isEmpty());
    lblScelto_->setText(found.isEmpty() ? why : QString());
    if (found.isEmpty())
        showBox(kTitle, why, Icon::Warning);
}

void ScannerSource::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::documents
