// The historical archives as the clerk consults them, on both engines: an
// old register in the old layout kept in a SQLite file and one on
// PostgreSQL, read through the history server; the flat archive of old
// protocols in the central database; the search of past years' register;
// and the program's information window.

#include <QCheckBox>
#include <QDate>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSqlDatabase>

#include "HistoryFixture.h"
#include "history/FrmStorico.h"
#include "history/FrmStoricoAB.h"
#include "schema/Schema.h"
#include "search/FrmFiltroRProt.h"
#include "startup/FrmAbout.h"
#include "support/Files.h"
#include "ui/RowList.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

constexpr int kOld = 6000;

class OldArchive : public HistoryTest {
protected:
    // 6000 protocols of 1999 (one a day round the year), one on each side
    // of the year, their correspondents and the old offices.
    void fill(QSqlDatabase old)
    {
        QString error;
        ASSERT_TRUE(makeOldLayout(old, &error)) << error.toStdString();
        ASSERT_TRUE(old.transaction());
        QSqlQuery q(old);
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO \"Protocollo\" (\"annoprot\", \"n protocollo\", "
                                             "\"entrata/uscita\", \"data proto\", \"desc doc\", \"oggetto proto\", "
                                             "\"FLAGSCAN\") VALUES (?, ?, ?, ?, 'LETTERA', ?, 'N')")));
        QSqlQuery m(old);
        ASSERT_TRUE(m.prepare(QStringLiteral("INSERT INTO \"M/D Multipli\" (\"annoprot\", \"rag soc m/d\") VALUES (?, ?)")));
        const auto add = [&](const QString &key, int n, const QString &dir, const QDate &day, const QString &subject,
                             const QString &who) {
            q.addBindValue(key);
            q.addBindValue(n);
            q.addBindValue(dir);
            q.addBindValue(day.toString(Qt::ISODate));
            q.addBindValue(subject);
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
            m.addBindValue(key);
            m.addBindValue(who);
            ASSERT_TRUE(m.exec()) << m.lastError().text().toStdString();
        };
        for (int n = 1; n <= kOld; ++n)
            add(QStringLiteral("1999%1").arg(n, 7, 10, QLatin1Char('0')), n,
                n % 2 ? QStringLiteral("E") : QStringLiteral("P"), QDate(1999, 1, 1).addDays(n % 365),
                n == 77 ? QStringLiteral("Richiesta d'Accesso agli atti") : QStringLiteral("PRATICA %1").arg(n),
                n == 78 ? QStringLiteral("Comune di Matera") : QStringLiteral("DITTA %1").arg(n));
        add(QStringLiteral("19980000999"), 999, QStringLiteral("E"), QDate(1998, 12, 31), QStringLiteral("FINE ANNO"),
            QStringLiteral("X"));
        add(QStringLiteral("20000000001"), 1, QStringLiteral("E"), QDate(2000, 1, 1), QStringLiteral("INIZIO ANNO"),
            QStringLiteral("X"));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO \"Uff Multipli\" (\"annoprot\", \"descriz uff/m\") VALUES "
                                          "('19990000077', 'UFFICIO PROTOCOLLO')")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO \"Uffici\" (\"Codice uff\", \"descrizione uff\", \"Attivo\") "
                                          "VALUES ('PRO01', 'PROTOCOLLO GENERALE', 'S')")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO \"Uffici\" (\"Codice uff\", \"descrizione uff\", \"Attivo\") "
                                          "VALUES ('AMM01', 'RAGIONERIA', 'S')")));
        ASSERT_TRUE(old.commit());
    }
    void source(const QString &code, const QString &description, const QString &location)
    {
        sql(QStringLiteral("INSERT INTO Tab_Fonte_DatiS (Cod_Ente, Cod_Dipartimento, Cod_Fonte_Dati, Descr_Fonte_Dati, "
                           "Percorso_Fonte_Dati, Percorso_Immagini) VALUES ('001', 'PRO', '%1', '%2', '%3', '')")
                .arg(code, description, QString(location).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }
    static void set(QWidget *w, const char *name, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    // One old archive consulted through the window, from the menu.
    void consult(MDIMenu *main, const QString &description)
    {
        auto *w = qobject_cast<history::FrmStorico *>(chooseMenu(main, "MnuStorico"));
        ASSERT_NE(w, nullptr);
        auto *sources = w->findChild<QComboBox *>(QStringLiteral("CboFonte"));
        const int index = sources->findText(description);
        ASSERT_GT(index, 0) << description.toStdString();
        boxes.clear();
        ASSERT_TRUE(w->chooseSource(index)) << boxes.texts().join(QLatin1Char('|')).toStdString();
        // The old offices of the department, by their code.
        auto *offices = w->findChild<QComboBox *>(QStringLiteral("CboUffici"));
        ASSERT_EQ(offices->count(), 1);
        EXPECT_EQ(offices->itemText(0), QStringLiteral("PRO01 - PROTOCOLLO GENERALE"));

        const struct {
            const char *year, *number, *from, *message;
        } refused[] = {
            {"", "", "", "Selezionare l'anno del protocollo da consultare"},
            {"19x9", "", "", "Inserire un valore numerico"},
            {"1999", "1a", "", "Inserire un valore numerico"},
            {"1999", "", "31/02/1999", "Inserire una data corretta"},
        };
        for (const auto &r : refused) {
            set(w, "TxtAnno", QString::fromLatin1(r.year));
            set(w, "TxtNumero", QString::fromLatin1(r.number));
            set(w, "TxtDal", QString::fromLatin1(r.from));
            boxes.clear();
            pressToolbar(main, "CERCA");
            EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(r.message)}) << r.message;
        }

        // A year of 6000 protocols shows the first 5000, and says so.
        set(w, "TxtDal", QString());
        set(w, "TxtNumero", QString());
        boxes.clear();
        pressToolbar(main, "CERCA");
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(w->list()->count(), 5000);
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("LblConteggio"))->text(),
                  QStringLiteral("Sono stati trovati N. 5000 Protocolli"));
        EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("LblLimite"))->isHidden());
        EXPECT_EQ(w->list()->text(0, 1), QStringLiteral("19990000001"));
        EXPECT_EQ(w->list()->text(4999, 1), QStringLiteral("19990005000"));

        // December as dates: the last day whole, the next year left out.
        set(w, "TxtDal", QStringLiteral("01/12/1999"));
        set(w, "TxtAl", QStringLiteral("31/12/1999"));
        pressToolbar(main, "CERCA");
        int december = 0;
        for (int n = 1; n <= kOld; ++n)
            december += QDate(1999, 1, 1).addDays(n % 365).month() == 12;
        EXPECT_EQ(w->list()->count(), december);
        EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("LblLimite"))->isHidden());

        // Texts are matched whatever their case, apostrophes included;
        // outgoing ones by their old codes.
        set(w, "TxtDal", QString());
        set(w, "TxtAl", QString());
        set(w, "TxtOggetto", QStringLiteral("d'accesso"));
        pressToolbar(main, "CERCA");
        ASSERT_EQ(w->list()->count(), 1);
        EXPECT_EQ(w->list()->text(0, 3), QStringLiteral("77"));
        set(w, "TxtOggetto", QString());
        set(w, "TxtMittDest", QStringLiteral("matera"));
        w->findChild<QCheckBox *>(QStringLiteral("ChkEntrata"))->setChecked(false);
        pressToolbar(main, "CERCA");
        ASSERT_EQ(w->list()->count(), 1);
        EXPECT_EQ(w->list()->text(0, 2), QStringLiteral("P"));
        w->findChild<QCheckBox *>(QStringLiteral("ChkEntrata"))->setChecked(true);
        set(w, "TxtMittDest", QString());
        set(w, "TxtNumero", QStringLiteral("77"));
        pressToolbar(main, "CERCA");
        ASSERT_EQ(w->list()->count(), 1);

        // The whole old record, with its correspondents and offices.
        ASSERT_TRUE(w->list()->select(1, QStringLiteral("19990000077")));
        QTest::keyClick(w->list()->view(), Qt::Key_Return);
        const QString detail = w->detailText();
        EXPECT_TRUE(detail.contains(QStringLiteral("Oggetto: Richiesta d'Accesso agli atti"))) << detail.toStdString();
        EXPECT_TRUE(detail.contains(QStringLiteral("Mittente/Destinatario: DITTA 77"))) << detail.toStdString();
        EXPECT_TRUE(detail.contains(QStringLiteral("Ufficio: UFFICIO PROTOCOLLO"))) << detail.toStdString();
        EXPECT_TRUE(detail.contains(QStringLiteral("Data protocollo: ") + QDate(1999, 1, 1).addDays(77).toString(
                                        QStringLiteral("dd/MM/yyyy"))))
            << detail.toStdString();

        const QString pdf = db().folder() + QStringLiteral("/storico.pdf");
        boxes.files << pdf;
        boxes.clear();
        pressToolbar(main, "STAMPA");
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        const QString printed = pdfText(pdf);
        EXPECT_TRUE(printed.contains(QStringLiteral("Stampa Registro storico del Protocollo"))) << printed.toStdString();
        EXPECT_TRUE(printed.contains(QStringLiteral("Richiesta d'Accesso agli atti"))) << printed.toStdString();
        // Every row of the list went to the register, and only they.
        EXPECT_TRUE(printed.contains(QStringLiteral("Totale protocolli: %1").arg(w->list()->count()))) << printed.toStdString();
        EXPECT_TRUE(printed.contains(QStringLiteral("Pag. 1 di "))) << printed.toStdString();
        pressToolbar(main, "ESCI");
    }
};

