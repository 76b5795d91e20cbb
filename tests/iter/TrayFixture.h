#pragma once
// Iter rows written straight into the demo register, for the tests of the
// in-tray, the in-charge list and the scope: protocols of the year 2024,
// movements, their recipients and pending deliveries.

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <gtest/gtest.h>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "protocol/ProtocolRules.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

namespace nimbo::test {

class IterData : public EngineTest {
protected:
    Seed seed() const override { return Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        // Lists that read a table first (the offices of a department) go
        // through the generic server, as in the program.
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
    }

    static QString number(int n) { return QStringLiteral("2024%1").arg(n, 7, 10, QLatin1Char('0')); }
    static QString s(const char *t) { return QString::fromUtf8(t); }

    void exec(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.prepare(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        for (const QVariant &v : values)
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
    }

    void protocol(int n, const QString &dir = QStringLiteral("E"), bool reserved = false,
                  const QString &body = QStringLiteral("001"), const QString &subject = {})
    {
        exec(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
               "Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, "
               "Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES (?, ?, ?, ?, ?, 'PRO', 'UPR', 'DEMO9', ?, 'A', 1, "
               "'LET')"),
             {body, dir, number(n), QDate(2024, 1, 2),
              subject.isEmpty() ? QStringLiteral("OGGETTO %1").arg(n) : subject, reserved ? s("S") : s("N")});
    }

    // A movement: type, acting office and operator, in-charge flag.
    void movement(int n, const QString &serial, int type, const QString &office, const QString &op,
                  const QString &inCharge = QStringLiteral("N"), const QString &dir = QStringLiteral("E"),
                  const QString &body = QStringLiteral("001"), const QVariant &deadline = {})
    {
        exec(s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
               "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_Annotazioni, Tab_InCarico, "
               "Tab_DataEvasione) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {body, dir, number(n), serial, type, office, op, QStringLiteral("NOTE %1 %2").arg(n).arg(serial), inCharge,
              deadline.isValid() ? deadline : QVariant(QMetaType::fromType<QDate>())});
    }

    // A recipient of a movement with its pending delivery.
    void delivery(int n, const QString &serial, const QString &office, int member, int type = 1,
                  const QString &dir = QStringLiteral("E"), const QString &body = QStringLiteral("001"),
                  bool pending = true)
    {
        exec(s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
               "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione, "
               "Tab_DataEffettivaAssegnazione, Tab_Annotazioni) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'DA VEDERE')"),
             {body, dir, number(n), serial, office, member, type, QDateTime(QDate(2024, 1, 3), QTime(9, 0))});
        if (pending)
            exec(s("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                   "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES (?, ?, ?, ?, ?, ?)"),
                 {body, dir, number(n), serial, office, member});
    }

    // The progressives of the protocol numbers a query returns in column
    // `col`, distinct, in the order returned.
    QString progressives(const QString &sql, int col = 0)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            const QString p = QString::number(q.value(col).toString().right(7).toInt());
            if (!out.contains(p))
                out << p;
        }
        return out.join(QLatin1Char(','));
    }

    static protocol::Viewer viewer(const char *code, int level, const char *dept, const char *office,
                                   bool privacy = false)
    {
        protocol::Viewer v;
        v.ente = QStringLiteral("001");
        v.operatorCode = QString::fromLatin1(code);
        v.level = level;
        v.department = QString::fromLatin1(dept);
        v.office = QString::fromLatin1(office);
        v.privacy = privacy;
        return v;
    }
};

} // namespace nimbo::test
