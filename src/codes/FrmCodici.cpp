#include "codes/FrmCodici.h"

#include <QBrush>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include "codes/CodeTables.h"
#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "platform/ListingPrinter.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/TreeModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::codes {

namespace {
const QString kCaption = QStringLiteral("Codici Applicazione");
const QString kDb = QStringLiteral("PROTOCOLLO");
} // namespace

// The rows of Tab_Tabelle: each node shows its description; a row naming a
// table the program does not know cannot be chosen.
class TableTree : public ui::TreeModel {
public:
    struct Row {
        QString name;
        QString description;
        bool known = false;
    };
    using ui::TreeModel::TreeModel;

    void setTables(const QVector<QPair<int, Row>> &rows)
    {
        rows_.clear();
        F::Columns cols(1);
        for (const auto &[code, row] : rows) {
            const QString key = QStringLiteral("R%1").arg(code, 3, 10, QLatin1Char('0'));
            cols[0] << key;
            rows_.insert(key, row);
        }
        setRows(cols, {{0, -1}});
    }
    Row row(const QString &key) const { return rows_.value(key); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const QString k = key(index);
        if (k.isEmpty())
            return ui::TreeModel::data(index, role);
        const Row r = rows_.value(k);
        switch (role) {
        case Qt::DisplayRole: return r.known ? r.description : r.description + QStringLiteral(" (non disponibile)");
        case Qt::ToolTipRole:
            return r.known ? r.description : QStringLiteral("Tabella non gestita dal programma: ") + r.name;
        default: return ui::TreeModel::data(index, role);
        }
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return rows_.value(key(index)).known ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    QHash<QString, Row> rows_;
};

FrmCodici::FrmCodici(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmCodici"));
    setWindowTitle(kCaption);
    setDeletable(true);
    setUsageFailure(QStringLiteral("Si è verificato un errore durante la lettura dei dati"));
    setDeleteFailure(QStringLiteral("Si è verificato un errore durante la cancellazione del codice"));

    model_ = new TableTree(this);
    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("TreeView1"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setMinimumWidth(200);
    tree_->setMaximumWidth(260);
    connect(tree_, &QTreeView::clicked, this, &FrmCodici::nodeChosen);
    connect(tree_, &QTreeView::activated, this, &FrmCodici::nodeChosen);

    heading_ = new QLabel(QStringLiteral("Scegliere una tabella dall'elenco"), this);
    heading_->setObjectName(QStringLiteral("LblTabella"));
    QFont f = heading_->font();
    f.setBold(true);
    heading_->setFont(f);
    grid_ = new ui::RowList(QStringLiteral("flxCodici"), this);

    auto *detail = new ui::FormGroup(QStringLiteral("Elemento"), this);
    const auto edit = [detail](const char *name, CodeTextValidator::Rule rule) {
        auto *e = new QLineEdit(detail);
        e->setObjectName(QLatin1String(name));
        e->setValidator(new CodeTextValidator(rule, e));
        return e;
    };
    text1_ = edit("Text1", CodeTextValidator::Rule::Strict);
    text2_ = edit("Text2", CodeTextValidator::Rule::Names);
    text3_ = edit("Text3", CodeTextValidator::Rule::Strict);
    detail->addRow(QStringLiteral("Codice"), {text1_});
    detail->addRow(QStringLiteral("Descrizione"), {ui::Cell(text2_, 1)});
    caption3_ = ui::caption(QString(), detail, text3_);
    detail->addRow(caption3_, {text3_});
    region_ = new QComboBox(detail);
    region_->setObjectName(QStringLiteral("CboRegione"));
    regionCaption_ = ui::caption(QStringLiteral("Regione"), detail, region_);
    detail->addRow(regionCaption_, {ui::Cell(region_, 1)});

    const auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdIns_ = button("CmdInsCodici", QStringLiteral("Nuovo"));
    cmdRegistra_ = button("CmdRegistra", QStringLiteral("Registra"));
    cmdCancella_ = button("CmdCancella", QStringLiteral("Cancella"));
    cmdStampa_ = button("CmdStampaTabella", QStringLiteral("Stampa"));
    cmdEsci_ = button("CmdEsci", QStringLiteral("Esci"));
    connect(cmdIns_, &QPushButton::clicked, this, [this] { ELABORATBAR(QStringLiteral("NUOVO")); });
    connect(cmdRegistra_, &QPushButton::clicked, this, [this] { ELABORATBAR(QStringLiteral("REGISTRA")); });
    connect(cmdCancella_, &QPushButton::clicked, this, [this] { ELABORATBAR(QStringLiteral("CANCELLA")); });
    connect(cmdStampa_, &QPushButton::clicked, this, &FrmCodici::printTable);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { ELABORATBAR(QStringLiteral("ESCI")); });

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(10);
    outer->addWidget(tree_);
    auto *right = new QVBoxLayout;
    right->addWidget(heading_);
    right->addWidget(grid_, 1);
    right->addWidget(detail);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdIns_, cmdRegistra_, cmdCancella_, cmdStampa_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdEsci_);
    right->addLayout(buttons);
    outer->addLayout(right, 1);
    setDetail(detail);

