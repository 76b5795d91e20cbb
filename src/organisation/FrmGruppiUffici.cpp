#include "organisation/FrmGruppiUffici.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
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

} // namespace

FrmGruppiUffici::FrmGruppiUffici(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmGruppiUffici"));
    setWindowTitle(kTitle);
    const auto &s = DicAmbiente::session();
    ente_ = s.op.ente;
    owner_ = s.op.department;

    groups_ = new ui::RowList(QStringLiteral("LwGruppi"), this);
    groups_->setColumns(QStringLiteral("Raggruppamento"), QStringLiteral("50"));
    groups_->setMinimumWidth(220);
    groups_->setMaximumWidth(300);
    connect(groups_, &ui::RowList::chosen, this, [this](int row) {
        const QString name = groups_->text(row, 0);
        if (mode_ == Mode::Edit && name == previous_->text())
            return;
        openGroup(name);
    });

    detail_ = new QWidget(this);
    auto *column = new QVBoxLayout(detail_);
    column->setContentsMargins(0, 0, 0, 0);
    auto *head = new ui::FormGroup(QStringLiteral("Raggruppamento"), detail_);
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
    offices_ = new QTreeView(detail_);
    offices_->setObjectName(QStringLiteral("TvUffici"));
    offices_->setModel(tree_);
    offices_->setHeaderHidden(true);
    offices_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lists->addWidget(offices_, 1);
    auto *buttons = new QVBoxLayout;
    transfer_ = new QPushButton(QStringLiteral(">>"), detail_);
    transfer_->setObjectName(QStringLiteral("CmdTrasferisci"));
    transfer_->setToolTip(QStringLiteral("Aggiunge al raggruppamento l'ufficio o il componente scelto"));
    remove_ = new QPushButton(QStringLiteral("<<"), detail_);
    remove_->setObjectName(QStringLiteral("CmdRimuovi"));
    remove_->setToolTip(QStringLiteral("Toglie dal raggruppamento la riga scelta"));
    transfer_->setMaximumWidth(48);
    remove_->setMaximumWidth(48);
    buttons->addStretch(1);
    buttons->addWidget(transfer_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    lists->addLayout(buttons);
    list_ = new ui::RowList(QStringLiteral("LWMittenti"), detail_);
    list_->setColumns(QStringLiteral("DIPARTIMENTO;UFFICIO;COMPONENTE"), QStringLiteral("12;22;22"));
    lists->addWidget(list_, 1);
    column->addLayout(lists, 1);

    status_ = new QLabel(QStringLiteral("Raggruppamenti Uffici"), this);
    status_->setObjectName(QStringLiteral("LblStato"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    auto *body = new QHBoxLayout;
    body->setSpacing(10);
    body->addWidget(groups_);
    body->addWidget(detail_, 1);
    outer->addLayout(body, 1);
    outer->addWidget(status_);

    connect(transfer_, &QPushButton::clicked, this, &FrmGruppiUffici::transfer);
    connect(remove_, &QPushButton::clicked, this, &FrmGruppiUffici::removeMember);
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
    dirty()->watch(detail_);
    reloadGroups();
    enter(Mode::Browse);
}

void FrmGruppiUffici::reloadGroups() { groups_->load(groupsSql(ente_, owner_)); }

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

void FrmGruppiUffici::enter(Mode mode)
{
    mode_ = mode;
    detail_->setEnabled(mode != Mode::Browse);
    switch (mode) {
    case Mode::Browse: setToolbarKeys(QStringLiteral("ESCI;NUOVO;CERCA")); break;
    case Mode::New: setToolbarKeys(QStringLiteral("ESCI;REGISTRA;ANNULLA")); break;
    case Mode::Edit: setToolbarKeys(QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA")); break;
    }
    dirty()->setClean();
}

bool FrmGruppiUffici::confirmDiscard() { return dirty()->confirmDiscard(kTitle); }

void FrmGruppiUffici::showMembers()
{
    F::Columns columns(3);
    for (const GroupMember &m : members_) {
        const QStringList cells = m.cells();
        for (int c = 0; c < 3; ++c)
            columns[c].append(cells[c]);
    }
    list_->setRows(columns);
}

bool FrmGruppiUffici::openGroup(const QString &name)
{
    if (!confirmDiscard())
        return false;
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), groupMembersSql(ente_, owner_, name));
    if (!rows.ok)
        return false;
    members_ = groupMembersFrom(rows.columns);
    name_->setText(name);
    previous_->setText(name);
    showMembers();
    enter(Mode::Edit);
    return true;
}

void FrmGruppiUffici::transfer()
{
    if (mode_ == Mode::Browse)
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
    const int row = list_->currentRow();
    if (mode_ == Mode::Browse || row < 0 || row >= members_.size())
        return;
    members_.remove(row);
    showMembers();
    dirty()->setDirty();
}

bool FrmGruppiUffici::save()
{
    const bool isNew = mode_ == Mode::New;
    const QString name = name_->text().trimmed();
    const QString previous = previous_->text();
    if (name.isEmpty()) {
        showBox(kTitle, QStringLiteral("Inserire la Denominazione del raggruppamento che si vuol creare"), Icon::Warning);
        name_->setFocus();
        return false;
    }
    if (isNew || name != previous) {
        const F::LoadedRows used = F::loadRows(QStringLiteral("PROTOCOLLO"), duplicateGroupSql(name, ente_, owner_));
        if (used.ok || !used.noRows()) {
            if (used.ok)
                showBox(kTitle, QStringLiteral("Il nome del raggruppamento è già stato utilizzato. Sostituirlo e "
                                               "riprovare."),
                        Icon::Warning);
            name_->setFocus();
            return false;
        }
    }
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
        return removeGroup(false);
    }

    QVariantList request =
        groupRequest(ente_, name, DicAmbiente::session().op.code, owner_, members_, isNew ? QString() : previous);
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
    const QString status = reply.value(0).toString().trimmed();
    if (reply.isEmpty()) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento Gruppi ") + QString::number(F::kStatusBadRequest)
                            + QStringLiteral(" risposta vuota"),
                Icon::Critical);
        return false;
    }
    if (status != QLatin1String("0")) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento gruppi ") + reply.value(1).toString(),
                Icon::Critical);
        return false;
    }
    members_.clear();
    showMembers();
    name_->clear();
    previous_->clear();
    reloadGroups();
    enter(Mode::Browse);
    emit saved();
    return true;
}

