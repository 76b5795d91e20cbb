#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "corrections/CancelWindow.h"
#include "corrections/Corrections.h"
#include "data/Scope.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "servers/CancellationRequests.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::corrections {

using namespace cancel;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QLineEdit *shownField(QWidget *parent, const char *name, int chars = 0)
{
    return ui::readOnlyField(parent, name, chars);
}

QLineEdit *editField(QWidget *parent, const char *name, int maxLength)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    return e;
}

QLabel *description(QWidget *parent, const char *name)
{
    auto *l = new ui::DescriptionLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

FrmCancProto::FrmCancProto(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmCancProto"));
    setWindowTitle(kCaption);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(4);
    pick_ = new ui::PickList(this);
    buildCriteria(this);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Mittente/Destinatario;Oggetto"),
                      QStringLiteral("4;12;11;34;50"));
    list_->setFitToWidth(true);
    outer->addWidget(list_, 1);
    buildDetail(this);
    connect(list_, &ui::RowList::chosen, this, &FrmCancProto::choose);
    setToolbarKeys(QStringLiteral("ESCI"));
    clearDetail();
}

QSize FrmCancProto::sizeHint() const { return QSize(980, 640).expandedTo(minimumSizeHint()); }

void FrmCancProto::buildCriteria(QWidget *parent)
{
    auto *box = new ui::FormGroup(QStringLiteral("Criteri di ricerca"), parent);
    box->setObjectName(QStringLiteral("FraRicerca"));
    optE_ = new QRadioButton(QStringLiteral("Entrata"), box);
    optE_->setObjectName(QStringLiteral("OptTipo_0"));
    optU_ = new QRadioButton(QStringLiteral("Uscita"), box);
    optU_->setObjectName(QStringLiteral("OptTipo_1"));
    optAll_ = new QRadioButton(QStringLiteral("Entrambi"), box);
    optAll_->setObjectName(QStringLiteral("OptTipo_2"));
    optAll_->setChecked(true);
    from_ = new ui::DateField(box);
    from_->setObjectName(QStringLiteral("DataDal"));
    to_ = new ui::DateField(box);
    to_->setObjectName(QStringLiteral("DataAl"));
    box->addRow(QStringLiteral("Tipo"), {optE_, optU_, optAll_, QStringLiteral("Inizio Periodo"), from_,
                                         QStringLiteral("Fine Periodo"), to_, ui::Cell(new QWidget(box), 1)});
    correspondent_ = editField(box, "R_MitDest", 9);
    ui::makeCodeField(correspondent_, 8, false);
    correspondent_->setToolTip(QStringLiteral("Codice o parte della denominazione; Invio per cercare"));
    correspondentName_ = description(box, "DescMitDest");
    box->addCodeRow(QStringLiteral("Mittente/Destinatario"), correspondent_, correspondentName_);
    numberField_ = editField(box, "TxtNumero", 12);
    numberField_->setPlaceholderText(QStringLiteral("2025-0000012"));
    numberField_->setMinimumWidth(ui::fieldWidth(numberField_, 13));
    subject_ = editField(box, "TxtOggetto", 200);
    auto *go = new QPushButton(QStringLiteral("Cerca"), box);
    go->setObjectName(QStringLiteral("CmdCerca"));
    box->addRow(QStringLiteral("N° Protocollo"), {numberField_, QStringLiteral("Oggetto"), ui::Cell(subject_, 1), go});
    parent->layout()->addWidget(box);

    const QString ente = DicAmbiente::session().op.ente;
    correspondentLookup_ = new ui::CodeLookup(
        correspondent_, correspondentName_, pick_,
        [ente](const QString &typed, bool byDescription) {
            QVector<ui::Match> out;
            const auto kind = protocol::CodeField::Correspondent;
            const protocol::LookupScope scope{ente, {}, {}, false};
            for (const protocol::LookupRow &r :
                 protocol::lookupRows(kind, protocol::lookupQuery(kind, typed, scope, byDescription), byDescription))
                out.append({QString::number(r.code.toLongLong()), r.description, r.listText()});
            return out;
        },
        this);
    connect(correspondent_, &QLineEdit::returnPressed, correspondentLookup_, &ui::CodeLookup::enter);
    connect(go, &QPushButton::clicked, this, &FrmCancProto::search);
    for (QLineEdit *e : {numberField_, subject_})
        connect(e, &QLineEdit::returnPressed, this, &FrmCancProto::search);
}

