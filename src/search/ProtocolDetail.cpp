#include "search/ProtocolDetail.h"
#include "protocol/CancelMark.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "documents/FrmDettaglioProtocollo.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "search/GeneralSearch.h"
#include "search/ProtocolDetailRules.h"
#include "session/DicAmbiente.h"
#include "ui/ChildWindow.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RecentProtocols.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

using namespace protocoldetail;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kViewer = QStringLiteral("FrmVisDocu1");
const QString kAttachments = QStringLiteral("frmProtAllegati");
const QString kActive = QStringLiteral("A T T I V O");
const QString kCancelled = QStringLiteral("C A N C E L L A T O");

QString cell(const F::LoadedRows &r, int column, int row = 0) { return r.value(column, row).toString().trimmed(); }

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

ui::DescriptionLabel *description(const char *name, QWidget *parent)
{
    auto *l = new ui::DescriptionLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

ProtocolDetail::ProtocolDetail(const QString &documentsRefused, const QString &callerTag, QWidget *parent)
    : QWidget(parent), documentsRefused_(documentsRefused), callerTag_(callerTag)
{
    setObjectName(QStringLiteral("FraDettaglio"));

    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), this);
    numberField_ = ui::readOnlyField(head, "TxtNumero", 13);
    state_ = button(kActive, "CmdStato", head);
    state_->setFlat(true);
    QFont bold = state_->font();
    bold.setBold(true);
    state_->setFont(bold);
    date_ = ui::readOnlyField(head, "TxtDataProtocollo", 10);
    privacy_ = ui::readOnlyField(head, "TxtRiservato", 3);
    received_ = ui::readOnlyField(head, "TxtDataRicezione", 10);
    receivedTime_ = ui::readOnlyField(head, "TxtOraRicezione", 8);
    emergencyRegister_ = ui::readOnlyField(head, "TxtRegistroEme", 14);
    emergencyNumber_ = ui::readOnlyField(head, "TxtNumeroEme", 14);
    annulled_ = new QLabel(protocol::cancelled::kMark, head);
    annulled_->setObjectName(QStringLiteral("LblAnnullato"));
    annulled_->setFont(bold);
    annulled_->setStyleSheet(QStringLiteral("color: #b00000;"));
    annulled_->hide();
    head->addRow(QStringLiteral("Numero"), {numberField_, QStringLiteral("Stato"), state_, annulled_});
    head->addRow(QStringLiteral("Data protocollo"), {date_, QStringLiteral("Riservato"), privacy_});
    head->addRow(QStringLiteral("Data ricezione"), {received_, QStringLiteral("Ora"), receivedTime_});
    head->addRow(QStringLiteral("Registro emergenza"), {emergencyRegister_});
    head->addRow(QStringLiteral("Numero emergenza"), {emergencyNumber_});

    auto *where = new ui::FormGroup(QStringLiteral("Ricezione"), this);
    docType_ = ui::readOnlyField(where, "TxtTipoDoc", 5);
    docTypeName_ = description("LblTipoDoc", where);
    department_ = ui::readOnlyField(where, "TxtSedeRic", 5);
    departmentName_ = description("LblSedeRic", where);
    office_ = ui::readOnlyField(where, "TxtUfficio", 5);
    officeName_ = description("LblUfficio", where);
    memberName_ = description("LblComponente", where);
    officeCaption_ = ui::caption(QStringLiteral("Ufficio"), where, office_);
    where->addCodeRow(QStringLiteral("Tipo documento"), docType_, docTypeName_);
    where->addCodeRow(QStringLiteral("Dipartimento"), department_, departmentName_);
    where->addCodeRow(officeCaption_, office_, officeName_);
    where->addRow(QStringLiteral("Componente"), {{memberName_, 1}});

    auto *document = new ui::FormGroup(QStringLiteral("Documento"), this);
    correspondent_ = ui::readOnlyField(document, "TxtMittDest");
    others_ = button(QStringLiteral("Altri Destinatari"), "CmdAltri", document);
    subject_ = ui::readOnlyField(document, "TxtOggetto");
    notes_ = ui::readOnlyField(document, "TxtAnnotazioni");
    correspondentCaption_ = ui::caption(QStringLiteral("Mittente"), document, correspondent_);
    correspondentCaption_->setObjectName(QStringLiteral("LblMittDest"));
    document->addRow(correspondentCaption_, {{correspondent_, 1}, others_});
    document->addRow(QStringLiteral("Oggetto"), {{subject_, 1}});
    document->addRow(QStringLiteral("Note"), {{notes_, 1}});

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabDettaglio"));
    iter_ = documents::detail::iterList(tabs_);
    dossiers_ = new ui::RowList(QStringLiteral("LwClassifica"), tabs_);
    dossiers_->setColumns(QStringLiteral("Titolo;Categoria;Classe;Fascicolo"), QStringLiteral("20;20;20;30"));
    dossiers_->setFitToWidth(true);
    recipients_ = new ui::RowList(QStringLiteral("LwAltri"), tabs_);
    recipients_->setColumns(QStringLiteral("Altri destinatari"), QStringLiteral("80"));
    recipients_->setFitToWidth(true);
    tabs_->addTab(iter_, QStringLiteral("Iter del protocollo"));
    tabs_->addTab(dossiers_, QStringLiteral("Classificazione e fascicoli"));
    tabs_->addTab(recipients_, QStringLiteral("Altri destinatari"));

    documents_ = button(QStringLiteral("Docum."), "cmdDocum", this);
    attachments_ = button(QStringLiteral("Allegati"), "cmdAllegati", this);

    auto *top = new QHBoxLayout;
    top->addWidget(head);
    top->addWidget(where, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(documents_);
    buttons->addWidget(attachments_);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(document);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    connect(state_, &QPushButton::clicked, this, &ProtocolDetail::showCancellation);
    connect(others_, &QPushButton::clicked, this, [this] { tabs_->setCurrentWidget(recipients_); });
    connect(documents_, &QPushButton::clicked, this, [this] { openDocuments(kViewer); });
    connect(attachments_, &QPushButton::clicked, this, [this] { openDocuments(kAttachments); });
    clear();
}

