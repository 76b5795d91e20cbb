#pragma once
// Base of every child window of the main window: it holds the toolbar key
// list ("ESCI;NUOVO;CERCA"), tells the main window when it changes, and
// receives ELABORATBAR(key).

#include <QStringList>
#include <QWidget>

namespace nimbo {

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChildWindow(QWidget *parent = nullptr) : QWidget(parent) {}

    QString toolbarKeys() const { return m_keys; }
    void setToolbarKeys(const QString &keys)
    {
        if (keys == m_keys)
            return;
        m_keys = keys;
        emit toolbarChanged(m_keys);
    }

    // Toolbar button pressed while this child is active.
    virtual void ELABORATBAR(const QString &key) { Q_UNUSED(key); }

signals:
    void toolbarChanged(const QString &keys);

private:
    QString m_keys;
};

} // namespace nimbo
