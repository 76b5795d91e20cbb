// How the registration window and the main window look to a clerk: the
// window opens whole inside a 1024x768 main window, every box has its
// caption, read-only fields look it, codes are upper case, one form of the
// protocol number, the status bar tells who works and what runs, typed data
// is not dropped without asking. On both engines.

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "data/ServerRegistry.h"
#include "protocol/FrmProtocollo.h"
#include "servers/ProtocolServer.h"
#include "startup/LoginRules.h"
#include "startup/MDIMenu.h"
#include "startup/Sfondo.h"
#include "startup/StartUp.h"
#include "ui/DirtyTracker.h"
#include "ui/FormKit.h"
#include "ui/WindowRegistry.h"
#include "UiFixture.h"

using namespace nimbo;
using namespace nimbo::protocol;
using nimbo::test::UiTest;

namespace {

const QString kSpy = QStringLiteral("NimboTest.SpiaProtocollo");

// The protocol server, noting what the status bar shows while it works.
class SpyServer : public AppServer {
public:
    explicit SpyServer(QStringList *seen) : seen_(seen), real_(ServerRegistry::create(kProtocolProgId, nullptr)) {}
    QVariantList Elabora(short operation, QVariantList &params) override
    {
        if (QWidget *main = StartUp::mainWindow())
            *seen_ << main->findChild<QLabel *>(QStringLiteral("stato"))->text() + QLatin1Char('|')
                          + main->findChild<QLabel *>(QStringLiteral("messaggio"))->text();
        return real_->Elabora(operation, params);
    }

private:
    QStringList *seen_;
    std::unique_ptr<AppServer> real_;
};

class WindowLook : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The placement kept between runs goes to this test's folder.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db().folder() + QStringLiteral("/settings"));
        registerProtocolWindows();
        ServerRegistry::add(kSpy, [this] { return std::make_unique<SpyServer>(&seen); });
    }
    void TearDown() override
    {
        StartUp::shutdown();
        ServerRegistry::remove(kSpy);
        WindowRegistry::remove(QStringLiteral("FrmProtocollo"));
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    // The demo operator's main window at 1024x768 with the registration window open.
    FrmProtocollo *openRegistration()
    {
        const int started = startAsDemoOperator({QStringLiteral("SET OLEGP=") + kSpy});
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        main = StartUp::mainWindow();
        if (!main)
            return nullptr;
        main->resize(1024, 768);
        QApplication::processEvents();
        main->findChild<QAction *>(QStringLiteral("mnuProtDoc"))->trigger();
        QApplication::processEvents();
        return main->findChild<FrmProtocollo *>();
    }
    void press(const char *key) { test::pressToolbar(main, key); }
    QString status(const char *panel) { return main->findChild<QLabel *>(QLatin1String(panel))->text(); }

    // Every caption and button of the visible panel is as wide as its text,
    // and the panel is not squeezed below what its layout needs.
    static void expectWholeInside(QWidget *w, QMdiArea *area, const char *what)
    {
        QApplication::processEvents();
        auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        ASSERT_NE(sub, nullptr);
        const QRect room = area->viewport()->rect();
        EXPECT_TRUE(room.contains(sub->geometry()))
            << what << ": window " << sub->geometry().width() << "x" << sub->geometry().height() << " at "
            << sub->geometry().x() << "," << sub->geometry().y() << ", room " << room.width() << "x" << room.height();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << what;
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << what;
        for (QLabel *l : w->findChildren<QLabel *>()) {
            if (!l->isVisible() || l->text().isEmpty() || qobject_cast<ui::DescriptionLabel *>(l))
                continue;
            EXPECT_GE(l->width(), l->sizeHint().width()) << what << ": caption cut: " << l->text().toStdString();
        }
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (!b->isVisible() || b->text().isEmpty())
                continue;
            EXPECT_GE(b->width(), b->sizeHint().width()) << what << ": button cut: " << b->text().toStdString();
        }
    }

    QWidget *main = nullptr;
    QStringList seen;
};

} // namespace

