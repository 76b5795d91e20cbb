#pragma once
// The kit's lists of the classification windows as a clerk uses them.

#include <QTest>
#include <QTableView>
#include <gtest/gtest.h>

#include "ui/RowList.h"

namespace nimbo::test {

// The list of the window whose view carries the name.
inline ui::RowList *listNamed(QWidget *w, const char *list)
{
    for (auto *l : w->findChildren<ui::RowList *>())
        if (l->view()->objectName() == QLatin1String(list))
            return l;
    return nullptr;
}

// Chooses the row whose first column holds the text, as Enter on it does.
inline void chooseRow(QWidget *w, const char *list, const QString &text)
{
    ui::RowList *rows = listNamed(w, list);
    ASSERT_NE(rows, nullptr) << list;
    ASSERT_TRUE(rows->select(0, text)) << list << " " << text.toStdString();
    QTest::keyClick(rows->view(), Qt::Key_Return);
}

} // namespace nimbo::test
