// The summary's statements and rules on both engines: the tree one level at
// a time, who sees which classified protocols (levels 6-9), each protocol
// once however many dossiers of the class hold it, the period's ends, the
// masking of reserved protocols, the progress of each protocol, and the
// workbook read back by a reader that is not ours.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "SummaryFixture.h"
#include "iter/TrayFixture.h"
#include "classification/SummaryExport.h"
#include "classification/SummaryQueries.h"
#include "data/Funzioni_Com_1.h"

using namespace nimbo;
using namespace nimbo::classification::summary;
using namespace nimbo::test::summary;
namespace F = Funzioni_Com_1;

namespace {

// The demo register of the iter's tests, its scope viewers, and the
// classified register of SummaryFixture.h.
class SummaryQueries : public test::IterData {
protected:
    void SetUp() override
    {
        IterData::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        seedRegister(db().central());
    }
    static Selection klass(const char *k = "K9", std::optional<qint64> dossier = {})
    {
        Selection sel;
        sel.title = s("T9");
        sel.category = s("C9");
        sel.klass = s(k);
        sel.dossier = dossier;
        sel.description = s("CLASSE DI PROVA");
        return sel;
    }
    // The progressives listed, in the order listed.
    QString listed(const Selection &sel, const protocol::Viewer &v, const Period &p = {QDate(2024, 1, 1), QDate(2024, 12, 31)})
    {
        const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), protocolsQuery(s("001"), sel, p, v));
        EXPECT_FALSE(rows.failed()) << rows.message.toStdString();
        QStringList out;
        for (int r = 0; r < rows.rowCount(); ++r)
            out << QString::number(rows.value(1, r).toString().right(7).toInt());
        return out.join(QLatin1Char(','));
    }
};

TEST_P(SummaryQueries, TreeIsReadOneLevelAtATime)
{
    const auto read = [](const QStringList &path) {
        const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), childrenQuery(s("001"), path));
        EXPECT_FALSE(rows.failed());
        return elementsOf(rows, int(path.size()));
    };
    bool found = false;
    for (const Element &e : read({}))
        found = found || (e.code == s("T9") && e.description == s("TITOLO DI PROVA") && e.state == s("Attivo"));
    EXPECT_TRUE(found);
    const auto classes = read({s("T9"), s("C9")});
    ASSERT_EQ(classes.size(), 2);
    EXPECT_EQ(classes[0].code, s("K8"));
    EXPECT_EQ(classes[0].state, s("Non attivo"));
    EXPECT_TRUE(classes[0].inactive);
    EXPECT_EQ(classes[1].state, s("Attivo"));
    const auto dossiers = read({s("T9"), s("C9"), s("K9")});
    ASSERT_EQ(dossiers.size(), 2);
    EXPECT_EQ(dossiers[0].code, s("00001"));
    EXPECT_EQ(dossiers[0].state, s("Aperto"));
    EXPECT_EQ(dossiers[1].code, s("00002"));
    EXPECT_EQ(dossiers[1].state, s("Chiuso il 30/06/2024"));
    EXPECT_TRUE(dossiers[1].inactive);
}

TEST_P(SummaryQueries, EachLevelSeesItsOwnProtocolsOnceAndInOrder)
{
    // Protocol 2 sits in two dossiers of K9 and is listed once; 4 is of
    // 2023; 5 is of another class; 6 is dated on the period's last day.
    EXPECT_EQ(listed(klass(), viewer("DEMO9", 9, "PRO", "UPR")), s("1,2,3,6"));
    EXPECT_EQ(listed(klass("K9", 2), viewer("DEMO9", 9, "PRO", "UPR")), s("2,3"));
    EXPECT_EQ(listed(klass("K9", 1), viewer("DEMO9", 9, "PRO", "UPR")), s("1,2,6"));
    EXPECT_EQ(listed(klass("K8"), viewer("DEMO9", 9, "PRO", "UPR")), s("5"));
    // Level 6: only what he registered himself.
    EXPECT_EQ(listed(klass(), viewer("DEMO6", 6, "PRO", "UPR")), s("1"));
    EXPECT_EQ(listed(klass(), viewer("DEMO6", 6, "AMM", "RAG")), s("1"));
    // Level 7: registered by his office, or routed to it.
    EXPECT_EQ(listed(klass(), viewer("DEMO7", 7, "PRO", "UPR")), s("1,3"));
    // Protocol 1 was routed to ARC.
    EXPECT_EQ(listed(klass(), viewer("DEMO7", 7, "PRO", "ARC")), s("1"));
    // ... or by / to the office of an extra pair.
    protocol::Viewer extra = viewer("DEMO7", 7, "PRO", "NUL");
    EXPECT_EQ(listed(klass(), extra), s(""));
    extra.extra.append({s("AMM"), s("RAG")});
    EXPECT_EQ(listed(klass(), extra), s("1,2,3,6"));
    // Level 8: registered by his department or routed to one of its offices.
    EXPECT_EQ(listed(klass(), viewer("DEMO8", 8, "PRO", "ARC")), s("1,3"));
    EXPECT_EQ(listed(klass(), viewer("DEMO8", 8, "AMM", "RAG")), s("1,2,3,6"));
    EXPECT_EQ(listed(klass(), viewer("DEMO8", 8, "NUL", "NUL")), s(""));
    // A level outside 6-9 sees nothing.
    EXPECT_EQ(listed(klass(), viewer("DEMO9", 5, "PRO", "UPR")), s(""));
    // The period's first day counts too.
    EXPECT_EQ(listed(klass(), viewer("DEMO9", 9, "PRO", "UPR"), {QDate(2023, 12, 31), QDate(2024, 2, 1)}), s("4,1"));
}

