// The code-table window over every table of Tab_Tabelle on the demo
// register: the checks in their order, the typing rule, writes, usage
// tests, the rows naming tables the program does not know, printing.

#include <QDir>
#include <QFile>

#include "CodesFixture.h"
#include "support/Files.h"
#include "ui/FormKit.h"
#include "ui/TreeModel.h"

using namespace nimbo;
using namespace nimbo::test;
using codes::ExtraRule;

namespace {

class CodeTables : public CodesTest {
protected:
    // Pressing "Registra": the one box it shows, and where the focus went.
    void expectRefused(const QString &message, const char *focus)
    {
        boxes.clear();
        click(codici.get(), "CmdRegistra");
        ASSERT_EQ(boxes.texts(), QStringList{message});
        EXPECT_EQ(focused(codici.get()), QLatin1String(focus)) << message.toStdString();
    }
    QStringList treeKeys()
    {
        QStringList out;
        const QAbstractItemModel *m = codici->tree()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data(ui::TreeModel::KeyRole).toString();
        return out;
    }
    void protocolWith(const char *column, const char *code)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, %1) "
                           "VALUES ('001', 'E', '20260000%2', '%3')")
                .arg(QLatin1String(column))
                .arg(++protocols, 3, 10, QLatin1Char('0'))
                .arg(QLatin1String(code)));
    }
    // Choosing the code and pressing "Cancella": the boxes shown.
    QStringList deleting(const QString &node, const QString &code)
    {
        EXPECT_TRUE(codici->chooseNode(node)) << node.toStdString();
        EXPECT_TRUE(clickRow(codici->grid(), code)) << code.toStdString();
        boxes.clear();
        click(codici.get(), "CmdCancella");
        return boxes.texts();
    }
    int protocols = 0;
};

const QString kAsk = QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?");

TEST_P(CodeTables, EveryTableChecksInOrderThenAddsChangesAndDeletesACode)
{
    openCodici();
    const QStringList nodes = treeKeys();
    ASSERT_EQ(nodes, (QStringList{"R001", "R002", "R003", "R004", "R005", "R006"}));
    QStringList names;
    for (const QString &key : nodes) {
        SCOPED_TRACE(key.toStdString());
        ASSERT_TRUE(codici->chooseNode(key));
        const codes::CodeTable &t = *codici->table();
        names << t.name;
        EXPECT_TRUE(codici->findChild<QLabel *>(QStringLiteral("LblTabella"))
                        ->text()
                        .startsWith(QStringLiteral("Elenco codici della tabella '")));
        ASSERT_GT(codici->grid()->count(), 0);
        const QString existing = codici->grid()->text(0, 0);

        click(codici.get(), "CmdInsCodici");
        EXPECT_EQ(focused(codici.get()), QStringLiteral("Text1"));
        expectRefused(QStringLiteral("Inserire il codice dell'elemento da inserire"), "Text1");
        keys(codici.get(), "Text1", existing.toLower());
        expectRefused(QStringLiteral("Il codice inserito è già presente in archivio"), "Text1");
        keys(codici.get(), "Text1", QStringLiteral("z9"));
        expectRefused(QStringLiteral("Inserire la descrizione dell'elemento da inserire"), "Text2");
        keys(codici.get(), "Text2", QStringLiteral("prova dell'ufficio"));
        if (t.extraRule == ExtraRule::YesNo) {
            keys(codici.get(), "Text3", QStringLiteral("x"));
            expectRefused(QStringLiteral("Inserire S o N"), "Text3");
            keys(codici.get(), "Text3", QStringLiteral("s"));
        } else if (t.extraRule == ExtraRule::Required) {
            expectRefused(QStringLiteral("Inserire un valore corretto"), "Text3");
            keys(codici.get(), "Text3", QStringLiteral("zz"));
        }
        if (!t.regionColumn.isEmpty()) {
            expectRefused(QStringLiteral("Selezionare una regione dall'elenco"), "CboRegione");
            pick(codici.get(), "CboRegione", QStringLiteral("17"));
        }
        boxes.clear();
        click(codici.get(), "CmdRegistra");
        ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        const QString where = QStringLiteral(" FROM ") + t.table + QStringLiteral(" WHERE ") + t.codeColumn
                              + QStringLiteral(" = 'Z9'");
        EXPECT_EQ(scalar(QStringLiteral("SELECT ") + t.descriptionColumn + QStringLiteral(" || '|' || ") + t.operatorColumn
                         + where),
                  QStringLiteral("PROVA DELL'UFFICIO|DEMO9"));
        EXPECT_TRUE(scalar(QStringLiteral("SELECT ") + t.dateColumn + where)
                        .startsWith(QDate::currentDate().toString(Qt::ISODate)));
        if (!t.extraColumn.isEmpty()) {
            EXPECT_EQ(scalar(QStringLiteral("SELECT ") + t.extraColumn + where),
                      t.extraRule == ExtraRule::YesNo ? QStringLiteral("S") : QStringLiteral("ZZ"));
        }
        if (!t.regionColumn.isEmpty()) {
            EXPECT_EQ(scalar(QStringLiteral("SELECT ") + t.regionColumn + where), QStringLiteral("17"));
        }

        // Changed: the key stays, the row is found by its code.
        ASSERT_TRUE(clickRow(codici->grid(), QStringLiteral("Z9")));
        EXPECT_TRUE(ui::looksReadOnly(edit(codici.get(), "Text1")));
        keys(codici.get(), "Text2", QStringLiteral("prova cambiata"));
        click(codici.get(), "CmdRegistra");
        ASSERT_FALSE(writes.isEmpty());
        EXPECT_EQ(writes.last().kind, QStringLiteral("R"));
        EXPECT_EQ(writes.last().condition, t.codeColumn + QStringLiteral(" = 'Z9'"));
        EXPECT_EQ(scalar(QStringLiteral("SELECT ") + t.descriptionColumn + where), QStringLiteral("PROVA CAMBIATA"));

        // Unused: deleted after the question.
        EXPECT_EQ(deleting(key, QStringLiteral("Z9")), QStringList{kAsk});
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + where), QStringLiteral("0"));
    }
    QStringList known;
    for (const auto &t : codes::codeTables())
        known << t.name;
    EXPECT_EQ(names, known);
}

