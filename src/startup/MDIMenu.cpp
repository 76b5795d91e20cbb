#include "startup/MDIMenu.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMetaMethod>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "schema/FunctionTable.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/FunctionRights.h"
#include "startup/Notices.h"
#include "ui/ChildWindow.h"
#include "ui/Appearance.h"
#include "ui/Desktop.h"
#include "ui/Keyboard.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
// Property of a child: the registered name it was opened with.
constexpr const char *kOpenedAs = "openedAs";
// The first run opens at this size where the screen has room for it.
constexpr QSize kFirstSize(1024, 768);

// Menu item -> window it opens, and the mode given to it.
struct Target {
    const char *window;
    const char *mode;
};

const QHash<QString, Target> &targets()
{
    static const QHash<QString, Target> map{
        {QStringLiteral("mnugestioneMD"), {"FrmRubrica", ""}},
        {QStringLiteral("MnuGruppi"), {"FrmGruppiRubrica", ""}},
        {QStringLiteral("mnuProtDoc"), {"FrmProtocollo", ""}},
        {QStringLiteral("mnuProtDocEmerg"), {"frmProtocolloEme", ""}},
        {QStringLiteral("mnuProtEml"), {"FrmProtEmail", ""}},
        {QStringLiteral("mnuiter"), {"FrmGestIter", ""}},
        {QStringLiteral("mnucollegprovv"), {"FrmRicercaProt", ""}},
        {QStringLiteral("mnuassdefprot"), {"FrmRecuperaEmeT", ""}},
        {QStringLiteral("MnuCartaceo"), {"FrmProtoManuale", ""}},
        {QStringLiteral("mnucancprot"), {"FrmCancProto", "CANCELLA"}},
        {QStringLiteral("NmuModifica"), {"FrmModifProto", "CANCELLA"}},
        {QStringLiteral("MnuRecuperaProto"), {"FrmRecuperaProto", ""}},
        {QStringLiteral("mnuricercaprot"), {"FrmFiltroRProt", ""}},
        {QStringLiteral("mnuSTAB"), {"FrmStoricoRProt", ""}},
        {QStringLiteral("mnustAL"), {"FrmStoricoAB", ""}},
        {QStringLiteral("mnuRG"), {"CreaTabMenu", ""}},
        {QStringLiteral("MnuConsulta"), {"FrmRiepFascicoli", ""}},
        {QStringLiteral("MnuRiepiloghiIter"), {"FrmRiepiloghiIter", ""}},
        {QStringLiteral("mnuricprotope"), {"FrmScadPratiche", ""}},
        {QStringLiteral("MnuStorico"), {"FrmStorico", ""}},
        {QStringLiteral("mnuriepemerg"), {"frmRicercaEmergenza", ""}},
        {QStringLiteral("mnuregprotgen"), {"FrmStampe", ""}},
        {QStringLiteral("mnuregprotgiorn"), {"frmStampaRegistro", ""}},
        {QStringLiteral("mnuRegGiornaliero"), {"frmRegistroGiornaliero", ""}},
        {QStringLiteral("mnuScadenzario"), {"FrmStampaScad", ""}},
        {QStringLiteral("mnuscadenze"), {"FrmScadenzario", ""}},
        {QStringLiteral("MnuOggetti"), {"FrmOggettiR", ""}},
        {QStringLiteral("mnuComuni"), {"FrmComuni", ""}},
        {QStringLiteral("mnucodici"), {"frmCodici", ""}},
        {QStringLiteral("mnucatcla"), {"FrmTitoli", ""}},
        {QStringLiteral("MnuScanner"), {"ScannerSource", ""}},
        {QStringLiteral("MnuCambia"), {"FrmCambiaDip", ""}},
        {QStringLiteral("MnuCemail"), {"FrmCambiaEmail", ""}},
        {QStringLiteral("MnuServOper"), {"FrmOperatoriNew", ""}},
        {QStringLiteral("MnuStoOpe"), {"frmStoricoOPE", ""}},
        {QStringLiteral("MnuLogAccessi"), {"FrmLogAccessi", ""}},
        {QStringLiteral("MnuPostazioni"), {"frmPostazioni", ""}},
        {QStringLiteral("mnudatiente"), {"FrmTreeStruttura", ""}},
        {QStringLiteral("mnuEnti"), {"frmEnti", ""}},
        {QStringLiteral("MnuRUffici"), {"FrmGruppiUffici", ""}},
        {QStringLiteral("MnuAggStrutture"), {"FrmAggStrutture", ""}},
        {QStringLiteral("MnuStoDipe"), {"frmDipStorico", ""}},
        {QStringLiteral("MnuStoUff"), {"frmUffStorico", ""}},
        {QStringLiteral("mnuregemerg"), {"frmAnaRegistriEme", ""}},
        {QStringLiteral("MnuSessioni"), {"frmSessioniEme", ""}},
        {QStringLiteral("MnuInformazioni"), {"frmAbout", ""}},
    };
    return map;
}

} // namespace

