#include "support/WholeCheck.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTreeView>

namespace nimbo::test {
namespace {

// Data that must never be shortened: dates, times, protocol numbers and
// other figures. Longer free texts may be, with the whole text in the tip.
bool mustBeWhole(const QString &text)
{
    static const QRegularExpression figure(
        QStringLiteral("^(\\d{2}/\\d{2}/\\d{4}( \\d{2}[:.]\\d{2}([:.]\\d{2})?)?|\\d{2}:\\d{2}(:\\d{2})?|"
                       "\\d{4}-\\d{7}|[0-9.,]+)$"));
    return figure.match(text.trimmed()).hasMatch();
}

// A heading that is a column's name in the database rather than a word for
// the clerk: a key's name ("coddip", "progr", "seriale") or words joined in
// camel case ("SerialeMov", "CodTipo").
bool looksInternal(const QString &title)
{
    static const QRegularExpression joined(QStringLiteral("[a-z][A-Z]"));
    static const QRegularExpression key(QStringLiteral("^(cod(?!ice)\\w+|progr|seriale\\w*|tab_\\w+|id)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString t = title.trimmed();
    return joined.match(t).hasMatch() || key.match(t).hasMatch();
}

QString name(const QWidget *w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

void checkList(QAbstractItemView *view, QStringList &faults)
{
    QHeaderView *header = nullptr;
    if (auto *tree = qobject_cast<QTreeView *>(view))
        header = tree->header();
    else if (auto *table = qobject_cast<QTableView *>(view))
        header = table->horizontalHeader();
    QAbstractItemModel *model = view->model();
    if (!header || !model || header->orientation() != Qt::Horizontal || header->isHidden())
        return;
    const QFontMetrics headFont(header->font());
    const int headMargin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QFontMetrics cellFont(view->font());
    const int rows = qMin(model->rowCount(), 50);
    for (int c = 0; c < model->columnCount(); ++c) {
        if (header->isSectionHidden(c) || header->sectionSize(c) == 0)
            continue;
        const int width = header->sectionSize(c);
        const QString title = model->headerData(c, Qt::Horizontal).toString();
        if (looksInternal(title))
            faults << QStringLiteral("%1: internal column name \"%2\"").arg(name(view), title);
        if (headFont.horizontalAdvance(title) + headMargin > width)
            faults << QStringLiteral("%1: heading \"%2\" cut (%3 px)").arg(name(view), title).arg(width);
        for (int r = 0; r < rows; ++r) {
            const QModelIndex at = model->index(r, c);
            const QString text = at.data().toString();
            if (text.isEmpty() || cellFont.horizontalAdvance(text) + 6 <= width)
                continue;
            if (mustBeWhole(text))
                faults << QStringLiteral("%1: \"%2\" cut under \"%3\"").arg(name(view), text, title);
            else if (at.data(Qt::ToolTipRole).toString() != text)
                faults << QStringLiteral("%1: \"%2\" shortened without its tip").arg(name(view), text);
        }
    }
}

void checkField(QLineEdit *field, QStringList &faults)
{
    const QString text = field->text();
    if (text.isEmpty())
        return;
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
    const int room = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field).width() - 4;
    if (field->fontMetrics().horizontalAdvance(text) <= room)
        return;
    if (mustBeWhole(text))
        faults << QStringLiteral("%1: \"%2\" cut (%3 px)").arg(name(field), text).arg(field->width());
    else if (field->cursorPosition() != 0 || field->toolTip() != text)
        faults << QStringLiteral("%1: \"%2\" shown by its tail or without its tip").arg(name(field), text);
}

} // namespace

QStringList cutTexts(QWidget *window)
{
    QStringList faults;
    for (QAbstractItemView *view : window->findChildren<QAbstractItemView *>())
        if (view->isVisible() && !qobject_cast<QHeaderView *>(view))
            checkList(view, faults);
    for (QLineEdit *field : window->findChildren<QLineEdit *>())
        if (field->isVisible() && field->isReadOnly())
            checkField(field, faults);
    return faults;
}

} // namespace nimbo::test
