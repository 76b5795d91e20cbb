#pragma once
// The main window: the menus through which every function is reached, the
// toolbar shared with the active child window, the status bar and the
// start-up notices.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

class MDIMenu : public QMainWindow {
    Q_OBJECT
public:
    explicit MDIMenu(QWidget *parent = nullptr);
    ~MDIMenu() override;

    // The main window for the session in force: ordinary sessions get the
    // operator's function rights, emergency sessions the emergency menus.
    static QWidget *create();

    // The toolbar keys, in the order of the shared key table.
    static const QStringList &toolbarKeys();

    QMdiArea *area() const { return area_; }
    QToolBar *toolbar() const { return toolbar_; }
    // The start page behind the child windows; null when none is installed.
    QWidget *startPage() const { return startPage_; }

    // The window behind a menu item ("" for items without one).
    static QString windowOf(const QString &itemName);
    // The mode the item gives its window ("" for most).
    static QString modeOf(const QString &itemName);
    // True when the item can do something in this installation: its window
    // is registered, or it acts by itself.
    bool available(const QAction *item) const;

    // Opens (or brings forward) a registered window as a child; null when
    // the window is not registered.
    QWidget *openWindow(const QString &windowName, const QString &mode = QString());

    // A toolbar button pressed: ELABORATBAR of the active child, if any.
    void toolbarClicked(const QString &key);
    // Shows the buttons of the active child's keys.
    void refreshToolbar();

    // The start-up notices; they run once, the first time they are asked for.
    void runNotices();
    bool noticesDone() const { return noticesDone_; }

    // "Attesa" while an operation runs, "Pronto" otherwise; the running
    // operation's wait text beside it. Both follow the busy state of the
    // platform layer, which every long operation goes through.
    void setWaiting(bool waiting);
    // Who is at work: operator, level, department and office (with their
    // names when the register can give them).
    void showOperator();
    QString operatorText() const;

    // Window arrangements of the FINESTRE menu.
    void tileHorizontally();
    void tileVertically();
    void arrangeIcons();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenu *addMenu(QMenu *parent, const QString &name, const QString &caption);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption);
    void buildMenus();
    void buildToolbar();
    QMdiSubWindow *currentChild() const;
    void showBusy();

    QMdiArea *area_;
    QToolBar *toolbar_;
    QLabel *state_;
    QLabel *message_;
    QLabel *operator_;
    QPointer<QWidget> startPage_;
    QString departmentName_, officeName_;
    int busyListener_ = 0;
    bool noticesDone_ = false;
    bool noticesQueued_ = false;
    // The size of a first placement made with a guessed frame, until shown.
    QSize firstPlaced_;
    bool closing_ = false;
};
