#include "organisation/HistoryViewer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

// The detail's fields, in the order of the detail query.
struct DetailField {
    const char *name;
    const char *caption;
};
constexpr DetailField kDetail[] = {{"TxtCodice", "Codice"},       {"TxtChiuso", "Chiuso"},
                                   {"TxtDenominazione", "Denominazione"}, {"TxtIndirizzo", "Indirizzo"},
                                   {"TxtComune", "Comune"},       {"TxtTelefono", "Telefono"},
                                   {"TxtFax", "Fax"},             {"TxtEmail", "Posta elettronica"},
                                   {"TxtDataInizio", "Data inizio"}, {"TxtDataFine", "Data fine"}};

QString text(const F::LoadedRows &r, int column, int row) { return F::displayValue(r.value(column, row)).trimmed(); }

// What follows the name of a record that no longer exists, as SQL text.
QString sqlDeleted() { return QStringLiteral("' (CANCELLATO)'"); }

// The departments of an entity, code and name, and those deleted from it
// with the name their history last recorded; not ordered.
QString departmentsQuery(const QString &ente)
{
    return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                          "Dipa_CodiceEnte = ")
           + ui::sqlText(ente)
           + QStringLiteral(" UNION ALL SELECT h.DipaS_CodDipartimento, h.DipaS_Denominazione || ") + sqlDeleted()
           + QStringLiteral(" FROM Tab_Dipartimenti_Storico h WHERE h.DipaS_CodiceEnte = ") + ui::sqlText(ente)
           + QStringLiteral(" AND h.ID = (SELECT MAX(l.ID) FROM Tab_Dipartimenti_Storico l WHERE l.DipaS_CodiceEnte = "
                            "h.DipaS_CodiceEnte AND l.DipaS_CodDipartimento = h.DipaS_CodDipartimento) AND NOT EXISTS "
                            "(SELECT 1 FROM Tab_Dipartimenti d WHERE d.Dipa_CodiceEnte = h.DipaS_CodiceEnte AND "
                            "d.Dipa_CodDipartimento = h.DipaS_CodDipartimento)");
}

} // namespace