MDIMenu::MDIMenu(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIMenu"));
    const auto &s = DicAmbiente::session();
    setWindowTitle(s.cfg.ausl.isEmpty() ? s.programName : s.programName + QStringLiteral(" - ") + s.cfg.ausl);
    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(area_);
    buildMenus();
    buildToolbar();
    nimbo::ui::bindFontKeys(this);

    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("MdiStatusBar"));
    state_ = new QLabel(QStringLiteral("Pronto"), bar);
    state_->setObjectName(QStringLiteral("stato"));
    state_->setMinimumWidth(state_->fontMetrics().horizontalAdvance(QStringLiteral("Attesa")) + 16);
    message_ = new QLabel(bar);
    message_->setObjectName(QStringLiteral("messaggio"));
    operator_ = new QLabel(bar);
    operator_->setObjectName(QStringLiteral("operatore"));
    bar->addWidget(state_);
    bar->addWidget(message_, 1);
    bar->addPermanentWidget(operator_);
    setStatusBar(bar);
    busyListener_ = nimbo::busy::addListener([this] { showBusy(); });
    operator_->setText(operatorText());

    // The frame is sized by the operator, not by what its bars hold, so no
    // size constraint follows every change of a status text.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(640, 480);
    if (!nimbo::ui::restorePlacement(this, objectName())) {
        nimbo::ui::placeFirstTime(this, kFirstSize);
        firstPlaced_ = size();
    }
    // Closing a window brings back the one used before it (the one that
    // opened it), not the next in the order they were opened.
    area_->setActivationOrder(QMdiArea::ActivationHistoryOrder);

    connect(area_, &QMdiArea::subWindowActivated, this, [this] { refreshToolbar(); });
    // The start page fills the empty area, behind every child window.
    if (QWidget *page = nimbo::WindowRegistry::create(QStringLiteral("PaginaIniziale"))) {
        startPage_ = page;
        page->setParent(area_->viewport());
        page->lower();
        area_->viewport()->installEventFilter(this);
    }
    // Windows that open other windows get them as children of this one.
    nimbo::WindowRegistry::setOpener(
        [this](const QString &name, const QString &mode) { return openWindow(name, mode); });
}

MDIMenu::~MDIMenu()
{
    nimbo::WindowRegistry::setOpener({});
    nimbo::busy::removeListener(busyListener_);
}

QMenu *MDIMenu::addMenu(QMenu *parent, const QString &name, const QString &caption)
{
    QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menu->menuAction()->setProperty(FunctionRights::kTagProperty, QString());
    return menu;
}

QAction *MDIMenu::addItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *item = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    item->setObjectName(name);
    item->setProperty(FunctionRights::kTagProperty, QString());
    const auto it = targets().constFind(name);
    if (it != targets().constEnd()) {
        const QString window = QString::fromLatin1(it->window);
        const QString mode = QString::fromLatin1(it->mode);
        connect(item, &QAction::triggered, this, [this, window, mode] { openWindow(window, mode); });
    }
    // An item whose window is not part of this installation cannot be used.
    item->setEnabled(available(item));
    return item;
}

