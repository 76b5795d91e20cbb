#include "email/FrmProtEmail.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "documents/Background.h"
#include "documents/Documents.h"
#include "email/MailSend.h"
#include "email/WindowParts.h"
#include "mail/InteropMessages.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/FrmProtocollo.h"
#include "servers/MailRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FileDrop.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");
// Our own: "Visualizza E-mail" with nothing chosen.
const QString kChooseToView = QStringLiteral("selezionare l'e-mail da visualizzare");
const QString kGone = QStringLiteral("L'e-mail selezionata non è più presente tra quelle da protocollare.");

QString ente() { return DicAmbiente::session().op.ente; }

} // namespace

FrmProtEmail::FrmProtEmail(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmProtEmail"));
    setWindowTitle(kCaption);
    setToolbarKeys(QStringLiteral("ESCI"));

    list_ = new ui::RowList(QStringLiteral("flxProtEml"), this);
    list_->setColumns(kListTitles, kListWidths);
    list_->setFitToWidth(true);
    pick_ = new ui::PickList(this);

    auto *detail = new ui::FormGroup(QStringLiteral("Dettaglio e-mail"), this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    number_ = ui::readOnlyField(detail, "txtNumProvv", 8);
    direction_ = ui::readOnlyField(detail, "txtTipoProt", 9);
    sentOn_ = ui::readOnlyField(detail, "txtDataInvio", 10);
    registeredOn_ = ui::readOnlyField(detail, "txtDataReg", 10);
    protocolDate_ = ui::readOnlyField(detail, "txtDataProt", 10);
    general_ = ui::readOnlyField(detail, "ProtoGenerale", 12);
    detail->addRow(QStringLiteral("N° Provvisorio"),
                   {number_, QStringLiteral("Tipo Protocollo"), direction_, QStringLiteral("Data Invio Email"), sentOn_});
    detail->addRow(QStringLiteral("Registrato il"),
                   {registeredOn_, QStringLiteral("Data Protocollo"), protocolDate_, QStringLiteral("N° Generale"),
                    general_});

    correspondentCode_ = new QLineEdit(detail);
    correspondentCode_->setObjectName(QStringLiteral("txtMitNuovo"));
    ui::makeCodeField(correspondentCode_, 8, false);
    correspondentName_ = new ui::DescriptionLabel(detail);
    correspondentName_->setObjectName(QStringLiteral("lblMitNuovo"));
    detail->addCodeRow(QStringLiteral("Mittente"), correspondentCode_, correspondentName_);
    from_ = ui::readOnlyField(detail, "txtfrom");
    detail->addRow(QStringLiteral("Indirizzo mittente"), {ui::Cell(from_, 1)});
    docTypeCode_ = new QLineEdit(detail);
    docTypeCode_->setObjectName(QStringLiteral("txtTipoDoc"));
    ui::makeCodeField(docTypeCode_, 7, true);
    docTypeName_ = new ui::DescriptionLabel(detail);
    docTypeName_->setObjectName(QStringLiteral("lblTipoDoc"));
    detail->addCodeRow(QStringLiteral("Tipo Documento"), docTypeCode_, docTypeName_);
    subject_ = new QLineEdit(detail);
    subject_->setObjectName(QStringLiteral("Txtsubj"));
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    refNumber_ = new QLineEdit(detail);
    refNumber_->setObjectName(QStringLiteral("txtProtMitt"));
    refNumber_->setMaxLength(20);
    refNumber_->setFixedWidth(ui::fieldWidth(refNumber_, 16));
    refDate_ = new ui::DateField(detail);
    refDate_->setObjectName(QStringLiteral("txtDataProtMitt"));
    detail->addRow(QStringLiteral("Prot. N."), {refNumber_, QStringLiteral("del"), refDate_});

    const auto finder = [](protocol::CodeField kind) {
        return [kind](const QString &typed, bool byDescription) {
            const auto &op = DicAmbiente::session().op;
            return protocol::registrationMatches(kind, typed, {op.ente, op.department, op.office, true}, byDescription);
        };
    };
    correspondent_ = new ui::CodeLookup(correspondentCode_, correspondentName_, pick_,
                                        finder(protocol::CodeField::Correspondent), this);
    docType_ = new ui::CodeLookup(docTypeCode_, docTypeName_, pick_, finder(protocol::CodeField::DocType), this);

    load_ = namedButton(this, "cmdCarica", QStringLiteral("Carica Email"));
    view_ = namedButton(this, "cmdVisualizza", QStringLiteral("Visualizza E-mail"));
    register_ = namedButton(this, "cmdProtocolla", QStringLiteral("Protocolla"));
    discard_ = namedButton(this, "cmdCancella", QStringLiteral("Cancella"));
    classify_ = namedButton(this, "cmdClassifica", QStringLiteral("Classifica"));
    confirm_ = namedButton(this, "cmdConferma", QStringLiteral("Conferma Ricezione"));
    close_ = namedButton(this, "cmdChiudi", QStringLiteral("Chiudi"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStato"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(detail);
    layout->addLayout(buttonRow({load_, view_, register_, discard_, classify_, confirm_}, {close_}));
    layout->addWidget(status_);

    connect(list_, &ui::RowList::chosen, this, [this](int row) { choose(list_->value(row, 0).toLongLong()); });
    connect(load_, &QPushButton::clicked, this, [this] {
        if (!dirty()->confirmDiscard(kCaption))
            return;
        clearDetail();
        // The mail arrived since the last reading joins the list.
        if (const QString failure = fetchMailbox(); !failure.isEmpty())
            showBox(kCaption, failure, Icon::Warning);
        reload();
    });
    connect(view_, &QPushButton::clicked, this, &FrmProtEmail::showMessage);
    connect(register_, &QPushButton::clicked, this, &FrmProtEmail::registerEmail);
    connect(discard_, &QPushButton::clicked, this, &FrmProtEmail::discard);
    connect(classify_, &QPushButton::clicked, this, &FrmProtEmail::classify);
    connect(confirm_, &QPushButton::clicked, this, &FrmProtEmail::confirmReceipt);
    connect(close_, &QPushButton::clicked, this, [this] { closeWindow(); });
    dirty()->watch(detail);
    clearDetail();
    reload();
    ui::acceptFileDrops(this, [this](const QStringList &paths) { dropFiles(paths); });
}

void FrmProtEmail::dropFiles(const QStringList &paths)
{
    if (!dirty()->confirmDiscard(kCaption))
        return;
    QStringList refused;
    qlonglong last = 0;
    int stored = 0;
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        if (ui::fileKind(path) != ui::FileKind::Email || QFileInfo(path).isDir()) {
            refused << QStringLiteral("%1: non è un messaggio di posta (.eml).").arg(name);
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            refused << QStringLiteral("%1: il file non si può leggere.").arg(name);
            continue;
        }
        QString why;
        const qlonglong provisional = loadMessageFile(file.readAll(), &why);
        if (provisional <= 0) {
            refused << name + QStringLiteral(": ") + why;
            continue;
        }
        last = provisional;
        ++stored;
    }
    if (stored > 0) {
        clearDetail();
        reload();
        choose(last);
        setStatus(stored == 1 ? QStringLiteral("Caricata l'e-mail provvisoria N. %1").arg(last)
                              : QStringLiteral("Caricate %1 e-mail provvisorie").arg(stored));
    }
    if (!refused.isEmpty())
        showBox(kCaption, refused.join(QLatin1Char('\n')), Icon::Warning);
}

FrmProtEmail::~FrmProtEmail() { removeFiles(); }

QSize FrmProtEmail::sizeHint() const { return QSize(980, 640).expandedTo(minimumSizeHint()); }

void FrmProtEmail::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

QString FrmProtEmail::statusText() const { return status_->text(); }

void FrmProtEmail::setStatus(const QString &text) { status_->setText(text); }

void FrmProtEmail::removeFiles()
{
    documents::removeWorkFiles(files_);
    files_.clear();
    messageFile_.clear();
}

EmailForm FrmProtEmail::form() const
{
    EmailForm f = shown_;
    f.correspondent = correspondentCode_->text().trimmed();
    f.correspondentName = correspondentName_->text();
    f.docType = docTypeCode_->text().trimmed();
    f.docTypeName = docTypeName_->text();
    f.subject = subject_->text().trimmed();
    f.refNumber = refNumber_->text().trimmed();
    f.refDate = refDate_->text().trimmed();
    return f;
}

void FrmProtEmail::reload() { list_->load(pendingQuery(ente())); }

void FrmProtEmail::clearDetail()
{
    shown_ = EmailForm();
    for (QLineEdit *e : {number_, direction_, sentOn_, registeredOn_, protocolDate_, general_, from_, subject_,
                         refNumber_, static_cast<QLineEdit *>(refDate_)})
        e->clear();
    correspondent_->clear();
    docType_->clear();
    removeFiles();
    dirty()->setClean();
}

bool FrmProtEmail::choose(qlonglong provisional)
{
    if (provisional == shown_.provisional && provisional != 0)
        return true;
    if (!dirty()->confirmDiscard(kCaption))
        return false;
    bool failed = false;
    const auto row = F::loadRow(QStringLiteral("PROTOCOLLO"), emailQuery(ente(), provisional), &failed);
    if (!row) {
        if (!failed) {
            showBox(kCaption, kGone, Icon::Warning);
            reload();
        }
        return false;
    }
    // The protocol's date is the database server's, as for any registration.
    const QDateTime now = F::serverTime();
    if (!now.isValid()) {
        showBox(kCaption, kNoClock, Icon::Critical);
        return false;
    }
    clearDetail();
    shown_ = readEmail(*row);
    shown_.protocolDate = now.date();
    shown_.protocolTime = now.time();
    number_->setText(QString::number(shown_.provisional));
    direction_->setText(kIncoming);
    sentOn_->setText(shown_.sentOn);
    registeredOn_->setText(shown_.registeredOn);
    protocolDate_->setText(now.date().toString(QStringLiteral("dd/MM/yyyy")));
    general_->setText(shownNumber(shown_.general));
    from_->setText(shown_.fromName.isEmpty() || shown_.fromName == shown_.fromAddress
                       ? shown_.fromAddress
                       : shown_.fromName + QStringLiteral(" <") + shown_.fromAddress + QLatin1Char('>'));
    correspondent_->set(shown_.correspondent, QString());
    if (!shown_.correspondent.isEmpty())
        correspondent_->refresh();
    docType_->set(shown_.docType, shown_.docTypeName);
    subject_->setText(shown_.subject);
    refNumber_->setText(shown_.refNumber);
    refDate_->setText(shown_.refDate);
    dirty()->setClean();
    readMessage(provisional);
    return true;
}

bool FrmProtEmail::readMessage(qlonglong provisional)
{
    removeFiles();
    const QString file = documents::freePath(documents::workFolder(), QStringLiteral("email_%1.eml").arg(provisional));
    files_ << file;
    const QString who = ente();
    const documents::Outcome o = documents::runInBackground(
        this, QStringLiteral("Attendere.lettura su remoto in corso"), QStringLiteral("prgLettura"),
        [who, provisional, file](const documents::Progress &progress) {
            QByteArray data;
            const documents::Outcome read =
                documents::readEmail(who, provisional, &data, QStringLiteral(" - Protocollazione Email"), progress);
            return documents::keepInWorkFile(read, data, file, true);
        },
        kRegisterTitle);
    if (!o.ok) {
        showBox(kCaption, o.text, o.refused ? Icon::Warning : Icon::Critical);
        return false;
    }
    messageFile_ = file;
    return true;
}

void FrmProtEmail::showMessage()
{
    if (shown_.provisional == 0) {
        showBox(kCaption, kChooseToView, Icon::Warning);
        return;
    }
    if (messageFile_.isEmpty() && !readMessage(shown_.provisional))
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmVisEmail"));
    if (!w || !QMetaObject::invokeMethod(w, "setMessage", Q_ARG(QString, messageFile_),
                                         Q_ARG(QString, shown_.fromAddress)))
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmVisEmail"), QStringLiteral("showMessage"),
                          objectName());
}

void FrmProtEmail::registerEmail()
{
    if (shown_.provisional == 0) {
        showBox(kCaption, kChooseToRegister, Icon::Warning);
        return;
    }
    if (!shown_.general.isEmpty()) {
        showBox(kCaption, mailreq::kAlreadyRegistered, Icon::Warning);
        return;
    }
    EmailForm f = form();
    const protocol::Context ctx = protocol::Context::fromSession();
    const QStringList problems = registrationProblems(&f, ctx);
    correspondent_->set(f.correspondent, f.correspondentName);
    docType_->set(f.docType, f.docTypeName);
    if (!problems.isEmpty()) {
        showBox(kCaption, problemsText(problems), Icon::Warning);
        (problems.first() == kBadDocType ? docTypeCode_ : correspondentCode_)->setFocus();
        return;
    }
    const QDateTime now = F::serverTime();
    if (!now.isValid()) {
        showBox(kCaption, kNoClock, Icon::Critical);
        return;
    }
    f.protocolDate = now.date();
    f.protocolTime = now.time();
    protocolDate_->setText(now.date().toString(QStringLiteral("dd/MM/yyyy")));

    setStatus(kStatusRegistering);
    busy::setWaitText(kWaitRegistering);
    setStatus(kWaitRegistering);
    bool created = false;
    const QVariantList reply = callProtocolServer(kOpProtocollaEmail, registrationRequest(f, ctx), kRegisterTitle, &created);
    busy::setWaitText(QString());
    if (!created) {
        showBox(kCaption, kServerNotCreated, Icon::Critical);
        setStatus(kNotDone);
        return;
    }
    const protocol::Reply r = protocol::readReply(reply);
    if (r.kind != protocol::Reply::Ok) {
        setStatus(kNotDone);
        if (r.kind == protocol::Reply::Error) {
            GECentr::writeLog(kRegistrationError + r.message, QStringLiteral("registerEmail"), objectName());
            showBox(kCaption, kRegistrationError + r.message, Icon::Critical);
            return;
        }
        showBox(kCaption, r.message, Icon::Warning);
        // Registered meanwhile at another desk: the list drops it and the
        // detail shows its number.
        if (r.message == mailreq::kAlreadyRegistered) {
            const qlonglong n = shown_.provisional;
            dirty()->setClean();
            shown_.provisional = 0;
            reload();
            choose(n);
        }
        return;
    }
    // The provisional row took the number in the same transaction.
    shown_.general = r.number;
    shown_.correspondent = f.correspondent;
    shown_.docType = f.docType;
    shown_.subject = f.subject;
    general_->setText(shownNumber(r.number));
    setStatus(kWaitUpdating);
    setStatus(kUpdateDone);
    dirty()->setClean();
    sendReceipt(f, r.number);
    // A protocol message whose sender asked for it gets its confirmation
    // now, or later from "Conferma Ricezione".
    if (confirmationAsked() && showBox(kCaption, kAskConfirmation, Icon::Question, Buttons::YesNo) == Answer::Yes)
        confirmReceipt();
    reload();
}

bool FrmProtEmail::confirmationAsked() const
{
    QFile file(messageFile_);
    if (messageFile_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    const auto &cfg = DicAmbiente::session().cfg;
    mail::SegnaturaData data;
    QString subject, why;
    return mail::segnaturaOfMessage(file.readAll(), &data, &subject, &why)
           && mail::confirmationRequested(data, cfg.codiceIpa, cfg.codiceAoo);
}

void FrmProtEmail::confirmReceipt()
{
    if (shown_.provisional == 0) {
        showBox(kCaption, kChooseToConfirm, Icon::Warning);
        return;
    }
    if (shown_.general.isEmpty()) {
        showBox(kCaption, kConfirmRegistered, Icon::Warning);
        return;
    }
    const auto &op = DicAmbiente::session().op;
    reportSend(kCaption,
               callMailServer(kOpConfermaRicezione, mailreq::confirmationRequest(op.ente, shown_.provisional, op.code)),
               kConfirmationSent);
}

void FrmProtEmail::sendReceipt(const EmailForm &f, const QString &number)
{
    if (f.fromAddress.isEmpty()) {
        showBox(kCaption, kNoReceiptAddress, Icon::Warning);
        return;
    }
    const auto &op = DicAmbiente::session().op;
    reportSend(kCaption, callMailServer(kOpInviaEmail, mailreq::mailRequest(op.ente, mailreq::kReceipt, number,
                                                                            f.fromAddress, kReceiptSubject,
                                                                            receiptText(number), op.code)));
}

void FrmProtEmail::discard()
{
    if (shown_.provisional == 0) {
        showBox(kCaption, kChooseToDiscard, Icon::Warning);
        return;
    }
    if (!shown_.general.isEmpty()) {
        showBox(kCaption, kRegisteredKept, Icon::Warning);
        return;
    }
    QWidget *w = WindowRegistry::open(QStringLiteral("frmProtEmailCanc"));
    if (!w || !QMetaObject::invokeMethod(w, "setEmail", Q_ARG(QString, shown_.direction),
                                         Q_ARG(qlonglong, shown_.provisional), Q_ARG(QString, shown_.subject))) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: frmProtEmailCanc"), QStringLiteral("discard"),
                          objectName());
        return;
    }
    connect(w, SIGNAL(discarded(qlonglong)), this, SLOT(afterDiscard(qlonglong)), Qt::UniqueConnection);
}

void FrmProtEmail::afterDiscard(qlonglong provisional)
{
    if (provisional == shown_.provisional)
        clearDetail();
    reload();
}

void FrmProtEmail::classify()
{
    if (shown_.general.isEmpty()) {
        showBox(kCaption, kClassifyRegistered, Icon::Warning);
        return;
    }
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmClassifica"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, shown_.direction),
                                         Q_ARG(QString, shown_.general))) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmClassifica"), QStringLiteral("classify"),
                          objectName());
        return;
    }
    QMetaObject::invokeMethod(w, "setMode", Q_ARG(QString, QStringLiteral("MODIFICABILE")));
}

} // namespace nimbo::email
