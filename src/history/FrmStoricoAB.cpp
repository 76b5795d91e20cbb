#include "history/FrmStoricoAB.h"
#include "history/WindowParts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/SearchKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::history {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kCaption = QStringLiteral("Ricerca Storico Protocolli");
const QString kTitles = QStringLiteral("Tipo;Anno;Numero ;Data Protocollo;Oggetto;Mittente;Destinatario");
const QString kWidths = QStringLiteral("4;5;8;11;50;28;28");
constexpr int kLimits[] = {100, 150, 200, 300, 400, 500, 1000};

QLineEdit *textField(QWidget *parent, const char *name, int length)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(length);
    return e;
}

constexpr const char *kDetail[] = {"TxtDetAnnoNumero", "TxtDetTipo", "TxtDetDataLettera", "TxtDetNumeroMit",
                                   "TxtDetData",       "TxtDetMittente", "TxtDetOggetto", "TxtDetDestinatario",
                                   "TxtDetNote"};

} // namespace

FrmStoricoAB::FrmStoricoAB(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmStoricoAB"));
    setWindowTitle(kCaption);
    pages_ = new QStackedWidget(this);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->addWidget(pages_);

    searchPage_ = new QWidget(pages_);
    searchPage_->setObjectName(QStringLiteral("FraRicerca"));
    auto *sv = new QVBoxLayout(searchPage_);
    sv->setContentsMargins(0, 0, 0, 0);
    auto *g = new ui::FormGroup(QStringLiteral("Parametri di Ricerca"), searchPage_);
    year_ = textField(g, "TxtAnno", 4);
    year_->setFixedWidth(ui::fieldWidth(year_, 5));
    number_ = textField(g, "TxtNumero", 7);
    number_->setFixedWidth(ui::fieldWidth(number_, 8));
    limit_ = new QComboBox(g);
    limit_->setObjectName(QStringLiteral("Combo1"));
    for (int n : kLimits)
        limit_->addItem(QString::number(n), n);
    g->addRow(QStringLiteral("Anno"), {year_, QStringLiteral("Numero"), number_, QStringLiteral("Visualizza primi"),
                                       limit_, QStringLiteral("Protocolli")});
    operator_ = new QComboBox(g);
    operator_->setObjectName(QStringLiteral("cmbOperatori"));
    operator_->addItems({QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"), QStringLiteral(">="),
                         QStringLiteral("<=")});
    date_ = new ui::DateField(g);
    date_->setObjectName(QStringLiteral("DataProtocollo"));
    g->addRow(QStringLiteral("Confronto"), {operator_, QStringLiteral("Data Protocollo"), date_});
    sender_ = textField(g, "CodiceMit", 100);
    recipient_ = textField(g, "CodiceDest", 100);
    subject_ = textField(g, "Oggetto", 255);
    g->addRow(QStringLiteral("Mittente"), {ui::Cell(sender_, 1)});
    g->addRow(QStringLiteral("Destinatario"), {ui::Cell(recipient_, 1)});
    g->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    auto *dir = new QWidget(g);
    auto *dh = new QHBoxLayout(dir);
    dh->setContentsMargins(0, 0, 0, 0);
    incoming_ = new QRadioButton(QStringLiteral("Entrata"), dir);
    incoming_->setObjectName(QStringLiteral("OptTipoProtocollo_0"));
    outgoing_ = new QRadioButton(QStringLiteral("Uscita"), dir);
    outgoing_->setObjectName(QStringLiteral("OptTipoProtocollo_1"));
    both_ = new QRadioButton(QStringLiteral("Tutti"), dir);
    both_->setObjectName(QStringLiteral("OptTipoProtocollo_2"));
    both_->setChecked(true);
    auto *group = new QButtonGroup(dir);
    for (QRadioButton *b : {incoming_, outgoing_, both_}) {
        group->addButton(b);
        dh->addWidget(b);
    }
    dh->addStretch(1);
    g->addRow(QStringLiteral("Tipo protocollo"), {ui::Cell(dir, 1)});
    sv->addWidget(g);
    count_ = new QLabel(searchPage_);
    count_->setObjectName(QStringLiteral("LblConteggio"));
    sv->addWidget(count_);
    cut_ = new QLabel(searchPage_);
    cut_->setObjectName(QStringLiteral("LblLimite"));
    cut_->setVisible(false);
    sv->addWidget(cut_);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), searchPage_);
    list_->setColumns(kTitles, kWidths);
    list_->setFitToWidth(true);
    sv->addWidget(list_, 1);
    pages_->addWidget(searchPage_);

    detailPage_ = new QWidget(pages_);
    detailPage_->setObjectName(QStringLiteral("FraDettaglio"));
    auto *dv = new QVBoxLayout(detailPage_);
    dv->setContentsMargins(0, 0, 0, 0);
    auto *d = new ui::FormGroup(QStringLiteral("Protocollo"), detailPage_);
    for (const char *name : kDetail)
        detail_.insert(QLatin1String(name), ui::readOnlyField(d, name));
    const auto f = [this](const char *name) { return detail_.value(QLatin1String(name)); };
    for (const char *n : {"TxtDetAnnoNumero", "TxtDetTipo", "TxtDetDataLettera", "TxtDetData", "TxtDetNumeroMit"})
        f(n)->setFixedWidth(ui::fieldWidth(f(n), 14));
    d->addRow(QStringLiteral("Tipo"), {f("TxtDetTipo"), QStringLiteral("Anno/Numero"), f("TxtDetAnnoNumero"),
                                       QStringLiteral("Data Protocollo"), f("TxtDetData")});
    d->addRow(QStringLiteral("Mittente"), {ui::Cell(f("TxtDetMittente"), 1)});
    d->addRow(QStringLiteral("Destinatario"), {ui::Cell(f("TxtDetDestinatario"), 1)});
    d->addRow(QStringLiteral("Oggetto"), {ui::Cell(f("TxtDetOggetto"), 1)});
    d->addRow(QStringLiteral("Note"), {ui::Cell(f("TxtDetNote"), 1)});
    auto *ref = new ui::FormGroup(QStringLiteral("Riferimento documento mittente"), detailPage_);
    ref->addRow(QStringLiteral("Numero"), {f("TxtDetNumeroMit"), QStringLiteral("Data"), f("TxtDetDataLettera")});
    dv->addWidget(d);
    dv->addWidget(ref);
    dv->addStretch(1);
    pages_->addWidget(detailPage_);

    disconnect(list_->view(), SIGNAL(clicked(QModelIndex)), list_, nullptr);
    connect(list_, &ui::RowList::chosen, this, [this](int row) { openRow(row); });
    setToolbarKeys(QStringLiteral("ESCI;CERCA"));
}

