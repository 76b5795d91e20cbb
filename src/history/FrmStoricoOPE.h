#pragma once
// "Consulta Storico Operatori": the operators on the left; choosing one
// lists the changes the database logged for him (activation, change of
// data, deactivation), and choosing a change shows the operator as that
// change left him, with the names of his entity, department and office
// (kept even when those no longer exist).

#include <QHash>

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::history {

class FrmStoricoOPE : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStoricoOPE(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    ui::RowList *operators() const { return operators_; }
    ui::RowList *changes() const { return changes_; }
    void operatorChosen(int row);
    void changeChosen(int row);

private:
    void clearDetail();

    ui::RowList *operators_, *changes_;
    QLabel *changesHeading_;
    QHash<QString, QLineEdit *> detail_;
};

} // namespace nimbo::history
