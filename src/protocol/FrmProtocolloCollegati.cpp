// The registration window's linked protocols and precedent: the panel of
// the protocols linked to the one shown, and the precedent chosen from the
// list of a period, which becomes a link.

#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "platform/Dialogs.h"
#include "protocol/ProtocolLinks.h"
#include "protocol/ProtocolLinksPanel.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::protocol {

namespace {

const QString kPrecedentWindow = QStringLiteral("FrmProtPreced");

} // namespace

void FrmProtocollo::addPrecedentRow(ui::FormGroup *group)
{
    cmdPrecedente_ = new QPushButton(QStringLiteral("Protocollo Precedente"), group);
    cmdPrecedente_->setObjectName(QStringLiteral("CmdPrecedente"));
    cmdPrecedente_->setToolTip(QStringLiteral("Sceglie dall'elenco dei protocolli il protocollo precedente, che viene "
                                              "collegato a questo"));
    QLineEdit *number = edit(group, "TxtPrecedente", true);
    number->setFixedWidth(ui::fieldWidth(number, 17));
    group->addRow(QStringLiteral("Precedente"), {number, QStringLiteral("Oggetto"),
                                                 ui::Cell(edit(group, "TxtOggettoPrecedente", true), 1), cmdPrecedente_});
    connect(cmdPrecedente_, &QPushButton::clicked, this, &FrmProtocollo::choosePrecedent);
}

void FrmProtocollo::updatePrecedentButton()
{
    if (!cmdPrecedente_)
        return;
    const bool registered = !field("txtNumeroProtocollo")->text().trimmed().isEmpty()
                            && state_->property("tag").toString() != QLatin1String("C");
    cmdPrecedente_->setEnabled(!forCancellation() && (isNew_ || registered)
                               && WindowRegistry::contains(kPrecedentWindow));
}

void FrmProtocollo::showLinks()
{
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    linkPanel_->setProtocol(f.direction, f.number);
    panels_->setCurrentWidget(linked_);
}

void FrmProtocollo::choosePrecedent()
{
    QWidget *w = WindowRegistry::open(kPrecedentWindow);
    if (!w) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: ") + kPrecedentWindow,
                          QStringLiteral("choosePrecedent"), objectName());
        return;
    }
    connect(w, SIGNAL(precedentChosen(QString, QString, QString)), this, SLOT(setPrecedent(QString, QString, QString)),
            Qt::UniqueConnection);
}

void FrmProtocollo::setPrecedent(const QString &direction, const QString &number, const QString &subject)
{
    const ProtocolForm f = form();
    const QString key = storedNumber(number);
    if (!isNew_) {
        // A registered protocol is linked at once; the fields show the
        // precedent only once it is.
        if (f.number.isEmpty())
            return;
        const links::Result r = links::link(DicAmbiente::session().op.ente, {f.direction, f.number}, {direction, key});
        if (!r.ok()) {
            showBox(kCaption, links::linkMessage(r), r.outcome == links::Outcome::Failed ? Icon::Critical : Icon::Warning);
            return;
        }
    } else if (key == f.number) {
        return;
    }
    precedentDirection_ = direction.trimmed();
    precedentNumber_ = key;
    field("TxtPrecedente")->setText(links::precedentText(precedentDirection_, key));
    field("TxtOggettoPrecedente")->setText(subject);
    field("TxtOggettoPrecedente")->setCursorPosition(0);
}

bool FrmProtocollo::linkPrecedent(const QString &direction, const QString &number)
{
    const links::Result r = links::link(DicAmbiente::session().op.ente, {direction, number},
                                        {precedentDirection_, precedentNumber_});
    if (r.ok())
        return true;
    showBox(kCaption,
            QStringLiteral("Il protocollo è stato registrato, ma non è stato possibile collegarlo al protocollo "
                           "precedente ")
                + links::precedentText(precedentDirection_, precedentNumber_) + QStringLiteral(":\n")
                + links::linkMessage(r),
            Icon::Warning);
    return false;
}

} // namespace nimbo::protocol