void MDIMenu::buildMenus()
{
    // The same tree the function table is filled from, so every item has
    // its row and its code.
    const auto &tree = FunctionTable::menuTree();
    QVector<QMenu *> open; // the menu holding each level
    for (int i = 0; i < tree.size(); ++i) {
        const auto &e = tree[i];
        open.resize(e.level + 1);
        QMenu *parent = e.level == 0 ? nullptr : open[e.level - 1];
        if (FunctionTable::isMenu(tree, i)) {
            open[e.level] = addMenu(parent, e.name, e.caption);
            open[e.level]->menuAction()->setProperty(FunctionRights::kTagProperty, e.tag);
        } else {
            addItem(parent, e.name, e.caption)->setProperty(FunctionRights::kTagProperty, e.tag);
        }
    }

    const auto action = [this](const char *name) { return findChild<QAction *>(QLatin1String(name)); };
    connect(action("mnusovrapponi"), &QAction::triggered, area_, &QMdiArea::cascadeSubWindows);
    connect(action("mnuaffianca"), &QAction::triggered, this, &MDIMenu::tileHorizontally);
    connect(action("mnuaffvert"), &QAction::triggered, this, &MDIMenu::tileVertically);
    connect(action("mnudispicone"), &QAction::triggered, this, &MDIMenu::arrangeIcons);
    connect(action("MnuUscita"), &QAction::triggered, this, &QWidget::close);
    // Captions as the function table writes them; the keys by rule.
    nimbo::ui::assignMnemonics(menuBar());
    nimbo::ui::bindMenuKey(this, menuBar());
}

const QStringList &MDIMenu::toolbarKeys()
{
    static const QStringList keys{
        QStringLiteral("ESCI"),     QStringLiteral("NUOVO"),      QStringLiteral("REGISTRA"),
        QStringLiteral("AGGIORNA"), QStringLiteral("ANNULLA"),    QStringLiteral("CANCELLA"),
        QStringLiteral("CERCA"),    QStringLiteral("ORDINAC"),    QStringLiteral("ORDINAD"),
        QStringLiteral("PRIMO"),    QStringLiteral("ULTIMO"),     QStringLiteral("FILTRA"),
        QStringLiteral("STAMPA"),   QStringLiteral("PRECEDENTE"), QStringLiteral("SUCCESSIVO"),
        // The label key of the registration window.
        QStringLiteral("ETICHETTA"),
        // The notices window ticks or clears every row.
        QStringLiteral("SELEZIONA TUTTI"), QStringLiteral("DESELEZIONA TUTTI"),
        // Operators and workstations.
        QStringLiteral("ATTIVA"), QStringLiteral("DISATTIVA"), QStringLiteral("AVVIA RICERCA"),
        // Emergency sessions are opened and closed.
        QStringLiteral("APERTURA"), QStringLiteral("CHIUSURA"),
        // A protocol's deadlines, from the windows that show one.
        QStringLiteral("STORICO SCADENZE")};
    return keys;
}

void MDIMenu::buildToolbar()
{
    toolbar_ = addToolBar(QStringLiteral("TbarMdi"));
    toolbar_->setObjectName(QStringLiteral("TbarMdi"));
    for (const QString &key : toolbarKeys()) {
        QAction *button = toolbar_->addAction(key);
        button->setObjectName(key);
        button->setVisible(false);
        connect(button, &QAction::triggered, this, [this, key] { toolbarClicked(key); });
    }
    nimbo::ui::dressToolbar(toolbar_);
    // The find box, when the installation has one, after the keys.
    if (QWidget *find = nimbo::WindowRegistry::create(QStringLiteral("VaiAlProtocollo"))) {
        toolbar_->addSeparator();
        toolbar_->addWidget(find);
    }
}

