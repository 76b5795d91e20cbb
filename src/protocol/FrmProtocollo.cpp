#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "ui/FileDrop.h"
#include "protocol/ProtocolLinksPanel.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "organisation/Pickers.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/ReportOutput.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

const FrmProtocollo::CodeControl FrmProtocollo::kCodeControls[5] = {
    {CodeField::Correspondent, "CodiceMitDest", "DescMitDest"}, {CodeField::DocType, "CodTipoDoc", "DescTipoDoc"},
    {CodeField::Department, "CodSedeRic", "DescSedeRic"},       {CodeField::Office, "CodUfficio", "DescUfficio"},
    {CodeField::Member, "CodOperatore", "DescOperatore"}};

FrmProtocollo::FrmProtocollo(const QString &mode, QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmProtocollo"));
    setWindowTitle(kCaption);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 2);
    outer->setSpacing(2);
    panels_ = new QStackedWidget(this);
    outer->addWidget(panels_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    outer->addWidget(status_);
    // The pop-up list floats over the window, under the field it serves.
    listDecod_ = new ui::PickList(this);

    registration_ = new QWidget(panels_);
    registration_->setObjectName(QStringLiteral("FraRegistrazione"));
    buildRegistration(registration_);
    search_ = new QWidget(panels_);
    search_->setObjectName(QStringLiteral("FraRicerca"));
    buildSearch(search_);
    linkPanel_ = new LinkedPanel(true, panels_);
    linked_ = linkPanel_;
    connect(linkPanel_->exitButton(), &QPushButton::clicked, this, [this] { panels_->setCurrentWidget(registration_); });
    cancelled_ = new QGroupBox(QStringLiteral("Estremi Cancellazione del Protocollo"), panels_);
    cancelled_->setObjectName(QStringLiteral("FraCancellazione"));
    {
        auto *g = new QGridLayout(cancelled_);
        int row = 0;
        for (const auto &[name, caption] :
             {std::pair{"LblOperatoreCanc", "Operatore"}, std::pair{"LblDataCanc", "Data"},
              std::pair{"LblMotivoCanc", "Motivo"}, std::pair{"LblNoteCanc", "Note"},
              std::pair{"LblProvvCanc", "Provvedimento di annullamento"}}) {
            g->addWidget(ui::caption(QString::fromUtf8(caption), cancelled_), row, 0);
            g->addWidget(descLabel(cancelled_, name), row++, 1);
        }
        g->setColumnStretch(1, 1);
        g->setRowStretch(row, 1);
        g->addWidget(backButton(cancelled_), row + 1, 0, 1, 2, Qt::AlignLeft);
    }
    for (QWidget *w : {registration_, search_, linked_, cancelled_})
        panels_->addWidget(w);
    panels_->setCurrentWidget(registration_);

    // The greatest number this operator registered, for the rewrite rule.
    const Context ctx = context();
    if (const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"), lastProtocolQuery(ctx.ente, ctx.operatorCode)))
        lastNumber_ = row->value(0).toString().trimmed();

    applyDirectionRight();
    enableButtons({});
    setStatus(kStatusReady);
    setMode(mode);
    setToolbarKeys(forCancellation() ? kEntryCancel : kEntry);
    // Only the registration panel holds data worth asking about.
    dirty()->watch(registration_);
    ui::acceptFileDrops(this, [this](const QStringList &paths) { dropFiles(paths); });
}

void FrmProtocollo::modeChanged()
{
    cancelEdit();
    setToolbarKeys(forCancellation() ? kEntryCancel : kEntry);
}

QPushButton *FrmProtocollo::backButton(QWidget *panel)
{
    // Every panel leads back to the protocol it was opened from.
    auto *b = new QPushButton(QStringLiteral("Torna al protocollo"), panel);
    b->setObjectName(QStringLiteral("CmdTornaProtocollo"));
    connect(b, &QPushButton::clicked, this, [this] { panels_->setCurrentWidget(registration_); });
    return b;
}

QSize FrmProtocollo::sizeHint() const { return QSize(1000, 660).expandedTo(minimumSizeHint()); }

QLineEdit *FrmProtocollo::edit(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    ui::setReadOnly(e, readOnly);
    edits_.insert(e->objectName(), e);
    return e;
}

QLineEdit *FrmProtocollo::dateEdit(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new ui::DateField(parent);
    e->setObjectName(QString::fromLatin1(name));
    ui::setReadOnly(e, readOnly);
    edits_.insert(e->objectName(), e);
    return e;
}

QLabel *FrmProtocollo::label(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    labels_.insert(l->objectName(), l);
    return l;
}

QLabel *FrmProtocollo::descLabel(QWidget *parent, const char *name)
{
    auto *l = new ui::DescriptionLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    labels_.insert(l->objectName(), l);
    return l;
}

QLineEdit *FrmProtocollo::field(const char *name) const { return edits_.value(QString::fromLatin1(name)); }
QLabel *FrmProtocollo::desc(const char *name) const { return labels_.value(QString::fromLatin1(name)); }

// ---- state of the panel -----------------------------------------------------------

QString FrmProtocollo::statusText() const { return status_->text(); }
void FrmProtocollo::setStatus(const QString &text) { status_->setText(text); }

Context FrmProtocollo::context() const
{
    Context c = Context::fromSession();
    c.isNew = isNew_;
    const QDate shown = shownDate(field("DataRegistrazione")->text());
    if (shown.isValid())
        c.today = shown;
    return c;
}

ProtocolForm FrmProtocollo::form() const
{
    ProtocolForm f;
    f.direction = optE_->isChecked() ? QStringLiteral("E") : optU_->isChecked() ? QStringLiteral("U") : QString();
    f.number = storedNumber(field("txtNumeroProtocollo")->text());
    f.dataProtocollo = field("DataProtocollo")->text();
    f.oraProtocollo = field("OraProtocollo")->text();
    f.dataRegistrazione = field("DataRegistrazione")->text();
    f.dataRicezione = field("DataRicezione")->text();
    f.oraRicezione = field("OraRicezione")->text();
    f.codiceMitDest = field("CodiceMitDest")->text();
    f.descMitDest = desc("DescMitDest")->text();
    f.codTipoDoc = field("CodTipoDoc")->text();
    f.descTipoDoc = desc("DescTipoDoc")->text();
    f.oggetto = field("Oggetto")->text();
    f.codSedeRic = field("CodSedeRic")->text();
    f.descSedeRic = desc("DescSedeRic")->text();
    f.codUfficio = field("CodUfficio")->text();
    f.descUfficio = desc("DescUfficio")->text();
    f.codOperatore = field("CodOperatore")->text();
    f.descOperatore = desc("DescOperatore")->text();
    f.refNumber = field("Text1")->text();
    f.refDate = field("Text2")->text();
    f.privacy = privacy_->isChecked();
    f.annotazioni = field("Annotazioni")->text();
    f.saveSubject = saveSubject_->isChecked();
    f.state = state_->property("tag").toString();
    for (int i = 0; i < classifica_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *it = classifica_->topLevelItem(i);
        f.dossiers.append({it->text(0), it->text(1), it->text(2), it->text(3)});
    }
    return f;
}

void FrmProtocollo::clearFields()
{
    for (QLineEdit *e : std::as_const(edits_))
        if (registration_->isAncestorOf(e))
            e->clear();
    for (ui::CodeLookup *l : lookups_)
        l->clear();
    for (QLabel *l : std::as_const(labels_))
        l->clear();
    state_->setProperty("tag", QString());
    privacy_->setChecked(false);
    saveSubject_->setChecked(false);
    classifica_->clear();
    iter_->clear();
    lists_->setCurrentWidget(classifica_);
    listDecod_->dismiss();
    emergencyNumber_.clear();
    iterState_.clear();
    precedentDirection_.clear();
    precedentNumber_.clear();
    for (const char *d : {"DataDal", "DataAl", "TxtDataRif"})
        field(d)->clear();
}

void FrmProtocollo::applyDirectionRight()
{
    const QString right = DicAmbiente::session().op.direction;
    optE_->setEnabled(right != QLatin1String("2"));
    optU_->setEnabled(right != QLatin1String("1"));
    if (right == QLatin1String("1"))
        optE_->setChecked(true);
    else if (right == QLatin1String("2"))
        optU_->setChecked(true);
    else {
        optE_->setAutoExclusive(false);
        optU_->setAutoExclusive(false);
        optE_->setChecked(false);
        optU_->setChecked(false);
        optE_->setAutoExclusive(true);
        optU_->setAutoExclusive(true);
    }
    setDirection(optE_->isChecked() ? QStringLiteral("E") : optU_->isChecked() ? QStringLiteral("U") : QString());
}

void FrmProtocollo::setDirection(const QString &direction)
{
    const bool incoming = direction != QLatin1String("U");
    cmdMitDest_->setText(incoming ? QStringLiteral("Mittente") : QStringLiteral("Destinatario"));
    buttons_[9]->setText(incoming ? QStringLiteral("Assegna") : QStringLiteral("Trasmetti"));
    if (!incoming) {
        field("Text1")->clear();
        field("Text2")->clear();
    }
    senderRef_->setEnabled(incoming);
    cmdAltriDest_->setEnabled(!incoming);
}

void FrmProtocollo::applyState(const QString &state)
{
    state_->setProperty("tag", state);
    state_->setText(state == QLatin1String("C") ? kCancelled : state.isEmpty() ? QString() : kActive);
    enableButtons(enabledButtons(state));
}

void FrmProtocollo::enableButtons(const QVector<int> &enabled)
{
    for (int i = 0; i < kButtons; ++i)
        buttons_[i]->setEnabled(enabled.contains(i) && kImplemented.contains(i)
                                && (documentWindow(i).isEmpty() || WindowRegistry::contains(documentWindow(i))));
    updateClassifyButtons();
    updatePrecedentButton();
}

void FrmProtocollo::focusField(const QString &name)
{
    if (name == QLatin1String("OptTipoProtocollo")) {
        (optE_->isEnabled() ? optE_ : optU_)->setFocus();
        return;
    }
    if (QWidget *w = findChild<QWidget *>(name))
        w->setFocus();
}

bool FrmProtocollo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == state_ && event->type() == QEvent::MouseButtonDblClick
        && state_->property("tag").toString() == QLatin1String("C"))
        panels_->setCurrentWidget(cancelled_);
    return ChildWindow::eventFilter(watched, event);
}

void registerProtocolWindows()
{
    WindowRegistry::add(QStringLiteral("FrmProtocollo"), [] { return new FrmProtocollo; });
}

} // namespace nimbo::protocol
