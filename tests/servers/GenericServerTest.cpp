// The loaders, the batch writer and the report-table filler going through
// the generic data server, on both engines.

#include <QFile>
#include <QHeaderView>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "data/Funzioni_Com_1.h"
#include "servers/GenericServer.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"
#include "ui/GridLoaders.h"

namespace F = Funzioni_Com_1;

namespace {

QString logText()
{
    QFile f(DicAmbiente::logFilePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class Generic : public nimbo::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        nimbo::registerServers();
        auto &cfg = DicAmbiente::session().cfg;
        cfg.oleGenerica = nimbo::kGenericProgId;
        DicAmbiente::ensureWorkFolder(cfg.applTemp);
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_TipoDocumento (Tab_Codice, Tab_Descrizione, Tab_DatOper) "
                                          "VALUES ('D1','Delibera','2024-03-12'), ('D2','Nota dell''ufficio',"
                                          "'2024-03-13'), ('D3','Determina',NULL)")));
    }
    void TearDown() override
    {
        C_GestDB::closeLocalDatabase();
        EngineTest::TearDown();
    }
    int count(const QString &sql)
    {
        QSqlQuery q(db().central());
        return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
    }
    nimbo::test::ScriptedDialogs boxes;
    const QString proto = QStringLiteral("PROTOCOLLO");
};

} // namespace