QString MDIMenu::windowOf(const QString &itemName)
{
    const auto it = targets().constFind(itemName);
    return it == targets().constEnd() ? QString() : QString::fromLatin1(it->window);
}

QString MDIMenu::modeOf(const QString &itemName)
{
    const auto it = targets().constFind(itemName);
    return it == targets().constEnd() ? QString() : QString::fromLatin1(it->mode);
}

bool MDIMenu::available(const QAction *item) const
{
    const QString window = windowOf(item->objectName());
    return window.isEmpty() || nimbo::WindowRegistry::contains(window);
}

QWidget *MDIMenu::create()
{
    auto *w = new MDIMenu;
    const auto &s = DicAmbiente::session();
    const auto available = [w](QAction *a) { return w->available(a); };
    // The emergency session has no central database to read rights from.
    if (!s.emergency)
        FunctionRights::load(w, s.op.functions, available);
    FunctionRights::applySessionMenus(w, s.emergency, available);
    w->showOperator();
    return w;
}

QMdiSubWindow *MDIMenu::currentChild() const { return area_->currentSubWindow(); }

QWidget *MDIMenu::openWindow(const QString &windowName, const QString &mode)
{
    const auto subs = area_->subWindowList();
    for (QMdiSubWindow *sub : subs) {
        // Windows are told apart by the name they were opened with: one class
        // may serve two menu items in different modes.
        if (sub->widget() && sub->widget()->property(kOpenedAs).toString() == windowName) {
            if (!mode.isEmpty())
                sub->widget()->setProperty("mode", mode);
            sub->showNormal();
            area_->setActiveSubWindow(sub);
            return sub->widget();
        }
    }
    setWaiting(true);
    QWidget *w = nimbo::WindowRegistry::create(windowName);
    if (!w) {
        setWaiting(false);
        return nullptr;
    }
    if (w->objectName().isEmpty())
        w->setObjectName(windowName);
    w->setProperty(kOpenedAs, windowName);
    if (!mode.isEmpty())
        w->setProperty("mode", mode);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *sub = area_->addSubWindow(w);
    if (auto *child = qobject_cast<nimbo::ChildWindow *>(w))
        connect(child, &nimbo::ChildWindow::toolbarChanged, this, [this] { refreshToolbar(); });
    // A window may have changed who is at work where (the change of
    // department): the status bar follows when it closes.
    connect(w, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            refreshToolbar();
            showOperator();
        });
    });
    sub->show();
    area_->setActiveSubWindow(sub);
    refreshToolbar();
    // A child opens whole inside the main window, never wider or taller;
    // measured once the toolbar holds the new child's keys, which may take
    // room from the area.
    if (area_->isVisible()) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QSize room = area_->viewport()->size();
        const QSize want = sub->sizeHint().expandedTo(sub->minimumSizeHint()).boundedTo(room);
        sub->resize(want);
        if (!area_->viewport()->rect().contains(sub->geometry()))
            sub->move(0, 0);
    }
    setWaiting(false);
    return w;
}

void MDIMenu::refreshToolbar()
{
    QStringList keys;
    if (QMdiSubWindow *sub = currentChild())
        if (auto *child = qobject_cast<nimbo::ChildWindow *>(sub->widget()))
            keys = child->toolbarKeys().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString &k : keys)
        k = k.trimmed();
    const auto buttons = toolbar_->actions();
    for (QAction *b : buttons)
        // The find box and its separator stay whatever the child.
        if (toolbarKeys().contains(b->objectName()))
            b->setVisible(keys.contains(b->objectName()));
    nimbo::ui::applyShortcuts(toolbar_);
}

