#include "organisation/FrmPostazioni.h"

#include "organisation/FrmHelpUff.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kEnte = QStringLiteral("Ente");
const QString kId = QStringLiteral("ID_Postazione");

QString ente() { return DicAmbiente::session().op.ente; }

QString contains(const QString &column, const QLineEdit *field)
{
    const QString t = field->text().trimmed();
    return t.isEmpty() ? QString()
                       : QStringLiteral(" AND UPPER(") + column + QStringLiteral(") LIKE ")
                             + ui::sqlText(QLatin1Char('%') + t.toUpper() + QLatin1Char('%'));
}

bool found(const QString &sql) { return F::Caricadati(QStringLiteral("PROTOCOLLO"), sql).has_value(); }

} // namespace

FrmPostazioni::FrmPostazioni(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmPostazioni"));
    setWindowTitle(QStringLiteral("Gestione Anagrafe Postazioni di Protocollo"));
    setTable(QStringLiteral("Tab_Postazioni"));
    setContext(kEnte, ente());
    setDeletable(true);
    setLoadFailure(QStringLiteral("Errore! La postazione richiesta non è presente in archivio."));
    setDeleteFailure(QStringLiteral("ATTENZIONE! Errore in cancellazione Anagrafe Postazione"));

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *search = new ui::FormGroup(QStringLiteral("Ricerca"), left);
    const auto edit = [](QWidget *parent, const char *name, int chars, bool upper) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        ui::makeCodeField(e, chars, upper);
        return e;
    };
    findId_ = edit(search, "TxtRicPostazione", 4, true);
    findDescription_ = new QLineEdit(search);
    findDescription_->setObjectName(QStringLiteral("TxtRicDescrizione"));
    findUser_ = edit(search, "TxtRicUtente", 10, true);
    search->addRow(QStringLiteral("Postazione"), {findId_, QStringLiteral("Utente"), findUser_});
    search->addRow(QStringLiteral("Descrizione"), {ui::Cell(findDescription_, 1)});
    leftLayout->addWidget(search);
    list_ = new ui::RowList(QStringLiteral("LwPostazioni"), left);
    list_->setColumns(QStringLiteral("Id. Postazione;Descrizione"), QStringLiteral("10;40"));
    leftLayout->addWidget(list_, 1);
    for (QLineEdit *e : {findId_, findDescription_, findUser_})
        connect(e, &QLineEdit::returnPressed, this, [this] { ELABORATBAR(QStringLiteral("AVVIA RICERCA")); });

    auto *detail = new ui::FormGroup(QStringLiteral("Postazione"), this);
    id_ = edit(detail, "TxtIdPost", lengthOf(kId), true);
    detail->addRow(QStringLiteral("Id. Postazione"), {id_});
    description_ = new QLineEdit(detail);
    description_->setObjectName(QStringLiteral("TxtDescrizione"));
    office_ = new QPushButton(QStringLiteral("Ufficio..."), detail);
    office_->setObjectName(QStringLiteral("CmdUfficio"));
    detail->addRow(QStringLiteral("Descrizione"), {ui::Cell(description_, 1), office_});
    user_ = edit(detail, "TxtUtil", lengthOf(QStringLiteral("Utente")), true);
    auto *userName = new ui::DescriptionLabel(detail);
    userName->setObjectName(QStringLiteral("LblUtente"));
    detail->addCodeRow(QStringLiteral("Utente"), user_, userName);
    pick_ = new ui::PickList(this);
    userLookup_ = new ui::CodeLookup(user_, userName, pick_, [](const QString &typed, bool) {
        QVector<ui::Match> out;
        const F::LoadedRows rows = F::loadRows(
            QStringLiteral("PROTOCOLLO"),
            QStringLiteral("SELECT Op_Codice_Operatore, Op_Cognome || ' ' || Op_Nome FROM Tab_Operatori WHERE Op_Ente = ")
                + ui::sqlText(ente()) + QStringLiteral(" AND Op_Codice_Operatore LIKE ")
                + ui::sqlText(typed.trimmed().toUpper() + QLatin1Char('%')) + QStringLiteral(" ORDER BY Op_Codice_Operatore"));
        for (int r = 0; rows.ok && r < rows.rowCount(); ++r)
            out.append({rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed(), QString()});
        return out;
    }, this);

    bind(kId, id_, Kind::Text, true);
    bind(QStringLiteral("Descrizione"), description_);
    bind(QStringLiteral("Utente"), user_);
    setList(list_, [this] { return searchQuery(); }, {{kId, 0}});
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT p.ID_Postazione, p.Descrizione, p.Utente, o.Op_Cognome || ' ' || o.Op_Nome "
                              "FROM Tab_Postazioni p LEFT JOIN Tab_Operatori o ON o.Op_Codice_Operatore = p.Utente "
                              "WHERE p.Ente = ")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" AND p.ID_Postazione = ") + ui::sqlText(k.value(kId));
    },
            {kId, QStringLiteral("Descrizione"), QStringLiteral("Utente"), QStringLiteral("NomeUtente")});
    arrange(new QLabel(QStringLiteral("GESTIONE ANAGRAFE POSTAZIONI DI PROTOCOLLO"), this), left, detail);
    connect(office_, &QPushButton::clicked, this, &FrmPostazioni::pickOffice);
    reloadList();
}

