#pragma once
// "Documenti in entrata": the in-tray of the operator at work. The
// deliveries addressed to his office (or department, or to him as an office
// member) are listed with a check box each; the ticked ones are taken in
// charge through the protocol server. A double click shows the detail of a
// delivery with the movements of its protocol.

#include "ui/ChildWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::iter {

class FrmInCarico : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmInCarico(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;

    // "Esegui Ricerca": false when the criteria were refused or the read failed.
    bool search();
    // "Prendi in Carico": false when nothing was written.
    bool takeInCharge();
    // Fills the detail panel from a row of the list.
    void showDetail(int row);

private:
    void showIter(int row);
    // Opens a window on the protocol of the current row.
    void openForRow(const QString &window);
    QPushButton *button(const char *name, const QString &text, bool enabled = true);

    QCheckBox *assigned_, *retransmitted_;
    ui::DateField *from_, *to_;
    ui::RowList *list_;
    QLineEdit *notes_;
    QLabel *count_;
    // Detail panel.
    QLineEdit *detailNotes_, *deadline_, *sender_, *kind_, *sentAt_, *emergency_;
    ui::RowList *iter_;
};

} // namespace nimbo::iter
