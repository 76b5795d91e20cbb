// Recovery of the same emergency registrations by several processes of one
// workstation at once, on both engines, and by processes killed in the
// middle and then run again: one general protocol per registration, the
// scanned image of each stored once under it byte for byte, and the local
// record linked to that protocol.

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

#include "support/RegisterTest.h"

namespace {

using namespace nimbo;

const QString kSession = QStringLiteral("2007TABCD001");

class RecoveryStress : public test::RegisterTest {
protected:
    // Emergency registrations first..last (numbers of 2007) on the
    // workstation, each with its scan; odd ones incoming, even outgoing.
    void seedRegistrations(int first, int last)
    {
        for (int i = first; i <= last; ++i) {
            QSqlQuery q(db().local());
            q.prepare(QStringLiteral("INSERT INTO Tab_ProtocolloEmergenza (Tab_Ente, Tab_TipoProtocollo, "
                                     "Tab_NumeroProtocollo, Tab_DataRegistrazione, Tab_DataProtocollo, Tab_DataRicezione, "
                                     "Tab_OraProtocollo, Tab_SedeRicezione, Tab_CodiceOpeReg, Tab_UfficioRegistrazione, "
                                     "Tab_Tipologia, Tab_Intestatario, Tab_Oggetto, Tab_StatoProtocollo, Tab_DestMultipli, "
                                     "Tab_ChiaveRegistrazione) VALUES ('999', ?, ?, '2007-03-14', '2007-03-14', "
                                     "'2007-03-14', '10:00:00', 'SED', 'EMERG', 'EME', 'LET', 'Comune', ?, 'A', "
                                     "'Protocollo', ?)"));
            q.addBindValue(direction(i));
            q.addBindValue(number(i));
            q.addBindValue(QStringLiteral("Registrazione %1").arg(i));
            q.addBindValue(kSession);
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
            QSqlQuery image(db().local());
            image.prepare(QStringLiteral("INSERT INTO Tab_immagini (ID_ente, Tipo_protocollo, Prot_EU, Prot_Numero, "
                                         "Immagine, Data_Ins_Var, Migrato_su_Server, Compresso) VALUES ('999', ?, ?, ?, ?, "
                                         "'2007-03-14 10:05:00', 'N', '0')"));
            image.addBindValue(direction(i) == QLatin1String("U") ? QStringLiteral("D") : QStringLiteral("E"));
            image.addBindValue(direction(i));
            image.addBindValue(number(i));
            image.addBindValue(scan(i));
            ASSERT_TRUE(image.exec()) << image.lastError().text().toStdString();
        }
    }
    static QString direction(int i) { return i % 2 ? QStringLiteral("E") : QStringLiteral("U"); }
    static QString number(int i) { return QStringLiteral("2007%1").arg(i, 7, 10, QLatin1Char('0')); }
    static QByteArray scan(int i)
    {
        QByteArray b(1500 + i, Qt::Uninitialized);
        for (int k = 0; k < b.size(); ++k)
            b[k] = char((k * 31 + i * 7) & 0xff);
        return b;
    }
    std::unique_ptr<QProcess> worker(int seed, int first, int last)
    {
        QStringList args{db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite"),
                         db().centralTarget().location, db().localPath(), db().folder(), kEnte, QString::number(seed)};
        for (int i = first; i <= last; ++i)
            args << direction(i) + QLatin1Char(':') + number(i);
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_RECOVERY_WORKER), args);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    // What every process printed: emergency number -> definitive numbers.
    static void collect(QProcess &p, QMultiHash<QString, QString> *given)
    {
        for (const QString &line : QString::fromLatin1(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            given->insert(line.section(QLatin1Char(' '), 0, 0), line.section(QLatin1Char(' '), 1, 1));
    }
    // Every registration first..last: one general protocol, its image once
    // and unchanged, the local record linked to it, and whatever a process
    // was told the same number.
    void expectRecoveredOnce(int first, int last, const QMultiHash<QString, QString> &given)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT Tab_ProtocolloTemporaneo) FROM Tab_Protocollo "
                                          "WHERE Tab_RegistroTemporaneo = '")
                           + kSession + QLatin1Char('\''))
                    && q.next());
        EXPECT_EQ(q.value(0).toInt(), last);
        EXPECT_EQ(q.value(1).toInt(), last);
        for (int i = first; i <= last; ++i) {
            const QString temporary = QStringLiteral("%1|14/03/2007").arg(i, 7, 10, QLatin1Char('0'));
            QSqlQuery p(db().central());
            p.prepare(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_TipoProtocollo FROM Tab_Protocollo WHERE "
                                     "Tab_Ente = ? AND Tab_RegistroTemporaneo = ? AND Tab_ProtocolloTemporaneo = ?"));
            p.addBindValue(kEnte);
            p.addBindValue(kSession);
            p.addBindValue(temporary);
            ASSERT_TRUE(p.exec() && p.next()) << temporary.toStdString();
            const QString general = p.value(0).toString();
            EXPECT_EQ(p.value(1).toString(), direction(i));
            EXPECT_FALSE(p.next()) << "two protocols for " << temporary.toStdString();

            QSqlQuery images(db().central());
            images.prepare(QStringLiteral("SELECT Immagine FROM Tab_immagini WHERE ID_ente = ? AND Prot_Numero = ?"));
            images.addBindValue(kEnte);
            images.addBindValue(general);
            ASSERT_TRUE(images.exec());
            int count = 0;
            while (images.next()) {
                ++count;
                EXPECT_EQ(images.value(0).toByteArray(), scan(i)) << general.toStdString();
            }
            EXPECT_EQ(count, 1) << "images of " << general.toStdString();

            QSqlQuery local(db().local());
            local.prepare(QStringLiteral("SELECT Tab_ProtocolloGenerale FROM Tab_ProtocolloEmergenza WHERE "
                                         "Tab_NumeroProtocollo = ?"));
            local.addBindValue(number(i));
            ASSERT_TRUE(local.exec() && local.next());
            EXPECT_EQ(local.value(0).toString().trimmed(), general) << number(i).toStdString();
            for (const QString &told : given.values(number(i)))
                EXPECT_EQ(told, general) << number(i).toStdString();
        }
    }
};

