#include "iter/FrmInCarico.h"

#include "iter/DocumentDoors.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

using ui::Cell;

namespace {

const QString kCaption = QStringLiteral("Documenti in entrata");
const QString kDb = QStringLiteral("PROTOCOLLO");

} // namespace

FrmInCarico::FrmInCarico(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmInCarico"));
    setWindowTitle(kCaption);
    setToolbarKeys(QStringLiteral("ESCI"));

    // The window's own toolbar.
    auto *bar = new QHBoxLayout;
    QPushButton *iterButton = button("cmdIter", QStringLiteral("Iter"));
    QPushButton *docs = button("cmdDocum", QStringLiteral("Docum."), false);
    QPushButton *attachments = button("cmdAllegati", QStringLiteral("Allegati"), false);
    QPushButton *detailButton = button("cmdDettaglio", QStringLiteral("Dettaglio"));
    QPushButton *quit = button("cmdEsci", QStringLiteral("Esci"));
    // The document images, attachments and the detail view have their own
    // windows; the buttons wake up when those are there.
    const QVector<std::pair<QPushButton *, QString>> doors{{docs, QStringLiteral("FrmVisDocu1")},
                                                           {attachments, QStringLiteral("frmProtAllegati")},
                                                           {detailButton, QStringLiteral("frmDettaglioProtocollo")}};
    for (const auto &[b, name] : doors) {
        b->setEnabled(WindowRegistry::contains(name));
        connect(b, &QPushButton::clicked, this, [this, name] { openForRow(name); });
    }
    for (QPushButton *b : {iterButton, docs, attachments, detailButton, quit})
        bar->addWidget(b);
    bar->addStretch();

    // Search.
    auto *searchBox = new ui::FormGroup(QStringLiteral("Ricerca"), this);
    assigned_ = new QCheckBox(QStringLiteral("Assegnati"), searchBox);
    assigned_->setObjectName(QStringLiteral("ChkProto"));
    assigned_->setChecked(true);
    retransmitted_ = new QCheckBox(QStringLiteral("Ritrasmessi"), searchBox);
    retransmitted_->setObjectName(QStringLiteral("ChkAltri"));
    retransmitted_->setChecked(true);
    from_ = new ui::DateField(searchBox);
    from_->setObjectName(QStringLiteral("TxtDI"));
    to_ = new ui::DateField(searchBox);
    to_->setObjectName(QStringLiteral("TxtDF"));
    // A pending delivery waits for whoever takes it: the period starts a
    // year back, so an old one is not hidden by default.
    const QDate today = QDate::currentDate();
    from_->setDate(today.addYears(-1));
    to_->setDate(today);
    QPushButton *run = button("cmdRicerca", QStringLiteral("Esegui Ricerca"));
    searchBox->addRow(QStringLiteral("Documenti"), {assigned_, retransmitted_, "Periodo dal", from_, "al", to_, run});

    // The list.
    auto *heading = new QLabel(QStringLiteral("Elenco dei documenti trasmessi da altri uffici"), this);
    list_ = new ui::RowList(QStringLiteral("lswArrivo"), this);
    list_->setColumns(officeWords(QString::fromUtf8(kTrayTitles)), QString::fromLatin1(kTrayWidths));
    list_->model()->setCheckable(true);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lblConteggio"));

    // Taking in charge.
    notes_ = new QLineEdit(this);
    notes_->setObjectName(QStringLiteral("txtNoteRicezione"));
    QPushButton *take = button("cmdInCarico", QStringLiteral("Prendi in Carico"));
    auto *takeRow = new QHBoxLayout;
    auto *notesCaption = ui::caption(QStringLiteral("Note di presa in carico"), this, notes_);
    takeRow->addWidget(notesCaption);
    takeRow->addWidget(notes_, 1);
    takeRow->addWidget(take);

    // Detail of one delivery.
    auto *detail = new ui::FormGroup(QStringLiteral("Dettaglio del documento Trasmesso"), this);
    detail->setObjectName(QStringLiteral("fraDettaglio"));
    detailNotes_ = ui::readOnlyField(detail, "txtNoteTrasmissione");
    deadline_ = ui::readOnlyField(detail, "txtScadenza", 10);
    sender_ = ui::readOnlyField(detail, "txtUfficioInviante");
    kind_ = ui::readOnlyField(detail, "txtTipoTrasmissione");
    sentAt_ = ui::readOnlyField(detail, "txtDataTrasmissione", 19);
    emergency_ = ui::readOnlyField(detail, "txtNumeroEmergenza", 22);
    detail->addRow(QStringLiteral("Note trasmissione"), {Cell(detailNotes_, 1)});
    detail->addRow(QStringLiteral("Inviato da"), {Cell(sender_, 1)});
    detail->addRow(QStringLiteral("Tipo trasmissione"), {Cell(kind_, 1)});
    detail->addRow(QStringLiteral("Data e ora"), {sentAt_});
    detail->addRow(QStringLiteral("Scadenza evasione Pratica"), {deadline_, "Numero in emergenza", emergency_});
    iter_ = new ui::RowList(QStringLiteral("lswIter"), this);
    iter_->setColumns(officeWords(QString::fromUtf8(kMovementTitles)), QString::fromLatin1(kMovementWidths));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(detail, 1);
    bottom->addWidget(iter_, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(searchBox);
    layout->addWidget(heading);
    layout->addWidget(list_, 3);
    layout->addWidget(count_);
    layout->addLayout(takeRow);
    layout->addLayout(bottom, 2);

    connect(run, &QPushButton::clicked, this, [this] {
        if (search() && list_->count() == 0)
            ui::tellNothingFound(this, kNoDocumentFound);
    });
    connect(take, &QPushButton::clicked, this, [this] { takeInCharge(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(iterButton, &QPushButton::clicked, this, [this] { showDetail(list_->currentRow()); });
    connect(list_->view(), &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { showDetail(list_->proxy()->mapToSource(index).row()); });
    search();
}

void FrmInCarico::openForRow(const QString &window)
{
    const int row = list_->currentRow();
    if (row < 0 || row >= list_->count())
        return;
    const QString direction = list_->text(row, ShType), number = list_->text(row, ShKeyNumber);
    if (window != QLatin1String("frmDettaglioProtocollo")) {
        openDocuments(kCaption, window, direction, number);
        return;
    }
    if (QWidget *w = WindowRegistry::open(window))
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
}

QPushButton *FrmInCarico::button(const char *name, const QString &text, bool enabled)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setEnabled(enabled);
    return b;
}

void FrmInCarico::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmInCarico::search()
{
    TrayCriteria c;
    c.assigned = assigned_->isChecked();
    c.retransmitted = retransmitted_->isChecked();
    c.from = from_->text();
    c.to = to_->text();
    if (const auto failure = checkTray(c)) {
        showBox(kCaption, *failure, Icon::Warning);
        (protocol::shownDate(c.from).isValid() ? to_ : from_)->setFocus();
        return false;
    }
    const protocol::Viewer v = protocol::Viewer::fromSession();
    busy::Guard guard;
    const F::LoadedRows r = F::loadRows(kDb, trayQuery(c, v, trayOffices(v)));
    if (!r.ok && !r.noRows()) {
        GECentr::writeLog(r.message, QStringLiteral("search"), objectName());
        list_->clear();
        count_->clear();
        return false;
    }
    list_->setRows(trayRows(r, v));
    count_->setText(QStringLiteral("Documenti trovati: %1").arg(list_->count()));
    return true;
}

bool FrmInCarico::takeInCharge()
{
    QVector<Ticked> ticked;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->model()->isChecked(row))
            ticked.append({list_->text(row, ShType), list_->text(row, ShKeyNumber),
                           list_->value(row, ShDelivery).toLongLong()});
    if (const auto failure = checkTicked(ticked)) {
        showBox(kCaption, *failure, Icon::Warning);
        return false;
    }
    const protocol::Viewer v = protocol::Viewer::fromSession();
    QVariantList request = inChargeRequest(v, ticked, notes_->text());
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere.Scrittura su remoto in corso"));
        busy::setRequestTitle(QStringLiteral("OLE - Spedizione Documenti"));
        ServerHolder holder;
        QString why;
        const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
        if (created)
            reply = holder.object->Elabora(kOpPresaInCarico, request);
        holder.release();
        busy::setWaitText(QString());
        busy::setRequestTitle(QString());
        if (!created) {
            GECentr::writeLog(why, QStringLiteral("takeInCharge"), objectName());
            showBox(kCaption, QStringLiteral("Errore In Creazione OLE"), Icon::Critical);
            return false;
        }
    }
    const ServerReply r = readServerReply(reply);
    if (r.kind == ServerReply::Refused) {
        // Another operator took it first, or the request was malformed:
        // the list may be stale, so it is read again.
        showBox(kCaption, r.message, Icon::Warning);
        search();
        return false;
    }
    if (r.kind == ServerReply::Error) {
        const QString text = QStringLiteral("Server Ole, Errore in Registrazione presa in carico Documenti ") + r.message;
        GECentr::writeLog(text, QStringLiteral("takeInCharge"), objectName());
        showBox(kCaption, text, Icon::Critical);
        return false;
    }
    showBox(kCaption, QStringLiteral("Operazione effettuata."), Icon::Information);
    notes_->clear();
    search();
    return true;
}

void FrmInCarico::showDetail(int row)
{
    if (row < 0 || row >= list_->count())
        return;
    const QString ente = DicAmbiente::session().op.ente;
    const QString direction = list_->text(row, ShType), number = list_->text(row, ShKeyNumber);
    const QString serial = list_->text(row, ShSerial);
    const auto values = F::Caricadati(kDb, trayDetailQuery(ente, direction, number, serial,
                                                            list_->value(row, ShDelivery).toLongLong()));
    for (QLineEdit *f : {detailNotes_, deadline_, sender_, kind_, sentAt_, emergency_})
        f->clear();
    if (values) {
        const auto v = [&](int i) { return values->value(i).toString().trimmed(); };
        detailNotes_->setText(v(0));
        deadline_->setText(protocol::dateText(values->value(1)));
        sender_->setText(v(2) + QStringLiteral(" - ") + v(3));
        kind_->setText(trayKindText(values->value(4).toInt()));
        sentAt_->setText(serialTextFull(v(5)));
        emergency_->setText(v(6));
        for (QLineEdit *f : {detailNotes_, sender_})
            f->setCursorPosition(0);
    }
    showIter(row);
}

void FrmInCarico::showIter(int row)
{
    const F::LoadedRows r = F::loadRows(
        kDb, movementsQuery(DicAmbiente::session().op.ente, list_->text(row, ShType), list_->text(row, ShKeyNumber)));
    iter_->setRows(movementRows(r));
}

} // namespace nimbo::iter
