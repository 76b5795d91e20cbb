// Every window the menus open, as a screen reader and a keyboard user meet
// it: each enabled input on screen has a name to be read out, and each
// button of the shared toolbar it shows has its own key. The registration
// window, the in-tray and the protocol search are pictured on the way
// (kept in NIMBO_TEST_SHOTS when set).

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QSettings>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

#include "addressbook/AddressBook.h"
#include "classification/Classification.h"
#include "codes/Codes.h"
#include "corrections/Corrections.h"
#include "deadlines/Deadlines.h"
#include "documents/Documents.h"
#include "email/Email.h"
#include "emergency/Emergency.h"
#include "history/History.h"
#include "iter/Iter.h"
#include "links/Links.h"
#include "municipalities/MunicipalityWindows.h"
#include "organisation/Organisation.h"
#include "registers/Registers.h"
#include "reports/PeriodicReports.h"
#include "search/Search.h"
#include "startup/CreaTabMenu.h"
#include "ui/AccessibleNames.h"
#include "ui/Keyboard.h"
#include "UiFixture.h"

using namespace nimbo;
using nimbo::test::MainWindowTest;

namespace {

void registerEveryWindow()
{
    startup::registerStartupWindows();
    protocol::registerProtocolWindows();
    organisation::registerOrganisationWindows();
    codes::registerCodeWindows();
    municipalities::registerMunicipalityWindows();
    addressbook::registerAddressBookWindows();
    iter::registerIterWindows();
    documents::registerDocumentWindows();
    emergency::registerEmergencyWindows();
    classification::registerClassificationWindows();
    links::registerLinksWindows();
    search::registerSearchWindows();
    corrections::registerCorrectionWindows();
    deadlines::registerDeadlineWindows();
    email::registerEmailWindows();
    history::registerHistoryWindows();
    reports::registerPeriodicReportWindows();
    registers::registerRegisterWindows();
}

// The enabled inputs on screen that a screen reader cannot name.
QStringList unnamedInputs(QWidget *w)
{
    QStringList out;
    for (QWidget *input : ui::inputsOf(w)) {
        if (!input->isVisible() || !input->isEnabled())
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(input);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            out << input->metaObject()->className() + QStringLiteral(" ") + input->objectName();
    }
    return out;
}

class Reach : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db().folder() + QStringLiteral("/settings"));
        registerEveryWindow();
    }
};

} // namespace

TEST_P(Reach, EveryWindowNamesItsInputsAndGivesEveryButtonAKey)
{
    // What a window shows does not depend on the engine behind it.
    if (db().engine() != Dialect::Engine::SQLite)
        GTEST_SKIP() << "the windows are walked once, on SQLite";
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    main->show();
    QApplication::processEvents();
    const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS");
    const QStringList pictured{QStringLiteral("FrmProtocollo"), QStringLiteral("FrmGestIter"),
                               QStringLiteral("FrmFiltroRProt")};
    QStringList walked;
    for (const QString &name : WindowRegistry::names()) {
        // Windows opened from another window with what it hands them are
        // met there; the menus open the rest.
        QWidget *w = main->openWindow(name);
        if (!w)
            continue;
        QApplication::processEvents();
        walked << name;
        EXPECT_EQ(unnamedInputs(w).join(QStringLiteral(", ")).toStdString(), "") << name.toStdString();
        QList<QKeySequence> given;
        for (QAction *a : main->toolbar()->actions()) {
            if (!a->isVisible())
                continue;
            EXPECT_FALSE(a->shortcuts().isEmpty()) << name.toStdString() << " " << a->objectName().toStdString();
            for (const QKeySequence &k : a->shortcuts()) {
                EXPECT_FALSE(given.contains(k)) << name.toStdString() << " " << k.toString().toStdString();
                given << k;
            }
        }
        if (pictured.contains(name)) {
            const QPixmap picture = main->grab();
            const QString file = name + QStringLiteral("-") + QString::number(qRound(main->devicePixelRatioF() * 100))
                                 + QStringLiteral(".png");
            EXPECT_TRUE(picture.save(db().folder() + QLatin1Char('/') + file));
            if (!keep.isEmpty())
                picture.save(keep + QLatin1Char('/') + file);
        }
        if (auto *child = qobject_cast<ChildWindow *>(w)) {
            child->dirty()->setClean();
            child->closeWindow();
        } else {
            w->close();
        }
        QApplication::processEvents();
    }
    RecordProperty("walked", int(walked.size()));
    RecordProperty("registered", int(WindowRegistry::names().size()));
    // Nearly every window opens by its name alone.
    EXPECT_GE(walked.size() * 10, WindowRegistry::names().size() * 8)
        << walked.size() << " of " << WindowRegistry::names().size() << ": " << walked.join(QLatin1Char(',')).toStdString();
    for (const QString &name : pictured)
        EXPECT_TRUE(walked.contains(name)) << name.toStdString();
    boxes.clear();
}

TEST(AccessibleNames, CaptionsBesideAboveAndTheGroupNameTheInputs)
{
    QWidget w;
    w.setWindowTitle(QStringLiteral("Finestra"));
    auto *grid = new QGridLayout(&w);
    auto *buddy = new QLabel(QStringLiteral("&Oggetto:"), &w);
    auto *subject = new QLineEdit(&w);
    buddy->setBuddy(subject);
    auto *left = new QLabel(QStringLiteral("Anno"), &w);
    auto *year = new QSpinBox(&w);
    auto *above = new QLabel(QStringLiteral("Uffici"), &w);
    auto *list = new QListWidget(&w);
    auto *typed = new QLineEdit(&w);
    typed->setPlaceholderText(QStringLiteral("Filtro"));
    auto *group = new QGroupBox(QStringLiteral("Note"), &w);
    auto *notes = new QTextEdit(group);
    (new QVBoxLayout(group))->addWidget(notes);
    auto *own = new QLineEdit(&w);
    own->setAccessibleName(QStringLiteral("Nome proprio"));
    auto *iconOnly = new QPushButton(&w);
    iconOnly->setToolTip(QStringLiteral("Apri calendario"));
    grid->addWidget(buddy, 0, 0);
    grid->addWidget(subject, 0, 1);
    grid->addWidget(left, 1, 0);
    grid->addWidget(year, 1, 1);
    grid->addWidget(above, 2, 1);
    grid->addWidget(list, 3, 1);
    grid->addWidget(typed, 4, 1);
    grid->addWidget(group, 5, 1);
    grid->addWidget(own, 6, 1);
    grid->addWidget(iconOnly, 7, 1);
    w.show();
    ui::nameInputs(&w);
    const auto name = [](QWidget *x) { return QAccessible::queryAccessibleInterface(x)->text(QAccessible::Name); };
    EXPECT_EQ(name(subject), QStringLiteral("Oggetto"));
    EXPECT_EQ(name(year), QStringLiteral("Anno"));
    EXPECT_EQ(name(list), QStringLiteral("Uffici"));
    EXPECT_EQ(name(typed), QStringLiteral("Filtro"));
    EXPECT_EQ(name(notes), QStringLiteral("Note"));
    EXPECT_EQ(name(own), QStringLiteral("Nome proprio"));
    EXPECT_EQ(name(iconOnly), QStringLiteral("Apri calendario"));
    // The spin box's own line edit is not a second stop.
    EXPECT_EQ(ui::inputsOf(&w).size(), 7);
}

NIMBO_INSTANTIATE_ENGINES(Reach);
