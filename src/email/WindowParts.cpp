#include "email/WindowParts.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace nimbo::email {

QPushButton *namedButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QHBoxLayout *buttonRow(const QList<QPushButton *> &left, const QList<QPushButton *> &right)
{
    auto *row = new QHBoxLayout;
    for (QPushButton *b : left)
        row->addWidget(b);
    row->addStretch(1);
    for (QPushButton *b : right)
        row->addWidget(b);
    return row;
}

} // namespace nimbo::email
