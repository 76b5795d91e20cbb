// The program worked from the keyboard: menu mnemonics by rule and without
// clashes, F10 to the menus, one key per toolbar button in every window,
// Esc settling between ANNULLA and ESCI, the text size keys, and a letter
// registered from the login to the printed receipt without the mouse.

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include "schema/FunctionTable.h"
#include "support/Files.h"
#include "ui/ProtocolNumber.h"
#include "ui/Appearance.h"
#include "ui/ChildWindow.h"
#include "ui/FormKit.h"
#include "ui/Keyboard.h"
#include "UiFixture.h"

using namespace nimbo;
using nimbo::test::MainWindowTest;

namespace {

// A window that publishes the keys it is given and notes what it receives.
struct SpyWindow : ChildWindow {
    QStringList pressed;
    QLineEdit *field = new QLineEdit(this);
    void ELABORATBAR(const QString &key) override { pressed << key; }
};

// Presses a key on whatever has the focus, as the operator does.
void pressKey(const QKeySequence &k)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k[0].key(), k[0].keyboardModifiers());
}

QString mnemonicsOf(const QList<QAction *> &actions, const QString &where)
{
    QStringList problems;
    QString seen;
    for (const QAction *a : actions) {
        if (a->isSeparator())
            continue;
        const QChar m = ui::mnemonicOf(a->text());
        if (m.isNull())
            problems << where + QStringLiteral(": no key for ") + a->text();
        else if (seen.contains(m))
            problems << where + QStringLiteral(": ") + QString(m) + QStringLiteral(" twice (") + a->text() + QLatin1Char(')');
        seen += m;
        if (a->menu())
            problems << mnemonicsOf(a->menu()->actions(), ui::plainCaption(a));
    }
    problems.removeAll(QString());
    return problems.join(QLatin1Char('\n'));
}

class Keyboard : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db().folder() + QStringLiteral("/settings"));
    }
    void TearDown() override
    {
        ui::resetFontSize();
        WindowRegistry::remove(QStringLiteral("SpiaTasti"));
        MainWindowTest::TearDown();
    }
};

} // namespace

TEST(MnemonicRule, WordStartsFirstThenAnyLetterAndLiteralAmpersandsKept)
{
    QString taken;
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("Ricerca Protocolli"), &taken), QStringLiteral("&Ricerca Protocolli"));
    // R is taken: the next word's start.
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("Recupera Protocolli"), &taken), QStringLiteral("Recupera &Protocolli"));
    // Every word start taken: the first free letter inside a word.
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("RIEPILOGHI"), &taken), QStringLiteral("R&IEPILOGHI"));
    EXPECT_EQ(taken, QStringLiteral("rpi"));
    // Case does not make a second letter.
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("rip"), &taken), QStringLiteral("rip"));
    EXPECT_EQ(taken, QStringLiteral("rpi"));
    // A caption's own mnemonic is kept; a literal "&" is doubled so that it
    // does not turn the next letter into one.
    QString none;
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("&?"), &none), QStringLiteral("&?"));
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("Carta & Penna"), &none), QStringLiteral("&Carta && Penna"));
    EXPECT_EQ(ui::mnemonicOf(QStringLiteral("&Carta && Penna")), QLatin1Char('c'));
    EXPECT_TRUE(ui::mnemonicOf(QStringLiteral("Carta && Penna")).isNull());
    QString ap = QStringLiteral("ap");
    EXPECT_EQ(ui::withMnemonic(QStringLiteral("Attivita' e Penna"), &ap), QStringLiteral("Attivita' &e Penna"));
}

TEST(ReadOnlyLook, FollowsTheDesktopTurningDark)
{
    const QPalette before = QApplication::palette();
    QWidget w;
    auto *field = ui::readOnlyField(&w, "campo", 10);
    auto *edit = new QLineEdit(&w);
    (new QHBoxLayout(&w))->addWidget(field);
    w.layout()->addWidget(edit);
    w.show();
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(10, 10, 10));
    dark.setColor(QPalette::Text, QColor(250, 250, 250));
    // The desktop gives the program a palette, and one for its text boxes.
    const QPalette beforeBoxes = QApplication::palette("QLineEdit");
    QApplication::setPalette(dark);
    QApplication::setPalette(dark, "QLineEdit");
    QApplication::processEvents();
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(30, 30, 30));
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(230, 230, 230));
    EXPECT_TRUE(ui::looksReadOnly(field));
    // Made editable again, it takes the dark palette's field colours.
    ui::setReadOnly(field, false);
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(10, 10, 10));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(10, 10, 10));
    QApplication::setPalette(before);
    QApplication::setPalette(beforeBoxes, "QLineEdit");
    QApplication::processEvents();
    EXPECT_EQ(field->palette().color(QPalette::Base), before.color(QPalette::Base));
}

