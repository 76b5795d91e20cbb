#pragma once
// The code-table windows on the demo register, both engines, the demo
// operator's profile loaded, and a spy in front of the generic server that
// notes every SQL text and every statement of a write.

#include <QComboBox>
#include <QTableView>
#include <QTreeView>

#include "../ui/UiFixture.h"
#include "codes/CodeTables.h"
#include "codes/FrmCodici.h"
#include "codes/FrmOggettiR.h"
#include "servers/GenericServer.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace nimbo::test {

inline const QString kSpyGeneric = QStringLiteral("NimboTest.SpiaGenerica");

class GenericSpy : public AppServer {
public:
    GenericSpy(QStringList *sql, QVector<Funzioni_Com_1::Statement> *writes) : sql_(sql), writes_(writes) {}
    QVariantList Elabora(short operation, QVariantList &params) override
    {
        if (operation == Funzioni_Com_1::kOpBatchWrite) {
            QVector<Funzioni_Com_1::Statement> st;
            if (Funzioni_Com_1::unpackStatements(params.value(1).toList(), &st))
                *writes_ += st;
            for (const auto &s : std::as_const(st))
                *sql_ << s.table + QLatin1Char('|') + s.condition;
        } else {
            *sql_ << params.value(1).toString();
        }
        return real_.Elabora(operation, params);
    }

private:
    QStringList *sql_;
    QVector<Funzioni_Com_1::Statement> *writes_;
    GenericServer real_;
};

class CodesTest : public ProtocolWindowTest {
protected:
    void SetUp() override
    {
        ProtocolWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ServerRegistry::add(kSpyGeneric, [this] { return std::make_unique<GenericSpy>(&sqlSeen, &writes); });
        DicAmbiente::session().cfg.oleGenerica = kSpyGeneric;
        logInAs(QStringLiteral("DEMO9"));
    }
    void TearDown() override
    {
        codici.reset();
        oggetti.reset();
        ServerRegistry::remove(kSpyGeneric);
        ProtocolWindowTest::TearDown();
    }
    codes::FrmCodici *openCodici()
    {
        codici = std::make_unique<codes::FrmCodici>();
        return codici.get();
    }
    codes::FrmOggettiR *openOggetti()
    {
        oggetti = std::make_unique<codes::FrmOggettiR>();
        return oggetti.get();
    }
    static QLineEdit *edit(QWidget *w, const char *name) { return w->findChild<QLineEdit *>(QLatin1String(name)); }
    // Types as the operator does, replacing what the field holds.
    static void keys(QWidget *w, const char *name, const QString &text)
    {
        QLineEdit *e = edit(w, name);
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    static void pick(QWidget *w, const char *name, const QString &data)
    {
        auto *c = w->findChild<QComboBox *>(QLatin1String(name));
        ASSERT_NE(c, nullptr) << name;
        const int at = c->findData(data);
        ASSERT_GE(at, 0) << name << " " << data.toStdString();
        c->setCurrentIndex(at);
    }
    static void click(QWidget *w, const char *name)
    {
        auto *b = w->findChild<QPushButton *>(QLatin1String(name));
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        b->click();
    }
    static QString focused(QWidget *w) { return w->focusWidget() ? w->focusWidget()->objectName() : QString(); }
    // Clicks the row of a list whose first column holds the text.
    static bool clickRow(ui::RowList *list, const QString &text)
    {
        const int row = list->model()->find(0, text);
        if (row < 0)
            return false;
        emit list->view()->clicked(list->proxy()->mapFromSource(list->model()->index(row, 0)));
        return true;
    }
    bool sawSqlContaining(const QString &text) const
    {
        for (const QString &s : sqlSeen)
            if (s.contains(text, Qt::CaseInsensitive))
                return true;
        return false;
    }

    QStringList sqlSeen;
    QVector<Funzioni_Com_1::Statement> writes;
    std::unique_ptr<codes::FrmCodici> codici;
    std::unique_ptr<codes::FrmOggettiR> oggetti;
};

} // namespace nimbo::test
