// A protocol's deadline set, postponed and its last postponement removed
// through the protocol server, on both engines: the dates measured against
// the database clock and the deadline in force, the flag and the writer the
// server's own, every deadline list showing the new date, the removal
// right, and clerks postponing the same deadline from several processes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <memory>

#include "servers/DeadlineRequests.h"
#include "session/DicAmbiente.h"
#include "support/RegisterTest.h"

namespace {

using namespace nimbo;

class PostponeServer : public test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        sql(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Ente, Op_Livello, Op_Attivo) "
                           "VALUES ('OP07', 'Verdi', '%1', '7', 'S'), ('OP17', 'Neri', '%1', '7', 'S')")
                .arg(kEnte));
    }
    static QString number(int n) { return QStringLiteral("2026%1").arg(n, 7, 10, QLatin1Char('0')); }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
    }
    QStringList rows(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            QStringList line;
            for (int c = 0; c < q.record().count(); ++c) {
                const QVariant v = q.value(c);
                line << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                        : v.toString().left(10).trimmed());
            }
            out << line.join(QLatin1Char('|'));
        }
        return out;
    }
    // A protocol, assigned for competence to U01 with the deadline given
    // (none when invalid), unless `assigned` is false.
    void protocol(int n, const QDate &deadline = {}, bool assigned = true, const QString &state = QStringLiteral("A"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_StatoProtocollo, Tab_Intestatario, Tab_SoggPrivacy) "
                           "VALUES ('%1', 'E', '%2', '2026-01-05', 'Pratica %3', '%4', 12, 'N')")
                .arg(kEnte, number(n))
                .arg(n)
                .arg(state));
        if (!assigned)
            return;
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, "
                           "Tab_DataEvasione) VALUES ('%1', 'E', '%2', '20260105100000', 4, 'U01', 'OP01', 'N', %3)")
                .arg(kEnte, number(n),
                     deadline.isValid() ? QLatin1Char('\'') + deadline.toString(Qt::ISODate) + QLatin1Char('\'')
                                        : QStringLiteral("NULL")));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES "
                           "('%1', 'E', '%2', '20260105100000', 'U01', 0, 1)")
                .arg(kEnte, number(n)));
    }
    QVariantList postpone(const QString &op, int n, const QDate &deadline, const QString &reason = QStringLiteral("Integrazione"),
                          const QString &official = QStringLiteral("Dott. Conti"))
    {
        postpone::Postponement p{kEnte, number(n), deadline, reason, official, QStringLiteral("Nota 12/2026"), op};
        QVariantList request = postpone::postponeRequest(p);
        ProtocolServer server(db().centralTarget());
        return server.Elabora(kOpRegistraScadenza, request);
    }
    QVariantList remove(const QString &op, int n, const QVariant &row, const QDate &deadline)
    {
        QVariantList request = postpone::removeRequest(kEnte, number(n), row.toLongLong(), deadline, op);
        ProtocolServer server(db().centralTarget());
        return server.Elabora(kOpEliminaRinvio, request);
    }
    // "flag|deadline|operator" of each row, in the order written.
    QStringList history(int n)
    {
        return rows(QStringLiteral("SELECT Tab_flagRinvio, Tab_DataScadenza, Tab_Operatore FROM Tab_ProScadenza WHERE "
                                   "Tab_Ente = '%1' AND Tab_Protocollo = '%2' ORDER BY Tab_ProgrScadenze")
                        .arg(kEnte, number(n)));
    }
    // The deadline every deadline list shows.
    QString listed(int n)
    {
        const QStringList r = rows(QStringLiteral("SELECT Tab_DataEvasione FROM ProtocolliAssegnati_Competenza WHERE "
                                                  "Tab_Ente = '%1' AND Tab_NumeroProtocollo = '%2'")
                                       .arg(kEnte, number(n)));
        return r.value(0);
    }
    static QString iso(const QDate &d) { return d.toString(Qt::ISODate); }
};

