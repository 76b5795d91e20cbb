#pragma once
// Demo database on both engines, the generic server, scripted boxes and a
// recorded exit, for the login and main-window tests.

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include <memory>

#include "data/C_GestDB.h"
#include "ui/WindowRegistry.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "startup/LoginRules.h"
#include "startup/MDIMenu.h"
#include "startup/PSWMask.h"
#include "startup/StartUp.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "support/Files.h"
#include "support/ScriptedDialogs.h"
#include "support/WholeCheck.h"
#include "support/TestDb.h"

namespace nimbo::test {

class UiTest : public EngineTest {
private:
    QStringList windowsBefore_;

protected:
    Seed seed() const override { return Seed::Demo; }
    void SetUp() override
    {
        windowsBefore_ = WindowRegistry::names();
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
        GECentr::setExitHook([this](int code) { exits.append(code); });
    }
    void TearDown() override
    {
        GECentr::setExitHook({});
        EngineTest::TearDown();
        // Each test registers the windows it needs: one that a test before
        // it registered must not be found (a test program runs whole).
        for (const QString &name : WindowRegistry::names())
            if (!windowsBefore_.contains(name))
                WindowRegistry::remove(name);
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    QString scalar(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString();
        return q.value(0).toString();
    }
    static void type(QWidget *window, const char *field, const QString &text)
    {
        auto *edit = window->findChild<QLineEdit *>(QLatin1String(field));
        ASSERT_NE(edit, nullptr) << field;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Starts the program the way the demo workstation does: a configuration
    // file for this database plus the given lines, and DEMO9 typing his
    // password into the login window. The result of StartUp::start().
    int startAsDemoOperator(const QStringList &extraLines = {})
    {
        return startAs(QStringLiteral("DEMO9"), QStringLiteral("demo9pwd"), extraLines);
    }
    // The same for any operator and password.
    int startAs(const QString &code, const QString &password, const QStringList &extraLines = {})
    {
        return startWith(
            [code, password](const QStringList &) {
                PSWMask w;
                type(&w, "txtOperatore", code);
                type(&w, "txtPassword", password);
                w.findChild<QPushButton *>(QStringLiteral("cbuOk"))->click();
                return w.result() == QDialog::Accepted;
            },
            extraLines);
    }
    // The same with the login driven by the test.
    int startWith(const StartUp::Login &login, const QStringList &extraLines = {})
    {
        // Named after the test program, as the program's own file is.
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        QFile ini(DicAmbiente::configPath(db().folder(), program));
        if (!ini.open(QIODevice::WriteOnly))
            return -1;
        QStringList lines{QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/db/"),
                          QStringLiteral("SET PROTOCOLLO=central.sqlite"), QStringLiteral("SET TABLOCAL=locale.sqlite"),
                          QStringLiteral("SET OLEGENERICA=") + kGenericProgId};
        if (db().engine() == Dialect::Engine::PostgreSQL)
            lines << QStringLiteral("SET SERVERDB=") + db().centralTarget().location;
        ini.write((lines + extraLines).join(QLatin1Char('\n')).toUtf8());
        ini.close();
        qputenv("NIMBO_HOME", db().folder().toUtf8());
        StartUp::setLogin(login);
        const int started = StartUp::start({program});
        StartUp::setLogin({});
        qunsetenv("NIMBO_HOME");
        return started;
    }
    template <class T = QPushButton> static T *child(QWidget *w, const char *name)
    {
        return w->findChild<T *>(QLatin1String(name));
    }

    ScriptedDialogs boxes;
    QList<int> exits;
};

// The registration window's tests: the protocol server too, the operator's
// profile loaded as the login leaves it, and the window released first.
class ProtocolWindowTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    }
    void TearDown() override
    {
        window.reset();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    void logInAs(const QString &code)
    {
        const auto row = Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"), LoginRules::operatorQuery(code));
        ASSERT_TRUE(row.has_value()) << code.toStdString();
        LoginRules::storeOperator(*row);
        LoginRules::loadOperatorExtras();
        StartUp::loadParameters(DicAmbiente::session().op.ente);
    }

    std::unique_ptr<protocol::FrmProtocollo> window;
};

// ---- the main window as the operator drives it ----

// The child window in front, if any.
inline QWidget *activeChild(MDIMenu *main)
{
    return main->area()->currentSubWindow() ? main->area()->currentSubWindow()->widget() : nullptr;
}

// Chooses a menu item (which must be there and enabled); the window in
// front afterwards.
inline QWidget *chooseMenu(MDIMenu *main, const char *item)
{
    auto *a = main->findChild<QAction *>(QLatin1String(item));
    EXPECT_TRUE(a && a->isEnabled()) << item;
    if (!a || !a->isEnabled())
        return nullptr;
    a->trigger();
    return activeChild(main);
}

// Presses a button of the shared toolbar; a failure when it is not shown.
inline void pressToolbar(QWidget *main, const char *key)
{
    auto *bar = main ? main->findChild<QToolBar *>(QStringLiteral("TbarMdi")) : nullptr;
    ASSERT_NE(bar, nullptr) << "no shared toolbar";
    for (QAction *a : bar->actions())
        if (a->objectName() == QLatin1String(key) && a->isVisible()) {
            a->trigger();
            return;
        }
    ADD_FAILURE() << "no visible toolbar button " << key;
}

// The keys the shared toolbar shows, joined as a window publishes them.
inline QString shownToolbar(QWidget *main)
{
    QStringList keys;
    for (QAction *a : main->findChild<QToolBar *>(QStringLiteral("TbarMdi"))->actions())
        if (a->isVisible() && !a->objectName().isEmpty())
            keys << a->objectName();
    return keys.join(QLatin1Char(';'));
}

// Brings a window forward, as a click on it does.
inline void bringForward(MDIMenu *main, QWidget *w)
{
    for (QMdiSubWindow *sub : main->area()->subWindowList())
        if (sub->widget() == w)
            main->area()->setActiveSubWindow(sub);
}

// Types into a field as the operator does, without Enter.
inline void typeKeys(QWidget *w, const char *name, const QString &text)
{
    auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
    ASSERT_NE(e, nullptr) << name;
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
}

// What a field or a label shows.
inline QString shownText(QWidget *w, const char *name)
{
    if (auto *e = w->findChild<QLineEdit *>(QLatin1String(name)))
        return e->text();
    auto *l = w->findChild<QLabel *>(QLatin1String(name));
    return l ? l->text() : QString();
}

// Chooses the item of a combo that carries the value as data, or else as text.
inline void pickItem(QWidget *w, const char *name, const QString &value)
{
    auto *c = w->findChild<QComboBox *>(QLatin1String(name));
    ASSERT_NE(c, nullptr) << name;
    int at = c->findData(value);
    if (at < 0)
        at = c->findText(value);
    ASSERT_GE(at, 0) << name << " " << value.toStdString();
    c->setCurrentIndex(at);
}

// A child window opened in the main window fits it: the frame inside the
// area, the window not squeezed below what its layout needs, no list that
// scrolls sideways, and every named box with a caption (the lists' filter
// boxes say what they are by their placeholder). The main window is saved
// as a picture at `shot`, and kept in the folder NIMBO_TEST_SHOTS names
// (when set) to be looked at.
inline void expectFitsWithFieldsLabelled(MDIMenu *main, QWidget *w, const QString &shot)
{
    QMdiSubWindow *sub = nullptr;
    for (QMdiSubWindow *s : main->area()->subWindowList())
        if (s->widget() == w)
            sub = s;
    ASSERT_NE(sub, nullptr);
    QCoreApplication::processEvents();
    const QRect room = main->area()->viewport()->rect();
    EXPECT_TRUE(room.contains(sub->geometry())) << sub->width() << "x" << sub->height();
    EXPECT_LE(w->minimumSizeHint().width(), w->width());
    EXPECT_LE(w->minimumSizeHint().height(), w->height());
    for (QAbstractScrollArea *area : w->findChildren<QAbstractScrollArea *>()) {
        if (area->isVisible() && !area->objectName().isEmpty()) {
            EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0) << area->objectName().toStdString() << " scrolls sideways";
        }
    }
    const auto labels = w->findChildren<QLabel *>();
    for (QLineEdit *edit : w->findChildren<QLineEdit *>()) {
        // A spin box's own line edit is labelled through the spin box.
        QWidget *f = edit;
        if (auto *spin = qobject_cast<QAbstractSpinBox *>(edit->parentWidget()))
            f = spin;
        if (f->objectName().isEmpty() || f->objectName().endsWith(QLatin1String("Filtro")))
            continue;
        bool labelled = false;
        for (QLabel *l : labels)
            labelled = labelled || (l->buddy() == f && !l->text().isEmpty());
        EXPECT_TRUE(labelled) << f->objectName().toStdString();
    }
    EXPECT_EQ(cutTexts(w).join(QLatin1Char('\n')).toStdString(), "");
    const QPixmap picture = main->grab();
    EXPECT_TRUE(picture.save(shot));
    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty())
        picture.save(keep + QLatin1Char('/') + QFileInfo(shot).fileName());
}

