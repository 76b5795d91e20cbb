#include "iter/FrmAssegna.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "iter/SendCall.h"
#include "iter/SendRecipients.h"
#include "platform/Dialogs.h"
#include "servers/IterRequests.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

const QString kCaption = QString::fromUtf8(kAssignCaption);
const QString kDb = QStringLiteral("PROTOCOLLO");

// Kept for as long as the program runs.
QVector<Recipient> &lastRows()
{
    static QVector<Recipient> rows;
    return rows;
}

QString shownDay(const QString &text)
{
    QDate d = QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text.trimmed().left(10), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : text.trimmed();
}

QPushButton *button(QWidget *parent, const char *name, const char *text)
{
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

QVector<Recipient> FrmAssegna::lastAssignment() { return lastRows(); }
void FrmAssegna::forgetLastAssignment() { lastRows().clear(); }

FrmAssegna::FrmAssegna(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmAssegna"));
    setWindowTitle(kCaption);
    build();
    setToolbarKeys(QStringLiteral("ESCI"));
    dirty()->watch(notes_);
    dirty()->watch(deadline_);
}

const QVector<Recipient> &FrmAssegna::recipients() const { return recipients_->rows(); }

QSize FrmAssegna::sizeHint() const { return QSize(1000, 660).expandedTo(minimumSizeHint()); }

void FrmAssegna::build()
{
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(4);

    heading_ = new QLabel(QString::fromUtf8(kHeadingOpen), this);
    heading_->setObjectName(QStringLiteral("LblTitolo"));
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
    v->addWidget(heading_);

    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), this);
    txtEUI_ = ui::readOnlyField(head, "TxtEUI", 3);
    txtProtI_ = ui::readOnlyField(head, "TxtProtI", 13);
    txtDataI_ = ui::readOnlyField(head, "TxtDataI", 11);
    txtSerialeMov_ = ui::readOnlyField(head, "TxtSerialeMov", 15);
    head->addRow(QStringLiteral("Tipo"), {txtEUI_, "N° Protocollo", txtProtI_, "Data Protocollo", txtDataI_,
                                          "Assegnazione del", {txtSerialeMov_, 1}});
    v->addWidget(head);

    recipients_ = new RecipientEditor(SendKind::Assignment, this);
    v->addWidget(recipients_, 1);

    // The groups of offices, shown in place of the notes while chosen.
    groups_ = new QGroupBox(QStringLiteral("Gruppi di Destinatari"), this);
    groups_->setObjectName(QStringLiteral("FraGruppi"));
    {
        auto *gl = new QHBoxLayout(groups_);
        groupList_ = new ui::RowList(QStringLiteral("LWGruppi"), groups_);
        groupList_->setColumns(QStringLiteral("Sel.;Denominazione gruppo"), QStringLiteral("4;50"));
        groupList_->model()->setCheckable(true);
        gl->addWidget(groupList_, 1);
        auto *bl = new QVBoxLayout;
        auto *addGroups = button(groups_, "CmdAggiungiGruppi", "Aggiungi alla lista dei destinatari");
        auto *cancel = button(groups_, "CmdAnnullaGruppi", "Annulla");
        bl->addWidget(addGroups);
        bl->addWidget(cancel);
        bl->addStretch(1);
        gl->addLayout(bl);
        connect(addGroups, &QPushButton::clicked, this, &FrmAssegna::addGroups);
        connect(cancel, &QPushButton::clicked, groups_, &QWidget::hide);
    }
    groups_->hide();
    v->addWidget(groups_, 1);

    auto *bottom = new QHBoxLayout;
    auto *notesBox = new ui::FormGroup(QStringLiteral("Note di assegnazione"), this);
    notes_ = new QPlainTextEdit(notesBox);
    notes_->setObjectName(QStringLiteral("txtAnnotazioniSped"));
    notes_->setMaximumHeight(56);
    notesBox->addWide(notes_);
    bottom->addWidget(notesBox, 3);
    deadlineFrame_ = new QGroupBox(QStringLiteral("Scadenza"), this);
    deadlineFrame_->setObjectName(QStringLiteral("FraScadenza"));
    {
        auto *dl = new QVBoxLayout(deadlineFrame_);
        auto *text = new QLabel(QStringLiteral("Data entro la quale deve essere completato il procedimento "
                                               "amministrativo relativo al documento:"),
                                deadlineFrame_);
        text->setWordWrap(true);
        deadline_ = new ui::DateField(deadlineFrame_);
        deadline_->setObjectName(QStringLiteral("TxtDataProc"));
        text->setBuddy(deadline_);
        dl->addWidget(text);
        dl->addWidget(deadline_, 0, Qt::AlignLeft);
    }
    bottom->addWidget(deadlineFrame_, 2);
    v->addLayout(bottom);

    auto *buttons = new QHBoxLayout;
    cmdGruppo_ = button(this, "CmdGruppo", "Aggiungi Gruppo di Destinatari");
    cmdRichiama_ = button(this, "CmdRichiama", "Richiama ultima assegnazione");
    cmdAssegna_ = button(this, "cmdRegistraSped", "Assegna");
    cmdEsci_ = button(this, "CmdEsci", "Esci");
    buttons->addWidget(cmdGruppo_);
    buttons->addWidget(cmdRichiama_);
    buttons->addStretch(1);
    buttons->addWidget(cmdAssegna_);
    buttons->addWidget(cmdEsci_);
    v->addLayout(buttons);

    connect(cmdGruppo_, &QPushButton::clicked, this, &FrmAssegna::showGroups);
    connect(cmdRichiama_, &QPushButton::clicked, this, &FrmAssegna::recallLast);
    connect(cmdAssegna_, &QPushButton::clicked, this, &FrmAssegna::assign);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(recipients_, &RecipientEditor::changed, this, [this] { dirty()->setDirty(); });
}

