#pragma once
// The deadline overview on the demo register, both engines: protocols of
// body 001 written by hand, assigned for competence with deadlines counted
// from today, some completed; the program started and the window opened
// through its menu item, as a clerk opens it.

#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "deadlines/Deadlines.h"
#include "deadlines/OverviewRules.h"
#include "deadlines/OverviewWindow.h"
#include "documents/Documents.h"
#include "iter/Iter.h"
#include "links/Links.h"
#include "search/FrmFiltroRProtRules.h"
#include "search/ProtocolDetail.h"
#include "support/Files.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace nimbo::test {

class OverviewFixture : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        deadlines::registerOverviewWindows();
        documents::registerDocumentWindows();
        iter::registerIterWindows();
        links::registerLinksWindows();
    }

    static QString number(int n) { return QStringLiteral("2025%1").arg(n, 7, 10, QLatin1Char('0')); }
    static QString shown(int n) { return QStringLiteral("2025-%1").arg(n, 7, 10, QLatin1Char('0')); }
    static QString day(int fromToday) { return QDate::currentDate().addDays(fromToday).toString(QStringLiteral("dd/MM/yyyy")); }

    // A protocol registered by PRO/UPR unless said otherwise; holder 2 is
    // COMUNE DI POTENZA.
    void protocol(int n, const QString &subject, bool reserved = false, int holder = 2,
                  const QString &department = QStringLiteral("PRO"), const QString &office = QStringLiteral("UPR"),
                  const QString &direction = QStringLiteral("E"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) "
                           "VALUES ('001', '%7', '%1', '2025-03-04', '%2', %3, 'LET', '%4', 'DEMO9', 'A', '%5', '%6')")
                .arg(number(n), QString(subject).replace(QLatin1Char('\''), QStringLiteral("''")))
                .arg(holder)
                .arg(reserved ? QStringLiteral("S") : QStringLiteral("N"), department, office, direction));
    }
    // Assigned by `by` to an office for competence, due `days` from today.
    void assigned(int n, int days, const QString &office = QStringLiteral("UPR"), const QString &by = QStringLiteral("DEMO9"),
                  const QString &direction = QStringLiteral("E"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, "
                           "Tab_Annotazioni, Tab_DataEvasione) VALUES ('001', '%5', '%1', '20250305090000', 4, 'UPR', "
                           "'%2', 'N', 'DA ISTRUIRE %3', '%4')")
                .arg(number(n), by)
                .arg(n)
                .arg(QDate::currentDate().addDays(days).toString(Qt::ISODate), direction));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
                           "VALUES ('001', '%3', '%1', '20250305090000', '%2', 0, 1)")
                .arg(number(n), office, direction));
    }
    // Completed: a type-5 movement.
    void handled(int n)
    {
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) "
                           "VALUES ('001', 'E', '%1', '20250310090000', 5, 'UPR', 'DEMO7', 'N')")
                .arg(number(n)));
    }

    MDIMenu *start(const QString &code, const QStringList &extra = {})
    {
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"),
                                    QStringList{QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                                QStringLiteral("SET STAMPANTE-REPORT=PDF"),
                                                QStringLiteral("SET REPORT=") + shippedTemplates()}
                                        + extra);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
        if (main)
            main->resize(1024, 768);
        // The start-up notices are shown once the event loop runs; they are
        // not what these tests look at.
        QCoreApplication::processEvents();
        boxes.clear();
        return main;
    }
    static deadlines::FrmScadPratiche *openOverview(MDIMenu *main)
    {
        return qobject_cast<deadlines::FrmScadPratiche *>(menu(main, "mnuricprotope"));
    }
    static void searchDue(MDIMenu *main, deadlines::FrmScadPratiche *w, const QString &days)
    {
        w->findChild<QRadioButton *>(QStringLiteral("OptinScad"))->setChecked(true);
        pickItem(w, "cmbGG", days);
        press(main, "CERCA");
    }
    static void searchOverdue(MDIMenu *main, deadlines::FrmScadPratiche *w)
    {
        w->findChild<QRadioButton *>(QStringLiteral("OptScadute"))->setChecked(true);
        press(main, "CERCA");
    }
    // One column of every row, in the order the list shows them.
    static QStringList column(ui::RowList *list, int c)
    {
        const QAbstractItemModel *m = list->view()->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, c).data().toString();
        return out;
    }
    // The codes a combo offers after its first item of dashes.
    static QStringList offered(QWidget *w, const char *name)
    {
        auto *c = w->findChild<QComboBox *>(QLatin1String(name));
        QStringList out;
        for (int i = 1; c && i < c->count(); ++i)
            out << c->itemData(i).toString();
        return out;
    }
    static QString pdfText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(30000))
            return QStringLiteral("<pdftotext did not finish>");
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // What a Python reader of the file prints, line by line (a failing
    // script prints its error instead, for the assertion to show).
    static QStringList python(const QString &script, const QString &file)
    {
        // The system's interpreter, which carries the distribution's readers
        // (a python3 of one's own earlier on the PATH may lack them).
        const QString system = QStringLiteral("/usr/bin/python3");
        QProcess py;
        py.start(QFileInfo::exists(system) ? system : QStringLiteral("python3"), {QStringLiteral("-c"), script, file});
        if (!py.waitForFinished(30000))
            return {QStringLiteral("<python3 did not finish>")};
        const QString out = QString::fromUtf8(py.readAllStandardOutput()).trimmed();
        return py.exitCode() == 0 ? out.split(QLatin1Char('\n')) : QStringList{QString::fromUtf8(py.readAllStandardError())};
    }
    QString boxTexts() const { return boxes.texts().join(QLatin1Char('|')); }
};

} // namespace nimbo::test
