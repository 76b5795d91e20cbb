#include "links/FrmCollega.h"
#include "links/LinkLists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Scope.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;
namespace L = nimbo::protocol::links;

namespace nimbo::links {

const QString FrmCollega::kCaption = QStringLiteral("Collega ulteriore protocollo");

FrmCollega::FrmCollega(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmCollega"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 2);
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("LblProtocollo"));
    QFont strong = heading_->font();
    strong.setBold(true);
    heading_->setFont(strong);
    v->addWidget(heading_);
    pick_ = new ui::PickList(this);

    auto *which = new ui::FormGroup(QStringLiteral("Ricerca del protocollo da collegare"), this);
    chkE_ = new QCheckBox(QStringLiteral("Entrata"), which);
    chkE_->setObjectName(QStringLiteral("ChkEntrata"));
    chkU_ = new QCheckBox(QStringLiteral("Uscita"), which);
    chkU_->setObjectName(QStringLiteral("ChkUscita"));
    chkE_->setChecked(true);
    chkU_->setChecked(true);
    which->addRow(QStringLiteral("Protocolli"), {chkE_, chkU_, QStringLiteral("Anno"), edit(which, "TxtAnno", 4),
                                                 QStringLiteral("Numero"), edit(which, "TxtNumero", 7),
                                                 ui::Cell(new QWidget(which), 1)});
    const auto dateRow = [&](const char *caption, const char *op, const char *date) {
        auto *d = new ui::DateField(which);
        d->setObjectName(QString::fromLatin1(date));
        which->addRow(QString::fromUtf8(caption), {comparison(which, op), d, ui::Cell(new QWidget(which), 1)});
        // The caption names the date; the comparison before it reads with it.
        const int row = which->grid()->rowCount() - 1;
        if (QLayoutItem *item = which->grid()->itemAtPosition(row, 0))
            if (auto *label = qobject_cast<QLabel *>(item->widget()))
                label->setBuddy(d);
    };
    dateRow("Data protocollo", "CmbOpProtocollo", "DataProtocollo");
    dateRow("Data registrazione", "CmbOpRegistrazione", "DataRegistrazione");
    dateRow("Data ricezione", "CmbOpRicezione", "DataRicezione");
    which->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(edit(which, "TxtMittDest"), 1)});
    docType_ = new QComboBox(which);
    docType_->setObjectName(QStringLiteral("CboTipoDoc"));
    docType_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    docType_->setMinimumContentsLength(24);
    docType_->addItem(QStringLiteral("Tutti i tipi"), QString());
    const F::LoadedRows types = F::loadRows(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento ORDER BY Tab_Descrizione"));
    for (int i = 0; types.ok && i < types.rowCount(); ++i) {
        const QString code = types.value(0, i).toString().trimmed();
        docType_->addItem(code + QStringLiteral(" - ") + types.value(1, i).toString().trimmed(), code);
    }
    which->addRow(QStringLiteral("Tipo documento"), {docType_, ui::Cell(new QWidget(which), 1)});
    which->addRow(QStringLiteral("Oggetto (contiene)"), {ui::Cell(edit(which, "TxtOggetto"), 1)});
    QLineEdit *dept = edit(which, "CodSedeRic");
    ui::makeCodeField(dept, 7, true);
    auto *deptName = new ui::DescriptionLabel(which);
    deptName->setObjectName(QStringLiteral("DescSedeRic"));
    which->addCodeRow(QStringLiteral("Dipartimento"), dept, deptName);
    QLineEdit *off = edit(which, "CodUfficio");
    ui::makeCodeField(off, 7, true);
    auto *offName = new ui::DescriptionLabel(which);
    offName->setObjectName(QStringLiteral("DescUfficio"));
    const bool unit = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    which->addCodeRow(QString::fromUtf8(unit ? "Unità Operativa" : "Ufficio"), off, offName);
    v->addWidget(which);
    // Protocols of closed departments and offices may still be linked.
    const auto ente = [] { return DicAmbiente::session().op.ente; };
    const auto all = [] { return false; };
    department_ = new ui::CodeLookup(dept, deptName, pick_, organisation::departmentFinder(ente, all), this);
    office_ = new ui::CodeLookup(off, offName, pick_,
                                 organisation::officeFinder(ente, [dept] { return dept->text().trimmed(); }, all), this);

    auto *run = new QHBoxLayout;
    auto *start = new QPushButton(QStringLiteral("Cerca"), this);
    start->setObjectName(QStringLiteral("CmdCerca"));
    found_ = new QLabel(this);
    found_->setObjectName(QStringLiteral("LblTrovati"));
    run->addWidget(start);
    run->addWidget(found_, 1);
    v->addLayout(run);

    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    setProtocolColumns(list_);
    v->addWidget(list_, 1);

    auto *buttons = new QHBoxLayout;
    auto *link = new QPushButton(QStringLiteral("Collega"), this);
    link->setObjectName(QStringLiteral("CmdCollega"));
    link->setToolTip(QStringLiteral("Collega il protocollo selezionato al protocollo in esame"));
    auto *docs = new QPushButton(QStringLiteral("Visualizza documento scannerizzato"), this);
    docs->setObjectName(QStringLiteral("CmdDocumenti"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    buttons->addWidget(link);
    buttons->addWidget(docs);
    buttons->addWidget(status_, 1);
    v->addLayout(buttons);

    connect(start, &QPushButton::clicked, this, &FrmCollega::search);
    connect(link, &QPushButton::clicked, this, &FrmCollega::linkChosen);
    connect(docs, &QPushButton::clicked, this, &FrmCollega::viewDocuments);
    setToolbarKeys(QStringLiteral("ESCI;CERCA"));
}

QLineEdit *FrmCollega::edit(QWidget *parent, const char *name, int chars)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (chars > 0) {
        e->setMaxLength(chars);
        e->setFixedWidth(ui::fieldWidth(e, chars));
    }
    return e;
}

QComboBox *FrmCollega::comparison(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems({QStringLiteral("="), QStringLiteral(">="), QStringLiteral("<=")});
    return c;
}

QLineEdit *FrmCollega::field(const char *name) const { return findChild<QLineEdit *>(QString::fromLatin1(name)); }

QSize FrmCollega::sizeHint() const { return QSize(980, 620).expandedTo(minimumSizeHint()); }

QString FrmCollega::statusText() const { return status_->text(); }

void FrmCollega::setProtocol(const QString &direction, const QString &number)
{
    protocol_ = {direction.trimmed(), storedNumber(number)};
    heading_->setText(QStringLiteral("Protocollo in esame: ") + direction.trimmed() + QStringLiteral(" - ")
                      + shownNumber(protocol_.number));
    list_->clear();
    found_->clear();
    status_->clear();
}

void FrmCollega::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("ESCI"))
        closeWindow();
}

