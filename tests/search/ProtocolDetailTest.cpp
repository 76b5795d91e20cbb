// The read-only protocol detail of the search windows on both engines: every
// field of an incoming and an outgoing protocol, "/" without emergency data,
// classification, further recipients, the iter with its recipients in
// order, the cancellation behind the state, a protocol of another body,
// reads that fail, and the privacy rule for rights "N", empty and "S" in the
// fields and at the doors of the scanned documents and attachments.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "../documents/DocumentsFixture.h"
#include "documents/FrmProtAllegati.h"
#include "search/GeneralSearch.h"
#include "search/ProtocolDetail.h"
#include "ui/ChildWindow.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using namespace nimbo;

namespace {

const QString kRefused = QStringLiteral("Documenti riservati. L'utente non ha le autorizzazioni necessarie per consultarli.");

class ProtocolDetailTest : public test::DocumentsTest {
protected:
    // The detail as a search window holds it, inside the main window.
    search::ProtocolDetail *openDetail(MDIMenu *main, const QString &caller = QStringLiteral("FRMFILTRORPROT"))
    {
        WindowRegistry::add(QStringLiteral("ProvaDettaglio"), [caller] {
            auto *w = new ChildWindow;
            w->setObjectName(QStringLiteral("ProvaDettaglio"));
            w->setWindowTitle(QStringLiteral("Ricerca Protocolli"));
            auto *layout = new QVBoxLayout(w);
            layout->addWidget(new search::ProtocolDetail(kRefused, caller, w));
            return w;
        });
        QWidget *host = main->openWindow(QStringLiteral("ProvaDettaglio"));
        return host ? host->findChild<search::ProtocolDetail *>() : nullptr;
    }
    bool show(search::ProtocolDetail *d, const QString &direction, const QString &number)
    {
        return d->load(direction, number, protocol::Viewer::fromSession());
    }
    void protocolRow(const QString &direction, const QString &number, const QString &columns, const QString &values,
                     const QString &ente = QStringLiteral("001"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_StatoProtocollo, %1) VALUES ('%2', '%3', '%4', %5)")
                .arg(columns, ente, direction, number, values));
    }
    // An incoming letter with two dossiers and an iter of two movements; an
    // outgoing one from an emergency register with two further recipients;
    // a reserved outgoing one; a cancelled one.
    void seed()
    {
        const QString cols = QStringLiteral(
            "Tab_DataProtocollo, Tab_DataRicezione, Tab_OraRicezione, Tab_SoggPrivacy, Tab_RegistroTemporaneo, "
            "Tab_ProtocolloTemporaneo, Tab_Intestatario, Tab_Tipologia, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
            "Tab_ComponenteUfficio, Tab_Oggetto, Tab_Annotazioni, Tab_CodiceOpeReg");
        protocolRow(QStringLiteral("E"), QStringLiteral("20250000101"), cols,
                    QStringLiteral("'A', '2025-03-04', '2025-03-03', '09:30:00', 'N', ' ', '', 2, 'LET', 'PRO', 'UPR', 2, "
                                   "'Richiesta d''accesso agli atti', 'urgente', 'DEMO9'"));
        protocolRow(QStringLiteral("U"), QStringLiteral("20250000102"), cols,
                    QStringLiteral("'A', '2025-03-05', NULL, NULL, 'N', '2025T0001', '0000042', 5, 'CIR', 'AMM', 'RAG', 0, "
                                   "'Circolare sui turni', '', 'DEMO8'"));
        protocolRow(QStringLiteral("U"), QStringLiteral("20250000103"), cols,
                    QStringLiteral("'A', '2025-03-05', NULL, NULL, 'S', ' ', '', 5, 'LET', 'PRO', 'UPR', 0, "
                                   "'Esposto riservato', 'nota riservata', 'DEMO9'"));
        protocolRow(QStringLiteral("E"), QStringLiteral("20250000104"),
                    cols + QStringLiteral(", Tab_DataCancellazione, Tab_CodiceOpeCanc, Tab_MotivoCancellazione, "
                                          "Tab_NoteCancellazione"),
                    QStringLiteral("'C', '2025-03-05', '2025-03-05', '11:00:00', 'N', ' ', '', 2, 'LET', 'PRO', 'UPR', 0, "
                                   "'Doppione', '', 'DEMO9', '2025-03-06', 'DEMO9', '02', 'registrato due volte'"));
        sql(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Titolo, "
                           "Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, Tab_Provenienza) VALUES "
                           "('001', 'E', '20250000101', '02', '01', '01', 1, 'P'), "
                           "('001', 'E', '20250000101', '01', '04', '01', 2, 'P')"));
        // The later movement is written first: the list orders them by time.
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_Annotazioni) VALUES "
                           "('001', 'E', '20250000101', '20250305090000', 3, 'RAG', 'DEMO8', ''), "
                           "('001', 'E', '20250000101', '20250304101500', 4, 'UPR', 'DEMO9', 'da vedere')"));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione, "
                           "Tab_DataEffettivaAssegnazione, Tab_Annotazioni) VALUES "
                           "('001', 'E', '20250000101', '20250304101500', 'UPR', 2, 2, '2025-03-04 10:16:00', 'in copia'), "
                           "('001', 'E', '20250000101', '20250304101500', 'RAG', 0, 1, '2025-03-04 10:15:30', 'per competenza')"));
        // The main recipient stands in the table too and is not a further one.
        sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_MittDest, Tab_principale) VALUES ('001', 'U', '20250000102', 5, 'S'), "
                           "('001', 'U', '20250000102', 1, 'N'), ('001', 'U', '20250000102', 3, 'N'), "
                           "('001', 'U', '20250000103', 1, 'N')"));
    }
    QString town(int id)
    {
        return scalar(QStringLiteral("SELECT c.com_Comune FROM Tab_Rubrica r JOIN Tab_Comuni c ON "
                                     "c.Com_Codcom = r.Tab_ComuneUbicazione WHERE r.Tab_EnteRubrica = '001' AND "
                                     "r.Tab_Identificativo = %1").arg(id)).trimmed();
    }
    QString description(const QString &table, const QString &where)
    {
        return scalar(QStringLiteral("SELECT Tab_Descrizione FROM %1 WHERE Tab_Ente = '001' AND %2").arg(table, where))
            .trimmed();
    }
    // The list whose view carries the name.
    static ui::RowList *listOf(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    static QStringList rowTexts(ui::RowList *list)
    {
        QStringList out;
        for (int r = 0; r < list->count(); ++r) {
            QStringList cells;
            for (int c = 0; c < list->model()->columnCount(); ++c)
                cells << list->text(r, c);
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    int windowsNamed(MDIMenu *main, const QString &name)
    {
        int n = 0;
        for (QMdiSubWindow *sub : main->area()->subWindowList())
            n += sub->widget() && sub->widget()->objectName() == name;
        return n;
    }
};

TEST_P(ProtocolDetailTest, ShowsEveryFieldOfAnIncomingAndAnOutgoingProtocol)
{
    seed();
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    search::ProtocolDetail *d = openDetail(main);
    ASSERT_NE(d, nullptr);
    boxes.clear();

    ASSERT_TRUE(show(d, QStringLiteral("E"), QStringLiteral("20250000101")));
    EXPECT_EQ(d->direction(), QStringLiteral("E"));
    EXPECT_EQ(d->number(), QStringLiteral("20250000101"));
    EXPECT_EQ(text(d, "LblMittDest"), QStringLiteral("Mittente"));
    EXPECT_EQ(child(d, "CmdStato")->text(), QStringLiteral("A T T I V O"));
    EXPECT_EQ(text(d, "TxtNumero"), QStringLiteral("2025-0000101"));
    EXPECT_EQ(text(d, "TxtDataProtocollo"), QStringLiteral("04/03/2025"));
    EXPECT_EQ(text(d, "TxtDataRicezione"), QStringLiteral("03/03/2025"));
    EXPECT_EQ(text(d, "TxtOraRicezione"), QStringLiteral("09:30:00"));
    EXPECT_EQ(text(d, "TxtRiservato"), QStringLiteral("NO"));
    EXPECT_EQ(text(d, "TxtRegistroEme"), QStringLiteral("/"));
    EXPECT_EQ(text(d, "TxtNumeroEme"), QStringLiteral("/"));
    EXPECT_EQ(text(d, "TxtMittDest"), QStringLiteral("COMUNE DI POTENZA"));
    EXPECT_EQ(text(d, "TxtTipoDoc"), QStringLiteral("LET"));
    EXPECT_EQ(text(d, "LblTipoDoc"), QStringLiteral("LETTERA"));
    EXPECT_EQ(text(d, "TxtSedeRic"), QStringLiteral("PRO"));
    EXPECT_EQ(text(d, "LblSedeRic"), QStringLiteral("DIPARTIMENTO AFFARI GENERALI"));
    EXPECT_EQ(text(d, "TxtUfficio"), QStringLiteral("UPR"));
    EXPECT_EQ(text(d, "LblUfficio"), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(text(d, "LblComponente"), QStringLiteral("BIANCHI ANNA"));
    EXPECT_EQ(text(d, "TxtOggetto"), QStringLiteral("Richiesta d'accesso agli atti"));
    EXPECT_EQ(text(d, "TxtAnnotazioni"), QStringLiteral("urgente"));
    EXPECT_FALSE(child(d, "CmdAltri")->isEnabled());

    // Both dossiers, in the order of the scheme, with every description.
    auto *dossiers = listOf(d, "LwClassifica");
    ASSERT_NE(dossiers, nullptr);
    const QString title01 = description(QStringLiteral("Tab_Titolo"), QStringLiteral("Tab_Codice = '01'"));
    const QString class0401 = description(
        QStringLiteral("Tab_Classe"),
        QStringLiteral("Tab_CodiceTitolo = '01' AND Tab_CodiceCategoria = '04' AND Tab_Codice = '01'"));
    const QStringList rows = rowTexts(dossiers);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("01 - ") + title01 + QStringLiteral("|04 - "))) << rows[0].toStdString();
    EXPECT_TRUE(rows[0].endsWith(QStringLiteral("|01 - ") + class0401 + QStringLiteral("|00002 - RECLAMI DEI CITTADINI 2024")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral("|00001 - CONCORSI E SELEZIONI"))) << rows[1].toStdString();

    // The movements by time, each followed by its recipients by time, with
    // their notes.
    auto *iter = d->findChild<QTreeWidget *>(QStringLiteral("lswIter"));
    ASSERT_NE(iter, nullptr);
    ASSERT_EQ(iter->topLevelItemCount(), 4);
    const QString blanks(19, QLatin1Char(' '));
    EXPECT_EQ(iter->topLevelItem(0)->text(0), QStringLiteral("04/03/2025 10:15:00"));
    EXPECT_EQ(iter->topLevelItem(0)->text(1), QStringLiteral("Assegnazione"));
    EXPECT_EQ(iter->topLevelItem(0)->text(5), QStringLiteral("da vedere"));
    EXPECT_EQ(iter->topLevelItem(1)->text(0), blanks + QStringLiteral("a: 04/03/2025 10:15:30"));
    EXPECT_EQ(iter->topLevelItem(1)->text(2), QStringLiteral("DIPARTIMENTO AMMINISTRATIVO"));
    EXPECT_EQ(iter->topLevelItem(1)->text(3), QStringLiteral("RAGIONERIA"));
    EXPECT_EQ(iter->topLevelItem(1)->text(5), QStringLiteral("per competenza"));
    EXPECT_EQ(iter->topLevelItem(2)->text(0), blanks + QStringLiteral("a: 04/03/2025 10:16:00"));
    EXPECT_EQ(iter->topLevelItem(2)->text(4), QStringLiteral("BIANCHI ANNA"));
    EXPECT_EQ(iter->topLevelItem(3)->text(0), QStringLiteral("05/03/2025 09:00:00"));
    EXPECT_EQ(iter->topLevelItem(3)->text(1), QStringLiteral("Presa in carico"));

    // The outgoing one: its recipient, its emergency data, its further
    // recipients by name and without the main one; nothing of the first
    // protocol stays behind.
    ASSERT_TRUE(show(d, QStringLiteral("U"), QStringLiteral("20250000102")));
    EXPECT_EQ(text(d, "LblMittDest"), QStringLiteral("Destinatario"));
    EXPECT_EQ(text(d, "TxtMittDest"), QStringLiteral("PREFETTURA DI POTENZA"));
    EXPECT_EQ(text(d, "TxtDataRicezione"), QString());
    EXPECT_EQ(text(d, "TxtRegistroEme"), QStringLiteral("2025T0001"));
    EXPECT_EQ(text(d, "TxtNumeroEme"), QStringLiteral("0000042"));
    EXPECT_EQ(text(d, "LblTipoDoc"), QStringLiteral("CIRCOLARE"));
    EXPECT_EQ(text(d, "LblUfficio"), QStringLiteral("RAGIONERIA"));
    EXPECT_EQ(text(d, "LblComponente"), QString());
    EXPECT_EQ(iter->topLevelItemCount(), 0);
    EXPECT_EQ(dossiers->count(), 0);
    auto *others = listOf(d, "LwAltri");
    ASSERT_NE(others, nullptr);
    EXPECT_EQ(rowTexts(others),
              (QStringList{QStringLiteral("COMUNE DI MELFI - VIA ROMA, 3 - ") + town(3),
                           QStringLiteral("REGIONE BASILICATA - VIA ROMA, 1 - ") + town(1)}));
    ASSERT_TRUE(child(d, "CmdAltri")->isEnabled());
    child(d, "CmdAltri")->click();
    EXPECT_EQ(d->findChild<QTabWidget *>(QStringLiteral("TabDettaglio"))->currentWidget(), others);
    EXPECT_EQ(boxes.texts(), QStringList());

    // It fits the main window at 1024x768, every field labelled, nothing cut.
    test::expectFitsWithFieldsLabelled(main, d->parentWidget(), db().folder() + QStringLiteral("/dettaglio.png"));
}

TEST_P(ProtocolDetailTest, CancelledStateAnotherBodyAndFailedReads)
{
    seed();
    protocolRow(QStringLiteral("E"), QStringLiteral("20250000105"), QStringLiteral("Tab_Oggetto"),
                QStringLiteral("'A', 'di un altro ente'"), QStringLiteral("002"));
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    search::ProtocolDetail *d = openDetail(main);
    ASSERT_NE(d, nullptr);

    // An active protocol's state tells nothing more when clicked.
    ASSERT_TRUE(show(d, QStringLiteral("E"), QStringLiteral("20250000101")));
    boxes.clear();
    child(d, "CmdStato")->click();
    EXPECT_EQ(boxes.texts(), QStringList());

    ASSERT_TRUE(show(d, QStringLiteral("E"), QStringLiteral("20250000104")));
    EXPECT_EQ(child(d, "CmdStato")->text(), QStringLiteral("C A N C E L L A T O"));
    child(d, "CmdStato")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Ricerca Protocolli"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Protocollo cancellato\n\nData cancellazione: 06/03/2025\n"
                                                  "Operatore: DEMO9 - CONTI GIULIA\nMotivo: DOCUMENTO DUPLICATO\n"
                                                  "Note: registrato due volte"));

    // Another body's protocol is never shown, and nothing of the last one
    // stays on screen.
    boxes.clear();
    EXPECT_FALSE(show(d, QStringLiteral("E"), QStringLiteral("20250000105")));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Impossibile visualizzare il documento richiesto")});
    EXPECT_EQ(d->number(), QString());
    EXPECT_EQ(text(d, "TxtNumero"), QString());
    EXPECT_EQ(text(d, "TxtOggetto"), QString());
    boxes.clear();
    child(d, "CmdStato")->click();
    EXPECT_FALSE(child(d, "cmdDocum")->isEnabled());
    EXPECT_EQ(boxes.texts(), QStringList());

    // A list that cannot be read is said to be unread, not empty; the rest
    // is shown.
    sql(QStringLiteral("ALTER TABLE Tab_Iter_Destinatari RENAME TO Tab_Iter_Destinatari_Via"));
    sql(QStringLiteral("ALTER TABLE Tab_ProFascicoli RENAME TO Tab_ProFascicoli_Via"));
    boxes.clear();
    EXPECT_TRUE(show(d, QStringLiteral("E"), QStringLiteral("20250000101")));
    EXPECT_EQ(text(d, "TxtOggetto"), QStringLiteral("Richiesta d'accesso agli atti"));
    // (The data server has told its own failure first.)
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Impossibile leggere la classificazione e l'iter: la lettura dal "
                                                   "registro centrale non è riuscita (il dettaglio è nel log)."));
    // The protocol itself unread: a failure, not a protocol that is not there.
    sql(QStringLiteral("ALTER TABLE Tab_Motivo_Cancella RENAME TO Tab_Motivo_Cancella_Via"));
    boxes.clear();
    EXPECT_FALSE(show(d, QStringLiteral("E"), QStringLiteral("20250000101")));
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Impossibile leggere il protocollo: la lettura dal registro "
                                                   "centrale non è riuscita (il dettaglio è nel log)."));
    EXPECT_EQ(text(d, "TxtOggetto"), QString());
}

