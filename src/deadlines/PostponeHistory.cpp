// "Storico scadenze di un documento Protocollato" (FrmStoricoScadenze).

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "deadlines/PostponeRules.h"
#include "deadlines/PostponeWindow.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "servers/DeadlineRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines
{

FrmStoricoScadenze::FrmStoricoScadenze(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmStoricoScadenze"));
    setWindowTitle(kHistoryCaption);
    setToolbarKeys(QStringLiteral("ESCI"));

    heading_ = new QLabel(kHistoryHeading, this);
    heading_->setObjectName(QStringLiteral("lblTitolo"));
    list_ = new ui::RowList(QStringLiteral("FlexRinvii"), this);
    list_->setColumns(QString::fromUtf8(kHistoryTitles), QString::fromLatin1(kHistoryWidths));
    list_->setFitToWidth(true);
    list_->setMinimumWidth(760);
    remove_ = new QPushButton(QStringLiteral("Elimina Ultimo Rinvio"), this);
    remove_->setObjectName(QStringLiteral("CmdElimina"));
    quit_ = new QPushButton(QStringLiteral("Esci"), this);
    quit_->setObjectName(QStringLiteral("CmdEsci"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(remove_);
    buttons->addWidget(quit_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(heading_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(remove_, &QPushButton::clicked, this, [this] { removeLast(); });
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
    remove_->setEnabled(false);
}

void FrmStoricoScadenze::setProtocol(const QString &direction, const QString &number)
{
    direction_ = direction.trimmed();
    number_ = storedNumber(number);
    heading_->setText(kHistoryHeading + nimbo::shownNumber(number_));
    reload();
}

bool FrmStoricoScadenze::reload()
{
    list_->clear();
    remove_->setEnabled(false);
    if (number_.isEmpty())
        return false;
    const F::LoadedRows r =
        F::loadRows(QStringLiteral("PROTOCOLLO"), historyQuery(DicAmbiente::session().op.ente, number_));
    if (r.failed()) {
        GECentr::writeLog(r.message, QStringLiteral("reload"), objectName());
        showBox(kHistoryCaption, kHistoryUnreadable, Icon::Critical);
        return false;
    }
    list_->setRows(historyRows(r));
    remove_->setEnabled(list_->count() > 0);
    if (list_->count() == 0)
        showBox(kHistoryCaption, kNoDeadlines, Icon::Information);
    return true;
}

bool FrmStoricoScadenze::removeLast()
{
    if (number_.isEmpty())
        return false;
    // The last row as the history was read (the initial deadline first,
    // then the postponements by date), whatever the sort on screen.
    const int last = list_->count() - 1;
    LastRow row;
    row.exists = last >= 0;
    if (row.exists) {
        row.flag = list_->value(last, kShownFlag).toInt();
        row.insertedBy = list_->text(last, 6);
    }
    const auto &s = DicAmbiente::session();
    if (const auto refused = removalFailure(row, s.op.code, s.op.level)) {
        showBox(kHistoryCaption, *refused, Icon::Warning);
        return false;
    }
    const QVariantList request = postpone::removeRequest(s.op.ente, number_, list_->value(last, 7).toLongLong(),
                                                         QDate::fromString(list_->value(last, 2).toString(), Qt::ISODate), s.op.code);
    const emergency::CallOutcome out =
        emergency::callProtocolServer(kOpEliminaRinvio, request, kRequestTitle, kWaitText);
    if (!out.ok()) {
        emergency::reportFailure(out, kHistoryCaption, kServerError, QStringLiteral("FrmStoricoScadenze.Elimina"));
        return false;
    }
    reload();
    return true;
}

void FrmStoricoScadenze::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::deadlines
