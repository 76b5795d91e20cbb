#pragma once
// "Documenti spediti": what the operator's office sent and the recipients
// have not yet taken in charge (a delivery per recipient, which the sender
// may take back), or what he took in charge before and is not completed.

#include "iter/SendLists.h"
#include "ui/ChildWindow.h"

class QPushButton;
class QRadioButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::iter {

class SearchFields;

class FrmSpediti : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmSpediti(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    SentView view() const;
    // Runs the search ("Visualizza"); false when a check failed.
    bool search();
    ui::RowList *list() const { return list_; }

private:
    void takeBack();

    QRadioButton *optNotTaken_ = nullptr, *optTaken_ = nullptr;
    SearchFields *fields_ = nullptr;
    ui::RowList *list_ = nullptr;
    QPushButton *cmdRiprendi_ = nullptr;
};

} // namespace nimbo::iter