void FrmAssegna::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmAssegna::setProtocol(const QString &direction, const QString &number, const QString &protocolDate)
{
    direction_ = direction.trimmed().toUpper();
    number_ = storedNumber(number.trimmed());
    protocolDate_ = shownDay(protocolDate);
    txtEUI_->setText(direction_);
    txtProtI_->setText(shownNumber(number_));
    txtDataI_->setText(protocolDate_);
    loadAssignment();
}

void FrmAssegna::loadAssignment()
{
    const Sender s = Sender::fromSession();
    movement_.clear();
    txtSerialeMov_->clear();
    notes_->clear();
    deadline_->clear();
    groups_->hide();
    recipients_->reset();

    completed_ = F::Caricadati(kDb, completedQuery(s.ente, direction_, number_)).has_value();
    heading_->setText(QString::fromUtf8(completed_ ? kHeadingDone : kHeadingOpen));
    cmdAssegna_->setEnabled(!completed_);
    cmdRichiama_->setEnabled(!completed_);

    QVector<Recipient> rows;
    if (const auto last = F::Caricadati(kDb, lastAssignmentQuery(s.ente, direction_, number_))) {
        movement_ = last->value(0).toString().trimmed();
        txtSerialeMov_->setText(movement_);
        notes_->setPlainText(last->value(1).toString().trimmed());
        deadline_->setText(F::displayValue(last->value(2)).left(10));

        const auto pending = F::loadRows(kDb, pendingDeliveriesQuery(s.ente, direction_, number_, movement_));
        const auto found = F::loadRows(
            kDb, assignmentRecipientsQuery(s.ente, direction_, number_, movement_, s.department, s.office));
        for (int r = 0; r < found.rowCount(); ++r) {
            Recipient x;
            x.department = found.value(0, r).toString().trimmed();
            x.departmentName = found.value(1, r).toString().trimmed();
            x.office = found.value(2, r).toString().trimmed();
            x.officeName = found.value(3, r).toString().trimmed();
            x.member = found.value(4, r).toInt();
            x.memberName = found.value(5, r).toString().trimmed();
            x.type = found.value(6, r).toInt() == 2 ? 2 : 1;
            x.assignedAt = F::displayValue(found.value(7, r));
            bool isPending = false;
            for (int p = 0; p < pending.rowCount(); ++p)
                isPending = isPending || (pending.value(0, p).toString().trimmed() == x.office &&
                                          pending.value(1, p).toInt() == x.member);
            x.modifiable = isPending ? QStringLiteral("S") : QStringLiteral("N");
            rows << x;
        }
    }
    recipients_->setRows(rows);
    deadlineFrame_->setEnabled(!F::Caricadati(kDb, postponedQuery(s.ente, number_)).has_value());
    dirty()->setClean();
}

