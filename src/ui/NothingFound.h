#pragma once
// A search that finds nothing says so, the same way in every window: an
// information box titled as the window the search was made in, so that a
// clerk never takes an empty list for a search that did not run.

class QString;
class QWidget;

namespace nimbo::ui {

// Shows the text ("Nessun Comune trovato") over the window that holds
// `where` (a child window inside the main window, or a window of its own).
void tellNothingFound(const QWidget *where, const QString &text);

} // namespace nimbo::ui
