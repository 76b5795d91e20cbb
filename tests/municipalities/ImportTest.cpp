// The national list of municipalities and its postal codes, loaded as the
// installer loads them every year: the files as they are published, a
// second load, a later file with columns moved, and every kind of wrong
// file refused before anything is written.

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/Csv.h"
#include "schema/AdminRun.h"
#include "schema/Municipalities.h"
#include "support/TestDb.h"

namespace M = Schema::Municipalities;
using namespace nimbo::test;

namespace {

QString shipped(const char *name) { return QStringLiteral(NIMBO_MUNICIPALITY_FILES "/") + QLatin1String(name); }
const char *kList = "istat-comuni-2020-01-01.csv";
const char *kCaps = "cap-comuni-2020.csv";

QByteArray bytes(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

M::List shippedList(bool withCaps)
{
    M::List list;
    QString error;
    EXPECT_TRUE(M::readList(bytes(shipped(kList)), &list, &error)) << error.toStdString();
    if (withCaps) {
        EXPECT_TRUE(M::readPostalCodes(bytes(shipped(kCaps)), &list, &error)) << error.toStdString();
    }
    return list;
}

class Import : public EngineTest {
protected:
    QString value(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    int count(const QString &table, const QString &where = QString())
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM ") + table
                     + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
            .toInt();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    M::Summary load(const M::List &list, const QString &who = QStringLiteral("ADMIN"))
    {
        QSqlDatabase c = db().central();
        M::Summary s;
        QString error;
        EXPECT_TRUE(M::load(c, list, who, &s, &error)) << error.toStdString();
        return s;
    }
    // The columns the files fill, for one municipality, joined by "|".
    QString town(const char *code)
    {
        return value(QStringLiteral("SELECT com_Comune || '|' || com_codprov || '|' || com_codcat || '|' || "
                                    "COALESCE(com_cap, '') || '|' || com_stato FROM Tab_Comuni WHERE Com_Codcom = '")
                     + QLatin1String(code) + QLatin1Char('\''));
    }
    QString caps(const char *code)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Cap_Cap FROM Tab_ComuniCap WHERE Cap_Codcom = '") + QLatin1String(code)
                           + QStringLiteral("' ORDER BY Cap_Cap")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out.join(QLatin1Char(' '));
    }
};

TEST_P(Import, ShippedFilesLoadWholeWithNamesIntactAndASecondLoadChangesNothing)
{
    const M::List list = shippedList(true);
    const M::Summary first = load(list);
    EXPECT_EQ(first.municipalities.added, 7904);
    EXPECT_EQ(first.provinces.added, 107);
    EXPECT_EQ(first.regions.added, 20);
    EXPECT_EQ(first.absent, 0);
    EXPECT_TRUE(first.changed());
    EXPECT_EQ(count(QStringLiteral("Tab_Comuni")), 7904);
    EXPECT_EQ(count(QStringLiteral("Tab_Provincie")), 107);
    EXPECT_EQ(count(QStringLiteral("Tab_Regioni")), 20);
    EXPECT_EQ(count(QStringLiteral("Tab_ComuniCap")), 8570);

    // Names with an apostrophe, an accent, two languages and a letter that
    // Latin-1 has only in its Windows form, as published.
    EXPECT_EQ(town("066049"), QStringLiteral("L'Aquila|AQ|A345|67100|IT"));
    EXPECT_EQ(town("040012"), QStringLiteral("Forlì|FC|D704|47121|IT"));
    EXPECT_EQ(town("021008"), QStringLiteral("Bolzano/Bozen|BZ|A952|39100|IT"));
    EXPECT_EQ(town("032001"), QStringLiteral("Duino Aurisina-Devin Nabrežina|TS|D383|34011|IT"));
    EXPECT_EQ(value(QStringLiteral("SELECT Com_Codcom FROM Tab_Comuni WHERE com_Comune = 'L''Aquila'")),
              QStringLiteral("066049"));
    EXPECT_EQ(caps("040012"), QStringLiteral("47121 47122"));
    EXPECT_EQ(count(QStringLiteral("Tab_ComuniCap"), QStringLiteral("Cap_Codcom = '058091'")), 82);
    EXPECT_EQ(value(QStringLiteral("SELECT Prv_Descrizione || '|' || Prv_Sigla_Auto || '|' || Prv_Codreg FROM "
                                   "Tab_Provincie WHERE Prv_Codprov = '021'")),
              QStringLiteral("Bolzano/Bozen|BZ|04"));
    EXPECT_EQ(value(QStringLiteral("SELECT Prv_Descrizione FROM Tab_Provincie WHERE Prv_Sigla_Auto = 'FC'")),
              QStringLiteral("Forlì-Cesena"));
    EXPECT_EQ(value(QStringLiteral("SELECT Reg_Descrizione || '|' || Reg_Memo_Regione FROM Tab_Regioni WHERE "
                                   "Reg_Codreg = '02'")),
              QStringLiteral("Valle d'Aosta/Vallée d'Aoste|VAL"));

    const M::Summary second = load(list, QStringLiteral("AGAIN"));
    EXPECT_FALSE(second.changed());
    EXPECT_EQ(second.municipalities.unchanged, 7904);
    EXPECT_EQ(second.provinces.unchanged, 107);
    EXPECT_EQ(second.regions.unchanged, 20);
    EXPECT_EQ(second.lines().last(), QStringLiteral("Nessuna modifica: il database contiene già questi dati."));
    EXPECT_EQ(count(QStringLiteral("Tab_Comuni"), QStringLiteral("com_Codoper = 'AGAIN'")), 0);
    EXPECT_EQ(count(QStringLiteral("Tab_Provincie"), QStringLiteral("Prv_CodOper = 'AGAIN'")), 0);
    EXPECT_EQ(count(QStringLiteral("Tab_Regioni"), QStringLiteral("Reg_CodOper = 'AGAIN'")), 0);
    EXPECT_EQ(count(QStringLiteral("Tab_ComuniCap")), 8570);
}

TEST_P(Import, AddsWhatIsMissingUpdatesWhatChangedAndKeepsWhatTheFileLacks)
{
    // A register kept by hand before: an old spelling, a mnemonic and a
    // telephone prefix of the operator's, a town the list no longer has.
    sql(QStringLiteral("INSERT INTO Tab_Regioni (Reg_Codreg, Reg_Descrizione, Reg_Memo_Regione) VALUES "
                       "('17', 'BASILICATA', 'LUC')"));
    sql(QStringLiteral("INSERT INTO Tab_Provincie (Prv_Codprov, Prv_Descrizione, Prv_Sigla_Auto, Prv_Codreg) VALUES "
                       "('076', 'POTENZA', 'PZ', '17')"));
    sql(QStringLiteral("INSERT INTO Tab_Comuni (Com_Codcom, com_Comune, com_cap, com_codprov, com_codcat, com_stato, "
                       "com_preftel) VALUES ('076063', 'POTENZA', '85100', 'PZ', 'G942', 'IT', '0971'), "
                       "('099999', 'Comune Soppresso', '99999', 'ZZ', 'Z999', 'IT', '')"));
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                       "Tab_ComuneUbicazione) VALUES (1, '001', 'UNO', '099999')"));

