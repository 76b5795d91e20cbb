#include "iter/SendRecipients.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

QString captionOf(SendKind kind)
{
    return QString::fromUtf8(kind == SendKind::Assignment ? kAssignCaption : kTransmitCaption);
}

} // namespace

RecipientEditor::RecipientEditor(SendKind kind, QWidget *parent) : QWidget(parent), kind_(kind)
{
    setObjectName(QStringLiteral("FraDestinatari"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);

    const bool unit = Sender::fromSession().bodyCode == QLatin1String("104");
    auto *g = new ui::FormGroup(QStringLiteral("Destinatario"), this);
    dip_ = new QComboBox(g);
    dip_->setObjectName(QStringLiteral("CboDip"));
    uff_ = new QComboBox(g);
    uff_->setObjectName(QStringLiteral("cboUff"));
    comp_ = new QComboBox(g);
    comp_->setObjectName(QStringLiteral("CboComp"));
    for (QComboBox *c : {dip_, uff_, comp_}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(28);
    }
    competence_ = new QRadioButton(QStringLiteral("Competenza"), g);
    competence_->setObjectName(QStringLiteral("OptCompetenza"));
    copy_ = new QRadioButton(QStringLiteral("Copia Conoscenza"), g);
    copy_->setObjectName(QStringLiteral("OptCopiaConoscenza"));
    add_ = new QPushButton(QStringLiteral("Aggiungi"), g);
    add_->setObjectName(QStringLiteral("CmdAggiungi"));
    remove_ = new QPushButton(QStringLiteral("Cancella"), g);
    remove_->setObjectName(QStringLiteral("CmdCancella"));

    g->addRow(QStringLiteral("Dipartimento"), {{dip_, 1}, unit ? "Unità Operativa" : "Ufficio", {uff_, 1}});
    g->addRow(QStringLiteral("Componente"), {{comp_, 1},
                                             kind == SendKind::Assignment ? "Assegnato all'ufficio per:"
                                                                          : "Trasmesso all'ufficio per:",
                                             competence_, copy_, add_, remove_});

    list_ = new ui::RowList(QStringLiteral("Lwdestinatari"), this);
    if (kind == SendKind::Assignment)
        list_->setColumns(QStringLiteral("Sel.;coddip;Dipartimento;Coduff;Ufficio;CodComp;Componente;Modificabile;"
                                         "CodTipo;Tipo Assegnazione;Data Assegnazione"),
                          QStringLiteral("5;0;22;0;22;0;16;0;0;18;17"));
    else
        list_->setColumns(QStringLiteral("Sel.;coddip;Dipartimento;Coduff;Ufficio;CodComp;Componente;TipoTrasm;"
                                         "Tipo Trasmiss."),
                          QStringLiteral("5;0;24;0;24;0;18;0;16"));
    list_->model()->setCheckable(true);
    v->addWidget(g);
    v->addWidget(list_, 1);

    connect(dip_, &QComboBox::currentIndexChanged, this, &RecipientEditor::fillOffices);
    connect(uff_, &QComboBox::currentIndexChanged, this, &RecipientEditor::fillMembers);
    connect(add_, &QPushButton::clicked, this, &RecipientEditor::addChosen);
    connect(remove_, &QPushButton::clicked, this, &RecipientEditor::removeTicked);
    connect(list_->view(), &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        switchRow(list_->proxy()->mapToSource(i).row());
    });
    reset();
}

void RecipientEditor::reset()
{
    fillDepartments();
    refresh();
}

void RecipientEditor::fillDepartments()
{
    organisation::fillPicker(dip_, organisation::openDepartments(Sender::fromSession().ente));
    fillOffices();
}

void RecipientEditor::fillOffices()
{
    const QString dip = organisation::pickedCode(dip_);
    if (dip.isEmpty()) {
        uff_->clear();
    } else {
        organisation::fillPicker(uff_, organisation::openOffices(Sender::fromSession().ente, dip));
    }
    fillMembers();
}

