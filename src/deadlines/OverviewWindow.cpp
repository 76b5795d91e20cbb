#include "deadlines/OverviewWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "deadlines/OverviewRules.h"
#include "iter/TrayIterRules.h"
#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "search/FrmFiltroRProtRules.h"
#include "search/ProtocolDetail.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/SearchKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {

using namespace overview;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString caption() { return QString::fromLatin1(kCaption); }

QComboBox *combo(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(16);
    return c;
}

// Items "code - description" carrying the code, after the dashes that mean all.
void fillCombo(QComboBox *c, const QString &sql)
{
    ui::fillCodeCombo(c, QString::fromLatin1(search::filter::kNone), sql);
}

} // namespace

FrmScadPratiche::FrmScadPratiche(QWidget *parent) : ChildWindow(parent), rowLimit_(kRowLimit)
{
    setObjectName(QStringLiteral("FrmScadPratiche"));
    setWindowTitle(caption());
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    pages_ = new QStackedWidget(this);
    v->addWidget(pages_);

    listPage_ = new QWidget(pages_);
    listPage_->setObjectName(QStringLiteral("FraRicerca"));
    auto *lv = new QVBoxLayout(listPage_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(4);
    lv->addWidget(buildCriteria(listPage_));
    count_ = new QLabel(listPage_);
    count_->setObjectName(QStringLiteral("LblConteggio"));
    cut_ = new QLabel(listPage_);
    cut_->setObjectName(QStringLiteral("LblLimite"));
    cut_->setWordWrap(true);
    cut_->setVisible(false);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), listPage_);
    list_->setColumns(iter::officeWords(QString::fromUtf8(kListTitles)), QString::fromLatin1(kListWidths));
    list_->setFitToWidth(true);
    sheetButton_ = new QPushButton(QStringLiteral("Esporta in Excel"), listPage_);
    sheetButton_->setObjectName(QStringLiteral("cmdExcel"));
    calendarButton_ = new QPushButton(QStringLiteral("Esporta calendario"), listPage_);
    calendarButton_->setObjectName(QStringLiteral("cmdCalendario"));
    auto *foot = new QHBoxLayout;
    foot->addWidget(count_);
    foot->addWidget(cut_, 1);
    foot->addWidget(sheetButton_);
    foot->addWidget(calendarButton_);
    lv->addWidget(list_, 1);
    lv->addLayout(foot);
    pages_->addWidget(listPage_);

    detailPage_ = buildDetailPage();
    pages_->addWidget(detailPage_);
    othersPage_ = buildOthersPage();
    pages_->addWidget(othersPage_);

    // A row opens on a double click or Enter: a single click only selects
    // it, so the clerk can look along the list without leaving it.
    disconnect(list_->view(), SIGNAL(clicked(QModelIndex)), list_, nullptr);
    connect(list_, &ui::RowList::chosen, this, [this](int row) { openRow(row); });
    connect(sheetButton_, &QPushButton::clicked, this, [this] { exportSheet(); });
    connect(calendarButton_, &QPushButton::clicked, this, [this] { exportCalendar(); });

    fillDepartments();
    listToolbar();
}

QSize FrmScadPratiche::sizeHint() const { return QSize(1000, 680).expandedTo(minimumSizeHint()); }

QWidget *FrmScadPratiche::buildCriteria(QWidget *page)
{
    auto *g = new ui::FormGroup(QStringLiteral("Ricerca Pratiche"), page);
    optDue_ = new QRadioButton(QStringLiteral("In scadenza nei prossimi "), g);
    optDue_->setObjectName(QStringLiteral("OptinScad"));
    optOverdue_ = new QRadioButton(QStringLiteral("Non ancora evase alla scadenza"), g);
    optOverdue_->setObjectName(QStringLiteral("OptScadute"));
    days_ = new QComboBox(g);
    days_->setObjectName(QStringLiteral("cmbGG"));
    for (const char *d : iter::kDayChoices)
        days_->addItem(QString::fromLatin1(d), QString::fromLatin1(d).toInt());
    days_->setCurrentIndex(1);
    // Choosing a number of days means the first search.
    connect(days_, &QComboBox::activated, this, [this] { optDue_->setChecked(true); });
    g->addRow(QStringLiteral("Pratiche"), {optDue_, days_, "giorni", optOverdue_});

    correspondent_ = new QLineEdit(g);
    correspondent_->setObjectName(QStringLiteral("txtRicMittDest"));
    correspondent_->setMaxLength(100);
    subject_ = new QLineEdit(g);
    subject_->setObjectName(QStringLiteral("txtRicOggetto"));
    subject_->setMaxLength(100);
    g->addRow(QStringLiteral("Mittente/Destinatario"), {{correspondent_, 1}, "Oggetto", {subject_, 1}});

    department_ = combo(g, "cmbDipartimento");
    office_ = combo(g, "cmbUfficio");
    const bool units = DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104");
    g->addRow(QStringLiteral("Dipartimento"),
              {{department_, 1}, units ? QString::fromUtf8("Unità Operativa") : QStringLiteral("Ufficio"), {office_, 1}});
    connect(department_, &QComboBox::currentIndexChanged, this, [this] { fillOffices(); });
    for (QLineEdit *e : {correspondent_, subject_})
        connect(e, &QLineEdit::returnPressed, this, [this] { search(); });
    return g;
}

void FrmScadPratiche::fillDepartments()
{
    fillCombo(department_, search::filter::departmentsQuery(protocol::Viewer::fromSession()));
    fillOffices();
}

