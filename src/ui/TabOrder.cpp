#include "ui/TabOrder.h"

#include <QAbstractScrollArea>
#include <QLayout>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

namespace nimbo::ui {
namespace {

bool takesTab(const QWidget *w) { return (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy(); }

// The child widgets of a container in reading order: rows by the top edge,
// a widget whose middle lies within the row's first widget joining that row
// (a label and a taller field beside it), each row left to right.
QList<QWidget *> readingOrder(QWidget *container)
{
    if (QLayout *l = container->layout())
        l->activate();
    QList<QWidget *> children;
    for (QObject *o : container->children())
        if (auto *w = qobject_cast<QWidget *>(o); w && !w->isWindow())
            children << w;
    std::stable_sort(children.begin(), children.end(),
                     [](const QWidget *a, const QWidget *b) { return a->geometry().top() < b->geometry().top(); });
    QList<QWidget *> out;
    for (qsizetype i = 0; i < children.size();) {
        const QRect first = children[i]->geometry();
        qsizetype end = i + 1;
        while (end < children.size() && children[end]->geometry().center().y() <= first.bottom())
            ++end;
        QList<QWidget *> row = children.mid(i, end - i);
        std::stable_sort(row.begin(), row.end(),
                         [](const QWidget *a, const QWidget *b) { return a->geometry().left() < b->geometry().left(); });
        out << row;
        i = end;
    }
    return out;
}

void collect(QWidget *container, QList<QWidget *> &chain)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(container)) {
        // The tab strip, then each page's fields in page order.
        if (takesTab(tabs))
            chain << tabs;
        for (int i = 0; i < tabs->count(); ++i)
            collect(tabs->widget(i), chain);
        return;
    }
    for (QWidget *w : readingOrder(container)) {
        if (takesTab(w) || qobject_cast<QAbstractScrollArea *>(w))
            chain << w; // a field, a button, a list: one stop
        else
            collect(w, chain);
    }
}

} // namespace

void orderTabs(QWidget *root)
{
    QList<QWidget *> chain;
    collect(root, chain);
    chain.removeIf([](const QWidget *w) { return !takesTab(w); });
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

} // namespace nimbo::ui
