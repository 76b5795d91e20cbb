#include "documents/Background.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QThread>
#include <QWidget>
#include <memory>

#include "data/ConnectionPool.h"
#include "platform/Busy.h"

namespace nimbo::documents {

namespace {

// Keeps the progress dialog up until the work ends: closed early, it would
// hand the window back to the operator, who could close it under the work.
class HoldOpen : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

Outcome runInBackground(QWidget *window, const QString &label, const QString &dialogName, const Work &work,
                        const QString &requestTitle)
{
    busy::Guard guard;
    busy::setWaitText(label);
    busy::setRequestTitle(requestTitle);
    struct Clear {
        ~Clear()
        {
            busy::setWaitText({});
            busy::setRequestTitle({});
        }
    } clear;

    QProgressDialog progress(label, QString(), 0, 0, window);
    progress.setObjectName(dialogName);
    if (window)
        progress.setWindowTitle(window->windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    HoldOpen hold;
    progress.installEventFilter(&hold);
    progress.setValue(0);
    progress.show();

    // Steps come from the worker; the dialog is changed on its own thread.
    // Steps still queued when the dialog goes are dropped with it.
    const Progress report = [&progress](int done, int total) {
        QMetaObject::invokeMethod(
            &progress,
            [&progress, done, total] {
                progress.setMaximum(total);
                progress.setValue(done);
            },
            Qt::QueuedConnection);
    };

    Outcome result;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        result = work(report);
        // Qt's connections belong to the thread that opened them.
        ConnectionPool::closeAll();
    }));
    // Queued to this thread, so a worker that ends before the loop starts
    // still ends it.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    progress.reset();
    return result;
}

} // namespace nimbo::documents
