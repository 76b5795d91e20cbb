// Each window of the scheme, the dossiers and the closing of cases as the
// clerk sees it, alone in the main window: whole inside it, every box
// labelled, no heading or date cut, no list scrolling sideways.

#include <QMdiSubWindow>

#include "SchemeFixture.h"
#include "classification/CloseCaseWindow.h"
#include "ui/RecordEditor.h"

using namespace nimbo;

namespace {

class SchemeLook : public test::SchemeWindowTest {};

TEST_P(SchemeLook, EveryWindowFitsTheMainWindowWithItsFieldsLabelled)
{
    protocolRow(QStringLiteral("E"), QStringLiteral("20240000001"), QDate(2024, 1, 10));
    assigned(QStringLiteral("E"), QStringLiteral("20240000001"), QStringLiteral("UPR"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    const QList<QPair<QString, QString>> cls{{QStringLiteral("Tab_Ente"), QStringLiteral("001")},
                                            {QStringLiteral("Tab_Titolo"), QStringLiteral("01")},
                                            {QStringLiteral("Tab_Categoria"), QStringLiteral("02")},
                                            {QStringLiteral("Tab_Classe"), QStringLiteral("01")}};
    const QList<QPair<QString, QString>> category{{QStringLiteral("Tab_Ente"), QStringLiteral("001")},
                                                 {QStringLiteral("Tab_CodiceTitolo"), QStringLiteral("01")},
                                                 {QStringLiteral("Tab_CodiceCategoria"), QStringLiteral("02")}};
    for (const char *name : {"FrmTitoli", "FrmCategorie", "frmClassi", "frmFascicoli", "frmArchPratica", "frmArchivia"}) {
        SCOPED_TRACE(name);
        QWidget *w = WindowRegistry::open(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr);
        QMdiSubWindow *sub = main->area()->currentSubWindow();
        if (auto *e = qobject_cast<ui::RecordEditor *>(w)) {
            const QString n = QString::fromLatin1(name);
            if (n == QLatin1String("frmFascicoli"))
                e->changeContext(cls);
            else if (n != QLatin1String("FrmTitoli"))
                e->changeContext(category.mid(0, n == QLatin1String("FrmCategorie") ? 2 : 3));
            e->setHeading(QStringLiteral("CLASSE 01.02.01 - PRATICHE ORDINARIE"));
            e->reloadList();
            ASSERT_NE(rowsOf(w, "LwTitoli") ? rowsOf(w, "LwTitoli")->count()
                      : rowsOf(w, "LwCategorie") ? rowsOf(w, "LwCategorie")->count()
                      : rowsOf(w, "LwClassi") ? rowsOf(w, "LwClassi")->count()
                                                : rowsOf(w, "LwFascicoli")->count(),
                      0);
            // The detail as it is while an element is being entered.
            press(main, "NUOVO");
        } else {
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, QStringLiteral("E")),
                                      Q_ARG(QString, QStringLiteral("20240000001")));
            EXPECT_EQ(text(w, "TxtNumero"), QStringLiteral("2024-0000001"));
        }
        test::expectFitsWithFieldsLabelled(main, w, db().folder() + QLatin1Char('/') + QLatin1String(name) + ".png");
        boxes.answers = {Answer::Yes};
        sub->close();
    }
}

NIMBO_INSTANTIATE_ENGINES(SchemeLook);

} // namespace