bool ProtocolDetail::load(const QString &direction, const QString &number, const protocol::Viewer &viewer)
{
    clear();
    const F::LoadedRows p = F::loadRows(kDb, protocolQuery(viewer.ente, direction, number));
    if (p.failed()) {
        showBox(boxTitle(), unreadText({QStringLiteral("il protocollo")}, p.unreachable()), Icon::Critical);
        return false;
    }
    if (p.rowCount() == 0) {
        showBox(boxTitle(), QStringLiteral("Impossibile visualizzare il documento richiesto"), Icon::Warning);
        return false;
    }
    direction_ = cell(p, CDirection);
    number_ = cell(p, CNumber);
    ente_ = viewer.ente;
    masked_ = search::masked(viewer, cell(p, CPrivacy));
    const QString mask = QString::fromLatin1(kMask);

    numberField_->setText(shownNumber(number_));
    const bool gone = cancelled(p.value(CState, 0));
    state_->setText(gone ? kCancelled : kActive);
    state_->setCursor(gone ? Qt::PointingHandCursor : Qt::ArrowCursor);
    state_->setToolTip(gone ? QStringLiteral("Dati della cancellazione") : QString());
    cancellation_ = gone ? cancellationText(cancellationOf(p)) : QString();
    annulled_->setVisible(gone);
    date_->setText(protocol::dateText(p.value(CDate, 0)));
    privacy_->setText(cell(p, CPrivacy).toUpper() == QLatin1String("S") ? QStringLiteral("SI") : QStringLiteral("NO"));
    received_->setText(protocol::dateText(p.value(CReceived, 0)));
    receivedTime_->setText(cell(p, CReceivedTime));
    emergencyRegister_->setText(emergencyText(p.value(CEmergencyRegister, 0)));
    emergencyNumber_->setText(emergencyText(p.value(CEmergencyNumber, 0)));

    correspondentCaption_->setText(direction_ == QLatin1String("U") ? QStringLiteral("Destinatario")
                                                                     : QStringLiteral("Mittente"));
    correspondent_->setText(masked_ ? mask : cell(p, CHolderName));
    subject_->setText(masked_ ? mask : p.value(CSubject, 0).toString());
    notes_->setText(masked_ ? mask : p.value(CNotes, 0).toString());
    docType_->setText(cell(p, CDocType));
    docTypeName_->setText(cell(p, CDocTypeName));
    department_->setText(cell(p, CDepartment));
    departmentName_->setText(cell(p, CDepartmentName));
    office_->setText(cell(p, COffice));
    officeName_->setText(cell(p, COfficeName));
    memberName_->setText(p.value(CMember, 0).toLongLong() > 0 ? cell(p, CMemberName) : QString());
    officeCaption_->setText(DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104")
                                ? QStringLiteral("Unità Operativa")
                                : QStringLiteral("Ufficio"));
    for (QLineEdit *e : {correspondent_, subject_, notes_})
        e->setCursorPosition(0);

    documents_->setEnabled(WindowRegistry::contains(kViewer));
    documents_->setToolTip(QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo ")
                           + shownNumber(number_));
    attachments_->setEnabled(WindowRegistry::contains(kAttachments));
    loadLists();
    ui::rememberProtocol(viewer.ente, viewer.operatorCode, direction_, number_);
    return true;
}

