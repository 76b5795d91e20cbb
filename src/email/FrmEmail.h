#pragma once
// The registration notice: the protocol shown in the registration window
// is announced by e-mail to its office and to the office's current members,
// the clerk choosing who receives it.

#include "email/EmailRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::ui {
class FormGroup;
}

namespace nimbo::email {

class FrmEmail : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmEmail(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QListWidget *recipients() const { return recipients_; }

public slots:
    // The protocol (direction, 11-digit number) to announce; false, and the
    // window closed, when mail cannot be sent or the protocol is unknown.
    bool setProtocol(const QString &direction, const QString &number);

private:
    void send();
    // The protocol to another administration (outgoing protocols only).
    void sendProtocol();

    QLabel *heading_;
    QListWidget *recipients_;
    QLineEdit *subject_;
    QPlainTextEdit *text_;
    QPushButton *send_, *quit_;
    ui::FormGroup *interop_;
    QLineEdit *interopAddress_;
    QPushButton *sendProtocol_;
    NoticeFacts facts_;
};

} // namespace nimbo::email
