#include "ui/TypeAhead.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace nimbo::ui {

TypeAhead::TypeAhead(QLineEdit *field, PickList *list, Search search, PickList::Take take, QObject *parent)
    : QObject(parent ? parent : field), field_(field), list_(list), search_(std::move(search)), take_(std::move(take))
{
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    connect(&pause_, &QTimer::timeout, this, &TypeAhead::searchNow);
    connect(field, &QLineEdit::textEdited, this, &TypeAhead::edited);
    field->installEventFilter(this);
}

bool TypeAhead::listIsOurs() const { return list_ && list_->isVisible() && list_->anchor() == field_; }

void TypeAhead::edited()
{
    ++edits_;
    if (field_->text().trimmed().size() < minimum_) {
        pause_.stop();
        if (shown_ && listIsOurs())
            list_->dismiss();
        shown_ = false;
        return;
    }
    pause_.start();
}

void TypeAhead::cancel()
{
    pause_.stop();
    cancelled_ = ++edits_; // an answer on its way is for an older text now
    shown_ = false;
}

void TypeAhead::searchNow()
{
    pause_.stop();
    // Never a second search while one runs (the first may let keys through
    // while it waits): the text typed meanwhile is searched after it.
    if (running_) {
        again_ = true;
        return;
    }
    if (!field_ || !list_ || field_->isReadOnly())
        return;
    const QString typed = field_->text().trimmed();
    if (typed.size() < minimum_)
        return;
    const quint64 asked = edits_;
    running_ = true;
    ++searches_;
    const QVector<Match> rows = search_(typed);
    running_ = false;
    if (!field_ || !list_)
        return;
    const bool stale = asked != edits_ || field_->text().trimmed() != typed;
    if (again_) {
        again_ = false;
        if (stale && edits_ != cancelled_)
            pause_.start();
    }
    // Stale: the text changed while the search ran; the newest text is
    // searched in its turn (the key that changed it started the pause),
    // unless Enter took over.
    if (stale)
        return;
    if (rows.isEmpty()) {
        if (listIsOurs())
            list_->dismiss();
        shown_ = false;
    } else {
        list_->open(field_, rows, take_, false);
        shown_ = true;
    }
    emit answered(typed, int(rows.size()));
}

bool TypeAhead::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == field_ && shown_ && listIsOurs()) {
        // Esc closes the list, not the window, while the list is open:
        // the field claims the key before any shortcut bound to it.
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            event->accept();
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Down || key == Qt::Key_PageDown) {
                list_->setFocus();
                return true;
            }
            if (key == Qt::Key_Escape) {
                list_->dismiss();
                shown_ = false;
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && QApplication::focusWidget() != list_) {
            // Left for another field: the list typed up goes with it, and
            // the field is looked up as it is left.
            pause_.stop();
            list_->dismiss();
            shown_ = false;
        }
    }
    if (watched == field_ && event->type() == QEvent::FocusOut)
        pause_.stop();
    return QObject::eventFilter(watched, event);
}

} // namespace nimbo::ui
