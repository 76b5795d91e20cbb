#include "desk/StartPage.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/Busy.h"
#include "session/DicAmbiente.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace nimbo::desk {

namespace {

enum Column { CNumber, CWhen, CSubject, CDirection, CKey, CCount };

struct Section {
    const char *title, *view, *when, *none, *window;
};
// The window each list leads to: the in-tray, where its documents are taken
// in charge; the others the protocol itself.
const Section kSections[4] = {
    {"Documenti in entrata", "lswDeskInEntrata", "Inviato il", "Nessun documento in attesa", "FrmInCarico"},
    {"Scadenze entro cinque giorni o scadute", "lswDeskScadenze", "Scadenza", "Nessuna scadenza",
     "FrmVaiProtocollo"},
    {"Registrati oggi dall'ufficio", "lswDeskOggi", "Ora", "Nessun protocollo registrato oggi", "FrmVaiProtocollo"},
    {"Ultimi protocolli aperti", "lswDeskRecenti", "Data", "Nessun protocollo aperto di recente",
     "FrmVaiProtocollo"},
};

Funzioni_Com_1::Columns columnsOf(const QVector<DeskRow> &rows)
{
    Funzioni_Com_1::Columns out(CCount);
    for (const DeskRow &r : rows) {
        out[CNumber].append(r.direction + QLatin1Char(' ') + shownNumber(r.number));
        out[CWhen].append(r.when);
        out[CSubject].append(r.subject);
        out[CDirection].append(r.direction);
        out[CKey].append(r.number);
    }
    return out;
}

} // namespace

StartPage::StartPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaginaIniziale"));
    setAutoFillBackground(true);
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("lblDeskTitolo"));
    QFont big = heading_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    heading_->setFont(big);

    auto *grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        const Section &s = kSections[i];
        auto *box = new QGroupBox(QString::fromUtf8(s.title), this);
        box->setObjectName(QLatin1String(s.view) + QStringLiteral("Box"));
        lists_[i] = new ui::RowList(QLatin1String(s.view), box);
        lists_[i]->setColumns(QStringLiteral("Protocollo;") + QLatin1String(s.when) + QStringLiteral(";Oggetto;Tipo;Numero"),
                              QStringLiteral("14;11;30;0;0"));
        lists_[i]->setFitToWidth(true);
        lists_[i]->filterBox()->hide();
        lists_[i]->view()->setToolTip(QStringLiteral("Un clic apre il protocollo"));
        empty_[i] = new QLabel(QString::fromUtf8(s.none), box);
        empty_[i]->setObjectName(QLatin1String(s.view) + QStringLiteral("Vuoto"));
        auto *inside = new QVBoxLayout(box);
        inside->addWidget(lists_[i], 1);
        inside->addWidget(empty_[i]);
        grid->addWidget(box, i / 2, i % 2);
        connect(lists_[i], &ui::RowList::chosen, this, [this, i](int row) { open(i, row); });
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addLayout(grid, 1);
}

void StartPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The main window coming back to the foreground reads the lists again.
    if (QWidget *top = window(); top && top != watched_) {
        if (watched_)
            watched_->removeEventFilter(this);
        watched_ = top;
        top->installEventFilter(this);
    }
    refresh();
}

bool StartPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == watched_ && event->type() == QEvent::WindowActivate && isVisible())
        refresh();
    return QWidget::eventFilter(watched, event);
}

void StartPage::refresh()
{
    const auto &s = DicAmbiente::session();
    if (s.emergency || s.op.code.isEmpty())
        return;
    ++refreshes_;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    DeskLists lists;
    {
        busy::Guard guard;
        lists = readDesk(v);
    }
    heading_->setText(QStringLiteral("Scrivania di ") + s.op.code + QStringLiteral(" - Ufficio ") + s.op.office);
    const QVector<DeskRow> *rows[4] = {&lists.tray, &lists.deadlines, &lists.today, &lists.recent};
    for (int i = 0; i < 4; ++i) {
        lists_[i]->setRows(columnsOf(*rows[i]));
        empty_[i]->setVisible(rows[i]->isEmpty());
    }
}

void StartPage::open(int list, int row)
{
    if (row < 0)
        return;
    const QString direction = lists_[list]->text(row, CDirection), number = lists_[list]->text(row, CKey);
    QWidget *w = WindowRegistry::open(QLatin1String(kSections[list].window));
    if (w && list >= 1)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
}

} // namespace nimbo::desk
