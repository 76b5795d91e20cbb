#pragma once
// A demo register with a few protocols written by hand, the generic server
// and an operator of the whole body, for the link tests.

#include <QSqlError>
#include <QSqlQuery>

#include "data/Funzioni_Com_1.h"
#include "protocol/ProtocolLinks.h"
#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

namespace nimbo::test {

class LinkTest : public EngineTest {
protected:
    Seed seed() const override { return Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        registerServers();
        auto &s = DicAmbiente::session();
        s.cfg.oleGenerica = kGenericProgId;
        s.cfg.oleGp = kProtocolProgId;
        s.op.code = QStringLiteral("DEMO9");
        s.op.ente = QStringLiteral("001");
        s.op.department = QStringLiteral("PRO");
        s.op.office = QStringLiteral("UPR");
        s.op.level = 9;
        s.op.privacy = true;
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
    }
    bool tryExec(const QString &statement)
    {
        QSqlQuery q(db().central());
        return q.exec(statement);
    }
    QString scalar(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString();
        return q.value(0).toString();
    }
    // A protocol of body 001 registered by DEMO9 in PRO/UPR.
    void protocol(const QString &direction, const QString &number, const QString &subject, const QString &day,
                  const QString &state = QStringLiteral("A"), const QString &privacy = QStringLiteral("N"),
                  const QString &registrar = QStringLiteral("DEMO9"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Intestatario, Tab_SoggPrivacy, "
                           "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) "
                           "VALUES ('001', '%1', '%2', '%3', '%3', '%4', 2, '%5', '%6', '%7', 'PRO', 'UPR')")
                .arg(direction, number, day, subject, privacy, registrar, state));
    }
    int links() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati")).toInt(); }
    // The register keys a query lists in its second column.
    QStringList numbers(const QString &query)
    {
        const Funzioni_Com_1::LoadedRows r = Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), query);
        QStringList out;
        for (int i = 0; r.ok && i < r.rowCount(); ++i)
            out << r.value(1, i).toString().trimmed();
        return out;
    }

    ScriptedDialogs boxes;
};

} // namespace nimbo::test