QString FrmPostazioni::searchQuery() const
{
    return QStringLiteral("SELECT ID_Postazione, Descrizione FROM Tab_Postazioni WHERE Ente = ") + ui::sqlText(ente())
           + contains(kId, findId_) + contains(QStringLiteral("Descrizione"), findDescription_)
           + contains(QStringLiteral("Utente"), findUser_) + QStringLiteral(" ORDER BY ID_Postazione DESC");
}

ui::CheckList FrmPostazioni::checks(bool isNew) const
{
    const auto v = [](const ui::Record &r, const QString &c) { return r.value(c).trimmed(); };
    ui::CheckList c{
        {kId, [v](ui::Record &r) { return !v(r, kId).isEmpty(); },
         QStringLiteral("specificare il codice identificativo della postazione.")},
        {kId, [v](ui::Record &r) { return v(r, kId).size() == 4; },
         QStringLiteral("Il codice identificativo della postazionedeve essere di quattro caratteri")}};
    if (isNew)
        c.append({kId, [v](ui::Record &r) {
                      return !found(QStringLiteral("SELECT ID_Postazione FROM Tab_Postazioni WHERE Ente = ")
                                    + ui::sqlText(v(r, kEnte)) + QStringLiteral(" AND ID_Postazione = ")
                                    + ui::sqlText(v(r, kId)));
                  },
                  QStringLiteral("Il Codice Postazione specificato è già stato inserito in archivio")});
    c.append({QStringLiteral("Descrizione"), [v](ui::Record &r) { return !v(r, QStringLiteral("Descrizione")).isEmpty(); },
              QStringLiteral("Inserire la descrizione identificativa della postazione.")});
    c.append({QStringLiteral("Utente"), [v](ui::Record &r) { return !v(r, QStringLiteral("Utente")).isEmpty(); },
              QStringLiteral("specificare il codice dell'utente abilitato all'utilizzo della postazione.")});
    c.append({QStringLiteral("Utente"), [v](ui::Record &r) {
                  return found(QStringLiteral("SELECT Op_Codice_Operatore FROM Tab_Operatori WHERE Op_Codice_Operatore = ")
                               + ui::sqlText(v(r, QStringLiteral("Utente"))));
              },
              QStringLiteral("Il Codice utente specificato non è presente in archivio")});
    return c;
}

QVector<ui::UsageCheck> FrmPostazioni::usageChecks(const ui::Record &r) const
{
    return {{QStringLiteral("SELECT Tab_IDRegistro FROM Tab_AnaRegistriEme WHERE Tab_IDRegistro = ") + ui::sqlText(r.value(kId))
                 + QStringLiteral(" AND Tab_Ente = ") + ui::sqlText(r.value(kEnte)),
             QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate alla postazione in esame.")}};
}

void FrmPostazioni::enteredMode(Mode mode)
{
    if (mode != Mode::Edit)
        userLookup_->clear();
    office_->setEnabled(mode != Mode::Browse);
}

void FrmPostazioni::loaded(const ui::Record &r) { userLookup_->set(r.value(QStringLiteral("Utente")), r.value(QStringLiteral("NomeUtente"))); }

QString FrmPostazioni::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;NUOVO;AVVIA RICERCA");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;AVVIA RICERCA;ANNULLA");
    case Mode::Edit: return QStringLiteral("ESCI;REGISTRA;CANCELLA;NUOVO;AVVIA RICERCA;ANNULLA");
    }
    return {};
}

void FrmPostazioni::pickOffice()
{
    auto *picker = qobject_cast<FrmHelpUff *>(WindowRegistry::open(QStringLiteral("FrmHelpUff")));
    if (picker)
        picker->setTarget(description_);
}

void FrmPostazioni::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("AVVIA RICERCA"))
        reloadList();
    else
        RecordEditor::ELABORATBAR(key);
}

} // namespace nimbo::organisation
