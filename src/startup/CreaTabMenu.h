#pragma once
// Administration window that rebuilds the function table from the main
// window's own menu tree: "Menu.txt" in the program folder lists the items,
// REGISTRA writes them to Tab_Funzioni with their function codes. The main
// window opens it from "Crea Elenco funzioni".

#include <QHash>
#include <QVector>

#include "schema/FunctionTable.h"
#include "ui/ChildWindow.h"

class QMenuBar;

class CreaTabMenu : public nimbo::ChildWindow {
    Q_OBJECT
public:
    using Entry = FunctionTable::Entry;

    // Reads the menu tree (the given bar's, or the one the main window is
    // built from) and writes "Menu.txt".
    explicit CreaTabMenu(QMenuBar *menus = nullptr, QWidget *parent = nullptr);

    const QVector<Entry> &entries() const { return entries_; }
    QString listPath() const;

    void ELABORATBAR(const QString &key) override;
    // Rebuilds Tab_Funzioni in one unit; true when it was written.
    bool registerFunctions();

    // Every named item of the bar in menu order, with its nesting.
    static QVector<Entry> walk(QMenuBar *menus);
    // The function code of every entry (see FunctionTable::assignCodes).
    static QHash<QString, QString> assignCodes(const QVector<Entry> &entries,
                                               const QHash<QString, QString> &existing);

private:
    QVector<Entry> entries_;
};

namespace nimbo::startup {
// Puts the windows of the start-up subsystem into the window registry.
void registerStartupWindows();
} // namespace nimbo::startup
