#pragma once
// Heavy document work (zipping, storing or reading tens of megabytes) run
// on a thread of its own, so that the window keeps repainting and the
// operator sees the progress instead of a frozen program.

#include <QString>
#include <functional>

#include "documents/ImageStore.h"

class QWidget;

namespace nimbo::documents {

// The work handed to runInBackground: it runs on the worker thread and
// reports its steps through the Progress it is given (any thread may call
// it; the dialog is updated on the window's thread).
using Work = std::function<Outcome(const Progress &)>;

// Runs work on a new thread while the window's event loop keeps turning,
// with a window-modal progress dialog named dialogName over window and the
// busy state (wait text, request title) set meanwhile; returns when the work
// has ended, with its outcome. The work must not touch widgets, the busy
// state or a database connection of the window's thread: the image store's
// functions open their own connections there, and every connection the
// worker opened through the pool is closed on the worker before it ends.
Outcome runInBackground(QWidget *window, const QString &label, const QString &dialogName, const Work &work,
                        const QString &requestTitle = {});

// Whether the caller runs on the application's (GUI) thread.
bool onGuiThread();

} // namespace nimbo::documents
