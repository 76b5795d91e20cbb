// The "is it still used?" queries run before a department or an office is
// deleted: each runs on both engines, and each finds the one kind of row it
// is there for and nothing else.

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "data/Usage.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

// A row that refers to the code: %1 entity, %2 the code, %3 a protocol
// number and %4 a small number, both unique to the row.
struct Ref {
    int query; // position of the query that must find it
    const char *table;
    const char *columns;
    const char *values;
};

const Ref kDepartmentRefs[] = {
    {0, "Tab_Uffici", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio", "'%1', '%2', 'U%4'"},
    {1, "Tab_Operatori", "Op_Codice_Operatore, Op_Ente, Op_Dipartimento", "'O%4', '%1', '%2'"},
    {2, "Tab_Protocollo", "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_SedeRicezione", "'%1', 'E', '%3', '%2'"},
    {3, "Tab_Rubrica", "Tab_EnteRubrica, Tab_Identificativo, Tab_Dipartimento", "'%1', %4, '%2'"},
    {4, "Tab_Schedario", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Codice", "'%1', '%2', 'U%4', 'C%4'"},
    {5, "Tab_Scadenzario", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_DataOraRegistrazione", "'%1', '%2', 'U%4', '%3'"},
    {6, "Tab_ProSchedari", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio", "'%1', '%2', 'U%4'"},
    {7, "Tab_Operatori_DIP", "Op_Codice, Op_Ente, Op_DIP, Op_Uff", "'O%4', '%1', '%2', 'U%4'"},
    {8, "Tab_UfficiGruppi", "Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio",
     "'%1', 'G%4', 'R%4', '%2', 'U%4'"},
    {8, "Tab_UfficiGruppi", "Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio",
     "'%1', '%2', 'R%4', 'G%4', 'U%4'"},
    {9, "Tab_DocumentiCollegati",
     "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, "
     "Tab_DipartProprietario",
     "'%1', 'E', '%3', 'LET', 'N%4', '2024-03-01', '%2'"},
    {10, "Tab_RubricaGruppi", "Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, Tab_Identificativo",
     "'%1', '%2', 'R%4', %4"},
    {11, "Tab_OggettiRicorrenti", "Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR", "'%1', '%2', 'E', 'O%4'"},
};
// The department's own tables find it whatever entity the row belongs to;
// these find it only with its entity.
const QSet<int> kDepartmentWithEntity = {7, 8, 9, 10, 11};

const char *kMovement = "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, ";
const Ref kOfficeRefs[] = {
    {0, "Tab_UfficiComponenti", "Tab_Progressivo, Tab_Ente, Tab_Dipartimento, Tab_Ufficio", "%4, '%1', 'PRO', '%2'"},
    {1, "Tab_Iter_Documento", "*Tab_Ufficio", "'%1', 'E', '%3', '20240301100000', '%2'"},
    {2, "Tab_Iter_Destinatari", "*Tab_UfficioDestinatario", "'%1', 'E', '%3', '20240301100000', '%2'"},
    {3, "Tab_Iter_Trasmissioni", "*Tab_UfficioDestinatario", "'%1', 'E', '%3', '20240301100000', '%2'"},
    {4, "Tab_Operatori", "Op_Codice_Operatore, Op_Ente, Op_CodiceUfficio", "'O%4', '%1', '%2'"},
    {5, "Tab_Protocollo", "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_UfficioRegistrazione", "'%1', 'E', '%3', '%2'"},
    {5, "Tab_Protocollo", "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_UfficioCancellazione", "'%1', 'U', '%3', '%2'"},
    {6, "Tab_Schedario", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Codice", "'%1', 'PRO', '%2', 'C%4'"},
    {7, "Tab_Scadenzario", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_DataOraRegistrazione", "'%1', 'PRO', '%2', '%3'"},
    {8, "Tab_ProSchedari", "Tab_Ente, Tab_Dipartimento, Tab_Ufficio", "'%1', 'PRO', '%2'"},
    {9, "Tab_DocumentiCollegati",
     "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, "
     "Tab_UfficioProprietario",
     "'%1', 'E', '%3', 'LET', 'N%4', '2024-03-01', '%2'"},
    {10, "Tab_ProIntegrazioni", "Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_UfficioIntegrazione",
     "'%1', 'E', '%3', '%2'"},
    {11, "Tab_Operatori_DIP", "Op_Codice, Op_Ente, Op_DIP, Op_Uff", "'O%4', '%1', 'PRO', '%2'"},
    {12, "Tab_UfficiGruppi", "Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio",
     "'%1', 'G%4', 'R%4', 'PRO', '%2'"},
};

class UsageQueries : public EngineTest {
protected:
    // Positions of the queries that find a row.
    QSet<int> finding(const QStringList &queries)
    {
        QSet<int> out;
        for (int i = 0; i < queries.size(); ++i) {
            QSqlQuery q(db().central());
            EXPECT_TRUE(q.exec(queries[i])) << queries[i].toStdString() << ": " << q.lastError().text().toStdString();
            if (q.next())
                out.insert(i);
        }
        return out;
    }
    void insert(const Ref &r, const QString &entity, const QString &code)
    {
        ++n_;
        QString columns = QString::fromLatin1(r.columns);
        if (columns.startsWith(QLatin1Char('*')))
            columns = QString::fromLatin1(kMovement) + columns.mid(1);
        QString quoted = code;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        // Not QString::arg: a row without one of the placeholders would
        // shift the others.
        QString values = QString::fromLatin1(r.values);
        values.replace(QStringLiteral("%1"), entity)
            .replace(QStringLiteral("%2"), quoted)
            .replace(QStringLiteral("%3"), QStringLiteral("2024%1").arg(n_, 7, 10, QLatin1Char('0')))
            .replace(QStringLiteral("%4"), QString::number(n_));
        const QString sql = QStringLiteral("INSERT INTO ") + QString::fromLatin1(r.table) + QStringLiteral(" (") + columns
                            + QStringLiteral(") VALUES (") + values + QLatin1Char(')');
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
    int n_ = 0;
};

TEST_P(UsageQueries, EachQueryFindsItsOwnReferenceAndOnlyThat)
{
    // A fresh register: every query runs (a wrong name would fail here) and
    // finds nothing.
    EXPECT_EQ(finding(Usage::departmentUsage(QStringLiteral("001"), QStringLiteral("PRO"))), QSet<int>{});
    EXPECT_EQ(finding(Usage::officeUsage(QStringLiteral("001"), QStringLiteral("UPR"))), QSet<int>{});
    EXPECT_EQ(Usage::departmentUsage(QStringLiteral("001"), QStringLiteral("PRO")).size(), 12);
    EXPECT_EQ(Usage::officeUsage(QStringLiteral("001"), QStringLiteral("UPR")).size(), 13);
    EXPECT_EQ(Usage::departmentUsage(QStringLiteral("001"), QStringLiteral("PRO")).front(),
              QStringLiteral("SELECT 1 FROM Tab_Uffici WHERE Tab_Dipartimento = 'PRO' LIMIT 1"));
    EXPECT_EQ(Usage::officeUsage(QStringLiteral("0'1"), QStringLiteral("L'AQ")).at(5),
              QStringLiteral("SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = '0''1' AND (Tab_UfficioRegistrazione = "
                             "'L''AQ' OR Tab_UfficioCancellazione = 'L''AQ') LIMIT 1"));

    // Every code holds an apostrophe, as L'AQUILA would; each reference
    // has a code of its own, so exactly its query finds it.
    QSet<int> covered;
    int k = 0;
    for (const Ref &r : kDepartmentRefs) {
        SCOPED_TRACE(r.table);
        const QString code = QStringLiteral("D'%1").arg(++k);
        const QStringList queries = Usage::departmentUsage(QStringLiteral("001"), code);
        insert(r, QStringLiteral("002"), code);
        EXPECT_EQ(finding(queries), kDepartmentWithEntity.contains(r.query) ? QSet<int>{} : QSet<int>{r.query});
        insert(r, QStringLiteral("001"), code);
        EXPECT_EQ(finding(queries), QSet<int>{r.query});
        covered.insert(r.query);
    }
    EXPECT_EQ(covered.size(), 12);
    covered.clear();
    for (const Ref &r : kOfficeRefs) {
        SCOPED_TRACE(r.table);
        const QString code = QStringLiteral("U'%1").arg(++k);
        const QStringList queries = Usage::officeUsage(QStringLiteral("001"), code);
        insert(r, QStringLiteral("002"), code);
        EXPECT_EQ(finding(queries), QSet<int>{}) << "an office of another entity";
        insert(r, QStringLiteral("001"), code);
        EXPECT_EQ(finding(queries), QSet<int>{r.query});
        covered.insert(r.query);
    }
    EXPECT_EQ(covered.size(), 13);
}

NIMBO_INSTANTIATE_ENGINES(UsageQueries);

} // namespace