    showTable(nullptr, QString());
    loadTree();
}

FrmCodici::~FrmCodici() = default;

void FrmCodici::loadTree()
{
    QVector<QPair<int, TableTree::Row>> rows;
    const F::LoadedRows read = F::loadRows(
        kDb, QStringLiteral("SELECT Tab_Codice, Tab_NomeTabella, Tab_Descrizione FROM Tab_Tabelle ORDER BY Tab_Codice"));
    for (int r = 0; read.ok && r < read.rowCount(); ++r) {
        TableTree::Row row;
        row.name = read.value(1, r).toString().trimmed();
        row.description = read.value(2, r).toString().trimmed();
        if (row.description.isEmpty())
            row.description = row.name;
        row.known = codeTableNamed(row.name) != nullptr;
        rows.append({read.value(0, r).toInt(), row});
    }
    model_->setTables(rows);
}

bool FrmCodici::chooseNode(const QString &key)
{
    const QModelIndex at = model_->indexOfKey(key);
    if (!at.isValid() || !(model_->flags(at) & Qt::ItemIsEnabled))
        return false;
    tree_->setCurrentIndex(at);
    nodeChosen(at);
    return current_ && currentKey_ == key;
}

void FrmCodici::nodeChosen(const QModelIndex &index)
{
    const QString key = model_->key(index);
    if (key.isEmpty() || key == currentKey_ || !(model_->flags(index) & Qt::ItemIsEnabled))
        return;
    if (!dirty()->confirmDiscard(kCaption)) {
        tree_->setCurrentIndex(model_->indexOfKey(currentKey_));
        return;
    }
    // The row is read again: the tree may be older than the table.
    bool numeric = false;
    const int code = key.mid(1).toInt(&numeric);
    const auto row = numeric ? F::Caricadati(kDb, QStringLiteral("SELECT Tab_NomeTabella, Tab_Descrizione FROM "
                                                                 "Tab_Tabelle WHERE Tab_Codice = %1").arg(code))
                             : std::nullopt;
    const CodeTable *table = row ? codeTableNamed(row->value(0).toString()) : nullptr;
    if (!table) {
        if (row)
            showBox(kCaption, QStringLiteral("Tabella non gestita dal programma: ") + row->value(0).toString().trimmed(),
                    Icon::Warning);
        loadTree();
        showTable(nullptr, QString());
        return;
    }
    QString title = row->value(1).toString().trimmed();
    if (title.isEmpty())
        title = table->name;
    currentKey_ = key;
    showTable(table, title);
}

void FrmCodici::showTable(const CodeTable *table, const QString &title)
{
    dirty()->setClean();
    RecordEditor::ELABORATBAR(QStringLiteral("ANNULLA")); // the old table's fields go
    current_ = table;
    unbindAll();
    if (!table) {
        currentKey_.clear();
        heading_->setText(QStringLiteral("Scegliere una tabella dall'elenco"));
        grid_->setColumns(QStringLiteral("Codice;Descrizione"), QStringLiteral("8;40"));
        grid_->clear();
        caption3_->hide();
        text3_->hide();
        regionCaption_->hide();
        region_->hide();
        enteredMode(editMode());
        setToolbarKeys(toolbarFor(editMode()));
        return;
    }
    setTable(table->table);
    bind(table->codeColumn, text1_, Kind::Text, true);
    // The fields take their lengths from the table's columns.
    bind(table->descriptionColumn, text2_);
    const bool extra = !table->extraColumn.isEmpty();
    if (extra) {
        bind(table->extraColumn, text3_);
        caption3_->setText(table->extraCaption);
    }
    caption3_->setVisible(extra);
    text3_->setVisible(extra);
    const bool regions = !table->regionColumn.isEmpty();
    if (regions) {
        bind(table->regionColumn, region_);
        fillRegions();
    }
    regionCaption_->setVisible(regions);
    region_->setVisible(regions);
    heading_->setText(QStringLiteral("Elenco codici della tabella '") + title + QLatin1Char('\''));
    grid_->setColumns(table->titles(), table->widths());
    setList(grid_, [this] { return current_ ? current_->listSql() : QString(); }, {{table->codeColumn, 0}});
    setLoad([this](const ui::Record &k) { return current_->loadSql(k.value(current_->codeColumn)); },
            table->loadColumns());
    reloadList();
    enteredMode(editMode());
    setToolbarKeys(toolbarFor(editMode()));
}