TEST_P(CodeTables, TypingKeepsLettersDigitsAndBlanksInUpperCase)
{
    openCodici();
    ASSERT_TRUE(codici->chooseNode(QStringLiteral("R004"))); // kinds: all three fields
    click(codici.get(), "CmdInsCodici");
    keys(codici.get(), "Text1", QStringLiteral("a-1 b"));
    EXPECT_EQ(edit(codici.get(), "Text1")->text(), QStringLiteral("A1 B"));
    keys(codici.get(), "Text3", QStringLiteral("-n"));
    EXPECT_EQ(edit(codici.get(), "Text3")->text(), QStringLiteral("N"));
    // A pasted text goes through the same rule.
    edit(codici.get(), "Text1")->clear();
    edit(codici.get(), "Text1")->insert(QStringLiteral("x-y"));
    EXPECT_EQ(edit(codici.get(), "Text1")->text(), QStringLiteral("XY"));
    // Descriptions keep what real names need.
    keys(codici.get(), "Text2", QStringLiteral("forli'-cesena, l'aquila #1"));
    EXPECT_EQ(edit(codici.get(), "Text2")->text(), QStringLiteral("FORLI'-CESENA, L'AQUILA 1"));
    edit(codici.get(), "Text2")->clear();
    edit(codici.get(), "Text2")->insert(QStringLiteral("Forlì/Bozen"));
    EXPECT_EQ(edit(codici.get(), "Text2")->text(), QStringLiteral("FORLÌ/BOZEN"));
}