void FrmScadPratiche::fillOffices()
{
    const QString department = department_->currentData().toString();
    fillCombo(office_, department.isEmpty()
                           ? QString()
                           : search::filter::officesQuery(protocol::Viewer::fromSession(), department));
}

void FrmScadPratiche::listToolbar()
{
    setToolbarKeys(list_->count() > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
    sheetButton_->setEnabled(list_->count() > 0);
    calendarButton_->setEnabled(list_->count() > 0);
}

bool FrmScadPratiche::search()
{
    DeadlineCriteria c;
    c.kind = optDue_->isChecked()       ? DeadlineCriteria::Kind::DueWithin
             : optOverdue_->isChecked() ? DeadlineCriteria::Kind::Overdue
                                        : DeadlineCriteria::Kind::None;
    c.days = days_->currentData().toInt();
    c.correspondent = correspondent_->text().trimmed();
    c.subject = subject_->text().trimmed();
    c.department = department_->currentData().toString();
    c.office = c.department.isEmpty() ? QString() : office_->currentData().toString();
    c.limit = rowLimit_;
    if (const auto problem = checkCriteria(c)) {
        showBox(caption(), *problem, Icon::Warning);
        return false;
    }
    const protocol::Viewer v = protocol::Viewer::fromSession();
    busy::Guard guard;
    const F::LoadedRows r = F::loadRows(kDb, deadlineListQuery(c, v));
    if (r.failed()) {
        GECentr::writeLog(r.message, QStringLiteral("search"), objectName());
        return false;
    }
    rows_ = deadlineRows(r, v);
    // The statement reads one row past the limit only to tell a cut list.
    const bool cut = rows_.size() > rowLimit_;
    if (cut)
        rows_.resize(rowLimit_);
    fillMissingAddresses();
    const QDateTime now = F::serverTime();
    today_ = now.isValid() ? now.date() : QDate::currentDate();
    searched_ = c;
    current_ = -1;
    list_->setRows(listRows(rows_));
    count_->setText(countText(list_->count()));
    cut_->setText(cut ? cutText(rowLimit_) : QString());
    cut_->setVisible(cut);
    listToolbar();
    if (rows_.isEmpty())
        ui::tellNothingFound(this, QStringLiteral("Nessuna pratica trovata"));
    return true;
}

void FrmScadPratiche::fillMissingAddresses()
{
    // Addresses read apart, for rows the deadline statement left without one.
    QStringList ids;
    for (const DeadlineRow &r : rows_)
        if (r.address.isEmpty() && !r.correspondentId.isEmpty() && !ids.contains(r.correspondentId))
            ids << r.correspondentId;
    if (ids.isEmpty())
        return;
    const F::LoadedRows a = F::loadRows(kDb, addressesQuery(DicAmbiente::session().op.ente, ids));
    QHash<QString, QString> byId;
    for (int i = 0; i < a.rowCount(); ++i) {
        const auto txt = [&](int c) { return a.value(c, i).toString().trimmed(); };
        byId.insert(QString::number(txt(0).toLongLong()), addressText(txt(1), txt(2), txt(3), txt(4)));
    }
    for (DeadlineRow &r : rows_)
        if (r.address.isEmpty())
            r.address = byId.value(QString::number(r.correspondentId.toLongLong()));
}

QVector<DeadlineRow> FrmScadPratiche::shownRows() const
{
    QVector<DeadlineRow> out;
    const QAbstractItemModel *shown = list_->view()->model();
    for (int r = 0; r < shown->rowCount(); ++r) {
        const int at = list_->proxy()->mapToSource(shown->index(r, 0)).row();
        const int index = list_->value(at, ColIndex).toInt();
        if (index >= 0 && index < rows_.size())
            out.append(rows_.at(index));
    }
    return out;
}

const DeadlineRow *FrmScadPratiche::current() const
{
    return current_ >= 0 && current_ < rows_.size() ? &rows_.at(current_) : nullptr;
}

bool FrmScadPratiche::detailShown() const { return pages_->currentWidget() == detailPage_; }
bool FrmScadPratiche::otherDocumentsShown() const { return pages_->currentWidget() == othersPage_; }

bool FrmScadPratiche::openRow(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    const int index = list_->value(row, ColIndex).toInt();
    if (index < 0 || index >= rows_.size())
        return false;
    const DeadlineRow &r = rows_.at(index);
    // The detail tells the operator why a protocol cannot be shown.
    if (!detail_->load(r.direction, r.number, protocol::Viewer::fromSession()))
        return false;
    current_ = index;
    showAssignment(r);
    // The list follows, so that leaving the detail shows where it was.
    const QModelIndex at = list_->proxy()->mapFromSource(list_->model()->index(row, ColNumber));
    list_->view()->setCurrentIndex(at);
    list_->view()->scrollTo(at);
    pages_->setCurrentWidget(detailPage_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    return true;
}

void FrmScadPratiche::step(int delta)
{
    if (const int row = ui::stepRow(list_, delta, caption()); row >= 0)
        openRow(row);
}

void FrmScadPratiche::back()
{
    if (otherDocumentsShown()) {
        pages_->setCurrentWidget(detailPage_);
        setToolbarKeys(QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
        return;
    }
    pages_->setCurrentWidget(listPage_);
    listToolbar();
    list_->view()->setFocus();
}

void FrmScadPratiche::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("STAMPA"))
        print();
    else if (key == QLatin1String("ANNULLA"))
        back();
    else if (key == QLatin1String("PRECEDENTE"))
        step(-1);
    else if (key == QLatin1String("SUCCESSIVO"))
        step(1);
}

} // namespace nimbo::deadlines
