#pragma once
// The focus chain of a window as the form is read: container by container
// (a group's fields stay together), each container's children from the
// top-left to the bottom-right, row by row. Windows are built in code in
// whatever order is handy (a button made before the field it sits beside),
// and Qt's chain follows creation: Tab would land on the button and the
// next typed text would press it.

class QWidget;

namespace nimbo::ui {

// Orders the chain of every focusable widget under root by its place.
void orderTabs(QWidget *root);

} // namespace nimbo::ui
