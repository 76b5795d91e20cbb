#include "organisation/FrmGruppiUffici.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "schema/Definition.h"
#include "servers/ProtocolServer.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/TreeModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kTitle = QStringLiteral("Gestione Raggruppamenti Uffici");
const QString kGroup = QStringLiteral("Tab_raggruppamento");
// Set by the name check when the names in use could not be read: the
// failure has nothing to tell the clerk beyond the field it focuses.
const QString kUnread = QStringLiteral("#unread");

} // namespace

FrmGruppiUffici::FrmGruppiUffici(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmGruppiUffici"));
    setWindowTitle(kTitle);
    const auto &s = DicAmbiente::session();
    ente_ = s.op.ente;
    owner_ = s.op.department;
    setTable(QStringLiteral("Tab_UfficiGruppi"));
    setContext(QStringLiteral("Tab_Ente"), ente_);
    setContext(QStringLiteral("Tab_DipartimentoGruppo"), owner_);
    setDeletable(true);
    setDeleteQuestion(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?"));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore nella cancellazione del raggruppamento Corrente"));

    auto *left = new QWidget(this);
    auto *lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    groups_ = new ui::RowList(QStringLiteral("LwGruppi"), left);
    groups_->setColumns(QStringLiteral("Raggruppamento"), QStringLiteral("50"));
    lv->addWidget(groups_, 1);
    auto *status = new QLabel(QStringLiteral("Raggruppamenti Uffici"), left);
    status->setObjectName(QStringLiteral("LblStato"));
    lv->addWidget(status);

    auto *detail = new QWidget(this);
    auto *column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    auto *head = new ui::FormGroup(QStringLiteral("Raggruppamento"), detail);
    name_ = new QLineEdit(head);
    name_->setObjectName(QStringLiteral("TxtGruppo"));
    name_->setMaxLength(
        Schema::entryLength(Schema::Kind::Central, QStringLiteral("Tab_UfficiGruppiNomi"), QStringLiteral("Tab_raggruppamento")));
    ui::makeCodeField(name_, name_->maxLength(), true);
    name_->setMinimumWidth(0);
    name_->setMaximumWidth(QWIDGETSIZE_MAX);
    previous_ = new QLineEdit(head);
    previous_->setObjectName(QStringLiteral("TxtGruppoOld"));
    previous_->setVisible(false);
    head->addRow(QStringLiteral("Denominazione"), {name_});
    departments_ = new QComboBox(head);
    departments_->setObjectName(QStringLiteral("CboDipartimento"));
    head->addRow(QStringLiteral("Dipartimento"), {departments_});
    column->addWidget(head);

    auto *lists = new QHBoxLayout;
    tree_ = new ui::TreeModel(this);
    offices_ = new QTreeView(detail);
    offices_->setObjectName(QStringLiteral("TvUffici"));
    offices_->setModel(tree_);
    offices_->setHeaderHidden(true);
    offices_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lists->addWidget(offices_, 1);
    auto *buttons = new QVBoxLayout;
    auto *in = new QPushButton(QStringLiteral(">>"), detail);
    in->setObjectName(QStringLiteral("CmdTrasferisci"));
    in->setToolTip(QStringLiteral("Aggiunge al raggruppamento l'ufficio o il componente scelto"));
    auto *out = new QPushButton(QStringLiteral("<<"), detail);
    out->setObjectName(QStringLiteral("CmdRimuovi"));
    out->setToolTip(QStringLiteral("Toglie dal raggruppamento la riga scelta"));
    in->setMaximumWidth(48);
    out->setMaximumWidth(48);
    buttons->addStretch(1);
    buttons->addWidget(in);
    buttons->addWidget(out);
    buttons->addStretch(1);
    lists->addLayout(buttons);
    memberList_ = new ui::RowList(QStringLiteral("LWMittenti"), detail);
    memberList_->setColumns(QStringLiteral("DIPARTIMENTO;UFFICIO;COMPONENTE"), QStringLiteral("12;22;22"));
    lists->addWidget(memberList_, 1);
    column->addLayout(lists, 1);

    connect(in, &QPushButton::clicked, this, &FrmGruppiUffici::transfer);
    connect(out, &QPushButton::clicked, this, &FrmGruppiUffici::removeMember);
    connect(offices_, &QTreeView::doubleClicked, this, &FrmGruppiUffici::transfer);
    connect(departments_, &QComboBox::currentIndexChanged, this,
            [this](int) { showDepartment(departments_->currentData().toString()); });

    const F::LoadedRows deps = F::loadRows(QStringLiteral("PROTOCOLLO"), openDepartmentsByCodeSql(ente_));
    {
        const QSignalBlocker quiet(departments_);
        for (int i = 0; i < deps.rowCount(); ++i) {
            const QString code = deps.value(0, i).toString().trimmed();
            departments_->addItem(code + QStringLiteral(" - ") + deps.value(1, i).toString().trimmed(), code);
        }
        departments_->setCurrentIndex(std::max(0, departments_->findData(owner_)));
    }
    showDepartment(departments_->currentData().toString());

    bind(kGroup, name_);
    setLoad(
        [this](const ui::Record &key) {
            return QStringLiteral("SELECT DISTINCT Tab_raggruppamento FROM Tab_UfficiGruppi WHERE ")
                   + groupCondition(key.value(kGroup), ente_, owner_);
        },
        {kGroup});
    setList(groups_, [this] { return groupsSql(ente_, owner_); }, {{kGroup, 0}});
    arrange(nullptr, left, detail);
    reloadList();
}