HistoryViewer::HistoryViewer(Of of, QWidget *parent)
    : ChildWindow(parent), of_(of), ente_(DicAmbiente::session().op.ente),
      records_(new ui::RowList(QStringLiteral("LwElenco"), this)),
      changes_(new ui::RowList(QStringLiteral("LwVariazioni"), this)), changesHeading_(new QLabel(this)),
      detailHeading_(new QLabel(this))
{
    const bool dept = of_ == Of::Department;
    setWindowTitle(dept ? QStringLiteral("Storico Dipartimenti") : QStringLiteral("Storico Uffici"));
    changesHeading_->setObjectName(QStringLiteral("LblVariazioni"));
    detailHeading_->setObjectName(QStringLiteral("LblDettaglio"));
    for (QLabel *l : {changesHeading_, detailHeading_}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    records_->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;85"));
    records_->setMinimumWidth(260);
    records_->setMaximumWidth(360);
    changes_->setColumns(QStringLiteral("DATA;OPERAZIONE;DESCRIZIONE;DATA INIZIO;DATA FINE"),
                         QStringLiteral("11;28;40;11;11"));

    auto *left = new QVBoxLayout;
    if (!dept) {
        departments_ = new QComboBox(this);
        departments_->setObjectName(QStringLiteral("CboDipartimento"));
        departments_->setMinimumContentsLength(24);
        departments_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        left->addWidget(ui::caption(QStringLiteral("Dipartimento"), this, departments_));
        left->addWidget(departments_);
        // Closed and deleted departments keep their history: every
        // department is listed.
        const F::LoadedRows r = F::loadRows(kDb, departmentsQuery(ente_) + QStringLiteral(" ORDER BY 1"));
        QVector<ui::Match> items;
        for (int i = 0; r.ok && i < r.rowCount(); ++i)
            items.append({text(r, 0, i), text(r, 1, i), QString()});
        fillPicker(departments_, items);
        connect(departments_, &QComboBox::currentIndexChanged, this, &HistoryViewer::loadRecords);
    }
    left->addWidget(records_, 1);

    auto *group = new ui::FormGroup(QStringLiteral("Dettaglio"), this);
    for (const DetailField &d : kDetail) {
        auto *e = new QLineEdit(group);
        e->setObjectName(QLatin1String(d.name));
        ui::setReadOnly(e);
        detail_.insert(QLatin1String(d.name), e);
    }
    const auto f = [this](const char *name) { return detail_.value(QLatin1String(name)); };
    group->addRow(QStringLiteral("Codice"), {f("TxtCodice"), QStringLiteral("Chiuso"), f("TxtChiuso")});
    group->addRow(QStringLiteral("Denominazione"), {ui::Cell(f("TxtDenominazione"), 1)});
    group->addRow(QStringLiteral("Indirizzo"), {ui::Cell(f("TxtIndirizzo"), 1)});
    group->addRow(QStringLiteral("Comune"), {ui::Cell(f("TxtComune"), 1)});
    group->addRow(QStringLiteral("Telefono"), {f("TxtTelefono"), QStringLiteral("Fax"), f("TxtFax")});
    group->addRow(QStringLiteral("Posta elettronica"), {ui::Cell(f("TxtEmail"), 1)});
    group->addRow(QStringLiteral("Data inizio"), {f("TxtDataInizio"), QStringLiteral("Data fine"), f("TxtDataFine")});
    for (const char *n : {"TxtCodice", "TxtChiuso", "TxtDataInizio", "TxtDataFine"})
        f(n)->setFixedWidth(ui::fieldWidth(f(n), 11));

    auto *right = new QVBoxLayout;
    right->addWidget(changesHeading_);
    right->addWidget(changes_, 1);
    right->addWidget(detailHeading_);
    right->addWidget(group);

    auto *body = new QHBoxLayout(this);
    body->setContentsMargins(8, 8, 8, 8);
    body->addLayout(left, 2);
    body->addLayout(right, 5);

    connect(records_, &ui::RowList::chosen, this, &HistoryViewer::recordChosen);
    connect(changes_, &ui::RowList::chosen, this, &HistoryViewer::changeChosen);
    setToolbarKeys(QStringLiteral("ESCI"));
    if (dept)
        loadRecords();
}

QString HistoryViewer::typeText(Of of, const QString &type)
{
    const QString what = of == Of::Department ? QStringLiteral(" DIPARTIMENTO") : QStringLiteral(" UFFICIO");
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("A"))
        return QStringLiteral("ATTIVAZIONE") + what;
    if (t == QLatin1String("D"))
        return QStringLiteral("DISATTIVAZIONE") + what;
    if (t == QLatin1String("M"))
        return QStringLiteral("MODIFICA") + what;
    return type;
}

QString HistoryViewer::recordsQuery() const
{
    if (of_ == Of::Department)
        return departmentsQuery(ente_) + QStringLiteral(" ORDER BY 2");
    const QString dept = ui::sqlText(departments_ ? pickedCode(departments_) : QString());
    // A deleted office is listed under the department its last change left
    // it in.
    return QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ") + ui::sqlText(ente_)
           + QStringLiteral(" AND Tab_Dipartimento = ") + dept
           + QStringLiteral(" UNION ALL SELECT h.Tab_Ufficio, h.Tab_Descrizione || ") + sqlDeleted()
           + QStringLiteral(" FROM Tab_Uffici_Storico h WHERE h.tab_Ente = ") + ui::sqlText(ente_)
           + QStringLiteral(" AND h.Tab_Dipartimento = ") + dept
           + QStringLiteral(" AND h.ID = (SELECT MAX(l.ID) FROM Tab_Uffici_Storico l WHERE l.tab_Ente = h.tab_Ente "
                            "AND l.Tab_Ufficio = h.Tab_Ufficio) AND NOT EXISTS (SELECT 1 FROM Tab_Uffici u WHERE "
                            "u.Tab_Ente = h.tab_Ente AND u.Tab_Ufficio = h.Tab_Ufficio) ORDER BY 1");
}

QString HistoryViewer::changesQuery(const QString &code) const
{
    // Changes of one day keep the order they were made in.
    if (of_ == Of::Department)
        return QStringLiteral("SELECT DipaS_DataOperazione, DipaS_TipoOperazione, DipaS_Denominazione, "
                              "DipaS_DataInizio, DipaS_DataFine, ID FROM Tab_Dipartimenti_Storico WHERE "
                              "DipaS_CodiceEnte = ")
               + ui::sqlText(ente_) + QStringLiteral(" AND DipaS_CodDipartimento = ") + ui::sqlText(code)
               + QStringLiteral(" ORDER BY DipaS_DataOperazione, ID");
    return QStringLiteral("SELECT Tab_DataOperazione, Tab_TipoOperazione, Tab_Descrizione, Tab_DataInizio, "
                          "Tab_DataFine, ID FROM Tab_Uffici_Storico WHERE tab_Ente = ")
           + ui::sqlText(ente_) + QStringLiteral(" AND Tab_Ufficio = ") + ui::sqlText(code)
           + QStringLiteral(" ORDER BY Tab_DataOperazione, ID");
}

