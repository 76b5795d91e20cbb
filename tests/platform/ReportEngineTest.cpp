// The report engine against a real SQLite work database and real PDF files,
// read back with pdftotext.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/ReportEngine.h"

using namespace nimbo;

namespace {

QString pdfTool(const QString &tool, const QString &pdf)
{
    QProcess p;
    p.start(tool, tool == QLatin1String("pdftotext") ? QStringList{QStringLiteral("-layout"), pdf, QStringLiteral("-")}
                                                    : QStringList{pdf});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

ReportRequest request(const QString &name, const QString &title = {}, const QMap<QString, QString> &values = {})
{
    ReportRequest r;
    r.templateName = name;
    r.title = title;
    r.values = values;
    return r;
}

class ReportEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("report-test"));
        db.setDatabaseName(dir.filePath(QStringLiteral("local.db")));
        ASSERT_TRUE(db.open());
        QStringList cols{QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT")};
        for (int c = 1; c <= kReportColumns; ++c)
            cols << reportColumnName(c) + QStringLiteral(" TEXT");
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Tab_Report (%1)").arg(cols.join(QLatin1Char(',')))))
            << q.lastError().text().toStdString();
        templates = dir.filePath(QStringLiteral("report"));
        QDir().mkpath(templates);
    }
    void TearDown() override
    {
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(QStringLiteral("report-test"));
    }
    void writeTemplate(const QString &name, const QString &body)
    {
        QFile f(QDir(templates).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body.toUtf8());
    }
    QStringList column01()
    {
        QStringList out;
        QSqlQuery q(QStringLiteral("SELECT Rep_Campo01 FROM Tab_Report ORDER BY ID"), db);
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    QTemporaryDir dir;
    QSqlDatabase db;
    QString templates;
};

TEST_F(ReportEngineTest, RendersRowsInOrderWithValuesEscapedAndEmptyFieldsFalse)
{
    writeTemplate(QStringLiteral("elenco.rpt"),
                  QStringLiteral("<h1>{{title}}</h1><p>{{intestazione}}</p><p>primo={{Rep_Campo01}} n={{rowCount}}</p>"
                                 "{{#rows}}[{{n}}:{{Rep_Campo01}}/{{Rep_Campo02}}{{#Rep_Campo03}}+{{Rep_Campo03}}{{/Rep_Campo03}}]{{/rows}}"));
    ASSERT_TRUE(replaceReportRows(db, {{QStringLiteral("vecchia")}}));
    ASSERT_TRUE(replaceReportRows(db, {{QStringLiteral("A"), QStringLiteral("<b>&"), QStringLiteral("x")},
                                       {QStringLiteral("B"), QString(), QString()},
                                       {QStringLiteral("C")}}));
    EXPECT_EQ(column01(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));

    ReportEngine engine(templates);
    const ReportRequest req = request(QStringLiteral("elenco.rpt"), QStringLiteral("Elenco"),
                                      {{QStringLiteral("intestazione"), QStringLiteral("Ufficio Protocollo")}});
    const QString html = engine.render(req, db);
    EXPECT_EQ(engine.lastErrorNumber(), 0);
    EXPECT_EQ(html, QStringLiteral("<h1>Elenco</h1><p>Ufficio Protocollo</p><p>primo=A n=3</p>"
                                   "[1:A/&lt;b&gt;&amp;+x][2:B/][3:C/]"));
}

TEST_F(ReportEngineTest, PrintsEveryPageOfALongReportToPdfWithAccentsAndDeclaredPage)
{
    writeTemplate(QStringLiteral("Lungo.rpt"),
                  QStringLiteral("<html><head><meta name=\"page-size\" content=\"A5 landscape\">"
                                 "<meta name=\"page-margins\" content=\"10\"></head><body>"
                                 "<p>{{title}} - città</p><table>{{#rows}}<tr><td>riga {{Rep_Campo01}}</td></tr>{{/rows}}</table>"
                                 "</body></html>"));
    QVector<ReportRow> rows;
    for (int i = 1; i <= 150; ++i)
        rows << ReportRow{QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0'))};
    ASSERT_TRUE(replaceReportRows(db, rows));

    // Letter case of the name does not matter, as on the systems the templates come from.
    ReportEngine engine(templates);
    const QString pdf = dir.filePath(QStringLiteral("lungo.pdf"));
    ASSERT_TRUE(engine.print(request(QStringLiteral("lungo.RPT"), QStringLiteral("Registro")), db, ReportTarget::pdf(pdf)))
        << engine.lastErrorText().toStdString();
    const QString text = pdfTool(QStringLiteral("pdftotext"), pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Registro - città")));
    EXPECT_TRUE(text.contains(QStringLiteral("riga R001")));
    EXPECT_TRUE(text.contains(QStringLiteral("riga R150")));
    const QString info = pdfTool(QStringLiteral("pdfinfo"), pdf);
    EXPECT_TRUE(info.contains(QStringLiteral("Registro"))); // document title
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 4(19|20)")))) << info.toStdString();
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    ASSERT_TRUE(pages.hasMatch());
    EXPECT_GT(pages.captured(1).toInt(), 1);
}

TEST_F(ReportEngineTest, PageNumbersOnlyWhenTheTemplateAsksAndNoRowHiddenUnderThem)
{
    const QString head = QStringLiteral("<html><head><meta name=\"page-size\" content=\"A6\">%1</head><body><table>"
                                        "{{#rows}}<tr><td>riga {{Rep_Campo01}}</td></tr>{{/rows}}</table></body></html>");
    writeTemplate(QStringLiteral("Numerato.rpt"),
                  head.arg(QStringLiteral("<meta name=\"page-footer\" content=\"Pag. {page} di {pages}\">")));
    writeTemplate(QStringLiteral("Semplice.rpt"), head.arg(QString()));
    QVector<ReportRow> rows;
    for (int i = 1; i <= 120; ++i)
        rows << ReportRow{QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0'))};
    ASSERT_TRUE(replaceReportRows(db, rows));
    ReportEngine engine(templates);

    const QString numbered = dir.filePath(QStringLiteral("numerato.pdf"));
    ASSERT_TRUE(engine.print(request(QStringLiteral("Numerato.rpt")), db, ReportTarget::pdf(numbered)));
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfTool(QStringLiteral("pdfinfo"), numbered));
    ASSERT_TRUE(pages.hasMatch());
    const int count = pages.captured(1).toInt();
    ASSERT_GT(count, 2);
    const QString text = pdfTool(QStringLiteral("pdftotext"), numbered);
    for (int p = 1; p <= count; ++p)
        EXPECT_TRUE(text.contains(QStringLiteral("Pag. %1 di %2").arg(p).arg(count))) << p;
    // Every row still printed: the footer takes its room from the page.
    for (int i = 1; i <= 120; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("riga R%1").arg(i, 3, 10, QLatin1Char('0')))) << i;

    const QString plain = dir.filePath(QStringLiteral("semplice.pdf"));
    ASSERT_TRUE(engine.print(request(QStringLiteral("Semplice.rpt")), db, ReportTarget::pdf(plain)));
    EXPECT_FALSE(pdfTool(QStringLiteral("pdftotext"), plain).contains(QStringLiteral("Pag.")));
}

TEST_F(ReportEngineTest, FailuresGiveTheirNumberAndTextAndASuccessClearsThem)
{
    ReportEngine engine(templates);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));

