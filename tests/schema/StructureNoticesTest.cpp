// Structure-change notices brought in from a CSV file: what the reader
// accepts, how it reports bad rows, and the installer command that writes
// all the rows or none.

#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AdminRun.h"
#include "schema/StructureNotices.h"
#include "support/TestDb.h"

using namespace nimbo::test;
namespace N = Schema::StructureNotices;

namespace {

QStringList summary(const QList<N::Notice> &notices)
{
    QStringList out;
    for (const N::Notice &n : notices)
        out << QStringList{n.codOp, n.livello, n.dataEff.toString(Qt::ISODate), n.codDip, n.desDip, n.codUff, n.desUff,
                           n.codSer, n.desSer, n.stato}
                   .join(QLatin1Char('|'));
    return out;
}

TEST(StructureNoticesFile, QuotedFieldsBothDateFormsAndEitherSeparator)
{
    // As a spreadsheet saves it: byte-order mark, CR LF, columns in its own
    // order and case, quotes around fields that hold the separator, a quote
    // or a line break.
    const QByteArray semicolons =
        "\xEF\xBB\xBF" "cod_op;LIVELLO;Data_Eff;Cod_Dip;Des_Dip;Cod_Uff;Des_Uff;Stato_Acquisizione\r\n"
        "A;2;15/03/2026;PRO;DIPARTIMENTO AFFARI GENERALI;URP;\"UFFICIO \"\"RELAZIONI\"\"; SEDE CENTRALE\";\r\n"
        "m;1;2026-04-01;AMM;\"DIPARTIMENTO AMMINISTRATIVO\r\nE FINANZIARIO\";;;1\r\n"
        "\r\n"
        "D;2;1/4/2026;PRO;DIPARTIMENTO AFFARI GENERALI;ECO;L'ECONOMATO;2\r\n";
    QList<N::Notice> notices;
    QStringList problems;
    ASSERT_TRUE(N::read(semicolons, &notices, &problems)) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(summary(notices),
              (QStringList{"A|2|2026-03-15|PRO|DIPARTIMENTO AFFARI GENERALI|URP|UFFICIO \"RELAZIONI\"; SEDE CENTRALE|||0",
                           "M|1|2026-04-01|AMM|DIPARTIMENTO AMMINISTRATIVO\r\nE FINANZIARIO|||||1",
                           "D|2|2026-04-01|PRO|DIPARTIMENTO AFFARI GENERALI|ECO|L'ECONOMATO|||2"}));

    // Empty columns a spreadsheet adds after the last named one are left alone.
    const QByteArray commas = "Cod_OP,Livello,Data_EFF,Cod_dip,des_dip,cod_Ser,Des_ser,,\n"
                              "A,3,2026-05-02,SAN,PREVENZIONE,VAC,\"VACCINAZIONI, ADULTI\",,\n";
    ASSERT_TRUE(N::read(commas, &notices, &problems)) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(summary(notices), QStringList{"A|3|2026-05-02|SAN|PREVENZIONE|||VAC|VACCINAZIONI, ADULTI|0"});
}

TEST(StructureNoticesFile, EveryBadRowIsReportedWithItsLineAndNothingIsKept)
{
    // Line 3 holds a line break inside quotes: the rows after it keep the
    // file's own line numbers.
    const QByteArray file = "Cod_OP;Livello;Data_EFF;Cod_dip;des_dip;Cod_Uff;Des_Uff;cod_Ser;Des_ser;Stato_Acquisizione\n"
                            "A;2;15/03/2026;PRO;AFFARI GENERALI;URP;RELAZIONI;;;0\n"
                            "M;1;01/04/2026;AMM;\"AMMINISTRATIVO\nE FINANZIARIO\";;;;;\n"
                            "X;4;31/02/2026;PRO;AFFARI GENERALI;URP;RELAZIONI;;;5\n"
                            "A;2;2026-03-15;PRO;AFFARI GENERALI;;;;;\n"
                            "A;3;2026-03-15;;;;;;;\n"
                            "A;1;2026-03-15;PRO\n"
                            "A;1;;PRO;AFFARI GENERALI;;;;;\n";
    QList<N::Notice> notices;
    QStringList problems;
    EXPECT_FALSE(N::read(file, &notices, &problems));
    EXPECT_TRUE(notices.isEmpty());
    ASSERT_EQ(problems.size(), 5) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(problems[0], QStringLiteral("riga 5: Cod_OP \"X\" non ammesso (A attivazione, D disattivazione, M "
                                          "modifica); Livello \"4\" non ammesso (1 dipartimento, 2 ufficio, 3 servizio); "
                                          "Data_EFF \"31/02/2026\" non è una data gg/mm/aaaa o aaaa-mm-gg; "
                                          "Stato_Acquisizione \"5\" non ammesso (0, 1 o 2)"));
    EXPECT_EQ(problems[1], QStringLiteral("riga 6: Cod_Uff mancante (codice dell'ufficio); Des_Uff mancante "
                                          "(denominazione dell'ufficio)"));
    EXPECT_EQ(problems[2], QStringLiteral("riga 7: Cod_dip mancante (codice del dipartimento); cod_Ser mancante "
                                          "(codice del servizio); Des_ser mancante (denominazione del servizio)"));
    EXPECT_EQ(problems[3], QStringLiteral("riga 8: 4 campi invece dei 10 dell'intestazione"));
    EXPECT_EQ(problems[4], QStringLiteral("riga 9: Data_EFF mancante"));

    // The file itself: its header, its quoting, its encoding.
    const struct {
        QByteArray content;
        const char *problem;
    } files[] = {
        {"Cod_OP;Livello;Data;Cod_dip\nA;1;2026-01-01;PRO\n",
         "intestazione: colonna \"Data\" sconosciuta"},
        {"Cod_OP;Livello;Cod_dip;des_dip\nA;1;PRO;X\n", "intestazione: manca la colonna Data_EFF"},
        {"Cod_OP;Livello;Data_EFF;Cod_dip;des_dip;\nA;1;2026-01-01;PRO;X;ALTRO\n",
         "riga 2: valore in una colonna senza nome nell'intestazione"},
        {"Cod_OP;Livello;Data_EFF;Cod_dip;des_dip\nA;1;2026-01-01;PRO;\"NON CHIUSO\n",
         "riga 2: campo tra virgolette non chiuso alla fine del file"},
        {"Cod_OP;Livello;Data_EFF;Cod_dip;des_dip\nA;1;2026-01-01;PRO;\"UNO\"DUE\n",
         "riga 2: dopo le virgolette di chiusura di un campo è atteso il separatore"},
        {"Cod_OP;Livello;Data_EFF;Cod_dip;des_dip\nA;1;2026-01-01;PRO;DIP \xE0 VALLE\n",
         "il file non è in codifica UTF-8"},
        {"Cod_OP;Livello;Data_EFF;Cod_dip;des_dip\n", "il file non contiene variazioni dopo l'intestazione"},
        {"", "intestazione: la prima riga deve nominare le colonne separate da \";\" o \",\" (Cod_dip;des_dip;"
             "Cod_Uff;Des_Uff;cod_Ser;Des_ser;Cod_OP;Data_EFF;Livello;Stato_Acquisizione)"},
    };
    for (const auto &f : files) {
        EXPECT_FALSE(N::read(f.content, &notices, &problems)) << f.problem;
        EXPECT_EQ(problems.value(0), QString::fromUtf8(f.problem));
    }
}

class StructureNoticesImport : public EngineTest {};

TEST_P(StructureNoticesImport, TheCommandImportsAGoodFileWholeAndABadOneNotAtAll)
{
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &content) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    };
    const auto run = [&](const QString &file) {
        return admin(QStringList{QStringLiteral("import-structure-changes")} + targetArgs(db()) + QStringList{file});
    };
    const auto rows = [&] {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Cod_OP, Livello, Data_EFF, Cod_dip, des_dip, Cod_Uff, Des_Uff, "
                                          "Stato_Acquisizione, CASE WHEN cod_Ser IS NULL THEN 1 ELSE 0 END FROM Prot_Strutture_I ORDER BY ID")));
        QStringList out;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < 9; ++i)
                r << (i == 2 ? q.value(i).toDate().toString(Qt::ISODate) : q.value(i).toString());
            out << r.join(QLatin1Char('|'));
        }
        return out.join(QLatin1Char('\n')).toStdString();
    };

    AdminResult r = run(write("buono.csv", "Cod_OP;Livello;Data_EFF;Cod_dip;des_dip;Cod_Uff;Des_Uff\n"
                                           "A;2;15/03/2026;PRO;AFFARI GENERALI;URP;\"RELAZIONI; L'UTENZA\"\n"
                                           "D;1;2026-04-01;OLD;SERVIZI SOPPRESSI;;\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Variazioni della struttura importate: 2."))) << r.out.toStdString();
    const std::string imported = "A|2|2026-03-15|PRO|AFFARI GENERALI|URP|RELAZIONI; L'UTENZA|0|1\n"
                                 "D|1|2026-04-01|OLD|SERVIZI SOPPRESSI|||0|1";
    EXPECT_EQ(rows(), imported);
    // Notified notices are what the start-up counts.
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(ID) FROM PROT_STRUTTURE_I WHERE (Stato_Acquisizione = '0' OR "
                                      "Stato_Acquisizione IS NULL)")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);

    // One good row and one bad: nothing is written, the bad row is named.
    r = run(write("errato.csv", "Cod_OP,Livello,Data_EFF,Cod_dip,des_dip\n"
                                "M,1,2026-05-01,AMM,AMMINISTRATIVO\n"
                                "M,1,2026-13-01,AMM,AMMINISTRATIVO\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("riga 3: Data_EFF \"2026-13-01\" non è una data"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nessuna variazione importata"))) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("riga 2"))) << r.err.toStdString();
    EXPECT_EQ(rows(), imported);

    r = run(dir.filePath(QStringLiteral("manca.csv")));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Impossibile leggere il file"))) << r.err.toStdString();
    r = admin({QStringLiteral("import-structure-changes"), dir.filePath(QStringLiteral("buono.csv"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(rows(), imported);
}

NIMBO_INSTANTIATE_ENGINES(StructureNoticesImport);

} // namespace
