#include "ui/AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>
#include <QWidget>

#include "ui/FormKit.h"

namespace nimbo::ui {

namespace {

// A widget that is a part of another input (the line edit of a spin box
// or combo box, the list of a combo box) is named through that input.
bool isPartOfInput(const QWidget *w)
{
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox *>(p) || qobject_cast<const QComboBox *>(p))
            return true;
        if (p->isWindow())
            break;
    }
    return false;
}

bool isInput(const QWidget *w)
{
    if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w)
        || qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QTextEdit *>(w)
        || qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractItemView *>(w))
        return !isPartOfInput(w);
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return nameFromCaption(b->text()).isEmpty();
    return false;
}

// Labels that caption something: not the descriptions shown beside codes,
// which are values.
bool isCaption(const QLabel *l)
{
    return !qobject_cast<const DescriptionLabel *>(l) && !nameFromCaption(l->text()).isEmpty() && l->pixmap().isNull();
}

QRect placeIn(const QWidget *w, const QWidget *root) { return QRect(w->mapTo(root, QPoint(0, 0)), w->size()); }

// The caption on the field's left on the same line, or else the one just
// above it (lists and boxes captioned from above).
QString captionBeside(QWidget *field, QWidget *root, const QList<QLabel *> &labels)
{
    if (!field->isVisibleTo(root))
        return {};
    const QRect f = placeIn(field, root);
    const QLabel *left = nullptr;
    const QLabel *above = nullptr;
    int leftGap = 400, aboveGap = 40;
    for (const QLabel *l : labels) {
        if (!l->isVisibleTo(root) || (l->buddy() && l->buddy() != field))
            continue;
        const QRect r = placeIn(l, root);
        const bool sameLine = r.center().y() >= f.top() && r.center().y() <= f.bottom();
        if (sameLine && r.right() <= f.left() + 2 && f.left() - r.right() < leftGap) {
            leftGap = f.left() - r.right();
            left = l;
        }
        const bool overlaps = r.left() < f.right() && r.right() > f.left();
        if (overlaps && r.bottom() <= f.top() + 2 && f.top() - r.bottom() < aboveGap) {
            aboveGap = f.top() - r.bottom();
            above = l;
        }
    }
    if (left)
        return nameFromCaption(left->text());
    return above ? nameFromCaption(above->text()) : QString();
}

QString nameFor(QWidget *field, QWidget *root, const QList<QLabel *> &labels)
{
    for (const QLabel *l : labels)
        if (l->buddy() == field && isCaption(l))
            return nameFromCaption(l->text());
    if (const auto *e = qobject_cast<const QLineEdit *>(field); e && !e->placeholderText().trimmed().isEmpty())
        return e->placeholderText().trimmed();
    if (!field->toolTip().trimmed().isEmpty() && !field->toolTip().contains(QLatin1Char('<')))
        return field->toolTip().trimmed();
    if (const QString beside = captionBeside(field, root, labels); !beside.isEmpty())
        return beside;
    for (const QWidget *p = field->parentWidget(); p && p != root->parentWidget(); p = p->parentWidget())
        if (const auto *g = qobject_cast<const QGroupBox *>(p); g && !nameFromCaption(g->title()).isEmpty())
            return nameFromCaption(g->title());
    return nameFromCaption(root->windowTitle());
}

} // namespace

QString nameFromCaption(const QString &caption)
{
    QString text = caption;
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

QList<QWidget *> inputsOf(QWidget *root)
{
    QList<QWidget *> out;
    const auto all = root->findChildren<QWidget *>();
    for (QWidget *w : all)
        if (!w->isWindow() && isInput(w))
            out << w;
    return out;
}

void nameInputs(QWidget *root)
{
    QList<QLabel *> labels;
    for (QLabel *l : root->findChildren<QLabel *>())
        if (isCaption(l))
            labels << l;
    for (QWidget *w : inputsOf(root))
        if (w->accessibleName().isEmpty())
            if (const QString name = nameFor(w, root, labels); !name.isEmpty())
                w->setAccessibleName(name);
}

} // namespace nimbo::ui
