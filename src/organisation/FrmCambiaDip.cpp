#include "organisation/FrmCambiaDip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

bool officesCalledUnits() { return DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104"); }

QString pairSelect(const QString &from, const QString &ente, const QString &dip, const QString &uff)
{
    return QStringLiteral("SELECT ") + ente + QStringLiteral(", e.Ente_Denominazione, ") + dip
           + QStringLiteral(", d.Dipa_Denominazione, ") + uff + QStringLiteral(", u.Tab_Descrizione FROM ") + from
           + QStringLiteral(" LEFT JOIN Tab_Enti e ON e.Ente_Codice = ") + ente
           + QStringLiteral(" LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = ") + ente
           + QStringLiteral(" AND d.Dipa_CodDipartimento = ") + dip + QStringLiteral(" LEFT JOIN Tab_Uffici u ON u.Tab_Ente = ")
           + ente + QStringLiteral(" AND u.Tab_Dipartimento = ") + dip + QStringLiteral(" AND u.Tab_Ufficio = ") + uff;
}

// A closed department or office is no longer a place to work for.
const QString kOpen = QStringLiteral(" AND COALESCE(d.Dipa_Chiuso, 'NO') <> 'SI' AND COALESCE(u.Tab_Chiuso, 'NO') <> 'SI'");

} // namespace

QString FrmCambiaDip::pairsQuery(const QString &code)
{
    return pairSelect(QStringLiteral("Tab_Operatori o"), QStringLiteral("o.Op_Ente"), QStringLiteral("o.Op_Dipartimento"),
                      QStringLiteral("o.Op_CodiceUfficio"))
           + QStringLiteral(" WHERE o.Op_Codice_Operatore = ") + ui::sqlText(code) + kOpen + QStringLiteral(" UNION ")
           + pairSelect(QStringLiteral("Tab_Operatori_DIP x"), QStringLiteral("x.Op_Ente"), QStringLiteral("x.Op_DIP"),
                        QStringLiteral("x.Op_Uff"))
           + QStringLiteral(" WHERE x.Op_Codice = ") + ui::sqlText(code) + kOpen + QStringLiteral(" ORDER BY 4, 6");
}

FrmCambiaDip::FrmCambiaDip(QWidget *parent)
    : ChildWindow(parent), current_(new QLabel(this)), list_(new ui::RowList(QStringLiteral("LwDipartimenti"), this)),
      ok_(new QPushButton(QStringLiteral("Conferma"), this))
{
    setObjectName(QStringLiteral("FrmCambiaDip"));
    setWindowTitle(QStringLiteral("Cambio Dipartimento"));
    current_->setObjectName(QStringLiteral("LblCorrente"));
    current_->setWordWrap(true);
    ok_->setObjectName(QStringLiteral("CmdConferma"));
    const bool units = officesCalledUnits();
    list_->setColumns(units ? QStringLiteral("Codice;Area Organizzativa;Codice;Dipartimento;Codice;Unità Operativa")
                            : QStringLiteral("Codice;Area Organizzativa;Codice;Dipartimento;Codice;Ufficio"),
                      QStringLiteral("7;20;7;27;7;27"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(current_);
    layout->addWidget(list_, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    setToolbarKeys(QStringLiteral("ESCI"));
    connect(ok_, &QPushButton::clicked, this, &FrmCambiaDip::confirm);
    connect(list_, &ui::RowList::chosen, this, [this] { ok_->setDefault(true); });
    showCurrent();
    list_->load(pairsQuery(DicAmbiente::session().op.code));
}

void FrmCambiaDip::showCurrent()
{
    const auto &op = DicAmbiente::session().op;
    current_->setText(QStringLiteral("Area organizzativa corrente: ") + op.ente + QStringLiteral("   Dipartimento corrente: ")
                      + op.department + QLatin1String("   ")
                      + (officesCalledUnits() ? QStringLiteral("Unità Operativa corrente: ") : QStringLiteral("Ufficio corrente: "))
                      + op.office);
}

bool FrmCambiaDip::confirm()
{
    const int row = list_->currentRow();
    if (row < 0) {
        showBox(windowTitle(), QStringLiteral("Per poter effettuare il cambio bisogna selezionare un diparimento dall'elenco."),
                Icon::Warning);
        return false;
    }
    const auto shown = [this, row](int code) {
        return list_->text(row, code).trimmed() + QStringLiteral(" - ") + list_->text(row, code + 1).trimmed();
    };
    const QString question = QStringLiteral("Confermi la selezione dell'AREA ORGANIZZATIVA: ") + shown(0)
                             + QStringLiteral("  - DIPARTIMENTO: ") + shown(2) + QStringLiteral("  - UFFICIO: ") + shown(4);
    if (showBox(windowTitle(), question, Icon::Question, Buttons::YesNo) != Answer::Yes)
        return false;
    auto &op = DicAmbiente::session().op;
    op.ente = list_->text(row, 0).trimmed();
    op.department = list_->text(row, 2).trimmed();
    op.office = list_->text(row, 4).trimmed();
    closeWindow();
    return true;
}

void FrmCambiaDip::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::organisation