TEST_P(SummaryQueries, ReservedProtocolsAreMaskedWithoutThePrivacyRight)
{
    const Period year{QDate(2024, 1, 1), QDate(2024, 12, 31)};
    for (const bool privacy : {false, true}) {
        const protocol::Viewer v = viewer("DEMO9", 9, "PRO", "UPR", privacy);
        const F::Columns rows = protocolRows(
            F::loadRows(QStringLiteral("PROTOCOLLO"), protocolsQuery(s("001"), klass(), year, v)), v);
        ASSERT_EQ(rows[0].size(), 4);
        EXPECT_EQ(rows[ColNumber][1].toString(), s("2024-0000002"));
        EXPECT_EQ(rows[ColDate][1].toDate(), QDate(2024, 3, 1));
        EXPECT_EQ(rows[ColReserved][1].toString(), s("S"));
        const QString stars = s("*****************************************");
        if (!privacy) {
            EXPECT_EQ(rows[ColSubject][1].toString(), stars);
            EXPECT_EQ(rows[ColHolder][1].toString(), stars);
            EXPECT_EQ(rows[ColAddress][1].toString(), stars);
        } else {
            EXPECT_EQ(rows[ColSubject][1].toString(), s("OGGETTO DEL 20240000002"));
            EXPECT_EQ(rows[ColHolder][1].toString(), s("COMUNE DI POTENZA"));
        }
        // Not reserved: shown whole, with the holder's address.
        EXPECT_EQ(rows[ColSubject][0].toString(), s("OGGETTO DEL 20240000001"));
        EXPECT_EQ(rows[ColHolder][0].toString(), s("REGIONE BASILICATA"));
        EXPECT_TRUE(rows[ColAddress][0].toString().startsWith(s("VIA ROMA, 1 - "))) << rows[ColAddress][0].toString().toStdString();
        EXPECT_TRUE(rows[ColAddress][0].toString().endsWith(s("   POTENZA"), Qt::CaseInsensitive)) << rows[ColAddress][0].toString().toStdString();
    }
}

TEST_P(SummaryQueries, ProgressIsTheLastMovementWithItsRecipients)
{
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                           progressQuery(s("001"), {number(1), number(2), number(3)}));
    ASSERT_FALSE(rows.failed());
    const auto p = progressOf(rows);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(s("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ufficio IN ('UPR', 'RAG', 'ARC')")));
    QHash<QString, QString> office;
    while (q.next())
        office[q.value(0).toString()] = q.value(1).toString().trimmed();
    ASSERT_EQ(office.size(), 3);
    // Taken in charge after the assignment: the later movement counts.
    EXPECT_EQ(p.value(s("E|") + number(3)).state, s("PRESO IN CARICO DA ") + office[s("UPR")]);
    EXPECT_EQ(p.value(s("E|") + number(3)).office, office[s("UPR")]);
    EXPECT_EQ(p.value(s("E|") + number(3)).recipients, s(""));
    // Assigned to two offices, in name order.
    const Progress one = p.value(s("E|") + number(1));
    EXPECT_EQ(one.state, s("Assegnazione"));
    EXPECT_EQ(one.office, office[s("UPR")]);
    QStringList both{office[s("RAG")], office[s("ARC")]};
    both.sort();
    EXPECT_EQ(one.recipients, both.join(s(", ")));
    // No movement: nothing.
    EXPECT_FALSE(p.contains(s("U|") + number(2)));
}

NIMBO_INSTANTIATE_ENGINES(SummaryQueries);

