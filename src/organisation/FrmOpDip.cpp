#include "organisation/FrmOpDip.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kAll = QStringLiteral("000");
const QString kDb = QStringLiteral("PROTOCOLLO");

QString chosen(const QComboBox *c) { return c->currentData().toString(); }

bool officesCalledUnits() { return DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104"); }

} // namespace

QString FrmOpDip::itemText(const QString &code, const QString &name, bool closed)
{
    return closed ? code + QStringLiteral(" - (*) ") + name + QStringLiteral(" (Non Attivo)") : code + QStringLiteral(" - ") + name;
}

FrmOpDip::FrmOpDip(QWidget *parent)
    : ChildWindow(parent), heading_(new QLabel(this)), entities_(new QComboBox(this)), departments_(new QComboBox(this)),
      offices_(new QComboBox(this)), list_(new ui::RowList(QStringLiteral("LwDipartimenti"), this)),
      add_(new QPushButton(QStringLiteral("Aggiungi"), this)), remove_(new QPushButton(QStringLiteral("Rimuovi"), this))
{
    setObjectName(QStringLiteral("FrmOpDip"));
    setWindowTitle(QStringLiteral("Elenco Dipartimenti abilitati per l'operatore: "));
    entities_->setObjectName(QStringLiteral("CboEnti"));
    departments_->setObjectName(QStringLiteral("CboDipartimenti"));
    offices_->setObjectName(QStringLiteral("CboUffici"));
    add_->setObjectName(QStringLiteral("Command1"));
    remove_->setObjectName(QStringLiteral("Command2"));
    heading_->setObjectName(QStringLiteral("LblOperatore"));
    const bool units = officesCalledUnits();
    list_->setColumns(units ? QStringLiteral("Codice;Area Organizzativa;Codice;Dipartimento;Codice;Unità Operativa")
                            : QStringLiteral("Codice;Area Organizzativa;Codice;Dipartimento;Codice;Ufficio"),
                      QStringLiteral("7;20;7;27;7;27"));

    auto *choice = new ui::FormGroup(QStringLiteral("Nuova abilitazione"), this);
    choice->addRow(QStringLiteral("Area Organizzativa"), {ui::Cell(entities_, 1)});
    choice->addRow(QStringLiteral("Dipartimento"), {ui::Cell(departments_, 1)});
    choice->addRow(QString::fromUtf8(units ? "Unità Operativa" : "Ufficio"), {ui::Cell(offices_, 1), add_});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(choice);
    layout->addWidget(list_, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(remove_);
    layout->addLayout(buttons);

    setToolbarKeys(QStringLiteral("ESCI"));
    connect(entities_, &QComboBox::currentIndexChanged, this, &FrmOpDip::fillDepartments);
    connect(departments_, &QComboBox::currentIndexChanged, this, &FrmOpDip::fillOffices);
    connect(add_, &QPushButton::clicked, this, &FrmOpDip::add);
    connect(remove_, &QPushButton::clicked, this, &FrmOpDip::removeChosen);
    fillEntities();
}

void FrmOpDip::setOperator(const QString &code, const QString &name)
{
    operator_ = code.trimmed();
    setWindowTitle(QStringLiteral("Elenco Dipartimenti abilitati per l'operatore: ") + name.trimmed());
    heading_->setText(code.trimmed() + QStringLiteral(" - ") + name.trimmed());
    reload();
}

void FrmOpDip::fillEntities()
{
    const QSignalBlocker quiet(entities_);
    entities_->clear();
    entities_->addItem(QString(), QString());
    const F::LoadedRows rows =
        F::loadRows(kDb, QStringLiteral("SELECT Ente_Codice, Ente_Denominazione FROM Tab_Enti ORDER BY Ente_Denominazione"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        entities_->addItem(itemText(code, rows.value(1, r).toString().trimmed(), false), code);
    }
    fillDepartments();
}

void FrmOpDip::fillDepartments()
{
    const QSignalBlocker quiet(departments_);
    departments_->clear();
    departments_->addItem(QString(), QString());
    const QString ente = chosen(entities_);
    if (!ente.isEmpty()) {
        const F::LoadedRows rows = F::loadRows(
            kDb, QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione, Dipa_Chiuso FROM Tab_Dipartimenti "
                                "WHERE Dipa_CodiceEnte = ")
                     + ui::sqlText(ente) + QStringLiteral(" ORDER BY Dipa_Denominazione"));
        for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
            const QString code = rows.value(0, r).toString().trimmed();
            departments_->addItem(itemText(code, rows.value(1, r).toString().trimmed(),
                                           rows.value(2, r).toString().trimmed() == QLatin1String("SI")),
                                  code);
        }
    }
    fillOffices();
}

