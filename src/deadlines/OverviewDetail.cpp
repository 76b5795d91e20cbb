// The detail of the deadline overview: the protocol, the assignment it was
// found by, and the doors to what the clerk does next about the matter.

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "deadlines/Deadlines.h"
#include "deadlines/OverviewRules.h"
#include "deadlines/OverviewWindow.h"
#include "iter/FrmGestIter.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "search/ProtocolDetail.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {

using namespace overview;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
constexpr int kOtherLimit = 500;

QString caption() { return QString::fromLatin1(kCaption); }

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// Hands the protocol to a window opened by name.
QWidget *openWith(const QString &window, const QString &direction, const QString &number,
                  const QString &mode = QString())
{
    if (!WindowRegistry::contains(window))
        return nullptr;
    QWidget *w = WindowRegistry::open(window, mode);
    if (w && w->metaObject()->indexOfMethod("setProtocol(QString,QString)") >= 0)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
    return w;
}

} // namespace

QWidget *FrmScadPratiche::buildDetailPage()
{
    auto *page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("FraDettaglioPratica"));
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    detail_ = new search::ProtocolDetail(QString::fromUtf8(kReservedImages), QStringLiteral("FRMSCADPRATICHE"), page);
    // The further recipients have their own window here, behind the
    // button of the detail's row of doors.
    if (auto *own = detail_->findChild<QPushButton *>(QStringLiteral("CmdAltri")))
        own->hide();
    v->addWidget(detail_, 1);

    auto *a = new ui::FormGroup(QStringLiteral("Estremi Assegnazione"), page);
    aOffice_ = ui::readOnlyField(a, "TxtUfficioCompetente");
    aAssigned_ = ui::readOnlyField(a, "TxtDataAssegnazione", 10);
    aDeadline_ = ui::readOnlyField(a, "TxtScadenzaEvasione", 10);
    aNotes_ = ui::readOnlyField(a, "TxtNoteAssegnazione");
    const bool units = DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104");
    a->addRow(units ? QString::fromUtf8("Unità Operativa Competente") : QStringLiteral("Ufficio Competente"),
              {{aOffice_, 1}, "Data Assegnazione", aAssigned_, "Scadenza Evasione pratica", aDeadline_});
    a->addRow(QStringLiteral("Note assegnazione"), {{aNotes_, 1}});
    v->addWidget(a);

    auto *doors = new QHBoxLayout;
    QPushButton *reminder = button(QStringLiteral("Registra Sollecito"), "cmdSollecito", page);
    QPushButton *mail = button(QStringLiteral("E-Mail"), "cmdEMail", page);
    QPushButton *other = button(QStringLiteral("Altri Documenti"), "cmdAltriDocumenti", page);
    other->setToolTip(QStringLiteral("Altri Documenti del Mittente/Destinatario"));
    QPushButton *iterButton = button(QStringLiteral("Iter"), "cmdIter", page);
    QPushButton *linked = button(QStringLiteral("Protocolli Collegati"), "cmdCollegati", page);
    furtherButton_ = button(QStringLiteral("Altri Destinatari "), "cmdAltriDestinatari", page);
    for (QPushButton *b : {reminder, mail, other, iterButton, linked, furtherButton_})
        doors->addWidget(b);
    doors->addStretch(1);
    v->addLayout(doors);
    iterButton->setEnabled(WindowRegistry::contains(QStringLiteral("FrmGestIter")));
    linked->setEnabled(WindowRegistry::contains(QStringLiteral("FrmDetCollegati")));

    connect(reminder, &QPushButton::clicked, this, [this] { registerReminder(); });
    connect(mail, &QPushButton::clicked, this, [this] { mailReminder(); });
    connect(other, &QPushButton::clicked, this, [this] { showOtherDocuments(); });
    connect(iterButton, &QPushButton::clicked, this, [this] { openIter(); });
    connect(linked, &QPushButton::clicked, this, [this] { openLinked(); });
    connect(furtherButton_, &QPushButton::clicked, this, [this] { openFurtherRecipients(); });
    return page;
}

