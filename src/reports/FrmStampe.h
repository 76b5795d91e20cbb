#pragma once
// "Stampe Periodiche": one of the nine periodic reports for a period,
// printed through its template or exported to a spreadsheet.

#include <QMap>

#include "reports/ReportRules.h"
#include "ui/ChildWindow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::reports {

class FrmStampe : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStampe(QWidget *parent = nullptr);

    // "Stampa" and "Esporta Excel": false when nothing was produced (the
    // reason has been shown, or the operator stopped it).
    bool print();
    bool exportSheet();
    void ELABORATBAR(const QString &key) override;

    Criteria criteria() const;

private:
    enum class Output { Print, Sheet };
    bool produce(Output output);
    // The rows of the request; nothing when there are none or the read
    // failed (the reason has been shown).
    std::optional<QVector<ReportRow>> readRows(const Criteria &c, const Asker &a);
    void loadOffices();
    void reportChosen();

    QMap<Report, QRadioButton *> options_;
    ui::DateField *from_, *to_;
    QRadioButton *assigned_, *forwarded_;
    QLineEdit *subject_;
    QComboBox *department_, *office_;
    QCheckBox *incoming_, *outgoing_;
};

} // namespace nimbo::reports
