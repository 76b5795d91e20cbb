#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/Emergency.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "emergency/EmergencyRules.h"
#include "platform/Dialogs.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace nimbo::emergency {
namespace {

const QString kTitle = QStringLiteral("Ricerca Protocolli in Emergenza");
const QString kSession = QStringLiteral("Tab_ChiaveRegistrazione");
// The list's columns past its titles: the emergency number and session key.
constexpr int kListNumber = 5;
constexpr int kListKey = 6;

QLineEdit *shown(QWidget *parent, const char *name, int chars = 0)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (chars > 0)
        ui::makeCodeField(e, chars, false);
    ui::setReadOnly(e);
    return e;
}

QString containing(const QString &column, const QLineEdit *field)
{
    const QString t = field->text().trimmed();
    return t.isEmpty() ? QString()
                       : QStringLiteral(" AND UPPER(") + column + QStringLiteral(") LIKE ")
                             + ui::sqlText(QLatin1Char('%') + t.toUpper() + QLatin1Char('%'));
}

} // namespace

FrmRicercaEmergenza::FrmRicercaEmergenza(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmRicercaEmergenza"));
    setWindowTitle(kTitle);
    setTable(QStringLiteral("Tab_ProtocolloEmergenza"), kLocal);
    setContext(QStringLiteral("Tab_Ente"), kEmergencyBody);

    auto *find = new ui::FormGroup(QStringLiteral("Parametri di ricerca"), this);
    direction_ = new QComboBox(find);
    direction_->setObjectName(QStringLiteral("TipoProt"));
    direction_->addItem(QStringLiteral("Entrata"), QStringLiteral("E"));
    direction_->addItem(QStringLiteral("Uscita"), QStringLiteral("U"));
    find->addRow(QStringLiteral("Tipo Protocollo"), {direction_});
    from_ = new ui::DateField(find);
    from_->setObjectName(QStringLiteral("DataDal"));
    to_ = new ui::DateField(find);
    to_->setObjectName(QStringLiteral("DataAl"));
    find->addRow(QStringLiteral("Protocollati in emergenza dal:"), {from_});
    find->addRow(QStringLiteral("al"), {to_});
    subject_ = new QLineEdit(find);
    subject_->setObjectName(QStringLiteral("TxtOggetto"));
    find->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    who_ = new QLineEdit(find);
    who_->setObjectName(QStringLiteral("TxtMittDest"));
    auto *go = new QPushButton(QStringLiteral("Avvia Ricerca"), find);
    go->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    find->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(who_, 1)});
    find->addRow(QString(), {go});
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Mittente/Destinatario;Oggetto"),
                      QStringLiteral("1;60;1;8;8"));
    list_->setFitToWidth(true);
    connect(go, &QPushButton::clicked, this, [this] { search(); });

    auto *detail = new ui::FormGroup(QStringLiteral("Dettaglio"), this);
    auto *direction = new QLineEdit(detail);
    direction->hide();
    // The record's own values; the fields show them as the clerk reads them.
    auto *number = new QLineEdit(detail);
    auto *general = new QLineEdit(detail);
    auto *recordSession = new QLineEdit(detail);
    for (QLineEdit *e : {number, general, recordSession})
        e->hide();
    numberShown_ = shown(detail, "TxtNumeroEmergenza", 36);
    generalShown_ = shown(detail, "TxtNumeroGenerale", 12);
    detail->addRow(QStringLiteral("N.ro Protocollo Emergenza"), {numberShown_});
    detail->addRow(QStringLiteral("N.ro Protocollo Generale"), {generalShown_});
    auto *registered = shown(detail, "DataRegistrazione", 10);
    auto *received = shown(detail, "DataRicezione", 10);
    auto *dated = shown(detail, "DataProtocollo", 10);
    detail->addRow(QStringLiteral("Registrato il"), {registered, QStringLiteral("Ricevuto il"), received});
    detail->addRow(QStringLiteral("Data Protocollo"), {dated});
    auto *who = shown(detail, "Intestatario");
    detail->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(who, 1)});
    auto *subject = shown(detail, "Oggetto");
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject, 1)});
    auto *category = shown(detail, "Categoria", 4);
    auto *cls = shown(detail, "Classe", 4);
    auto *dossier = shown(detail, "Fascicolo", 6);
    detail->addRow(QStringLiteral("Categoria"), {category, QStringLiteral("Classe"), cls, QStringLiteral("Fascicolo"), dossier});
    auto *notes = shown(detail, "Annotazioni");
    detail->addRow(QStringLiteral("Note"), {ui::Cell(notes, 1)});
    auto *others = shown(detail, "DestMultipli");
    detail->addRow(QStringLiteral("Altri Destinatari"), {ui::Cell(others, 1)});
    view_ = new QPushButton(QStringLiteral("Visualizza documento scannerizzato"), this);
    view_->setObjectName(QStringLiteral("CmdVisualizza"));
    connect(view_, &QPushButton::clicked, this, [this] {
        openEmergencyImage(QStringLiteral("FrmVisDocu1"), key().value(QStringLiteral("Tab_TipoProtocollo")),
                           key().value(QStringLiteral("Tab_NumeroProtocollo")), numberShown_->text());
    });

    bind(QStringLiteral("Tab_TipoProtocollo"), direction, Kind::Text, true);
    bind(QStringLiteral("Tab_NumeroProtocollo"), number, Kind::Text, true);
    bind(QStringLiteral("Tab_ProtocolloGenerale"), general);
    bind(QStringLiteral("Tab_DataRegistrazione"), registered);
    bind(QStringLiteral("Tab_DataRicezione"), received);
    bind(QStringLiteral("Tab_DataProtocollo"), dated);
    bind(QStringLiteral("Tab_Intestatario"), who);
    bind(QStringLiteral("Tab_Oggetto"), subject);
    bind(QStringLiteral("Tab_Categoria"), category);
    bind(QStringLiteral("Tab_Classe"), cls);
    bind(QStringLiteral("Tab_Fascicolo"), dossier);
    bind(QStringLiteral("Tab_Annotazioni"), notes);
    bind(QStringLiteral("Tab_DestMultipli"), others);
    bind(kSession, recordSession);
    setList(list_, [this] { return searchQuery(); },
            {{QStringLiteral("Tab_TipoProtocollo"), 0}, {QStringLiteral("Tab_NumeroProtocollo"), kListNumber}});
    showEmergencyNumbers(list_, 1, kListKey, kListNumber);
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_ProtocolloGenerale, "
                              "Tab_DataRegistrazione, Tab_DataRicezione, Tab_DataProtocollo, Tab_Intestatario, Tab_Oggetto, "
                              "Tab_Categoria, Tab_Classe, Tab_Fascicolo, Tab_Annotazioni, Tab_DestMultipli, "
                              "Tab_ChiaveRegistrazione FROM Tab_ProtocolloEmergenza WHERE Tab_Ente='999' and Tab_TipoProtocollo=")
               + ui::sqlText(k.value(QStringLiteral("Tab_TipoProtocollo"))) + QStringLiteral(" and Tab_NumeroProtocollo=")
               + ui::sqlText(k.value(QStringLiteral("Tab_NumeroProtocollo")));
    },
            {QStringLiteral("Tab_TipoProtocollo"), QStringLiteral("Tab_NumeroProtocollo"), QStringLiteral("Tab_ProtocolloGenerale"),
             QStringLiteral("Tab_DataRegistrazione"), QStringLiteral("Tab_DataRicezione"), QStringLiteral("Tab_DataProtocollo"),
             QStringLiteral("Tab_Intestatario"), QStringLiteral("Tab_Oggetto"), QStringLiteral("Tab_Categoria"),
             QStringLiteral("Tab_Classe"), QStringLiteral("Tab_Fascicolo"), QStringLiteral("Tab_Annotazioni"),
             QStringLiteral("Tab_DestMultipli"), kSession});
    arrangeSearch(new QLabel(QStringLiteral("RICERCA PROTOCOLLI IN EMERGENZA"), this), find, list_, detail, {view_});
    enteredMode(Mode::Browse);
}

