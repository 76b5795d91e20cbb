#include "ui/FormKit.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QValidator>

#include "ui/AccessibleNames.h"

namespace nimbo::ui {

namespace {

// Keeps typed letters in upper case; accepts anything else as it is.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

const char *const kReadOnlyLook = "nimboReadOnlyLook";
const char *const kShowsStart = "nimboShowsStart";
// Fields sized for a number of characters: how many, and whether the width
// is fixed (codes) or only bounded (read-only data).
const char *const kChars = "nimboChars";
const char *const kFixedChars = "nimboFixedChars";
const char *const kFollowsLook = "nimboFollowsLook";

void paintReadOnly(QLineEdit *field, bool readOnly)
{
    QPalette p = field->palette();
    const QPalette normal = QApplication::palette(field);
    p.setColor(QPalette::Base, readOnly ? normal.color(QPalette::Window) : normal.color(QPalette::Base));
    p.setColor(QPalette::Text, readOnly ? normal.color(QPalette::WindowText) : normal.color(QPalette::Text));
    field->setPalette(p);
}

void sizeForCharacters(QWidget *field)
{
    const int chars = field->property(kChars).toInt();
    if (chars <= 0)
        return;
    const int width = fieldWidth(field, chars);
    if (field->property(kFixedChars).toBool()) {
        field->setFixedWidth(width);
    } else {
        field->setMinimumWidth(width);
        field->setMaximumWidth(width);
    }
}

// A field keeps its look when the desktop's look changes: a read-only
// field takes the colours of the new palette (instead of staying a light
// box on a window turned dark), a field sized for a number of characters
// is sized again for the new text size.
class FollowsLook : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *field = qobject_cast<QLineEdit *>(watched);
        if (!field || busy_)
            return false;
        busy_ = true;
        if (event->type() == QEvent::PaletteChange && field->property(kReadOnlyLook).isValid())
            paintReadOnly(field, field->property(kReadOnlyLook).toBool());
        else if (event->type() == QEvent::FontChange)
            sizeForCharacters(field);
        busy_ = false;
        return false;
    }

private:
    bool busy_ = false;
};

// Once per field.
void followLook(QLineEdit *field)
{
    if (field->property(kFollowsLook).toBool())
        return;
    field->setProperty(kFollowsLook, true);
    field->installEventFilter(new FollowsLook(field));
}

// The name a screen reader gives a field: its caption, without the
// mnemonic's "&" and a closing colon. A name set by the window stays.
void nameAfter(QLabel *label, QWidget *field)
{
    if (!field || !field->accessibleName().isEmpty())
        return;
    if (const QString text = nameFromCaption(label->text()); !text.isEmpty())
        field->setAccessibleName(text);
}

void setBuddy(QLabel *label, QWidget *field)
{
    label->setBuddy(field);
    nameAfter(label, field);
}

} // namespace

FormGroup::FormGroup(const QString &title, QWidget *parent) : QGroupBox(title, parent), grid_(new QGridLayout(this))
{
    grid_->setContentsMargins(8, 4, 8, 6);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(4);
    grid_->setColumnStretch(1, 1);
}

QLabel *caption(const QString &text, QWidget *parent, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (buddy)
        setBuddy(l, buddy);
    return l;
}

void FormGroup::place(QWidget *captionWidget, std::initializer_list<Cell> cells)
{
    if (captionWidget)
        grid_->addWidget(captionWidget, row_, 0);
    auto *line = new QHBoxLayout;
    line->setSpacing(6);
    bool stretched = false;
    QLabel *pending = nullptr;
    for (const Cell &c : cells) {
        if (!c.widget) {
            pending = caption(c.caption, this);
            pending->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            // A little air before a caption that names the next field.
            if (line->count() > 0)
                line->addSpacing(8);
            line->addWidget(pending);
            continue;
        }
        if (pending)
            setBuddy(pending, c.widget);
        pending = nullptr;
        line->addWidget(c.widget, c.stretch);
        // A field of fixed width does not stretch, whatever its policy says.
        const bool grows = (c.widget->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag)
                           && c.widget->maximumWidth() >= QWIDGETSIZE_MAX;
        stretched = stretched || c.stretch > 0 || grows;
    }
    if (!stretched)
        line->addStretch(1);
    grid_->addLayout(line, row_, 1);
    ++row_;
}

