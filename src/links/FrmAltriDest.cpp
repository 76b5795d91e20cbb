#include "links/FrmAltriDest.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

#include "addressbook/AddressBookRules.h"
#include "data/Scope.h"
#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "servers/RecipientRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/ProtocolNumber.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::links {
namespace {

using recipients::Recipient;

const QString kTitle = QStringLiteral("Altri destinatari del documento");
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kRequestTitle = QStringLiteral("OLE - registrazione altri destinatari protocollo");

QString cell(const F::LoadedRows &r, int column, int row = 0) { return F::displayValue(r.value(column, row)).trimmed(); }

// What a command on the chosen rows acts on: the ticked rows, or else the
// current one; in load order.
QVector<int> chosenRows(const ui::RowList *list)
{
    QVector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->model()->isChecked(i))
            rows << i;
    if (rows.isEmpty() && list->currentRow() >= 0)
        rows << list->currentRow();
    return rows;
}

} // namespace

FrmAltriDest::FrmAltriDest(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmAltriDest"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));

    auto *head = new ui::FormGroup(QStringLiteral("Documento protocollato"), this);
    direction_ = ui::readOnlyField(head, "TxtTipoProtocollo", 3);
    number_ = ui::readOnlyField(head, "TxtNumeroProtocollo", 12);
    date_ = ui::readOnlyField(head, "TxtDataProtocollo", 10);
    subject_ = ui::readOnlyField(head, "TxtOggetto");
    main_ = new ui::DescriptionLabel(head);
    main_->setObjectName(QStringLiteral("LblDestinatario"));
    head->addRow(QStringLiteral("Tipo"), {direction_, QStringLiteral("Numero"), number_, QStringLiteral("del"), date_,
                                          ui::Cell(new QWidget(head), 1)});
    head->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    head->addRow(QStringLiteral("Destinatario principale"), {ui::Cell(main_, 1)});

    auto *listBox = new ui::FormGroup(QStringLiteral("Elenco degli ulteriori destinatari"), this);
    others_ = new ui::RowList(QStringLiteral("LwAltri"), listBox);
    others_->setColumns(QStringLiteral("Codice;Denominazione;Indirizzo"), QStringLiteral("7;40;50"));
    others_->setFitToWidth(true);
    others_->model()->setCheckable(true);
    listBox->addWide(others_);
    open_ = new QPushButton(QStringLiteral("Aggiungi destinatari all'elenco"), listBox);
    open_->setObjectName(QStringLiteral("CmdAggiungi"));
    drop_ = new QPushButton(QStringLiteral("Elimina destinatari dall'elenco"), listBox);
    drop_->setObjectName(QStringLiteral("CmdElimina"));
    drop_->setToolTip(QStringLiteral("Toglie dall'elenco i destinatari spuntati o quello scelto"));
    save_ = new QPushButton(QStringLiteral("Registra"), listBox);
    save_->setObjectName(QStringLiteral("CmdRegistra"));
    listBox->addRow(QString(), {open_, drop_, ui::Cell(new QWidget(listBox), 1), save_});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(listBox, 1);
    buildSelection(this);
    layout->addWidget(selection_, 1);

    connect(open_, &QPushButton::clicked, this, [this] {
        selection_->setVisible(mayChange());
        if (selection_->isVisible())
            text_->setFocus();
    });
    connect(drop_, &QPushButton::clicked, this, &FrmAltriDest::removeChosen);
    connect(save_, &QPushButton::clicked, this, &FrmAltriDest::registerList);
    applyMode();
}

void FrmAltriDest::buildSelection(QWidget *parent)
{
    auto *box = new ui::FormGroup(QStringLiteral("Selezione dei destinatari"), parent);
    selection_ = box;
    selection_->setObjectName(QStringLiteral("FraSelezione"));
    singles_ = new QRadioButton(QStringLiteral("Destinatari singoli"), box);
    singles_->setObjectName(QStringLiteral("OptVisualizza_0"));
    singles_->setChecked(true);
    groups_ = new QRadioButton(QStringLiteral("Gruppi di Destinatari"), box);
    groups_->setObjectName(QStringLiteral("OptVisualizza_1"));
    box->addRow(QStringLiteral("Visualizza:"), {singles_, groups_, ui::Cell(new QWidget(box), 1)});
    text_ = new QLineEdit(box);
    text_->setObjectName(QStringLiteral("TxtRicerca"));
    text_->setMaxLength(120);
    filter_ = new QComboBox(box);
    filter_->setObjectName(QStringLiteral("CboFiltro"));
    filter_->addItem(QStringLiteral("Inizia per"), false);
    filter_->addItem(QStringLiteral("Contiene la stringa!"), true);
    auto *go = new QPushButton(QStringLiteral("Cerca"), box);
    go->setObjectName(QStringLiteral("CmdCerca"));
    box->addRow(QStringLiteral("Denominazione"), {ui::Cell(text_, 1), filter_, go});
    found_ = new ui::RowList(QStringLiteral("LwSelezione"), box);
    found_->setColumns(QStringLiteral("Codice;Destinatario"), QStringLiteral("7;90"));
    found_->setFitToWidth(true);
    found_->model()->setCheckable(true);
    box->addWide(found_);
    add_ = new QPushButton(QStringLiteral("Aggiungi all'elenco"), box);
    add_->setObjectName(QStringLiteral("CmdAggiungiElenco"));
    add_->setToolTip(QStringLiteral("Aggiunge i destinatari o i gruppi spuntati (o quello scelto)"));
    newEntry_ = new QPushButton(QStringLiteral("Nuovo Destinatario"), box);
    newEntry_->setObjectName(QStringLiteral("CmdNuovo"));
    newEntry_->setToolTip(QStringLiteral("Inserimento rapido in rubrica di un destinatario non presente"));
    box->addRow(QString(), {add_, newEntry_, ui::Cell(new QWidget(box), 1)});
    selection_->hide();

    // Switching between singles and groups shows what the other one finds.
    for (QRadioButton *b : {singles_, groups_})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                search();
        });
    connect(go, &QPushButton::clicked, this, &FrmAltriDest::search);
    connect(text_, &QLineEdit::returnPressed, this, &FrmAltriDest::search);
    connect(add_, &QPushButton::clicked, this, &FrmAltriDest::addChosen);
    connect(newEntry_, &QPushButton::clicked, this, &FrmAltriDest::openQuickEntry);
}

