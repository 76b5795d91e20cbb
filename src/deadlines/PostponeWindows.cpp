// "Impostazione Scadenza di una Pratica" (FrmRinviaScad) and the
// registration of both deadline windows by name.

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "deadlines/Deadlines.h"
#include "deadlines/PostponeRules.h"
#include "deadlines/PostponeWindow.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "servers/DeadlineRequests.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines
{

namespace
{

const QString kDb = QStringLiteral("PROTOCOLLO");

QLineEdit *textField(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

FrmRinviaScad::FrmRinviaScad(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmRinviaScad"));
    setWindowTitle(kPostponeCaption);
    setToolbarKeys(QStringLiteral("ESCI"));

    heading_ = new QLabel(kPostponeHeading, this);
    heading_->setObjectName(QStringLiteral("lblTitolo"));
    auto *box = new ui::FormGroup(QStringLiteral("Scadenza della pratica"), this);
    currentField_ = ui::readOnlyField(box, "TxtScadAtt", 10);
    newDate_ = new ui::DateField(box);
    newDate_->setObjectName(QStringLiteral("TxtNuovaScad"));
    reason_ = textField(box, "TxtMotivo");
    official_ = textField(box, "TxtFunzionario");
    reference_ = textField(box, "TxtEstremi");
    box->addRow(QStringLiteral("Data di Scadenza attuale:"), {currentField_});
    box->addRow(QStringLiteral("Nuova data di scadenza:"), {newDate_});
    box->addRow(QStringLiteral("Motivo:"), {ui::Cell(reason_, 1)});
    box->addRow(QStringLiteral("Funzionario Autorizzante:"), {ui::Cell(official_, 1)});
    box->addRow(QStringLiteral("Estremi Autorizzazione:"), {ui::Cell(reference_, 1)});
    dirty()->watch(box);

    register_ = new QPushButton(QStringLiteral("Registra"), this);
    register_->setObjectName(QStringLiteral("CmdRegistra"));
    cancel_ = new QPushButton(QStringLiteral("Annulla"), this);
    cancel_->setObjectName(QStringLiteral("CmdAnnulla"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(register_);
    buttons->addWidget(cancel_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(heading_);
    layout->addWidget(box);
    layout->addLayout(buttons);
    layout->addStretch(1);
    setMinimumWidth(560);

    connect(register_, &QPushButton::clicked, this, [this] { registerDeadline(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { closeWindow(); });
    register_->setEnabled(false);
}

void FrmRinviaScad::setProtocol(const QString &direction, const QString &number)
{
    direction_ = direction.trimmed();
    number_ = storedNumber(number);
    heading_->setText(kPostponeHeading + nimbo::shownNumber(number_));
    const auto row = F::Caricadati(kDb, deadlineInForceQuery(DicAmbiente::session().op.ente, direction_, number_));
    current_ = row ? protocol::shownDate(protocol::dateText(row->value(0))) : QDate();
    currentField_->setText(current_.isValid() ? current_.toString(QStringLiteral("dd/MM/yyyy")) : QString());
    for (QLineEdit *e : {static_cast<QLineEdit *>(newDate_), reason_, official_, reference_})
        e->clear();
    register_->setEnabled(!number_.isEmpty());
    dirty()->setClean();
    newDate_->setFocus();
}

bool FrmRinviaScad::registerDeadline()
{
    if (number_.isEmpty())
        return false;
    const PostponeForm f{newDate_->text(), reason_->text(), official_->text(), reference_->text(), current_};
    const QDateTime now = F::serverTime();
    if (const auto failure = postponeFailure(f, now.isValid() ? now.date() : QDate::currentDate())) {
        showBox(kPostponeCaption, failure->message, Icon::Warning);
        if (auto *w = findChild<QWidget *>(QLatin1String(failure->field)))
            w->setFocus();
        return false;
    }
    const auto &s = DicAmbiente::session();
    postpone::Postponement p;
    p.ente = s.op.ente;
    p.number = number_;
    p.deadline = protocol::shownDate(f.newDate.trimmed());
    p.reason = f.reason.trimmed();
    p.official = f.official.trimmed();
    p.reference = f.reference.trimmed();
    p.operatorCode = s.op.code;
    const emergency::CallOutcome out =
        emergency::callProtocolServer(kOpRegistraScadenza, postpone::postponeRequest(p), kRequestTitle, kWaitText);
    if (!out.ok()) {
        emergency::reportFailure(out, kPostponeCaption, kServerError, QStringLiteral("FrmRinviaScad.Registra"));
        return false;
    }
    dirty()->setClean();
    closeWindow();
    return true;
}

void FrmRinviaScad::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void registerPostponeWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRinviaScad"), [] { return new FrmRinviaScad; });
    WindowRegistry::add(QStringLiteral("FrmStoricoScadenze"), [] { return new FrmStoricoScadenze; });
}

} // namespace nimbo::deadlines
