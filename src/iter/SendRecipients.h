#pragma once
// The recipient part shared by the assignment and the transmission
// windows: department, office and member boxes, the competence/copy
// options, "Aggiungi" and "Cancella", and the recipient list
// ("Lwdestinatari") whose rows switch type on a double click.

#include <QVector>
#include <QWidget>

#include "iter/SendRules.h"

class QComboBox;
class QPushButton;
class QRadioButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::iter {

class RecipientEditor : public QWidget {
    Q_OBJECT
public:
    RecipientEditor(SendKind kind, QWidget *parent = nullptr);

    const QVector<Recipient> &rows() const { return rows_; }
    void setRows(const QVector<Recipient> &rows);
    // Adds the rows not yet in the list (same department, office, member).
    void addRows(const QVector<Recipient> &rows);
    // 1 when "Competenza" is ticked, 2 for "Copia Conoscenza", 0 for neither.
    int chosenType() const;
    // What the boxes and options hold.
    Choice choice() const;
    ui::RowList *list() const { return list_; }
    // The boxes are read again (the operator's profile may have changed).
    void reset();

    // The buttons, for the window's tests and its own enabling.
    QPushButton *addButton() const { return add_; }
    QPushButton *removeButton() const { return remove_; }

    void addChosen();
    void removeTicked();
    void switchRow(int row);

signals:
    void changed();

private:
    void fillDepartments();
    void fillOffices();
    void fillMembers();
    void refresh();

    SendKind kind_;
    QVector<Recipient> rows_;
    QComboBox *dip_ = nullptr, *uff_ = nullptr, *comp_ = nullptr;
    QRadioButton *competence_ = nullptr, *copy_ = nullptr;
    QPushButton *add_ = nullptr, *remove_ = nullptr;
    ui::RowList *list_ = nullptr;
};

} // namespace nimbo::iter
