#pragma once
// "Gestione Oggetti Ricorrenti": the subjects that the operator's
// department registers again and again, found by a part of their text and
// their direction, kept one by one. Each is identified by the number the
// database gives it on insert.

#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::codes {

class FrmOggettiR : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmOggettiR(QWidget *parent = nullptr);

    ui::RowList *list() const { return list_; }
    // The search the list shows, from the search text and direction.
    QString searchQuery() const;

protected:
    ui::CheckList checks(bool isNew) const override;
    void loaded(const ui::Record &record) override;
    void enteredMode(Mode mode) override;
    QString writeCondition(const ui::Record &key) const override;

private:
    ui::RowList *list_;
    QLineEdit *search_;
    QComboBox *searchDirection_;
    QLineEdit *subject_;
    QComboBox *direction_;
    QLineEdit *id_;
    QString storedDirection_;
};

} // namespace nimbo::codes
