#include "addressbook/FrmGruppiRubrica.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/AddressBookRules.h"
#include "addressbook/EntryChecks.h"
#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "servers/ProtocolServer.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::addressbook {
namespace {

const QString kTitle = QStringLiteral("Gestione Gruppi Mittenti/Destinatari");
const QString kGroup = QStringLiteral("Tab_Raggruppamento");

} // namespace

FrmGruppiRubrica::FrmGruppiRubrica(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmGruppiRubrica"));
    setWindowTitle(kTitle);
    const auto &s = DicAmbiente::session();
    ente_ = s.op.ente;
    owner_ = s.op.department;
    setTable(QStringLiteral("Tab_RubricaGruppi"));
    setContext(QStringLiteral("Tab_Ente"), ente_);
    setContext(QStringLiteral("Tab_Dipartimento"), owner_);
    setDeletable(true);
    setDeleteQuestion(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?"));

    auto *left = new QWidget(this);
    auto *lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    groups_ = new ui::RowList(QStringLiteral("LwGruppi"), left);
    groups_->setColumns(QStringLiteral("Raggruppamento"), QStringLiteral("50"));
    lv->addWidget(groups_, 1);
    auto *status = new QLabel(QStringLiteral("Raggruppamenti Mittenti/Destinatari"), left);
    status->setObjectName(QStringLiteral("LblStato"));
    lv->addWidget(status);

    auto *detail = new QWidget(this);
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    auto *head = new ui::FormGroup(QStringLiteral("Raggruppamento"), detail);
    name_ = new QLineEdit(head);
    name_->setObjectName(QStringLiteral("TxtGruppo"));
    name_->setMaxLength(30);
    ui::makeCodeField(name_, 30, true);
    auto *previous = new QLineEdit(head);
    previous->setObjectName(QStringLiteral("TxtGruppoOld"));
    previous->setVisible(false);
    shared_ = new QCheckBox(QStringLiteral("Condiviso con tutti i dipartimenti"), head);
    shared_->setObjectName(QStringLiteral("CondividChk"));
    head->addRow(QStringLiteral("Denominazione"), {name_, ui::Cell(shared_, 1)});
    v->addWidget(head);

    list_ = new ui::RowList(QStringLiteral("LWMittenti"), detail);
    list_->setColumns(QStringLiteral("Codice;Denominazione;Indirizzo;Comune;Cessazione"), QStringLiteral("7;25;20;14;9"));
    auto *membersBox = new ui::FormGroup(QStringLiteral("Componenti del raggruppamento"), detail);
    auto *out = new QPushButton(QStringLiteral("Togli dal gruppo"), membersBox);
    out->setObjectName(QStringLiteral("CmdRimuovi"));
    membersBox->addWide(list_);
    membersBox->addRow(QString(), {ui::Cell(new QWidget(membersBox), 1), out});
    v->addWidget(membersBox, 1);

    auto *find = new ui::FormGroup(QStringLiteral("Ricerca Mittenti/Destinatari"), detail);
    search_ = new QLineEdit(find);
    search_->setObjectName(QStringLiteral("TxtRic"));
    search_->setMaxLength(30);
    ui::makeCodeField(search_, 30, true);
    filter_ = new QComboBox(find);
    filter_->setObjectName(QStringLiteral("CboFiltro"));
    filter_->addItem(QStringLiteral("Inizia per"), 1);
    filter_->addItem(QStringLiteral("Contiene la stringa"), 2);
    kinds_ = new QComboBox(find);
    kinds_->setObjectName(QStringLiteral("CboTipo"));
    fillKinds(kinds_, kAllKinds, kAllKinds + QStringLiteral(" - Tutte le tipologie"));
    auto *go = new QPushButton(QStringLiteral("Cerca"), find);
    go->setObjectName(QStringLiteral("CmdCerca"));
    auto *in = new QPushButton(QStringLiteral("Aggiungi al gruppo"), find);
    in->setObjectName(QStringLiteral("CmdTrasferisci"));
    find->addRow(QStringLiteral("Denominazione"), {ui::Cell(search_, 1), filter_, go});
    find->addRow(QStringLiteral("Tipologia"), {ui::Cell(kinds_, 1), in});
    found_ = new ui::RowList(QStringLiteral("LwRicerca"), find);
    found_->setColumns(QStringLiteral("Codice;Denominazione;Indirizzo;Comune"), QStringLiteral("7;25;20;14"));
    found_->model()->setCheckable(true);
    find->addWide(found_);
    v->addWidget(find, 1);

    connect(go, &QPushButton::clicked, this, [this] { search(); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(in, &QPushButton::clicked, this, &FrmGruppiRubrica::transfer);
    connect(out, &QPushButton::clicked, this, &FrmGruppiRubrica::removeMember);

    bind(kGroup, name_);
    setLoad(
        [this](const ui::Record &key) {
            return QStringLiteral("SELECT Tab_Raggruppamento, MAX(Tab_Condiviso) FROM Tab_RubricaGruppi WHERE "
                                  "Tab_Ente = ")
                   + ui::sqlText(ente_) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(owner_)
                   + QStringLiteral(" AND Tab_Raggruppamento = ") + ui::sqlText(key.value(kGroup))
                   + QStringLiteral(" GROUP BY Tab_Raggruppamento");
        },
        {kGroup, QStringLiteral("Tab_Condiviso")});
    setList(groups_, [this] { return groupsSql(ente_, owner_); }, {{kGroup, 0}});
    arrange(nullptr, left, detail);
    reloadList();
}

QString FrmGruppiRubrica::toolbarFor(Mode mode) const
{
    return mode == Mode::Browse ? QStringLiteral("ESCI;NUOVO;CERCA") : RecordEditor::toolbarFor(mode);
}

void FrmGruppiRubrica::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("CERCA"))
        reloadList();
    else
        RecordEditor::ELABORATBAR(key);
}

void FrmGruppiRubrica::enteredMode(Mode mode)
{
    if (mode != Mode::Edit) {
        members_.clear();
        shared_->setChecked(false);
        showMembers();
        found_->clear();
    }
}

void FrmGruppiRubrica::loaded(const ui::Record &record)
{
    shared_->setChecked(record.value(QStringLiteral("Tab_Condiviso")) == QLatin1String("1"));
    members_.clear();
    const F::LoadedRows rows =
        F::loadRows(QStringLiteral("PROTOCOLLO"), groupMembersSql(ente_, owner_, record.value(kGroup)));
    for (int i = 0; rows.ok && i < rows.rowCount(); ++i)
        members_.append({rows.value(0, i).toLongLong(), F::displayValue(rows.value(1, i)).trimmed(),
                         F::displayValue(rows.value(2, i)).trimmed(), F::displayValue(rows.value(3, i)).trimmed(),
                         F::displayValue(rows.value(4, i)).trimmed()});
    showMembers();
    found_->clear();
}

void FrmGruppiRubrica::showMembers()
{
    F::Columns columns(5);
    for (const Member &m : std::as_const(members_)) {
        columns[0].append(m.id);
        columns[1].append(m.name);
        columns[2].append(m.street);
        columns[3].append(m.municipality);
        columns[4].append(m.ceased);
    }
    list_->setRows(columns);
}

void FrmGruppiRubrica::search(bool tell)
{
    if (editMode() == Mode::Browse)
        return;
    GroupSearch s;
    s.ente = ente_;
    s.text = search_->text();
    s.contains = filter_->currentData().toInt() != 1;
    s.kind = kinds_->currentData().toString();
    for (const Member &m : std::as_const(members_))
        s.leaveOut << m.id;
    if (found_->load(groupSearchSql(s)) && found_->count() == 0 && tell)
        ui::tellNothingFound(this, kMsgNothingFound);
}

void FrmGruppiRubrica::transfer()
{
    if (editMode() == Mode::Browse)
        return;
    QVector<int> rows;
    for (int i = 0; i < found_->count(); ++i)
        if (found_->model()->isChecked(i))
            rows << i;
    if (rows.isEmpty() && found_->currentRow() >= 0)
        rows << found_->currentRow();
    if (rows.isEmpty())
        return;
    for (int i : std::as_const(rows))
        members_.append({found_->value(i, 0).toLongLong(), found_->text(i, 1), found_->text(i, 2), found_->text(i, 3),
                         QString()});
    showMembers();
    dirty()->setDirty();
    search(false); // what was moved is no longer offered
}

void FrmGruppiRubrica::removeMember()
{
    const int row = list_->currentRow();
    if (editMode() == Mode::Browse || row < 0 || row >= members_.size())
        return;
    members_.remove(row);
    showMembers();
    dirty()->setDirty();
}

ui::CheckList FrmGruppiRubrica::checks(bool isNew) const
{
    const QString previous = key().value(kGroup);
    const QString ente = ente_;
    const auto renamed = [isNew, previous](const ui::Record &r) { return isNew || r.value(kGroup) != previous; };
    return {
        required(kGroup, QStringLiteral("Inserire la Denominazione del raggruppamento che si vuol creare !")),
        {kGroup,
         [renamed, ente](ui::Record &r) {
             if (!renamed(r))
                 return true;
             const F::LoadedRows used = F::loadRows(QStringLiteral("PROTOCOLLO"), groupNameUsedSql(ente, r.value(kGroup)));
             return !used.ok && used.noRows();
         },
         QStringLiteral("Il nome del raggruppamento è già stato utilizzato. Sostituirlo e riprovare.")},
        {kGroup,
         [this, renamed](ui::Record &r) {
             return !renamed(r) || groups_->model()->find(0, r.value(kGroup)) < 0;
         },
         QStringLiteral("Esiste già un gruppo con lo stesso nome. Modificare il nome del gruppo e rieffettuare la "
                        "registrazione.")},
    };
}

bool FrmGruppiRubrica::callServer(short operation, QVariantList request, bool deleting)
{
    QVariantList reply;
    busy::Guard guard;
    busy::setWaitText(deleting ? QStringLiteral("Attendere.Cancellazione su remoto in corso")
                               : QStringLiteral("Attendere.Scrittura su remoto in corso"));
    busy::setRequestTitle(deleting ? QStringLiteral("OLE - Cancellazione gruppi rubrica")
                                   : QStringLiteral("OLE - registrazione gruppi rubrica"));
    ServerHolder holder;
    QString why;
    const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
    if (created)
        reply = holder.object->Elabora(operation, request);
    holder.release();
    busy::setRequestTitle(QString());
    busy::setWaitText(QString());
    if (!created) {
        GECentr::writeLog(why, QStringLiteral("callServer"), objectName());
        showBox(kTitle, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return false;
    }
    if (reply.value(0).toString().trimmed() != QLatin1String("0")) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento gruppi ") + reply.value(1).toString(),
                Icon::Critical);
        return false;
    }
    return true;
}

