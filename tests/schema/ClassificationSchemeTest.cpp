// The classification scheme in the database: the upgrade that brings the
// dossier counters and the scheme's order, and the installer command that
// loads a body's scheme from a CSV file; both engines.

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AdminRun.h"
#include "schema/ClassificationGuards.h"
#include "schema/ClassificationScheme.h"
#include "schema/Schema.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

QString run(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) ? QString() : q.lastError().text();
}

QString scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toString() : QStringLiteral("<failed> ") + q.lastError().text();
}

class ClassificationUpgrade : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(ClassificationUpgrade, CountersStartAboveTheCodesAndBrokenRowsAreListed)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 20)) << err.toStdString();
    for (const char *sql : {
             "INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione) VALUES ('001', '01', 'AMMINISTRAZIONE')",
             "INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione) VALUES "
             "('001', '01', '02', 'PERSONALE'), ('001', '07', '01', 'ORFANA')",
             "INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, Tab_Descrizione) "
             "VALUES ('001', '01', '02', '03', 'CONCORSI'), ('001', '01', '02', '04', 'MOBILITA')",
             "INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, "
             "Tab_Descrizione) VALUES ('001', '01', '02', '03', 3, 'A'), ('001', '01', '02', '03', 17, 'B'), "
             "('001', '01', '02', '04', 5, 'C')",
             // A dossier deleted while a protocol still named it.
             "INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_NumeroProtocollo, Tab_Titolo, Tab_Categoria, Tab_Classe, "
             "Tab_CodiceFascicolo) VALUES ('001', '20240000001', '01', '02', '03', 17), "
             "('001', '20240000002', '01', '02', '03', 9)"})
        ASSERT_EQ(run(c, QString::fromLatin1(sql)), QString()) << sql;

    EXPECT_FALSE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("versione 21"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ente 001, categoria 07.01: ") + Schema::ClassificationGuards::kTitleMissing))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ente 001, classificazione nel fascicolo 01.02.03.9 del protocollo "
                                            "20240000002: ")
                             + Schema::ClassificationGuards::kDossierMissing))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("20240000001"))) << err.toStdString();
    EXPECT_EQ(Schema::version(c), 20);

    ASSERT_EQ(run(c, QStringLiteral("DELETE FROM Tab_Categoria WHERE Tab_CodiceTitolo = '07'")), QString());
    ASSERT_EQ(run(c, QStringLiteral("DELETE FROM Tab_ProFascicoli WHERE Tab_CodiceFascicolo = 9")), QString());
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    EXPECT_EQ(scalar(c, QStringLiteral("SELECT Tab_Classe || ':' || Tab_UltimoFascicolo FROM Tab_ContatoreFascicoli "
                                       "ORDER BY Tab_Classe")),
              QStringLiteral("03:17"));
    EXPECT_EQ(scalar(c, QStringLiteral("SELECT Tab_UltimoFascicolo FROM Tab_ContatoreFascicoli WHERE Tab_Classe = '04'")),
              QStringLiteral("5"));
    // Deleting the last dossier does not take the counter down.
    EXPECT_EQ(run(c, QStringLiteral("DELETE FROM Tab_ProFascicoli")), QString());
    EXPECT_EQ(run(c, QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_CodiceFascicolo = 17")), QString());
    EXPECT_EQ(scalar(c, QStringLiteral("SELECT Tab_UltimoFascicolo FROM Tab_ContatoreFascicoli WHERE Tab_Classe = '03'")),
              QStringLiteral("17"));
    // The order now holds.
    EXPECT_TRUE(run(c, QStringLiteral("DELETE FROM Tab_Classe WHERE Tab_Codice = '03'"))
                    .contains(Schema::ClassificationGuards::kClassUsed));
}

NIMBO_INSTANTIATE_ENGINES(ClassificationUpgrade);

class LoadClassification : public EngineTest {};

TEST_P(LoadClassification, TheCommandLoadsAGoodFileWholeAndAWrongOneNotAtAll)
{
    QSqlDatabase c = db().central();
    ASSERT_EQ(run(c, QStringLiteral("INSERT INTO Tab_Enti (Ente_Codice, Ente_Denominazione) VALUES ('ASL', 'ASL'), "
                                    "('ALT', 'ALTRA')")),
              QString());
    ASSERT_EQ(run(c, QStringLiteral("INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione, Tab_Attivo) VALUES "
                                    "('ASL', '01', 'VECCHIA', 0), ('ASL', '09', 'GIA IN ARCHIVIO', 1)")),
              QString());
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &content) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    };
    const auto load = [&](const QString &file, const QString &ente = QStringLiteral("ASL")) {
        return admin(QStringList{QStringLiteral("load-classification")} + targetArgs(db())
                     + QStringList{QStringLiteral("--ente"), ente, file});
    };
    const auto scheme = [&] {
        QSqlQuery q(c);
        QStringList out;
        for (const char *sql : {"SELECT Tab_Ente, Tab_Codice, '', '', Tab_Descrizione, Tab_Attivo FROM Tab_Titolo",
                                "SELECT Tab_Ente, Tab_CodiceTitolo, Tab_Codice, '', Tab_Descrizione, Tab_Attivo FROM "
                                "Tab_Categoria",
                                "SELECT Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, Tab_Descrizione, "
                                "Tab_Attivo FROM Tab_Classe"}) {
            EXPECT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();
            while (q.next()) {
                QStringList r;
                for (int i = 0; i < 6; ++i)
                    r << q.value(i).toString();
                out << r.join(QLatin1Char('|'));
            }
        }
        out.sort();
        return out.join(QLatin1Char('\n')).toStdString();
    };

    AdminResult r = load(write("titolario.csv", "Title;Category;Class;Description;Active\r\n"
                                                "01;;;AMMINISTRAZIONE;\r\n"
                                                "01;01;;\"AFFARI GENERALI; PROTOCOLLO\";1\r\n"
                                                "01;01;01;ACCESSO AGLI ATTI;0\r\n"
                                                "09;01;;CATEGORIA DI UN TITOLO GIÀ IN ARCHIVIO;\r\n"
                                                "a;;;ALTRO;1\r\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Classificazione caricata: 5 elementi (titoli 1 nuovi e 1 aggiornati, "
                                              "categorie 2 nuove e 0 aggiornate, classi 1 nuove e 0 aggiornate).")))
        << r.out.toStdString();
    const std::string loaded = "ASL|01|01|01|ACCESSO AGLI ATTI|0\n"
                               "ASL|01|01||AFFARI GENERALI; PROTOCOLLO|1\n"
                               "ASL|01|||AMMINISTRAZIONE|1\n"
                               "ASL|09|01||CATEGORIA DI UN TITOLO GIÀ IN ARCHIVIO|1\n"
                               "ASL|09|||GIA IN ARCHIVIO|1\n"
                               "ASL|A|||ALTRO|1";
    EXPECT_EQ(scheme(), loaded);

    // Every wrong line is named; nothing of the good ones is kept.
    r = load(write("errato.csv", "title;category;class;description;active\n"
                                 "02;;;RISORSE UMANE;1\n"
                                 "02;01;;RECLUTAMENTO\n"
                                 "0201;;;TROPPO LUNGO;1\n"
                                 "03;;;;1\n"
                                 "04;;;" + QByteArray(201, 'X') + ";1\n"
                                 "05;;;ATTIVO STRANO;2\n"
                                 "02;;;DI NUOVO;1\n"
                                 "06;;07;CLASSE SENZA CATEGORIA;1\n"));
    EXPECT_EQ(r.status, 1);
    for (const char *line : {"riga 3: attese 5 colonne (title;category;class;description;active), trovate 4",
                             "riga 4: il codice titolo \"0201\" supera 3 caratteri", "riga 5: manca la descrizione",
                             "riga 6: la descrizione supera 200 caratteri",
                             "riga 7: active deve essere 1, 0 o vuoto, non \"2\"",
                             "riga 8: titolo ripetuto: è già alla riga 2",
                             "riga 9: una classe deve indicare la sua categoria", "Nessun elemento caricato"})
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(line))) << line << "\n" << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("riga 2:"))) << r.err.toStdString();

    // A parent neither above nor in the database: the lines before it are
    // not kept either.
    r = load(write("orfano.csv", "title;category;class;description;active\n"
                                 "02;;;RISORSE UMANE;1\n"
                                 "02;01;;RECLUTAMENTO;1\n"
                                 "02;02;01;CONCORSI;1\n"
                                 "03;01;;VACCINAZIONI;1\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("riga 4: la categoria 02.02 non è né in una riga precedente né in archivio")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("riga 5: il titolo 03 non è né in una riga precedente né in archivio")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nessun elemento caricato"))) << r.err.toStdString();

    r = load(write("latin1.csv", "title;category;class;description;active\n01;;;AMMINISTRAZIONE \xe0 PARTE;1\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("riga 2"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nessun elemento caricato"))) << r.err.toStdString();
    r = load(write("intestazione.csv", "titolo;categoria;classe;descrizione;attivo\n01;;;AMMINISTRAZIONE;1\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("intestazione: attesa"))) << r.err.toStdString();
    r = load(dir.filePath(QStringLiteral("titolario.csv")), QStringLiteral("XYZ"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ente sconosciuto (--ente): XYZ"))) << r.err.toStdString();
    EXPECT_EQ(scheme(), loaded);

    // The demo's scheme is a file the command takes as it is.
    const QByteArray demo = Schema::ClassificationScheme::demoFile();
    ASSERT_FALSE(demo.isEmpty());
    r = load(write("demo.csv", demo), QStringLiteral("ALT"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    int classes = 0;
    for (const QByteArray &line : demo.split('\n').mid(1))
        classes += line.split(';').value(2).isEmpty() ? 0 : 1;
    EXPECT_GT(classes, 40);
    EXPECT_EQ(scalar(c, QStringLiteral("SELECT COUNT(*) FROM Tab_Classe WHERE Tab_Ente = 'ALT'")).toInt(), classes);
}

NIMBO_INSTANTIATE_ENGINES(LoadClassification);

} // namespace
