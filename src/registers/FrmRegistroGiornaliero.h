#pragma once
// "Registro Giornaliero di Protocollo": the daily register of one day of the
// operator's body, produced as PDF/A with its metadata and fingerprint.

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::registers {

class FrmRegistroGiornaliero : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmRegistroGiornaliero(QWidget *parent = nullptr);

    // "Produci": false when refused or failed (the reason has been shown).
    bool produce();
    void ELABORATBAR(const QString &key) override;

private:
    ui::DateField *day_;
    QLineEdit *folder_;
    QLabel *outcome_;
};

} // namespace nimbo::registers