TEST_P(Generic, LoadersReturnRowsNoRowsAndFailures)
{
    const auto one = F::Caricadati(proto, QStringLiteral("SELECT Tab_Descrizione, Tab_DatOper FROM Tab_TipoDocumento "
                                                         "WHERE Tab_Codice='D2'"));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(*one, (QVariantList{QStringLiteral("Nota dell'ufficio"), QStringLiteral("2024-03-13")}));
    EXPECT_FALSE(F::Caricadati(proto, QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE 1=0")));
    // The local mode reads the same database itself.
    EXPECT_EQ(F::Caricadati(proto, QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento"), F::kModeLocal)
                  .value_or(QVariantList{}).value(0).toInt(), 3);

    const auto rows = F::loadRows(proto, QStringLiteral("SELECT Tab_Codice, Tab_DatOper FROM Tab_TipoDocumento "
                                                        "ORDER BY Tab_Codice"));
    ASSERT_TRUE(rows.ok);
    ASSERT_EQ(rows.columnCount(), 2);
    EXPECT_EQ(rows.columns[0], (QVariantList{QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")}));
    EXPECT_TRUE(rows.value(1, 2).isNull());

    const auto none = F::loadRows(proto, QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE 1=0"));
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.code.toString(), QStringLiteral("§§§"));
    EXPECT_TRUE(logText().contains(QStringLiteral("1-Nessun Record Trovato")));

    const auto broken = F::loadRows(proto, QStringLiteral("SELECT x FROM Tabella_Inesistente"));
    EXPECT_FALSE(broken.ok);
    EXPECT_EQ(broken.code.toInt(), F::kStatusSqlFailed);
    EXPECT_TRUE(logText().contains(QStringLiteral("Caricadati da PROTOCOLLO.2-")));
    EXPECT_FALSE(F::Caricadati(proto, QStringLiteral("SELEC 1")));
    // A failed read is told to the operator, not only logged: the caller
    // would otherwise go on as if there were no rows.
    EXPECT_EQ(boxes.texts(), QStringList(2, QStringLiteral("Server NimboServer.Generica, Errore :2")));
    boxes.clear();

    const auto undeclared = F::loadRows(QStringLiteral("ARCHIVIO"), QStringLiteral("SELECT 1"));
    EXPECT_FALSE(undeclared.ok);
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("ATTENZIONE ! ARCHIVIO Inesistente tra i SET di dichiarazione Database in file ini")});
    EXPECT_EQ(boxes.shown.value(0).title, QStringLiteral("Messaggio di Errore"));

    EXPECT_TRUE(F::serverTime().isValid());
}

TEST_P(Generic, UnknownProgIdAndBadRequestsDoNotCrash)
{
    nimbo::ServerHolder holder;
    const QString wrong = QStringLiteral("Nessuno.Server");
    EXPECT_FALSE(F::Caricadati(proto, QStringLiteral("SELECT 1"), F::kModeServer, wrong, holder));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Errore Creazione Oggetto Nessuno.Server\nClasse non registrata\n"
                                                        "Errore In Creazione OLE e/o linea non disponibile!")});
    EXPECT_FALSE(holder.object);
    boxes.clear();
    EXPECT_FALSE(F::Update_Tabella({{QStringLiteral("C"), QStringLiteral("Tab_TipoDocumento"), {}, QStringLiteral("1=1")}},
                                   proto, F::kModeServer, F::kOpBatchWrite, wrong, holder));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Server Nessuno.Server, Errore in Creazione")});
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento")), 3);

    nimbo::GenericServer server;
    QVariantList params{proto};
    EXPECT_EQ(server.Elabora(F::kOpRows, params).value(0).toInt(), F::kStatusBadRequest);
    EXPECT_EQ(server.Elabora(999, params).value(0).toInt(), F::kStatusBadRequest);
    params = {QStringLiteral("ALTRO"), QStringLiteral("SELECT 1")};
    EXPECT_EQ(server.Elabora(F::kOpRows, params).value(0).toInt(), F::kStatusBadDatabase);
    // The reply layout: status, text, columns (and the names for grids);
    // a single-row read stops at the first row.
    params = {proto, QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento ORDER BY Tab_Codice")};
    const QVariantList single = server.Elabora(F::kOpSingleRow, params);
    EXPECT_EQ(single.value(0).toInt(), F::kStatusOk);
    EXPECT_EQ(single.value(2).toList().value(0).toList(), QVariantList{QStringLiteral("D1")});
    const QVariantList grid = server.Elabora(F::kOpGridRows, params);
    EXPECT_EQ(grid.value(2).toList().value(0).toList().size(), 3);
    EXPECT_EQ(grid.value(3).toStringList().value(0).toLower(), QStringLiteral("tab_codice"));
    params = {proto, QStringLiteral("non una lista")};
    EXPECT_EQ(server.Elabora(F::kOpBatchWrite, params).value(0).toInt(), F::kStatusBadRequest);
}

TEST_P(Generic, BatchThroughTheServerIsAllOrNothing)
{
    const F::Statement add{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                           {{QStringLiteral("Tab_Codice"), QStringLiteral("N1")},
                            {QStringLiteral("Tab_DatOper"), QStringLiteral("12/31/2024")}},
                           {}};
    const F::Statement change{QStringLiteral("R"), QStringLiteral("Tab_TipoDocumento"),
                              {{QStringLiteral("Tab_Descrizione"), QStringLiteral("L'atto")}},
                              QStringLiteral("Tab_Codice='D1'")};
    const F::Statement duplicate{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                                 {{QStringLiteral("Tab_Codice"), QStringLiteral("D2")}}, {}};
    EXPECT_FALSE(F::Update_Tabella({add, change, duplicate}, proto));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("Errore Server NimboServer.Generica : Istruzione 3: ")));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice='N1'")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Descrizione='Delibera'")), 1);

    boxes.clear();
    EXPECT_TRUE(F::Update_Tabella({add, change}, proto));
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice='N1' "
                                   "AND Tab_DatOper='2024-12-31'")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Descrizione='L''atto'")), 1);
}

TEST_P(Generic, BatchWithAControlCharacterIsRefusedBeforeAnythingIsWritten)
{
    const F::Statement add{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                           {{QStringLiteral("Tab_Codice"), QStringLiteral("N1")},
                            {QStringLiteral("Tab_Descrizione"), QStringLiteral("Prima riga\nseconda\tcolonna")}},
                           {}};
    const F::Statement broken{QStringLiteral("R"), QStringLiteral("Tab_TipoDocumento"),
                              {{QStringLiteral("Tab_Descrizione"), QStringLiteral("Nota") + QChar(0) + QStringLiteral("x")}},
                              QStringLiteral("Tab_Codice='D1'")};
    const F::Statement lone{QStringLiteral("R"), QStringLiteral("Tab_TipoDocumento"),
                            {{QStringLiteral("Tab_Descrizione"), QStringLiteral("Nota")}},
                            QStringLiteral("Tab_Codice='D") + QChar(0xd800) + QStringLiteral("'")};
    // Through the server the box names the field; the local mode shows its
    // usual boxes and the log names it.
    for (int mode : {F::kModeServer, F::kModeLocal}) {
        for (const F::Statement &bad : {broken, lone}) {
            boxes.clear();
            EXPECT_FALSE(F::Update_Tabella({add, bad}, proto, mode)) << mode;
            const QString why = bad.condition == lone.condition ? QStringLiteral("condizione di Tab_TipoDocumento")
                                                                 : QStringLiteral("Tab_TipoDocumento.Tab_Descrizione");
            const QString shown = mode == F::kModeServer ? boxes.texts().join(QLatin1Char('|')) : logText();
            EXPECT_TRUE(shown.contains(why)) << mode << shown.toStdString();
            EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice='N1'")), 0);
        }
    }
    boxes.clear();
    EXPECT_TRUE(F::Update_Tabella({add}, proto));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Descrizione = 'Prima riga' || "
                                   "char(10) || 'seconda' || char(9) || 'colonna'")
                        .replace(QStringLiteral("char("), db().engine() == Dialect::Engine::PostgreSQL
                                                               ? QStringLiteral("chr(")
                                                               : QStringLiteral("char("))),
              1);
}

