#pragma once
// The demo register on both engines with the history windows and servers,
// logged in as a demo operator through the login window; old archives made
// from the documented layout.

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include "../ui/UiFixture.h"
#include "documents/Documents.h"
#include "history/History.h"
#include "search/Search.h"
#include "servers/HistoryServer.h"
#include "servers/ImageRequests.h"
#include "startup/FrmAbout.h"

namespace nimbo::test {

class HistoryTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        history::registerHistoryWindows();
        documents::registerDocumentWindows();
        search::registerSearchWindows();
        startup::registerAboutWindow();
    }
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    // Logs in through the login window; the main window.
    MDIMenu *start(const QString &code = QStringLiteral("DEMO9"), const QString &password = QStringLiteral("demo9pwd"),
                   const QStringList &extra = {})
    {
        const int started = startAs(code, password, QStringList{QStringLiteral("SET OLEIMG=") + kImageProgId,
                                                                QStringLiteral("SET OLESTORICO=") + kHistoryProgId,
                                                                QStringLiteral("SET REPORT=") + shippedTemplates(),
                                                                QStringLiteral("SET STAMPANTE-REPORT=PDF")}
                                                        + extra);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        return qobject_cast<MDIMenu *>(StartUp::mainWindow());
    }
    // Runs the documented layout script on a connection.
    static bool makeOldLayout(QSqlDatabase db, QString *error)
    {
        QFile f(QStringLiteral(NIMBO_OLD_LAYOUT));
        if (!f.open(QIODevice::ReadOnly)) {
            *error = f.errorString();
            return false;
        }
        QString script;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                script += line + QLatin1Char('\n');
        QSqlQuery q(db);
        for (const QString &statement : script.split(QLatin1Char(';')))
            if (!statement.trimmed().isEmpty() && !q.exec(statement)) {
                *error = statement + QStringLiteral(": ") + q.lastError().text();
                return false;
            }
        return true;
    }
};

} // namespace nimbo::test
