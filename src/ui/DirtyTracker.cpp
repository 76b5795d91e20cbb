#include "ui/DirtyTracker.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "platform/Dialogs.h"

namespace nimbo::ui {

const QString DirtyTracker::kQuestion =
    QStringLiteral("I dati inseriti non sono stati registrati e andranno persi. Si desidera continuare?");

void DirtyTracker::watch(QWidget *root)
{
    const auto mark = [this] { dirty_ = true; };
    for (QLineEdit *e : root->findChildren<QLineEdit *>()) {
        // The editor inside a combo box reports through the combo.
        if (qobject_cast<QComboBox *>(e->parentWidget()))
            continue;
        connect(e, &QLineEdit::textEdited, this, mark);
    }
    for (QAbstractButton *b : root->findChildren<QAbstractButton *>())
        if (b->isCheckable())
            connect(b, &QAbstractButton::clicked, this, mark);
    for (QComboBox *c : root->findChildren<QComboBox *>())
        connect(c, &QComboBox::activated, this, mark);
    // Text boxes tell no difference between typing and loading: a key press
    // is what counts.
    for (QPlainTextEdit *t : root->findChildren<QPlainTextEdit *>())
        connect(t, &QPlainTextEdit::textChanged, this, [this, t] {
            if (t->hasFocus())
                dirty_ = true;
        });
    for (QTextEdit *t : root->findChildren<QTextEdit *>())
        connect(t, &QTextEdit::textChanged, this, [this, t] {
            if (t->hasFocus())
                dirty_ = true;
        });
}

bool DirtyTracker::confirmDiscard(const QString &title) const
{
    if (!dirty_)
        return true;
    return showBox(title, kQuestion, Icon::Question, Buttons::YesNo) == Answer::Yes;
}

} // namespace nimbo::ui
