#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "corrections/Corrections.h"
#include "corrections/DirectionRules.h"
#include "corrections/DirectionWindow.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "servers/DirectionRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;
namespace D = nimbo::corrections::direction;

namespace nimbo::corrections {

const QString FrmModifProto::kCaption = QStringLiteral("Modifica Tipo Protocollo");

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kRequestTitle = QStringLiteral("OLE - Protocollo Documenti");
const QString kCallFailed = QStringLiteral("Server Ole, Errore in Modifica Tipo Protocollo ");

} // namespace

FrmModifProto::FrmModifProto(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmModifProto"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);

    auto *which = new ui::FormGroup(QStringLiteral("Ricerca"), this);
    typed_ = new QLineEdit(which);
    typed_->setObjectName(QStringLiteral("TxtNumero"));
    typed_->setPlaceholderText(QStringLiteral("2025-0000012"));
    typed_->setMaxLength(12);
    typed_->setFixedWidth(ui::fieldWidth(typed_, 13));
    auto *find = new QPushButton(QStringLiteral("Cerca"), which);
    find->setObjectName(QStringLiteral("CmdCerca"));
    which->addRow(QStringLiteral("PROTOCOLLO da modificare:"), {typed_, find, ui::Cell(new QWidget(which), 1)});
    v->addWidget(which);

    auto *data = new ui::FormGroup(QStringLiteral("Protocollo"), this);
    const auto field = [&](int column, const char *name, int chars = 0) {
        QLineEdit *e = ui::readOnlyField(data, name, chars);
        fields_.insert(column, e);
        return e;
    };
    data->addRow(QStringLiteral("Tipo"), {field(D::CDirection, "TxtTipo", 8), QStringLiteral("Numero"),
                                          field(D::CNumber, "TxtNumeroProtocollo", 12), QStringLiteral("Data"),
                                          field(D::CDate, "TxtData", 10), ui::Cell(new QWidget(data), 1)});
    data->addRow(QStringLiteral("Tipo documento"), {ui::Cell(field(D::CDocType, "TxtTipoDoc"), 1)});
    correspondentCaption_ = ui::caption(QStringLiteral("Mittente"), data);
    correspondentCaption_->setObjectName(QStringLiteral("lblMittDest"));
    QLineEdit *correspondent = field(D::CCorrespondent, "TxtMittDest");
    correspondentCaption_->setBuddy(correspondent);
    data->addRow(correspondentCaption_, {ui::Cell(correspondent, 1)});
    data->addRow(QStringLiteral("Oggetto"), {ui::Cell(field(D::CSubject, "TxtOggetto"), 1)});
    v->addWidget(data);

    auto *buttons = new QHBoxLayout;
    invert_ = new QPushButton(QStringLiteral("Inverti Tipologia"), this);
    invert_->setObjectName(QStringLiteral("CmdInverti"));
    invert_->setToolTip(QStringLiteral("Il protocollo in entrata diventa in uscita, quello in uscita diventa in entrata"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lblStato"));
    buttons->addWidget(invert_);
    buttons->addWidget(state_, 1);
    v->addLayout(buttons);
    v->addStretch(1);

    connect(find, &QPushButton::clicked, this, &FrmModifProto::search);
    connect(typed_, &QLineEdit::returnPressed, this, &FrmModifProto::search);
    connect(invert_, &QPushButton::clicked, this, &FrmModifProto::invert);
    setToolbarKeys(QStringLiteral("ESCI"));
}

QSize FrmModifProto::sizeHint() const { return QSize(720, 300).expandedTo(minimumSizeHint()); }

void FrmModifProto::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmModifProto::clearShown()
{
    for (QLineEdit *e : std::as_const(fields_))
        e->clear();
    correspondentCaption_->setText(QStringLiteral("Mittente"));
    direction_.clear();
    number_.clear();
    correspondentCode_.clear();
}

bool FrmModifProto::search()
{
    clearShown();
    state_->clear();
    const QString number = D::typedNumber(typed_->text());
    if (number.isEmpty()) {
        showBox(kCaption, QString::fromUtf8(D::kWrongNumber), Icon::Warning);
        typed_->setFocus();
        return false;
    }
    return show(number);
}

bool FrmModifProto::show(const QString &number)
{
    const auto &s = DicAmbiente::session();
    const F::LoadedRows rows = F::loadRows(kDb, D::lookupQuery(s.op.ente, number, s.op.code));
    if (rows.failed())
        return false;
    if (rows.rowCount() == 0) {
        showBox(kCaption, QString::fromUtf8(D::kNotFound), Icon::Information);
        typed_->setFocus();
        return false;
    }
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    for (auto it = fields_.cbegin(); it != fields_.cend(); ++it) {
        it.value()->setText(D::shown(rows, it.key(), viewer));
        it.value()->setCursorPosition(0);
    }
    direction_ = rows.value(D::CDirection, 0).toString().trimmed();
    number_ = rows.value(D::CNumber, 0).toString().trimmed();
    correspondentCode_ = rows.value(D::CCorrespondentCode, 0).toString().trimmed();
    correspondentCaption_->setText(D::correspondentCaption(direction_));
    return true;
}

bool FrmModifProto::invert()
{
    if (number_.isEmpty()) {
        showBox(kCaption, QString::fromUtf8(D::kNoProtocol), Icon::Warning);
        return false;
    }
    const auto &s = DicAmbiente::session();
    state_->setText(QString::fromUtf8(D::kInProgress));
    const emergency::CallOutcome out = emergency::callProtocolServer(
        kOpInvertiTipo, nimbo::direction::changeRequest(s.op.ente, direction_, number_, s.op.code), kRequestTitle);
    state_->clear();
    if (out.kind == emergency::CallOutcome::NoServer) {
        GECentr::writeLog(out.message, QStringLiteral("invert"), objectName());
        showBox(kCaption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return false;
    }
    if (!out.ok()) {
        // A refusal names its field, a failed step its table: shown as the
        // server wrote it; the database's words go to the log.
        GECentr::writeLog(kCallFailed + out.status + QStringLiteral(" - ") + out.message + QLatin1Char(' ')
                              + out.reply.value(2).toString(),
                          QStringLiteral("invert"), objectName());
        showBox(kCaption, out.message, Icon::Critical);
        return false;
    }
    showBox(kCaption, QString::fromUtf8(D::kDone), Icon::Information);
    // Read back: the window shows the protocol as the register now holds it.
    show(number_);
    return true;
}

void registerDirectionWindows()
{
    WindowRegistry::add(QStringLiteral("FrmModifProto"), [] { return new FrmModifProto; });
}

} // namespace nimbo::corrections
