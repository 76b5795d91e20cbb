#include "startup/MDIMenu.h"

#include <QAction>
#include <QCloseEvent>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMetaMethod>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/FunctionRights.h"
#include "startup/Notices.h"
#include "ui/ChildWindow.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
// Property of a child: the registered name it was opened with.
constexpr const char *kOpenedAs = "openedAs";

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
        {QStringLiteral("MnuConsulta"), {"FrmRiepFascicoli", ""}},
        {QStringLiteral("MnuRiepiloghiIter"), {"FrmRiepiloghiIter", ""}},
        {QStringLiteral("mnuricprotope"), {"FrmScadPratiche", ""}},
        {QStringLiteral("MnuStorico"), {"FrmStorico", ""}},
        {QStringLiteral("mnuriepemerg"), {"frmRicercaEmergenza", ""}},
        {QStringLiteral("mnuregprotgen"), {"FrmStampe", ""}},
        {QStringLiteral("mnuregprotgiorn"), {"frmStampaRegistro", ""}},
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

    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("MdiStatusBar"));
    state_ = new QLabel(QStringLiteral("Pronto"), bar);
    state_->setObjectName(QStringLiteral("stato"));
    message_ = new QLabel(QStringLiteral("Pronto"), bar);
    message_->setObjectName(QStringLiteral("messaggio"));
    bar->addWidget(state_);
    bar->addWidget(message_, 1);
    setStatusBar(bar);

    // The frame is sized by the operator, not by what its bars hold, so no
    // size constraint follows every change of a status text.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(640, 480);
    resize(1024, 768);

    connect(area_, &QMdiArea::subWindowActivated, this, [this] { refreshToolbar(); });
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
    QMenu *m = addMenu(nullptr, QStringLiteral("mnurubrica"), QStringLiteral("RUBRICA"));
    addItem(m, QStringLiteral("mnugestioneMD"), QStringLiteral("Mittenti/Destinatari"));
    addItem(m, QStringLiteral("MnuGruppi"), QStringLiteral("Gestione Gruppi"));

    m = addMenu(nullptr, QStringLiteral("mnuprotocollo"), QStringLiteral("PROTOCOLLO"));
    addItem(m, QStringLiteral("mnuProtDoc"), QStringLiteral("Protocollo Documenti"));
    addItem(m, QStringLiteral("mnuProtDocEmerg"), QStringLiteral("Protocollo Emergenza"));
    addItem(m, QStringLiteral("mnuProtEml"), QStringLiteral("Protocollo E-Mail"));
    addItem(m, QStringLiteral("mnuiter"), QStringLiteral("Iter Documento"));
    addItem(m, QStringLiteral("mnucollegprovv"), QStringLiteral("Collegamento a Provvedimenti"));
    QMenu *sub = addMenu(m, QStringLiteral("MnuRecupera"), QStringLiteral("Recupero Protocolli di Emergenza"));
    addItem(sub, QStringLiteral("mnuassdefprot"), QStringLiteral("Recupero da Registro Telematico"));
    addItem(sub, QStringLiteral("MnuCartaceo"), QStringLiteral("Recupero da Registro Cartaceo"));
    addItem(m, QStringLiteral("mnucancprot"), QStringLiteral("Cancellazione Protocollo"));
    addItem(m, QStringLiteral("NmuModifica"), QStringLiteral("Modifica Tipo Protocollo (E/U)"));
    addItem(m, QStringLiteral("MnuRecuperaProto"), QStringLiteral("Recupera Protocolli"));
    addItem(m, QStringLiteral("mnuricercaprot"), QStringLiteral("Ricerca Protocolli"));
    addItem(m, QStringLiteral("mnuSTAB"), QStringLiteral("Ricerca Protocolli su Storico Autorità Bacino"));
    addItem(m, QStringLiteral("mnustAL"), QStringLiteral("Ricerca Protocolli su Archivio Storico"));
    addItem(m, QStringLiteral("mnuRG"), QStringLiteral("Crea Elenco funzioni"));

    m = addMenu(nullptr, QStringLiteral("MnuRiepiloghi"), QStringLiteral("RIEPILOGHI"));
    addItem(m, QStringLiteral("MnuConsulta"), QStringLiteral("Ricerca Protocolli Classificati"));
    addItem(m, QStringLiteral("MnuRiepiloghiIter"), QStringLiteral("Iter Documenti"));
    addItem(m, QStringLiteral("mnuricprotope"), QStringLiteral("Visualizza pratiche non ancora evase"));
    addItem(m, QStringLiteral("MnuStorico"), QStringLiteral("Consulta Archivio Storico"));
    addItem(m, QStringLiteral("mnuriepemerg"), QStringLiteral("Attivita' in emergenza"));

    m = addMenu(nullptr, QStringLiteral("mnustampe"), QStringLiteral("STAMPE"));
    addItem(m, QStringLiteral("mnuregprotgen"), QStringLiteral("Stampe Periodiche"));
    addItem(m, QStringLiteral("mnuregprotgiorn"), QStringLiteral("Scarico Protocolli su CD"));
    addItem(m, QStringLiteral("mnuScadenzario"), QStringLiteral("Stampa Scadenzario"));
    addItem(m, QStringLiteral("mnuscadenze"), QStringLiteral("Scadenzario Attivita'"));

    m = addMenu(nullptr, QStringLiteral("fff"), QStringLiteral("TABELLE"));
    addItem(m, QStringLiteral("MnuOggetti"), QStringLiteral("Oggetti Ricorrenti"));
    addItem(m, QStringLiteral("mnuComuni"), QStringLiteral("Comuni d'Italia"));
    addItem(m, QStringLiteral("mnucodici"), QStringLiteral("Codici Applicazione"));
    addItem(m, QStringLiteral("mnucatcla"), QStringLiteral("Titoli/Categorie/Classi/Fascicoli"));

    m = addMenu(nullptr, QStringLiteral("MnuServizi"), QStringLiteral("SERVIZI"));
    sub = addMenu(m, QStringLiteral("MnuServSYS"), QStringLiteral("Sistema"));
    addItem(sub, QStringLiteral("MnuScanner"), QStringLiteral("Elenco Scanner Attivi"));
    addItem(sub, QStringLiteral("MnuCambia"), QStringLiteral("Cambio Dipartimento"));
    addItem(sub, QStringLiteral("MnuCemail"), QStringLiteral("Cambio Indirizzo E-mail"));
    addItem(sub, QStringLiteral("MnuServOper"), QStringLiteral("Operatori"));
    addItem(sub, QStringLiteral("MnuStoOpe"), QStringLiteral("Consulta Storico Operatori"));
    addItem(sub, QStringLiteral("MnuLogAccessi"), QStringLiteral("Consulta LOG Accessi"));
    addItem(sub, QStringLiteral("MnuPostazioni"), QStringLiteral("Gestione Postazioni di Protocollo"));
    sub = addMenu(m, QStringLiteral("MnuStrutture"), QStringLiteral("Gestione Struttura dell'Ente"));
    addItem(sub, QStringLiteral("mnudatiente"), QStringLiteral("Anagrafe Aree/Dipartimenti/Uffici"));
    addItem(sub, QStringLiteral("MnuRUffici"), QStringLiteral("Raggruppamento Uffici"));
    addItem(sub, QStringLiteral("MnuAggStrutture"), QStringLiteral("Aggiornamento Automatico Dipartimenti/Uffici"));
    addItem(sub, QStringLiteral("MnuStoDipe"), QStringLiteral("Consulta Storico Dipartimenti"));
    addItem(sub, QStringLiteral("MnuStoUff"), QStringLiteral("Consulta Storico Uffici"));
    sub = addMenu(m, QStringLiteral("MNUgestRegistri"), QStringLiteral("Gestione Registri di Emergenza"));
    addItem(sub, QStringLiteral("mnuregemerg"), QStringLiteral("Anagrafe Registri d'emergenza"));
    addItem(sub, QStringLiteral("MnuSessioni"), QStringLiteral("Gestione Sessioni di Emergenza"));

    m = addMenu(nullptr, QStringLiteral("mnuforms"), QStringLiteral("FINESTRE "));
    connect(addItem(m, QStringLiteral("mnusovrapponi"), QStringLiteral("Sovrapponi")), &QAction::triggered, area_,
            &QMdiArea::cascadeSubWindows);
    connect(addItem(m, QStringLiteral("mnuaffianca"), QStringLiteral("Affianca Orizzontalmente")),
            &QAction::triggered, this, &MDIMenu::tileHorizontally);
    connect(addItem(m, QStringLiteral("mnuaffvert"), QStringLiteral("Affianca Verticalmente")), &QAction::triggered,
            this, &MDIMenu::tileVertically);
    connect(addItem(m, QStringLiteral("mnudispicone"), QStringLiteral("Disponi Icone")), &QAction::triggered, this,
            &MDIMenu::arrangeIcons);

    QAction *exit = addItem(nullptr, QStringLiteral("MnuUscita"), QStringLiteral("USCITA"));
    exit->setProperty(FunctionRights::kTagProperty, QStringLiteral("O"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QAction *about = addItem(nullptr, QStringLiteral("MnuInformazioni"), QStringLiteral("&?"));
    about->setProperty(FunctionRights::kTagProperty, QStringLiteral("O"));
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
        QStringLiteral("ETICHETTA")};
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
    connect(w, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, [this] { refreshToolbar(); }); });
    sub->show();
    area_->setActiveSubWindow(sub);
    refreshToolbar();
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
        b->setVisible(keys.contains(b->objectName()));
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
    const QString text = waiting ? QStringLiteral("Attesa") : QStringLiteral("Pronto");
    state_->setText(text);
    message_->setText(text);
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
    closing_ = true;
    area_->closeAllSubWindows();
    event->accept();
    GECentr::closeProgram(0);
}
