#pragma once
// A received message in our own viewer: sender, recipients, date, subject,
// its text and its attachments, each previewed as the protocol's
// attachments are. A certified-mail envelope shows the original message it
// carries. Nothing of the message runs or is fetched: HTML is shown as
// text.

#include <QList>

#include "mail/MimeReader.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::email {

class FrmVisEmail : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmVisEmail(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;
    QListWidget *attachments() const { return attachments_; }

public slots:
    // The .eml file to show and the sender's address the provisional e-mail
    // was stored with; false (the clerk told) when it cannot be read.
    bool setMessage(const QString &file, const QString &sender);
    // Previews the attachment of that row; false when it cannot be written.
    bool preview(int row);

private:
    void answer();

    QLabel *kind_;
    QLineEdit *from_, *to_, *date_, *subject_;
    QPlainTextEdit *text_;
    QListWidget *attachments_;
    QPushButton *preview_, *answer_, *quit_;
    QList<mail::MailAttachment> files_;
    QString sender_;
};

// The text of a message: its plain text, or the text of its HTML (nothing
// it refers to is loaded).
QString messageText(const mail::ParsedMail &m);

} // namespace nimbo::email
