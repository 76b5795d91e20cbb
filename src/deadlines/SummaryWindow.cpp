#include "deadlines/SummaryWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "data/C_GestDB.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/ReportEngine.h"
#include "protocol/ProtocolSearch.h"
#include "search/ProtocolDetail.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {

namespace {

const QString kCaption = QStringLiteral("Ricerca in iter documento");
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kTemplate = QStringLiteral("RiepilogoIter.rpt");
const QString kAny = QStringLiteral("------");
// The name of a chosen item, for the heading of the print.
constexpr int kNameRole = Qt::UserRole + 1;

QComboBox *combo(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(18);
    return c;
}

QLineEdit *field(QWidget *parent, const char *name, int length)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(length);
    return e;
}

void onlyAny(QComboBox *c)
{
    c->clear();
    c->addItem(kAny, QString());
}

// The dashes, then one item a row: the code (column 0) as data, shown as
// "code - name" with the name the other columns give.
void fill(QComboBox *c, const QString &sql, int nameColumns)
{
    onlyAny(c);
    const F::LoadedRows rows = F::loadRows(kDb, sql);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        QStringList name;
        for (int col = 1; col <= nameColumns; ++col)
            name << rows.value(col, r).toString().trimmed();
        const QString shown = name.join(QLatin1Char(' ')).trimmed();
        c->addItem(code + QStringLiteral(" - ") + shown, code);
        c->setItemData(c->count() - 1, shown, kNameRole);
    }
}

QString chosen(const QComboBox *c) { return c->currentData().toString(); }
QString chosenName(const QComboBox *c) { return c->currentIndex() > 0 ? c->currentData(kNameRole).toString() : QString(); }

// A date typed but not whole.
bool badDate(const ui::DateField *f) { return !f->text().trimmed().isEmpty() && !f->date().isValid(); }

} // namespace

FrmRiepiloghiIter::FrmRiepiloghiIter(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmRiepiloghiIter"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    pages_ = new QStackedWidget(this);
    v->addWidget(pages_);

    listPage_ = new QWidget(pages_);
    listPage_->setObjectName(QStringLiteral("FraRicerca"));
    auto *lv = new QVBoxLayout(listPage_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(4);
    buildCriteria(listPage_);
    count_ = new QLabel(listPage_);
    count_->setObjectName(QStringLiteral("LblConteggio"));
    lv->addWidget(count_);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), listPage_);
    list_->setColumns(QString::fromUtf8(summary::kTitles), QString::fromLatin1(summary::kWidths));
    list_->setFitToWidth(true);
    lv->addWidget(list_, 1);
    pages_->addWidget(listPage_);

    detail_ = new search::ProtocolDetail(
        QString::fromUtf8("Documento Riservato. L'utente non ha le autorizzazioni necessarie per visualizzarlo"),
        QStringLiteral("FRMRIEPILOGHIITER"), pages_);
    pages_->addWidget(detail_);

    // A single click only selects, so the clerk can look along the list.
    disconnect(list_->view(), SIGNAL(clicked(QModelIndex)), list_, nullptr);
    connect(list_, &ui::RowList::chosen, this, [this](int row) { openRow(row); });
    setToolbarKeys(QStringLiteral("ESCI;CERCA;STAMPA"));
}

QSize FrmRiepiloghiIter::sizeHint() const { return QSize(1000, 680).expandedTo(minimumSizeHint()); }

