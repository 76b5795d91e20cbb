#include "municipalities/FrmComuni.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "data/Usage.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::municipalities {
namespace {

const QString kCode = QStringLiteral("Com_Codcom");
const QString kName = QStringLiteral("com_Comune");
const QString kCap = QStringLiteral("com_cap");
const QString kProvince = QStringLiteral("com_codprov");
const QString kCadastral = QStringLiteral("com_codcat");
const QString kState = QStringLiteral("com_stato");
const QString kPrefix = QStringLiteral("com_preftel");
const QString kColumns = QStringLiteral("com_codcom,com_comune,com_cap,com_codprov,com_codcat,com_stato,com_preftel");
const QString kFirstProvince = QStringLiteral("PZ");
const QString kDeleteFailure = QStringLiteral("ATTENZIONE ! Cancellazione Comuni NON ANDATA A BUON FINE! ");

bool found(const QString &sql) { return F::Caricadati(QStringLiteral("PROTOCOLLO"), sql).has_value(); }

QLineEdit *entry(QWidget *parent, const char *name, int chars, bool code)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (code)
        ui::makeCodeField(e, chars, true);
    else
        e->setMaxLength(chars);
    return e;
}

// The statements that keep the town's postal codes (the table the
// municipality lookups read) in step with the one the window shows: the new
// code is added; the code it replaces goes, unless the town has other codes
// besides the two (a city with a code per district keeps them all).
QVector<F::Statement> postalCodeStatements(const QString &town, const QString &was, const QString &now, bool deleting)
{
    const QString table = QStringLiteral("Tab_ComuniCap");
    const QString ofTown = QStringLiteral("Cap_Codcom = ") + ui::sqlText(town);
    if (deleting)
        return {{QStringLiteral("C"), table, {}, ofTown}};
    QVector<F::Statement> out;
    if (!was.isEmpty() && was != now)
        out.append({QStringLiteral("C"), table, {},
                    ofTown + QStringLiteral(" AND Cap_Cap = ") + ui::sqlText(was)
                        + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_ComuniCap o WHERE o.Cap_Codcom = ")
                        + ui::sqlText(town) + QStringLiteral(" AND o.Cap_Cap NOT IN (") + ui::sqlText(was)
                        + QStringLiteral(", ") + ui::sqlText(now) + QStringLiteral("))")});
    if (!now.isEmpty())
        out.append({QStringLiteral("CR"), table, {{QStringLiteral("Cap_Codcom"), town}, {QStringLiteral("Cap_Cap"), now}},
                    ofTown + QStringLiteral(" AND Cap_Cap = ") + ui::sqlText(now)});
    return out;
}

} // namespace