TEST_P(WindowLook, RegistrationWindowOpensWholeInsideA1024x768MainWindow)
{
    FrmProtocollo *w = openRegistration();
    ASSERT_NE(w, nullptr);
    auto *area = main->findChild<QMdiArea *>();
    expectWholeInside(w, area, "entry");
    press("NUOVO");
    expectWholeInside(w, area, "new protocol");
    press("ANNULLA");
    press("CERCA");
    expectWholeInside(w, area, "search");

    // Every field of the registration panel has a caption; the correspondent's
    // is the button that names it.
    press("ANNULLA");
    QStringList bare;
    for (QLineEdit *e : w->findChild<QWidget *>(QStringLiteral("FraRegistrazione"))->findChildren<QLineEdit *>()) {
        bool captioned = e->objectName() == QLatin1String("CodiceMitDest");
        for (QLabel *l : w->findChildren<QLabel *>())
            captioned = captioned || (l->buddy() == e && !l->text().trimmed().isEmpty() && l->isVisible());
        if (!captioned)
            bare << e->objectName();
    }
    EXPECT_TRUE(bare.isEmpty()) << bare.join(QLatin1Char(',')).toStdString();

    // What the operator cannot type looks so.
    for (const char *name : {"txtNumeroProtocollo", "DataProtocollo", "OraProtocollo", "DataRegistrazione", "TxtNEme",
                             "TxtREme"})
        EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(w, name))) << name;
    for (const char *name : {"Oggetto", "DataRicezione", "CodTipoDoc", "CodSedeRic"})
        EXPECT_FALSE(ui::looksReadOnly(child<QLineEdit>(w, name))) << name;
}

TEST_P(WindowLook, CodesInUpperCaseDescriptionsFollowTheCodeAndOneNumberForm)
{
    FrmProtocollo *w = openRegistration();
    ASSERT_NE(w, nullptr);
    press("NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("2"));
    // Lower case typed, upper case shown and found.
    type(w, "CodTipoDoc", QStringLiteral("let"));
    EXPECT_EQ(child<QLineEdit>(w, "CodTipoDoc")->text(), QStringLiteral("LET"));
    EXPECT_EQ(child<QLabel>(w, "DescTipoDoc")->text(), QStringLiteral("LETTERA"));
    // Editing the code drops its description at once; leaving the field
    // finds the new one.
    auto *code = child<QLineEdit>(w, "CodTipoDoc");
    code->setFocus();
    QTest::keyClick(code, Qt::Key_Backspace);
    EXPECT_TRUE(child<QLabel>(w, "DescTipoDoc")->text().isEmpty());
    code->clear();
    QTest::keyClicks(code, QStringLiteral("fat"));
    EXPECT_TRUE(child<QLabel>(w, "DescTipoDoc")->text().isEmpty());
    emit code->editingFinished();
    EXPECT_EQ(child<QLabel>(w, "DescTipoDoc")->text(), QStringLiteral("FATTURA"));

    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Fattura di marzo"));
    type(w, "CodSedeRic", QStringLiteral("pro"));
    type(w, "CodUfficio", QStringLiteral("upr"));
    EXPECT_EQ(child<QLabel>(w, "DescUfficio")->text(), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    boxes.clear();
    press("REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // The number as the operator reads it, on screen and in the list.
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_EQ(child<QLineEdit>(w, "txtNumeroProtocollo")->text(), year + QStringLiteral("-0000001"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Tipologia || '/' || Tab_SedeRicezione || '/' || Tab_UfficioRegistrazione "
                                    "FROM Tab_Protocollo")),
              QStringLiteral("FAT/PRO/UPR"));
    press("CERCA");
    child(w, "CmdAvviaRicerca")->click();
    auto *list = child<QTreeWidget>(w, "LwProtocolli");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), year + QStringLiteral("-0000001"));
    // The state column says what the state is, cancelled or not.
    EXPECT_EQ(list->topLevelItem(0)->text(5), QStringLiteral("Attivo"));
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9'"));
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(list->topLevelItem(0)->text(5), QStringLiteral("ANNULLATO"));
    // Codes that reach the checks in lower case (pasted, recalled) are found
    // all the same and written as the register holds them.
    ProtocolForm form = w->form();
    form.codTipoDoc = QStringLiteral("let");
    form.codSedeRic = QStringLiteral("pro");
    form.codUfficio = QStringLiteral("upr");
    Context ctx = Context::fromSession();
    ctx.isNew = true;
    const auto failure = validate(&form, ctx);
    EXPECT_FALSE(failure.has_value()) << (failure ? failure->message.toStdString() : std::string());
    EXPECT_EQ(form.codTipoDoc + form.codSedeRic + form.codUfficio, QStringLiteral("LETPROUPR"));
    EXPECT_EQ(form.descTipoDoc, QStringLiteral("LETTERA"));

    // Number, date and state columns show their whole text.
    QApplication::processEvents();
    for (int c : {1, 2, 5}) {
        const int need = list->fontMetrics().horizontalAdvance(list->topLevelItem(0)->text(c));
        EXPECT_GE(list->columnWidth(c), need) << "column " << c;
    }
}

