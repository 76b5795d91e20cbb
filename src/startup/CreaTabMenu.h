#pragma once
// Administration window that rebuilds the function table from the main
// window's own menu tree: "Menu.txt" in the program folder lists the items,
// REGISTRA writes them to Tab_Funzioni with their function codes.

#include <QHash>
#include <QVector>

#include "ui/ChildWindow.h"

class QMenuBar;

class CreaTabMenu : public nimbo::ChildWindow {
    Q_OBJECT
public:
    struct Entry {
        int level = 0; // 0 for the menu bar's own items
        QString name;
        QString caption;
    };

    // Reads the menu tree of the given bar and writes "Menu.txt".
    explicit CreaTabMenu(QMenuBar *menus, QWidget *parent = nullptr);

    const QVector<Entry> &entries() const { return entries_; }
    QString listPath() const;

    void ELABORATBAR(const QString &key) override;
    // Rebuilds Tab_Funzioni in one unit; true when it was written.
    bool registerFunctions();

    // Every named item of the bar in menu order, with its nesting.
    static QVector<Entry> walk(QMenuBar *menus);
    // The function code of every entry. Codes in existing (name -> code)
    // are kept; the others are the two letters of their top menu followed
    // by the first free number, so a rebuild gives the same codes.
    static QHash<QString, QString> assignCodes(const QVector<Entry> &entries,
                                               const QHash<QString, QString> &existing);

private:
    QVector<Entry> entries_;
};