void MDIMenu::toolbarClicked(const QString &key)
{
    QMdiSubWindow *sub = currentChild();
    QWidget *w = sub ? sub->widget() : nullptr;
    if (!w)
        return;
    if (auto *child = qobject_cast<nimbo::ChildWindow *>(w)) {
        child->ELABORATBAR(key);
        return;
    }
    // A plain widget may still offer the handler as an invokable method.
    if (w->metaObject()->indexOfMethod("ELABORATBAR(QString)") >= 0)
        QMetaObject::invokeMethod(w, "ELABORATBAR", Q_ARG(QString, key));
}

void MDIMenu::setWaiting(bool waiting)
{
    if (waiting)
        nimbo::busy::begin();
    else
        nimbo::busy::end();
}

void MDIMenu::showBusy()
{
    const bool busy = nimbo::busy::active();
    state_->setText(busy ? QStringLiteral("Attesa") : QStringLiteral("Pronto"));
    message_->setText(nimbo::busy::waitText());
    // The work runs on this thread: paint now, or the text would only show
    // once it is over.
    if (isVisible()) {
        state_->repaint();
        message_->repaint();
    }
}

QString MDIMenu::operatorText() const
{
    const auto &s = DicAmbiente::session();
    if (s.emergency)
        return QStringLiteral("Operatore In Emergenza - Sessione ") + s.emergencySession;
    if (s.op.code.isEmpty())
        return QString();
    const auto &op = s.op;
    QString who = QStringLiteral("Operatore: ") + op.code;
    const QString name = (op.firstName.trimmed() + QLatin1Char(' ') + op.surname.trimmed()).trimmed();
    if (!name.isEmpty())
        who += QStringLiteral(" (") + name + QLatin1Char(')');
    who += QStringLiteral("  |  Livello: ") + QString::number(op.level);
    who += QStringLiteral("  |  Dipartimento: ") + op.department;
    if (!departmentName_.isEmpty())
        who += QStringLiteral(" - ") + departmentName_;
    who += QStringLiteral("  |  Ufficio: ") + op.office;
    if (!officeName_.isEmpty())
        who += QStringLiteral(" - ") + officeName_;
    return who;
}

void MDIMenu::showOperator()
{
    const auto &s = DicAmbiente::session();
    QString dept, office;
    if (!s.emergency && !s.op.code.isEmpty()) {
        const auto d = F::Caricadati(kDb, QStringLiteral("SELECT Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                                                         "Dipa_CodiceEnte = '%1' AND Dipa_CodDipartimento = '%2'")
                                              .arg(F::quote(s.op.ente), F::quote(s.op.department)));
        if (d)
            dept = d->value(0).toString().trimmed();
        const auto o = F::Caricadati(kDb, QStringLiteral("SELECT Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = '%1' "
                                                         "AND Tab_Dipartimento = '%2' AND Tab_Ufficio = '%3'")
                                              .arg(F::quote(s.op.ente), F::quote(s.op.department),
                                                   F::quote(s.op.office)));
        if (o)
            office = o->value(0).toString().trimmed();
    }
    departmentName_ = dept;
    officeName_ = office;
    operator_->setText(operatorText());
}

void MDIMenu::tileHorizontally()
{
    QList<QMdiSubWindow *> subs;
    const auto all = area_->subWindowList();
    for (QMdiSubWindow *s : all)
        if (!s->isMinimized())
            subs.append(s);
    if (subs.isEmpty())
        return;
    const QRect r = area_->viewport()->rect();
    const int h = r.height() / int(subs.size());
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->showNormal();
        subs[i]->setGeometry(0, i * h, r.width(), h);
    }
}

void MDIMenu::tileVertically()
{
    QList<QMdiSubWindow *> subs;
    const auto all = area_->subWindowList();
    for (QMdiSubWindow *s : all)
        if (!s->isMinimized())
            subs.append(s);
    if (subs.isEmpty())
        return;
    const QRect r = area_->viewport()->rect();
    const int w = r.width() / int(subs.size());
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->showNormal();
        subs[i]->setGeometry(i * w, 0, w, r.height());
    }
}