// Every heading of a list is shown whole (headings are drawn bold).
inline void expectHeadingsWhole(QTableView *view)
{
    QHeaderView *header = view->horizontalHeader();
    QFont bold = header->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    for (int c = 0; c < header->count(); ++c) {
        const QString title = view->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(c), metrics.horizontalAdvance(title)) << title.toStdString();
    }
}

// Tests that start the program, log in and work through its menus and
// toolbar; the program is shut down after each.
class MainWindowTest : public UiTest {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    // Logs in with the protocol server configured; the main window.
    MDIMenu *logIn(const QString &code, const QString &password)
    {
        const int started = startAs(code, password, {QStringLiteral("SET OLEGP=") + kProtocolProgId});
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        return started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
    }
    MDIMenu *logInAsDemo() { return logIn(QStringLiteral("DEMO9"), QStringLiteral("demo9pwd")); }
    // Logs in with the protocol server and the shipped templates, reports
    // printed to PDF files; the main window at 1024x768, the boxes of the
    // login forgotten.
    MDIMenu *logInPrinting(const QString &code, const QString &password, const QStringList &extraLines = {})
    {
        const int started = startAs(code, password,
                                    QStringList{QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                                QStringLiteral("SET REPORT=") + shippedTemplates(),
                                                QStringLiteral("SET STAMPANTE-REPORT=PDF")}
                                        + extraLines);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
        if (main)
            main->resize(1024, 768);
        boxes.clear();
        return main;
    }
    // The boxes shown since the last look, cleared.
    QString said()
    {
        const QString out = boxes.texts().join(QLatin1Char('|'));
        boxes.clear();
        return out;
    }
    // A statement with its values bound in order.
    void run(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.prepare(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        for (const QVariant &v : values)
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
    }

    static QWidget *active(MDIMenu *main) { return activeChild(main); }
    static QWidget *menu(MDIMenu *main, const char *item) { return chooseMenu(main, item); }
    static void press(MDIMenu *main, const char *key) { pressToolbar(main, key); }
    static void activate(MDIMenu *main, QWidget *w) { bringForward(main, w); }
    static void edit(QWidget *w, const char *name, const QString &text) { typeKeys(w, name, text); }
    static QString text(QWidget *w, const char *name) { return shownText(w, name); }
    static void pick(QWidget *w, const char *name, const QString &value) { pickItem(w, name, value); }
};

} // namespace nimbo::test
