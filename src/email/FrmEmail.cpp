#include "email/FrmEmail.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "email/MailSend.h"
#include "email/WindowParts.h"
#include "mail/MailAddress.h"
#include "platform/Dialogs.h"
#include "servers/MailRequests.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
// Our own: the protocol asked for is not in the register.
const QString kUnknownProtocol = QStringLiteral("Il protocollo indicato non è presente in archivio.");

void addRecipient(QListWidget *list, const QString &who, const QString &address)
{
    if (address.trimmed().isEmpty())
        return;
    auto *item = new QListWidgetItem(who.trimmed() + QStringLiteral(" - ") + address.trimmed(), list);
    item->setData(Qt::UserRole, address.trimmed());
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

} // namespace

FrmEmail::FrmEmail(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmEmail"));
    setWindowTitle(kNoticeCaption);
    setToolbarKeys(QStringLiteral("ESCI"));
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("lblProtocollo"));
    auto *to = new ui::FormGroup(QStringLiteral("Destinatari"), this);
    recipients_ = new QListWidget(to);
    recipients_->setObjectName(QStringLiteral("lstDestinatari"));
    recipients_->setMinimumHeight(70);
    recipients_->setMaximumHeight(120);
    to->addWide(recipients_);
    auto *message = new ui::FormGroup(QStringLiteral("Messaggio"), this);
    subject_ = new QLineEdit(message);
    subject_->setObjectName(QStringLiteral("TxtOggetto"));
    message->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    text_ = new QPlainTextEdit(message);
    text_->setObjectName(QStringLiteral("TxtMessaggio"));
    // The notice's lines are laid out in columns by blanks.
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    message->addRow(QStringLiteral("Testo"), {ui::Cell(text_, 1)});
    // An outgoing protocol may also go to another administration as a
    // protocol message: its documents with a Segnatura.xml naming them.
    interop_ = new ui::FormGroup(kInteropGroup, this);
    interop_->setObjectName(QStringLiteral("FraInterop"));
    interopAddress_ = new QLineEdit(interop_);
    interopAddress_->setObjectName(QStringLiteral("TxtIndirizzoAmm"));
    interopAddress_->setMaxLength(150);
    sendProtocol_ = namedButton(interop_, "CmdInviaProtocollo", QStringLiteral("Invia Protocollo"));
    interop_->addRow(QStringLiteral("Indirizzo"), {ui::Cell(interopAddress_, 1), sendProtocol_});
    interop_->hide();
    send_ = namedButton(this, "CmdInvia", QStringLiteral("Invia"));
    quit_ = namedButton(this, "CmdEsci", QStringLiteral("Esci"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(to);
    layout->addWidget(message, 1);
    layout->addWidget(interop_);
    layout->addLayout(buttonRow({}, {send_, quit_}));
    connect(send_, &QPushButton::clicked, this, &FrmEmail::send);
    connect(sendProtocol_, &QPushButton::clicked, this, &FrmEmail::sendProtocol);
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(message);
    setMinimumWidth(620);
}

void FrmEmail::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmEmail::setProtocol(const QString &direction, const QString &number)
{
    if (!mailConfigured()) {
        showBox(kNoticeCaption, kExpert + mailreq::kNotConfigured, Icon::Warning);
        closeWindow();
        return false;
    }
    const auto &op = DicAmbiente::session().op;
    const auto row = F::Caricadati(kDb, noticeProtocolQuery(op.ente, direction.trimmed(), storedNumber(number)));
    if (!row) {
        showBox(kNoticeCaption, kUnknownProtocol, Icon::Warning);
        closeWindow();
        return false;
    }
    facts_ = readNoticeFacts(*row);
    interop_->setVisible(direction.trimmed() == QLatin1String("U"));
    interopAddress_->setText(facts_.correspondentAddress);
    heading_->setText(QStringLiteral("Protocollo N. ") + shownNumber(facts_.number) + QStringLiteral(" del ")
                      + facts_.date);
    recipients_->clear();
    if (const auto office = F::Caricadati(kDb, officeAddressQuery(op.ente, facts_.department, facts_.office)))
        addRecipient(recipients_, office->value(0).toString(), office->value(1).toString());
    const F::LoadedRows members =
        F::loadRows(kDb, memberAddressesQuery(op.ente, facts_.department, facts_.office, QDate::currentDate()));
    for (int i = 0; members.ok && i < members.rowCount(); ++i)
        addRecipient(recipients_, members.value(0, i).toString(), members.value(1, i).toString());
    subject_->setText(noticeSubject(facts_));
    text_->setPlainText(noticeText(facts_));
    dirty()->setClean();
    return true;
}

void FrmEmail::send()
{
    QStringList to;
    for (int i = 0; i < recipients_->count(); ++i)
        if (recipients_->item(i)->checkState() == Qt::Checked)
            to << recipients_->item(i)->data(Qt::UserRole).toString();
    if (to.isEmpty()) {
        showBox(kNoticeCaption, kNoRecipient, Icon::Warning);
        recipients_->setFocus();
        return;
    }
    if (text_->toPlainText().trimmed().isEmpty()) {
        showBox(kNoticeCaption, kEmptyBody, Icon::Warning);
        text_->setFocus();
        return;
    }
    const auto &op = DicAmbiente::session().op;
    const SendResult r = callMailServer(kOpNotificaProtocollo, mailreq::noticeRequest(op.ente, facts_.number, to,
                                                                                      subject_->text().trimmed(),
                                                                                      text_->toPlainText(), op.code));
    if (reportSend(kNoticeCaption, r, kSent)) {
        dirty()->setClean();
        closeWindow();
    }
}

void FrmEmail::sendProtocol()
{
    const QString to = interopAddress_->text().trimmed();
    if (to.isEmpty() || !mail::isPlainAddress(to)) {
        showBox(kNoticeCaption, to.isEmpty() ? kNoInteropAddress : kBadAddress, Icon::Warning);
        interopAddress_->setFocus();
        return;
    }
    if (showBox(kNoticeCaption, kAskSendProtocol.arg(to), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return;
    const auto &op = DicAmbiente::session().op;
    reportSend(kNoticeCaption,
               callMailServer(kOpInviaProtocollo, mailreq::protocolMessageRequest(op.ente, facts_.number, to, op.code)),
               kProtocolSent);
}

} // namespace nimbo::email