QString FrmRicercaEmergenza::searchQuery() const
{
    QString sql = QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, Tab_Intestatario, "
                                 "Tab_Oggetto, Tab_NumeroProtocollo, Tab_ChiaveRegistrazione FROM Tab_ProtocolloEmergenza "
                                 "WHERE Tab_Ente = '999'");
    if (!searched_)
        return sql + QStringLiteral(" AND 1 = 0");
    sql += QStringLiteral(" AND Tab_TipoProtocollo = ") + ui::sqlText(direction_->currentData().toString());
    sql += QStringLiteral(" AND Tab_DataProtocollo >= ") + ui::sqlText(from_->date().toString(Qt::ISODate));
    sql += QStringLiteral(" AND Tab_DataProtocollo <= ") + ui::sqlText(to_->date().toString(Qt::ISODate));
    sql += containing(QStringLiteral("Tab_Oggetto"), subject_) + containing(QStringLiteral("Tab_Intestatario"), who_);
    return sql + QStringLiteral(" ORDER BY Tab_NumeroProtocollo");
}

bool FrmRicercaEmergenza::search()
{
    QString failed;
    if (!from_->date().isValid())
        failed = QStringLiteral("Inserire la data iniziale");
    else if (!to_->date().isValid())
        failed = QStringLiteral("Inserire la data finale");
    else if (to_->date().toString(QStringLiteral("yyyyMMdd")) < from_->date().toString(QStringLiteral("yyyyMMdd")))
        failed = QStringLiteral("La data finale non può essere minore della data iniziale");
    if (!failed.isEmpty()) {
        showBox(kTitle, failed, Icon::Warning);
        return false;
    }
    searched_ = true;
    reloadList();
    return true;
}

ui::CheckList FrmRicercaEmergenza::checks(bool) const { return {}; }

QString FrmRicercaEmergenza::toolbarFor(Mode) const { return QStringLiteral("ESCI"); }

void FrmRicercaEmergenza::loaded(const ui::Record &r)
{
    numberShown_->setText(emergencyNumberText(r.value(kSession), r.value(QStringLiteral("Tab_NumeroProtocollo"))));
    generalShown_->setText(shownNumber(r.value(QStringLiteral("Tab_ProtocolloGenerale"))));
}

void FrmRicercaEmergenza::enteredMode(Mode mode)
{
    if (mode == Mode::Browse) {
        numberShown_->clear();
        generalShown_->clear();
    }
    view_->setEnabled(mode == Mode::Edit && WindowRegistry::contains(QStringLiteral("FrmVisDocu1")));
}

} // namespace nimbo::emergency