void FrmCancProto::buildDetail(QWidget *parent)
{
    auto *row = new QHBoxLayout;
    auto *detail = new ui::FormGroup(QStringLiteral("Dettaglio del protocollo da cancellare"), parent);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    shownNumber_ = shownField(detail, "TxtNumeroProtocollo", 13);
    shownDate_ = shownField(detail, "TxtDataProtocollo", 11);
    detail->addRow(QStringLiteral("N° Protocollo"), {shownNumber_, QStringLiteral("del"), shownDate_,
                                                     ui::Cell(new QWidget(detail), 1)});
    shownType_ = shownField(detail, "TxtTipoDocumento");
    detail->addRow(QStringLiteral("Tipo Documento"), {ui::Cell(shownType_, 1)});
    shownWho_ = shownField(detail, "TxtMittDest");
    whoCaption_ = ui::caption(QStringLiteral("Mittente"), detail, shownWho_);
    whoCaption_->setObjectName(QStringLiteral("LblMittDest"));
    detail->addRow(whoCaption_, {ui::Cell(shownWho_, 1)});
    shownSubject_ = shownField(detail, "TxtOggettoProtocollo");
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(shownSubject_, 1)});
    detail->grid()->setRowStretch(detail->grid()->rowCount(), 1);

    auto *why = new ui::FormGroup(QStringLiteral("Cancellazione"), parent);
    why->setObjectName(QStringLiteral("FraMotivo"));
    reason_ = editField(why, "txtCodMotivoCanc", 7);
    ui::makeCodeField(reason_, 7, true);
    reason_->setToolTip(QStringLiteral("Codice o inizio della descrizione; Invio per cercare"));
    reasonName_ = description(why, "DescMotivoCanc");
    why->addCodeRow(QStringLiteral("Motivo"), reason_, reasonName_);
    notes_ = editField(why, "TxtNote", 255);
    why->addRow(QStringLiteral("Note ulteriori"), {ui::Cell(notes_, 1)});
    // The act that authorises the cancellation, when there is one.
    auto *act = new ui::FormGroup(QStringLiteral("Provvedimento di annullamento"), parent);
    act->setObjectName(QStringLiteral("FraProvvedimento"));
    actType_ = editField(act, "TxtTipoProvv", 40);
    actType_->setPlaceholderText(QStringLiteral("es. Determina dirigenziale"));
    act->addRow(QStringLiteral("Tipo"), {ui::Cell(actType_, 1)});
    actNumber_ = editField(act, "TxtNumeroProvv", 20);
    actNumber_->setMinimumWidth(ui::fieldWidth(actNumber_, 10));
    actDate_ = new ui::DateField(act);
    actDate_->setObjectName(QStringLiteral("TxtDataProvv"));
    act->addRow(QStringLiteral("Numero"), {actNumber_, QStringLiteral("del"), actDate_, ui::Cell(new QWidget(act), 1)});
    cancel_ = new QPushButton(QStringLiteral("Cancella"), parent);
    cancel_->setObjectName(QStringLiteral("CmdCancella"));
    undo_ = new QPushButton(QStringLiteral("Annulla"), parent);
    undo_->setObjectName(QStringLiteral("CmdAnnulla"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(undo_);
    auto *right = new QVBoxLayout;
    right->addWidget(why);
    right->addWidget(act);
    right->addLayout(buttons);
    row->addWidget(detail, 1);
    row->addLayout(right, 1);
    static_cast<QVBoxLayout *>(parent->layout())->addLayout(row);

    reasonLookup_ = new ui::CodeLookup(reason_, reasonName_, pick_, reasonFinder(), this);
    connect(reason_, &QLineEdit::returnPressed, reasonLookup_, &ui::CodeLookup::enter);
    connect(cancel_, &QPushButton::clicked, this, &FrmCancProto::cancelProtocol);
    connect(undo_, &QPushButton::clicked, this, &FrmCancProto::clearDetail);
}

void FrmCancProto::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

Criteria FrmCancProto::criteria() const
{
    Criteria c;
    c.direction = optE_->isChecked() ? QStringLiteral("E") : optU_->isChecked() ? QStringLiteral("U") : QString();
    c.from = from_->date();
    c.to = to_->date();
    c.correspondent = correspondent_->text().trimmed().toLongLong();
    c.number = typedNumber(numberField_->text());
    c.subject = subject_->text();
    return c;
}

void FrmCancProto::search() { runSearch(true); }

void FrmCancProto::runSearch(bool tellNothingFound)
{
    const F::LoadedRows r = F::loadRows(kDb, searchQuery(DicAmbiente::session().op.ente, criteria()));
    const bool privacy = protocol::Viewer::fromSession().privacy;
    rows_.clear();
    F::Columns columns(5);
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const Shown s = shownRow(r, i, privacy);
        rows_.append(s);
        columns[0] << s.direction;
        columns[1] << s.number;
        columns[2] << protocol::shownDate(s.date).toString(Qt::ISODate);
        columns[3] << s.correspondent;
        columns[4] << s.subject;
    }
    list_->setRows(columns);
    clearDetail();
    if (tellNothingFound && rows_.isEmpty() && !r.failed())
        ui::tellNothingFound(this, kNothingFound);
}