void ProtocolDetail::loadLists()
{
    QStringList unread;
    bool unreachable = false;
    const auto failed = [&](const F::LoadedRows &r, const QString &what) {
        if (!r.failed())
            return false;
        unread << what;
        unreachable = unreachable || r.unreachable();
        return true;
    };

    const F::LoadedRows d = F::loadRows(kDb, protocol::dossiersQuery(ente_, direction_, number_));
    if (!failed(d, QStringLiteral("la classificazione"))) {
        F::Columns rows(4);
        for (int i = 0; i < d.rowCount(); ++i) {
            const QStringList cells = dossierCells(d, i);
            for (int c = 0; c < 4; ++c)
                rows[c].append(cells.at(c));
        }
        dossiers_->setRows(rows);
    }

    // A reserved protocol's further recipients are not even read for a
    // viewer who may not see them.
    if (masked_) {
        others_->setToolTip(QStringLiteral("Protocollo riservato"));
    } else {
        const F::LoadedRows r = F::loadRows(kDb, furtherRecipientsQuery(ente_, direction_, number_));
        if (!failed(r, QStringLiteral("gli altri destinatari"))) {
            F::Columns rows(1);
            for (int i = 0; i < r.rowCount(); ++i)
                rows[0].append(recipientLine(cell(r, 0, i), cell(r, 1, i), cell(r, 2, i), cell(r, 3, i)));
            recipients_->setRows(rows);
        }
    }
    others_->setEnabled(recipients_->count() > 0);

    if (!documents::detail::fillIter(iter_, ente_, direction_, number_, true))
        unread << QStringLiteral("l'iter");
    if (!unread.isEmpty())
        showBox(boxTitle(), unreadText(unread, unreachable), Icon::Critical);
}

void ProtocolDetail::clear()
{
    direction_.clear();
    number_.clear();
    ente_.clear();
    cancellation_.clear();
    masked_ = false;
    for (QLineEdit *e : {numberField_, date_, privacy_, received_, receivedTime_, emergencyRegister_, emergencyNumber_,
                         correspondent_, docType_, department_, office_, subject_, notes_})
        e->clear();
    for (ui::DescriptionLabel *l : {docTypeName_, departmentName_, officeName_, memberName_})
        l->clear();
    state_->setText(QString());
    annulled_->hide();
    correspondentCaption_->setText(QStringLiteral("Mittente"));
    iter_->clear();
    tabs_->setCurrentWidget(iter_);
    dossiers_->clear();
    recipients_->clear();
    others_->setToolTip(QString());
    for (QPushButton *b : {state_, others_, documents_, attachments_})
        b->setEnabled(b == state_);
    documents_->setToolTip(QString());
}

void ProtocolDetail::showCancellation()
{
    if (!cancellation_.isEmpty())
        showBox(boxTitle(), cancellation_, Icon::Information);
}

void ProtocolDetail::openDocuments(const QString &window)
{
    if (number_.isEmpty())
        return;
    if (masked_) {
        showBox(boxTitle(), documentsRefused_, Icon::Warning);
        return;
    }
    QWidget *w = WindowRegistry::open(window);
    if (!w)
        return;
    if (window == kViewer)
        w->setWindowTitle(QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo ")
                          + shownNumber(number_));
    if (w->metaObject()->indexOfMethod("setCaller(QString)") >= 0)
        QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, callerTag_));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_));
}

QSize ProtocolDetail::sizeHint() const { return QSize(960, 560).expandedTo(minimumSizeHint()); }

QString ProtocolDetail::boxTitle() const
{
    // Boxes speak for the search window that shows the detail.
    for (const QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<const ChildWindow *>(w) && !w->windowTitle().isEmpty())
            return w->windowTitle();
    return QStringLiteral("Dettaglio del protocollo");
}

QString ProtocolDetail::direction() const { return direction_; }
QString ProtocolDetail::number() const { return number_; }

} // namespace nimbo::search
