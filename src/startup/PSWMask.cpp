#include "startup/PSWMask.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "data/Password.h"
#include "platform/Busy.h"
#include "platform/CardReader.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/LoginRules.h"
#include "startup/NewPwd.h"

namespace F = Funzioni_Com_1;

namespace {

PSWMask::NewPwdRunner g_newPwdRunner;

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLineEdit *field(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

void trace(const QString &what, const QString &proc)
{
    if (DicAmbiente::session().cfg.applTrace)
        GECentr::writeTrace(what, proc, QStringLiteral("PSWMask"));
}

} // namespace

PSWMask::PSWMask(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PSWMask"));
    setWindowTitle(DicAmbiente::session().programName);
    operator_ = field(QStringLiteral("txtOperatore"), this);
    password_ = field(QStringLiteral("txtPassword"), this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setEnabled(false);
    ok_ = button(QStringLiteral("cbuOk"), QStringLiteral("OK"), this);
    ok_->setEnabled(false);
    exit_ = button(QStringLiteral("cbuEsci"), QStringLiteral("Esci"), this);
    newPwd_ = button(QStringLiteral("cbuNewPwd"), QStringLiteral("Cambia Password"), this);
    newPwd_->setEnabled(false);
    emergency_ = button(QStringLiteral("cmdEmergenza"), QStringLiteral("Emergenza"), this);
    card_ = button(QStringLiteral("cmdSC"), QStringLiteral("Smart Card"), this);

    emergencyPanel_ = new QGroupBox(QStringLiteral("Registro di Emergenza"), this);
    emergencyPanel_->setObjectName(QStringLiteral("fraEmergenza"));
    year_ = field(QStringLiteral("AnnoR"), emergencyPanel_);
    year_->setMaxLength(4);
    register_ = field(QStringLiteral("IdR"), emergencyPanel_);
    register_->setMaxLength(LoginRules::kRegisterLength);
    register_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QLatin1Char('[') + LoginRules::kRegisterCharacters + QStringLiteral("]*"),
                           QRegularExpression::CaseInsensitiveOption),
        register_));
    connect(register_, &QLineEdit::textEdited, register_, [this](const QString &t) {
        if (t != t.toUpper()) {
            const int at = register_->cursorPosition();
            register_->setText(t.toUpper());
            register_->setCursorPosition(at);
        }
    });
    sessionNo_ = field(QStringLiteral("IDS"), emergencyPanel_);
    auto *confirmEme = button(QStringLiteral("cmdConfermaEme"), QStringLiteral("Conferma"), emergencyPanel_);
    auto *cancelEme = button(QStringLiteral("cmdAnnullaEme"), QStringLiteral("Annulla"), emergencyPanel_);
    auto *emeForm = new QFormLayout(emergencyPanel_);
    emeForm->addRow(QStringLiteral("Anno"), year_);
    emeForm->addRow(QStringLiteral("Registro"), register_);
    emeForm->addRow(QStringLiteral("Sessione"), sessionNo_);
    auto *emeButtons = new QHBoxLayout;
    emeButtons->addWidget(confirmEme);
    emeButtons->addWidget(cancelEme);
    emeForm->addRow(emeButtons);
    emergencyPanel_->hide();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Operatore"), operator_);
    form->addRow(QStringLiteral("Password"), password_);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {ok_, newPwd_, card_, emergency_, exit_})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(emergencyPanel_);

    connect(operator_, &QLineEdit::editingFinished, this, [this] { operatorLeft(); });
    connect(operator_, &QLineEdit::textEdited, this, [this] {
        blocked_ = false;
        password_->clear();
        loadedCode_.clear();
        checkedCode_.clear();
    });
    connect(password_, &QLineEdit::editingFinished, this, [this] { passwordLeft(); });
    // A typed password is enough to press OK: OK checks it first, so the
    // operator need not leave the field before.
    connect(password_, &QLineEdit::textChanged, this, [this](const QString &typed) {
        if (!passed_)
            ok_->setEnabled(!typed.isEmpty() && !loadedCode_.isEmpty() && !blocked_);
    });
    connect(ok_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
    connect(newPwd_, &QPushButton::clicked, this, [this] { changePassword(); });
    connect(card_, &QPushButton::clicked, this, [this] { smartCard(); });
    connect(emergency_, &QPushButton::clicked, this, [this] { openEmergency(); });
    connect(confirmEme, &QPushButton::clicked, this, [this] { confirmEmergency(); });
    connect(cancelEme, &QPushButton::clicked, emergencyPanel_, &QWidget::hide);
}

void PSWMask::setNewPwdRunner(NewPwdRunner runner) { g_newPwdRunner = std::move(runner); }

bool PSWMask::lookUp(const QString &sql)
{
    trace(QStringLiteral("init"), QStringLiteral("txtOperatore_LostFocus"));
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    if (!rows.ok) {
        if (rows.noRows()) {
            GECentr::showMessage(QStringLiteral("Operatore inesistente o non abilitato alla procedura"));
            exit_->setFocus();
        } else if (rows.code.typeId() != QMetaType::Bool && rows.code.toInt() != F::kStatusBadDatabase) {
            // The server answered with a failure that it only logged. An
            // unreachable register has been told in plain words already;
            // its details (a path, a server address) are in the log.
            GECentr::showMessage(rows.message);
        }
        return false;
    }
    QVariantList row;
    for (const QVariantList &column : rows.columns)
        row.append(column.value(0));
    if (row.value(LoginRules::ColActive).toString().trimmed() == QLatin1String("N")) {
        GECentr::showMessage(QStringLiteral("Codice Operatore non attivo"));
        exit_->setFocus();
        return false;
    }
    LoginRules::storeOperator(row);
    password_->setEnabled(true);
    if (mode_ != QLatin1String("1"))
        password_->setFocus();
    emergency_->setEnabled(false);
    LoginRules::loadOperatorExtras();
    loadedCode_ = DicAmbiente::session().op.code;
    trace(QStringLiteral("fine"), QStringLiteral("txtOperatore_LostFocus"));
    return true;
}

