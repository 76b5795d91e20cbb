#pragma once
// Matters assigned for competence written straight into the demo register,
// with deadlines placed around the database server's own clock, for the
// tests of the deadline statement and of what keeps it.

#include <QDateTime>
#include <QSqlQuery>

#include "data/Dialect.h"
#include "deadlines/DeadlineSearch.h"
#include "iter/TrayFixture.h"

namespace nimbo::test {

class DeadlineData : public IterData {
protected:
    void SetUp() override
    {
        IterData::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(Dialect::serverTimeQuery(db().engine())) && q.next());
        now_ = q.value(0).toDateTime();
        ASSERT_TRUE(now_.isValid());
    }

    // The server's clock when the test began, to the second.
    QDateTime now() const { return now_; }
    QDate today() const { return now_.date(); }

    // A protocol of body 001 with its correspondent and subject.
    void matter(int n, int correspondent, const QString &subject, bool reserved = false,
                const QString &dir = QStringLiteral("E"))
    {
        exec(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
               "Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, "
               "Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ('001', ?, ?, ?, ?, 'PRO', 'UPR', "
               "'DEMO9', ?, 'A', ?, 'LET')"),
             {dir, number(n), QDate(2024, 1, 2), subject, reserved ? s("S") : s("N"), correspondent});
    }

    // An assignment for competence to `office` made by `op` at `serial`,
    // with its deadline as the server stores it (a date on PostgreSQL, a
    // text on SQLite).
    void assign(int n, const QString &serial, const QString &office, const QVariant &deadline,
                const QString &op = QStringLiteral("DEMO9"), const QString &dir = QStringLiteral("E"))
    {
        movement(n, serial, 4, s("UPR"), op, s("N"), dir, s("001"), deadline);
        delivery(n, serial, office, 0, 1, dir, s("001"), false);
    }

    // A deadline row as the postponement operation writes it; returns its
    // identifier.
    qlonglong postpone(int n, const QDate &to, int flag = 1)
    {
        exec(s("INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_DataScadenza, Tab_FunzionarioAutorizzante, "
               "Tab_EstremiAutorizzazione, Tab_Note_Scadenza, Tab_flagRinvio, Tab_DataOperazione, Tab_Operatore) "
               "VALUES ('001', ?, ?, 'DIRETTORE', 'DEL. 1', 'PROROGA', ?, ?, 'DEMO9')"),
             {number(n), to, flag, today()});
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(s("SELECT MAX(Tab_ProgrScadenze) FROM Tab_ProScadenza")) && q.next());
        return q.value(0).toLongLong();
    }

    void complete(int n, const QString &serial = QStringLiteral("20240201090000"))
    {
        movement(n, serial, 5, s("UPR"), s("DEMO7"));
    }

    // What the statement lists for `v`: the protocol progressives in order.
    QString listed(const deadlines::DeadlineCriteria &c, const protocol::Viewer &v)
    {
        return progressives(deadlines::deadlineListQuery(c, v), 2);
    }

    QVector<deadlines::DeadlineRow> rows(const deadlines::DeadlineCriteria &c, const protocol::Viewer &v)
    {
        return deadlines::deadlineRows(
            Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), deadlines::deadlineListQuery(c, v)), v);
    }

    static deadlines::DeadlineCriteria due(int days)
    {
        deadlines::DeadlineCriteria c;
        c.kind = deadlines::DeadlineCriteria::Kind::DueWithin;
        c.days = days;
        return c;
    }
    static deadlines::DeadlineCriteria overdue()
    {
        deadlines::DeadlineCriteria c;
        c.kind = deadlines::DeadlineCriteria::Kind::Overdue;
        return c;
    }

private:
    QDateTime now_;
};

} // namespace nimbo::test