QString HistoryViewer::changeQuery(int id, const QString &code) const
{
    if (of_ == Of::Department)
        return QStringLiteral("SELECT h.DipaS_CodDipartimento, h.DipaS_Chiuso, h.DipaS_Denominazione, "
                              "h.DipaS_Domicilio, c.Com_Comune, h.DipaS_Telefono, h.DipaS_FAX, "
                              "h.DipaS_PostaElettronica, h.DipaS_DataInizio, h.DipaS_DataFine, "
                              "h.DipaS_DataOperazione FROM Tab_Dipartimenti_Storico h LEFT JOIN Tab_Comuni c ON "
                              "c.Com_Codcom = h.DipaS_Comune WHERE h.ID = ")
               + QString::number(id) + QStringLiteral(" AND h.DipaS_CodiceEnte = ") + ui::sqlText(ente_)
               + QStringLiteral(" AND h.DipaS_CodDipartimento = ") + ui::sqlText(code);
    return QStringLiteral("SELECT h.Tab_Ufficio, h.Tab_Chiuso, h.Tab_Descrizione, h.Tab_Domicilio, c.Com_Comune, "
                          "h.Tab_Telefono, h.Tab_Fax, h.Tab_Email, h.Tab_DataInizio, h.Tab_DataFine, "
                          "h.Tab_DataOperazione, h.Tab_Numero_Civico FROM Tab_Uffici_Storico h LEFT JOIN Tab_Comuni c "
                          "ON c.Com_Codcom = h.Tab_Comune WHERE h.ID = ")
           + QString::number(id) + QStringLiteral(" AND h.tab_Ente = ") + ui::sqlText(ente_)
           + QStringLiteral(" AND h.Tab_Ufficio = ") + ui::sqlText(code);
}

void HistoryViewer::loadRecords()
{
    chosen_.clear();
    changes_->clear();
    changesHeading_->clear();
    clearDetail();
    if (departments_ && pickedCode(departments_).isEmpty()) {
        records_->clear();
        return;
    }
    records_->load(recordsQuery());
}

void HistoryViewer::recordChosen(int row)
{
    chosen_ = records_->text(row, 0);
    changesHeading_->setText((of_ == Of::Department ? QStringLiteral("Elenco variazioni Dipartimento: ")
                                                    : QStringLiteral("Elenco variazioni Ufficio: "))
                             + records_->text(row, 1));
    clearDetail();
    ServerHolder holder;
    F::LoadedRows r = F::loadGridRows(kDb, changesQuery(chosen_), F::genericProgId(), holder, objectName());
    if (!r.ok || r.columns.size() < 2) {
        changes_->clear();
        return;
    }
    QVariantList &types = r.columns[1];
    for (QVariant &t : types)
        t = typeText(of_, t.toString());
    changes_->setRows(r.columns);
}

void HistoryViewer::changeChosen(int row)
{
    const int id = changes_->value(row, 5).toInt();
    clearDetail();
    const auto found = F::Caricadati(kDb, changeQuery(id, chosen_));
    if (!found) {
        showBox(windowTitle(), QStringLiteral("Variazione non trovata in archivio"), Icon::Warning);
        return;
    }
    const QVariantList &v = *found;
    const auto shown = [&v](int i) { return F::displayValue(v.value(i)).trimmed(); };
    int i = 0;
    for (const DetailField &d : kDetail)
        detail_.value(QLatin1String(d.name))->setText(shown(i++));
    if (of_ == Of::Office && !shown(11).isEmpty())
        detail_.value(QStringLiteral("TxtIndirizzo"))->setText(shown(3) + QStringLiteral(", ") + shown(11));
    for (QLineEdit *e : std::as_const(detail_))
        e->setCursorPosition(0);
    detailHeading_->setText(QStringLiteral("Dettaglio variazione del ") + shown(10));
}

void HistoryViewer::clearDetail()
{
    detailHeading_->clear();
    for (QLineEdit *e : std::as_const(detail_))
        e->clear();
}

void HistoryViewer::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::organisation
