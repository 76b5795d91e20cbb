#include "ui/CodeLookup.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "platform/Dialogs.h"
#include "ui/NothingFound.h"
#include "ui/TypeAhead.h"

namespace nimbo::ui {

namespace {

// Esc closes the list before any window key bound to Esc sees it.
class KeepsEscape : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            event->accept();
        return false;
    }
};

} // namespace

bool searchesByDescription(const QString &typed)
{
    const QString t = typed.trimmed();
    return !t.isEmpty() && QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVXYWZ").contains(t.at(0).toUpper());
}

PickList::PickList(QWidget *window) : QListWidget(window)
{
    setObjectName(QStringLiteral("ListDecod"));
    setUniformItemSizes(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    hide();
    connect(this, &QListWidget::itemActivated, this, &PickList::taken);
    installEventFilter(new KeepsEscape(this));
}

void PickList::open(QWidget *anchor, const QVector<Match> &rows, Take take, bool takeFocus)
{
    clear();
    rows_ = rows;
    take_ = std::move(take);
    anchor_ = anchor;
    for (const Match &m : rows) {
        const QString text = !m.listText.isEmpty() ? m.listText
                             : m.code.isEmpty()    ? m.description
                                                   : m.code + QStringLiteral(" - ") + m.description;
        addItem(text);
    }
    if (rows.isEmpty()) {
        hide();
        return;
    }
    QWidget *host = parentWidget();
    const QPoint at = anchor ? anchor->mapTo(host, QPoint(0, anchor->height())) : QPoint(0, 0);
    const int rowHeight = qMax(sizeHintForRow(0), fontMetrics().height());
    const int h = qMin(int(rows.size()), 10) * rowHeight + 2 * frameWidth() + 2;
    int w = qMax(anchor ? anchor->width() : 0, fontMetrics().averageCharWidth() * 70);
    w = qMin(w, host->width() - 8);
    QPoint pos = at;
    if (pos.x() + w > host->width() - 4)
        pos.setX(qMax(4, host->width() - 4 - w));
    // Above the field when there is no room below it.
    if (pos.y() + h > host->height() && anchor)
        pos.setY(qMax(0, pos.y() - anchor->height() - h));
    setGeometry(pos.x(), pos.y(), w, h);
    setCurrentRow(0);
    show();
    raise();
    if (takeFocus)
        setFocus();
}

void PickList::dismiss()
{
    hide();
    take_ = {};
}

void PickList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        QWidget *back = anchor_;
        dismiss();
        if (back)
            back->setFocus();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void PickList::taken(QListWidgetItem *item)
{
    const int i = item ? row(item) : -1;
    if (i < 0 || i >= rows_.size())
        return;
    const Match m = rows_.at(i);
    Take take = take_;
    QWidget *back = anchor_;
    dismiss();
    if (take)
        take(m);
    if (back)
        back->setFocus();
}

CodeLookup::CodeLookup(QLineEdit *code, QLabel *description, PickList *list, Finder finder, QObject *parent)
    : QObject(parent ? parent : code), code_(code), description_(description), list_(list), finder_(std::move(finder))
{
    connect(code_, &QLineEdit::returnPressed, this, &CodeLookup::enter);
    connect(code_, &QLineEdit::textEdited, this, [this] {
        description_->clear();
        resolved_.clear();
    });
    connect(code_, &QLineEdit::editingFinished, this, &CodeLookup::refresh);
}

void CodeLookup::enter()
{
    if (code_->isReadOnly())
        return;
    if (typeAhead_)
        typeAhead_->cancel();
    const QString typed = code_->text().trimmed();
    if (typed.isEmpty()) {
        clear();
        return;
    }
    if (typed.size() < minimum_) {
        description_->clear();
        resolved_.clear();
        showBox(code_->window()->windowTitle(), tooShort_, Icon::Warning);
        return;
    }
    const bool byDescription = searchesByDescription(typed);
    QVector<Match> rows = finder_(typed, byDescription);
    // Codes may begin with a letter too ("PRO"): when no description begins
    // with the text, it is taken as a code.
    if (byDescription && rows.isEmpty())
        rows = finder_(typed, false);
    if ((byDescription || picksAmongCodes_) && rows.size() > 1) {
        description_->clear();
        resolved_.clear();
        list_->open(code_, rows, [this](const Match &m) { take(m); });
        return;
    }
    list_->dismiss();
    if (rows.isEmpty()) {
        description_->clear();
        resolved_.clear();
        tellNothingFound(code_, nothingFound_);
        return;
    }
    take(rows.first());
}

void CodeLookup::refresh()
{
    const QString typed = code_->text().trimmed();
    // Nothing changed since the description was found, or the pick list is
    // open for this field (leaving to it is not leaving the lookup).
    if ((!resolved_.isEmpty() && typed == resolved_) || (list_->isVisible() && list_->anchor() == code_))
        return;
    if (typed.isEmpty()) {
        description_->clear();
        resolved_.clear();
        return;
    }
    const QVector<Match> rows = finder_(typed, false);
    if (rows.isEmpty()) {
        description_->clear();
        resolved_.clear();
        return;
    }
    take(rows.first());
}

void CodeLookup::setMinimumLength(int chars, const QString &message)
{
    minimum_ = chars;
    tooShort_ = message;
    if (typeAhead_)
        typeAhead_->setMinimumLength(qMax(TypeAhead::kMinimumLength, minimum_));
}

void CodeLookup::setSearchAsYouType(bool on, Finder whileTyping)
{
    if (!on) {
        delete typeAhead_;
        typeAhead_ = nullptr;
        return;
    }
    if (typeAhead_)
        return;
    // Only a text taken as a description is searched while typed: a code
    // is looked up whole, on Enter or on leaving the field.
    typeAhead_ = new TypeAhead(
        code_, list_,
        [this, typing = std::move(whileTyping)](const QString &typed) {
            if (!searchesByDescription(typed))
                return QVector<Match>();
            return typing ? typing(typed, true) : finder_(typed, true);
        },
        [this](const Match &m) { take(m); }, this);
    typeAhead_->setMinimumLength(qMax(TypeAhead::kMinimumLength, minimum_));
}

void CodeLookup::set(const QString &code, const QString &description)
{
    code_->setText(code);
    description_->setText(description);
    resolved_ = description.isEmpty() ? QString() : code.trimmed();
}

void CodeLookup::take(const Match &m)
{
    code_->setText(m.code);
    description_->setText(m.description);
    resolved_ = m.code.trimmed();
    emit taken(m.code);
}

} // namespace nimbo::ui