TEST_P(CodeTables, CodesInUseAreRefusedAndAFailedReadCountsAsUse)
{
    protocolWith("Tab_Tipologia", "LET");
    protocolWith("Tab_MotivoCancellazione", "02");
    openCodici();
    EXPECT_EQ(deleting(QStringLiteral("R001"), QStringLiteral("LET")),
              QStringList{QStringLiteral("Non è possibile cancellare il tipo documento poiché in uso")});
    EXPECT_EQ(deleting(QStringLiteral("R002"), QStringLiteral("02")),
              QStringList{QStringLiteral("Non è possibile cancellare il motivo di cancellazione poiché in uso")});
    // Demo address-book entries are private citizens ("001").
    EXPECT_EQ(deleting(QStringLiteral("R004"), QStringLiteral("001")),
              QStringList{QStringLiteral("Non è possibile cancellare la tipologia di mittente/destinatario poiché in uso")});
    // Potenza's municipalities carry its plate "PZ"; the plate cannot change.
    EXPECT_EQ(deleting(QStringLiteral("R005"), QStringLiteral("076")),
              QStringList{QStringLiteral("Non è possibile cancellare la provincia poiché in uso")});
    EXPECT_TRUE(ui::looksReadOnly(edit(codici.get(), "Text3")));
    EXPECT_EQ(deleting(QStringLiteral("R006"), QStringLiteral("17")),
              QStringList{QStringLiteral("Non è possibile cancellare la regione poiché in uso")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice = 'LET'")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Provincie WHERE Prv_Codprov = '076'")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni WHERE Reg_Codreg = '17'")), QStringLiteral("1"));

    // Unused ones go.
    EXPECT_EQ(deleting(QStringLiteral("R001"), QStringLiteral("FAX")), QStringList{kAsk});
    EXPECT_EQ(deleting(QStringLiteral("R002"), QStringLiteral("01")), QStringList{kAsk});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice = 'FAX'")), QStringLiteral("0"));

    // Whether an emergency reason is used cannot be read: it stays.
    sql(QStringLiteral("DROP VIEW Tab_RegistriEmergenza"));
    // The loader has reported the failed read first.
    const QStringList shown = deleting(QStringLiteral("R003"), QStringLiteral("01"));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), QStringLiteral("Si è verificato un errore durante la lettura dei dati"));
    EXPECT_FALSE(shown.contains(kAsk));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Motivo_Regtemp WHERE Tab_Codice = '01'")), QStringLiteral("1"));
}

TEST_P(CodeTables, ARowNamingAnUnknownTableNeverReachesSql)
{
    sql(QStringLiteral("INSERT INTO Tab_Tabelle (Tab_Codice, Tab_NomeTabella, Tab_Descrizione) VALUES "
                       "(7, 'TAB_OPERATORI', 'Operatori')"));
    sqlSeen.clear();
    openCodici();
    const QModelIndex at = codici->tree()->model()->index(6, 0);
    EXPECT_EQ(at.data(ui::TreeModel::KeyRole).toString(), QStringLiteral("R007"));
    EXPECT_EQ(at.data().toString(), QStringLiteral("Operatori (non disponibile)"));
    EXPECT_EQ(codici->tree()->model()->flags(at), Qt::NoItemFlags);
    EXPECT_FALSE(codici->chooseNode(QStringLiteral("R007")));
    emit codici->tree()->clicked(at);
    EXPECT_EQ(codici->table(), nullptr);

    // A row changed after the tree was read is looked at again when chosen.
    sql(QStringLiteral("UPDATE Tab_Tabelle SET Tab_NomeTabella = 'Tab_Operatori; DELETE FROM Tab_Comuni' "
                       "WHERE Tab_Codice = 1"));
    boxes.clear();
    EXPECT_FALSE(codici->chooseNode(QStringLiteral("R001")));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Tabella non gestita dal programma: Tab_Operatori; DELETE FROM Tab_Comuni")});
    EXPECT_EQ(codici->tree()->model()->flags(codici->tree()->model()->index(0, 0)), Qt::NoItemFlags);
    EXPECT_EQ(codici->toolbarKeys(), QStringLiteral("ESCI"));
    EXPECT_FALSE(codici->findChild<QPushButton *>(QStringLiteral("CmdInsCodici"))->isEnabled());
    for (const QString &s : std::as_const(sqlSeen))
        EXPECT_FALSE(s.contains(QStringLiteral("Tab_Operatori"), Qt::CaseInsensitive)) << s.toStdString();
    EXPECT_NE(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni")), QStringLiteral("0"));
}

TEST_P(CodeTables, TheGridPrintsWithPageNumbersAndAFailureIsReported)
{
    DicAmbiente::session().cfg.stampanteReport = QStringLiteral("PDF");
    openCodici();
    ASSERT_TRUE(codici->chooseNode(QStringLiteral("R001")));
    const QString pdf = QDir(db().folder()).filePath(QStringLiteral("codici.pdf"));
    boxes.files << pdf;
    click(codici.get(), "CmdStampaTabella");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Elenco codici della tabella 'Tipi documento'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("LETTERA"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Pag. 1"))) << text.toStdString();

    boxes.files << QStringLiteral("/nonexistent-folder/codici.pdf");
    click(codici.get(), "CmdStampaTabella");
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Errore di Stampa: "))) << boxes.texts().first().toStdString();
}

NIMBO_INSTANTIATE_ENGINES(CodeTables);

} // namespace