L::Criteria FrmCollega::criteria() const
{
    L::Criteria c;
    c.incoming = chkE_->isChecked();
    c.outgoing = chkU_->isChecked();
    c.year = field("TxtAnno")->text();
    c.number = field("TxtNumero")->text();
    const auto op = [this](const char *name) { return findChild<QComboBox *>(QString::fromLatin1(name))->currentText(); };
    c.protocolOp = op("CmbOpProtocollo");
    c.protocolDate = field("DataProtocollo")->text();
    c.registrationOp = op("CmbOpRegistrazione");
    c.registrationDate = field("DataRegistrazione")->text();
    c.receptionOp = op("CmbOpRicezione");
    c.receptionDate = field("DataRicezione")->text();
    c.correspondent = field("TxtMittDest")->text();
    c.docType = docType_->currentData().toString();
    c.subject = field("TxtOggetto")->text();
    c.department = field("CodSedeRic")->text();
    c.office = field("CodUfficio")->text();
    return c;
}

void FrmCollega::search()
{
    if (protocol_.number.isEmpty())
        return;
    const L::Criteria c = criteria();
    if (const QString why = L::checkCriteria(c); !why.isEmpty()) {
        showBox(kCaption, why, Icon::Warning);
        return;
    }
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), L::candidatesQuery(c, protocol_, viewer));
    list_->setRows(shownProtocols(rows, viewer));
    found_->setText(QStringLiteral("Sono stati trovati N. ") + QString::number(list_->count())
                    + QStringLiteral(" Protocolli"));
}

void FrmCollega::linkChosen()
{
    const int row = list_->currentRow();
    if (row < 0 || protocol_.number.isEmpty()) {
        showBox(kCaption, QStringLiteral("Per collegare un protocollo bisogna prima selezionarlo dall'elenco"),
                Icon::Warning);
        return;
    }
    status_->setText(QStringLiteral("REGISTRAZIONE Protocollo Collegato"));
    const L::Key other{list_->text(row, 0).trimmed(), list_->text(row, kKeyColumn).trimmed()};
    const L::Result r = L::link(DicAmbiente::session().op.ente, protocol_, other);
    if (!r.ok()) {
        status_->clear();
        showBox(kCaption, L::linkMessage(r), r.outcome == L::Outcome::Failed ? Icon::Critical : Icon::Warning);
        // A pair linked meanwhile by someone else leaves this list too.
        if (r.outcome == L::Outcome::Exists) {
            search();
            emit linked();
        }
        return;
    }
    status_->setText(QStringLiteral("Collegato il protocollo ") + other.direction + QStringLiteral(" - ")
                     + shownNumber(other.number));
    search();
    emit linked();
}

void FrmCollega::viewDocuments()
{
    const int row = documentsRow(
        list_, kCaption,
        QString::fromUtf8("Documento Riservato. L'utente non ha le abilitazioni necessarie per prenderne visione."));
    if (row >= 0)
        openDocuments(list_, row, QStringLiteral("FrmVisDocu1"));
}

} // namespace nimbo::links
