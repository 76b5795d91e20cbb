#include "organisation/FrmComponenti.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kEnte = QStringLiteral("Tab_Ente");
const QString kDip = QStringLiteral("Tab_Dipartimento");
const QString kUff = QStringLiteral("Tab_Ufficio");
const QString kProgressive = QStringLiteral("Tab_Progressivo");

const QString kTitle = QStringLiteral("Anagrafiche Componenti");

QLineEdit *textField(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

bool unitsAreOffices()
{
    return DicAmbiente::session().parm.enteCodiceAsl == QLatin1String(kReducedMembersAuthority);
}

} // namespace

FrmComponenti::FrmComponenti(MemberVariant variant, QWidget *parent) : ui::RecordEditor(parent), variant_(variant)
{
    setObjectName(variant == MemberVariant::List     ? QStringLiteral("FrmComponenti")
                  : variant == MemberVariant::Detail ? QStringLiteral("FrmGComponenti")
                                                     : QStringLiteral("FrmComponentiASL4"));
    const bool list = variant != MemberVariant::Detail;
    setWindowTitle(list ? (unitsAreOffices() ? QStringLiteral("Gestione Uffici ")
                                             : QStringLiteral("Gestione Componenti dell'Ufficio "))
                        : kTitle);
    setBoxTitle(kTitle);
    setTable(QStringLiteral("Tab_UfficiComponenti"));

    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("LblIntestazione"));
    auto *panel = new QWidget(this);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto *group = new ui::FormGroup(QStringLiteral("Anagrafica componenti"), panel);
    column->addWidget(group);
    status_ = new QLabel(panel);
    status_->setObjectName(QStringLiteral("LblStato"));
    column->addWidget(status_);

    // The lengths of the bound fields are their columns' (bind()).
    code_ = textField("TxtCodice", group);
    code_->setMaxLength(10);
    ui::makeCodeField(code_, 6, false);
    ui::setReadOnly(code_);
    auto *title = textField("TxtTitolo", group);
    ui::makeCodeField(title, lengthOf(QStringLiteral("Tab_Titolo")), false);
    name_ = textField("txtNome", group);
    auto *role = textField("txtQualifica", group);
    // Upper case as typed, at the width of an ordinary text.
    ui::makeCodeField(role, 0, true);
    role->setMinimumWidth(0);
    role->setMaximumWidth(QWIDGETSIZE_MAX);
    start_ = new ui::DateField(group);
    start_->setObjectName(QStringLiteral("TxtDataI"));
    auto *end = new ui::DateField(group);
    end->setObjectName(QStringLiteral("txtDataF"));
    auto *mail = textField("TxtPosta", group);
    auto *phone = textField("TxtTelefono", group);
    ui::makeCodeField(phone, lengthOf(QStringLiteral("Tab_Telefono")), false);
    auto *fax = textField("TxtFax", group);
    ui::makeCodeField(fax, lengthOf(QStringLiteral("Tab_Fax")), false);
    auto *user = textField("TxtUser", group);
    ui::makeCodeField(user, lengthOf(QStringLiteral("Tab_IdUser")), true);

    group->addRow(QStringLiteral("Codice"), {code_, QStringLiteral("Titolo"), title});
    group->addRow(QStringLiteral("Cognome e nome"), {name_});
    group->addRow(QStringLiteral("Qualifica"), {role});
    group->addRow(QStringLiteral("Data inizio"), {start_, QStringLiteral("Data fine"), end});
    group->addRow(QStringLiteral("Posta elettronica"), {mail});
    group->addRow(QStringLiteral("Telefono"), {phone, QStringLiteral("Fax"), fax});
    if (variant == MemberVariant::Reduced) {
        group->addRow(QStringLiteral("Codice utente"), {user});
    } else {
        flag_ = new QComboBox(group);
        flag_->setObjectName(QStringLiteral("CboAssegnazione"));
        flag_->addItems({QString(), QStringLiteral("SI"), QStringLiteral("NO")});
        group->addRow(QStringLiteral("Codice utente"), {user, QStringLiteral("Titolare di assegnazioni"), flag_});
    }

    // Written in this order, after the entity, department and office of the
    // context.
    bind(kProgressive, code_, Kind::Number, true);
    bind(QStringLiteral("Tab_DataInizio"), start_, Kind::Date);
    bind(QStringLiteral("Tab_Titolo"), title);
    bind(QStringLiteral("Tab_Componente"), name_);
    bind(QStringLiteral("Tab_Qualifica"), role);
    bind(QStringLiteral("Tab_DataFine"), end, Kind::Date);
    bind(QStringLiteral("Tab_PostaElettronica"), mail);
    bind(QStringLiteral("Tab_Telefono"), phone);
    bind(QStringLiteral("Tab_Fax"), fax);
    bind(QStringLiteral("Tab_IdUser"), user);
    if (flag_)
        bind(QStringLiteral("Tab_FlagAssegnazione"), flag_);

    ui::RowList *rows = nullptr;
    if (list) {
        rows = new ui::RowList(QStringLiteral("LwComponenti"), this);
        rows->setColumns(QStringLiteral("CODICE;COGNOME E NOME"), QStringLiteral("10;60"));
        setList(rows,
                [this] {
                    refreshHeading();
                    return QStringLiteral("SELECT Tab_Progressivo,Tab_Componente FROM Tab_UfficiComponenti WHERE "
                                          "Tab_Ente= ")
                           + ui::sqlText(context(kEnte)) + QStringLiteral(" and Tab_ufficio=")
                           + ui::sqlText(context(kUff)) + QStringLiteral(" ORDER BY Tab_Componente");
                },
                {{kProgressive, 0}});
    }
    QStringList columns{kProgressive,
                        QStringLiteral("Tab_DataInizio"),
                        QStringLiteral("Tab_Titolo"),
                        QStringLiteral("Tab_Componente"),
                        QStringLiteral("Tab_Qualifica"),
                        QStringLiteral("Tab_DataFine"),
                        QStringLiteral("Tab_PostaElettronica"),
                        QStringLiteral("Tab_Telefono"),
                        QStringLiteral("Tab_Fax"),
                        QStringLiteral("Tab_IdUser")};
    if (flag_)
        columns << QStringLiteral("Tab_FlagAssegnazione");
    setLoad(
        [this, columns](const ui::Record &k) {
            refreshHeading();
            bool numeric = false;
            const qlonglong n = k.value(kProgressive).trimmed().toLongLong(&numeric);
            return QStringLiteral("SELECT ") + columns.join(QLatin1Char(','))
                   + QStringLiteral(" FROM Tab_UfficiComponenti WHERE Tab_Ente=") + ui::sqlText(k.value(kEnte))
                   + QStringLiteral(" and Tab_Progressivo= ") + QString::number(numeric ? n : -1)
                   + QStringLiteral(" and Tab_ufficio= ") + ui::sqlText(k.value(kUff));
        },
        columns);
    setDeletable(true);
    setLoadFailure(QStringLiteral("Errore nella lettura del componente"));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione del componente corrente"));
    arrange(heading_, rows, panel);
    enteredMode(Mode::Browse);
}