void FrmCancProto::choose(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    const Shown &s = rows_.at(row);
    direction_ = s.direction;
    number_ = storedNumber(s.number);
    shownNumber_->setText(s.number);
    shownDate_->setText(s.date);
    shownType_->setText(s.docType);
    whoCaption_->setText(s.direction == QLatin1String("U") ? QStringLiteral("Destinatario") : QStringLiteral("Mittente"));
    shownWho_->setText(s.correspondent);
    shownSubject_->setText(s.subject);
    for (QLineEdit *e : {shownType_, shownWho_, shownSubject_})
        e->setToolTip(e->text());
    cancel_->setEnabled(true);
}

void FrmCancProto::clearDetail()
{
    direction_.clear();
    number_.clear();
    for (QLineEdit *e : {shownNumber_, shownDate_, shownType_, shownWho_, shownSubject_, notes_, actType_, actNumber_,
                         static_cast<QLineEdit *>(actDate_)})
        e->clear();
    reasonLookup_->clear();
    whoCaption_->setText(QStringLiteral("Mittente"));
    pick_->dismiss();
    cancel_->setEnabled(false);
}

void FrmCancProto::focusOn(QWidget *w)
{
    w->setFocus();
}

void FrmCancProto::cancelProtocol()
{
    if (number_.isEmpty()) {
        showBox(kCaption, kNoProtocol, Icon::Warning);
        return;
    }
    const QString reason = reason_->text().trimmed();
    if (reason.isEmpty()) {
        showBox(kCaption, kNoReason, Icon::Warning);
        focusOn(reason_);
        return;
    }
    const auto found = F::Caricadati(kDb, reasonDescriptionQuery(reason));
    if (!found) {
        showBox(kCaption, kUnknownReason, Icon::Warning);
        focusOn(reason_);
        return;
    }
    reasonLookup_->set(reason, found->value(0).toString().trimmed());
    const ActInput act{actType_->text(), actNumber_->text(), actDate_->text()};
    if (const QString bad = actProblem(act, QDate::currentDate()); !bad.isEmpty()) {
        showBox(kCaption, bad, Icon::Warning);
        focusOn(actType_->text().trimmed().isEmpty() ? static_cast<QWidget *>(actType_) : actDate_);
        return;
    }
    const auto &s = DicAmbiente::session();
    cancellation::Request request;
    request.ente = s.op.ente;
    request.direction = direction_;
    request.number = number_;
    request.reason = reason;
    request.notes = notes_->text().trimmed();
    request.operatorCode = s.op.code;
    request.office = s.op.office;
    request.act = {act.type.trimmed(), act.number.trimmed(), protocol::shownDate(act.date)};
    request.protocolOffice = !s.op.department.isEmpty() && s.op.department == s.parm.enteCodiceDip;
    const emergency::CallOutcome out =
        emergency::callProtocolServer(kOpCancellaProtocollo, cancellation::request(request), kRequestTitle);
    if (!out.ok()) {
        emergency::reportFailure(out, kCaption, kCallError, QStringLiteral("FrmCancProto.Cancella"));
        return;
    }
    showBox(kCaption, kDone, Icon::Information);
    clearDetail();
    // The same search again, without the protocol just cancelled; the clerk
    // has already been told what happened.
    runSearch(false);
}

void registerCancellationWindows()
{
    WindowRegistry::add(QStringLiteral("FrmCancProto"), [] { return new FrmCancProto; });
}

} // namespace nimbo::corrections
