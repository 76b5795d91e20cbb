#include "organisation/FrmOperatoriNew.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "data/Cipher.h"
#include "data/OperatorGrant.h"
#include "data/Password.h"
#include "organisation/FrmOpDip.h"
#include "organisation/OperatorRules.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;
namespace O = nimbo::organisation::operators;

namespace nimbo::organisation {
namespace {

const QString kAtFirst = QStringLiteral(
    "Non è possibile scorrere ulteriormente la lista. L'operatore visualizzato è il primo dell'elenco.");
const QString kAtLast = QStringLiteral(
    "Non è possibile scorrere ulteriormente la lista. L'operatore visualizzato è l'ultimo dell'elenco.");

QComboBox *combo(QWidget *parent, const char *name, const QList<QPair<QString, QString>> &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItem(QString(), QString());
    for (const auto &[text, data] : items)
        c->addItem(text, data);
    return c;
}

bool unitsCalledOffices() { return DicAmbiente::session().parm.enteCodiceAsl.trimmed() != QLatin1String("104"); }

} // namespace

FrmOperatoriNew::FrmOperatoriNew(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmOperatoriNew"));
    setWindowTitle(QStringLiteral("Gestione Abilitazioni Operatori"));
    setTable(QStringLiteral("Tab_Operatori"));
    setChecksTogether(QStringLiteral("ATTENZIONE !!!"));
    setLoadFailure(QStringLiteral("Errore nella lettura dei dati dell'operatore."));

    list_ = new ui::RowList(QStringLiteral("LwOperatori"), this);
    list_->setColumns(QStringLiteral("Codice;Cognome/Nome;Data Password;Ufficio;Dipartimento;Ente"),
                      QStringLiteral("10;30;15;15;15;15"));

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("TabOperatore"));
    const auto field = [this](QWidget *parent, int i, int chars, bool upper) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QStringLiteral("Campo%1").arg(i));
        if (chars > 0)
            ui::makeCodeField(e, chars, upper);
        campo_.insert(i, e);
        return e;
    };

    // Who, and how he enters.
    auto *who = new QWidget(tabs);
    auto *whoLayout = new QVBoxLayout(who);
    auto *person = new ui::FormGroup(QStringLiteral("Operatore"), who);
    field(person, 0, lengthOf(QStringLiteral("Op_Codice_Operatore")), true);
    activeLabel_ = new QLabel(person);
    activeLabel_->setObjectName(QStringLiteral("LblAttivo"));
    person->addRow(QStringLiteral("Codice"), {campo(0), ui::Cell(activeLabel_, 1)});
    person->addRow(QStringLiteral("Cognome"), {ui::Cell(field(person, 1, 0, false), 1)});
    person->addRow(QStringLiteral("Nome"), {ui::Cell(field(person, 2, 0, false), 1)});
    cf_ = new QLineEdit(person);
    cf_->setObjectName(QStringLiteral("CF"));
    ui::makeCodeField(cf_, lengthOf(QStringLiteral("OP_CF")), true);
    person->addRow(QStringLiteral("Codice Fiscale"), {cf_});
    whoLayout->addWidget(person);

    auto *access = new ui::FormGroup(QStringLiteral("Accesso"), who);
    for (int i : {3, 4}) {
        field(access, i, 0, false)->setEchoMode(QLineEdit::Password);
        campo(i)->setMaxLength(30);
        campo(i)->setPlaceholderText(QStringLiteral("(invariata)"));
    }
    access->addRow(QStringLiteral("Password"), {campo(3), QStringLiteral("Conferma"), campo(4)});
    auto *pwdDate = new ui::DateField(access);
    pwdDate->setObjectName(QStringLiteral("Campo5"));
    campo_.insert(5, pwdDate);
    changePwd_ = new QCheckBox(QStringLiteral("Abilitato al Cambio Password"), access);
    changePwd_->setObjectName(QStringLiteral("AbilCambioPwd"));
    access->addRow(QStringLiteral("Ultima modifica"), {pwdDate, changePwd_});
    level_ = combo(access, "ComboLivello",
                   {{QStringLiteral("6 - Operatore di protocollo"), QStringLiteral("6")},
                    {QStringLiteral("7 - Responsabile di Protocollo dell'Ufficio"), QStringLiteral("7")},
                    {QStringLiteral("8 - Responsabile di Protocollo del Dipartimento"), QStringLiteral("8")},
                    {QStringLiteral("9 - Responsabile di Protocollo dell'ENTE"), QStringLiteral("9")}});
    access->addRow(QStringLiteral("Livello"), {ui::Cell(level_, 1)});
    right_ = combo(access, "ComboAbilitazione",
                   {{QStringLiteral("Entrata e Uscita"), QStringLiteral("0")},
                    {QStringLiteral("Entrata"), QStringLiteral("1")},
                    {QStringLiteral("Uscita"), QStringLiteral("2")}});
    privacy_ = combo(access, "CboPrivacy", {{QStringLiteral("S"), QStringLiteral("S")}, {QStringLiteral("N"), QStringLiteral("N")}});
    access->addRow(QStringLiteral("Abilitaz. Protocollo"), {right_, QStringLiteral("Lettura privacy"), privacy_});
    internet_ = new QCheckBox(QStringLiteral("Accesso Internet"), access);
    internet_->setObjectName(QStringLiteral("CkInternet"));
    access->addRow(QString(), {internet_});
    whoLayout->addWidget(access);
    whoLayout->addStretch(1);
    tabs->addTab(who, QStringLiteral("Operatore"));

    // Where he works, and his mailbox.
    auto *where = new QWidget(tabs);
    auto *whereLayout = new QVBoxLayout(where);
    auto *structure = new ui::FormGroup(QStringLiteral("Struttura"), where);
    pick_ = new ui::PickList(this);
    const auto description = [](QWidget *parent, const char *name) {
        auto *d = new ui::DescriptionLabel(parent);
        d->setObjectName(QLatin1String(name));
        return d;
    };
    auto *enteName = description(structure, "LblEnte");
    auto *deptName = description(structure, "LblDipartimento");
    auto *officeName = description(structure, "LblUfficio");
    structure->addCodeRow(QStringLiteral("Ente"), field(structure, 8, lengthOf(QStringLiteral("Op_Ente")), true), enteName);
    structure->addCodeRow(QStringLiteral("Dipartimento"), field(structure, 9, lengthOf(QStringLiteral("Op_Dipartimento")), true), deptName);
    structure->addCodeRow(QString::fromUtf8(unitsCalledOffices() ? "Ufficio" : "Unità Operativa"), field(structure, 10, lengthOf(QStringLiteral("Op_CodiceUfficio")), true),
                          officeName);
    assign_ = new QPushButton(QStringLiteral("Altri dipartimenti e uffici..."), structure);
    assign_->setObjectName(QStringLiteral("CmdAssocia"));
    structure->addRow(QString(), {assign_});
    whereLayout->addWidget(structure);
    ente_ = new ui::CodeLookup(campo(8), enteName, pick_, entityFinder(), this);
    dept_ = new ui::CodeLookup(campo(9), deptName, pick_, departmentFinder([this] { return campo(8)->text().trimmed(); }),
                               this);
    office_ = new ui::CodeLookup(campo(10), officeName, pick_,
                                 officeFinder([this] { return campo(8)->text().trimmed(); },
                                              [this] { return campo(9)->text().trimmed(); }),
                                 this);

    auto *mail = new ui::FormGroup(QStringLiteral("Posta elettronica"), where);
    mail->addRow(QStringLiteral("E-Mail"), {ui::Cell(field(mail, 11, 0, false), 1)});
    mail->addRow(QStringLiteral("Utente"), {ui::Cell(field(mail, 12, 0, false), 1)});
    field(mail, 13, 0, false)->setEchoMode(QLineEdit::Password);
    campo(13)->setPlaceholderText(QStringLiteral("(invariata)"));
    mail->addRow(QStringLiteral("Password"), {campo(13)});
    campo(13)->setMaxLength(50);
    whereLayout->addWidget(mail);
    whereLayout->addStretch(1);
    tabs->addTab(where, QStringLiteral("Struttura e posta"));

    // The functions ticked here are taken away from the operator's menus.
    auto *rights = new QWidget(tabs);
    auto *rightsLayout = new QVBoxLayout(rights);
    rightsLayout->addWidget(new QLabel(QStringLiteral("Funzioni escluse (le voci spuntate sono disattivate nel menu):"), rights));
    functions_ = new QListWidget(rights);
    functions_->setObjectName(QStringLiteral("lstAbil"));
    rightsLayout->addWidget(functions_, 1);
    tabs->addTab(rights, QStringLiteral("Funzioni"));
    fillFunctions();

    // The bound fields take their lengths from their columns.
    bind(QStringLiteral("Op_Codice_Operatore"), campo(0), Kind::Text, true);
    bind(QStringLiteral("Op_Cognome"), campo(1));
    bind(QStringLiteral("Op_Nome"), campo(2));
    bind(O::kPassword, campo(3), Kind::Transient);
    bind(O::kConfirmation, campo(4), Kind::Transient);
    bind(QStringLiteral("Op_Data"), pwdDate, Kind::Date);
    bind(QStringLiteral("Op_Fl_Password"), changePwd_);
    bind(QStringLiteral("Op_CodiceUfficio"), campo(10));
    bind(QStringLiteral("Op_Dipartimento"), campo(9));
    bind(QStringLiteral("Op_Ente"), campo(8));
    bind(QStringLiteral("Op_Livello"), level_);
    bind(QStringLiteral("Op_Abilitazioni"), right_);
    bind(QStringLiteral("Op_Email"), campo(11));
    bind(QStringLiteral("Op_UserNameEmail"), campo(12));
    bind(O::kMailPassword, campo(13), Kind::Transient);
    bind(QStringLiteral("Op_AbilPrivacy"), privacy_);
    bind(QStringLiteral("OP_CF"), cf_);
    bind(QStringLiteral("OP_Flag_Internet"), internet_);
    setList(list_, [] { return O::listQuery(); }, {{QStringLiteral("Op_Codice_Operatore"), 0}});
    setLoad([](const ui::Record &k) { return O::loadQuery(k.value(QStringLiteral("Op_Codice_Operatore"))); },
            O::loadColumns());

    auto *heading = new QLabel(QStringLiteral("GESTIONE ABILITAZIONI OPERATORI"), this);
    arrange(heading, list_, tabs);
    dirty()->watch(functions_);
    connect(assign_, &QPushButton::clicked, this, &FrmOperatoriNew::openAssignments);
    // A new password is a password changed today.
    connect(campo(3), &QLineEdit::textEdited, this, [pwdDate] { pwdDate->setDate(QDate::currentDate()); });
    reloadList();
    enteredMode(Mode::Browse);
}

