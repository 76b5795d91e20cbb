#include "email/FrmProtEmailCanc.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "corrections/CancelRules.h"
#include "email/EmailRules.h"
#include "email/WindowParts.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/FormKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

const QString kTitle = QStringLiteral("Cancellazione E-mail provvisoria");

} // namespace

FrmProtEmailCanc::FrmProtEmailCanc(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmProtEmailCanc"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("lblEmail"));
    heading_->setWordWrap(true);
    pick_ = new ui::PickList(this);
    auto *group = new ui::FormGroup(QStringLiteral("Motivazione della cancellazione"), this);
    reason_ = new QLineEdit(group);
    reason_->setObjectName(QStringLiteral("txtMotivo"));
    ui::makeCodeField(reason_, 7, true);
    reasonName_ = new ui::DescriptionLabel(group);
    reasonName_->setObjectName(QStringLiteral("lblMotivo"));
    group->addCodeRow(QStringLiteral("Motivo"), reason_, reasonName_);
    lookup_ = new ui::CodeLookup(reason_, reasonName_, pick_, corrections::cancel::reasonFinder(), this);
    confirm_ = namedButton(this, "cmdConferma", QStringLiteral("Conferma"));
    cancel_ = namedButton(this, "cmdAnnulla", QStringLiteral("Annulla"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStato"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(group);
    layout->addLayout(buttonRow({}, {confirm_, cancel_}));
    layout->addWidget(status_);
    layout->addStretch(1);
    connect(reason_, &QLineEdit::returnPressed, lookup_, &ui::CodeLookup::enter);
    connect(confirm_, &QPushButton::clicked, this, &FrmProtEmailCanc::confirm);
    connect(cancel_, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(group);
    setMinimumWidth(520);
}

void FrmProtEmailCanc::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

QString FrmProtEmailCanc::statusText() const { return status_->text(); }

bool FrmProtEmailCanc::setEmail(const QString &direction, qlonglong provisional, const QString &subject)
{
    if (provisional != provisional_ && !dirty()->confirmDiscard(kTitle))
        return false;
    direction_ = direction.trimmed().isEmpty() ? QStringLiteral("E") : direction.trimmed();
    provisional_ = provisional;
    heading_->setText(QStringLiteral("E-mail provvisoria N. %1: %2").arg(provisional).arg(subject));
    lookup_->clear();
    status_->clear();
    dirty()->setClean();
    reason_->setFocus();
    return true;
}

void FrmProtEmailCanc::confirm()
{
    lookup_->refresh();
    if (provisional_ == 0 || reason_->text().trimmed().isEmpty() || reasonName_->text().isEmpty()) {
        showBox(kTitle, kNoReason, Icon::Warning);
        reason_->setFocus();
        return;
    }
    const QDateTime now = F::serverTime();
    if (!now.isValid()) {
        showBox(kTitle, kNoClock, Icon::Critical);
        return;
    }
    const auto &op = DicAmbiente::session().op;
    status_->setText(kWaitUpdating);
    // Only a pending e-mail is discarded: one registered since it was
    // chosen makes the write find no row.
    if (!F::Update_Tabella({discardStatement(op.ente, direction_, provisional_, reason_->text(), op.code, op.office,
                                             now.date())},
                           QStringLiteral("PROTOCOLLO"))) {
        const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"), emailQuery(op.ente, provisional_));
        const bool registered = row && !readEmail(*row).general.isEmpty();
        status_->setText(QString());
        showBox(kTitle, registered ? kRegisteredKept : kUpdateFailed, Icon::Critical);
        if (registered) {
            // It has left the pending e-mails all the same.
            const qlonglong gone = provisional_;
            provisional_ = 0;
            dirty()->setClean();
            emit discarded(gone);
            closeWindow();
        }
        return;
    }
    status_->setText(kUpdateDone);
    dirty()->setClean();
    const qlonglong done = provisional_;
    provisional_ = 0;
    emit discarded(done);
    closeWindow();
}

} // namespace nimbo::email