void FrmRiepiloghiIter::buildCriteria(QWidget *page)
{
    const QString ente = DicAmbiente::session().op.ente;
    const bool units = DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104");
    const QString officeCaption = units ? QString::fromUtf8("Unità Operativa") : QStringLiteral("Ufficio");

    auto *g = new ui::FormGroup(QStringLiteral("Parametri di Ricerca"), page);
    page->layout()->addWidget(g);
    incoming_ = new QCheckBox(QStringLiteral("Entrata"), g);
    incoming_->setObjectName(QStringLiteral("EntrataChk"));
    outgoing_ = new QCheckBox(QStringLiteral("Uscita"), g);
    outgoing_->setObjectName(QStringLiteral("UscitaChk"));
    incoming_->setChecked(true);
    outgoing_->setChecked(true);
    from_ = new ui::DateField(g);
    from_->setObjectName(QStringLiteral("DataDaTxt"));
    to_ = new ui::DateField(g);
    to_->setObjectName(QStringLiteral("DataATxt"));
    limit_ = new QComboBox(g);
    limit_->setObjectName(QStringLiteral("NumRisultatiCmb"));
    for (int n : summary::limits())
        limit_->addItem(QString::number(n), n);
    g->addRow(QStringLiteral("Protocolli in"),
              {incoming_, outgoing_, "Data: da", from_, "a", to_, "Risultati", limit_});
    subject_ = field(g, "OggettoTxt", 100);
    g->addRow(QStringLiteral("Oggetto"), {{subject_, 1}});
    correspondent_ = field(g, "MittDestTxt", 100);
    g->addRow(QStringLiteral("Mitt/Dest"), {{correspondent_, 1}});

    // Sender and receiver side by side, each box wide enough for whole names.
    auto *sides = new QHBoxLayout;
    sides->setContentsMargins(0, 0, 0, 0);
    static_cast<QBoxLayout *>(page->layout())->addLayout(sides);
    auto *sender = new ui::FormGroup(QStringLiteral("Assegnante"), page);
    auto *receiver = new ui::FormGroup(QStringLiteral("Assegnatario"), page);
    sides->addWidget(sender, 1);
    sides->addWidget(receiver, 1);
    fromDepartment_ = combo(sender, "InviatoDaDipCmb");
    fromOffice_ = combo(sender, "InviatoDaUfficioCmb");
    fromOperator_ = combo(sender, "InviatoDaComponenteCmb");
    sender->addRow(QStringLiteral("Dipartimento"), {{fromDepartment_, 1}});
    sender->addRow(officeCaption, {{fromOffice_, 1}});
    sender->addRow(QStringLiteral("Componente"), {{fromOperator_, 1}});
    toDepartment_ = combo(receiver, "InviatoADipCmb");
    toOffice_ = combo(receiver, "InviatoAUfficioCmb");
    toMember_ = combo(receiver, "InviatoAComponenteCmb");
    receiver->addRow(QStringLiteral("Dipartimento"), {{toDepartment_, 1}});
    receiver->addRow(officeCaption, {{toOffice_, 1}});
    receiver->addRow(QStringLiteral("Componente"), {{toMember_, 1}});

    fill(fromDepartment_, summary::departmentsQuery(ente), 1);
    fill(toDepartment_, summary::departmentsQuery(ente), 1);
    fillOffices(fromDepartment_, fromOffice_);
    fillOffices(toDepartment_, toOffice_);
    fillSenders();
    fillMembers();
    connect(fromDepartment_, &QComboBox::currentIndexChanged, this, [this] {
        fillOffices(fromDepartment_, fromOffice_);
        fillSenders();
    });
    connect(fromOffice_, &QComboBox::currentIndexChanged, this, [this] { fillSenders(); });
    connect(toDepartment_, &QComboBox::currentIndexChanged, this, [this] {
        fillOffices(toDepartment_, toOffice_);
        fillMembers();
    });
    connect(toOffice_, &QComboBox::currentIndexChanged, this, [this] { fillMembers(); });
    for (QLineEdit *e : {static_cast<QLineEdit *>(from_), static_cast<QLineEdit *>(to_), subject_, correspondent_})
        connect(e, &QLineEdit::returnPressed, this, [this] { search(); });
}

void FrmRiepiloghiIter::fillOffices(QComboBox *department, QComboBox *office)
{
    const QString code = chosen(department);
    const QSignalBlocker quiet(office);
    if (code.isEmpty())
        onlyAny(office);
    else
        fill(office, summary::officesQuery(DicAmbiente::session().op.ente, code), 1);
}

void FrmRiepiloghiIter::fillSenders()
{
    const QString department = chosen(fromDepartment_), office = chosen(fromOffice_);
    if (department.isEmpty() || office.isEmpty())
        onlyAny(fromOperator_);
    else
        fill(fromOperator_, summary::operatorsQuery(DicAmbiente::session().op.ente, department, office), 2);
}

void FrmRiepiloghiIter::fillMembers()
{
    // A member is only ever chosen among the members of the chosen office.
    const QString office = chosen(toOffice_);
    if (office.isEmpty())
        onlyAny(toMember_);
    else
        fill(toMember_, summary::membersQuery(DicAmbiente::session().op.ente, office, QDate::currentDate()), 1);
}

summary::Criteria FrmRiepiloghiIter::criteria() const
{
    summary::Criteria c;
    c.incoming = incoming_->isChecked();
    c.outgoing = outgoing_->isChecked();
    c.from = from_->date();
    c.to = to_->date();
    c.subject = subject_->text().trimmed();
    c.correspondent = correspondent_->text().trimmed();
    c.fromDepartment = chosen(fromDepartment_);
    c.fromOffice = chosen(fromOffice_);
    c.fromOperator = chosen(fromOperator_);
    c.toDepartment = chosen(toDepartment_);
    c.toOffice = chosen(toOffice_);
    if (toMember_->currentIndex() > 0)
        c.toMember = chosen(toMember_).toInt();
    c.limit = limit_->currentData().toInt();
    return c;
}

