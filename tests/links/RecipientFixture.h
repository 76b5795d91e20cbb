#pragma once
// The further-recipients window on the demo register, both engines: the
// program started with the protocol server and DEMO9 (department PRO)
// logged in, an outgoing protocol whose main recipient is entry 2 (COMUNE
// DI POTENZA), and groups of entries of his department, shared or of
// another department.

#include <QRadioButton>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "addressbook/AddressBook.h"
#include "addressbook/AddressBookRules.h"
#include "links/FrmAltriDest.h"
#include "links/Links.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace nimbo::test {

class RecipientTest : public MainWindowTest {
protected:
    inline static const QString kOutgoing = QStringLiteral("20250000040");
    static constexpr qlonglong kMain = 2;

    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        addressbook::registerAddressBookWindows();
        links::registerLinksWindows();
        seedProtocol(kOutgoing, QStringLiteral("U"));
    }
    MDIMenu *start()
    {
        MDIMenu *main = logInAsDemo();
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

    // ---- the register ----

    void seedProtocol(const QString &number, const QString &direction, const QString &state = QStringLiteral("A"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES "
                           "('001', '%1', '%2', '2025-03-04', 'CONVOCAZIONE CONFERENZA DEI SERVIZI', %3, 'LET', 'N', "
                           "'DEMO9', '%4', 'PRO', 'UPR')")
                .arg(direction, number)
                .arg(kMain)
                .arg(state));
    }
    void group(const QString &name, const QString &department, bool shared, const QList<int> &members)
    {
        for (int id : members)
            sql(QStringLiteral("INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, "
                               "Tab_Identificativo, Tab_Condiviso) VALUES ('001', '%1', '%2', %3, %4)")
                    .arg(department, name)
                    .arg(id)
                    .arg(shared ? 1 : 0));
    }
    void further(const QString &number, int id)
    {
        sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_MittDest, Tab_principale) VALUES ('001', 'U', '%1', %2, 'N')")
                .arg(number)
                .arg(id));
    }
    // The protocol's further recipients in the register, by identifier.
    QStringList stored(const QString &number = kOutgoing)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_MittDest FROM Tab_ProtocolloDestinatari WHERE Tab_Ente = '001' AND "
                                          "Tab_NumeroProtocollo = '%1' AND Tab_principale = 'N' ORDER BY Tab_MittDest")
                               .arg(number)));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    // ---- the window ----

    static ui::RowList *rows(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    // The identifiers the further-recipient list shows, sorted.
    static QStringList listed(QWidget *w)
    {
        QStringList out;
        ui::RowList *l = rows(w, "LwAltri");
        for (int i = 0; l && i < l->count(); ++i)
            out << l->text(i, 0);
        std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        return out;
    }
    // The texts of one column of a list, in load order.
    static QStringList column(QWidget *w, const char *view, int c)
    {
        QStringList out;
        ui::RowList *l = rows(w, view);
        for (int i = 0; l && i < l->count(); ++i)
            out << l->text(i, c);
        return out;
    }
    // Ticks the rows of a list whose column holds one of the texts.
    static void tick(QWidget *w, const char *view, int c, const QStringList &texts)
    {
        ui::RowList *l = rows(w, view);
        ASSERT_NE(l, nullptr) << view;
        for (const QString &t : texts) {
            const int at = column(w, view, c).indexOf(t);
            ASSERT_GE(at, 0) << t.toStdString();
            l->model()->setChecked(at, true);
        }
    }
    // FrmAltriDest opened by name on a protocol, in a mode.
    static links::FrmAltriDest *openOn(const QString &number, const QString &mode = QString(),
                                      const QString &direction = QStringLiteral("U"))
    {
        auto *w = qobject_cast<links::FrmAltriDest *>(WindowRegistry::open(QStringLiteral("FrmAltriDest"), mode));
        if (w)
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
        return w;
    }
    // The selection panel opened, singles or groups shown, searched.
    static void searchFor(links::FrmAltriDest *w, bool groups, const QString &text = QString(), bool contains = false)
    {
        child(w, "CmdAggiungi")->click();
        child<QRadioButton>(w, groups ? "OptVisualizza_1" : "OptVisualizza_0")->click();
        pickItem(w, "CboFiltro", contains ? QStringLiteral("Contiene la stringa!") : QStringLiteral("Inizia per"));
        child<QLineEdit>(w, "TxtRicerca")->setText(text);
        child(w, "CmdCerca")->click();
    }
};

} // namespace nimbo::test