TEST_P(Keyboard, EveryMenuHasItsKeysWithoutClashAndF10OpensTheBar)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(mnemonicsOf(main->menuBar()->actions(), QStringLiteral("barra")).toStdString(), "");
    // The captions themselves are those of the function table.
    for (const FunctionTable::Entry &e : FunctionTable::menuTree()) {
        auto *a = main->findChild<QAction *>(e.name);
        ASSERT_NE(a, nullptr) << e.name.toStdString();
        EXPECT_EQ(ui::plainCaption(a), e.caption) << e.name.toStdString();
    }

    main->show();
    QApplication::setActiveWindow(main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QTest::keyClick(main, Qt::Key_F10);
    auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->objectName(), QStringLiteral("mnurubrica"));
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_P(Keyboard, EveryToolbarButtonAnswersItsKeyWhereItIsShown)
{
    SpyWindow *spy = nullptr;
    WindowRegistry::add(QStringLiteral("SpiaTasti"), [&spy] { return spy = new SpyWindow; });
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    main->show();
    QApplication::setActiveWindow(main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    ASSERT_NE(main->openWindow(QStringLiteral("SpiaTasti")), nullptr);
    ASSERT_NE(spy, nullptr);
    spy->field->setFocus();

    // Every key of the shared toolbar: a key, a tip that names it and an icon.
    for (const QString &key : MDIMenu::toolbarKeys()) {
        const auto keys = ui::shortcutsOf(key);
        ASSERT_FALSE(keys.isEmpty()) << key.toStdString();
        EXPECT_TRUE(ui::tipOf(key).contains(keys.first().toString(QKeySequence::NativeText))) << key.toStdString();
        auto *button = main->toolbar()->findChild<QAction *>(key);
        ASSERT_NE(button, nullptr) << key.toStdString();
        EXPECT_FALSE(button->icon().isNull()) << key.toStdString();
        EXPECT_EQ(button->toolTip(), ui::tipOf(key));
    }

    // Shown one at a time, each button answers every key it has.
    for (const QString &key : MDIMenu::toolbarKeys()) {
        spy->setToolbarKeys(key);
        for (const QKeySequence &k : ui::shortcutsOf(key)) {
            spy->pressed.clear();
            pressKey(k);
            EXPECT_EQ(spy->pressed, QStringList{key}) << k.toString().toStdString();
        }
    }

    // All shown together: no key reaches two buttons, Esc goes to ANNULLA
    // and ESCI keeps its other key.
    spy->setToolbarKeys(MDIMenu::toolbarKeys().join(QLatin1Char(';')));
    QList<QKeySequence> given;
    for (QAction *a : main->toolbar()->actions()) {
        EXPECT_FALSE(a->shortcuts().isEmpty()) << a->objectName().toStdString();
        for (const QKeySequence &k : a->shortcuts()) {
            EXPECT_FALSE(given.contains(k)) << k.toString().toStdString();
            given << k;
        }
    }
    spy->pressed.clear();
    pressKey(QKeySequence(Qt::Key_Escape));
    pressKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    EXPECT_EQ(spy->pressed, (QStringList{QStringLiteral("ANNULLA"), QStringLiteral("ESCI")}));

    // A key whose button is not shown does nothing.
    spy->setToolbarKeys(QStringLiteral("ESCI"));
    spy->pressed.clear();
    pressKey(QKeySequence(Qt::Key_F2));
    pressKey(QKeySequence(Qt::Key_F9));
    EXPECT_TRUE(spy->pressed.isEmpty()) << spy->pressed.join(QLatin1Char(',')).toStdString();
}

TEST_P(Keyboard, TextSizeKeysResizeEveryWindowAndTheSizeIsKept)
{
    if (db().engine() != Dialect::Engine::SQLite)
        GTEST_SKIP() << "the text size does not depend on the engine";
    protocol::registerProtocolWindows();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    main->show();
    QApplication::setActiveWindow(main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QWidget *w = test::chooseMenu(main, "mnuProtDoc");
    ASSERT_NE(w, nullptr);
    auto *code = child<QLineEdit>(w, "CodTipoDoc");
    ASSERT_NE(code, nullptr);
    const int width = code->width();
    const int start = ui::fontSize();

    QTest::keyClick(main, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(main, Qt::Key_Equal, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(ui::fontSize(), start + 2);
    EXPECT_GT(code->width(), width);
    EXPECT_EQ(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"))
                  .value(QStringLiteral("aspetto/dimensioneTesto"))
                  .toInt(),
              start + 2);
    QTest::keyClick(main, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(ui::fontSize(), start + 1);

    // The next run starts with the kept size; a size edited out of the
    // limits by hand is brought back within them.
    QApplication::setFont([&] { QFont f = QApplication::font(); f.setPointSize(start); return f; }());
    ui::applyKeptFontSize();
    EXPECT_EQ(ui::fontSize(), start + 1);
    ui::setFontSize(100);
    EXPECT_EQ(ui::fontSize(), ui::kLargestFont);
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"))
        .setValue(QStringLiteral("aspetto/dimensioneTesto"), 2);
    ui::applyKeptFontSize();
    EXPECT_EQ(ui::fontSize(), ui::kSmallestFont);

    // Ctrl+0: the desktop's size, nothing kept.
    QTest::keyClick(main, Qt::Key_0, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(ui::fontSize(), start);
    EXPECT_EQ(code->width(), width);
    EXPECT_FALSE(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"))
                     .contains(QStringLiteral("aspetto/dimensioneTesto")));
}

namespace {

// Moves the focus with Tab until it reaches the named widget.
bool tabTo(QWidget *window, const char *name)
{
    for (int i = 0; i < 80; ++i) {
        QWidget *f = QApplication::focusWidget();
        if (f && f->objectName() == QLatin1String(name) && f->window() == window->window())
            return true;
        QTest::keyClick(f ? f : window, Qt::Key_Tab);
    }
    return false;
}

void typeText(const QString &text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
}

void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QWidget *target = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                         : QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k, m);
}

// The letter key of a mnemonic.
Qt::Key letterKey(const QString &caption)
{
    const QChar m = ui::mnemonicOf(caption).toUpper();
    return Qt::Key(m.unicode());
}

} // namespace

TEST_P(Keyboard, ALetterIsRegisteredAndItsReceiptPrintedWithTheKeyboardAlone)
{
    protocol::registerProtocolWindows();
    const auto login = [](const QStringList &) {
        PSWMask w;
        w.show();
        QApplication::setActiveWindow(&w);
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        // The login opens on the operator's code.
        if (QApplication::focusWidget() != w.findChild<QLineEdit *>(QStringLiteral("txtOperatore")))
            return false;
        typeText(QStringLiteral("DEMO9"));
        key(Qt::Key_Return);
        typeText(QStringLiteral("demo9pwd"));
        key(Qt::Key_Return);
        // The password checked, OK has the focus.
        if (w.isVisible())
            key(Qt::Key_Return);
        return w.result() == QDialog::Accepted;
    };
    const int started = startWith(login, {QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                          QStringLiteral("SET REPORT=") + nimbo::test::shippedTemplates(),
                                          QStringLiteral("SET STAMPANTE-REPORT=PDF")});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    QApplication::setActiveWindow(main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));

    // Alt and the menu's letter, then the item's letter.
    auto *menu = main->findChild<QMenu *>(QStringLiteral("mnuprotocollo"));
    auto *item = main->findChild<QAction *>(QStringLiteral("mnuProtDoc"));
    ASSERT_TRUE(menu && item);
    QTest::keyClick(main, letterKey(menu->menuAction()->text()), Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    key(letterKey(item->text()));
    auto *w = main->findChild<protocol::FrmProtocollo *>();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);

    key(Qt::Key_F2); // NUOVO
    ASSERT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    ASSERT_TRUE(tabTo(w, "OptTipoProtocollo_0"));
    key(Qt::Key_Space);
    ASSERT_TRUE(child<QRadioButton>(w, "OptTipoProtocollo_0")->isChecked());
    ASSERT_TRUE(tabTo(w, "CodiceMitDest"));
    typeText(QStringLiteral("prefettura"));
    key(Qt::Key_Return);
    ASSERT_TRUE(tabTo(w, "CodTipoDoc"));
    typeText(QStringLiteral("LET"));
    key(Qt::Key_Return);
    ASSERT_TRUE(tabTo(w, "Oggetto"));
    typeText(QStringLiteral("Richiesta d'informazioni sull'ordinanza"));
    ASSERT_TRUE(tabTo(w, "CodSedeRic"));
    typeText(QStringLiteral("PRO"));
    key(Qt::Key_Return);
    ASSERT_TRUE(tabTo(w, "CodUfficio"));
    typeText(QStringLiteral("UPR"));
    key(Qt::Key_Return);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // Esc with typed data asks first; kept, nothing is lost.
    boxes.answers << nimbo::Answer::No;
    key(Qt::Key_Escape);
    EXPECT_EQ(boxes.texts(), QStringList{ui::DirtyTracker::kQuestion});
    EXPECT_EQ(child<QLineEdit>(w, "Oggetto")->text(), QStringLiteral("Richiesta d'informazioni sull'ordinanza"));
    boxes.clear();

    key(Qt::Key_F9); // REGISTRA
    const QString number = child<QLineEdit>(w, "txtNumeroProtocollo")->text();
    ASSERT_EQ(number, QString::number(QDate::currentDate().year()) + QStringLiteral("-0000001"))
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto FROM Tab_Protocollo")),
              QStringLiteral("Richiesta d'informazioni sull'ordinanza"));

    const QString pdf = db().folder() + QStringLiteral("/ricevuta.pdf");
    boxes.files << pdf;
    key(Qt::Key_P, Qt::ControlModifier); // STAMPA
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = nimbo::test::pdfText(pdf);
    EXPECT_TRUE(printed.contains(nimbo::shownNumber(number))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("PREFETTURA DI POTENZA"))) << printed.toStdString();

    // Esc drops the protocol shown, Esc again leaves the window: nothing
    // typed since, nothing asked.
    key(Qt::Key_Escape);
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO;CERCA"));
    key(Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(main->findChild<protocol::FrmProtocollo *>(), nullptr);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

NIMBO_INSTANTIATE_ENGINES(Keyboard);
