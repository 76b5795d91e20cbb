#pragma once
// "FrmCancProto" ("Cancellazione protocolli"): finds an active protocol of
// the body, shows it, and cancels it with a reason, notes and, when there is
// one, the act that authorises the cancellation, through the protocol
// server (operation 15). The rules live in CancelRules.h.

#include <QPointer>

#include "corrections/CancelRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::corrections {

class FrmCancProto : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmCancProto(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // "Cerca": the list of the protocols that may be cancelled.
    void search();
    // A row of the list into the detail frame.
    void choose(int row);
    // "Cancella" and "Annulla".
    void cancelProtocol();
    void clearDetail();

    // The protocol in the detail frame ("yyyynnnnnnn"), empty when none.
    QString chosenNumber() const { return number_; }

private:
    void buildCriteria(QWidget *parent);
    void buildDetail(QWidget *parent);
    cancel::Criteria criteria() const;
    // Runs the search; an empty result is told only when the clerk asked.
    void runSearch(bool tellNothingFound);
    void focusOn(QWidget *w);

    QRadioButton *optE_ = nullptr, *optU_ = nullptr, *optAll_ = nullptr;
    ui::DateField *from_ = nullptr, *to_ = nullptr;
    QLineEdit *correspondent_ = nullptr, *numberField_ = nullptr, *subject_ = nullptr;
    QLabel *correspondentName_ = nullptr;
    ui::RowList *list_ = nullptr;
    QLineEdit *shownNumber_ = nullptr, *shownDate_ = nullptr, *shownType_ = nullptr, *shownWho_ = nullptr,
              *shownSubject_ = nullptr;
    QLabel *whoCaption_ = nullptr;
    QLineEdit *reason_ = nullptr, *notes_ = nullptr, *actType_ = nullptr, *actNumber_ = nullptr;
    QLabel *reasonName_ = nullptr;
    ui::DateField *actDate_ = nullptr;
    QPushButton *cancel_ = nullptr, *undo_ = nullptr;
    ui::PickList *pick_ = nullptr;
    ui::CodeLookup *correspondentLookup_ = nullptr, *reasonLookup_ = nullptr;

    QVector<cancel::Shown> rows_;
    QString direction_, number_;
};

} // namespace nimbo::corrections
