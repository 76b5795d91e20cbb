#pragma once
// "STAMPA Scadenzario Pratiche": the printed list of the matters due in a
// range of days (or on one day), of one department and office or of all,
// each with its latest reminder.

#include "ui/ChildWindow.h"

class QComboBox;
class QRadioButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::deadlines {

class FrmStampaScad : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStampaScad(QWidget *parent = nullptr);

    // "Stampa": false when nothing was printed (the reason has been shown).
    bool print();
    void ELABORATBAR(const QString &key) override;

private:
    void loadOffices();

    QRadioButton *range_, *single_;
    ui::DateField *from_, *to_, *day_;
    QComboBox *department_, *office_;
};

} // namespace nimbo::deadlines
