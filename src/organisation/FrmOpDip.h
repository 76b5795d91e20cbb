#pragma once
// The further departments and offices an operator works for, besides his
// own: added one office at a time or every open office of a department at
// once ("000 - Tutti"), removed one at a time.

#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::organisation {

class FrmOpDip : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmOpDip(QWidget *parent = nullptr);

    void setOperator(const QString &code, const QString &name);
    QString operatorCode() const { return operator_; }
    ui::RowList *list() const { return list_; }

    void ELABORATBAR(const QString &key) override;

    // "code - name", marked when the record is closed.
    static QString itemText(const QString &code, const QString &name, bool closed);

private:
    void fillEntities();
    void fillDepartments();
    void fillOffices();
    void reload();
    void add();
    void removeChosen();

    QString operator_;
    QLabel *heading_;
    QComboBox *entities_;
    QComboBox *departments_;
    QComboBox *offices_;
    ui::RowList *list_;
    QPushButton *add_;
    QPushButton *remove_;
};

} // namespace nimbo::organisation
