#include "organisation/FrmHelpUff.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"

namespace nimbo::organisation {

FrmHelpUff::FrmHelpUff(QLineEdit *target, QWidget *parent)
    : ChildWindow(parent), target_(target), departments_(new QComboBox(this)), offices_(new QComboBox(this)),
      confirm_(new QPushButton(QStringLiteral("Conferma"), this))
{
    const bool units = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    setWindowTitle(QString::fromUtf8(units ? "Selezione Unità Operativa" : "Selezione Ufficio"));
    departments_->setObjectName(QStringLiteral("CboDipartimento"));
    offices_->setObjectName(QStringLiteral("CboUfficio"));
    confirm_->setObjectName(QStringLiteral("CmdConferma"));
    for (QComboBox *c : {departments_, offices_}) {
        c->setMinimumContentsLength(40);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }

    auto *group = new ui::FormGroup(QString::fromUtf8(units ? "Unità Operativa" : "Ufficio"), this);
    group->addRow(QStringLiteral("Dipartimento"), {ui::Cell(departments_, 1)});
    group->addRow(QString::fromUtf8(units ? "Unità Operativa" : "Ufficio"), {ui::Cell(offices_, 1)});
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirm_);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(group);
    v->addLayout(buttons);
    v->addStretch(1);

    fillPicker(departments_, openDepartments(DicAmbiente::session().op.ente));
    connect(departments_, &QComboBox::currentIndexChanged, this, &FrmHelpUff::departmentChosen);
    connect(confirm_, &QPushButton::clicked, this, &FrmHelpUff::confirm);
    setToolbarKeys(QStringLiteral("ESCI"));
}

QString FrmHelpUff::stationText(const QString &department, const QString &office)
{
    return QStringLiteral("Postazione  ") + department + QLatin1Char(' ') + office;
}

void FrmHelpUff::departmentChosen()
{
    const QString dip = pickedCode(departments_);
    if (dip.isEmpty())
        fillPicker(offices_, {});
    else
        fillPicker(offices_, openOffices(DicAmbiente::session().op.ente, dip));
}

void FrmHelpUff::confirm()
{
    if (pickedCode(offices_).isEmpty()) {
        showBox(windowTitle(), QStringLiteral("Selezionare l'ufficio interessato"), Icon::Warning);
        offices_->setFocus();
        return;
    }
    if (target_)
        target_->setText(stationText(pickedName(departments_), pickedName(offices_)));
    closeWindow();
}

void FrmHelpUff::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::organisation
