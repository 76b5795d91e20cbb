#include "startup/LoginStandIn.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

LoginStandIn::LoginStandIn(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoginStandIn"));
    setWindowTitle(QStringLiteral("Accesso"));
    code_ = new QLineEdit(this);
    code_->setObjectName(QStringLiteral("txtOperatore"));
    code_->setMaxLength(8);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    exit_ = new QPushButton(QStringLiteral("Esci"), this);
    exit_->setObjectName(QStringLiteral("cmdEsci"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(exit_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Codice operatore"), this));
    layout->addWidget(code_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
}

bool LoginStandIn::loginFromCommandLine(const QString &operatorCode)
{
    code_->setText(operatorCode.left(code_->maxLength()));
    return confirm();
}

bool LoginStandIn::confirm()
{
    const QString code = code_->text().trimmed();
    if (code.isEmpty()) {
        nimbo::showBox(windowTitle(), QStringLiteral("Inserire il codice operatore"), nimbo::Icon::Warning);
        return false;
    }
    const auto row = F::Caricadati(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT Op_Codice_Operatore, Op_Nome, Op_Cognome, Op_Ente, Op_Dipartimento, "
                       "Op_CodiceUfficio, Op_Livello, Op_Abilitazioni, Op_Funzioni, Op_AbilPrivacy "
                       "FROM Tab_Operatori WHERE Op_Codice_Operatore = '") +
            F::quote(code) + QLatin1Char('\''));
    if (!row) {
        nimbo::showBox(windowTitle(), QStringLiteral("Codice operatore inesistente: ") + code, nimbo::Icon::Warning);
        code_->selectAll();
        code_->setFocus();
        return false;
    }
    const auto text = [&](int i) { return row->value(i).toString().trimmed(); };
    auto &s = DicAmbiente::session();
    DicAmbiente::Operator op;
    op.code = text(0);
    op.name = text(2) + QLatin1Char(' ') + text(1);
    op.ente = text(3);
    op.department = text(4);
    op.office = text(5);
    op.level = text(6).toInt();
    op.direction = text(7).isEmpty() ? QStringLiteral("0") : text(7);
    op.functions = text(8);
    op.privacy = text(9).compare(QLatin1String("S"), Qt::CaseInsensitive) == 0;
    s.op = op;
    s.structureCode = op.ente;
    s.emergency = false;
    accept();
    return true;
}

bool LoginStandIn::login(const QStringList &commandLine)
{
    LoginStandIn window;
    if (!commandLine.isEmpty() && window.loginFromCommandLine(commandLine.first()))
        return true;
    return window.exec() == QDialog::Accepted;
}