TEST_P(RecoveryStress, ProcessesRecoveringTheSameRegistrationsAtOnceOrKilledGiveEachOneProtocol)
{
    constexpr int kWorkers = 8, kFirst = 50;
    seedRegistrations(1, 2 * kFirst);

    // Eight processes recover the same fifty registrations, each in its own
    // order.
    QMultiHash<QString, QString> given;
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int w = 0; w < kWorkers; ++w)
        ps.push_back(worker(w, 1, kFirst));
    for (auto &p : ps) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        collect(*p, &given);
    }
    EXPECT_EQ(given.size(), kWorkers * kFirst);
    expectRecoveredOnce(1, kFirst, given);

    // Eight more are killed while they recover the next fifty; a run
    // afterwards finishes what they left, whatever step each was in.
    ps.clear();
    for (int w = 0; w < kWorkers; ++w)
        ps.push_back(worker(100 + w, kFirst + 1, 2 * kFirst));
    const auto count = [](const QSqlDatabase &d, const QString &sql) {
        QSqlQuery q(d);
        return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
    };
    const QString recovered = QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_RegistroTemporaneo = '")
                              + kSession + QLatin1Char('\'');
    for (int waited = 0; waited < 60000 && count(db().central(), recovered) < kFirst + 15; waited += 5)
        QThread::msleep(5);
    for (auto &p : ps) {
        p->kill();
        p->waitForFinished();
        collect(*p, &given);
    }
    EXPECT_LT(count(db().local(), QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloEmergenza WHERE "
                                                 "Tab_ProtocolloGenerale <> ''")),
              2 * kFirst)
        << "killed after they were done";
    auto retry = worker(7, 1, 2 * kFirst);
    ASSERT_TRUE(retry->waitForFinished(120000));
    EXPECT_EQ(retry->exitCode(), 0) << retry->readAllStandardError().toStdString();
    collect(*retry, &given);
    expectRecoveredOnce(1, 2 * kFirst, given);
}

NIMBO_INSTANTIATE_ENGINES(RecoveryStress);

} // namespace
