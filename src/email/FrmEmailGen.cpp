#include "email/FrmEmailGen.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "email/EmailRules.h"
#include "email/MailSend.h"
#include "email/WindowParts.h"
#include "platform/Dialogs.h"
#include "servers/MailRequests.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {

FrmEmailGen::FrmEmailGen(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmEmailGen"));
    setWindowTitle(kGeneralCaption);
    setToolbarKeys(QStringLiteral("ESCI"));
    auto *group = new ui::FormGroup(QStringLiteral("Messaggio"), this);
    sender_ = ui::readOnlyField(group, "TxtMittente");
    group->addRow(QStringLiteral("Mittente"), {ui::Cell(sender_, 1)});
    recipient_ = new QLineEdit(group);
    recipient_->setObjectName(QStringLiteral("TxtDestinatario"));
    recipient_->setMaxLength(150);
    group->addRow(QStringLiteral("Destinatario"), {ui::Cell(recipient_, 1)});
    subject_ = new QLineEdit(group);
    subject_->setObjectName(QStringLiteral("TxtOggetto"));
    group->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    text_ = new QPlainTextEdit(group);
    text_->setObjectName(QStringLiteral("TxtMessaggio"));
    group->addRow(QStringLiteral("Testo"), {ui::Cell(text_, 1)});
    send_ = namedButton(this, "CmdInvia", QStringLiteral("Invia"));
    quit_ = namedButton(this, "CmdEsci", QStringLiteral("Esci"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttonRow({}, {send_, quit_}));
    connect(send_, &QPushButton::clicked, this, &FrmEmailGen::send);
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(group);
    setMinimumWidth(560);

    // The message leaves from the office's address.
    const auto &op = DicAmbiente::session().op;
    if (const auto office = F::Caricadati(QStringLiteral("PROTOCOLLO"), officeAddressQuery(op.ente, op.department, op.office)))
        sender_->setText(office->value(1).toString().trimmed());
}

void FrmEmailGen::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmEmailGen::setRecipient(const QString &address, const QString &subject)
{
    recipient_->setText(address.trimmed());
    subject_->setText(subject.trimmed());
    text_->setFocus();
}

void FrmEmailGen::send()
{
    if (const auto problem = generalProblem(recipient_->text(), subject_->text(), text_->toPlainText())) {
        showBox(kGeneralCaption, *problem, Icon::Warning);
        if (*problem == kNoText)
            text_->setFocus();
        else
            (*problem == kNoSubject ? subject_ : recipient_)->setFocus();
        return;
    }
    const auto &op = DicAmbiente::session().op;
    const SendResult r = callMailServer(
        kOpInviaEmail, mailreq::mailRequest(op.ente, mailreq::kGeneral, QString(), recipient_->text().trimmed(),
                                            subject_->text().trimmed(), text_->toPlainText(), op.code, sender_->text()));
    if (reportSend(kGeneralCaption, r, kSent)) {
        dirty()->setClean();
        closeWindow();
    }
}

} // namespace nimbo::email