TEST_P(OldArchive, AnOldRegisterInASqliteFileAndOneOnPostgresqlAreReadThroughTheWindow)
{
    const QString file = db().folder() + QStringLiteral("/storico 1999.sqlite");
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old_archive"));
        old.setDatabaseName(file);
        ASSERT_TRUE(old.open());
        fill(old);
        old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old_archive"));
    source(QStringLiteral("S1"), QStringLiteral("Archivio su file"), file);
    if (db().engine() == Dialect::Engine::PostgreSQL) {
        // The old tables beside the register, on the same server.
        fill(db().central());
        if (HasFatalFailure())
            return;
        source(QStringLiteral("S2"), QStringLiteral("Archivio su server"), db().centralTarget().location);
    }
    // A source that names no readable database is reported, not shown empty.
    source(QStringLiteral("S3"), QStringLiteral("Archivio mancante"), db().folder() + QStringLiteral("/nessuno.sqlite"));

    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    consult(main, QStringLiteral("Archivio su file"));
    if (HasFatalFailure())
        return;
    if (db().engine() == Dialect::Engine::PostgreSQL)
        consult(main, QStringLiteral("Archivio su server"));
    if (HasFatalFailure())
        return;

    auto *w = qobject_cast<history::FrmStorico *>(chooseMenu(main, "MnuStorico"));
    ASSERT_NE(w, nullptr);
    auto *sources = w->findChild<QComboBox *>(QStringLiteral("CboFonte"));
    boxes.clear();
    EXPECT_FALSE(w->chooseSource(sources->findText(QStringLiteral("Archivio mancante"))));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral(
        "Contattare esperto procedura. Errore nell'acquisizione informazioni su archivi storici protocollo")));
    EXPECT_FALSE(QFile::exists(db().folder() + QStringLiteral("/nessuno.sqlite")));

    // The history server reads only declared sources, and only reads.
    ServerHolder holder;
    QString why;
    ASSERT_TRUE(createServer(holder, kHistoryProgId, &why));
    QVariantList undeclared{QStringLiteral("001"), QStringLiteral("PRO"), QStringLiteral("ZZ"),
                            QStringLiteral("SELECT 1")};
    EXPECT_EQ(holder.object->Elabora(110, undeclared).value(0).toInt(), 3);
    QVariantList write{QStringLiteral("001"), QStringLiteral("PRO"), QStringLiteral("S1"),
                       QStringLiteral("DELETE FROM \"Protocollo\"")};
    EXPECT_EQ(holder.object->Elabora(110, write).value(0).toString(), QStringLiteral("991"));
    QVariantList two{QStringLiteral("001"), QStringLiteral("PRO"), QStringLiteral("S1"),
                     QStringLiteral("SELECT 1; DELETE FROM \"Protocollo\"")};
    EXPECT_EQ(holder.object->Elabora(110, two).value(0).toString(), QStringLiteral("991"));
}