TEST_P(WindowLook, ClosingOrClearingATypedFormAsksFirst)
{
    FrmProtocollo *w = openRegistration();
    ASSERT_NE(w, nullptr);
    // Nothing typed: ANNULLA and ESCI ask nothing.
    press("NUOVO");
    boxes.clear();
    press("ANNULLA");
    EXPECT_TRUE(boxes.shown.isEmpty());

    press("NUOVO");
    auto *subject = child<QLineEdit>(w, "Oggetto");
    subject->setFocus();
    QTest::keyClicks(subject, QStringLiteral("Domanda di ferie"));
    boxes.clear();
    boxes.answers = {Answer::No};
    press("ANNULLA");
    EXPECT_EQ(boxes.texts(), QStringList{ui::DirtyTracker::kQuestion});
    EXPECT_EQ(subject->text(), QStringLiteral("Domanda di ferie"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));

    boxes.answers = {Answer::No};
    press("ESCI");
    ASSERT_EQ(main->findChild<FrmProtocollo *>(), w) << "the window stays with what was typed";
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(boxes.shown.size(), 2);

    // The program's exit keeps it open too when the operator says so.
    boxes.answers = {Answer::Yes, Answer::No};
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(exits.isEmpty());

    boxes.answers = {Answer::Yes};
    press("ANNULLA");
    EXPECT_TRUE(subject->text().isEmpty());
    boxes.clear();
    press("ESCI");
    QApplication::processEvents();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(main->findChild<FrmProtocollo *>(), nullptr);
}

