#pragma once
// The test double of the message boxes: records every box shown and answers
// from a queue (Ok, or the first button's natural answer, when empty).

#include <QList>
#include <QStringList>

#include "platform/Dialogs.h"

namespace nimbo::test {

struct ShownBox {
    QString title;
    QString text;
    Icon icon;
    Buttons buttons;
};

class ScriptedDialogs : public Dialogs {
public:
    ScriptedDialogs() { setDialogs(this); }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    Answer message(const QString &title, const QString &text, Icon icon, Buttons buttons) override
    {
        shown.append({title, text, icon, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        switch (buttons) {
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::Yes;
        case Buttons::AbortRetryIgnore: return Answer::Ignore;
        case Buttons::RetryCancel: return Answer::Cancel;
        default: return Answer::Ok;
        }
    }
    QString openFileName(const QString &, const QString &, const QString &) override
    {
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString saveFileName(const QString &, const QString &, const QString &) override
    {
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    QStringList texts() const
    {
        QStringList out;
        for (const auto &b : shown)
            out << b.text;
        return out;
    }
    void clear() { shown.clear(); }

    QList<ShownBox> shown;
    QList<Answer> answers;
    QStringList files;
};

} // namespace nimbo::test
