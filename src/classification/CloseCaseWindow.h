#pragma once
// Closing handled cases. frmArchPratica lists the protocols assigned to the
// operator and not yet closed; choosing one fills the closing form.
// frmArchivia closes one protocol given by its opener and lists the
// protocols that protocol itself closed as a note. Both check the form in
// the same order and write the type-5 movement through the protocol server.

#include <QDate>

#include "classification/CloseCaseRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::classification {

class CloseCaseWindow : public ChildWindow {
    Q_OBJECT
public:
    enum class Variant { List, One };
    explicit CloseCaseWindow(Variant variant, QWidget *parent = nullptr);

    // The protocol to close: frmArchivia shows it; frmArchPratica chooses it
    // when it is among its candidates.
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);

    void ELABORATBAR(const QString &key) override;

    // Reads the candidates again (frmArchPratica).
    void reload();
    // Checks the form and writes the closing; true when it went through.
    bool closeCase();
    ui::RowList *candidates() const { return list_; }
    ui::RowList *closedByNote() const { return closedList_; }
    QString chosenNumber() const { return form_.number; }

private:
    void chosen(int row);
    void showProtocol(const CloseCaseForm &protocol, const QString &subject, const QString &office);
    void clearForm();
    CloseCaseForm typed() const;

    Variant variant_;
    QString caption_;
    ui::RowList *list_ = nullptr;
    ui::RowList *closedList_ = nullptr;
    QLabel *closedCaption_ = nullptr;
    QLineEdit *direction_;
    QLineEdit *number_;
    QLineEdit *date_;
    QLineEdit *subject_;
    QLineEdit *noteDirection_;
    QLineEdit *noteYear_;
    QLineEdit *noteNumber_;
    ui::DateField *closingDate_;
    QLineEdit *notes_;
    CloseCaseForm form_; // the protocol chosen; empty number while none
    QString office_;     // the office that closes it
};

} // namespace nimbo::classification