TEST_P(PostponeServer, NewDatesMustFollowTodayAndTheDeadlineInForceAndEveryListShowsThem)
{
    const QDate today = QDate::currentDate();
    // Assigned with a deadline: postponing to the same day is refused, one
    // day later is a postponement, and the lists show it.
    protocol(1, today.addDays(5));
    QVariantList r = postpone(QStringLiteral("OP07"), 1, today.addDays(5));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotLaterThanCurrent)) << r.value(1).toString().toStdString();
    EXPECT_TRUE(r.value(1).toString().contains(QStringLiteral("Tab_DataScadenza")));
    r = postpone(QStringLiteral("OP07"), 1, today.addDays(6));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(3).toInt(), 1);
    EXPECT_EQ(listed(1), iso(today.addDays(6)));
    // Now the postponement is the deadline in force.
    r = postpone(QStringLiteral("OP07"), 1, today.addDays(6));
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotLaterThanCurrent));
    ASSERT_EQ(postpone(QStringLiteral("OP07"), 1, today.addDays(7)).value(0).toInt(), 0);
    EXPECT_EQ(listed(1), iso(today.addDays(7)));
    EXPECT_EQ(history(1), (QStringList{QStringLiteral("1|") + iso(today.addDays(6)) + QStringLiteral("|OP07"),
                                       QStringLiteral("1|") + iso(today.addDays(7)) + QStringLiteral("|OP07")}));

    // No deadline yet: today is refused, tomorrow is the initial deadline
    // whatever flag the request carried.
    protocol(2);
    r = postpone(QStringLiteral("OP07"), 2, today);
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotLaterThanToday)) << r.value(1).toString().toStdString();
    postpone::Postponement p{kEnte, number(2), today.addDays(1), QStringLiteral("Prima"), QStringLiteral("Dott. Conti"),
                             QString(), QStringLiteral("OP07")};
    QVariantList request = postpone::postponeRequest(p);
    request[0] = request[0].toList() + QVariantList{QStringLiteral("Tab_flagRinvio"), QStringLiteral("Tab_DataOperazione")};
    request[1] = request[1].toList() + QVariantList{1, QStringLiteral("01/01/2020")};
    ProtocolServer server(db().centralTarget());
    r = server.Elabora(kOpRegistraScadenza, request);
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(3).toInt(), 0);
    EXPECT_EQ(rows(QStringLiteral("SELECT Tab_flagRinvio, Tab_DataOperazione, Tab_EstremiAutorizzazione FROM "
                                  "Tab_ProScadenza WHERE Tab_Protocollo = '%1'")
                       .arg(number(2))),
              QStringList{QStringLiteral("0|") + iso(today) + QLatin1Char('|')});
    EXPECT_EQ(listed(2), iso(today.addDays(1)));

    // Overdue: a later date that is still past is no postponement.
    protocol(3, today.addDays(-10));
    r = postpone(QStringLiteral("OP07"), 3, today.addDays(-5));
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotLaterThanToday)) << r.value(1).toString().toStdString();
    EXPECT_EQ(postpone(QStringLiteral("OP07"), 3, today.addDays(1)).value(0).toInt(), 0);

    // The writer is the session's operator, not the one the request names.
    DicAmbiente::session().op.code = QStringLiteral("OP17");
    ASSERT_EQ(postpone(QStringLiteral("OP01"), 3, today.addDays(2)).value(0).toInt(), 0);
    DicAmbiente::session().op.code.clear();
    EXPECT_EQ(history(3).last(), QStringLiteral("1|") + iso(today.addDays(2)) + QStringLiteral("|OP17"));

    // What is refused before anything is written, each naming its field.
    protocol(4, today.addDays(3), true, QStringLiteral("C"));
    protocol(5, today.addDays(3));
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES "
                       "('%1', 'E', '%2', '20260106100000', 5, 'U01', 'OP01', 'N')")
            .arg(kEnte, number(5)));
    const QDate later = today.addDays(30);
    const QVector<QPair<QVariantList, QString>> refused = {
        {postpone(QStringLiteral("OP07"), 4, later), QStringLiteral("è annullato")},
        {postpone(QStringLiteral("OP07"), 5, later), QStringLiteral("Pratica Evasa")},
        {postpone(QStringLiteral("OP07"), 99, later), QStringLiteral("non esiste in archivio")},
        {postpone(QStringLiteral("OP07"), 1, later, QString()), QStringLiteral("Tab_Note_Scadenza")},
        {postpone(QStringLiteral("OP07"), 1, later, QStringLiteral("Motivo"), QStringLiteral(" ")),
         QStringLiteral("Tab_FunzionarioAutorizzante")},
        {postpone(QStringLiteral("OP07"), 1, QDate()), QStringLiteral("Tab_DataScadenza")},
        {postpone(QStringLiteral("NESSUNO"), 1, later), QStringLiteral("Tab_Operatore")},
    };
    for (const auto &[reply, why] : refused) {
        EXPECT_EQ(reply.value(0).toString(), kStatusRefused) << why.toStdString();
        EXPECT_TRUE(reply.value(1).toString().contains(why)) << reply.value(1).toString().toStdString();
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Tab_ProScadenza WHERE Tab_Protocollo IN ('%1', '%2')")
                       .arg(number(4), number(5))),
              QStringList{QStringLiteral("0")});
    EXPECT_EQ(history(1).size(), 2);
}

