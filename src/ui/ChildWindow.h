#pragma once
// Base of every child window of the main window: it holds the toolbar key
// list ("ESCI;NUOVO;CERCA"), tells the main window when it changes, and
// receives ELABORATBAR(key). It also keeps track of unsaved typing: closing
// the window (ESCI, the close box, the end of the program) asks first. A
// window opened from a menu item that names a mode ("CANCELLA") receives it
// through the mode property before it is shown, and again when the item
// brings an open window forward.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "ui/DirtyTracker.h"

namespace nimbo {

class ChildWindow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString mode READ mode WRITE setMode)
public:
    explicit ChildWindow(QWidget *parent = nullptr);

    QString toolbarKeys() const { return m_keys; }
    void setToolbarKeys(const QString &keys)
    {
        if (keys == m_keys)
            return;
        m_keys = keys;
        emit toolbarChanged(m_keys);
    }

    QString mode() const { return m_mode; }
    void setMode(const QString &mode)
    {
        if (mode == m_mode)
            return;
        m_mode = mode;
        modeChanged();
    }

    // Toolbar button pressed while this child is active.
    virtual void ELABORATBAR(const QString &key) { Q_UNUSED(key); }

    // The window that opened this one and waits for its result (quick
    // entry fills the registration window's correspondent). Held by a guarded
    // pointer: when the caller has closed meanwhile, it reads as none and the
    // result goes nowhere.
    void setCallerWindow(QObject *caller) { m_caller = caller; }
    QObject *callerWindow() const { return m_caller; }

    // What the operator typed and did not save.
    ui::DirtyTracker *dirty() const { return m_dirty; }
    // Closes the window (its frame inside the main window, if any); false
    // when the operator chose to keep what he typed.
    bool closeWindow();

signals:
    void toolbarChanged(const QString &keys);

protected:
    void closeEvent(QCloseEvent *event) override;
    // The first time the window shows, its focus chain is put in reading
    // order (ui/TabOrder.h).
    void showEvent(QShowEvent *event) override;
    // The mode changed: a window with modes puts itself in the new one.
    virtual void modeChanged() {}

private:
    QString m_keys;
    QString m_mode;
    ui::DirtyTracker *m_dirty;
    QPointer<QObject> m_caller;
    bool m_tabsOrdered = false;
};

} // namespace nimbo
