#include "ui/NothingFound.h"

#include <QWidget>

#include "platform/Dialogs.h"
#include "ui/ChildWindow.h"

namespace nimbo::ui {

void tellNothingFound(const QWidget *where, const QString &text)
{
    // Inside the main window, window() is the main window: the box is
    // titled as the child window the clerk searched in.
    QString title;
    for (const QWidget *w = where; w && title.isEmpty(); w = w->parentWidget())
        if (qobject_cast<const ChildWindow *>(w) || w->isWindow())
            title = w->windowTitle();
    showBox(title, text, Icon::Information);
}

} // namespace nimbo::ui