MemberScope FrmComponenti::scope() const
{
    return {context(kEnte), context(kDip), context(kUff), DicAmbiente::session().parm.enteCodiceAsl};
}

QString FrmComponenti::statusText() const { return status_->text(); }

void FrmComponenti::refreshHeading()
{
    const QString office = context(kUff);
    if (office == headedOffice_ && !heading_->text().isEmpty())
        return;
    headedOffice_ = office;
    const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"),
                                   QStringLiteral("SELECT Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente=")
                                       + ui::sqlText(context(kEnte)) + QStringLiteral(" AND Tab_Ufficio=")
                                       + ui::sqlText(office));
    const QString name = row ? row->value(0).toString().trimmed() : office;
    heading_->setText((unitsAreOffices() ? QStringLiteral("GESTIONE UFFICI DELL'UNITA' OP.: ")
                                         : QStringLiteral("GESTIONE COMPONENTI DELL'UFFICIO: "))
                      + name);
}

ui::CheckList FrmComponenti::checks(bool isNew) const { return memberChecks(variant_, scope(), isNew); }

void FrmComponenti::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    fields.append({QStringLiteral("tab_CodOper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("tab_DatOper"), QDate::currentDate()});
}

QVector<ui::UsageCheck> FrmComponenti::usageChecks(const ui::Record &record) const
{
    return memberUsage(context(kEnte), context(kUff), key().value(kProgressive, record.value(kProgressive)));
}

void FrmComponenti::enteredMode(Mode mode)
{
    // The progressive is the program's, never typed.
    ui::setReadOnly(code_);
    switch (mode) {
    case Mode::Browse: status_->setText(kTitle); break;
    case Mode::New:
        refreshHeading();
        status_->setText(QStringLiteral("REGISTRAZIONE ANAGRAFICHE componenti"));
        start_->setDate(QDate::currentDate());
        if (flag_)
            flag_->setCurrentIndex(flag_->findText(QStringLiteral("SI")));
        QTimer::singleShot(0, name_, [this] { name_->setFocus(); });
        break;
    case Mode::Edit: status_->setText(QStringLiteral("Gestione Anagrafiche componenti")); break;
    }
}

void FrmComponenti::written(bool deleted)
{
    if (variant_ == MemberVariant::Detail && !deleted)
        showBox(boxTitle(), QStringLiteral("Registrazione effettuata con successo."), Icon::Information);
}

} // namespace nimbo::organisation