QString FrmGruppiUffici::toolbarFor(Mode mode) const
{
    return mode == Mode::Browse ? QStringLiteral("ESCI;NUOVO;CERCA") : RecordEditor::toolbarFor(mode);
}

void FrmGruppiUffici::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("CERCA"))
        reloadList();
    else
        RecordEditor::ELABORATBAR(key);
}

bool FrmGruppiUffici::openGroup(const QString &name) { return openRecord({{kGroup, name}}); }

void FrmGruppiUffici::showDepartment(const QString &code)
{
    const int at = departments_->findData(code);
    if (at >= 0 && at != departments_->currentIndex()) {
        departments_->setCurrentIndex(at); // comes back here through the signal
        return;
    }
    F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), officesWithMembersSql(ente_, code));
    if (!rows.ok) {
        tree_->clear();
        return;
    }
    // An office without members is chosen whole.
    for (int i = 0; i < rows.rowCount(); ++i)
        if (rows.columns[2][i].toString().trimmed().isEmpty()) {
            rows.columns[2][i] = QStringLiteral("0");
            rows.columns[3][i] = QStringLiteral("Nessun Componente");
        }
    tree_->setRows(rows.columns, {{0, 1}, {2, 3}});
    offices_->expandAll();
}

void FrmGruppiUffici::enteredMode(Mode mode)
{
    if (mode != Mode::Edit) {
        members_.clear();
        showMembers();
        previous_->clear();
    }
    if (mode == Mode::New)
        name_->setFocus();
}

void FrmGruppiUffici::loaded(const ui::Record &record)
{
    previous_->setText(record.value(kGroup));
    const F::LoadedRows rows =
        F::loadRows(QStringLiteral("PROTOCOLLO"), groupMembersSql(ente_, owner_, record.value(kGroup)));
    members_ = rows.ok ? groupMembersFrom(rows.columns) : QVector<GroupMember>{};
    showMembers();
}

void FrmGruppiUffici::showMembers()
{
    F::Columns columns(3);
    for (const GroupMember &m : std::as_const(members_)) {
        const QStringList cells = m.cells();
        for (int c = 0; c < 3; ++c)
            columns[c].append(cells[c]);
    }
    memberList_->setRows(columns);
}

