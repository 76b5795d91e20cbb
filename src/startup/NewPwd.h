#pragma once
// The password change window of the logged-in operator.

#include <QDialog>

class QLineEdit;
class QPushButton;

class NewPwd : public QDialog {
    Q_OBJECT
public:
    // mode "O": the change is required and the window cannot be left
    // without it.
    explicit NewPwd(const QString &mode = QString(), QWidget *parent = nullptr);

    // False when the operator may not change his password: the message was
    // shown and the window must not be opened.
    bool allowed();
    // OK: the checks in order, then the write. True when the password changed.
    bool confirm();
    int attempts() const { return attempts_; }

    // Opens the window modally after the opening check.
    static void run(QWidget *parent, const QString &mode);

    // A required change cannot be dismissed (Escape, close box).
    void reject() override;

private:
    QLineEdit *newPwd_;
    QLineEdit *confPwd_;
    QPushButton *ok_;
    QPushButton *exit_;
    int attempts_ = 0;
    bool required_ = false;
};
