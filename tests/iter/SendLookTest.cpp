// How the assignment, transmission, sent and completed windows look to a
// clerk: each opens whole inside a 1024x768 main window, with its captions
// and buttons not cut. Setting NIMBO_SHOTS to a folder keeps a picture of
// each window there.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>

#include "../ui/UiFixture.h"
#include "support/WholeCheck.h"
#include "iter/FrmAssegna.h"
#include "iter/FrmTrasmetti.h"
#include "iter/Iter.h"
#include "startup/StartUp.h"
#include "ui/FormKit.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;

namespace {

class SendLook : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db().folder() + QStringLiteral("/settings"));
        iter::registerSendWindows();
    }
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }

    static void expectWholeInside(QWidget *w, QMdiArea *area, const char *what)
    {
        QApplication::processEvents();
        auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        ASSERT_NE(sub, nullptr) << what;
        const QRect room = area->viewport()->rect();
        EXPECT_TRUE(room.contains(sub->geometry()))
            << what << ": window " << sub->geometry().width() << "x" << sub->geometry().height() << ", room "
            << room.width() << "x" << room.height();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << what;
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << what;
        EXPECT_EQ(test::cutTexts(w).join(QLatin1Char('\n')).toStdString(), "") << what;
        for (QLabel *l : w->findChildren<QLabel *>()) {
            if (!l->isVisible() || l->text().isEmpty() || l->wordWrap() || qobject_cast<ui::DescriptionLabel *>(l))
                continue;
            EXPECT_GE(l->width(), l->sizeHint().width()) << what << ": caption cut: " << l->text().toStdString();
        }
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (!b->isVisible() || b->text().isEmpty())
                continue;
            EXPECT_GE(b->width(), b->sizeHint().width()) << what << ": button cut: " << b->text().toStdString();
        }
        const QString shots = qEnvironmentVariable("NIMBO_SHOTS");
        if (!shots.isEmpty())
            sub->grab().save(shots + QLatin1Char('/') + QString::fromLatin1(what) + QStringLiteral(".png"));
    }
};

TEST_P(SendLook, WindowsOpenWholeInsideA1024x768MainWindow)
{
    const int started = startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QWidget *main = StartUp::mainWindow();
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    QApplication::processEvents();
    auto *area = main->findChild<QMdiArea *>();
    ASSERT_NE(area, nullptr);

    for (const char *name : {"FrmAssegna", "FrmTrasmetti", "FrmSpediti", "FrmArchiviati"}) {
        QWidget *w = WindowRegistry::open(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        if (auto *a = qobject_cast<iter::FrmAssegna *>(w))
            a->setProtocol(QStringLiteral("E"), QStringLiteral("20260000001"), QStringLiteral("07/12/2026"));
        if (auto *t = qobject_cast<iter::FrmTrasmetti *>(w))
            t->setProtocol(QStringLiteral("E"), QStringLiteral("20260000001"), QStringLiteral("07/12/2026"));
        expectWholeInside(w, area, name);
    }
}

NIMBO_INSTANTIATE_ENGINES(SendLook);

} // namespace
