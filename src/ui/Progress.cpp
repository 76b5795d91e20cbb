#include "ui/Progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace nimbo::ui {

namespace {
std::function<void(QProgressDialog *)> &hook()
{
    static std::function<void(QProgressDialog *)> h;
    return h;
}
} // namespace

void Progress::setStepHook(std::function<void(QProgressDialog *)> h) { hook() = std::move(h); }

Progress::Progress(QWidget *parent, const QString &label, int total)
    : dialog_(new QProgressDialog(label, QStringLiteral("Annulla"), 0, qMax(1, total), parent))
{
    dialog_->setObjectName(QStringLiteral("DlgAvanzamento"));
    dialog_->setWindowTitle(QStringLiteral("Attendere"));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(1000);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

Progress::~Progress()
{
    if (dialog_) {
        dialog_->hide();
        delete dialog_;
    }
}

void Progress::stage(const QString &label, int total)
{
    if (!dialog_)
        return;
    dialog_->setLabelText(label);
    dialog_->setMaximum(qMax(1, total));
    dialog_->setValue(0);
}

bool Progress::step(int done)
{
    if (cancelled_ || !dialog_)
        return !cancelled_;
    // setValue lets the dialog show itself once the second has passed and
    // handles the events of a modal dialog, the "Annulla" press among them;
    // between those, the window still repaints now and then.
    if (done % 200 == 0 || done >= dialog_->maximum())
        dialog_->setValue(qMin(done, dialog_->maximum()));
    if (hook())
        hook()(dialog_);
    if (done % 200 == 0 && !dialog_->isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}

bool Progress::cancelled() const { return cancelled_; }

} // namespace nimbo::ui
