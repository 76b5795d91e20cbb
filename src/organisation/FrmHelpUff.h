#pragma once
// The office picker of the workstation window: a department of the
// operator's entity, then one of its offices; confirming writes
// "Postazione  " with the two names into the caller's field and closes.
//
//   auto *p = qobject_cast<organisation::FrmHelpUff *>(WindowRegistry::open(QStringLiteral("FrmHelpUff")));
//   if (p) p->setTarget(txtDescrizione);

#include <QLineEdit>
#include <QPointer>

#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace nimbo::organisation {

class FrmHelpUff : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmHelpUff(QLineEdit *target = nullptr, QWidget *parent = nullptr);

    // The field the chosen office is written into.
    void setTarget(QLineEdit *target) { target_ = target; }
    QLineEdit *target() const { return target_; }

    // The text written for a department and an office name.
    static QString stationText(const QString &department, const QString &office);

    void ELABORATBAR(const QString &key) override;

private:
    void departmentChosen();
    void confirm();

    QPointer<QLineEdit> target_;
    QComboBox *departments_;
    QComboBox *offices_;
    QPushButton *confirm_;
};

} // namespace nimbo::organisation
