#include "addressbook/FrmMittLight.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "addressbook/AddressBookRules.h"
#include "addressbook/EntryChecks.h"
#include "organisation/EditorParts.h"
#include "organisation/Lookups.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::addressbook {
namespace {

const QString kTitle = QStringLiteral("Inserimento rapido Mittente/Destinatario");
const QString kId = QStringLiteral("Tab_Identificativo");

} // namespace

const QStringList &quickEntryCallers()
{
    static const QStringList callers{QStringLiteral("FRMPROTOCOLLO"), QStringLiteral("FRMPROTOMANUALE"),
                                     QStringLiteral("FRMASSEDEFPROT"), QStringLiteral("FRMPROTEMAIL"),
                                     QStringLiteral("FRMALTRIDEST")};
    return callers;
}

FrmMittLight::FrmMittLight(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmMittLight"));
    setWindowTitle(kTitle);
    ente_ = DicAmbiente::session().op.ente;
    setTable(QStringLiteral("Tab_Rubrica"));
    setContext(QStringLiteral("Tab_EnteRubrica"), ente_);
    pick_ = organisation::fixedPitchPickList(this);

    auto *detail = new QWidget(this);
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    auto *g = new ui::FormGroup(QStringLiteral("Nuovo Mittente/Destinatario"), detail);
    auto *code = new QLineEdit(g);
    code->setObjectName(QStringLiteral("TxtCodice"));
    code->setVisible(false);
    name_ = organisation::textField(g, "txtNome", 120, true);
    QLineEdit *street = organisation::textField(g, "txtDom", 60, true);
    QLineEdit *number = organisation::textField(g, "TxtCivico", 10, true);
    number->setFixedWidth(ui::fieldWidth(number, 8));
    QLineEdit *com = organisation::codeField(g, "TxtCCom", 6, true);
    com->setToolTip(QStringLiteral("Codice ISTAT, inizio del nome (almeno 3 lettere) o CAP del comune"));
    municipalityName_ = new ui::DescriptionLabel(g);
    municipalityName_->setObjectName(QStringLiteral("LblComune"));
    postal_ = new QLabel(g);
    postal_->setObjectName(QStringLiteral("LblCap"));
    auto *kind = new QComboBox(g);
    kind->setObjectName(QStringLiteral("CboTipo"));
    fillKinds(kind, QString(), QString());
    QLineEdit *dp = organisation::textField(g, "TxtCodDP", 16, true);
    auto *sdp = new QLineEdit(g);
    sdp->setObjectName(QStringLiteral("TxtSCodDP"));
    sdp->setMaxLength(4);
    sdp->setFixedWidth(ui::fieldWidth(sdp, 5));
    g->addRow(QStringLiteral("Denominazione"), {ui::Cell(name_, 1)});
    g->addRow(QStringLiteral("Via/Piazza"), {ui::Cell(street, 1), QStringLiteral("N."), number});
    g->addCodeRow(QStringLiteral("Comune"), com, municipalityName_, {postal_});
    g->addRow(QStringLiteral("Tipologia"), {ui::Cell(kind, 1)});
    g->addRow(QStringLiteral("Cod. Dip. Prevenzione"), {ui::Cell(dp, 1), QStringLiteral("Sottocodice"), sdp});
    v->addWidget(g);

    bind(kId, code, Kind::Number, true);
    bind(QStringLiteral("Tab_Denominazione"), name_);
    bind(QStringLiteral("Tab_Domicilio"), street);
    bind(QStringLiteral("Tab_NumeroCivico"), number);
    bind(QStringLiteral("Tab_ComuneUbicazione"), com);
    bind(QStringLiteral("Tab_TipoUtenza"), kind);
    bind(QStringLiteral("Tab_CodInterno_DiPrev"), dp);
    bind(QStringLiteral("Tab_SCodInterno_DiPrev"), sdp, Kind::Number);
    municipality_ = organisation::municipalityLookup(com, municipalityName_, pick_, postal_);
    setLoad([this](const ui::Record &key) { return entrySql(ente_, key.value(kId).toLongLong()); }, entryColumns());
    arrange(nullptr, nullptr, detail);
}

void FrmMittLight::ELABORATBAR(const QString &key)
{
    // Giving up the quick entry goes back to the caller.
    if (key == QLatin1String("ANNULLA"))
        closeWindow();
    else
        RecordEditor::ELABORATBAR(key);
}

ui::CheckList FrmMittLight::checks(bool) const
{
    const QString ente = ente_;
    const QString department = DicAmbiente::session().op.department;
    ui::CheckList list{required(QStringLiteral("Tab_Denominazione"), kMsgName),
                       required(QStringLiteral("Tab_Domicilio"), kMsgStreet),
                       required(QStringLiteral("Tab_ComuneUbicazione"), kMsgMunicipality),
                       municipalityExists(QStringLiteral("Tab_ComuneUbicazione"), municipality_)};
    // Only the department's own entries count as duplicates here.
    list << duplicateQuestion(
        kTitle,
        [ente, department](const ui::Record &r) {
            return departmentDuplicateSql(ente, r.value(QStringLiteral("Tab_Denominazione")), department);
        },
        &askedAbout_);
    list << preventionChecks();
    list << identifierGiven(kTitle, ente_, &lastWritten_);
    return list;
}

void FrmMittLight::addColumns(F::FieldList &fields, const ui::Record &record, bool) const
{
    for (F::Field &f : fields) {
        if (f.name == QLatin1String("Tab_NumeroCivico"))
            f.value = storedHouseNumber(record.value(f.name));
        else if (f.name == QLatin1String("Tab_TipoUtenza") && record.value(f.name).isEmpty())
            f.value = kDefaultKind;
    }
    // No Tab_Attivo: the column's stored default makes the entry active.
    for (const char *empty : {"Tab_Telefono", "Tab_Fax", "Tab_PostaElettronica", "Tab_Annotazioni"})
        fields.append({QLatin1String(empty), QString()});
    fields.append({QStringLiteral("Tab_Nimbo"), QStringLiteral("N")});
    fields.append({QStringLiteral("Tab_CodOper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("Tab_DatOper"), QDate::currentDate()});
}

void FrmMittLight::enteredMode(Mode mode)
{
    if (mode == Mode::New) {
        municipality_->clear();
        postal_->clear();
        askedAbout_.clear();
        name_->setFocus();
    }
}

void FrmMittLight::written(bool deleted)
{
    if (deleted)
        return;
    const ui::Record r = record();
    const QString code = r.value(kId);
    const QString label = correspondentLabel(r.value(QStringLiteral("Tab_Denominazione")),
                                             r.value(QStringLiteral("Tab_Domicilio")),
                                             r.value(QStringLiteral("Tab_NumeroCivico")), municipalityName_->text());
    if (QObject *caller = callerWindow();
        caller && quickEntryCallers().contains(mode().toUpper()))
        QMetaObject::invokeMethod(caller, "setCorrespondent", Q_ARG(QString, code), Q_ARG(QString, label));
    closeWindow();
}

} // namespace nimbo::addressbook
