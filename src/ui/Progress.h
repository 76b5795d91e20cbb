#pragma once
// Progress of a long piece of work that the operator may stop: a bar with
// an "Annulla" button, shown only when the work lasts longer than a second.
// The work calls step() as it goes; a false answer means the operator
// pressed "Annulla" and the work must stop and undo what it began.

#include <QPointer>
#include <QString>
#include <functional>

class QProgressDialog;
class QWidget;

namespace nimbo::ui {

class Progress {
public:
    Progress(QWidget *parent, const QString &label, int total);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // A new stage of the same work ("Scrittura del foglio ..."), counted anew.
    void stage(const QString &label, int total);
    // done of the stage's total; false once the operator has cancelled.
    bool step(int done);
    bool cancelled() const;

    // Tests: called at every step with the dialog (to press its button).
    static void setStepHook(std::function<void(QProgressDialog *)> hook);

private:
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

} // namespace nimbo::ui
