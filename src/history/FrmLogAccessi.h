#pragma once
// "Consulta LOG Accessi": who read which stored document, and when. The
// operator chooses a period (both days whole), optionally an operator and a
// protocol; "Cerca" lists the body's accesses oldest first, "Stampa" prints
// the list, "Visualizza Allegato" opens the attachment of the chosen row in
// the attachment viewer, which checks and logs that read like any other.

#include "history/HistoryRules.h"
#include "ui/ChildWindow.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::history {

class FrmLogAccessi : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmLogAccessi(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    AccessCriteria criteria() const;
    // "Cerca": false when a criterion was refused or the read failed.
    bool search();
    bool print();
    // Opens the attachment of the chosen row; false when there is none.
    bool showAttachment();

    ui::RowList *list() const { return list_; }

private:
    QComboBox *user_;
    ui::DateField *from_, *to_;
    QLineEdit *year_, *number_;
    QPushButton *cmdCerca_, *cmdStampa_, *cmdAllegato_;
    ui::RowList *list_;
    AccessCriteria searched_;
};

} // namespace nimbo::history