    const M::Summary s = load(shippedList(false));
    EXPECT_EQ(s.regions.added, 19);
    EXPECT_EQ(s.regions.updated, 1);
    EXPECT_EQ(s.provinces.added, 106);
    EXPECT_EQ(s.provinces.updated, 1);
    EXPECT_EQ(s.municipalities.added, 7903);
    EXPECT_EQ(s.municipalities.updated, 1);
    EXPECT_EQ(s.absent, 1);
    EXPECT_EQ(s.lines().at(2), QStringLiteral("Comuni: 7903 aggiunti, 1 aggiornati, 0 invariati, 1 presenti nel "
                                              "database ma non nel file (conservati)."));
    EXPECT_EQ(value(QStringLiteral("SELECT Reg_Descrizione || '|' || Reg_Memo_Regione FROM Tab_Regioni WHERE "
                                   "Reg_Codreg = '17'")),
              QStringLiteral("Basilicata|LUC"));
    EXPECT_EQ(value(QStringLiteral("SELECT Prv_Descrizione FROM Tab_Provincie WHERE Prv_Codprov = '076'")),
              QStringLiteral("Potenza"));
    // Without the postal-code file the postal code stays; the prefix is
    // not in the files at all.
    EXPECT_EQ(town("076063"), QStringLiteral("Potenza|PZ|G942|85100|IT"));
    EXPECT_EQ(value(QStringLiteral("SELECT com_preftel FROM Tab_Comuni WHERE Com_Codcom = '076063'")),
              QStringLiteral("0971"));
    EXPECT_EQ(town("099999"), QStringLiteral("Comune Soppresso|ZZ|Z999|99999|IT"));
    EXPECT_EQ(count(QStringLiteral("Tab_ComuniCap")), 0);