bool PSWMask::operatorLeft()
{
    const QString code = LoginRules::operatorCode(operator_->text());
    if (code.isEmpty() || passed_ || handling_)
        return false;
    // Enter and the loss of focus (a message box opening, too) both end the
    // editing: one look-up per code typed is enough.
    if (code == checkedCode_)
        return !loadedCode_.isEmpty();
    checkedCode_ = code;
    loadedCode_.clear();
    handling_ = true;
    const bool found = lookUp(LoginRules::operatorQuery(code));
    handling_ = false;
    return found;
}

void PSWMask::passwordLeft()
{
    const QString typed = password_->text();
    if (typed.isEmpty() || passed_ || loadedCode_.isEmpty() || handling_)
        return;
    handling_ = true;
    checkPassword(typed);
    handling_ = false;
}

void PSWMask::checkPassword(const QString &typed)
{
    if (++attempts_ > 5) {
        GECentr::showMessage(QStringLiteral("Numero di tentativi esaurito "));
        ended_ = true;
        GECentr::closeProgram(0);
        reject();
        return;
    }
    auto &s = DicAmbiente::session();
    if (!Password::verify(typed, s.op.password.trimmed().toUpper())) {
        GECentr::showMessage(QStringLiteral("Password errata "));
        password_->clear();
        password_->setFocus();
        return;
    }
    const bool mayChange = s.op.flPassword == QLatin1String("S");
    const int limit = s.cfg.scadenzaPassword;
    if (LoginRules::passwordExpired(s.op.passwordDate, QDate::currentDate(), limit)) {
        if (!mayChange) {
            blocked_ = true;
            ok_->setEnabled(false);
            nimbo::showBox(windowTitle(), LoginRules::expiryWarning(limit), nimbo::Icon::Warning);
            return;
        }
        if (nimbo::showBox(windowTitle(), LoginRules::expiryQuestion(limit), nimbo::Icon::Question,
                           nimbo::Buttons::YesNo) == nimbo::Answer::Yes) {
            if (g_newPwdRunner)
                g_newPwdRunner(this, QStringLiteral("O"));
            else
                NewPwd::run(this, QStringLiteral("O"));
        }
    }
    passed_ = true;
    newPwd_->setEnabled(mayChange);
    ok_->setEnabled(true);
    ok_->setDefault(true);
    ok_->setFocus();
    operator_->setReadOnly(true);
    password_->setReadOnly(true);
}

void PSWMask::confirm()
{
    // Pressed with the password typed but not yet checked.
    if (!passed_ && !loadedCode_.isEmpty() && !password_->text().isEmpty()) {
        passwordLeft();
        if (!passed_)
            return;
    }
    nimbo::busy::Guard busy;
    auto &s = DicAmbiente::session();
    s.emergency = false;
    s.emergencySession.clear();
    accept();
    trace(QStringLiteral("fine"), QStringLiteral("cbuOk_Click"));
}

void PSWMask::changePassword()
{
    if (g_newPwdRunner)
        g_newPwdRunner(this, QString());
    else
        NewPwd::run(this, QString());
}

void PSWMask::smartCard()
{
    if (nimbo::showBox(windowTitle(), QStringLiteral("Inserisci la Smart card nel lettore e premi OK."),
                       nimbo::Icon::Information, nimbo::Buttons::OkCancel) != nimbo::Answer::Ok)
        return;
    const nimbo::CardHolder holder = nimbo::cardReader().readHolder();
    if (!holder.ok) {
        GECentr::showMessage(QStringLiteral("Autenticazione con smart card ") + holder.error);
        return;
    }
    const QString fiscalCode = holder.text.split(QLatin1Char('/')).value(2).trimmed();
    if (fiscalCode.isEmpty()) {
        GECentr::showMessage(QStringLiteral("Autenticazione con smart card ") +
                             QStringLiteral("codice fiscale assente sulla carta"));
        return;
    }
    loadedCode_.clear();
    if (lookUp(LoginRules::operatorByFiscalCodeQuery(fiscalCode))) {
        operator_->setText(DicAmbiente::session().op.code);
        confirm();
    }
}

bool PSWMask::loginFromCommandLine(const QString &token)
{
    setMode(QStringLiteral("1"));
    operator_->setText(token);
    checkedCode_.clear();
    const bool found = operatorLeft();
    // An unknown or disabled operator gets the ordinary window instead.
    if (found)
        confirm();
    else
        setMode(QStringLiteral("0"));
    return found;
}

void PSWMask::openEmergency()
{
    emergencyPanel_->show();
    year_->setFocus();
}

void PSWMask::confirmEmergency()
{
    const QString failed = LoginRules::emergencyCheck(year_->text(), register_->text(), sessionNo_->text());
    if (!failed.isEmpty()) {
        GECentr::showMessage(failed);
        return;
    }
    LoginRules::startEmergencySession(
        LoginRules::emergencySessionId(year_->text(), register_->text(), sessionNo_->text()));
    accept();
}

bool PSWMask::login(const QStringList &commandLine)
{
    PSWMask window;
    if (!commandLine.isEmpty() && window.loginFromCommandLine(commandLine.first()))
        return true;
    return window.exec() == QDialog::Accepted;
}
