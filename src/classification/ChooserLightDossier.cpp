#include "classification/ChooserLightDossier.h"
#include "classification/DossierCall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "servers/ClassificationRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"

namespace nimbo::classification {
namespace {

const QString kTitle = QStringLiteral("Nuovo fascicolo");
const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!");
const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");

} // namespace

FrmFascicoliLight::FrmFascicoliLight(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmFascicoliLighT"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI;REGISTRA"));

    auto *group = new ui::FormGroup(QStringLiteral("Fascicolo"), this);
    classLabel_ = new ui::DescriptionLabel(group);
    classLabel_->setObjectName(QStringLiteral("LblClasse"));
    group->addRow(QStringLiteral("Classe"), {ui::Cell(classLabel_, 1)});
    code_ = ui::readOnlyField(group, "TxtCodice", 6);
    group->addRow(QStringLiteral("Codice"), {code_});
    description_ = new QLineEdit(group);
    description_->setObjectName(QStringLiteral("TxtDescrizione"));
    description_->setMaxLength(100);
    ui::makeCodeField(description_, 50, true);
    // Upper case as typed, and as wide as the group allows.
    description_->setMinimumWidth(ui::fieldWidth(description_, 30));
    description_->setMaximumWidth(QWIDGETSIZE_MAX);
    group->addRow(QStringLiteral("Descrizione"), {ui::Cell(description_, 1)});

    save_ = new QPushButton(QStringLiteral("Registra"), this);
    save_->setObjectName(QStringLiteral("CmdRegistra"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(save_);
    buttons->addWidget(quit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(description_, &QLineEdit::returnPressed, this, [this] { save(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(this);
}

QSize FrmFascicoliLight::sizeHint() const { return QSize(620, 200).expandedTo(minimumSizeHint()); }

QString FrmFascicoliLight::statusText() const { return status_->text(); }

void FrmFascicoliLight::setDossierClass(const SchemePath &path, const QString &titleDescription,
                                        const QString &categoryDescription, const QString &classDescription)
{
    path_ = path;
    classLabel_->setText(path.title + QLatin1Char('.') + path.category + QLatin1Char('.') + path.cls
                         + QStringLiteral(" - ") + titleDescription + QStringLiteral(" \\ ") + categoryDescription
                         + QStringLiteral(" \\ ") + classDescription);
    classLabel_->setToolTip(classLabel_->text());
    code_->clear();
    description_->clear();
    status_->clear();
    save_->setEnabled(true);
    dirty()->setClean();
    description_->setFocus();
}

void FrmFascicoliLight::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("REGISTRA"))
        save();
    else if (key == QLatin1String("ESCI"))
        closeWindow();
}

qint64 FrmFascicoliLight::save()
{
    const QString description = description_->text().trimmed();
    if (description.isEmpty()) {
        showBox(kTitle, QStringLiteral("inserire la descrizione del fascicolo"), Icon::Warning);
        description_->setFocus();
        return 0;
    }
    const auto &op = DicAmbiente::session().op;
    SchemePath p = path_;
    p.ente = op.ente;
    QVariantList request =
        dossierRequest(QStringLiteral("A"), dossierCondition(p.ente, p.title, p.category, p.cls, 0),
                       newDossierColumns(p, description, op.code, QDate::currentDate()));
    const emergency::CallOutcome out = writeDossier(request);
    if (!out.ok()) {
        reportDossierFailure(out, kTitle, QStringLiteral("save"));
        status_->setText(kNotDone);
        return 0;
    }
    const QVariantList &reply = out.reply;
    const qint64 code = reply.value(2).toLongLong();
    if (code <= 0) {
        showBox(kTitle, QStringLiteral("Registrazione non effettuata. Contattare esperto procedura."), Icon::Critical);
        status_->setText(kNotDone);
        return 0;
    }
    code_->setText(protocol::ChosenDossier::shownCode(code));
    status_->setText(kDone);
    save_->setEnabled(false);
    dirty()->setClean();
    // Back to the chooser, which lists the new dossier chosen.
    if (property("Tag").toString() == QLatin1String("FRMINSCLASS")) {
        emit dossierCreated(path_.title, path_.category, path_.cls, code, description);
        closeWindow();
    }
    return code;
}

} // namespace nimbo::classification