bool FrmGruppiRubrica::writeRecord(const ui::Record &record, bool isNew)
{
    if (members_.isEmpty()) {
        if (isNew) {
            showBox(kTitle, QStringLiteral("Inserire almeno un Mittente/Destinatario nel raggruppamento"), Icon::Warning);
            return false;
        }
        if (showBox(kTitle,
                    QStringLiteral("Premi il bottone 'SI' se desideri cancellare il raggruppamento, altrimenti "
                                   "inserisci almeno un Mittente/Destinatario nella lista."),
                    Icon::Question, Buttons::YesNo)
            != Answer::Yes)
            return false;
        return deleteRecord();
    }
    QVariantList ids;
    for (const Member &m : std::as_const(members_))
        ids << m.id;
    return callServer(kOpGruppiRubrica,
                      {ente_, record.value(kGroup), DicAmbiente::session().op.code, owner_, QVariant(ids),
                       isNew ? QString() : key().value(kGroup), shared_->isChecked() ? QStringLiteral("1")
                                                                                      : QStringLiteral("0")},
                      false);
}

bool FrmGruppiRubrica::deleteRecord()
{
    return callServer(kOpCancellaGruppoRubrica, {ente_, key().value(kGroup), owner_}, true);
}

} // namespace nimbo::addressbook
