#pragma once
// "Ricerca Storico Protocolli": the flat archive of old protocols kept in
// the central database (AB_StoricoProtocollo). The search panel lists the
// first protocols that meet the criteria (the row limit chosen), a row opens
// the detail panel, PRECEDENTE/SUCCESSIVO move along the list and ANNULLA
// goes back to it; STAMPA prints the list.

#include "history/HistoryRules.h"
#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::history {

class FrmStoricoAB : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStoricoAB(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    AbCriteria criteria() const;
    bool search();
    bool openRow(int row);
    void step(int delta);
    void backToList();
    bool print();

    ui::RowList *list() const { return list_; }
    bool detailShown() const;

private:
    QStackedWidget *pages_;
    QWidget *searchPage_, *detailPage_;
    QLineEdit *year_, *number_, *sender_, *recipient_, *subject_;
    QComboBox *limit_, *operator_;
    ui::DateField *date_;
    QRadioButton *incoming_, *outgoing_, *both_;
    QLabel *count_, *cut_;
    ui::RowList *list_;
    QHash<QString, QLineEdit *> detail_;
};

} // namespace nimbo::history