void FrmOperatoriNew::fillFunctions()
{
    functions_->clear();
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                           QStringLiteral("SELECT tf_codice, Tf_Caption, tf_nome FROM Tab_Funzioni ORDER BY tf_codice"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        auto *item = new QListWidgetItem(code + QStringLiteral(" - ") + rows.value(1, r).toString().trimmed(), functions_);
        item->setData(Qt::UserRole, code);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QStringList FrmOperatoriNew::withheldFunctions() const
{
    QStringList codes;
    for (int i = 0; i < functions_->count(); ++i)
        if (functions_->item(i)->checkState() == Qt::Checked)
            codes << functions_->item(i)->data(Qt::UserRole).toString();
    return codes;
}

ui::CheckList FrmOperatoriNew::checks(bool isNew) const
{
    ui::CheckList c = O::checks(isNew);
    // Nobody gives more than he holds (data/OperatorGrant.h).
    const auto grant = [this, isNew](const ui::Record &r) {
        const DicAmbiente::Operator &me = DicAmbiente::session().op;
        const OperatorGrant::Rights before{storedLevel_, storedWithheld_};
        return OperatorGrant::refusal({QString::number(me.level), me.functions}, isNew ? nullptr : &before,
                                      {r.value(QStringLiteral("Op_Livello")), O::functionsText(withheldFunctions())});
    };
    c.append({QStringLiteral("Op_Livello"), [grant](ui::Record &r) { return grant(r).isEmpty(); }, QString(), grant});
    c.append({O::kMailPassword,
              [](ui::Record &r) {
                  const QString typed = r.value(O::kMailPassword).trimmed();
                  return typed.isEmpty() || Cipher::encipher(typed).ok;
              },
              QString(), [](const ui::Record &r) {
                  return QStringLiteral("La password della posta non può essere cifrata: ")
                         + Cipher::encipher(r.value(O::kMailPassword).trimmed()).error;
              }});
    if (!isNew) {
        const QString ente = storedEnte_;
        const bool active = active_;
        c.append({QStringLiteral("Op_Livello"),
                  [ente, active](ui::Record &r) {
                      return O::lockOutCheck(r.value(QStringLiteral("Op_Codice_Operatore")), ente,
                                             r.value(QStringLiteral("Op_Livello")), active, r.value(QStringLiteral("Op_Ente")))
                          .isEmpty();
                  },
                  QString(), [ente, active](const ui::Record &r) {
                      return O::lockOutCheck(r.value(QStringLiteral("Op_Codice_Operatore")), ente,
                                             r.value(QStringLiteral("Op_Livello")), active, r.value(QStringLiteral("Op_Ente")));
                  }});
    }
    return c;
}

void FrmOperatoriNew::addColumns(F::FieldList &fields, const ui::Record &record, bool isNew) const
{
    const QString password = record.value(O::kPassword).trimmed();
    if (!password.isEmpty())
        fields.append({QStringLiteral("Op_Password"), Password::hash(password)});
    const QString mailPassword = record.value(O::kMailPassword).trimmed();
    if (!mailPassword.isEmpty())
        fields.append({QStringLiteral("Op_PwdEmail"), Cipher::encipher(mailPassword).text});
    fields.append({QStringLiteral("Op_Funzioni"), O::functionsText(withheldFunctions())});
    if (isNew)
        fields.append({QStringLiteral("Op_Attivo"), QStringLiteral("S")});
    fields.append({QStringLiteral("Op_Codoper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("Op_Datoper"), QDate::currentDate()});
}

void FrmOperatoriNew::enteredMode(Mode mode)
{
    if (mode != Mode::Edit) {
        for (int i = 0; i < functions_->count(); ++i)
            functions_->item(i)->setCheckState(Qt::Unchecked);
        ente_->clear();
        dept_->clear();
        office_->clear();
    }
    if (mode == Mode::New) {
        static_cast<ui::DateField *>(campo(5))->setDate(QDate::currentDate());
        privacy_->setCurrentIndex(privacy_->findData(QStringLiteral("N")));
        changePwd_->setChecked(true);
        storedEnte_.clear();
        setActive(true);
    }
    // Kept in its place (a hidden label would move the code field).
    if (mode != Mode::Edit)
        activeLabel_->clear();
    assign_->setEnabled(mode == Mode::Edit);
}

void FrmOperatoriNew::loaded(const ui::Record &r)
{
    const QStringList withheld = O::functionCodes(r.value(QStringLiteral("Op_Funzioni")));
    for (int i = 0; i < functions_->count(); ++i)
        functions_->item(i)->setCheckState(withheld.contains(functions_->item(i)->data(Qt::UserRole).toString())
                                               ? Qt::Checked
                                               : Qt::Unchecked);
    ente_->set(r.value(QStringLiteral("Op_Ente")), r.value(QStringLiteral("Ente_Denominazione")));
    dept_->set(r.value(QStringLiteral("Op_Dipartimento")), r.value(QStringLiteral("Dipa_Denominazione")));
    office_->set(r.value(QStringLiteral("Op_CodiceUfficio")), r.value(QStringLiteral("Tab_Descrizione")));
    storedEnte_ = r.value(QStringLiteral("Op_Ente"));
    storedLevel_ = r.value(QStringLiteral("Op_Livello"));
    storedWithheld_ = r.value(QStringLiteral("Op_Funzioni"));
    setActive(r.value(QStringLiteral("Op_Attivo")) != QLatin1String("N"));
}

void FrmOperatoriNew::written(bool deleted)
{
    // The list is read again (functions may have been added meanwhile), and
    // the record written keeps showing what it withholds: an empty list
    // here would enable everything at the next REGISTRA.
    const QStringList withheld = withheldFunctions();
    fillFunctions();
    if (deleted)
        return;
    for (int i = 0; i < functions_->count(); ++i)
        if (withheld.contains(functions_->item(i)->data(Qt::UserRole).toString()))
            functions_->item(i)->setCheckState(Qt::Checked);
    storedLevel_ = level_->currentData().toString();
    storedWithheld_ = O::functionsText(withheld);
}

void FrmOperatoriNew::setActive(bool active)
{
    active_ = active;
    activeLabel_->setText(active ? QStringLiteral("Operatore Attivo") : QStringLiteral("Operatore non Attivo"));
    setToolbarKeys(toolbarFor(editMode()));
}

QString FrmOperatoriNew::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;NUOVO");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;ANNULLA;PRECEDENTE;SUCCESSIVO");
    case Mode::Edit:
        return active_ ? QStringLiteral("ESCI;REGISTRA;ANNULLA;DISATTIVA;PRECEDENTE;SUCCESSIVO")
                       : QStringLiteral("ESCI;REGISTRA;ANNULLA;ATTIVA;PRECEDENTE;SUCCESSIVO");
    }
    return {};
}

void FrmOperatoriNew::changeActivation(bool activate)
{
    if (editMode() != Mode::Edit || activate == active_)
        return;
    const QString code = key().value(QStringLiteral("Op_Codice_Operatore"));
    if (!activate) {
        const QString refused = O::lockOutCheck(code, storedEnte_, level_->currentData().toString(), false);
        if (!refused.isEmpty()) {
            showBox(windowTitle(), refused, Icon::Warning);
            return;
        }
    }
    if (showBox(windowTitle(), O::activationQuestion(activate), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return;
    const F::Statement st{QStringLiteral("R"),
                          QStringLiteral("Tab_Operatori"),
                          {{QStringLiteral("Op_Attivo"), activate ? QStringLiteral("S") : QStringLiteral("N")},
                           {QStringLiteral("Op_Codoper"), DicAmbiente::session().op.code},
                           {QStringLiteral("Op_Datoper"), QDate::currentDate()}},
                          QStringLiteral("Op_Codice_Operatore = ") + ui::sqlText(code)};
    if (!F::Update_Tabella({st}, QStringLiteral("PROTOCOLLO")))
        return;
    setActive(activate);
    emit saved();
}

void FrmOperatoriNew::openAssignments()
{
    if (campo(8)->text().trimmed().isEmpty()) {
        showBox(windowTitle(),
                QStringLiteral("Prima di attivare la funzione bisogna specificare l'ente a cui è abilitato l'operatore"),
                Icon::Warning);
        return;
    }
    auto *w = qobject_cast<FrmOpDip *>(WindowRegistry::open(QStringLiteral("FrmOpDip")));
    if (w)
        w->setOperator(key().value(QStringLiteral("Op_Codice_Operatore")),
                       campo(1)->text().trimmed() + QLatin1Char(' ') + campo(2)->text().trimmed());
}

void FrmOperatoriNew::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ATTIVA") || key == QLatin1String("DISATTIVA"))
        changeActivation(key == QLatin1String("ATTIVA"));
    else if (key == QLatin1String("PRECEDENTE") || key == QLatin1String("SUCCESSIVO"))
        step(key == QLatin1String("SUCCESSIVO") ? 1 : -1, kAtFirst, kAtLast);
    else
        RecordEditor::ELABORATBAR(key);
}

} // namespace nimbo::organisation
