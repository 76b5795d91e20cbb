#pragma once
// Quick entry of a correspondent while registering: name, address, kind
// and the prevention department's codes. The caller is named by the mode
// the window is opened with ("FRMPROTOCOLLO", ...) and its window by
// setCallerWindow(); after the insert the caller's slot
// setCorrespondent(code, label) receives the new identifier and the text
// "name - street, number - municipality", and the window closes.

#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::addressbook {

// The callers that may open quick entry.
const QStringList &quickEntryCallers();

class FrmMittLight : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmMittLight(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    void enteredMode(Mode mode) override;
    void written(bool deleted) override;

private:
    QString ente_;
    ui::PickList *pick_;
    QLineEdit *name_;
    QLabel *municipalityName_;
    QLabel *postal_;
    ui::CodeLookup *municipality_;
    mutable QString askedAbout_;
    mutable qlonglong lastWritten_ = 0;
};

} // namespace nimbo::addressbook
