#pragma once
// TEMPORARY login window, in use only until the real login window PSWMask
// takes its place behind StartUp::setLogin(). It asks the operator code
// alone (no password) and loads the operator's row into the session.

#include <QDialog>

class QLineEdit;
class QPushButton;

class LoginStandIn : public QDialog {
    Q_OBJECT
public:
    explicit LoginStandIn(QWidget *parent = nullptr);

    // Command-line mode: the code goes into the field and OK runs at once.
    // True when the operator was found.
    bool loginFromCommandLine(const QString &operatorCode);

    // The OK action: true (and the dialog accepted) when the code names an
    // operator, whose profile is then in DicAmbiente::session().
    bool confirm();

    // The login step for StartUp: command-line mode when a token is given,
    // otherwise the window, modally.
    static bool login(const QStringList &commandLine);

private:
    QLineEdit *code_;
    QPushButton *ok_;
    QPushButton *exit_;
};
