#pragma once
// What a clerk would see cut in a window as it is shown: a list heading
// narrower than its text, a date, time or number cell or read-only field
// not shown whole, a long text shortened without its whole text in the
// tip or shown by its tail, an internal column name as a heading. One line
// per fault; none when everything reads whole.

#include <QStringList>

class QWidget;

namespace nimbo::test {

QStringList cutTexts(QWidget *window);

} // namespace nimbo::test
