#pragma once
// The registering workstations of the operator's entity: a four-character
// code, a description and the operator enabled to use it. A workstation
// that an emergency register uses cannot be deleted.

#include "ui/RecordEditor.h"

class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmPostazioni : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmPostazioni(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }
    // The search the list shows, from the three search fields.
    QString searchQuery() const;

protected:
    ui::CheckList checks(bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    QString toolbarFor(Mode mode) const override;

private:
    void pickOffice();

    ui::RowList *list_;
    QLineEdit *findId_;
    QLineEdit *findDescription_;
    QLineEdit *findUser_;
    QLineEdit *id_;
    QLineEdit *description_;
    QLineEdit *user_;
    QPushButton *office_;
    ui::PickList *pick_;
    ui::CodeLookup *userLookup_;
};

} // namespace nimbo::organisation
