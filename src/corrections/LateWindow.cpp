#include "corrections/LateWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "corrections/LateRules.h"
#include "platform/Dialogs.h"
#include "servers/LateRequests.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::corrections {

namespace {

const QString kTitle = QStringLiteral("Recupero Protocolli");
const QString kStatus = QStringLiteral("Registrazione Protocollo da registro manuale");
const QString kIdle = QStringLiteral("ESCI;NUOVO");
const QString kRegistered = QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA");
const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!");
const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");
// The buttons on a protocol offered once it is registered: links, the
// other protocols, the iter and the stamp.
const QVector<int> kAfterRegistration{0, 1, 2, 3};
constexpr int kButtons = protocol::FrmProtocollo::kButtons;

} // namespace

FrmRecuperaProto::FrmRecuperaProto(QWidget *parent) : FrmProtocollo(QString(), parent)
{
    setObjectName(QStringLiteral("FrmRecuperaProto"));
    setWindowTitle(kTitle);
    // The year to recover goes with the number, in the protocol's group.
    QLineEdit *number = line("txtNumeroProtocollo");
    year_ = new QLineEdit(number->parentWidget());
    year_->setObjectName(QStringLiteral("TxtAnnoProtocollo"));
    year_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), year_));
    year_->setFixedWidth(ui::fieldWidth(year_, 5));
    if (auto *group = qobject_cast<ui::FormGroup *>(number->parentWidget()))
        group->addRow(QStringLiteral("Anno da recuperare"),
                      {year_, QStringLiteral("numero e data del protocollo da recuperare nei campi Numero e Data")});
    // Seven digits typed; the whole number shown once registered.
    number->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,7}")), number));

    // The department's caption follows the direction with the other captions.
    for (QLabel *l : findChildren<QLabel *>())
        if (l->buddy() == line("CodSedeRic"))
            department_ = l;
    auto *in = findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_0"));
    auto *out = findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_1"));
    connect(in, &QRadioButton::clicked, this, [this] { relabel(true); });
    connect(out, &QRadioButton::clicked, this, [this] { relabel(false); });
    relabel(!out->isChecked());
    showIdle();
    showStatus(kStatus);
}

QLineEdit *FrmRecuperaProto::line(const char *name) const { return findChild<QLineEdit *>(QLatin1String(name)); }

void FrmRecuperaProto::showStatus(const QString &text)
{
    if (auto *status = findChild<QLabel *>(QStringLiteral("StatusLine")))
        status->setText(text);
}

void FrmRecuperaProto::relabel(bool incoming)
{
    if (department_)
        department_->setText(incoming ? QStringLiteral("Dipart. Destinatario") : QStringLiteral("Dipart. Spedizione"));
}

void FrmRecuperaProto::openEntry(bool open)
{
    ui::setReadOnly(year_, !open);
    ui::setReadOnly(line("txtNumeroProtocollo"), !open);
    ui::setReadOnly(line("DataProtocollo"), !open);
}

void FrmRecuperaProto::showIdle()
{
    openEntry(false);
    year_->clear();
    setToolbarKeys(kIdle);
}

void FrmRecuperaProto::modeChanged()
{
    FrmProtocollo::modeChanged();
    showIdle();
}

void FrmRecuperaProto::ELABORATBAR(const QString &key)
{
    // Only a protocol of this window: no search, no list to walk.
    if (key != QLatin1String("NUOVO") && key != QLatin1String("REGISTRA") && key != QLatin1String("ANNULLA")
        && key != QLatin1String("ESCI"))
        return;
    const bool wasNew = isNewProtocol();
    FrmProtocollo::ELABORATBAR(key);
    if (key == QLatin1String("NUOVO") && isNewProtocol()) {
        openEntry(true);
        today_ = line("DataRegistrazione")->text();
        line("txtNumeroProtocollo")->clear();
        line("DataProtocollo")->clear();
        line("OraProtocollo")->setText(kLateTime);
        year_->setText(today_.right(4));
        relabel(!findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_1"))->isChecked());
        showStatus(kStatus);
        year_->setFocus();
        dirty()->setClean();
    } else if (key == QLatin1String("ANNULLA") && !isNewProtocol() && line("txtNumeroProtocollo")->text().isEmpty()) {
        showIdle();
        showStatus(kStatus);
    } else if (key == QLatin1String("REGISTRA")) {
        const bool registered = wasNew && !isNewProtocol();
        if (registered) {
            openEntry(false);
            // The registration date is the day of the writing, not the date given.
            line("DataRegistrazione")->setText(today_);
            for (int i = 0; i < kButtons; ++i)
                if (auto *b = findChild<QPushButton *>(QStringLiteral("btnTB_%1").arg(i)))
                    b->setEnabled(b->isEnabled() && kAfterRegistration.contains(i));
            showBox(kTitle, QStringLiteral("Registrazione effettuata con successo"), Icon::Information);
        } else if (wasNew && statusText() == kNotDone) {
            showBox(kTitle, QStringLiteral("Registrazione non andata a buon fine."), Icon::Warning);
        }
        if (registered || (!wasNew && statusText() == kDone))
            setToolbarKeys(isModifiable() ? kRegistered : QStringLiteral("NUOVO;ESCI;ANNULLA"));
    }
}

std::optional<protocol::Failure> FrmRecuperaProto::checkNew(protocol::ProtocolForm *f, const protocol::Context &ctx)
{
    return lateChecks({year_->text(), line("txtNumeroProtocollo")->text(), line("DataProtocollo")->text()}, *f,
                      ctx.ente);
}

short FrmRecuperaProto::newRequest(const protocol::ProtocolForm &f, const protocol::Context &ctx,
                                   QVariantList *request) const
{
    const LateEntry entry{year_->text(), line("txtNumeroProtocollo")->text(), line("DataProtocollo")->text()};
    *request = lateRegistrationRequest(ctx.ente, f.direction, entry.fullNumber(), protocol::shownDate(entry.date),
                                       protocol::registrationColumns(f, ctx), ctx.operatorCode,
                                       protocol::dossierRows(f, ctx),
                                       !ctx.department.isEmpty() && ctx.department == ctx.protocolOfficeDept);
    return kOpRecuperaProtocollo;
}

} // namespace nimbo::corrections
