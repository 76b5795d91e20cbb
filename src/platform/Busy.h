#pragma once
// The busy state: hourglass pointer, wait text and the title of a pending
// server request ("OLE - Protocollo Documenti"). All of it goes through here
// so that windows stay simple and tests can see it.

#include <QString>
#include <functional>

namespace nimbo::busy {

void begin();                         // hourglass on (nested calls count)
void end();                           // one level off
void reset();                         // normal pointer, whatever the depth
bool active();
int depth();

void setWaitText(const QString &text); // empty text hides it
QString waitText();
void setRequestTitle(const QString &title);
QString requestTitle();

// Told after every change of the depth or of the wait text, so that the
// main window's status bar can show "Attesa" and the text while the work
// runs. The id is for removeListener().
int addListener(std::function<void()> listener);
void removeListener(int id);

// RAII frame for a long operation.
class Guard {
public:
    Guard() { begin(); }
    ~Guard() { end(); }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;
};

} // namespace nimbo::busy
