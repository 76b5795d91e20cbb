#pragma once
// The dossier chooser, the quick creation of a dossier and the
// classification of a protocol on the demo register, both engines: the
// program started with the protocol server, DEMO9 (or another demo
// operator) logged in, and the demo scheme: titles 01-03, categories 01-02,
// classes 01-02, dossier 1 "CORRISPONDENZA CON LA REGIONE" in 01.02.01.

#include <QListWidget>
#include <QMdiArea>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>

#include "../ui/UiFixture.h"
#include "data/ServerRegistry.h"
#include "classification/ChooserInsClass.h"
#include "classification/ChooserLightDossier.h"
#include "classification/Classification.h"
#include "classification/ClassifyProtocol.h"
#include "documents/Documents.h"
#include "iter/Iter.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace nimbo::test {

class ClassifyTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
        documents::registerDocumentWindows();
        classification::registerChooserWindows();
    }
    MDIMenu *start(const QString &code = QStringLiteral("DEMO9"))
    {
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"),
                                    {QStringLiteral("SET OLEGP=") + kProtocolProgId});
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        boxes.clear();
        return main;
    }
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    static QWidget *front(MDIMenu *main)
    {
        QApplication::processEvents();
        return activeChild(main);
    }

    // ---- the register ----

    // A protocol of body 001 registered by DEMO9.
    void seedProtocol(const QString &number, const QString &direction = QStringLiteral("E"),
                      const QString &state = QStringLiteral("A"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo) VALUES ('001', '%1', '%2', '2025-03-04', "
                           "'DOMANDA DI CONTRIBUTO', 2, 'LET', 'N', 'DEMO9', '%3')")
                .arg(direction, number, state));
    }
    void dossier(const char *path, int code, const QString &description, const QString &closed = QString())
    {
        const QStringList p = QString::fromLatin1(path).split(QLatin1Char('.'));
        sql(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                           "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_Chiusura) VALUES ('001', '%1', '%2', "
                           "'%3', %4, '%5', '2025-01-02', %6)")
                .arg(p.value(0), p.value(1), p.value(2))
                .arg(code)
                .arg(description, closed.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + closed + QLatin1Char('\'')));
    }
    // The protocol filed in a dossier, as another workstation would file it.
    void link(const QString &number, const char *path, int code, const QString &direction = QStringLiteral("E"))
    {
        const QStringList p = QString::fromLatin1(path).split(QLatin1Char('.'));
        sql(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, Tab_Provenienza) VALUES "
                           "('001', '%1', '%2', '%3', '%4', '%5', %6, 'P')")
                .arg(direction, number, p.value(0), p.value(1), p.value(2))
                .arg(code));
    }
    int links(const QString &number, const QString &more = QString())
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProFascicoli WHERE Tab_NumeroProtocollo = '") + number
                      + QLatin1Char('\'') + more)
            .toInt();
    }

    // ---- the windows ----

    // Types a code and presses Enter, as the clerk does.
    static void enter(QWidget *w, const char *field, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(field));
        ASSERT_NE(e, nullptr) << field;
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    // The chooser on a class, its open dossiers listed.
    static void listClass(classification::FrmInsClass *c, const char *path)
    {
        const QStringList p = QString::fromLatin1(path).split(QLatin1Char('.'));
        enter(c, "CodTitolo", p.value(0));
        enter(c, "CodCategoria", p.value(1));
        enter(c, "CodClasse", p.value(2));
        child(c, "cmdSchedarioSu")->click();
    }
    static QStringList items(classification::FrmInsClass *c)
    {
        QStringList out;
        auto *list = child<QListWidget>(c, "LstSchedario");
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    // Chooses the listed dossiers (by their item text) with clicks and confirms.
    static void chooseAndConfirm(classification::FrmInsClass *c, const QStringList &chosen)
    {
        auto *list = child<QListWidget>(c, "LstSchedario");
        for (const QString &text : chosen) {
            const auto found = list->findItems(text, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << text.toStdString();
            const QRect at = list->visualItemRect(found.first());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
            ASSERT_TRUE(found.first()->isSelected()) << text.toStdString();
        }
        child(c, "CmdConferma")->click();
    }
    // The rows of a list made by the kit, each row's shown texts joined by "|".
    static QStringList shownRows(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        QStringList out;
        if (!v)
            return {QStringLiteral("<no list>")};
        auto *list = qobject_cast<ui::RowList *>(v->parentWidget());
        for (int r = 0; list && r < list->count(); ++r) {
            QStringList cells;
            for (int c = 0; c < v->model()->columnCount(); ++c)
                if (!v->isColumnHidden(c))
                    cells << list->text(r, c);
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    static QStringList treeRows(QWidget *w, const char *name)
    {
        auto *tree = w->findChild<QTreeWidget *>(QLatin1String(name));
        QStringList out;
        for (int i = 0; tree && i < tree->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < tree->columnCount(); ++c)
                cells << tree->topLevelItem(i)->text(c);
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    // FrmClassifica opened by name on a protocol, in a mode.
    static classification::FrmClassifica *classify(const QString &number, const QString &mode,
                                                   const QString &direction = QStringLiteral("E"))
    {
        auto *w = qobject_cast<classification::FrmClassifica *>(WindowRegistry::open(QStringLiteral("FrmClassifica")));
        if (w) {
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
            QMetaObject::invokeMethod(w, "setMode", Q_ARG(QString, mode));
        }
        return w;
    }

    inline static const QString kRegion = QStringLiteral("00001 - CORRISPONDENZA CON LA REGIONE");
    inline static const QString kScheme = QStringLiteral("01 - AMMINISTRAZIONE GENERALE|02 - CORRISPONDENZA|"
                                                         "01 - PRATICHE ORDINARIE|");
};

} // namespace nimbo::test