TEST_P(WindowLook, StatusBarShowsTheOperatorAndTheWaitText)
{
    FrmProtocollo *w = openRegistration();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(status("stato"), QStringLiteral("Pronto"));
    EXPECT_TRUE(status("messaggio").isEmpty()) << "not \"Pronto Pronto\"";
    const QString who = status("operatore");
    for (const char *part : {"DEMO9", "Livello: 9", "Dipartimento: PRO", "Ufficio: UPR", "UFFICIO PROTOCOLLO GENERALE"})
        EXPECT_TRUE(who.contains(QLatin1String(part))) << who.toStdString();

    press("NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("2"));
    type(w, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Richiesta di copia"));
    type(w, "CodSedeRic", QStringLiteral("PRO"));
    type(w, "CodUfficio", QStringLiteral("UPR"));
    press("REGISTRA");
    EXPECT_EQ(seen, QStringList{QStringLiteral("Attesa|Attendere.Scrittura su remoto in corso")});
    EXPECT_EQ(status("stato"), QStringLiteral("Pronto"));
    EXPECT_TRUE(status("messaggio").isEmpty());

    // The linked-protocols panel is no dead end.
    child(w, "btnTB_0")->click();
    EXPECT_TRUE(child<QWidget>(w, "FraCollegati")->isVisible());
    child<QPushButton>(child<QWidget>(w, "FraCollegati"), "CmdTornaProtocollo")->click();
    EXPECT_TRUE(child<QWidget>(w, "FraRegistrazione")->isVisible());
}

TEST_P(WindowLook, MainWindowRemembersItsSizeAndPlace)
{
    {
        MDIMenu first;
        first.show();
        first.setGeometry(40, 50, 900, 700);
        QApplication::processEvents();
        boxes.answers = {Answer::Yes};
        EXPECT_TRUE(first.close());
        EXPECT_EQ(exits, QList<int>{0});
    }
    MDIMenu second;
    EXPECT_EQ(second.size(), QSize(900, 700));
    EXPECT_EQ(second.geometry().topLeft(), QPoint(40, 50));
}

// The first run, with nothing kept, opens whole inside the screen's free
// area, status bar included. On any other screen than 1024x768 the test
// runs again in a program of its own whose screen is that.
TEST_P(WindowLook, MainWindowFirstOpensWholeOnA1024x768Screen)
{
    if (QGuiApplication::primaryScreen()->size() != QSize(1024, 768)) {
        const QString config = db().folder() + QStringLiteral("/schermo.json");
        QFile f(config);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"screens": [{"name": "schermo", "x": 0, "y": 0, "width": 1024, "height": 768}]})");
        f.close();
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        QProcess again;
        again.setProcessEnvironment(env);
        again.setProcessChannelMode(QProcess::MergedChannels);
        again.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=") + QLatin1String(info->test_suite_name()) + QLatin1Char('.')
                     + QLatin1String(info->name())});
        ASSERT_TRUE(again.waitForFinished(180000));
        const QString out = QString::fromLocal8Bit(again.readAll());
        EXPECT_EQ(again.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
        return;
    }
    MDIMenu fresh;
    fresh.show();
    QApplication::processEvents();
    const QRect free = fresh.screen()->availableGeometry();
    const QRect frame = fresh.frameGeometry();
    EXPECT_TRUE(free.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    QStatusBar *bar = fresh.statusBar();
    EXPECT_TRUE(free.contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())));
    EXPECT_GE(fresh.width(), 1000) << "as wide as the screen allows";
    EXPECT_GE(fresh.height(), 700) << "as tall as the screen allows";
}

TEST_P(WindowLook, LoginOkIsPressedWithThePasswordTypedAndNoEmptyGreyBehindIt)
{
    {
        PSWMask w;
        type(&w, "txtOperatore", QStringLiteral("DEMO9"));
        auto *password = child<QLineEdit>(&w, "txtPassword");
        password->setFocus();
        QTest::keyClicks(password, QStringLiteral("sbagliata"));
        ASSERT_TRUE(child(&w, "cbuOk")->isEnabled()) << "a typed password is enough to press OK";
        child(&w, "cbuOk")->click();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Password errata ")});
        EXPECT_NE(w.result(), QDialog::Accepted);
        EXPECT_FALSE(child(&w, "cbuOk")->isEnabled());
        QTest::keyClicks(password, QStringLiteral("demo9pwd"));
        child(&w, "cbuOk")->click();
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(w.attempts(), 2);
    }

    // Without a picture of its own the background names the program and the body.
    Sfondo back(db().folder());
    ASSERT_TRUE(back.picture().isNull());
    back.resize(400, 300);
    const QImage shot = back.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 3)
        for (int x = 0; x < shot.width(); x += 3)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20) << "a plain grey window";
}

NIMBO_INSTANTIATE_ENGINES(WindowLook);
