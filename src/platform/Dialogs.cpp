#include "platform/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace nimbo {
namespace {

class QtDialogs final : public Dialogs {
public:
    Answer message(const QString &title, const QString &text, Icon icon, Buttons buttons) override
    {
        QMessageBox box;
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        }
        QMessageBox::StandardButtons std;
        switch (buttons) {
        case Buttons::Ok: std = QMessageBox::Ok; break;
        case Buttons::OkCancel: std = QMessageBox::Ok | QMessageBox::Cancel; break;
        case Buttons::YesNo: std = QMessageBox::Yes | QMessageBox::No; break;
        case Buttons::YesNoCancel: std = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
        case Buttons::AbortRetryIgnore: std = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
        case Buttons::RetryCancel: std = QMessageBox::Retry | QMessageBox::Cancel; break;
        }
        box.setStandardButtons(std);
        switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Abort: return Answer::Abort;
        case QMessageBox::Retry: return Answer::Retry;
        case QMessageBox::Ignore: return Answer::Ignore;
        default: return Answer::Cancel;
        }
    }
    QString openFileName(const QString &title, const QString &folder, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
    }
    QString saveFileName(const QString &title, const QString &folder, const QString &filter) override
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter);
    }
};

Dialogs *g_installed = nullptr;

} // namespace

Dialogs &dialogs()
{
    static QtDialogs real;
    return g_installed ? *g_installed : real;
}

void setDialogs(Dialogs *d) { g_installed = d; }

} // namespace nimbo