void FrmGruppiUffici::transfer()
{
    if (editMode() == Mode::Browse)
        return;
    const QModelIndex at = offices_->currentIndex();
    if (!at.isValid())
        return;
    const QModelIndex office = tree_->level(at) == 0 ? at : at.parent();
    const QStringList codes = tree_->codes(at);
    const QString officeText = tree_->data(office, Qt::DisplayRole).toString();
    GroupMember m;
    m.department = departments_->currentData().toString();
    m.departmentName = departments_->currentText().mid(m.department.size() + 3);
    m.office = codes.value(0);
    m.officeName = officeText.mid(m.office.size() + 3);
    m.progressive = codes.size() > 1 ? codes[1].toLongLong() : 0;
    if (m.progressive != 0)
        m.memberName = tree_->data(at, Qt::DisplayRole).toString().mid(codes[1].size() + 3);
    if (members_.contains(m))
        return;
    members_.append(m);
    showMembers();
    dirty()->setDirty();
}

void FrmGruppiUffici::removeMember()
{
    const int row = memberList_->currentRow();
    if (editMode() == Mode::Browse || row < 0 || row >= members_.size())
        return;
    members_.remove(row);
    showMembers();
    dirty()->setDirty();
}

ui::CheckList FrmGruppiUffici::checks(bool isNew) const
{
    const QString previous = key().value(kGroup);
    const QString ente = ente_, owner = owner_;
    return {
        {kGroup, [](ui::Record &r) { return !r.value(kGroup).isEmpty(); },
         QStringLiteral("Inserire la Denominazione del raggruppamento che si vuol creare")},
        {kGroup,
         [isNew, previous, ente, owner](ui::Record &r) {
             const QString name = r.value(kGroup);
             if (!isNew && name == previous)
                 return true;
             const F::LoadedRows used = F::loadRows(QStringLiteral("PROTOCOLLO"), duplicateGroupSql(name, ente, owner));
             if (!used.ok && !used.noRows())
                 r.insert(kUnread, QStringLiteral("1"));
             return !used.ok && used.noRows();
         },
         {},
         [](const ui::Record &r) {
             return r.contains(kUnread) ? QString()
                                        : QStringLiteral("Il nome del raggruppamento è già stato utilizzato. "
                                                         "Sostituirlo e riprovare.");
         }},
    };
}

QString FrmGruppiUffici::writeCondition(const ui::Record &key) const
{
    return groupCondition(key.value(kGroup), ente_, owner_);
}

bool FrmGruppiUffici::writeRecord(const ui::Record &record, bool isNew)
{
    if (members_.isEmpty()) {
        if (isNew) {
            showBox(kTitle, QStringLiteral("Inserire almeno un Ufficio nel raggruppamento"), Icon::Warning);
            return false;
        }
        if (showBox(kTitle,
                    QStringLiteral("Premi il bottone 'SI' se desideri cancellare il raggruppamento, altrimenti "
                                   "inserisci almeno un Ufficio nella lista."),
                    Icon::Question, Buttons::YesNo)
            != Answer::Yes)
            return false;
        return deleteRecord();
    }
    // The whole group in one request: the server replaces its rows in one
    // transaction, renaming included.
    QVariantList request = groupRequest(ente_, record.value(kGroup), DicAmbiente::session().op.code, owner_,
                                        members_, isNew ? QString() : key().value(kGroup));
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setRequestTitle(QStringLiteral("OLE - Protocollo Documenti"));
        ServerHolder holder;
        QString why;
        const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
        if (created)
            reply = holder.object->Elabora(kOpAggiornaGruppi, request);
        holder.release();
        busy::setRequestTitle(QString());
        if (!created) {
            GECentr::writeLog(why, QStringLiteral("save"), objectName());
            showBox(kTitle, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
            return false;
        }
    }
    if (reply.isEmpty()) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento Gruppi ") + QString::number(F::kStatusBadRequest)
                            + QStringLiteral(" risposta vuota"),
                Icon::Critical);
        return false;
    }
    if (reply.value(0).toString().trimmed() != QLatin1String("0")) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento gruppi ") + reply.value(1).toString(),
                Icon::Critical);
        return false;
    }
    return true;
}

} // namespace nimbo::organisation
