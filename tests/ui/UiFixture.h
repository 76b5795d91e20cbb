#pragma once
// Demo database on both engines, the generic server, scripted boxes and a
// recorded exit, for the login and main-window tests.

#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

#include "servers/Servers.h"
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
    template <class T = QPushButton> static T *child(QWidget *w, const char *name)
    {
        return w->findChild<T *>(QLatin1String(name));
    }

    ScriptedDialogs boxes;
    QList<int> exits;
};

} // namespace nimbo::test