void RecipientEditor::fillMembers()
{
    const Sender s = Sender::fromSession();
    comp_->blockSignals(true);
    comp_->clear();
    comp_->addItem(noMemberItem(s.bodyCode), 0);
    const QString office = organisation::pickedCode(uff_);
    if (!office.isEmpty()) {
        const auto rows = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                      membersQuery(s.ente, office, kind_, s.code,
                                                   QDate::currentDate().toString(Qt::ISODate)));
        for (int r = 0; r < rows.rowCount(); ++r) {
            const int n = rows.value(0, r).toInt();
            comp_->addItem(QString::number(n) + QStringLiteral(" - ") + rows.value(1, r).toString().trimmed(), n);
        }
    }
    comp_->setCurrentIndex(0);
    comp_->blockSignals(false);
}

int RecipientEditor::chosenType() const { return competence_->isChecked() ? 1 : copy_->isChecked() ? 2 : 0; }

Choice RecipientEditor::choice() const
{
    Choice c;
    c.department = organisation::pickedCode(dip_);
    c.departmentName = organisation::pickedName(dip_);
    c.office = organisation::pickedCode(uff_);
    c.officeName = organisation::pickedName(uff_);
    c.member = comp_->currentIndex() < 0 ? 0 : comp_->currentData().toInt();
    const QString item = comp_->currentText();
    const int dash = item.indexOf(QStringLiteral(" - "));
    c.memberName = c.member == 0 || dash < 0 ? QString() : item.mid(dash + 3);
    c.type = chosenType();
    return c;
}

void RecipientEditor::addChosen()
{
    const Choice c = choice();
    if (const auto failure = checkAdd(c, rows_, Sender::fromSession(), kind_)) {
        showBox(captionOf(kind_), *failure, Icon::Warning);
        return;
    }
    rows_ << recipientFrom(c);
    refresh();
    emit changed();
}

void RecipientEditor::removeTicked()
{
    QVector<bool> ticked;
    for (int r = 0; r < rows_.size(); ++r)
        ticked << list_->model()->isChecked(r);
    const int kept = iter::removeTicked(rows_, ticked);
    refresh();
    emit changed();
    if (kept > 0)
        showBox(captionOf(kind_), keptText(kept), Icon::Information);
}

void RecipientEditor::switchRow(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    Recipient &r = rows_[row];
    // A recipient who already took the document in charge keeps his type.
    if (r.modifiable != QLatin1String("S"))
        return;
    if (showBox(captionOf(kind_), switchQuestion(r.officeName, kind_), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return;
    iter::switchType(r);
    refresh();
    emit changed();
}

void RecipientEditor::setRows(const QVector<Recipient> &rows)
{
    rows_ = rows;
    refresh();
    emit changed();
}

void RecipientEditor::addRows(const QVector<Recipient> &rows)
{
    for (const Recipient &n : rows) {
        bool present = false;
        for (const Recipient &r : std::as_const(rows_))
            present = present || (r.department == n.department && r.office == n.office && r.member == n.member);
        if (!present)
            rows_ << n;
    }
    refresh();
    emit changed();
}

void RecipientEditor::refresh()
{
    F::Columns cols(kind_ == SendKind::Assignment ? 11 : 9);
    for (const Recipient &r : std::as_const(rows_)) {
        QVariantList values{QString(), r.department, r.departmentName, r.office, r.officeName,
                            QString::number(r.member), r.memberName};
        if (kind_ == SendKind::Assignment)
            values << r.modifiable << QString::number(r.type) << typeCaption(r.type) << r.assignedAt;
        else
            values << QString::number(r.type) << typeCaption(r.type);
        for (int c = 0; c < values.size(); ++c)
            cols[c].append(values[c]);
    }
    list_->setRows(cols);
}

} // namespace nimbo::iter
