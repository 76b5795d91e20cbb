#include "startup/NewPwd.h"

#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "data/Password.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/LoginRules.h"

namespace F = Funzioni_Com_1;

NewPwd::NewPwd(const QString &mode, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewPwd"));
    setWindowTitle(QStringLiteral("Cambio Password"));
    newPwd_ = new QLineEdit(this);
    newPwd_->setObjectName(QStringLiteral("txtNewPwd"));
    newPwd_->setEchoMode(QLineEdit::Password);
    confPwd_ = new QLineEdit(this);
    confPwd_->setObjectName(QStringLiteral("txtConfPwd"));
    confPwd_->setEchoMode(QLineEdit::Password);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("cbuOk"));
    exit_ = new QPushButton(QStringLiteral("Esci"), this);
    exit_->setObjectName(QStringLiteral("cbuEsci"));
    required_ = mode == QLatin1String("O");
    exit_->setEnabled(!required_);
    if (mode == QLatin1String("O"))
        setWindowFlag(Qt::WindowCloseButtonHint, false);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Nuova Password"), newPwd_);
    form->addRow(QStringLiteral("Conferma Password"), confPwd_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(exit_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
}

bool NewPwd::allowed()
{
    if (DicAmbiente::session().op.flPassword == QLatin1String("S"))
        return true;
    GECentr::showMessage(QStringLiteral("Operatore Non Abilitato al cambio Password !!!"));
    return false;
}

bool NewPwd::confirm()
{
    if (++attempts_ > 4) {
        GECentr::showMessage(QStringLiteral("Numero di tentativi nuova Password esaurito "));
        done(QDialog::Rejected);
        return false;
    }
    auto &op = DicAmbiente::session().op;
    const QString failed = LoginRules::newPasswordCheck(newPwd_->text(), confPwd_->text(), op.password);
    if (!failed.isEmpty()) {
        GECentr::showMessage(failed);
        return false;
    }
    const QString stored = Password::hash(newPwd_->text());
    const QDate today = QDate::currentDate();
    const bool written =
        !stored.isEmpty() &&
        F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("TAB_Operatori"),
                            {{QStringLiteral("Op_Password"), stored}, {QStringLiteral("Op_Data"), today}},
                            QStringLiteral("op_codice_operatore='") + F::quote(op.code) + QLatin1Char('\'')}},
                          QStringLiteral("PROTOCOLLO"), F::kModeServer);
    if (!written) {
        GECentr::showMessage(QStringLiteral("ATTENZIONE ! Errore in Variazione Password Operatore ") + op.surname);
        return false;
    }
    op.password = stored;
    op.passwordDate = today;
    accept();
    return true;
}

void NewPwd::reject()
{
    if (!required_)
        QDialog::reject();
}

void NewPwd::run(QWidget *parent, const QString &mode)
{
    NewPwd window(mode, parent);
    if (window.allowed())
        window.exec();
}