void FrmCodici::fillRegions()
{
    const QSignalBlocker quiet(region_);
    region_->clear();
    region_->addItem(QString(), QString());
    const F::LoadedRows rows =
        F::loadRows(kDb, QStringLiteral("SELECT Reg_Codreg, Reg_Descrizione FROM Tab_Regioni ORDER BY Reg_Descrizione"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r)
        region_->addItem(rows.value(1, r).toString().trimmed(), rows.value(0, r).toString().trimmed());
}

ui::CheckList FrmCodici::checks(bool isNew) const
{
    if (!current_)
        return {};
    return codeChecks(*current_, isNew, [this](const QString &code) {
        for (int r = 0; r < grid_->count(); ++r)
            if (grid_->text(r, 0).trimmed().compare(code, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    });
}

void FrmCodici::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    if (!current_)
        return;
    fields.append({current_->operatorColumn, DicAmbiente::session().op.code});
    fields.append({current_->dateColumn, QDate::currentDate()});
}

QVector<ui::UsageCheck> FrmCodici::usageChecks(const ui::Record &record) const
{
    QVector<ui::UsageCheck> out;
    if (!current_)
        return out;
    const QString code = key().value(current_->codeColumn, record.value(current_->codeColumn));
    for (const QString &sql : current_->usage(code, storedExtra_))
        out.append({sql, current_->inUse});
    return out;
}

void FrmCodici::enteredMode(Mode mode)
{
    const bool chosen = current_ != nullptr;
    cmdIns_->setEnabled(chosen);
    cmdRegistra_->setEnabled(chosen && mode != Mode::Browse);
    cmdCancella_->setEnabled(chosen && mode == Mode::Edit);
    cmdStampa_->setEnabled(chosen);
    if (mode != Mode::Edit) {
        storedExtra_.clear();
        ui::setReadOnly(text3_, false);
        text3_->setToolTip(QString());
    }
}

void FrmCodici::loaded(const ui::Record &record)
{
    if (!current_)
        return;
    storedExtra_ = record.value(current_->extraColumn);
    // Municipalities name their province by its plate: the plate of a
    // province in use stays as it is (a read that fails counts as in use).
    if (!current_->regionColumn.isEmpty()) {
        bool used = false;
        for (const QString &sql : current_->usage(record.value(current_->codeColumn), storedExtra_)) {
            const F::LoadedRows r = F::loadRows(kDb, sql);
            used = used || r.ok || !r.noRows();
        }
        ui::setReadOnly(text3_, used);
        text3_->setToolTip(used ? QStringLiteral("Sigla in uso nei comuni della provincia: non modificabile") : QString());
    }
}

QString FrmCodici::toolbarFor(Mode mode) const
{
    return current_ ? RecordEditor::toolbarFor(mode) : QStringLiteral("ESCI");
}

void FrmCodici::ELABORATBAR(const QString &key)
{
    if (!current_ && key != QLatin1String("ESCI"))
        return;
    RecordEditor::ELABORATBAR(key);
}

void FrmCodici::printTable()
{
    if (!current_)
        return;
    const auto target = ReportOutput::choose(kCaption, current_->name.toLower() + QStringLiteral(".pdf"));
    if (!target)
        return;
    const QStringList titles = current_->titles().split(QLatin1Char(';'));
    QList<int> widths;
    for (const QString &w : current_->widths().split(QLatin1Char(';')))
        widths << w.toInt();
    // The rows as the grid shows them, in its order and filter.
    const QAbstractItemModel *shown = grid_->view()->model();
    QVector<QStringList> rows;
    for (int r = 0; r < shown->rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < titles.size(); ++c)
            line << shown->index(r, c).data().toString();
        rows << line;
    }
    const ListingResult printed = printGrid(heading_->text(), titles, widths, rows, *target);
    if (!printed.ok)
        showBox(kCaption, QStringLiteral("Errore di Stampa: ") + printed.error, Icon::Critical);
}

} // namespace nimbo::codes