TEST_P(OldArchive, TheFlatArchiveListsTheFirstRowsAndMovesThroughThem)
{
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(db().central().transaction());
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO AB_StoricoProtocollo (Ente, Anno, NumeroProtocollo, Tipo, "
                                             "DataLettera, Numero, DataArrivo, Mittente, Destinatario, Oggetto, Note) "
                                             "VALUES ('001', ?, ?, ?, ?, ?, ?, ?, 'AUTORITA', ?, 'nota')")));
        for (int n = 1; n <= 1200; ++n) {
            const QDate day = n <= 1100 ? QDate(1999, 12, 31) : QDate(2000, 1, 1);
            q.addBindValue(QString::number(day.year()));
            q.addBindValue(QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')));
            q.addBindValue(n % 2 ? QStringLiteral("E") : QStringLiteral("U"));
            q.addBindValue(day.addDays(-10).toString(Qt::ISODate));
            q.addBindValue(QStringLiteral("R/%1").arg(n));
            q.addBindValue(day.toString(Qt::ISODate));
            q.addBindValue(n == 1150 ? QStringLiteral("Consorzio dell'Acqua") : QStringLiteral("MITTENTE %1").arg(n));
            q.addBindValue(QStringLiteral("OGGETTO %1").arg(n));
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        }
        ASSERT_TRUE(db().central().commit());
    }
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<history::FrmStoricoAB *>(chooseMenu(main, "mnustAL"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA"));

    set(w, "TxtAnno", QStringLiteral("1999"));
    boxes.clear();
    pressToolbar(main, "CERCA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire entrambi i dati relativi all'anno ed al numero di "
                                                        "protocollo")});
    set(w, "TxtNumero", QStringLiteral("1x"));
    boxes.clear();
    pressToolbar(main, "CERCA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("specificare valori numerici per i campi relativi all'anno ed "
                                                        "al numero di protocollo")});
    set(w, "TxtAnno", QString());
    set(w, "TxtNumero", QString());

    // The largest limit, 1000 of 1200, and the line saying there are more.
    auto *limit = w->findChild<QComboBox *>(QStringLiteral("Combo1"));
    limit->setCurrentIndex(limit->findText(QStringLiteral("1000")));
    boxes.clear();
    pressToolbar(main, "CERCA");
    ASSERT_EQ(w->list()->count(), 1000);
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("LblConteggio"))->text(),
              QStringLiteral("Sono stati trovati N. 1000 Protocolli"));
    EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("LblLimite"))->isHidden());
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA;STAMPA"));

    // A date compared as a date across the year; the sender contains the text.
    auto *op = w->findChild<QComboBox *>(QStringLiteral("cmbOperatori"));
    op->setCurrentIndex(op->findText(QStringLiteral(">=")));
    set(w, "DataProtocollo", QStringLiteral("01/01/2000"));
    pressToolbar(main, "CERCA");
    EXPECT_EQ(w->list()->count(), 100);
    op->setCurrentIndex(op->findText(QStringLiteral("<")));
    limit->setCurrentIndex(limit->findText(QStringLiteral("100")));
    pressToolbar(main, "CERCA");
    EXPECT_EQ(w->list()->count(), 100);
    EXPECT_EQ(w->list()->text(0, 3), QStringLiteral("31/12/1999"));
    set(w, "DataProtocollo", QString());
    set(w, "CodiceMit", QStringLiteral("dell'acqua"));
    pressToolbar(main, "CERCA");
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 2), QStringLiteral("0001150"));

    // Year and number name one; the detail moves along the list.
    set(w, "CodiceMit", QString());
    w->findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_1"))->setChecked(true);
    set(w, "Oggetto", QStringLiteral("oggetto 11"));
    pressToolbar(main, "CERCA");
    const int shown = w->list()->count();
    ASSERT_GT(shown, 2);
    for (int r = 0; r < shown; ++r)
        EXPECT_EQ(w->list()->text(r, 0), QStringLiteral("U"));
    ASSERT_TRUE(w->openRow(0));
    EXPECT_TRUE(w->detailShown());
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    boxes.clear();
    pressToolbar(main, "PRECEDENTE");
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo "
                                                           "visualizzato è il primo dell'elenco selezionato.")});
    pressToolbar(main, "SUCCESSIVO");
    const QString second = w->list()->text(1, 1) + QLatin1Char('/') + w->list()->text(1, 2);
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtDetAnnoNumero"))->text(), second);
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtDetTipo"))->text(), QStringLiteral("Uscita"));
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtDetNote"))->text(), QStringLiteral("nota"));
    pressToolbar(main, "ANNULLA");
    EXPECT_FALSE(w->detailShown());

    const QString pdf = db().folder() + QStringLiteral("/ab.pdf");
    boxes.files << pdf;
    boxes.clear();
    pressToolbar(main, "STAMPA");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("Stampa Elenco Documenti Protocollati"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("OGGETTO 110"))) << printed.toStdString();
}