TEST(SummaryRules, PeriodAndHeadings)
{
    Period p;
    EXPECT_EQ(periodProblem(s("31/02/2024"), s("01/03/2024"), &p), s("inserire una data corretta"));
    EXPECT_EQ(periodProblem(s("01/01/2024"), s(""), &p), s("inserire una data corretta"));
    EXPECT_FALSE(periodProblem(s("02/01/2024"), s("01/01/2024"), &p).isEmpty());
    EXPECT_EQ(periodProblem(s("01/01/2024"), s("31/12/2024"), &p), s(""));
    EXPECT_EQ(p.from, QDate(2024, 1, 1));
    EXPECT_EQ(p.to, QDate(2024, 12, 31));
    EXPECT_EQ(proposedPeriod(QDate(2026, 12, 8)).from, QDate(2026, 1, 1));
    Selection sel{s("01"), s("02"), s("03"), 7, s("APPALTI")};
    EXPECT_EQ(headingWithName(sel), s("Documenti inseriti nel fascicolo: 01.02.03.00007 - APPALTI"));
    sel.dossier.reset();
    sel.description = s("CONTRATTI");
    EXPECT_EQ(headingWithName(sel), s("Documenti appartenenti alla classe: 01.02.03 - CONTRATTI"));
    EXPECT_EQ(addressText(s("VIA ROMA"), s(""), s("85100"), s("POTENZA")), s("VIA ROMA - 85100   POTENZA"));
}

TEST(SummaryWorkbook, ReadBackByAnotherReaderAndNeverHalfWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(s("Protocolli Classificati.xlsx"));
    QVector<ExportRow> rows(2);
    rows[0] = {s("E"), s("2024-0000001"), QDate(2024, 2, 1), s("OGGETTO È UNO"), s("REGIONE"), s("VIA ROMA, 1"),
               {s("Assegnazione"), s("PROTOCOLLO"), s("ARCHIVIO, RAGIONERIA")}};
    rows[1] = {s("U"), s("2024-0000002"), QDate(2024, 3, 1), s("*****"), s("*****"), s("*****"), {}};
    QString error;
    ASSERT_EQ(writeWorkbook(path, s("Titolo"), s("Periodo"), rows, {}, &error), ExportOutcome::Written) << error.toStdString();
    const QJsonArray read = readWorkbook(path, &error);
    ASSERT_EQ(read.size(), 6) << error.toStdString();
    EXPECT_EQ(cell(read, 0, 0), s("Titolo"));
    EXPECT_EQ(cell(read, 1, 0), s("Periodo"));
    QStringList headings;
    for (const auto &h : read.at(3).toArray())
        headings << h.toString();
    EXPECT_EQ(headings, exportHeadings());
    EXPECT_EQ(headings.join(QLatin1Char(';')),
              s("Tipo;N. Protocollo;Data Protocollo;Oggetto;Mittente;Indirizzo Mittente;Destinatario;"
                "Indirizzo Destinatario;Stato Avanzamento;Ufficio Eseguente;Uffici Destinatari"));
    EXPECT_EQ(cell(read, 4, 1), s("2024-0000001"));
    EXPECT_EQ(cell(read, 4, 2), s("date:2024-02-01"));
    EXPECT_EQ(cell(read, 4, 3), s("OGGETTO È UNO"));
    // Incoming: the holder is the sender; outgoing: the recipient.
    EXPECT_EQ(cell(read, 4, 4), s("REGIONE"));
    EXPECT_EQ(cell(read, 4, 6), s(""));
    EXPECT_EQ(cell(read, 5, 4), s(""));
    EXPECT_EQ(cell(read, 5, 6), s("*****"));
    EXPECT_EQ(cell(read, 4, 8), s("Assegnazione"));
    EXPECT_EQ(cell(read, 4, 10), s("ARCHIVIO, RAGIONERIA"));

    // An empty list still gets its title and headings.
    const QString empty = dir.filePath(s("vuoto.xlsx"));
    ASSERT_EQ(writeWorkbook(empty, s("Titolo"), s("Periodo"), {}, {}, &error), ExportOutcome::Written);
    const QJsonArray none = readWorkbook(empty);
    ASSERT_EQ(none.size(), 4);
    EXPECT_EQ(cell(none, 3, 10), s("Uffici Destinatari"));

    // Cancelled half-way: the older file of that name stays as it was and
    // nothing else is left in the folder.
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    QVector<ExportRow> many(1000, rows[0]);
    EXPECT_EQ(writeWorkbook(path, s("Altro"), s(""), many, [](int done) { return done < 400; }, &error),
              ExportOutcome::Cancelled);
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

} // namespace
