#pragma once
// "Cambio Indirizzo E-mail": the operator's own mail address, account and
// password. The password is never shown; left empty it stays as stored.

#include "ui/ChildWindow.h"

class QLineEdit;
class QPushButton;

namespace nimbo::email {

class FrmCambiaEmail : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmCambiaEmail(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;

private:
    void load();
    void save();

    QLineEdit *address_, *user_, *password_;
    QPushButton *save_, *quit_;
};

} // namespace nimbo::email
