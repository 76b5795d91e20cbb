#include "startup/FrmStart.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/GridLoaders.h"

namespace {
const QString kEntityTable = QStringLiteral("TAB_STARTPROTOCOLLO");
const QString kDepartmentTable = QStringLiteral("TAB_STARTDIPARTIMENTI");
} // namespace

FrmStart::FrmStart(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmStart"));
    setWindowTitle(QStringLiteral("Contatori Protocollo"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("LwStart"));
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setObjectName(QStringLiteral("CmdChiudi"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    // The window keeps the size it is given rather than the layout's minimum.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    resize(420, 300);
}

bool FrmStart::validParameters(const QString &entity, const QString &department, const QString &table)
{
    if (entity.trimmed().isEmpty() || table.trimmed().isEmpty())
        return false;
    if (table == kDepartmentTable)
        return !department.trimmed().isEmpty();
    return table == kEntityTable;
}

QString FrmStart::query(const QString &entity, const QString &department, const QString &table)
{
    // The table name is one of the two fixed names (validParameters), so only
    // the codes need quoting.
    const QString e = Funzioni_Com_1::quote(entity);
    if (table == kDepartmentTable)
        return QStringLiteral("SELECT Tab_AnnoProtocollo,Tab_ProtocolloEntrata,tab_protocolloUscita ") +
               QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE Tab_CodiceEnte= '") + e +
               QStringLiteral("'") + QStringLiteral(" and Tab_CodDipartimento= '") +
               Funzioni_Com_1::quote(department) + QStringLiteral("'") +
               QStringLiteral(" ORDER BY Tab_AnnoProtocollo DESC");
    // Both directions draw on one sequence, so the last number assigned is
    // the greater of the two counters.
    return QStringLiteral("SELECT Tab_AnnoProtocollo,CASE WHEN COALESCE(Tab_ProtocolloEntrata, 0) >= "
                          "COALESCE(tab_protocolloUscita, 0) THEN COALESCE(Tab_ProtocolloEntrata, 0) "
                          "ELSE tab_protocolloUscita END ") +
           QStringLiteral(" FROM ") + table +
           QStringLiteral(" WHERE Tab_CodiceEnte= '") + e + QStringLiteral("'") +
           QStringLiteral(" ORDER BY Tab_AnnoProtocollo DESC");
}

void FrmStart::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        activate();
    }
}

void FrmStart::activate()
{
    if (!validParameters(entity_, department_, table_)) {
        nimbo::showBox(DicAmbiente::session().programName,
                       QStringLiteral("ATTENZIONE ! Errore nei parametri passati al form FRMSTART"),
                       nimbo::Icon::Warning);
        // Not from inside the show itself: the window is still being shown.
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    if (table_ == kDepartmentTable)
        CaricaLWDaQuery(QStringLiteral("PROTOCOLLO"), query(entity_, department_, table_), list_,
                        QStringLiteral("Anno Prot.;Ultimo Prot. Entrata;Ultimo Prot. Uscita"),
                        QStringLiteral("12;19;19"));
    else
        CaricaLWDaQuery(QStringLiteral("PROTOCOLLO"), query(entity_, department_, table_), list_,
                        QStringLiteral("Anno Prot.;Ultimo Protocollo Assegnato"), QStringLiteral("12;26;"));
}