    EXPECT_FALSE(engine.print(request(QStringLiteral("manca.rpt")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 1);
    EXPECT_EQ(engine.lastErrorText(), QStringLiteral("Modello di stampa non trovato: ") + templates + QStringLiteral("/manca.rpt"));
    EXPECT_FALSE(engine.print(request(QStringLiteral("../local.db")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 1);

    writeTemplate(QStringLiteral("t.rpt"), QStringLiteral("<p>{{Rep_Campo01}}</p>"));
    EXPECT_FALSE(engine.print(request(QStringLiteral("t.rpt")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 4);
    EXPECT_EQ(engine.lastErrorText(), QStringLiteral("Nessun dato da stampare"));
    EXPECT_FALSE(QFile::exists(pdf));

    writeTemplate(QStringLiteral("rotto.rpt"), QStringLiteral("{{#rows}}<p>{{Rep_Campo01}}</p>"));
    ASSERT_TRUE(replaceReportRows(db, {{QStringLiteral("uno")}}));
    EXPECT_FALSE(engine.print(request(QStringLiteral("rotto.rpt")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 2);
    EXPECT_TRUE(engine.lastErrorText().startsWith(QStringLiteral("Modello di stampa non valido: rotto.rpt - ")));

    const QString badPdf = dir.filePath(QStringLiteral("nessuna/cartella/out.pdf"));
    EXPECT_FALSE(engine.print(request(QStringLiteral("t.rpt")), db, ReportTarget::pdf(badPdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 6);
    EXPECT_EQ(engine.lastErrorText(), QStringLiteral("Impossibile scrivere il file PDF ") + badPdf);

    EXPECT_FALSE(engine.print(request(QStringLiteral("t.rpt")), db, ReportTarget::printer(QStringLiteral("NESSUNA-STAMPANTE"))));
    EXPECT_EQ(engine.lastErrorNumber(), 5);
    EXPECT_EQ(engine.lastErrorText(), QStringLiteral("Stampante non trovata: NESSUNA-STAMPANTE"));

    QSqlQuery(QStringLiteral("DROP TABLE Tab_Report"), db);
    EXPECT_FALSE(engine.print(request(QStringLiteral("t.rpt")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 3);
    EXPECT_TRUE(engine.lastErrorText().startsWith(QStringLiteral("Errore in lettura della tabella Tab_Report: ")));

    EXPECT_TRUE(engine.printHtml(QStringLiteral("<p>ok</p>"), QStringLiteral("t"), ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 0);
    EXPECT_TRUE(engine.lastErrorText().isEmpty());
    EXPECT_TRUE(pdfTool(QStringLiteral("pdftotext"), pdf).contains(QStringLiteral("ok")));
}

// A table whose heading sizes every column is painted row by row: the
// heading again on every page, every row once and in order, long texts
// wrapped in their cell, the totals counting every row.
TEST_F(ReportEngineTest, APlainTableRepeatsItsHeadingOnEveryPageAndLosesNoText)
{
    writeTemplate(QStringLiteral("Registro.rpt"),
                  QStringLiteral("<html><head><meta name=\"page-size\" content=\"A5 landscape\">"
                                 "<meta name=\"page-footer\" content=\"Pag. {page} di {pages}\"></head>"
                                 "<body style=\"font-family: sans-serif; font-size: 8pt;\">"
                                 "<p>{{title}} dal {{Rep_Campo01}}</p>"
                                 "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" border=\"1\">"
                                 "<tr style=\"font-weight: bold;\"><td width=\"20%\">Numero</td><td width=\"60%\">Oggetto</td>"
                                 "<td width=\"20%\">Importo</td></tr>\n{{#rows}}\n<tr>\n  <td>{{Rep_Campo01}}</td><td>{{Rep_Campo02}}</td>"
                                 "<td align=\"right\">{{Rep_Campo03}}</td>\n</tr>\n{{/rows}}\n</table>"
                                 "<p>Totale righe: {{rowCount}}</p></body></html>"));
    const QString longWord = QString(300, QLatin1Char('W'));
    QVector<ReportRow> rows;
    for (int i = 1; i <= 300; ++i) {
        QString subject = QStringLiteral("oggetto %1").arg(i);
        if (i == 2)
            subject = QStringLiteral("<b>&amp; su\ndue righe");
        if (i == 3)
            subject = longWord;
        if (i == 4)
            subject = QStringLiteral("lungo ").repeated(4000); // taller than a page
        rows << ReportRow{QStringLiteral("N%1").arg(i, 4, 10, QLatin1Char('0')), subject, QString::number(i * 10)};
    }
    ASSERT_TRUE(replaceReportRows(db, rows));

    ReportEngine engine(templates);
    const QString pdf = dir.filePath(QStringLiteral("registro.pdf"));
    ASSERT_TRUE(engine.print(request(QStringLiteral("Registro.rpt"), QStringLiteral("Registro")), db, ReportTarget::pdf(pdf)))
        << engine.lastErrorText().toStdString();
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfTool(QStringLiteral("pdfinfo"), pdf));
    ASSERT_TRUE(pages.hasMatch());
    const int count = pages.captured(1).toInt();
    ASSERT_GT(count, 3);

    QString all;
    for (int p = 1; p <= count; ++p) {
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-f"), QString::number(p),
                                                QStringLiteral("-l"), QString::number(p), pdf, QStringLiteral("-")});
        ASSERT_TRUE(tool.waitForFinished(30000));
        const QString page = QString::fromUtf8(tool.readAllStandardOutput());
        EXPECT_TRUE(page.contains(QStringLiteral("Numero")) && page.contains(QStringLiteral("Importo"))) << p;
        EXPECT_TRUE(page.contains(QStringLiteral("Pag. %1 di %2").arg(p).arg(count))) << p;
        all += page;
    }
    EXPECT_TRUE(all.startsWith(QStringLiteral("Registro dal N0001"))) << all.left(80).toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Totale righe: 300")));
    EXPECT_TRUE(all.contains(QStringLiteral("<b>&amp; su due righe")));
    QString squeezed = all;
    squeezed.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_TRUE(squeezed.contains(longWord)); // broken inside the cell, not cut
    qsizetype at = 0;
    for (int i = 1; i <= 300; ++i) {
        const QString number = QStringLiteral("N%1").arg(i, 4, 10, QLatin1Char('0'));
        const qsizetype found = all.indexOf(number, i == 1 ? all.indexOf(QStringLiteral("Numero")) : at);
        ASSERT_GE(found, 0) << i;
        EXPECT_EQ(all.indexOf(number, found + 1), -1) << i;
        at = found;
        if (i > 4) {
            EXPECT_TRUE(all.contains(QStringLiteral("oggetto %1 %2").arg(i).arg(i * 10))) << i;
        }
    }

    // No rows: refused unless asked for, then headings and an empty table.
    ASSERT_TRUE(replaceReportRows(db, {}));
    EXPECT_FALSE(engine.print(request(QStringLiteral("Registro.rpt")), db, ReportTarget::pdf(pdf)));
    EXPECT_EQ(engine.lastErrorNumber(), 4);
    ReportRequest empty = request(QStringLiteral("Registro.rpt"), QStringLiteral("Vuoto"));
    empty.allowEmpty = true;
    ASSERT_TRUE(engine.printInParts(empty, db, ReportTarget::pdf(pdf)));
    const QString text = pdfTool(QStringLiteral("pdftotext"), pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Totale righe: 0")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pag. 1 di 1")));
}

TEST_F(ReportEngineTest, AFailedRewriteLeavesTheReportTableAsItWas)
{
    ASSERT_TRUE(replaceReportRows(db, {{QStringLiteral("uno")}, {QStringLiteral("due")}}));
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE TRIGGER no_bad BEFORE INSERT ON Tab_Report "
                                      "WHEN NEW.Rep_Campo01 = 'BAD' BEGIN SELECT RAISE(ABORT, 'rifiutato'); END")));
    QString why;
    EXPECT_FALSE(replaceReportRows(db, {{QStringLiteral("nuovo")}, {QStringLiteral("BAD")}}, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("rifiutato")));
    EXPECT_EQ(column01(), (QStringList{QStringLiteral("uno"), QStringLiteral("due")}));

    ReportRow tooWide(kReportColumns + 1, QStringLiteral("x"));
    EXPECT_FALSE(replaceReportRows(db, {tooWide}, &why));
    EXPECT_EQ(column01(), (QStringList{QStringLiteral("uno"), QStringLiteral("due")}));
}

} // namespace
