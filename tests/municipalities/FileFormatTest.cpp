// The files as the statistics office may send them in a later year, and as
// they arrive when something went wrong on the way: each wrong kind is
// refused with a message that names the line or the column.

#include <QFile>
#include <gtest/gtest.h>

#include "data/Csv.h"
#include "schema/Municipalities.h"

namespace M = Schema::Municipalities;

namespace {

QByteArray shipped(const char *name)
{
    QFile f(QStringLiteral(NIMBO_MUNICIPALITY_FILES "/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}
QByteArray list() { return shipped("istat-comuni-2020-01-01.csv"); }
QByteArray caps() { return shipped("cap-comuni-2020.csv"); }

// The line of the file on which a text begins.
int lineOf(const QByteArray &content, const char *text) { return int(content.left(content.indexOf(text)).count('\n')) + 1; }

// The whole line that begins with a text, its line end included.
QByteArray lineText(const QByteArray &content, const char *start)
{
    const qsizetype from = content.indexOf(start);
    return content.mid(from, content.indexOf("\r\n", from) + 2 - from);
}

QByteArray replaced(QByteArray content, const char *before, const char *after)
{
    EXPECT_TRUE(content.contains(before)) << before;
    return content.replace(before, after);
}

QString listError(const QByteArray &content)
{
    M::List l;
    QString error;
    EXPECT_FALSE(M::readList(content, &l, &error));
    EXPECT_TRUE(l.municipalities.isEmpty());
    return error;
}

QString capsError(const QByteArray &content)
{
    M::List l;
    QString error;
    EXPECT_TRUE(M::readList(list(), &l, &error)) << error.toStdString();
    EXPECT_FALSE(M::readPostalCodes(content, &l, &error));
    for (const M::Municipality &m : std::as_const(l.municipalities))
        EXPECT_TRUE(m.postalCodes.isEmpty()) << m.code.toStdString();
    return error;
}

// The shipped file with its columns in the opposite order and one more the
// office might add, for three of its towns.
QByteArray movedColumns()
{
    QList<Csv::Record> records;
    QString error;
    EXPECT_TRUE(Csv::parse(list(), {Csv::Encoding::Latin1, QLatin1Char(';')}, &records, &error));
    QByteArray out;
    for (const Csv::Record &r : std::as_const(records)) {
        const QString code = r.fields.value(4);
        if (r.line > 1 && code != QLatin1String("066049") && code != QLatin1String("040012")
            && code != QLatin1String("021008"))
            continue;
        QStringList fields = r.fields;
        std::reverse(fields.begin(), fields.end());
        fields.insert(3, r.line == 1 ? QStringLiteral("Nuova colonna\r\n(4)") : QStringLiteral("x"));
        for (QString &f : fields)
            if (f.contains(QLatin1Char('\n')))
                f = QLatin1Char('"') + f + QLatin1Char('"');
        out += fields.join(QLatin1Char(';')).toLatin1() + "\r\n";
    }
    return out;
}

} // namespace

TEST(MunicipalityFiles, ColumnsAreFoundByTheirHeadingsWhereverTheyStand)
{
    M::List l;
    QString error;
    ASSERT_TRUE(M::readList(movedColumns(), &l, &error)) << error.toStdString();
    ASSERT_EQ(l.municipalities.size(), 3);
    QStringList seen;
    for (const M::Municipality &m : std::as_const(l.municipalities))
        seen << QStringList{m.code, m.name, m.plate, m.cadastral}.join(QLatin1Char('|'));
    EXPECT_EQ(seen, QStringList({QStringLiteral("021008|Bolzano/Bozen|BZ|A952"), QStringLiteral("040012|Forlì|FC|D704"),
                                 QStringLiteral("066049|L'Aquila|AQ|A345")}));
    ASSERT_EQ(l.provinces.size(), 3);
    EXPECT_EQ(l.provinces[1].code + QLatin1Char('|') + l.provinces[1].name + QLatin1Char('|') + l.provinces[1].region,
              QStringLiteral("040|Forlì-Cesena|08"));
    ASSERT_EQ(l.regions.size(), 3);
    EXPECT_EQ(l.regions[0].name, QStringLiteral("Trentino-Alto Adige/Südtirol"));
}

TEST(MunicipalityFiles, EveryWrongListIsRefusedNamingTheLineOrTheColumn)
{
    const QByteArray good = list();
    const int aquila = lineOf(good, "13;066;066; 049");
    const struct {
        const char *what;
        QByteArray content;
        QString message;
    } cases[] = {
        {"a heading renamed", replaced(good, "Sigla automobilistica", "Sigla"),
         QStringLiteral("Elenco dei comuni non caricato: manca la colonna \"Sigla automobilistica\" nell'intestazione.")},
        {"two headings missing",
         replaced(replaced(good, "Codice Catastale del comune", "Catasto"), "Codice Regione;", "Regione;"),
         QStringLiteral("Elenco dei comuni non caricato: mancano le colonne \"Codice Regione\", \"Codice Catastale del "
                        "comune\" nell'intestazione.")},
        {"a line cut short", good.left(good.indexOf("066049;L'Aquila") + 10),
         QStringLiteral("riga %1: 6 campi invece di 23 (riga troncata o con separatori in più)").arg(aquila)},
        {"a separator too many", replaced(good, "066049;L'Aquila;L'Aquila;", "066049;L'Aquila;;L'Aquila;"),
         QStringLiteral("riga %1: 24 campi invece di 23 (riga troncata o con separatori in più)").arg(aquila)},
        {"the list saved as UTF-8", QString::fromLatin1(good).toUtf8(),
         QStringLiteral("Elenco dei comuni non caricato: riga 1: il file è in codifica UTF-8, mentre è atteso in "
                        "Latin-1 (ISO-8859-1)")},
        {"a compressed file", QByteArray::fromHex("1f8b0800000000000003") + good.left(200),
         QStringLiteral("Elenco dei comuni non caricato: riga 1: il file contiene caratteri di controllo (byte 0x1f): "
                        "non è un file di testo")},
        {"a code of five digits", replaced(good, ";066049;L'Aquila", ";66049;L'Aquila"),
         QStringLiteral("riga %1: codice del comune \"66049\" non valido (sei cifre)").arg(aquila)},
        {"a town twice", good + lineText(good, "13;066;066; 049"),
         QStringLiteral("il comune 066049 compare già alla riga %1").arg(aquila)},
        {"a province under two plates", replaced(good, ";L'Aquila;1;AQ;", ";L'Aquila;1;AX;"),
         QStringLiteral("riga %1: la provincia 066 ha dati diversi da quelli della riga").arg(aquila)},
        {"nothing after the heading", good.left(good.indexOf("01;201;001")),
         QStringLiteral("Elenco dei comuni non caricato: il file non contiene comuni dopo l'intestazione.")},
        {"an empty file", QByteArray(), QStringLiteral("Elenco dei comuni non caricato: il file è vuoto.")},
    };
    for (const auto &c : cases) {
        const QString error = listError(c.content);
        EXPECT_TRUE(error.contains(c.message)) << c.what << ": " << error.left(400).toStdString();
    }
}

TEST(MunicipalityFiles, EveryWrongPostalCodeFileIsRefusedNamingTheLine)
{
    const QByteArray good = caps();
    const int forli = lineOf(good, "040012;");
    const struct {
        const char *what;
        QByteArray content;
        QString message;
    } cases[] = {
        {"saved as Latin-1", QString::fromUtf8(good).toLatin1(),
         QStringLiteral("File dei CAP non caricato: riga 2: il file non è in codifica UTF-8")},
        {"a postal code of four digits", replaced(good, ";47121 47122", ";4712 47122"),
         QStringLiteral("riga %1: CAP \"4712\" non valido (cinque cifre)").arg(forli)},
        {"a town the list lacks", replaced(good, "040012;Forl", "940012;Forl"),
         QStringLiteral("riga %1: il comune \"940012\" non è nell'elenco dei comuni").arg(forli)},
        {"a line cut short", good.left(good.indexOf("040012;") + 11),
         QStringLiteral("riga %1: 2 campi invece di 5").arg(forli)},
        {"no postal-code column", replaced(good, ";cap\n", ";codici\n"),
         QStringLiteral("File dei CAP non caricato: manca la colonna \"cap\" nell'intestazione.")},
    };
    for (const auto &c : cases) {
        const QString error = capsError(c.content);
        EXPECT_TRUE(error.contains(c.message)) << c.what << ": " << error.left(400).toStdString();
    }
}

TEST(MunicipalityFiles, TheCopyInsideTheProgramIsTheShippedFile)
{
    EXPECT_EQ(M::shippedList(), list());
    EXPECT_EQ(M::shippedPostalCodes(), caps());
}
