#include "history/FrmStoricoOPE.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "history/HistoryRules.h"
#include "platform/Dialogs.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::history {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kCaption = QStringLiteral("Consulta Storico Operatori");

// The detail's fields, in the order of the change query.
constexpr const char *kFields[] = {"TxtCodice",  "TxtCognome",    "TxtNome",    "TxtCF",          "TxtFlPassword",
                                   "TxtData",    "TxtPrivacy",    "TxtLivello", "TxtEnte",        "TxtEnteDescr",
                                   "TxtDip",     "TxtDipDescr",   "TxtUff",     "TxtUffDescr",    "TxtAttivo",
                                   "TxtDataOperazione", "TxtCodOper"};

} // namespace

FrmStoricoOPE::FrmStoricoOPE(QWidget *parent)
    : ChildWindow(parent), operators_(new ui::RowList(QStringLiteral("LwOperatori"), this)),
      changes_(new ui::RowList(QStringLiteral("LwVariazioni"), this)), changesHeading_(new QLabel(this))
{
    setObjectName(QStringLiteral("frmStoricoOPE"));
    setWindowTitle(kCaption);
    changesHeading_->setObjectName(QStringLiteral("LblVariazioni"));
    QFont bold = changesHeading_->font();
    bold.setBold(true);
    changesHeading_->setFont(bold);
    operators_->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;85"));
    operators_->setFitToWidth(true);
    operators_->setMinimumWidth(260);
    operators_->setMaximumWidth(360);
    changes_->setColumns(QStringLiteral("DATA OPERAZIONE;OPERAZIONE;ATTIVO;REGISTRATA DA;IL;ID"),
                         QStringLiteral("19;28;6;12;11;0"));

    auto *group = new ui::FormGroup(QStringLiteral("Dettaglio variazione"), this);
    for (const char *name : kFields)
        detail_.insert(QLatin1String(name), ui::readOnlyField(group, name));
    const auto f = [this](const char *name) { return detail_.value(QLatin1String(name)); };
    for (const char *n : {"TxtCodice", "TxtData", "TxtPrivacy", "TxtLivello", "TxtEnte", "TxtDip", "TxtUff",
                          "TxtAttivo", "TxtFlPassword", "TxtCodOper"})
        f(n)->setFixedWidth(ui::fieldWidth(f(n), 11));
    f("TxtDataOperazione")->setFixedWidth(ui::fieldWidth(f("TxtDataOperazione"), 20));
    group->addRow(QStringLiteral("Codice"), {f("TxtCodice"), QStringLiteral("Attivo"), f("TxtAttivo")});
    group->addRow(QStringLiteral("Cognome"), {ui::Cell(f("TxtCognome"), 1)});
    group->addRow(QStringLiteral("Nome"), {ui::Cell(f("TxtNome"), 1)});
    group->addRow(QStringLiteral("Codice fiscale"), {ui::Cell(f("TxtCF"), 1)});
    group->addRow(QStringLiteral("Livello"), {f("TxtLivello"), QStringLiteral("Privacy"), f("TxtPrivacy")});
    group->addRow(QStringLiteral("Data"), {f("TxtData"), QStringLiteral("Cambio password"), f("TxtFlPassword")});
    group->addRow(QStringLiteral("Ente"), {f("TxtEnte"), QStringLiteral("Denominazione"), ui::Cell(f("TxtEnteDescr"), 1)});
    group->addRow(QStringLiteral("Dipartimento"),
                  {f("TxtDip"), QStringLiteral("Denominazione"), ui::Cell(f("TxtDipDescr"), 1)});
    group->addRow(QStringLiteral("Ufficio"), {f("TxtUff"), QStringLiteral("Descrizione"), ui::Cell(f("TxtUffDescr"), 1)});
    group->addRow(QStringLiteral("Variazione del"), {f("TxtDataOperazione"), QStringLiteral("da"), f("TxtCodOper")});

    auto *right = new QVBoxLayout;
    right->addWidget(changesHeading_);
    right->addWidget(changes_, 1);
    right->addWidget(group);
    auto *body = new QHBoxLayout(this);
    body->setContentsMargins(8, 8, 8, 8);
    body->addWidget(operators_, 2);
    body->addLayout(right, 5);

    connect(operators_, &ui::RowList::chosen, this, &FrmStoricoOPE::operatorChosen);
    connect(changes_, &ui::RowList::chosen, this, &FrmStoricoOPE::changeChosen);
    setToolbarKeys(QStringLiteral("ESCI"));
    operators_->load(operatorsQuery());
}

QSize FrmStoricoOPE::sizeHint() const { return QSize(980, 620).expandedTo(minimumSizeHint()); }

void FrmStoricoOPE::operatorChosen(int row)
{
    const QString code = operators_->text(row, 0).trimmed();
    changesHeading_->setText(QStringLiteral("Elenco variazioni Operatore: ") + operators_->text(row, 1).trimmed());
    clearDetail();
    F::LoadedRows r = F::loadRows(kDb, operatorChangesQuery(code));
    if (!r.ok || r.columns.size() < 3) {
        // No logged change is an empty list, not an error.
        changes_->clear();
        return;
    }
    QVariantList &types = r.columns[1];
    for (int i = 0; i < types.size(); ++i)
        types[i] = operatorChangeText(types[i].toString(), r.value(2, i).toString());
    changes_->setRows(r.columns);
}

void FrmStoricoOPE::changeChosen(int row)
{
    clearDetail();
    const auto found = F::Caricadati(kDb, operatorChangeQuery(changes_->value(row, 5).toLongLong()));
    if (!found) {
        showBox(kCaption, QStringLiteral("Variazione non trovata in archivio"), Icon::Warning);
        return;
    }
    int i = 0;
    for (const char *name : kFields) {
        QLineEdit *e = detail_.value(QLatin1String(name));
        e->setText(F::displayValue(found->value(i++)).trimmed());
        e->setCursorPosition(0);
    }
}

void FrmStoricoOPE::clearDetail()
{
    for (QLineEdit *e : std::as_const(detail_))
        e->clear();
}

void FrmStoricoOPE::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::history
