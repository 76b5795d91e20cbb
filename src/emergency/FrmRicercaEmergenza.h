#pragma once
// Read-only search of the emergency registrations kept on this workstation.

#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::emergency {

class FrmRicercaEmergenza : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmRicercaEmergenza(QWidget *parent = nullptr);
    ui::RowList *list() const { return list_; }
    // "Avvia Ricerca": checks the period and lists; false when a check failed.
    bool search();

protected:
    ui::CheckList checks(bool isNew) const override;
    QString toolbarFor(Mode mode) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;

private:
    QString searchQuery() const;

    ui::RowList *list_;
    QComboBox *direction_;
    ui::DateField *from_, *to_;
    QLineEdit *subject_, *who_, *numberShown_, *generalShown_;
    QPushButton *view_;
    bool searched_ = false;
};

} // namespace nimbo::emergency