QWidget *FrmScadPratiche::buildOthersPage()
{
    auto *page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("FraAltriDocumenti"));
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    othersHeading_ = new QLabel(page);
    othersHeading_->setObjectName(QStringLiteral("LblAltriDocumenti"));
    QFont bold = othersHeading_->font();
    bold.setBold(true);
    othersHeading_->setFont(bold);
    othersHeading_->setWordWrap(true);
    others_ = new ui::RowList(QStringLiteral("LwAltriDocumenti"), page);
    others_->setColumns(QString::fromUtf8(kOtherTitles), QString::fromLatin1(kOtherWidths));
    others_->setFitToWidth(true);
    auto *back = button(QStringLiteral("Torna al dettaglio"), "cmdTornaDettaglio", page);
    auto *foot = new QHBoxLayout;
    foot->addStretch(1);
    foot->addWidget(back);
    v->addWidget(othersHeading_);
    v->addWidget(others_, 1);
    v->addLayout(foot);
    connect(back, &QPushButton::clicked, this, [this] { this->back(); });
    // A protocol of the list opens in the detail view of its own.
    disconnect(others_->view(), SIGNAL(clicked(QModelIndex)), others_, nullptr);
    connect(others_, &ui::RowList::chosen, this, [this](int row) {
        openWith(QStringLiteral("frmDettaglioProtocollo"), others_->text(row, 0), others_->text(row, 5));
    });
    return page;
}

void FrmScadPratiche::showAssignment(const DeadlineRow &r)
{
    aOffice_->setText(r.office + QStringLiteral(" - ") + r.officeName);
    aAssigned_->setText(r.assigned.isValid() ? r.assigned.toString(QStringLiteral("dd/MM/yyyy")) : QString());
    aDeadline_->setText(r.deadline.isValid() ? r.deadline.toString(QStringLiteral("dd/MM/yyyy")) : QString());
    const auto notes = F::Caricadati(kDb, assignmentNotesQuery(DicAmbiente::session().op.ente, r.direction, r.number,
                                                                r.serial));
    aNotes_->setText(notes ? notes->value(0).toString().trimmed() : QString());
    for (QLineEdit *e : {aOffice_, aNotes_})
        e->setCursorPosition(0);
    // Further recipients belong to outgoing protocols, and are not shown
    // for a protocol the operator may not read.
    furtherButton_->setEnabled(r.direction == QLatin1String("U") && !detail_->masked()
                               && WindowRegistry::contains(QStringLiteral("FrmAltriDest")));
}

QWidget *FrmScadPratiche::registerReminder()
{
    const DeadlineRow *r = current();
    return r ? openReminders(r->direction, r->number, r->office) : nullptr;
}

void FrmScadPratiche::mailReminder()
{
    // Mail is not configured in this installation.
    if (current())
        showBox(caption(), QString::fromUtf8(kMailMissing), Icon::Information);
}

bool FrmScadPratiche::showOtherDocuments()
{
    const DeadlineRow *r = current();
    if (!r)
        return false;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    F::LoadedRows found;
    {
        busy::Guard guard;
        found = F::loadRows(kDb, otherDocumentsQuery(v, r->correspondentId, kOtherLimit));
    }
    if (found.failed())
        return false;
    F::Columns shown = otherDocumentRows(found, v);
    const bool cut = found.rowCount() > kOtherLimit;
    for (QVariantList &column : shown)
        column = column.mid(0, kOtherLimit);
    others_->setRows(shown);
    othersHeading_->setText(QStringLiteral("Altri Documenti del Mittente/Destinatario: ")
                            + (detail_->masked() ? QStringLiteral("protocollo riservato") : r->correspondent)
                            + QStringLiteral(" (") + countText(others_->count())
                            + (cut ? QStringLiteral(", i più recenti") : QString()) + QLatin1Char(')'));
    pages_->setCurrentWidget(othersPage_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA"));
    return true;
}

QWidget *FrmScadPratiche::openIter()
{
    const DeadlineRow *r = current();
    if (!r || !WindowRegistry::contains(QStringLiteral("FrmGestIter")))
        return nullptr;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmGestIter"));
    if (auto *gest = qobject_cast<iter::FrmGestIter *>(w)) {
        gest->showProtocol(r->direction, r->number);
        if (auto *tabs = gest->findChild<QTabWidget *>(QStringLiteral("TabIter")))
            tabs->setCurrentIndex(1);
    }
    return w;
}

QWidget *FrmScadPratiche::openLinked()
{
    const DeadlineRow *r = current();
    return r ? openWith(QStringLiteral("FrmDetCollegati"), r->direction, r->number) : nullptr;
}

QWidget *FrmScadPratiche::openFurtherRecipients()
{
    const DeadlineRow *r = current();
    if (!r || r->direction != QLatin1String("U"))
        return nullptr;
    if (detail_->masked()) {
        showBox(caption(), QString::fromUtf8(kReservedImages), Icon::Warning);
        return nullptr;
    }
    return openWith(QStringLiteral("FrmAltriDest"), r->direction, r->number, QStringLiteral("CONSULTAZIONE"));
}

} // namespace nimbo::deadlines
