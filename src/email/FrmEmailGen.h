#pragma once
// A general e-mail written by the clerk and sent from the office's address.

#include "ui/ChildWindow.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::email {

class FrmEmailGen : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmEmailGen(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;

public slots:
    // Fills the recipient and the subject (an answer to a message read).
    void setRecipient(const QString &address, const QString &subject);

private:
    void send();

    QLineEdit *sender_, *recipient_, *subject_;
    QPlainTextEdit *text_;
    QPushButton *send_, *quit_;
};

} // namespace nimbo::email
