// An exception escaping an event handler goes through the central error
// handler: the "GestError.log" block, the Abort/Retry/Ignore box, and the
// program goes on (or ends, when the operator says so).

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "support/ScriptedDialogs.h"

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        DicAmbiente::resetSession();
        GECentr::clearLastError();
        auto &s = DicAmbiente::session();
        s.programFolder = dir.path();
        s.programName = QStringLiteral("Nimbo");
        s.cfg = DicAmbiente::defaultConfig(dir.path());
        ASSERT_TRUE(DicAmbiente::ensureWorkFolder(s.cfg.applTemp));
        GECentr::setCloseHooks({}, [this](int code) { exitCodes.append(code); });
    }
    void TearDown() override
    {
        GECentr::setCloseHooks({}, {});
        DicAmbiente::resetSession();
    }
    QStringList errorLog() const
    {
        QFile f(dir.path() + QStringLiteral("/GestError.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                           : QStringList();
    }

    QTemporaryDir dir;
    nimbo::test::ScriptedDialogs boxes;
    QList<int> exitCodes;
};

} // namespace

TEST_F(ApplicationTest, ThrowingButtonHandlerIsReportedAndTheProgramGoesOn)
{
    QPushButton button(QStringLiteral("Prova"));
    button.setObjectName(QStringLiteral("FrmProva"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&clicks] {
        ++clicks;
        throw std::runtime_error("archivio non raggiungibile");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Attenzione!!!"));
    EXPECT_EQ(boxes.shown[0].buttons, nimbo::Buttons::AbortRetryIgnore);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Tipo errore: archivio non raggiungibile")));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Modulo generatore: FrmProva")));
    const QStringList log = errorLog();
    ASSERT_EQ(log.size(), 6);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("Applicazione: Nimbo .exe ")));
    EXPECT_EQ(log[2], QStringLiteral("Numero:   -1 - Tipo errore: archivio non raggiungibile"));
    EXPECT_TRUE(log[3].startsWith(QStringLiteral("Sorgente: QPushButton - Routine: MouseButtonRelease")));
    EXPECT_EQ(log[4], QStringLiteral("Tasto premuto: Ignora"));
    EXPECT_EQ(log[5], QString(120, QLatin1Char('-')));
    EXPECT_TRUE(exitCodes.isEmpty());

    // The event loop is still there for the next event.
    bool later = false;
    QMetaObject::invokeMethod(&button, [&later] { later = true; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_TRUE(later);
}

TEST_F(ApplicationTest, RetryRunsTheHandlerAgainAndAbortEndsTheProgram)
{
    QObject receiver;
    int calls = 0;
    boxes.answers = {nimbo::Answer::Retry};
    QMetaObject::invokeMethod(&receiver, [&calls] {
        if (++calls == 1)
            throw std::runtime_error("prima volta");
    }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(errorLog().value(4), QStringLiteral("Tasto premuto: Riprova"));

    boxes.clear();
    boxes.answers = {nimbo::Answer::Abort};
    QMetaObject::invokeMethod(&receiver, [] { throw 42; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Tipo errore: Eccezione non riconosciuta")));
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("L'Applicazione E' Diventata Instabile a Causa di Errori. Si "
                                                  "Effettua Una Chiusura per Consentire La Ripartenza"));
    EXPECT_EQ(exitCodes, QList<int>{1});
}