TEST_P(Generic, GridAndListAreFilledFromTheServer)
{
    const QString sql = QStringLiteral("SELECT Tab_Codice, Tab_DatOper FROM Tab_TipoDocumento ORDER BY Tab_Codice");
    QTreeWidget list;
    EXPECT_TRUE(CaricaLWDaQuery(proto, sql, &list, QStringLiteral("CODICE;DATA"), QStringLiteral("8;12")));
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("DATA"));
    EXPECT_EQ(list.topLevelItem(0)->text(1), QStringLiteral("12/03/2024"));
    EXPECT_EQ(list.topLevelItem(2)->text(1), QString());
    // At least the widths asked for: a column is widened to show its
    // heading and short cells whole, and the last takes the room left.
    EXPECT_GE(list.columnWidth(0), 8 * list.fontMetrics().averageCharWidth());
    EXPECT_GE(list.columnWidth(1), 12 * list.fontMetrics().averageCharWidth());
    EXPECT_TRUE(list.updatesEnabled());

    QTableWidget grid;
    EXPECT_TRUE(CaricaGrigliaDaQuery(proto, sql, &grid, QStringLiteral("CODICE;DATA"), QStringLiteral("8;12")));
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.item(1, 0)->text(), QStringLiteral("D2"));
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), QStringLiteral("CODICE"));

    // A failing query leaves an empty control and one log line.
    EXPECT_FALSE(CaricaLWDaQuery(proto, QStringLiteral("SELECT * FROM Inesistente"), &list, QStringLiteral("A"),
                                 QStringLiteral("5")));
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_TRUE(logText().contains(QStringLiteral("CaricaLWDaQuery, errore apertura SELECT * FROM Inesistente")));
}

TEST_P(Generic, ReportTableIsReplacedByTheQueryRows)
{
    QSqlQuery local(db().local());
    ASSERT_TRUE(local.exec(QStringLiteral("INSERT INTO Tab_Report (Rep_Campo01) VALUES ('vecchia riga')")));
    EXPECT_TRUE(F::CaricaTabReport(QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, Tab_DatOper FROM "
                                                  "Tab_TipoDocumento ORDER BY Tab_Codice"),
                                   QStringLiteral("Rep_Campo01-Rep_Campo02-Rep_Campo03")));
    ASSERT_TRUE(local.exec(QStringLiteral("SELECT Rep_Campo01, Rep_Campo02, Rep_Campo03 FROM Tab_Report ORDER BY ID")));
    QStringList got;
    while (local.next())
        got << local.value(0).toString() + QLatin1Char('|') + local.value(1).toString() + QLatin1Char('|')
                   + local.value(2).toString();
    // Dates print day first, as every report shows them.
    EXPECT_EQ(got, (QStringList{QStringLiteral("D1|Delibera|12/03/2024"), QStringLiteral("D2|Nota dell'ufficio|13/03/2024"),
                                QStringLiteral("D3|Determina|")}));

    // No rows: the old report is gone and the operator is told.
    EXPECT_FALSE(F::CaricaTabReport(QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE 1=0"),
                                    QStringLiteral("Rep_Campo01")));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Nessun dato trovato")});
    ASSERT_TRUE(local.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Report")) && local.next());
    EXPECT_EQ(local.value(0).toInt(), 0);
}

NIMBO_INSTANTIATE_ENGINES(Generic);
