#include "deadlines/ReminderWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "deadlines/ReminderRules.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {
namespace {

using namespace reminder;
const QString kDb = QStringLiteral("PROTOCOLLO");

QString ente() { return DicAmbiente::session().op.ente; }

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

QString offerReminderMail(const QString &number, const QString &direction, const QDate &protocolDate)
{
    const QString subject = reminderMailSubject(number, direction, protocolDate);
    showBox(QStringLiteral("Scadenzario Pratiche"), kMailNotConfigured, Icon::Information);
    return subject;
}

FrmSollecito::FrmSollecito(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmSollecito"));
    setWindowTitle(QStringLiteral("Registrazione Sollecito"));
    setTable(kTable);
    setContext(kEnte, ente());
    setDeletable(true);
    setDeleteQuestion(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL SOLLECITO CORRENTE ?"));
    setDeleteFailure(QStringLiteral("Contattare esperto procedura. Cancellazione Sollecito non effettuata"));
    setLoadFailure(QStringLiteral("Il sollecito non è più presente in archivio."));

    heading_ = new QLabel(QStringLiteral("Solleciti relativi al documento di protocollo N."), this);
    heading_->setObjectName(QStringLiteral("LblProtocollo"));

    auto *top = new QWidget(this);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto *inCharge = new ui::FormGroup(QString(), top);
    office_ = new ui::DescriptionLabel(inCharge);
    office_->setObjectName(QStringLiteral("LblUfficio"));
    inCharge->addRow(QStringLiteral("Documento in carico all'ufficio:"), {ui::Cell(office_, 1)});
    list_ = new ui::RowList(QStringLiteral("LwSolleciti"), top);
    list_->setColumns(QStringLiteral("Progr.;Data Sollecito;Persona Contattata;Risposta"), QStringLiteral("7;12;30;60"));
    list_->setFitToWidth(true);
    topLayout->addWidget(inCharge);
    topLayout->addWidget(list_, 1);

    auto *detail = new ui::FormGroup(QStringLiteral("Sollecito"), this);
    id_ = ui::readOnlyField(detail, "TxtProgr", 8);
    date_ = new ui::DateField(detail);
    date_->setObjectName(QStringLiteral("TxtDataSollecito"));
    detail->addRow(QStringLiteral("Data Sollecito"), {date_, QStringLiteral("Progr."), id_});
    person_ = new QLineEdit(detail);
    person_->setObjectName(QStringLiteral("TxtPersona"));
    detail->addRow(QStringLiteral("Persona Contattata"), {ui::Cell(person_, 1)});
    answer_ = new QLineEdit(detail);
    answer_->setObjectName(QStringLiteral("TxtRisposta"));
    detail->addRow(QStringLiteral("Risposta"), {ui::Cell(answer_, 1)});

    new_ = button(this, "CmdNuovo", QStringLiteral("Nuovo"));
    save_ = button(this, "CmdRegistra", QStringLiteral("Registra"));
    delete_ = button(this, "CmdCancella", QStringLiteral("Cancella"));
    cancel_ = button(this, "CmdAnnulla", QStringLiteral("Annulla"));
    quit_ = button(this, "CmdEsci", QStringLiteral("Esci"));
    const QList<QPair<QPushButton *, QString>> keys{{new_, QStringLiteral("NUOVO")},
                                                    {save_, QStringLiteral("REGISTRA")},
                                                    {delete_, QStringLiteral("CANCELLA")},
                                                    {cancel_, QStringLiteral("ANNULLA")},
                                                    {quit_, QStringLiteral("ESCI")}};
    for (const auto &k : keys)
        connect(k.first, &QPushButton::clicked, this, [this, key = k.second] { ELABORATBAR(key); });

    bind(kId, id_, Kind::Number, true);
    bind(kDate, date_, Kind::Date);
    bind(kPerson, person_);
    bind(kAnswer, answer_);
    setList(list_, [this] { return listQuery(); }, {{kId, 0}});
    setLoad([this](const ui::Record &k) {
        return QStringLiteral("SELECT Tab_ProgrSollecito, Tab_DataSollecito, Tab_PersonaContattata, Tab_Risposta "
                              "FROM Tab_ProSolleciti WHERE Tab_Ente = ")
               + ui::sqlText(ente()) + QStringLiteral(" AND Tab_Protocollo = ") + ui::sqlText(number_)
               + QStringLiteral(" AND Tab_ProgrSollecito = ") + QString::number(k.value(kId).toLongLong());
    },
            {kId, kDate, kPerson, kAnswer});
    heading_->setWordWrap(true);
    arrangeStacked(heading_, top, detail, {new_, save_, delete_, cancel_, quit_});
    setMinimumWidth(640);
    enteredMode(Mode::Browse);
}

QString FrmSollecito::listQuery() const
{
    return number_.isEmpty() ? QString() : reminderListQuery(ente(), number_);
}

bool FrmSollecito::setProtocol(const QString &direction, const QString &number, const QString &officeCode)
{
    if (!changeContext({{kEnte, ente()}, {kProtocol, number.trimmed()}}))
        return false;
    direction_ = direction.trimmed();
    number_ = number.trimmed();
    officeCode_ = officeCode.trimmed();
    heading_->setText(QStringLiteral("Solleciti relativi al documento di protocollo N. ") + shownNumber(number_)
                      + (direction_.isEmpty() ? QString() : QStringLiteral(" (") + direction_ + QLatin1Char(')')));
    QString name;
    if (!officeCode_.isEmpty())
        if (const auto row = F::Caricadati(kDb, QStringLiteral("SELECT Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ")
                                                    + ui::sqlText(ente()) + QStringLiteral(" AND Tab_Ufficio = ")
                                                    + ui::sqlText(officeCode_)))
            name = row->value(0).toString().trimmed();
    office_->setText(officeCode_ + (name.isEmpty() ? QString() : QStringLiteral(" - ") + name));
    list_->clear();
    reloadList();
    enteredMode(editMode());
    return true;
}

ui::CheckList FrmSollecito::checks(bool isNew) const
{
    // The facts behind the checks are read once per registration: the
    // server's date and the latest reminder the new date may not precede.
    struct Outcome {
        bool done = false;
        std::optional<Failure> failure;
    };
    auto outcome = std::make_shared<Outcome>();
    const QString number = number_;
    const qlonglong changed = isNew ? 0 : key().value(kId).toLongLong();
    const auto evaluate = [outcome, number, changed](const ui::Record &r) {
        if (outcome->done)
            return;
        outcome->done = true;
        const QDate date = QDate::fromString(r.value(kDate), QStringLiteral("dd/MM/yyyy"));
        QDate today, latest;
        if (date.isValid()) {
            today = F::serverTime().date();
            if (!today.isValid()) {
                // The loader has told the operator why.
                outcome->failure = Failure{kDate, QString()};
                return;
            }
            if (const auto row = F::Caricadati(kDb, latestReminderQuery(ente(), number, changed)))
                latest = QDate::fromString(row->value(0).toString().left(10), Qt::ISODate);
        }
        outcome->failure = checkReminder(date, today, latest, r.value(kPerson), r.value(kAnswer));
    };
    ui::CheckList list;
    for (const QString &column : {kDate, kPerson, kAnswer})
        list.append({column,
                     [outcome, evaluate, column](ui::Record &r) {
                         evaluate(r);
                         return !outcome->failure || outcome->failure->column != column;
                     },
                     QString(), [outcome](const ui::Record &) {
                         return outcome->failure ? outcome->failure->message : QString();
                     }});
    return list;
}

void FrmSollecito::addColumns(F::FieldList &fields, const ui::Record &, bool isNew) const
{
    if (!isNew)
        return;
    // The database hands out the identifier.
    fields.removeIf([](const F::Field &f) { return f.name == kId; });
    fields.append({kOffice, officeCode_});
}

QString FrmSollecito::writeCondition(const ui::Record &key) const
{
    return QStringLiteral("Tab_ProgrSollecito=") + QString::number(key.value(kId).toLongLong())
           + QStringLiteral(" AND Tab_Ente = ") + ui::sqlText(ente());
}

void FrmSollecito::enteredMode(Mode mode)
{
    // The editor unlocks key fields for a new record; this one the database fills.
    ui::setReadOnly(id_, true);
    const bool known = !number_.isEmpty();
    new_->setEnabled(known && mode != Mode::New);
    save_->setEnabled(mode != Mode::Browse);
    cancel_->setEnabled(mode != Mode::Browse);
    delete_->setEnabled(mode == Mode::Edit);
    if (mode == Mode::New)
        date_->setFocus();
}

QString FrmSollecito::toolbarFor(Mode) const { return QStringLiteral("ESCI"); }

} // namespace nimbo::deadlines