TEST_P(PostponeServer, OnlyTheLastPostponementGoesAndOnlyByItsAuthorOrTheManager)
{
    const QDate today = QDate::currentDate();
    protocol(1);
    ASSERT_EQ(postpone(QStringLiteral("OP17"), 1, today.addDays(3)).value(0).toInt(), 0);
    const QVariantList first = postpone(QStringLiteral("OP07"), 1, today.addDays(8));
    const QVariantList second = postpone(QStringLiteral("OP07"), 1, today.addDays(9));
    ASSERT_EQ(second.value(0).toInt(), 0) << second.value(1).toString().toStdString();

    // A level-7 operator who did not insert it cannot; naming its author in
    // the request does not make him the author.
    QVariantList r = remove(QStringLiteral("OP17"), 1, second.value(2), today.addDays(9));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotYours)) << r.value(1).toString().toStdString();
    DicAmbiente::session().op.code = QStringLiteral("OP17");
    r = remove(QStringLiteral("OP07"), 1, second.value(2), today.addDays(9));
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNotYours)) << r.value(1).toString().toStdString();
    DicAmbiente::session().op.code.clear();

    // Only the last one, as the history showed it.
    r = remove(QStringLiteral("OP07"), 1, first.value(2), today.addDays(8));
    EXPECT_TRUE(r.value(1).toString().contains(QStringLiteral("non è più l'ultimo"))) << r.value(1).toString().toStdString();
    r = remove(QStringLiteral("OP07"), 1, second.value(2), today.addDays(10));
    EXPECT_TRUE(r.value(1).toString().contains(QStringLiteral("non è più l'ultimo"))) << r.value(1).toString().toStdString();
    EXPECT_EQ(history(1).size(), 3);

    // Its author may; the lists go back to the one before.
    ASSERT_EQ(remove(QStringLiteral("OP07"), 1, second.value(2), today.addDays(9)).value(0).toInt(), 0);
    EXPECT_EQ(history(1).size(), 2);
    // A level-9 operator may remove somebody else's.
    r = remove(QStringLiteral("OP01"), 1, first.value(2), today.addDays(8));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(history(1), QStringList{QStringLiteral("0|") + iso(today.addDays(3)) + QStringLiteral("|OP17")});

    // The initial deadline stays.
    const QString initial = rows(QStringLiteral("SELECT Tab_ProgrScadenze FROM Tab_ProScadenza WHERE Tab_Protocollo = '%1'")
                                     .arg(number(1)))
                                .value(0);
    r = remove(QStringLiteral("OP01"), 1, initial, today.addDays(3));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_TRUE(r.value(1).toString().startsWith(postpone::kNothingToRemove)) << r.value(1).toString().toStdString();
    EXPECT_EQ(history(1).size(), 1);

    // Removing the only postponement of an assignment's deadline brings
    // the assignment's back to the lists.
    protocol(2, today.addDays(4));
    const QVariantList only = postpone(QStringLiteral("OP07"), 2, today.addDays(12));
    EXPECT_EQ(listed(2), iso(today.addDays(12)));
    ASSERT_EQ(remove(QStringLiteral("OP07"), 2, only.value(2), today.addDays(12)).value(0).toInt(), 0);
    EXPECT_EQ(listed(2), iso(today.addDays(4)));
}

TEST_P(PostponeServer, ClerksPostponingTheSameDeadlineAtOnceKeepEveryRowInDateOrder)
{
    const QDate today = QDate::currentDate();
    protocol(1, today.addDays(2));
    constexpr int kWorkers = 4, kEach = 6;
    const QString start = QDir(db().folder()).filePath(QStringLiteral("via"));
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int w = 0; w < kWorkers; ++w) {
        auto p = std::make_unique<QProcess>();
        // Interleaved dates: whoever comes later with an earlier day than
        // the one in force must be refused.
        p->start(QStringLiteral(NIMBO_POSTPONE_WORKER),
                 {db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite"),
                  db().centralTarget().location, kEnte, number(1), w % 2 ? QStringLiteral("OP07") : QStringLiteral("OP17"),
                  iso(today.addDays(10 + w)), QString::number(kWorkers), QString::number(kEach), start});
        ASSERT_TRUE(p->waitForStarted());
        ps.push_back(std::move(p));
    }
    QFile go(start);
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();
    int written = 0, refused = 0;
    for (auto &p : ps) {
        ASSERT_TRUE(p->waitForFinished(120000));
        const QStringList lines = QString::fromUtf8(p->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(p->exitCode(), 0) << lines.join(QLatin1Char('\n')).toStdString() << p->readAllStandardError().toStdString();
        for (const QString &line : lines) {
            if (line.startsWith(QLatin1String("0 ")))
                ++written;
            else if (line.contains(postpone::kNotLaterThanCurrent))
                ++refused;
            else
                ADD_FAILURE() << line.toStdString();
        }
    }
    EXPECT_EQ(written + refused, kWorkers * kEach);
    const QStringList h = history(1);
    ASSERT_EQ(h.size(), written);
    // The latest day anybody asks for always goes in, and last.
    ASSERT_GE(written, 1);
    EXPECT_EQ(h.last().section(QLatin1Char('|'), 1, 1), iso(today.addDays(10 + kWorkers - 1 + (kEach - 1) * kWorkers)));
    for (int i = 1; i < h.size(); ++i)
        EXPECT_LT(h[i - 1].section(QLatin1Char('|'), 1, 1), h[i].section(QLatin1Char('|'), 1, 1)) << h.join(QLatin1Char(' ')).toStdString();
    for (const QString &row : h)
        EXPECT_TRUE(row.startsWith(QLatin1String("1|"))) << row.toStdString();
    EXPECT_EQ(listed(1), h.last().section(QLatin1Char('|'), 1, 1));
}

NIMBO_INSTANTIATE_ENGINES(PostponeServer);

} // namespace
