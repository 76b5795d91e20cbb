#pragma once
// Demo database on both engines, the generic server, scripted boxes and a
// recorded exit, for the login and main-window tests.

#include <QDate>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

#include <memory>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "startup/LoginRules.h"
#include "startup/PSWMask.h"
#include "startup/StartUp.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

namespace nimbo::test {

class UiTest : public EngineTest {
protected:
    Seed seed() const override { return Seed::Demo; }
    void SetUp() override
    {
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
        StartUp::setLogin([code, password](const QStringList &) {
            PSWMask w;
            type(&w, "txtOperatore", code);
            type(&w, "txtPassword", password);
            w.findChild<QPushButton *>(QStringLiteral("cbuOk"))->click();
            return w.result() == QDialog::Accepted;
        });
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

} // namespace nimbo::test
