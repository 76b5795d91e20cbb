#include "iter/FrmTrasmetti.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "iter/SendCall.h"
#include "iter/SendRecipients.h"
#include "platform/Dialogs.h"
#include "servers/IterRequests.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::iter {

namespace {

const QString kCaption = QString::fromUtf8(kTransmitCaption);

} // namespace

FrmTrasmetti::FrmTrasmetti(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmTrasmetti"));
    setWindowTitle(kCaption);
    build();
    setToolbarKeys(QStringLiteral("ESCI"));
    dirty()->watch(notes_);
}

const QVector<Recipient> &FrmTrasmetti::recipients() const { return recipients_->rows(); }

QSize FrmTrasmetti::sizeHint() const { return QSize(1000, 600).expandedTo(minimumSizeHint()); }

void FrmTrasmetti::build()
{
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(4);

    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), this);
    txtEUI_ = ui::readOnlyField(head, "TxtEUI", 3);
    txtProtI_ = ui::readOnlyField(head, "TxtProtI", 13);
    txtDataI_ = ui::readOnlyField(head, "TxtDataI", 11);
    head->addRow(QStringLiteral("Tipo"), {txtEUI_, "N° Protocollo", txtProtI_, "Data Protocollo", txtDataI_});
    head->grid()->setColumnStretch(head->grid()->columnCount(), 1);
    v->addWidget(head);

    recipients_ = new RecipientEditor(SendKind::Transmission, this);
    v->addWidget(recipients_, 1);

    auto *notesBox = new ui::FormGroup(QStringLiteral("Comunicazioni"), this);
    notes_ = new QPlainTextEdit(notesBox);
    notes_->setObjectName(QStringLiteral("txtAnnotazioniSped"));
    notes_->setMaximumHeight(56);
    notesBox->addWide(notes_);
    v->addWidget(notesBox);

    auto *buttons = new QHBoxLayout;
    cmdInvia_ = new QPushButton(QStringLiteral("Invia"), this);
    cmdInvia_->setObjectName(QStringLiteral("CmdInvia"));
    cmdEsci_ = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("CmdEsci"));
    buttons->addStretch(1);
    buttons->addWidget(cmdInvia_);
    buttons->addWidget(cmdEsci_);
    v->addLayout(buttons);

    connect(cmdInvia_, &QPushButton::clicked, this, &FrmTrasmetti::send);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(recipients_, &RecipientEditor::changed, this, [this] { dirty()->setDirty(); });
}

void FrmTrasmetti::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmTrasmetti::setProtocol(const QString &direction, const QString &number, const QString &protocolDate)
{
    direction_ = direction.trimmed().toUpper();
    number_ = storedNumber(number.trimmed());
    QDate d = QDate::fromString(protocolDate.trimmed(), QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(protocolDate.trimmed().left(10), Qt::ISODate);
    protocolDate_ = d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : protocolDate.trimmed();
    txtEUI_->setText(direction_);
    txtProtI_->setText(shownNumber(number_));
    txtDataI_->setText(protocolDate_);
    recipients_->setRows({});
    notes_->clear();
    dirty()->setClean();
}

void FrmTrasmetti::send()
{
    const QVector<Recipient> &rows = recipients_->rows();
    if (const auto failure = checkTransmit(rows)) {
        showBox(kCaption, *failure, Icon::Warning);
        return;
    }
    if (showBox(kCaption, QStringLiteral("CONFERMI l'assegnazione del documento ai destinatari selezionati?"),
                Icon::Question, Buttons::YesNo) != Answer::Yes)
        return;
    const Sender s = Sender::fromSession();
    TransmissionRequest req;
    req.ente = s.ente;
    req.direction = direction_;
    req.number = number_;
    req.operatorCode = s.code;
    req.office = s.office;
    req.notes = notes_->toPlainText().trimmed();
    req.department = s.department;
    for (const Recipient &r : rows)
        req.recipients.append({r.office, r.member, r.type});

    const CallOutcome out = callIterServer(kOpTrasmissione, transmissionRequest(req));
    if (!out.ok()) {
        reportFailure(out, kCaption, QStringLiteral("Server Ole, Errore in Registrazione Spedizione Documenti "),
                      QStringLiteral("Contattare Supporto sistemistico. Si è verificato un errore nella "
                                     "trasmissione del documento."),
                      QStringLiteral("send"), objectName());
        return;
    }
    showBox(kCaption, QStringLiteral("Trasmissione effettuata."), Icon::Information);
    dirty()->setClean();
    emit sent();
    closeWindow();
}

} // namespace nimbo::iter
