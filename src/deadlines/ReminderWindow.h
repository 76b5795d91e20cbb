#pragma once
// "Registrazione Sollecito": the phone calls and letters with which a
// matter was urged on the office in charge of it, for one protocol.

#include <QDate>

#include "ui/RecordEditor.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::deadlines {

// The "E-Mail" of a matter's detail: a reminder to the office in charge.
// Mail is not configured in this program yet, and the clerk is told so;
// the subject it would carry is returned.
QString offerReminderMail(const QString &number, const QString &direction, const QDate &protocolDate);

class FrmSollecito : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmSollecito(QWidget *parent = nullptr);

    ui::RowList *list() const { return list_; }
    QString number() const { return number_; }

public slots:
    // The protocol (direction, 11-character number) and the office in
    // charge whose reminders are shown. Typed data is asked about first;
    // false when the operator kept it.
    bool setProtocol(const QString &direction, const QString &number, const QString &officeCode);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    void enteredMode(Mode mode) override;
    QString toolbarFor(Mode mode) const override;
    QString writeCondition(const ui::Record &key) const override;

private:
    QString listQuery() const;

    ui::RowList *list_;
    QLabel *heading_, *office_;
    QLineEdit *id_, *person_, *answer_;
    ui::DateField *date_;
    QPushButton *new_, *save_, *delete_, *cancel_, *quit_;
    QString direction_, number_, officeCode_;
};

} // namespace nimbo::deadlines
