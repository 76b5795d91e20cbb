#pragma once
// The login window: operator code, password with its attempt counter and
// age, smart card, command-line start and the emergency entry. Accepted when
// the session holds an operator (or an emergency session) and the main
// window may open.

#include <QDialog>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;

class PSWMask : public QDialog {
    Q_OBJECT
public:
    explicit PSWMask(QWidget *parent = nullptr);

    // "0" normal start, "1" command-line start.
    QString mode() const { return mode_; }
    void setMode(const QString &mode) { mode_ = mode; }
    int attempts() const { return attempts_; }
    // True once the attempts ran out and the closing routine was called.
    bool ended() const { return ended_; }

    // Operator field left or Enter. True when an active operator was loaded.
    bool operatorLeft();
    // Password field left or Enter.
    void passwordLeft();
    void confirm();       // OK
    void smartCard();
    void openEmergency(); // shows the emergency panel
    void confirmEmergency();
    void changePassword();
    // Command-line mode: the token goes into the operator field, its check
    // runs and, when it found an active operator, OK follows at once.
    bool loginFromCommandLine(const QString &token);

    // How the password change window is run (modally by default); tests
    // replace it. The mode is "O" when the change is required.
    using NewPwdRunner = std::function<void(QWidget *parent, const QString &mode)>;
    static void setNewPwdRunner(NewPwdRunner runner);

    // The login step of the start-up sequence.
    static bool login(const QStringList &commandLine);

private:
    bool lookUp(const QString &sql);
    void checkPassword(const QString &typed);

    QLineEdit *operator_;
    QLineEdit *password_;
    QPushButton *ok_;
    QPushButton *exit_;
    QPushButton *newPwd_;
    QPushButton *emergency_;
    QPushButton *card_;
    QGroupBox *emergencyPanel_;
    QLineEdit *year_;
    QLineEdit *register_;
    QLineEdit *sessionNo_;
    QString mode_ = QStringLiteral("0");
    QString loadedCode_;  // operator in the session
    QString checkedCode_; // last code looked up
    bool handling_ = false;
    int attempts_ = 0;
    bool ended_ = false;
    bool passed_ = false;
    bool blocked_ = false; // expired password the operator may not renew
};