void FrmOpDip::fillOffices()
{
    offices_->clear();
    offices_->addItem(QString(), QString());
    const QString ente = chosen(entities_), dip = chosen(departments_);
    if (ente.isEmpty() || dip.isEmpty())
        return;
    offices_->addItem(kAll + QStringLiteral(" - Tutti"), kAll);
    const F::LoadedRows rows =
        F::loadRows(kDb, QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione, Tab_Chiuso FROM Tab_Uffici WHERE Tab_Ente = ")
                             + ui::sqlText(ente) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(dip)
                             + QStringLiteral(" ORDER BY Tab_Descrizione"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        offices_->addItem(
            itemText(code, rows.value(1, r).toString().trimmed(), rows.value(2, r).toString().trimmed() == QLatin1String("SI")),
            code);
    }
}

void FrmOpDip::reload()
{
    list_->load(QStringLiteral("SELECT o.Op_Ente, e.Ente_Denominazione, o.Op_DIP, d.Dipa_Denominazione, o.Op_Uff, "
                               "u.Tab_Descrizione FROM Tab_Operatori_DIP o "
                               "LEFT JOIN Tab_Enti e ON e.Ente_Codice = o.Op_Ente "
                               "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = o.Op_Ente AND d.Dipa_CodDipartimento = o.Op_DIP "
                               "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = o.Op_Ente AND u.Tab_Dipartimento = o.Op_DIP "
                               "AND u.Tab_Ufficio = o.Op_Uff WHERE o.Op_Codice = ")
                + ui::sqlText(operator_)
                + QStringLiteral(" ORDER BY e.Ente_Denominazione, d.Dipa_Denominazione, u.Tab_Descrizione"));
}

void FrmOpDip::add()
{
    const QString ente = chosen(entities_), dip = chosen(departments_), uff = chosen(offices_);
    if (ente.isEmpty()) {
        showBox(windowTitle(), QStringLiteral("selezionare un'Area Organizzativa dall'elenco"), Icon::Warning);
        return;
    }
    if (dip.isEmpty()) {
        showBox(windowTitle(), QStringLiteral("selezionare un Dipartimento dall'elenco"), Icon::Warning);
        return;
    }
    if (uff.isEmpty()) {
        showBox(windowTitle(), QStringLiteral("selezionare un Ufficio dall'elenco"), Icon::Warning);
        return;
    }
    QStringList offices;
    if (uff == kAll) {
        const F::LoadedRows rows = F::loadRows(
            kDb, QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ") + ui::sqlText(ente)
                     + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(dip)
                     + QStringLiteral(" AND COALESCE(Tab_Chiuso, 'NO') <> 'SI' AND Tab_Ufficio NOT IN (SELECT Op_Uff FROM "
                                      "Tab_Operatori_DIP WHERE Op_Ente = ")
                     + ui::sqlText(ente) + QStringLiteral(" AND Op_DIP = ") + ui::sqlText(dip)
                     + QStringLiteral(" AND Op_Codice = ") + ui::sqlText(operator_) + QStringLiteral(") ORDER BY Tab_Ufficio"));
        if (!rows.ok && !rows.noRows())
            return; // the read failure has been shown
        for (int r = 0; r < rows.rowCount(); ++r)
            offices << rows.value(0, r).toString().trimmed();
        if (offices.isEmpty()) {
            showBox(windowTitle(),
                    QStringLiteral("Tutti gli uffici aperti del dipartimento selezionato sono già assegnati all'operatore."),
                    Icon::Information);
            return;
        }
    } else {
        const auto there = F::Caricadati(kDb, QStringLiteral("SELECT Op_Uff FROM Tab_Operatori_DIP WHERE Op_Codice = ")
                                                  + ui::sqlText(operator_) + QStringLiteral(" AND Op_Ente = ")
                                                  + ui::sqlText(ente) + QStringLiteral(" AND Op_DIP = ") + ui::sqlText(dip)
                                                  + QStringLiteral(" AND Op_Uff = ") + ui::sqlText(uff));
        if (there) {
            showBox(windowTitle(), QStringLiteral("il dipartimento e l'ufficio selezionati sono già stati assegnati all'operatore"),
                    Icon::Warning);
            return;
        }
        offices << uff;
    }
    QVector<F::Statement> batch;
    for (const QString &o : offices)
        batch.append({QStringLiteral("A"),
                      QStringLiteral("Tab_Operatori_DIP"),
                      {{QStringLiteral("Op_Codice"), operator_},
                       {QStringLiteral("Op_Ente"), ente},
                       {QStringLiteral("Op_DIP"), dip},
                       {QStringLiteral("Op_Uff"), o}},
                      QString()});
    F::Update_Tabella(batch, kDb);
    reload();
}

void FrmOpDip::removeChosen()
{
    const int row = list_->currentRow();
    if (row < 0) {
        showBox(windowTitle(), QStringLiteral("Per poter effettuare la cancellazione selezionare un diparimento dall'elenco."),
                Icon::Warning);
        return;
    }
    const QString ente = list_->text(row, 0).trimmed(), dip = list_->text(row, 2).trimmed(),
                  uff = list_->text(row, 4).trimmed();
    const QString shown = ente + QStringLiteral(" - ") + list_->text(row, 1) + QStringLiteral(", ") + dip
                          + QStringLiteral(" - ") + list_->text(row, 3) + QStringLiteral(", ") + uff + QStringLiteral(" - ")
                          + list_->text(row, 5);
    if (showBox(windowTitle(), QStringLiteral("CONFERMI LA CANCELLAZIONE DEL dipartimento: ") + shown, Icon::Question,
                Buttons::YesNo)
        != Answer::Yes)
        return;
    const F::Statement st{QStringLiteral("C"), QStringLiteral("Tab_Operatori_DIP"), {},
                          QStringLiteral("Op_Ente = ") + ui::sqlText(ente) + QStringLiteral(" AND Op_DIP = ") + ui::sqlText(dip)
                              + QStringLiteral(" AND Op_Uff = ") + ui::sqlText(uff) + QStringLiteral(" AND Op_Codice = ")
                              + ui::sqlText(operator_)};
    if (!F::Update_Tabella({st}, kDb)) {
        showBox(windowTitle(), QStringLiteral("ATTENZIONE ! Errore in cancellazione del Dipartimento"), Icon::Critical);
        return;
    }
    reload();
}

void FrmOpDip::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::organisation
