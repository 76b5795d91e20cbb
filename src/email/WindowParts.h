#pragma once
// Pieces the e-mail windows share.

#include <QList>
#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace nimbo::email {

QPushButton *namedButton(QWidget *parent, const char *name, const QString &caption);
// The buttons under a window: `left` from the left edge, `right` at the
// right edge.
QHBoxLayout *buttonRow(const QList<QPushButton *> &left, const QList<QPushButton *> &right);

} // namespace nimbo::email