QSize FrmStoricoAB::sizeHint() const { return QSize(980, 640).expandedTo(minimumSizeHint()); }

AbCriteria FrmStoricoAB::criteria() const
{
    AbCriteria c;
    c.year = year_->text();
    c.number = number_->text();
    c.limit = limit_->currentData().toInt();
    c.date = date_->date();
    c.dateOperator = operator_->currentText();
    c.sender = sender_->text();
    c.recipient = recipient_->text();
    c.subject = subject_->text();
    c.direction = incoming_->isChecked() ? QStringLiteral("E") : outgoing_->isChecked() ? QStringLiteral("U") : QString();
    return c;
}

bool FrmStoricoAB::search()
{
    const AbCriteria c = criteria();
    if (refused(this, kCaption, checkAb(c)))
        return false;
    F::LoadedRows rows;
    {
        busy::Guard guard;
        rows = F::loadRows(kDb, abListQuery(c, DicAmbiente::session().op.ente));
    }
    if (rows.failed())
        return false;
    // One row past the limit only tells that there are more.
    const int shown = showFirst(list_, rows.columns, c.limit, count_, cut_);
    setToolbarKeys(shown > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
    return true;
}

bool FrmStoricoAB::openRow(int row)
{
    if (row < 0 || row >= list_->count())
        return false;
    const auto found = F::Caricadati(kDb, abDetailQuery(DicAmbiente::session().op.ente, list_->text(row, 1).trimmed(),
                                                        list_->text(row, 2).trimmed()));
    if (!found) {
        showBox(kCaption, QStringLiteral("Protocollo non trovato in archivio"), Icon::Warning);
        return false;
    }
    const auto shown = [&found](int i) { return F::displayValue(found->value(i)).trimmed(); };
    const auto set = [this](const char *name, const QString &text) {
        QLineEdit *e = detail_.value(QLatin1String(name));
        e->setText(text);
        e->setCursorPosition(0);
    };
    set("TxtDetAnnoNumero", shown(0) + QLatin1Char('/') + shown(1));
    set("TxtDetTipo", shown(2) == QLatin1String("E") ? QStringLiteral("Entrata")
                      : shown(2) == QLatin1String("U") ? QStringLiteral("Uscita")
                                                       : shown(2));
    set("TxtDetDataLettera", shown(3));
    set("TxtDetNumeroMit", shown(4));
    set("TxtDetData", shown(5));
    set("TxtDetMittente", shown(6));
    set("TxtDetOggetto", shown(7));
    set("TxtDetDestinatario", shown(8));
    set("TxtDetNote", shown(9));
    const QModelIndex at = list_->proxy()->mapFromSource(list_->model()->index(row, 0));
    list_->view()->setCurrentIndex(at);
    pages_->setCurrentWidget(detailPage_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    return true;
}

void FrmStoricoAB::step(int delta)
{
    const int row = ui::stepRow(list_, delta, kCaption);
    if (row >= 0)
        openRow(row);
}

void FrmStoricoAB::backToList()
{
    pages_->setCurrentWidget(searchPage_);
    setToolbarKeys(list_->count() > 0 ? QStringLiteral("ESCI;CERCA;STAMPA") : QStringLiteral("ESCI;CERCA"));
}

bool FrmStoricoAB::detailShown() const { return pages_->currentWidget() == detailPage_; }

bool FrmStoricoAB::print()
{
    return printList(kCaption, QStringLiteral("StoricoProtocolli.pdf"),
                     QStringLiteral("Stampa Elenco Documenti Protocollati\n") + count_->text(), list_,
                     {0, 1, 2, 3, 4, 5, 6}, kTitles.split(QLatin1Char(';')), {4, 5, 8, 11, 40, 25, 25});
}

void FrmStoricoAB::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA"))
        search();
    else if (key == QLatin1String("STAMPA"))
        print();
    else if (key == QLatin1String("ANNULLA"))
        backToList();
    else if (key == QLatin1String("PRECEDENTE"))
        step(-1);
    else if (key == QLatin1String("SUCCESSIVO"))
        step(1);
}

} // namespace nimbo::history
