#pragma once
// The program started and driven through its menus, with the registration
// window and the link windows, on a demo register holding a few protocols
// of March 2025 written by hand.

#include <QTableView>
#include <QTreeWidget>

#include "../ui/UiFixture.h"
#include "links/Links.h"
#include "ui/RowList.h"

namespace nimbo::test {

class LinkWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        links::registerLinksWindows();
        seedProtocol(QStringLiteral("E"), kP, QStringLiteral("DOMANDA DI CONTRIBUTO"), QStringLiteral("2025-03-04"));
        seedProtocol(QStringLiteral("U"), kQ, QStringLiteral("RISPOSTA ALLA DOMANDA"), QStringLiteral("2025-03-10"));
        seedProtocol(QStringLiteral("E"), kR, QStringLiteral("ESPOSTO RISERVATO"), QStringLiteral("2025-03-12"),
                     QStringLiteral("A"), QStringLiteral("S"));
        seedProtocol(QStringLiteral("E"), kGone, QStringLiteral("ANNULLATO"), QStringLiteral("2025-03-11"),
                     QStringLiteral("C"));
    }
    void seedProtocol(const QString &direction, const QString &number, const QString &subject, const QString &day,
                      const QString &state = QStringLiteral("A"), const QString &privacy = QStringLiteral("N"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Intestatario, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_Tipologia) VALUES ('001', '%1', '%2', '%3', '%3', '%4', 2, '%5', 'DEMO9', '%6', 'PRO', "
                           "'UPR', 'LET')")
                .arg(direction, number, day, subject, privacy, state));
    }
    int links() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati")).toInt(); }
    // The list whose view carries the name.
    static ui::RowList *rows(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    static QStringList column(ui::RowList *list, int c)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->text(i, c);
        return out;
    }
    // Chooses a row as the clerk does: the row made current, then Enter.
    static void chooseRow(ui::RowList *list, int c, const QString &text)
    {
        ASSERT_TRUE(list->select(c, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    // Opens the registration window through the menu and loads a protocol
    // through its search.
    protocol::FrmProtocollo *openProtocol(MDIMenu *main, const QString &number)
    {
        auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
        if (!reg)
            return nullptr;
        press(main, "CERCA");
        edit(reg, "TxtAProto", number.left(4));
        edit(reg, "TxtNumero", QString::number(number.mid(4).toInt()));
        for (const char *period : {"DataDal", "DataAl"})
            reg->findChild<QLineEdit *>(QLatin1String(period))->clear();
        child(reg, "CmdAvviaRicerca")->click();
        auto *list = reg->findChild<QTreeWidget *>(QStringLiteral("LwProtocolli"));
        if (!list || list->topLevelItemCount() != 1)
            return nullptr;
        emit list->itemActivated(list->topLevelItem(0), 0);
        return reg;
    }

    const QString kP = QStringLiteral("20250000042"), kQ = QStringLiteral("20250000050"),
                  kR = QStringLiteral("20250000051"), kGone = QStringLiteral("20250000049");
};

} // namespace nimbo::test