void FrmAssegna::showGroups()
{
    const Sender s = Sender::fromSession();
    // The first column holds the tick box; the name follows it.
    const auto found = F::loadRows(kDb, groupsQuery(s.ente, s.department));
    F::Columns rows(2);
    for (int r = 0; r < found.rowCount(); ++r) {
        rows[0] << QString();
        rows[1] << found.value(0, r).toString().trimmed();
    }
    groupList_->setRows(rows);
    if (groupList_->count() == 0) {
        groups_->hide();
        showBox(kCaption, QStringLiteral("Non vi sono in archivio gruppi di uffici a cui assegnare il documento."),
                Icon::Information);
        return;
    }
    groups_->show();
}

void FrmAssegna::addGroups()
{
    const Sender s = Sender::fromSession();
    // The type follows the options: competence when it is ticked, else copy.
    const int type = recipients_->chosenType() == 1 ? 1 : 2;
    QVector<Recipient> rows;
    for (int g = 0; g < groupList_->count(); ++g) {
        if (!groupList_->model()->isChecked(g))
            continue;
        const auto found = F::loadRows(kDb, groupOfficesQuery(s.ente, s.department, groupList_->text(g, 1)));
        for (int r = 0; r < found.rowCount(); ++r) {
            Recipient x;
            x.department = found.value(0, r).toString().trimmed();
            x.departmentName = found.value(1, r).toString().trimmed();
            x.office = found.value(2, r).toString().trimmed();
            x.officeName = found.value(3, r).toString().trimmed();
            x.member = found.value(4, r).toInt();
            x.memberName = found.value(5, r).toString().trimmed();
            x.type = type;
            rows << x;
        }
    }
    recipients_->addRows(rows);
    groups_->hide();
}

void FrmAssegna::recallLast() { recipients_->addRows(lastRows()); }

void FrmAssegna::assign()
{
    const QVector<Recipient> &rows = recipients_->rows();
    if (const auto failure = checkAssign(rows, deadline_->text(), protocolDate_)) {
        showBox(kCaption, *failure, Icon::Warning);
        (rows.isEmpty() ? static_cast<QWidget *>(recipients_) : deadline_)->setFocus();
        return;
    }
    const Sender s = Sender::fromSession();
    AssignmentRequest req;
    req.ente = s.ente;
    req.direction = direction_;
    req.number = number_;
    req.operatorCode = s.code;
    req.office = s.office;
    req.movement = movement_;
    req.notes = notes_->toPlainText();
    req.department = s.department;
    for (const Recipient &r : rows)
        req.recipients.append({r.office, r.member, r.modifiable == QLatin1String("S"), r.type, r.assignedAt});
    req.deadline = deadline_->text();
    req.protocolOffice = s.department == s.protocolDepartment;

    const CallOutcome out = callIterServer(kOpAssegnazione, assignmentRequest(req));
    if (!out.ok()) {
        reportFailure(out, kCaption, QStringLiteral("Server Ole, Errore in Registrazione Spedizione Documenti "),
                      QStringLiteral("Contattare Supporto sistemistico. Si è verificato un errore nella "
                                     "trasmissione del documento."),
                      QStringLiteral("assign"), objectName());
        return;
    }
    QVector<Recipient> remembered = rows;
    for (Recipient &r : remembered) {
        r.modifiable = QStringLiteral("S");
        r.assignedAt.clear();
    }
    lastRows() = remembered;
    const QStringList keys = movementKeys(out.reply);
    showBox(kCaption, QStringLiteral("Operazione effettuata con successo"), Icon::Information);
    dirty()->setClean();
    emit assigned(keys.value(0));
    closeWindow();
}

} // namespace nimbo::iter
