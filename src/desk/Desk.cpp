#include "desk/Desk.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "desk/FrmVaiProtocollo.h"
#include "desk/StartPage.h"
#include "session/DicAmbiente.h"
#include "ui/WindowRegistry.h"

namespace nimbo::desk {

namespace {

QWidget *findBox()
{
    if (DicAmbiente::session().emergency)
        return nullptr;
    auto *holder = new QWidget;
    holder->setObjectName(QStringLiteral("VaiAlProtocollo"));
    auto *box = new QLineEdit(holder);
    box->setObjectName(QStringLiteral("txtVaiProtocollo"));
    box->setPlaceholderText(QString::number(QDate::currentDate().year()) + QStringLiteral("-123"));
    box->setToolTip(QStringLiteral("Vai al protocollo: anno-numero (2026-123), il numero dell'anno in corso (123) "
                                   "o il numero di emergenza; Invio apre il protocollo"));
    box->setClearButtonEnabled(true);
    box->setMaxLength(40);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
    QObject::connect(box, &QLineEdit::returnPressed, box, [box] {
        if (goToProtocol(box->text()))
            box->clear();
    });
    auto *caption = new QLabel(QStringLiteral("Vai al protocollo"), holder);
    caption->setBuddy(box);
    auto *row = new QHBoxLayout(holder);
    row->setContentsMargins(8, 0, 4, 0);
    row->addWidget(caption);
    row->addWidget(box);
    // Beside the keys, never stretched across the bar.
    holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return holder;
}

} // namespace

void registerDeskWindows()
{
    WindowRegistry::add(QStringLiteral("FrmVaiProtocollo"), [] { return new FrmVaiProtocollo; });
    WindowRegistry::add(QStringLiteral("VaiAlProtocollo"), [] { return findBox(); });
    WindowRegistry::add(QStringLiteral("PaginaIniziale"), []() -> QWidget * {
        if (DicAmbiente::session().emergency)
            return nullptr;
        return new StartPage;
    });
}

} // namespace nimbo::desk
