#pragma once
// "Protocollazione Definitiva delle Email": the provisional e-mail
// protocols of the body waiting to be registered. The clerk completes the
// sender and the document type, reads the message, registers it with a
// definitive number (the sender then gets a receipt) or discards it with a
// reason, and classifies the registered document.

#include <QStringList>

#include "email/EmailRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::email {

class FrmProtEmail : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmProtEmail(QWidget *parent = nullptr);
    ~FrmProtEmail() override;

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    ui::RowList *list() const { return list_; }
    // The e-mail in the detail (provisional 0 when none), as typed.
    EmailForm form() const;
    QString statusText() const;
    // The message file of the e-mail in the detail, in the work folder;
    // empty when it could not be read.
    QString messageFile() const { return messageFile_; }

public slots:
    // The pending e-mails read again. "Carica Email" first reads the
    // body's mailbox and empties the detail.
    void reload();
    // Shows the e-mail of that provisional number in the detail; false
    // when it cannot be read (the clerk has been told).
    bool choose(qlonglong provisional);
    // Message files dragged onto the window become provisional e-mails;
    // the last one stored is shown. Other files are refused with the reason.
    void dropFiles(const QStringList &paths);

private slots:
    // The reason window discarded that e-mail.
    void afterDiscard(qlonglong provisional);

private:
    void registerEmail();
    void discard();
    void classify();
    void showMessage();
    void sendReceipt(const EmailForm &f, const QString &number);
    // The receipt confirmation of a registered protocol message, and
    // whether the message on screen asks us for one.
    void confirmReceipt();
    bool confirmationAsked() const;
    void clearDetail();
    void setStatus(const QString &text);
    // Removes the message files this window wrote.
    void removeFiles();
    bool readMessage(qlonglong provisional);

    ui::RowList *list_;
    ui::PickList *pick_;
    ui::CodeLookup *correspondent_, *docType_;
    QLineEdit *number_, *direction_, *sentOn_, *registeredOn_, *protocolDate_, *general_;
    QLineEdit *correspondentCode_, *from_, *docTypeCode_, *subject_, *refNumber_;
    ui::DateField *refDate_;
    QLabel *correspondentName_, *docTypeName_, *status_;
    QPushButton *load_, *view_, *register_, *discard_, *classify_, *confirm_, *close_;
    EmailForm shown_;
    QString messageFile_;
    QStringList files_;
};

} // namespace nimbo::email
