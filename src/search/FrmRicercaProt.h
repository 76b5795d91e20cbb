#pragma once
// "Ricerca Protocollo": finds the protocols the operator may see and records
// the acts (resolutions, decrees...) that refer to an incoming one. The
// search page lists what was found with a column that tells whether acts
// are already linked; choosing a protocol opens its acts, kept by the
// record editor of this window, beside its read-only detail.

#include <QPointer>

#include "data/Scope.h"
#include "search/ActsRules.h"
#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::search {

class ProtocolDetail;

class FrmRicercaProt : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmRicercaProt(QWidget *parent = nullptr);

    ui::RowList *protocols() const { return protocols_; }
    ui::RowList *acts() const { return acts_; }
    ProtocolDetail *detail() const { return detail_; }
    // The criteria as typed.
    ActsCriteria criteria() const;
    // "CERCA": false when a criterion is refused.
    bool search();
    // Opens the protocol of a row of the found list; false when it cannot be
    // read or the operator keeps what he typed.
    bool openProtocol(int row);
    // Back to the found list ("ANNULLA" while a protocol is open).
    bool closeProtocol();
    QString openNumber() const { return number_; }

    void ELABORATBAR(const QString &key) override;

protected:
    ui::CheckList checks(bool isNew) const override;
    QString toolbarFor(Mode mode) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    bool writeRecord(const ui::Record &record, bool isNew) override;
    bool deleteRecord() override;
    QString writeCondition(const ui::Record &key) const override;

private:
    QWidget *buildCriteria();
    QWidget *buildActs();
    void applyLevel();
    QDate today() const;

    protocol::Viewer viewer_;
    QStackedWidget *pages_;
    ui::PickList *pick_;
    // criteria
    QRadioButton *incoming_, *outgoing_;
    ui::DateField *protocolDate_, *receiptDate_;
    QComboBox *protocolOp_, *receiptOp_;
    QLineEdit *correspondent_, *docType_, *operator_, *subject_, *department_, *office_;
    ui::RowList *protocols_;
    QString lastSearch_;
    // the open protocol
    QLabel *heading_;
    QTabWidget *tabs_;
    ui::RowList *acts_;
    ProtocolDetail *detail_;
    QLineEdit *actType_, *actDepartment_, *actOffice_;
    QPushButton *new_, *save_, *cancel_, *delete_;
    QString number_;
    QString direction_;
    bool actsChanged_ = false;
};

} // namespace nimbo::search