    // The postal codes of a later file replace those of the towns it lists.
    M::List list = shippedList(true);
    load(list);
    EXPECT_EQ(count(QStringLiteral("Tab_ComuniCap")), 8570);
    for (M::Municipality &m : list.municipalities)
        if (m.code == QLatin1String("040012"))
            m.postalCodes = {QStringLiteral("47122")};
    const M::Summary later = load(list);
    EXPECT_EQ(later.municipalities.updated, 1);
    EXPECT_EQ(town("040012"), QStringLiteral("Forlì|FC|D704|47122|IT"));
    EXPECT_EQ(caps("040012"), QStringLiteral("47122"));
    EXPECT_EQ(count(QStringLiteral("Tab_Comuni"), QStringLiteral("Com_Codcom = '099999'")), 1);
}

TEST_P(Import, AFailureHalfWayLeavesEveryTableAsItWas)
{
    sql(QStringLiteral("DROP TABLE Tab_ComuniCap"));
    QSqlDatabase c = db().central();
    M::Summary s;
    QString error;
    EXPECT_FALSE(M::load(c, shippedList(true), QStringLiteral("ADMIN"), &s, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Tab_ComuniCap"), Qt::CaseInsensitive)) << error.toStdString();
    EXPECT_EQ(count(QStringLiteral("Tab_Comuni")), 0);
    EXPECT_EQ(count(QStringLiteral("Tab_Provincie")), 0);
    EXPECT_EQ(count(QStringLiteral("Tab_Regioni")), 0);
}

TEST_P(Import, TheCommandLoadsTheFilesOrTheShippedOnesAndABadFileChangesNothing)
{
    const QStringList target = targetArgs(db());
    const QStringList command = QStringList{QStringLiteral("load-municipalities")} + target;
    AdminResult r = admin(command + QStringList{shipped(kList), QStringLiteral("--cap"), shipped(kCaps)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Comuni: 7904 aggiunti, 0 aggiornati, 0 invariati, 0 presenti nel "
                                              "database ma non nel file (conservati).")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Caricamento completato.")));

    // The copy inside the program is the same list with the same codes.
    r = admin(command);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Nessuna modifica: il database contiene già questi dati.")))
        << r.out.toStdString();

    // A file cut short in the middle of a line.
    sql(QStringLiteral("UPDATE Tab_Comuni SET com_Comune = 'CAMBIATO' WHERE Com_Codcom = '066049'"));
    QTemporaryDir dir;
    const QString cut = dir.filePath(QStringLiteral("troncato.csv"));
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray all = bytes(shipped(kList));
        f.write(all.left(all.indexOf("066049;L'Aquila") + 10));
    }
    r = admin(command + QStringList{cut});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Elenco dei comuni non caricato, nessuna modifica al database:")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("campi invece di 23"))) << r.err.toStdString();
    EXPECT_EQ(value(QStringLiteral("SELECT com_Comune FROM Tab_Comuni WHERE Com_Codcom = '066049'")),
              QStringLiteral("CAMBIATO"));
    // The right file puts the name back, and only that.
    r = admin(command + QStringList{shipped(kList), QStringLiteral("--cap"), shipped(kCaps)});
    EXPECT_TRUE(r.out.contains(QStringLiteral("Comuni: 0 aggiunti, 1 aggiornati, 7903 invariati")))
        << r.out.toStdString();

    r = admin(command + QStringList{QStringLiteral("--cap"), shipped(kCaps)});
    EXPECT_EQ(r.status, 2);
    r = admin(command + QStringList{dir.filePath(QStringLiteral("manca.csv"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Impossibile leggere il file"))) << r.err.toStdString();
}

NIMBO_INSTANTIATE_ENGINES(Import);

} // namespace