QSize FrmAltriDest::sizeHint() const { return QSize(900, 640).expandedTo(minimumSizeHint()); }

void FrmAltriDest::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmAltriDest::mayChange() const
{
    return !protocolNumber_.isEmpty() && protocolDirection_ == QLatin1String("U") && state_ != QLatin1String("C")
           && mode() != kReadOnly;
}

void FrmAltriDest::modeChanged() { applyMode(); }

void FrmAltriDest::applyMode()
{
    const bool change = mayChange();
    for (QPushButton *b : {open_, drop_, save_})
        b->setEnabled(change);
    if (!change)
        selection_->hide();
}

void FrmAltriDest::setProtocol(const QString &direction, const QString &number)
{
    const QString n = storedNumber(number);
    const QString d = direction.trimmed().toUpper();
    if (n == protocolNumber_ && d == protocolDirection_ && dirty()->isDirty()) {
        applyMode(); // the list being changed stays as it is
        return;
    }
    if (!dirty()->confirmDiscard(kTitle))
        return;
    const QString ente = DicAmbiente::session().op.ente;
    const F::LoadedRows p = F::loadRows(kDb, recipients::protocolSql(ente, d, n));
    protocolDirection_.clear();
    protocolNumber_.clear();
    state_.clear();
    mainRecipient_ = 0;
    list_.clear();
    for (QLineEdit *e : {direction_, number_, date_, subject_})
        e->clear();
    main_->clear();
    found_->clear();
    offered_.clear();
    dirty()->setClean();
    if (!p.ok) {
        showList();
        applyMode();
        if (p.noRows())
            showBox(kTitle, QStringLiteral("Impossibile visualizzare il documento richiesto"), Icon::Warning);
        return;
    }
    protocolDirection_ = cell(p, 0);
    protocolNumber_ = cell(p, 1);
    state_ = cell(p, 5);
    mainRecipient_ = p.value(6, 0).toLongLong();
    direction_->setText(protocolDirection_);
    number_->setText(shownNumber(protocolNumber_));
    date_->setText(cell(p, 2));
    subject_->setText(protocol::scope::shownSubject(protocol::Viewer::fromSession(), cell(p, 3), cell(p, 4),
                                                    QLatin1String(protocol::scope::kTrayMask)));
    subject_->setToolTip(subject_->text());
    main_->setText(cell(p, 7));
    // Only an outgoing protocol has further recipients.
    if (protocolDirection_ == QLatin1String("U"))
        list_ = entries(recipients::listSql(ente, protocolDirection_, protocolNumber_));
    showList();
    applyMode();
}

QVector<Recipient> FrmAltriDest::entries(const QString &sql) const
{
    QVector<Recipient> out;
    const F::LoadedRows r = F::loadRows(kDb, sql);
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        out.append({r.value(0, i).toLongLong(), cell(r, 1, i), recipients::address(cell(r, 2, i), cell(r, 3, i), cell(r, 4, i))});
    return out;
}

void FrmAltriDest::showList()
{
    F::Columns columns(3);
    for (const Recipient &r : std::as_const(list_)) {
        columns[0].append(r.id);
        columns[1].append(r.name);
        columns[2].append(r.address);
    }
    others_->setRows(columns);
}

bool FrmAltriDest::groupsShown() const { return groups_->isChecked(); }

recipients::Search FrmAltriDest::criteria() const
{
    const auto &s = DicAmbiente::session();
    recipients::Search c;
    c.ente = s.op.ente;
    c.department = s.op.department;
    c.text = text_->text();
    c.contains = filter_->currentData().toBool();
    c.mainRecipient = mainRecipient_;
    for (const Recipient &r : list_)
        c.listed << r.id;
    return c;
}