void FormGroup::addRow(const QString &text, std::initializer_list<Cell> cells)
{
    QLabel *l = text.isEmpty() ? nullptr : caption(text, this);
    if (l)
        for (const Cell &c : cells)
            if (c.widget) {
                setBuddy(l, c.widget);
                break;
            }
    place(l, cells);
}

void FormGroup::addRow(QWidget *captionWidget, std::initializer_list<Cell> cells) { place(captionWidget, cells); }

void FormGroup::addCodeRow(const QString &text, QLineEdit *code, QLabel *description, std::initializer_list<Cell> extras)
{
    addCodeRow(caption(text, this, code), code, description, extras);
}

void FormGroup::addCodeRow(QWidget *captionWidget, QLineEdit *code, QLabel *description,
                           std::initializer_list<Cell> extras)
{
    if (captionWidget)
        grid_->addWidget(captionWidget, row_, 0);
    auto *line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(code);
    line->addWidget(description, 1);
    for (const Cell &c : extras)
        if (c.widget)
            line->addWidget(c.widget, c.stretch);
        else
            line->addWidget(caption(c.caption, this));
    grid_->addLayout(line, row_, 1);
    ++row_;
}

void FormGroup::addWide(QWidget *widget)
{
    grid_->addWidget(widget, row_, 0, 1, 2);
    ++row_;
}

void setReadOnly(QLineEdit *field, bool readOnly)
{
    if (!field)
        return;
    field->setReadOnly(readOnly);
    followLook(field);
    field->setProperty(kReadOnlyLook, readOnly);
    paintReadOnly(field, readOnly);
    field->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
    // Once per field: the text the program puts there is shown from its
    // start, and whole in the tip.
    if (readOnly && !field->property(kShowsStart).toBool()) {
        field->setProperty(kShowsStart, true);
        QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString &text) {
            if (!field->isReadOnly())
                return;
            field->setCursorPosition(0);
            field->setToolTip(text);
        });
    }
}

QLineEdit *readOnlyField(QWidget *parent, const char *name, int chars)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    setReadOnly(field);
    if (chars > 0) {
        field->setProperty(kChars, chars);
        sizeForCharacters(field);
    }
    return field;
}

bool looksReadOnly(const QLineEdit *field)
{
    return field && field->isReadOnly() && field->property(kReadOnlyLook).toBool()
           && field->palette().color(QPalette::Base) != QApplication::palette(field).color(QPalette::Base);
}

int fieldWidth(const QWidget *field, int chars)
{
    const QFontMetrics fm = field->fontMetrics();
    // Digits and capitals are wider than the average character.
    const int text = fm.horizontalAdvance(QString(chars, QLatin1Char('W'))) * 3 / 4;
    return qMax(text, fm.horizontalAdvance(QStringLiteral("00"))) + 16;
}

void makeCodeField(QLineEdit *field, int chars, bool upperCase)
{
    field->setProperty(kChars, chars);
    field->setProperty(kFixedChars, true);
    sizeForCharacters(field);
    followLook(field);
    if (upperCase)
        field->setValidator(new UpperCase(field));
}

DescriptionLabel::DescriptionLabel(QWidget *parent) : QLabel(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

QSize DescriptionLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 30, qMax(fm.height() + 8, 24)};
}

QSize DescriptionLabel::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 8, qMax(fm.height() + 8, 24)};
}

bool DescriptionLabel::elided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 8;
}

void DescriptionLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    frame.palette.setColor(QPalette::Base, palette().color(QPalette::Window));
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);
    const QRect r = contentsRect().adjusted(4, 0, -4, 0);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideRight, r.width()));
}

bool DescriptionLabel::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(e);
        if (!text().isEmpty() && elided())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(e);
}

} // namespace nimbo::ui
