#pragma once
// The reason window of a discarded provisional e-mail: the clerk gives the
// reason (a code of the cancellation reasons) and the e-mail leaves the
// pending ones, unless it was registered meanwhile.

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::email {

class FrmProtEmailCanc : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmProtEmailCanc(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    qlonglong provisional() const { return provisional_; }
    QString statusText() const;

public slots:
    // The e-mail to discard; typed data is asked about first.
    bool setEmail(const QString &direction, qlonglong provisional, const QString &subject);

signals:
    // The e-mail left the pending ones: discarded here, or found registered.
    void discarded(qlonglong provisional);

private:
    void confirm();

    QLabel *heading_, *reasonName_, *status_;
    QLineEdit *reason_;
    ui::PickList *pick_;
    ui::CodeLookup *lookup_;
    QPushButton *confirm_, *cancel_;
    QString direction_;
    qlonglong provisional_ = 0;
};

} // namespace nimbo::email