void FrmAltriDest::search()
{
    if (!mayChange())
        return;
    F::Columns columns(2);
    offered_.clear();
    if (groupsShown()) {
        found_->setColumns(QStringLiteral("Codice;Gruppo di destinatari"), QStringLiteral("0;90"));
        const F::LoadedRows r = F::loadRows(kDb, recipients::groupsSql(criteria()));
        for (int i = 0; r.ok && i < r.rowCount(); ++i) {
            columns[0].append(QString());
            columns[1].append(cell(r, 0, i));
        }
    } else {
        found_->setColumns(QStringLiteral("Codice;Destinatario"), QStringLiteral("7;90"));
        offered_ = entries(recipients::singlesSql(criteria()));
        for (const Recipient &r : std::as_const(offered_)) {
            columns[0].append(r.id);
            columns[1].append(recipients::offered(r));
        }
    }
    found_->setRows(columns);
    if (found_->count() == 0)
        ui::tellNothingFound(this, addressbook::kMsgNothingFound);
}

void FrmAltriDest::addChosen()
{
    if (!mayChange())
        return;
    const QVector<int> rows = chosenRows(found_);
    if (rows.isEmpty())
        return;
    QVector<Recipient> chosen;
    if (groupsShown()) {
        QStringList names;
        for (int i : std::as_const(rows))
            names << found_->text(i, 1);
        chosen = entries(recipients::membersSql(criteria(), names));
    } else {
        for (int i : std::as_const(rows))
            chosen << offered_.value(i);
    }
    if (recipients::addRecipients(list_, chosen, mainRecipient_) > 0) {
        showList();
        dirty()->setDirty();
    }
    // What joined the list is no longer offered; groups stay on offer.
    if (!groupsShown())
        search();
}

void FrmAltriDest::removeChosen()
{
    if (!mayChange())
        return;
    QVector<int> rows = chosenRows(others_);
    if (rows.isEmpty())
        return;
    // From the last, so that the rows still to go keep their places.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int i : std::as_const(rows))
        list_.remove(i);
    showList();
    dirty()->setDirty();
}

void FrmAltriDest::openQuickEntry()
{
    if (!mayChange())
        return;
    auto *entry = qobject_cast<ui::RecordEditor *>(
        WindowRegistry::open(QStringLiteral("frmMittLight"), QStringLiteral("FRMALTRIDEST")));
    if (!entry) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: frmMittLight"), QStringLiteral("openQuickEntry"),
                          objectName());
        return;
    }
    entry->setCallerWindow(this);
    entry->startNew();
    if (const QString typed = text_->text().trimmed(); !typed.isEmpty())
        if (auto *name = entry->findChild<QLineEdit *>(QStringLiteral("txtNome")))
            name->setText(typed.toUpper());
}

void FrmAltriDest::setCorrespondent(const QString &code, const QString &description)
{
    Q_UNUSED(description)
    const qlonglong id = code.trimmed().toLongLong();
    if (!mayChange() || id <= 0)
        return;
    const QVector<Recipient> made = entries(recipients::entrySql(DicAmbiente::session().op.ente, id));
    if (recipients::addRecipients(list_, made, mainRecipient_) == 0)
        return;
    showList();
    dirty()->setDirty();
    showBox(kTitle, QLatin1Char('\'') + made.first().name
                        + QStringLiteral("' è stato aggiunto all'elenco dei destinatari del documento."),
            Icon::Information);
}

void FrmAltriDest::registerList()
{
    if (!mayChange())
        return;
    const auto &s = DicAmbiente::session();
    QVector<qlonglong> ids;
    for (const Recipient &r : std::as_const(list_))
        ids << r.id;
    QVariantList request = recipientsRequest(s.op.ente, protocolDirection_, protocolNumber_, s.op.code, ids,
                                             !s.op.department.isEmpty() && s.op.department == s.parm.enteCodiceDip);
    QVariantList reply;
    QString callError;
    bool created = false;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere.Scrittura su remoto in corso"));
        busy::setRequestTitle(kRequestTitle);
        ServerHolder holder;
        QString why;
        created = createServer(holder, s.cfg.oleGp, &why);
        if (!created)
            GECentr::writeLog(why, QStringLiteral("registerList"), objectName());
        else
            try {
                reply = holder.object->Elabora(kOpAltriDestinatari, request);
            } catch (const std::exception &e) {
                callError = QString::fromLocal8Bit(e.what());
            }
        holder.release();
        busy::setRequestTitle(QString());
        busy::setWaitText(QString());
    }
    if (!created) {
        showBox(kTitle, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return;
    }
    if (!callError.isEmpty()) {
        const QString text = QStringLiteral("Server Ole, Errore in Aggiornamento altri destinatari -1 - ") + callError;
        GECentr::writeLog(text, QStringLiteral("registerList"), objectName());
        showBox(kTitle, text, Icon::Critical);
        return;
    }
    if (reply.value(0).toString().trimmed() != QLatin1String("0")) {
        showBox(kTitle, QStringLiteral("Server Ole, Errore in Aggiornamento gruppi ") + reply.value(1).toString(),
                Icon::Critical);
        return;
    }
    dirty()->setClean();
    closeWindow();
}

} // namespace nimbo::links
