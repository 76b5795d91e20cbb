// The daily register on both engines: the day's protocols as they stood at
// the end of the day and the day's cancellations and corrections of earlier
// protocols, read back with pdftotext and checked as PDF/A by pikepdf; the
// same bytes when produced again, the fingerprint in the metadata, every
// production recorded; a day with nothing, with one and with 5,000
// protocols; and the command line of nimbo-admin.

#include <QDir>
#include <QRegularExpression>

#include "RegisterFixture.h"
#include "dailyregister/DailyRegister.h"

using namespace nimbo;

namespace {

class DailyRegister : public test::RegisterTest {
protected:
    daily::Produced produce(const QDate &day, const QString &folder)
    {
        daily::Produced p;
        QString why;
        EXPECT_TRUE(daily::produce(db().central(), s("001"), day, folder, s("DEMO9"), QDateTime::currentDateTime(), &p, &why))
            << why.toStdString();
        return p;
    }
    // One element's text of the metadata file.
    static QString meta(const QString &xml, const QString &element)
    {
        const QRegularExpression re(QStringLiteral("<%1[^>]*>([^<]*)</%1>").arg(element));
        return re.match(QString::fromUtf8(read(xml))).captured(1);
    }
    QTemporaryDir out;
};

TEST_P(DailyRegister, ADayWithNothingRegisteredStillHasItsRegister)
{
    const QDate day(2024, 2, 1);
    const daily::Produced p = produce(day, out.filePath(s("vuoto")));
    EXPECT_EQ(p.protocols, 0);
    EXPECT_EQ(QFileInfo(p.pdf).fileName(), s("001-20240201.pdf"));
    const QString text = layoutText(p.pdf);
    EXPECT_TRUE(text.contains(s("Registro giornaliero di protocollo del 01/02/2024"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("Nessun protocollo registrato nel giorno.")));
    EXPECT_EQ(meta(p.xml, s("NumeroProtocolli")), s("0"));
    EXPECT_EQ(meta(p.xml, s("Identificativo")), s("001-20240201"));
    EXPECT_EQ(pdfaProblems(p.pdf), QString());
}

TEST_P(DailyRegister, TheDayAsItStoodWithTheCancellationsOfEarlierProtocols)
{
    const QDate today = QDate::currentDate(), yesterday = today.addDays(-1);
    const int year = yesterday.year();
    protocol(number(year, 11), yesterday, s("Richiesta di ieri"), {}, false, s("E"), s("08:15:00"));
    protocol(number(year, 12), yesterday, s("Altro di ieri"), {}, false, s("U"), s("08:20:00"));
    protocol(number(today.year(), 90), today, s("Oggetto di oggi"), {}, false, s("U"), s("10:00:00"));
    protocol(number(today.year(), 91), today, s("Dati sanitari di Rossi"), {}, true, s("E"), s("10:05:00"));
    // Today: yesterday's first protocol cancelled, the second corrected, and
    // the mark of a print, which is no correction.
    run(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = ?, Tab_MotivoCancellazione = "
          "'01', Tab_CodiceOpeCanc = 'DEMO9', Tab_UfficioCancellazione = 'UPR' WHERE Tab_NumeroProtocollo = ?"),
        {today, number(year, 11)});
    run(s("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Altro di ieri, corretto' WHERE Tab_NumeroProtocollo = ?"),
        {number(year, 12)});
    run(s("UPDATE Tab_Protocollo SET Tab_Stampato = 'S' WHERE Tab_DataProtocollo = ?"), {yesterday});

    const daily::Produced now = produce(today, out.filePath(s("oggi")));
    EXPECT_EQ(now.protocols, 2);
    EXPECT_EQ(now.changes, 2);
    const QString text = layoutText(now.pdf);
    EXPECT_TRUE(text.contains(s("Protocolli registrati: 2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(s("Oggetto di oggi")));
    // Reserved: number, time and direction shown, the rest masked.
    EXPECT_TRUE(text.contains(QStringLiteral("%1-0000091 10:05:00 E RISERVATO RISERVATO").arg(today.year())))
        << text.toStdString();
    EXPECT_FALSE(text.contains(s("Rossi")));
    EXPECT_TRUE(text.contains(QStringLiteral("%1-0000011 %2 E").arg(year).arg(yesterday.toString(s("dd/MM/yyyy")))));
    EXPECT_TRUE(text.contains(s("Annullamento - motivo 01")));
    EXPECT_TRUE(text.contains(s("Modifica: Oggetto")));
    EXPECT_EQ(pdfaProblems(now.pdf), QString());

    // Yesterday's register shows yesterday's protocols as they were then.
    const daily::Produced before = produce(yesterday, out.filePath(s("ieri")));
    const QString then = layoutText(before.pdf);
    EXPECT_TRUE(then.contains(s("Richiesta di ieri")));
    EXPECT_TRUE(then.contains(s("Altro di ieri LET Attivo"))) << then.toStdString();
    EXPECT_FALSE(then.contains(s("corretto")));
    EXPECT_FALSE(then.contains(s("Annullato")));
    EXPECT_TRUE(then.contains(s("Nessun annullamento o modifica")));
}

TEST_P(DailyRegister, ProducedAgainItIsTheSameFileAndEveryProductionIsRecorded)
{
    const QDate day(2024, 3, 5);
    protocol(number(2024, 1), day, s("Oggetto | con barra"), {}, false, s("E"), s("09:00:00"));
    const daily::Produced first = produce(day, out.filePath(s("a")));
    const daily::Produced again = produce(day, out.filePath(s("b")));
    EXPECT_EQ(first.protocols, 1);
    EXPECT_FALSE(first.sameAsBefore);
    EXPECT_TRUE(again.sameAsBefore);
    const QByteArray a = read(first.pdf), b = read(again.pdf);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a, b);
    EXPECT_EQ(sha(a), first.digest);
    EXPECT_EQ(meta(again.xml, s("Impronta")), sha(b));
    EXPECT_EQ(meta(again.xml, s("PrimoNumero")), number(2024, 1));
    EXPECT_EQ(meta(again.xml, s("UltimoNumero")), number(2024, 1));
    EXPECT_EQ(meta(again.xml, s("NumeroProtocolli")), s("1"));
    EXPECT_FALSE(meta(again.xml, s("DataOraProduzione")).isEmpty());
    EXPECT_EQ(QString::fromUtf8(read(again.sha)), sha(b) + s("  001-20240305.pdf\n"));
    EXPECT_EQ(value(s("SELECT Reg_Produzioni FROM Tab_RegistroGiornaliero WHERE Reg_Ente = '001' AND Reg_Data = ?"), {day}),
              s("2"));
    EXPECT_TRUE(layoutText(first.pdf).contains(s("2024-0000001 09:00:00 E")));

    // A protocol let into the day afterwards changes the register: it is a
    // new content, recorded beside the first, and said so.
    protocol(number(2024, 2), day, s("arrivato dopo"));
    const daily::Produced changed = produce(day, out.filePath(s("c")));
    EXPECT_TRUE(changed.changedSinceBefore);
    EXPECT_NE(changed.digest, first.digest);
    EXPECT_EQ(value(s("SELECT COUNT(*) FROM Tab_RegistroGiornaliero WHERE Reg_Ente = '001' AND Reg_Data = ?"), {day}),
              s("2"));
}

TEST_P(DailyRegister, FiveThousandProtocolsOfOneDay)
{
    const QDate day(2024, 4, 8);
    {
        QSqlDatabase c = db().central();
        ASSERT_TRUE(c.transaction());
        QSqlQuery q(c);
        ASSERT_TRUE(q.prepare(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                "Tab_DataProtocollo, Tab_OraProtocollo, Tab_Oggetto, Tab_SedeRicezione, "
                                "Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, "
                                "Tab_Intestatario, Tab_Tipologia) VALUES ('001', ?, ?, ?, ?, ?, 'PRO', 'UPR', 'DEMO9', "
                                "'N', 'A', 1, 'LET')")));
        for (int i = 1; i <= 5000; ++i) {
            q.addBindValue(i % 2 ? s("E") : s("U"));
            q.addBindValue(number(2024, 1000 + i));
            q.addBindValue(day);
            q.addBindValue(QTime(8, 0).addSecs(i * 6).toString(s("hh:mm:ss")));
            q.addBindValue(QStringLiteral("Oggetto numero %1 del giorno").arg(i));
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        }
        ASSERT_TRUE(c.commit());
    }
    const daily::Produced p = produce(day, out.filePath(s("grande")));
    EXPECT_EQ(p.protocols, 5000);
    EXPECT_EQ(meta(p.xml, s("PrimoNumero")), number(2024, 1001));
    EXPECT_EQ(meta(p.xml, s("UltimoNumero")), number(2024, 6000));
    const QString text = layoutText(p.pdf);
    for (const char *n : {"2024-0001001", "2024-0003500", "2024-0006000"})
        EXPECT_TRUE(text.contains(QLatin1String(n))) << n;
    EXPECT_TRUE(text.contains(s("Oggetto numero 5000 del giorno")));
    EXPECT_EQ(pdfaProblems(p.pdf), QString());
    EXPECT_EQ(read(produce(day, out.filePath(s("grande2"))).pdf), read(p.pdf));
}

// The command line: every body when --ente is omitted, the day checked.
TEST_P(DailyRegister, TheAdminCommandProducesTheDayOfEveryBody)
{
    protocol(number(2024, 1), QDate(2024, 3, 5), s("dalla riga di comando"));
    QStringList args{s("daily-register")};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (db().engine() == Dialect::Engine::SQLite) {
        args << s("--sqlite") << db().centralTarget().location;
    } else {
        QStringList parts;
        for (const auto &[k, v] : Dialect::parseConnInfo(db().centralTarget().location)) {
            if (k == QLatin1String("password"))
                env.insert(s("PGPASSWORD"), v);
            else
                parts << k + QLatin1Char('=') + v;
        }
        args << s("--pg") << parts.join(QLatin1Char(' '));
    }
    const auto admin = [&](const QStringList &extra, QString *said) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(s(NIMBO_ADMIN), args + extra);
        EXPECT_TRUE(p.waitForFinished(120000));
        *said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    };
    QString said;
    EXPECT_EQ(admin({s("--date"), s("2024-03-05"), s("--out"), out.path()}, &said), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(s("001-20240305.pdf: 1 protocolli"))) << said.toStdString();
    const QString pdf = QDir(out.path()).filePath(s("001-20240305.pdf"));
    EXPECT_TRUE(layoutText(pdf).contains(s("dalla riga di comando")));
    EXPECT_EQ(sha(read(pdf)), meta(QDir(out.path()).filePath(s("001-20240305.xml")), s("Impronta")));
    EXPECT_EQ(admin({s("--date"), s("5/3/2024"), s("--out"), out.path()}, &said), 2);
    EXPECT_TRUE(said.contains(s("--date AAAA-MM-GG"))) << said.toStdString();
    EXPECT_EQ(admin({s("--date"), QDate::currentDate().addDays(1).toString(Qt::ISODate), s("--out"), out.path()}, &said), 2);
}

NIMBO_INSTANTIATE_ENGINES(DailyRegister);

} // namespace