FrmComuni::FrmComuni(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmComuni"));
    setWindowTitle(QStringLiteral("GESTIONE TABELLA COMUNI"));
    setTable(QStringLiteral("Tab_Comuni"));
    setDeletable(true);
    setLoadFailure(QStringLiteral("ATTENZIONE ! Comune non presente in archivio !"));
    setDeleteQuestion(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL COMUNE CORRENTE ?"));
    setDeleteFailure(kDeleteFailure);
    setWriteFailure(QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"));

    auto *top = new QWidget(this);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto *choice = new ui::FormGroup(QStringLiteral("Provincia"), top);
    province_ = new QComboBox(choice);
    province_->setObjectName(QStringLiteral("CboProvincia"));
    province_->setMinimumContentsLength(30);
    choice->addRow(QStringLiteral("Provincia"), {province_});
    topLayout->addWidget(choice);
    list_ = new ui::RowList(QStringLiteral("flxComuni"), top);
    list_->setColumns(QStringLiteral("Codice;Denominazione;CAP;Prov.;Cod.x C.F.;Stato;Pref.Tel."),
                      QStringLiteral("10;40;10;10;10;10;10"));
    list_->setFitToWidth(true);
    // The window opens wide enough for every column to show its values whole.
    list_->setMinimumWidth(list_->fontMetrics().averageCharWidth() * 100 + 40);
    topLayout->addWidget(list_, 1);

    auto *detail = new ui::FormGroup(QStringLiteral("Comune"), this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    QLineEdit *code = entry(detail, "TxtCodice", 6, true);
    // The national list's longest name in two languages has 59 characters;
    // a shorter box would cut it when shown and write it back cut.
    QLineEdit *name = entry(detail, "TxtComune", 60, false);
    QLineEdit *cap = entry(detail, "TxtCap", 5, true);
    QLineEdit *province = entry(detail, "TxtProvincia", 2, true);
    QLineEdit *cadastral = entry(detail, "TxtCodCat", 4, true);
    QLineEdit *state = entry(detail, "TxtStato", 5, true);
    QLineEdit *prefix = entry(detail, "TxtPrefTel", 5, true);
    detail->addRow(QStringLiteral("Codice ISTAT"), {code, "Denominazione", ui::Cell(name, 1)});
    detail->addRow(QStringLiteral("CAP"), {cap, "Provincia", province, "Cod.x C.F.", cadastral});
    detail->addRow(QStringLiteral("Stato"), {state, "Pref.Tel.", prefix});

    bind(kCode, code, Kind::Text, true);
    bind(kName, name);
    bind(kCap, cap);
    bind(kProvince, province);
    bind(kCadastral, cadastral);
    bind(kState, state);
    bind(kPrefix, prefix);
    setList(list_, [this] { return listQuery(); }, {{kCode, 0}});
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM Tab_Comuni WHERE com_codcom = ")
               + ui::sqlText(k.value(kCode));
    },
            {kCode, kName, kCap, kProvince, kCadastral, kState, kPrefix});
    auto *heading = new QLabel(QStringLiteral("GESTIONE TABELLA COMUNI"), this);
    heading->setObjectName(QStringLiteral("LblTitolo"));
    arrangeStacked(heading, top, detail);

    fillProvinces();
    connect(province_, &QComboBox::currentIndexChanged, this, [this] { reloadList(); });
    reloadList();
}

void FrmComuni::fillProvinces()
{
    const QSignalBlocker quiet(province_);
    province_->clear();
    const F::LoadedRows rows = F::loadRows(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT Tab_Provincie.Prv_Descrizione, Tab_Provincie.Prv_Sigla_Auto From Tab_Provincie "
                       "ORDER BY Tab_Provincie.Prv_Descrizione"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
        const QString plate = F::displayValue(rows.value(1, r)).trimmed();
        province_->addItem(F::displayValue(rows.value(0, r)).trimmed() + QStringLiteral(" - ") + plate, plate);
    }
    const int first = province_->findData(kFirstProvince);
    province_->setCurrentIndex(first >= 0 ? first : 0);
}

QString FrmComuni::province() const { return province_->currentData().toString(); }

QString FrmComuni::listQuery() const
{
    return QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM Tab_Comuni WHERE com_codprov=")
           + ui::sqlText(province()) + QStringLiteral(" ORDER BY com_comune");
}

ui::CheckList FrmComuni::checks(bool isNew) const
{
    const auto v = [](const ui::Record &r, const QString &c) { return r.value(c).trimmed(); };
    ui::CheckList c{{kCode, [v](ui::Record &r) { return !v(r, kCode).isEmpty(); },
                     QStringLiteral("ATTENZIONE ! Codice Comune VUOTO !")}};
    if (isNew)
        c.append({kCode, [v](ui::Record &r) {
                      return !found(QStringLiteral("SELECT com_codcom FROM Tab_Comuni WHERE com_codcom = ")
                                    + ui::sqlText(v(r, kCode)));
                  },
                  QStringLiteral("ATTENZIONE ! Codice Comune già presente in archivio !")});
    c.append({kName, [v](ui::Record &r) { return !v(r, kName).isEmpty(); },
              QStringLiteral("ATTENZIONE ! Denominazione Comune VUOTA !")});
    c.append({kProvince, [v](ui::Record &r) {
                  const QString plate = v(r, kProvince);
                  return !plate.isEmpty()
                         && found(QStringLiteral("SELECT Prv_Sigla_Auto FROM Tab_Provincie WHERE Prv_Sigla_Auto = ")
                                  + ui::sqlText(plate));
              },
              QStringLiteral("ATTENZIONE ! Provincia di Apartenenza Vuota o Errata!")});
    return c;
}

void FrmComuni::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    fields.append({QStringLiteral("com_Codoper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("com_Datoper"), QDate::currentDate()});
}

QVector<ui::UsageCheck> FrmComuni::usageChecks(const ui::Record &record) const
{
    static const QStringList users = {
        QStringLiteral("da voci della rubrica dei Mittenti/Destinatari"), QStringLiteral("dall'indirizzo di un Ente"),
        QStringLiteral("dall'indirizzo di un Dipartimento"), QStringLiteral("dall'indirizzo di un Ufficio"),
        QStringLiteral("dallo storico dei Dipartimenti"), QStringLiteral("dallo storico degli Uffici")};
    const QStringList sql = Usage::municipalityUsage(record.value(kCode));
    QVector<ui::UsageCheck> out;
    for (int i = 0; i < sql.size(); ++i)
        out.append({sql[i], QStringLiteral("ATTENZIONE ! Cancellazione del Comune non effettuabile: è utilizzato ")
                                + users.value(i, QStringLiteral("da altre informazioni in archivio")) + QLatin1Char('.')});
    return out;
}

void FrmComuni::loaded(const ui::Record &record) { readCap_ = record.value(kCap).trimmed(); }

// The town and its postal codes are written together, in one transaction.
bool FrmComuni::writeRecord(const ui::Record &record, bool isNew)
{
    F::FieldList fields;
    for (const QString &column : {kCode, kName, kCap, kProvince, kCadastral, kState, kPrefix})
        fields.append({column, record.value(column)});
    addColumns(fields, record, isNew);
    QVector<F::Statement> batch{{isNew ? QStringLiteral("A") : QStringLiteral("R"), QStringLiteral("Tab_Comuni"),
                                 fields, isNew ? QString() : writeCondition(key())}};
    batch += postalCodeStatements(record.value(kCode), isNew ? QString() : readCap_, record.value(kCap), false);
    return F::Update_Tabella(batch, QStringLiteral("PROTOCOLLO"));
}

bool FrmComuni::deleteRecord()
{
    QVector<F::Statement> batch{{QStringLiteral("C"), QStringLiteral("Tab_Comuni"), {}, writeCondition(key())}};
    batch += postalCodeStatements(key().value(kCode), QString(), QString(), true);
    if (F::Update_Tabella(batch, QStringLiteral("PROTOCOLLO")))
        return true;
    showBox(boxTitle(), kDeleteFailure, Icon::Critical);
    return false;
}

void FrmComuni::enteredMode(Mode mode)
{
    begun_ = begun_ || mode != Mode::Browse;
    if (mode == Mode::New) {
        // A new municipality usually belongs to the province on show.
        setFieldText(kProvince, province());
        setFieldText(kState, QStringLiteral("IT"));
    }
}

void FrmComuni::written(bool deleted)
{
    if (!deleted)
        showBox(boxTitle(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE"), Icon::Information);
}

QString FrmComuni::toolbarFor(Mode mode) const
{
    if (mode == Mode::Browse)
        return begun_ ? QStringLiteral("ESCI;NUOVO") : QStringLiteral("NUOVO;ESCI");
    return RecordEditor::toolbarFor(mode);
}

void FrmComuni::ELABORATBAR(const QString &key)
{
    if (key != QLatin1String("REGISTRA")) {
        RecordEditor::ELABORATBAR(key);
        return;
    }
    const QString plate = record().value(kProvince).trimmed();
    busy::setWaitText(QStringLiteral("OPERAZIONI DI REGISTRAZIONE IN CORSO ... ATTENDERE ..."));
    const bool editing = editMode() != Mode::Browse;
    RecordEditor::ELABORATBAR(key);
    busy::setWaitText(QString());
    // Written into another province: show that one, where the record now is.
    const int at = province_->findData(plate);
    if (editing && editMode() == Mode::Browse && at >= 0 && at != province_->currentIndex())
        province_->setCurrentIndex(at);
}

} // namespace nimbo::municipalities
