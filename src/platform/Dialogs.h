#pragma once
// Every message box, question and file dialog of the program goes through
// this interface, so that tests can install a scripted double that records
// each box and answers from a queue. No window calls QMessageBox directly.

#include <QString>

namespace nimbo {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(const QString &title, const QString &text, Icon icon = Icon::Information,
                           Buttons buttons = Buttons::Ok) = 0;
    // Empty text when the operator cancels.
    virtual QString openFileName(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &folder, const QString &filter) = 0;
};

// The dialogs in force; the QMessageBox-based one unless a test installed its own.
Dialogs &dialogs();
// Installs d (not owned) as the dialogs in force; nullptr restores the real ones.
void setDialogs(Dialogs *d);

// Shortcuts used everywhere.
inline Answer showBox(const QString &title, const QString &text, Icon icon = Icon::Information,
                      Buttons buttons = Buttons::Ok)
{
    return dialogs().message(title, text, icon, buttons);
}

} // namespace nimbo
