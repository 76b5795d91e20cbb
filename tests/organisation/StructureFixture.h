#pragma once
// The structure windows' tests: the demo register, DEMO9 logged in, the
// structure windows registered, and stand-in record editors under the
// editor names the tree opens (the real editors are tested on their own).

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "organisation/Organisation.h"
#include "startup/MDIMenu.h"
#include "startup/PSWMask.h"
#include "startup/StartUp.h"
#include "ui/RecordEditor.h"
#include "ui/WindowRegistry.h"
#include "ui/UiFixture.h"

namespace nimbo::test {

// One record of a table: a key field and a name field under the context
// the opener gives. It reads and writes through the kit like any editor.
class StandInEditor : public ui::RecordEditor {
public:
    StandInEditor(const QString &table, const QStringList &context, const QString &key, const QString &name,
                  Kind keyKind = Kind::Text)
    {
        setTable(table);
        auto *panel = new QWidget(this);
        code = new QLineEdit(panel);
        code->setObjectName(QStringLiteral("TxtCodice"));
        label = new QLineEdit(panel);
        label->setObjectName(QStringLiteral("TxtNome"));
        auto *row = new QHBoxLayout(panel);
        row->addWidget(code);
        row->addWidget(label);
        bind(key, code, keyKind, true);
        bind(name, label);
        setLoad(
            [table, context, key, name](const ui::Record &k) {
                QString sql = QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 = %4").arg(key, name, table, ui::sqlText(k.value(key)));
                for (const QString &c : context)
                    sql += QStringLiteral(" AND ") + c + QStringLiteral(" = ") + ui::sqlText(k.value(c));
                return sql;
            },
            {key, name});
        arrange(nullptr, nullptr, panel);
    }
    ui::CheckList checks(bool) const override { return {}; }

    QLineEdit *code;
    QLineEdit *label;
};

class StructureTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The demo's own notices and the history its loading left: each
        // test starts from the rows it writes.
        sql(QStringLiteral("DELETE FROM Prot_Strutture_I"));
        sql(QStringLiteral("DELETE FROM Tab_Dipartimenti_Storico"));
        sql(QStringLiteral("DELETE FROM Tab_Uffici_Storico"));
        organisation::registerStructureWindows();
    }
    void TearDown() override
    {
        main.reset();
        for (const QString &n : standIns)
            WindowRegistry::remove(n);
        StartUp::shutdown();
        UiTest::TearDown();
    }
    // DEMO9 logged in, the main window with his menus.
    MDIMenu *logIn(const QString &code = QStringLiteral("DEMO9"))
    {
        PSWMask w;
        type(&w, "txtOperatore", code);
        main.reset(static_cast<MDIMenu *>(MDIMenu::create()));
        return main.get();
    }
    // Presses a menu item of the main window; the window it opened.
    QWidget *press(const char *item)
    {
        auto *a = main->findChild<QAction *>(QLatin1String(item));
        EXPECT_NE(a, nullptr) << item;
        if (!a)
            return nullptr;
        EXPECT_TRUE(a->isEnabled()) << item;
        a->trigger();
        QMdiSubWindow *sub = main->area()->currentSubWindow();
        return sub ? sub->widget() : nullptr;
    }
    void registerStandIns()
    {
        using K = ui::RecordEditor::Kind;
        const auto add = [this](const QString &window, const QString &table, const QStringList &context,
                                const QString &key, const QString &name, K kind = K::Text) {
            WindowRegistry::add(window, [=] { return new StandInEditor(table, context, key, name, kind); });
            standIns << window;
        };
        add(QStringLiteral("frmGEnti"), QStringLiteral("Tab_Enti"), {}, QStringLiteral("Ente_Codice"),
            QStringLiteral("Ente_Denominazione"));
        add(QStringLiteral("frmGDipartimenti"), QStringLiteral("Tab_Dipartimenti"), {QStringLiteral("Dipa_CodiceEnte")},
            QStringLiteral("Dipa_CodDipartimento"), QStringLiteral("Dipa_Denominazione"));
        add(QStringLiteral("FrmGUffici"), QStringLiteral("Tab_Uffici"),
            {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Dipartimento")}, QStringLiteral("Tab_Ufficio"),
            QStringLiteral("Tab_Descrizione"));
    }
    void registerMemberStandIn()
    {
        WindowRegistry::add(QStringLiteral("FrmGComponenti"), [] {
            return new StandInEditor(QStringLiteral("Tab_UfficiComponenti"),
                                     {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Dipartimento"),
                                      QStringLiteral("Tab_Ufficio")},
                                     QStringLiteral("Tab_Progressivo"), QStringLiteral("Tab_Componente"),
                                     ui::RecordEditor::Kind::Number);
        });
        standIns << QStringLiteral("FrmGComponenti");
    }
    // The daily log's folder, which the program makes at start-up.
    static void makeLogFolder() { QDir().mkpath(QFileInfo(DicAmbiente::logFilePath()).path()); }
    QString logText()
    {
        QFile f(DicAmbiente::logFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    std::unique_ptr<MDIMenu> main;
    QStringList standIns;
};

} // namespace nimbo::test
