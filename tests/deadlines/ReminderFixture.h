#pragma once
// The demo register on both engines with matters assigned for competence
// written straight into it, and the program started with the reminder,
// print and agenda windows registered, for the tests of those windows.

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include "deadlines/Deadlines.h"
#include "support/Files.h"
#include "ui/RowList.h"
#include "ui/UiFixture.h"

namespace nimbo::test {

class DeadlineWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        deadlines::registerReminderWindows();
    }

    static QString s(const char *t) { return QString::fromUtf8(t); }
    static QString number(int n) { return QStringLiteral("2024%1").arg(n, 7, 10, QLatin1Char('0')); }

    // The rows of a query, one text per row with the columns joined by "|".
    QStringList rows(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            QStringList cols;
            for (int c = 0; c < q.record().count(); ++c)
                cols << q.value(c).toString().left(c == 0 ? -1 : 200);
            out << cols.join(QLatin1Char('|'));
        }
        return out;
    }

    // A protocol of 2024 assigned for competence to an office, due on the
    // given day; with `completed` it also has its completion movement.
    void matter(int n, const QString &office, const QDate &due, bool reserved = false, bool completed = false)
    {
        run(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
              "Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, "
              "Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ('001', 'E', ?, ?, ?, 'PRO', 'UPR', "
              "'DEMO9', ?, 'A', 1, 'LET')"),
            {number(n), QDate(2024, 1, 2), QStringLiteral("OGGETTO %1").arg(n), reserved ? s("S") : s("N")});
        const QString serial = QStringLiteral("2024010309%1").arg(n % 100, 2, 10, QLatin1Char('0')) + s("00");
        run(s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
              "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, Tab_DataEvasione) "
              "VALUES ('001', 'E', ?, ?, 4, 'UPR', 'DEMO9', 'N', ?)"),
            {number(n), serial, due});
        run(s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
              "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
              "VALUES ('001', 'E', ?, ?, ?, 0, 1)"),
            {number(n), serial, office});
        if (completed)
            run(s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                  "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) "
                  "VALUES ('001', 'E', ?, '20240201100000', 5, ?, 'DEMO8', 'N')"),
                {number(n), office});
    }

    // Logs in (the report printer writes PDF files) with the given privacy
    // right; the main window.
    MDIMenu *start(const char *code, const char *privacy = "N")
    {
        run(s("UPDATE Tab_Operatori SET Op_AbilPrivacy = ? WHERE Op_Codice_Operatore = ?"), {s(privacy), s(code)});
        return logInPrinting(s(code), s(code).toLower() + s("pwd"));
    }

    static QString column(ui::RowList *list, int col)
    {
        QStringList out;
        for (int r = 0; r < list->count(); ++r)
            out << list->text(r, col);
        return out.join(QLatin1Char(','));
    }

    QTemporaryDir out;
};

} // namespace nimbo::test
