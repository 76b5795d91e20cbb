#include "corrections/ManualWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"

namespace nimbo::corrections {

const QString FrmProtoManuale::kTitle = QStringLiteral("Registrazione Protocolli da registro manuale");
const QString FrmProtoManuale::kStatus = QStringLiteral("Registrazione Protocollo da registro manuale");

namespace {

const QString kEntryKeys = QStringLiteral("ESCI;NUOVO");
const QString kNewKeys = QStringLiteral("ESCI;REGISTRA;ANNULLA");
const QString kRegisteredKeys = QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA");
// The registration window's own status after NUOVO and ANNULLA.
const QString kCommonStatus = QStringLiteral("Registrazione Protocollo");
// The functions of the button row open once a protocol is registered here.
constexpr int kOpenButtons = 4;

QLineEdit *digits(QWidget *parent, const char *name, int chars)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    ui::makeCodeField(e, chars, false);
    e->setMaxLength(chars);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,%1}").arg(chars)), e));
    return e;
}

} // namespace

FrmProtoManuale::FrmProtoManuale(QWidget *parent) : FrmProtocollo(QString(), parent)
{
    setObjectName(QStringLiteral("FrmProtoManuale"));
    setWindowTitle(kTitle);

    auto *group = new ui::FormGroup(QStringLiteral("Registro di emergenza cartaceo"), registrationPanel());
    group->setObjectName(QStringLiteral("FraRegistroCartaceo"));
    year_ = digits(group, "txtAnno", 4);
    id_ = new QLineEdit(group);
    id_->setObjectName(QStringLiteral("TxtidReg"));
    ui::makeCodeField(id_, 4, true);
    id_->setMaxLength(4);
    progressive_ = digits(group, "TxtNumReg", 3);
    number_ = digits(group, "TxtNProtoEme", 7);
    day_ = new ui::DateField(group);
    day_->setObjectName(QStringLiteral("TxtDProtoEme"));
    group->addRow(QStringLiteral("Anno"), {year_, QStringLiteral("Codice identificativo"), id_,
                                           QStringLiteral("Progressivo"), progressive_,
                                           QStringLiteral("N. protocollo in emergenza"), number_,
                                           QStringLiteral("del"), day_, ui::Cell(new QWidget(group), 1)});
    // Below the protocol's number and dates, which it comes before.
    if (auto *v = qobject_cast<QVBoxLayout *>(registrationPanel()->layout()))
        v->insertWidget(1, group);
    dirty()->watch(group);
    // The paper register's fields say what the emergency frame would.
    if (auto *eme = findChild<QWidget *>(QStringLiteral("FraEmergenza")))
        eme->hide();

    for (const QLineEdit *e : findChildren<QLineEdit *>())
        if (e->objectName() == QLatin1String("CodSedeRic"))
            for (QLabel *l : findChildren<QLabel *>())
                if (l->buddy() == e)
                    department_ = l;
    for (const char *option : {"OptTipoProtocollo_0", "OptTipoProtocollo_1"})
        connect(findChild<QRadioButton *>(QLatin1String(option)), &QRadioButton::clicked, this,
                &FrmProtoManuale::relabel);
    setPaperEditable(false);
    settle(QString(), true);
}

void FrmProtoManuale::modeChanged()
{
    FrmProtocollo::modeChanged();
    settle(QStringLiteral("ANNULLA"), true);
}

void FrmProtoManuale::ELABORATBAR(const QString &key)
{
    // Neither search nor paper outputs here: the toolbar never offers them.
    if (!kRegisteredKeys.split(QLatin1Char(';')).contains(key))
        return;
    const bool clearing = key == QLatin1String("NUOVO") || key == QLatin1String("ANNULLA");
    FrmProtocollo::ELABORATBAR(key);
    if (key == QLatin1String("ESCI"))
        return;
    // Whatever was typed is gone once the form is clean again.
    settle(key, clearing && !dirty()->isDirty());
}

void FrmProtoManuale::settle(const QString &key, bool proceeded)
{
    const bool registered = !findChild<QLineEdit *>(QStringLiteral("txtNumeroProtocollo"))->text().trimmed().isEmpty();
    if (proceeded && (key == QLatin1String("NUOVO") || key == QLatin1String("ANNULLA"))) {
        for (QLineEdit *e : {year_, id_, progressive_, number_, day_})
            e->clear();
        // The paper document was received before it was written in the
        // paper register: the clerk says when, the server's date would be wrong.
        if (key == QLatin1String("NUOVO"))
            findChild<QLineEdit *>(QStringLiteral("DataRicezione"))->clear();
        dirty()->setClean();
    }
    setPaperEditable(isNewProtocol());
    if (isNewProtocol())
        setToolbarKeys(kNewKeys);
    else if (registered)
        setToolbarKeys(kRegisteredKeys);
    else
        setToolbarKeys(kEntryKeys);
    if (registered && !isNewProtocol())
        for (int i = kOpenButtons; i < kButtons; ++i)
            if (auto *b = findChild<QPushButton *>(QStringLiteral("btnTB_%1").arg(i)))
                b->setEnabled(false);
    if (statusText() == kCommonStatus || statusText().isEmpty())
        setStatus(kStatus);
    relabel();
}

void FrmProtoManuale::relabel()
{
    if (!department_)
        return;
    const bool outgoing = findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_1"))->isChecked();
    department_->setText(outgoing ? QStringLiteral("Dipart. Spedizione") : QStringLiteral("Dipart. Destinatario"));
}

void FrmProtoManuale::setPaperEditable(bool editable)
{
    for (QLineEdit *e : {year_, id_, progressive_, number_, day_})
        ui::setReadOnly(e, !editable);
}

PaperFields FrmProtoManuale::paper() const
{
    return {year_->text(), id_->text(), progressive_->text(), number_->text(), day_->text()};
}

std::optional<protocol::Failure> FrmProtoManuale::checksBefore(const protocol::ProtocolForm &f,
                                                               const protocol::Context &ctx) const
{
    // A rewrite keeps the paper register and number it was registered with.
    if (!ctx.isNew)
        return std::nullopt;
    return checkPaper(f, paper(), ctx.ente, ctx.today);
}

QString FrmProtoManuale::subjectWarning(const protocol::ProtocolForm &f, const protocol::Context &ctx) const
{
    return sameSubjectWarning(ctx.ente, f.oggetto);
}

ColumnValues FrmProtoManuale::ownColumns(const protocol::ProtocolForm &, const protocol::Context &ctx) const
{
    return ctx.isNew ? paperColumns(paper()) : ColumnValues{};
}

} // namespace nimbo::corrections
