#include "email/FrmCambiaEmail.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "email/EmailRules.h"
#include "email/WindowParts.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kKept = QStringLiteral("invariata");

} // namespace

FrmCambiaEmail::FrmCambiaEmail(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmCambiaEmail"));
    setWindowTitle(kSettingsCaption);
    setToolbarKeys(QStringLiteral("ESCI"));
    auto *group = new ui::FormGroup(QStringLiteral("Posta elettronica dell'operatore"), this);
    address_ = new QLineEdit(group);
    address_->setObjectName(QStringLiteral("TxtEmail"));
    address_->setMaxLength(150);
    user_ = new QLineEdit(group);
    user_->setObjectName(QStringLiteral("TxtUtente"));
    user_->setMaxLength(100);
    password_ = new QLineEdit(group);
    password_->setObjectName(QStringLiteral("TxtPassword"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(50);
    group->addRow(QStringLiteral("Indirizzo E-mail"), {ui::Cell(address_, 1)});
    group->addRow(QStringLiteral("Utente casella"), {ui::Cell(user_, 1)});
    group->addRow(QStringLiteral("Password casella"), {ui::Cell(password_, 1)});
    save_ = namedButton(this, "CmdRegistra", QStringLiteral("Registra"));
    quit_ = namedButton(this, "CmdEsci", QStringLiteral("Esci"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttonRow({}, {save_, quit_}));
    layout->addStretch(1);
    connect(save_, &QPushButton::clicked, this, &FrmCambiaEmail::save);
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(group);
    setMinimumWidth(480);
    load();
}

void FrmCambiaEmail::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmCambiaEmail::load()
{
    const QString code = DicAmbiente::session().op.code;
    const auto row = F::Caricadati(kDb, QStringLiteral("SELECT Op_Email, Op_UserNameEmail, Op_PwdEmail FROM Tab_Operatori "
                                                       "WHERE Op_Codice_Operatore = '")
                                            + F::quote(code) + QLatin1Char('\''));
    address_->setText(row ? row->value(0).toString().trimmed() : QString());
    user_->setText(row ? row->value(1).toString().trimmed() : QString());
    // The stored password is never read back into the window.
    password_->clear();
    const bool stored = row && !row->value(2).toString().trimmed().isEmpty();
    password_->setPlaceholderText(stored ? kKept : QString());
    password_->setToolTip(stored ? QStringLiteral("Lasciare vuoto per mantenere la password registrata") : QString());
    dirty()->setClean();
}

void FrmCambiaEmail::save()
{
    if (const auto problem = settingsProblem(address_->text())) {
        showBox(kSettingsCaption, *problem, Icon::Warning);
        address_->setFocus();
        return;
    }
    auto &op = DicAmbiente::session().op;
    F::Statement statement;
    QString why;
    if (!settingsStatement(op.code, address_->text(), user_->text(), password_->text(), &statement, &why)) {
        GECentr::writeLog(why, QStringLiteral("save"), objectName());
        showBox(kSettingsCaption, kSettingsFailed, Icon::Critical);
        return;
    }
    if (!F::Update_Tabella({statement}, kDb)) {
        showBox(kSettingsCaption, kSettingsFailed, Icon::Critical);
        return;
    }
    // The session sends with what was just stored.
    op.email = address_->text().trimmed();
    op.mailUser = user_->text().trimmed();
    if (!password_->text().trimmed().isEmpty())
        op.mailPassword = password_->text().trimmed();
    showBox(kSettingsCaption, kSettingsSaved, Icon::Information);
    load();
}

} // namespace nimbo::email
