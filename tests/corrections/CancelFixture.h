#pragma once
// The cancellation window on the demo register, both engines: the program
// started with the protocol server, the correction and registration
// windows known, protocols of the demo body seeded by hand.

#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>

#include "../ui/UiFixture.h"
#include "corrections/CancelWindow.h"
#include "corrections/Corrections.h"
#include "ui/RowList.h"

namespace nimbo::test {

class CancelTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        corrections::registerCorrectionWindows();
    }
    MDIMenu *start(const QString &code, const QStringList &extra = {})
    {
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"),
                                    QStringList{QStringLiteral("SET OLEGP=") + kProtocolProgId} + extra);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        boxes.clear();
        return main;
    }
    void seed(const QString &number, const QString &direction, const QString &date, const QString &subject,
              const QString &privacy = QStringLiteral("N"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_OraProtocollo, Tab_Oggetto, "
                           "Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, Tab_CodiceOpeReg, Tab_StatoProtocollo, "
                           "Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('001', '%1', '%2', '%3', '%3', "
                           "'10:00:00', '%4', 2, 'LET', '%5', 'DEMO9', 'A', 'PRO', 'UPR')")
                .arg(direction, number, date, subject, privacy));
    }
    static ui::RowList *rows(QWidget *w)
    {
        auto *v = w->findChild<QTableView *>(QStringLiteral("LwProtocolli"));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    // One column of the result list, in load order.
    static QStringList column(QWidget *w, int c)
    {
        QStringList out;
        ui::RowList *l = rows(w);
        for (int i = 0; l && i < l->count(); ++i)
            out << l->text(i, c);
        return out;
    }
    // The cancellation window from the main menu, as the clerk opens it.
    corrections::FrmCancProto *openCancellation(MDIMenu *main)
    {
        return qobject_cast<corrections::FrmCancProto *>(menu(main, "mnucancprot"));
    }
    // Searches the protocols whose subject contains the text.
    static void searchSubject(QWidget *w, const QString &text)
    {
        auto *subject = w->findChild<QLineEdit *>(QStringLiteral("TxtOggetto"));
        subject->setText(text);
        w->findChild<QPushButton *>(QStringLiteral("CmdCerca"))->click();
    }
    // The row holding the number, chosen as a click on it chooses it.
    static void chooseNumber(QWidget *w, const QString &shown)
    {
        const int at = column(w, 1).indexOf(shown);
        ASSERT_GE(at, 0) << shown.toStdString();
        emit rows(w)->chosen(at);
    }
};

} // namespace nimbo::test
