#pragma once
// The program's application object. Every event goes through notify(), so
// that is where an exception escaping any event handler (a slot behind a
// button, a timer, a queued call) is trapped: it is reported through the
// central error handler ("GestError.log" and the Abort/Retry/Ignore box)
// instead of ending the program without a trace.

#include <QApplication>

namespace nimbo {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace nimbo
