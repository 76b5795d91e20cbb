// The cancellation of a protocol (operation 15) on both engines: what it
// writes and who it says did it, the authorising act kept with it, and
// every refusal made before anything is written.

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/CancellationRequests.h"
#include "support/RegisterTest.h"

namespace {

using nimbo::cancellation::Request;

const QString kEnte = QStringLiteral("ASL1");

class CancellationServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        sql(QStringLiteral("INSERT INTO Tab_Motivo_Cancella (Tab_Codice, Tab_Descrizione) VALUES ('01', 'ERRORE DI "
                           "REGISTRAZIONE'), ('02', 'DOCUMENTO DUPLICATO')"));
        sql(QStringLiteral("INSERT INTO Tab_Enti (Ente_Codice, Ente_Denominazione) VALUES ('ASL2', 'Altro ente')"));
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
        server->setClock([] { return QDateTime(QDate(2025, 3, 4), QTime(10, 0)); });
        number = registerOne(QStringLiteral("E"));
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    QString registerOne(const QString &direction)
    {
        QVariantList request = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(kEnte, direction, QString()),
            nimbo::test::newProtocolColumns(kEnte, direction, QStringLiteral("Lettera da annullare")),
            QStringLiteral("OP01"));
        const QVariantList reply = server->Elabora(nimbo::kOpRegistraProtocollo, request);
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        return reply.value(2).toString();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString() << " " << statement.toStdString();
    }
    Request ask(const QString &reason = QStringLiteral("01"))
    {
        Request r;
        r.ente = kEnte;
        r.direction = QStringLiteral("E");
        r.number = number;
        r.reason = reason;
        r.notes = QStringLiteral("Registrato due volte");
        r.operatorCode = QStringLiteral("OP01");
        r.office = QStringLiteral("U01");
        return r;
    }
    QVariantList call(QVariantList params) { return server->Elabora(nimbo::kOpCancellaProtocollo, params); }
    QVariantList cancel(const Request &r) { return call(nimbo::cancellation::request(r)); }
    // The cancellation columns of the protocol, joined with "|".
    QString stored(const QString &n = {})
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral(
                               "SELECT Tab_StatoProtocollo, Tab_DataCancellazione, Tab_MotivoCancellazione, "
                               "Tab_NoteCancellazione, Tab_CodiceOpeCanc, Tab_UfficioCancellazione, Tab_CodOper, "
                               "Tab_DatOper, Tab_TipoProvvCancellazione, Tab_NumeroProvvCancellazione, "
                               "Tab_DataProvvCancellazione FROM Tab_Protocollo WHERE Tab_Ente = '%1' AND "
                               "Tab_NumeroProtocollo = '%2'")
                               .arg(kEnte, n.isEmpty() ? number : n))
                    && q.next())
            << q.lastError().text().toStdString();
        QStringList out;
        for (int c = 0; c < 11; ++c) {
            const QVariant v = q.value(c);
            // Dates as days, whichever way the engine hands them back.
            const QString t = v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString();
            out << (QDate::fromString(t.left(10), Qt::ISODate).isValid() ? t.left(10) : t);
        }
        return out.join(QLatin1Char('|'));
    }
    int historyRows()
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo_Storico")) && q.next());
        return q.value(0).toInt();
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }

    QString number;
    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(CancellationServerTest, CancelsWithTheServersDateAndKeepsTheAuthorisingAct)
{
    const QString active = stored();
    ASSERT_TRUE(active.startsWith(QStringLiteral("A|"))) << active.toStdString();
    Request r = ask(QStringLiteral(" 02 "));
    r.act = {QStringLiteral("Determina dirigenziale"), QStringLiteral("12/2025"), QDate(2025, 3, 1)};
    r.operatorCode = QStringLiteral("OP02");
    const QVariantList reply = cancel(r);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(reply.value(2).toDate(), QDate(2025, 3, 4));
    // The date is the server's, not the workstation's; the writer the
    // request's operator (no login here).
    EXPECT_EQ(stored().toStdString(), "C|2025-03-04|02|Registrato due volte|OP02|U01|OP02|2025-03-04|"
                                      "Determina dirigenziale|12/2025|2025-03-01");
    // The row as it was stays in the protocol's history.
    EXPECT_EQ(historyRows(), 1);

    // Once is enough: a second cancellation is refused and changes nothing.
    const QVariantList again = cancel(ask(QStringLiteral("01")));
    EXPECT_EQ(again.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(again.value(1).toString().indexOf(QStringLiteral("già annullato")), -1) << text(again);
    EXPECT_TRUE(stored().startsWith(QStringLiteral("C|2025-03-04|02|"))) << stored().toStdString();

    // Without an act the act's columns stay empty.
    number = registerOne(QStringLiteral("U"));
    Request out = ask();
    out.direction = QStringLiteral("U");
    ASSERT_EQ(cancel(out).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(stored().toStdString(), "C|2025-03-04|01|Registrato due volte|OP01|U01|OP01|2025-03-04|||");
}

TEST_P(CancellationServerTest, EveryRefusalNamesItsFieldAndComesBeforeAnyWrite)
{
    const QString before = stored();
    const auto with = [this](const std::function<void(Request &)> &change) {
        Request r = ask();
        change(r);
        return nimbo::cancellation::request(r);
    };
    const auto columns = [](QVariantList params, const QString &name, const QVariant &value) {
        QVariantList table = params[2].toList();
        QVariantList names = table[0].toList(), values = table[1].toList();
        const int at = names.indexOf(name);
        if (at < 0) {
            names << name;
            values << value;
        } else {
            values[at] = value;
        }
        params[2] = QVariantList{QVariant(names), QVariant(values)};
        return params;
    };
    const QVariantList good = nimbo::cancellation::request(ask());
    QVariantList shortRequest = good;
    shortRequest.removeLast();
    QVariantList widened = good;
    widened[1] = good[1].toString() + QStringLiteral(" or 1=1");
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Funzioni = '-PR01--PR09-' WHERE Op_Codice_Operatore = 'OP02'"));
    const struct {
        const char *what;
        QVariantList request;
        const char *says;
    } cases[] = {
        {"unknown reason", with([](Request &r) { r.reason = QStringLiteral("99"); }), "Tab_MotivoCancellazione"},
        {"no reason", with([](Request &r) { r.reason.clear(); }), "Tab_MotivoCancellazione"},
        {"five elements", shortRequest, "6 elementi"},
        {"condition widened", widened, "Condizione di selezione"},
        {"another column", columns(good, QStringLiteral("Tab_Oggetto"), QStringLiteral("Altro")), "Tab_Oggetto"},
        {"state A", columns(good, QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("A")), "Tab_StatoProtocollo"},
        {"act without date",
         with([](Request &r) { r.act = {QStringLiteral("Delibera"), QStringLiteral("4"), QDate()}; }),
         "Tab_DataProvvCancellazione"},
        {"act dated tomorrow",
         with([](Request &r) { r.act = {QStringLiteral("Delibera"), QStringLiteral("4"), QDate(2025, 3, 5)}; }),
         "Tab_DataProvvCancellazione"},
        {"missing protocol", with([](Request &r) { r.number = QStringLiteral("20259999999"); }),
         "Tab_NumeroProtocollo"},
        {"other direction", with([](Request &r) { r.direction = QStringLiteral("U"); }), "Tab_NumeroProtocollo"},
        {"another body", with([](Request &r) { r.ente = QStringLiteral("ASL2"); }), "Tab_CodiceOpeCanc"},
        {"unknown office", with([](Request &r) { r.office = QStringLiteral("U99"); }), "Tab_UfficioCancellazione"},
        {"function withheld", with([](Request &r) { r.operatorCode = QStringLiteral("OP02"); }), "abilitato"},
        {"unknown operator", with([](Request &r) { r.operatorCode = QStringLiteral("OP77"); }), "Tab_CodiceOpeCanc"},
        {"office flag", [&] {
             QVariantList p = good;
             p[5] = QStringLiteral("FORSE");
             return p;
         }(), "ufficio protocollo"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QVariantList reply = call(c.request);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << text(reply);
        EXPECT_NE(reply.value(1).toString().indexOf(QString::fromUtf8(c.says)), -1) << text(reply);
        EXPECT_EQ(stored(), before);
    }
    EXPECT_EQ(historyRows(), 0);
    // The same request from an operator allowed to cancel goes through.
    const QVariantList reply = cancel(ask());
    EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
}

NIMBO_INSTANTIATE_ENGINES(CancellationServerTest);

} // namespace