// A reserved protocol for operators whose privacy right is "N", empty and
// "S": masked fields, no further recipients, and its documents refused
// without opening any window; with the right, the viewer and the
// attachments open to look only.
TEST_P(ProtocolDetailTest, ReservedProtocolsAreMaskedUnlessTheRightIsS)
{
    seed();
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = '' WHERE Op_Codice_Operatore = 'DEMO8'"));
    const QString mask = QString::fromLatin1(search::kMask);
    for (const char *code : {"DEMO7", "DEMO8", "DEMO9"}) {
        SCOPED_TRACE(code);
        const bool allowed = qstrcmp(code, "DEMO9") == 0;
        MDIMenu *main = start(QString::fromLatin1(code));
        ASSERT_NE(main, nullptr);
        search::ProtocolDetail *d = openDetail(main, QStringLiteral("FRMRICERCAPROT"));
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(show(d, QStringLiteral("U"), QStringLiteral("20250000103")));
        EXPECT_EQ(d->masked(), !allowed);
        EXPECT_EQ(text(d, "TxtMittDest"), allowed ? QStringLiteral("PREFETTURA DI POTENZA") : mask);
        EXPECT_EQ(text(d, "TxtOggetto"), allowed ? QStringLiteral("Esposto riservato") : mask);
        EXPECT_EQ(text(d, "TxtAnnotazioni"), allowed ? QStringLiteral("nota riservata") : mask);
        EXPECT_EQ(text(d, "TxtRiservato"), QStringLiteral("SI"));
        EXPECT_EQ(listOf(d, "LwAltri")->count(), allowed ? 1 : 0);
        EXPECT_EQ(child(d, "CmdAltri")->isEnabled(), allowed);

        boxes.clear();
        child(d, "cmdDocum")->click();
        child(d, "cmdAllegati")->click();
        QApplication::processEvents();
        if (!allowed) {
            EXPECT_EQ(boxes.texts(), (QStringList{kRefused, kRefused}));
            EXPECT_EQ(windowsNamed(main, QStringLiteral("FrmVisDocu1")), 0);
            EXPECT_EQ(windowsNamed(main, QStringLiteral("frmProtAllegati")), 0);
        } else {
            EXPECT_FALSE(boxes.texts().contains(kRefused));
            ASSERT_EQ(windowsNamed(main, QStringLiteral("FrmVisDocu1")), 1);
            EXPECT_EQ(main->findChild<QWidget *>(QStringLiteral("FrmVisDocu1"))->windowTitle(),
                      QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo 2025-0000103"));
            auto *att = main->findChild<documents::FrmProtAllegati *>();
            ASSERT_NE(att, nullptr);
            EXPECT_FALSE(att->mayChange());
        }
        // An unmasked protocol next shows everything again.
        ASSERT_TRUE(show(d, QStringLiteral("U"), QStringLiteral("20250000102")));
        EXPECT_FALSE(d->masked());
        EXPECT_EQ(text(d, "TxtOggetto"), QStringLiteral("Circolare sui turni"));
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
    }
}

NIMBO_INSTANTIATE_ENGINES(ProtocolDetailTest);

} // namespace