bool FrmGruppiUffici::removeGroup(bool ask)
{
    const QString name = previous_->text();
    if (ask
        && showBox(kTitle, QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?"), Icon::Question,
                   Buttons::YesNo)
               != Answer::Yes)
        return false;
    const F::Statement st{QStringLiteral("C"), QStringLiteral("Tab_UfficiGruppi"), {},
                          groupCondition(name, ente_, owner_)};
    if (!F::Update_Tabella({st}, QStringLiteral("PROTOCOLLO"))) {
        showBox(kTitle, QStringLiteral("ATTENZIONE ! Errore nella cancellazione del raggruppamento Corrente"),
                Icon::Critical);
        return false;
    }
    members_.clear();
    showMembers();
    name_->clear();
    previous_->clear();
    reloadGroups();
    enter(Mode::Browse);
    emit saved();
    return true;
}

void FrmGruppiUffici::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI")) {
        closeWindow();
    } else if (key == QLatin1String("NUOVO")) {
        if (!confirmDiscard())
            return;
        members_.clear();
        showMembers();
        name_->clear();
        previous_->clear();
        enter(Mode::New);
        name_->setFocus();
    } else if (key == QLatin1String("CERCA")) {
        reloadGroups();
    } else if (key == QLatin1String("ANNULLA")) {
        if (!confirmDiscard())
            return;
        members_.clear();
        showMembers();
        name_->clear();
        previous_->clear();
        enter(Mode::Browse);
    } else if (key == QLatin1String("REGISTRA")) {
        if (mode_ != Mode::Browse)
            save();
    } else if (key == QLatin1String("CANCELLA")) {
        if (mode_ == Mode::Edit)
            removeGroup(true);
    }
}

} // namespace nimbo::organisation