TEST_P(OldArchive, PastYearsSearchAndTheInformationWindow)
{
    const int year = QDate::currentDate().year();
    const QString insert = QStringLiteral(
        "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
        "Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, Tab_CodiceOpeReg, Tab_StatoProtocollo, "
        "Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('001', 'E', '%1', '%2', 'PRATICA STORICA', 2, 'LET', "
        "'N', 'DEMO9', 'A', 'PRO', 'UPR')");
    sql(insert.arg(QStringLiteral("%1%2").arg(year - 1).arg(7, 7, 10, QLatin1Char('0')),
                   QStringLiteral("%1-12-31").arg(year - 1)));
    sql(insert.arg(QStringLiteral("%1%2").arg(year).arg(1, 7, 10, QLatin1Char('0')), QStringLiteral("%1-01-01").arg(year)));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QWidget *w = chooseMenu(main, "mnuSTAB");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("FrmStoricoRProt"));
    w->findChild<QLineEdit *>(QStringLiteral("Oggetto"))->setText(QStringLiteral("storica"));
    pressToolbar(main, "CERCA");
    auto *filter = qobject_cast<search::FrmFiltroRProt *>(w);
    ASSERT_NE(filter, nullptr);
    auto *list = filter->list();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(list->text(0, 1).startsWith(QString::number(year - 1))) << list->text(0, 1).toStdString();
    pressToolbar(main, "ESCI");

    auto *about = qobject_cast<startup::FrmAbout *>(chooseMenu(main, "MnuInformazioni"));
    ASSERT_NE(about, nullptr);
    const QString text = about->text();
    EXPECT_TRUE(text.contains(QStringLiteral("Versione dello schema del database: ")
                              + QString::number(Schema::currentVersion(Schema::Kind::Central))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("Versione del server: PostgreSQL")
                                                                           : QStringLiteral("Versione del server: SQLite 3.")))
        << text.toStdString();
    for (const char *library : {"Qt ", "SQLite ", "libpq (PostgreSQL) ", "libsodium ", "libzip ", "libxlsxwriter ",
                                "libcurl ", "GMime ", "libxml2 ", "libical ", "PC/SC lite "})
        EXPECT_TRUE(text.contains(QLatin1String("  ") + QLatin1String(library))) << library;
    EXPECT_TRUE(text.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion()) + QStringLiteral(" - licenza LGPL-3.0")));
}

NIMBO_INSTANTIATE_ENGINES(OldArchive);

} // namespace