QString FrmRiepiloghiIter::headingText() const
{
    summary::HeadingParts h;
    h.from = from_->date().isValid() ? from_->date().toString(QStringLiteral("dd/MM/yyyy")) : QString();
    h.to = to_->date().isValid() ? to_->date().toString(QStringLiteral("dd/MM/yyyy")) : QString();
    h.fromDepartment = chosenName(fromDepartment_);
    h.fromOffice = chosenName(fromOffice_);
    h.fromMember = chosenName(fromOperator_);
    h.toDepartment = chosenName(toDepartment_);
    h.toOffice = chosenName(toOffice_);
    h.toMember = chosenName(toMember_);
    return summary::heading(h);
}

bool FrmRiepiloghiIter::search()
{
    for (ui::DateField *f : {from_, to_})
        if (badDate(f)) {
            showBox(kCaption, QStringLiteral("Inserire una data corretta"), Icon::Warning);
            f->setFocus();
            return false;
        }
    const summary::Criteria c = criteria();
    if (const QString problem = summary::criteriaProblem(c); !problem.isEmpty()) {
        showBox(kCaption, problem, Icon::Warning);
        to_->setFocus();
        return false;
    }
    busy::Guard guard;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    std::optional<int> member;
    if (v.level == 6) {
        bool failed = false;
        const auto row = F::loadRow(kDb, summary::memberQuery(v), &failed);
        if (failed)
            return false;
        if (row)
            member = row->value(0).toInt();
    }
    const F::LoadedRows rows = F::loadRows(kDb, summary::listQuery(c, v, member));
    if (rows.failed())
        return false;
    list_->setRows(summary::shownRows(rows, v));
    count_->setText(QStringLiteral("Sono stati trovati N. ") + QString::number(list_->count())
                    + QStringLiteral(" Protocolli"));
    if (list_->count() == 0)
        ui::tellNothingFound(this, QString::fromUtf8(protocol::kNoRowsText));
    return true;
}

bool FrmRiepiloghiIter::detailShown() const { return pages_->currentWidget() == detail_; }

bool FrmRiepiloghiIter::openRow(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    if (!detail_->load(list_->text(row, summary::ColDirectionCode), list_->text(row, summary::ColKey),
                       protocol::Viewer::fromSession()))
        return false;
    pages_->setCurrentWidget(detail_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA"));
    return true;
}

void FrmRiepiloghiIter::backToList()
{
    pages_->setCurrentWidget(listPage_);
    setToolbarKeys(QStringLiteral("ESCI;CERCA;STAMPA"));
    list_->view()->setFocus();
}

bool FrmRiepiloghiIter::print()
{
    if (list_->count() == 0) {
        showBox(kCaption, QStringLiteral("Nessun documento da stampare: eseguire prima la ricerca."), Icon::Information);
        return false;
    }
    // The rows as the list shows them: its order, reserved texts masked.
    const QAbstractItemModel *shown = list_->view()->model();
    QVector<ReportRow> rows;
    for (int r = 0; r < shown->rowCount(); ++r) {
        ReportRow line;
        for (int col = summary::ColDirection; col <= summary::ColCorrespondent; ++col)
            line << shown->index(r, col).data().toString();
        rows << line;
    }
    QString why;
    const QSqlDatabase local = C_GestDB::localDatabase().sql();
    if (!replaceReportRows(local, rows, &why)) {
        GECentr::writeLog(why, QStringLiteral("print"), objectName());
        showBox(kCaption, QStringLiteral("Contattare Esperto Procedura. Errore nella predisposizione del file di stampa."),
                Icon::Critical);
        return false;
    }
    const QStringList lines = headingText().split(QLatin1Char('\r'));
    const QStringList parts = lines.value(1).split(QLatin1Char('\t'));
    const auto target = ReportOutput::choose(lines.first(), QStringLiteral("RiepilogoIter.pdf"));
    if (!target)
        return false;
    ReportEngine engine(DicAmbiente::session().cfg.report);
    ReportRequest req;
    req.templateName = kTemplate;
    req.title = lines.first();
    req.values.insert(QStringLiteral("ente"), DicAmbiente::session().cfg.ausl.trimmed());
    req.values.insert(QStringLiteral("criteri1"), parts.value(0));
    req.values.insert(QStringLiteral("criteri2"), parts.value(1));
    busy::Guard guard;
    if (!engine.print(req, local, *target)) {
        showBox(kCaption, engine.lastErrorText(), Icon::Critical);
        return false;
    }
    return true;
}

void FrmRiepiloghiIter::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("STAMPA"))
        print();
    else if (key == QLatin1String("ANNULLA"))
        backToList();
}

} // namespace nimbo::deadlines
