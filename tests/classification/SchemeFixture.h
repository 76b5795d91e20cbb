#pragma once
// The scheme, dossier and case-closing windows' tests: the demo register
// (titles 01-03, categories 01-02, classes 01-02, two dossiers), DEMO9
// logged in through the program's start, and rows written straight into
// the register where a test needs them.

#include <QCheckBox>
#include <QSqlError>
#include <QSqlQuery>

#include "../ui/UiFixture.h"
#include "ListRows.h"
#include "classification/Classification.h"
#include "iter/Iter.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace nimbo::test {

class SchemeWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
        classification::registerSchemeWindows();
        seedScheme();
    }

    // The scheme every test starts from, whatever the demo brings: titles
    // 01-03, each with categories 01-02, each with classes 01-02, all
    // active; dossier 1 (open) in 01.02.01 and in 02.01.01.
    void seedScheme()
    {
        for (const char *table : {"Tab_ProFascicoli", "Tab_Fascicoli", "Tab_Classe", "Tab_Categoria", "Tab_Titolo"})
            sql(QStringLiteral("DELETE FROM ") + QLatin1String(table));
        const char *titles[][2] = {{"01", "AMMINISTRAZIONE GENERALE"}, {"02", "RISORSE UMANE"}, {"03", "SANITA' PUBBLICA"}};
        const char *categories[][2] = {{"01", "NORMATIVA E ATTI GENERALI"}, {"02", "CORRISPONDENZA"}};
        const char *classes[][2] = {{"01", "PRATICHE ORDINARIE"}, {"02", "PRATICHE RISERVATE"}};
        const auto l = [](const char *t) { return QString::fromUtf8(t); };
        for (const auto &t : titles) {
            exec(QStringLiteral("INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione, Tab_Attivo, Tab_CodOper) "
                                "VALUES ('001', ?, ?, 1, 'DEMO')"),
                 {l(t[0]), l(t[1])});
            for (const auto &c : categories) {
                exec(QStringLiteral("INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione, "
                                    "Tab_Attivo, Tab_CodOper) VALUES ('001', ?, ?, ?, 1, 'DEMO')"),
                     {l(t[0]), l(c[0]), l(c[1])});
                for (const auto &k : classes)
                    exec(QStringLiteral("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, "
                                        "Tab_Codice, Tab_Descrizione, Tab_Attivo, Tab_CodOper) "
                                        "VALUES ('001', ?, ?, ?, ?, 1, 'DEMO')"),
                         {l(t[0]), l(c[0]), l(k[0]), l(k[1])});
            }
        }
        for (const auto &[path, name] : {std::pair{"01.02.01", "CORRISPONDENZA CON LA REGIONE"},
                                         std::pair{"02.01.01", "CONCORSI E SELEZIONI"}}) {
            const QStringList codes = l(path).split(QLatin1Char('.'));
            exec(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                                "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_CodOper) "
                                "VALUES ('001', ?, ?, ?, 1, ?, ?, 'DEMO')"),
                 {codes[0], codes[1], codes[2], l(name), QDate(2024, 1, 2)});
        }
    }

    void exec(const QString &statement, const QVariantList &values = {})
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.prepare(statement)) << statement.toStdString() << q.lastError().text().toStdString();
        for (const QVariant &v : values)
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << statement.toStdString() << " -> " << q.lastError().text().toStdString();
    }
    QString column(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString().trimmed();
        return out.join(QLatin1Char(','));
    }

    // A protocol of the body written by hand (the register admits it).
    void protocolRow(const QString &direction, const QString &number, const QDate &date, const QString &state = QStringLiteral("A"))
    {
        exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                            "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) "
                            "VALUES ('001', ?, ?, ?, ?, 'PRO', 'UPR', 'DEMO9', 'N', ?, 1, 'LET')"),
             {direction, number, date, QStringLiteral("OGGETTO ") + number, state});
    }
    // The protocol assigned for competence to an office (a type-4 movement
    // and its recipient).
    void assigned(const QString &direction, const QString &number, const QString &office)
    {
        const QString serial = QStringLiteral("20240103090000");
        exec(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) "
                            "VALUES ('001', ?, ?, ?, 4, 'UPR', 'DEMO9', 'N')"),
             {direction, number, serial});
        exec(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
                            "VALUES ('001', ?, ?, ?, ?, 0, 1)"),
             {direction, number, serial, office});
    }
    // A classification of a protocol into a dossier.
    void classified(const QString &number, const char *t, const char *c, const char *k, int dossier)
    {
        exec(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_NumeroProtocollo, Tab_Titolo, Tab_Categoria, "
                            "Tab_Classe, Tab_CodiceFascicolo, Tab_TipoProtocollo, Tab_Provenienza) "
                            "VALUES ('001', ?, ?, ?, ?, ?, 'E', 'P')"),
             {number, QString::fromLatin1(t), QString::fromLatin1(c), QString::fromLatin1(k), dossier});
    }

    static void choose(QWidget *w, const char *list, const QString &text) { chooseRow(w, list, text); }
    static ui::RowList *rowsOf(QWidget *w, const char *list) { return listNamed(w, list); }
    // The rows of a list, their shown columns joined by "|", rows by ";".
    static QString shown(QWidget *w, const char *list)
    {
        ui::RowList *rows = rowsOf(w, list);
        if (!rows)
            return QStringLiteral("<none>");
        QStringList out;
        for (int r = 0; r < rows->count(); ++r) {
            QStringList cells;
            for (int c = 0; c < rows->model()->columnCount(); ++c)
                cells << rows->view()->model()->index(r, c).data().toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out.join(QLatin1Char(';'));
    }
};

} // namespace nimbo::test
