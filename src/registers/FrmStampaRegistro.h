#pragma once
// "Scarico Protocolli su CD": the general register of the protocols after the
// last archived one up to an end date, printed ("Stampa"), then archived to
// files for removable media ("Masterizza").

#include <QSet>

#include "registers/RegisterRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::registers {

class FrmStampaRegistro : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStampaRegistro(QWidget *parent = nullptr);

    // Each false when refused or failed (the reason has been shown).
    bool search();
    bool print();
    bool archive();
    void ELABORATBAR(const QString &key) override;

    Period period() const { return period_; }

private:
    void loadPeriod();
    bool checkEnd();
    void setPrinted(bool printed);
    // The register rows into Tab_Report, batch after batch, in one local
    // transaction; the numbers written in *numbers. False when nothing is
    // to be printed (the reason has been shown).
    bool fillReport(QStringList *numbers);
    bool markPrinted(const QStringList &numbers);

    QString ente_;
    Period period_;
    QLineEdit *last_;
    ui::DateField *start_, *end_;
    QLabel *state_;
    ui::RowList *list_;
    QSet<QString> printed_;
};


} // namespace nimbo::registers