void MDIMenu::arrangeIcons()
{
    const QRect r = area_->viewport()->rect();
    int x = 0;
    int y = r.bottom();
    const auto all = area_->subWindowList();
    for (QMdiSubWindow *s : all) {
        if (!s->isMinimized())
            continue;
        const QSize size = s->size();
        if (x > 0 && x + size.width() > r.width()) {
            x = 0;
            y -= size.height();
        }
        s->move(x, y - size.height() + 1);
        x += size.width();
    }
}

void MDIMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Once shown, the window manager's frame is known: a first placement
    // made with a guessed frame is made again if the frame leaves the screen,
    // unless the window has been sized since.
    if (firstPlaced_.isValid()) {
        QTimer::singleShot(0, this, [this, placed = firstPlaced_] {
            if (size() == placed && screen() && !screen()->availableGeometry().contains(frameGeometry()))
                nimbo::ui::placeFirstTime(this, kFirstSize);
        });
        firstPlaced_ = QSize();
    }
    // The installation parameters are read right after the main window is
    // shown; the notices that depend on them wait for the event loop.
    if (!noticesQueued_) {
        noticesQueued_ = true;
        QTimer::singleShot(0, this, [this] { runNotices(); });
    }
}

void MDIMenu::runNotices()
{
    if (noticesDone_)
        return;
    noticesDone_ = true;
    const auto &s = DicAmbiente::session();
    const QString title = s.programName;
    const Dialect::Engine engine = Dialect::centralTarget().engine;
    setWaiting(true);
    if (s.parm.enteCodiceAsl == QLatin1String("170")) {
        if (s.op.level == 9) {
            const auto row = F::Caricadati(kDb, Notices::pendingStructureCountQuery());
            if (row && row->value(0).toInt() > 0 &&
                nimbo::showBox(title, Notices::kStructureQuestion, nimbo::Icon::Question, nimbo::Buttons::YesNo) ==
                    nimbo::Answer::Yes)
                openWindow(QStringLiteral("FrmAggStrutture"));
        } else {
            const F::LoadedRows rows = F::loadRows(kDb, Notices::recentStructureChangesQuery(engine));
            if (rows.ok && rows.rowCount() > 0)
                nimbo::showBox(title, Notices::structureChangesText(rows), nimbo::Icon::Information);
        }
    }
    QStringList notices;
    if (!s.emergency) {
        const Notices::Who who{s.op.level, s.op.ente, s.op.code, s.op.office, s.op.department};
        const QString waiting = Notices::waitingDocumentQuery(who);
        if (!waiting.isEmpty() && F::Caricadati(kDb, waiting))
            notices << Notices::kWaitingNotice;
        if (F::Caricadati(kDb, Notices::dueSoonQuery(engine, who)))
            notices << Notices::kDueSoonNotice;
    }
    setWaiting(false);
    if (!notices.isEmpty())
        nimbo::showBox(title, QStringLiteral("ATTENZIONE!\n\n") + notices.join(QLatin1Char('\n')),
                       nimbo::Icon::Information);
}

bool MDIMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (startPage_ && watched == area_->viewport() && event->type() == QEvent::Resize) {
        startPage_->setGeometry(area_->viewport()->rect());
        startPage_->lower();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MDIMenu::closeEvent(QCloseEvent *event)
{
    if (closing_) {
        event->accept();
        return;
    }
    if (nimbo::showBox(windowTitle(), QStringLiteral("    Si desidera uscire dalla procedura ?     "),
                       nimbo::Icon::Question, nimbo::Buttons::YesNo) != nimbo::Answer::Yes) {
        event->ignore();
        return;
    }
    // A child with unsaved typing may be kept by the operator: then the
    // program stays open too.
    area_->closeAllSubWindows();
    const auto subs = area_->subWindowList();
    for (QMdiSubWindow *sub : subs) {
        if (sub->isVisible()) {
            event->ignore();
            return;
        }
    }
    closing_ = true;
    nimbo::ui::savePlacement(this, objectName());
    event->accept();
    GECentr::closeProgram(0);
}
