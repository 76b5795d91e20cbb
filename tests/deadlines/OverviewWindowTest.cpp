// The deadline overview as an office clerk drives it, on both engines:
// opened from the menu, both searches with their count, what the level and
// the privacy right let him see, the detail and its ends, the doors of the
// detail, the print and the exports.

#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "OverviewFixture.h"
#include "iter/FrmGestIter.h"

using namespace nimbo;
using namespace nimbo::test;
using namespace nimbo::deadlines::overview;

namespace {

const QString kMask = QString::fromLatin1(protocol::scope::kDeadlineMask).left(5);

class OverviewWindow : public OverviewFixture {
protected:
    // UPR's matters: 1 and 2 due within five days (2 reserved), 3 due but
    // RAG's, 4 three days late, 5 late but completed, 6 due in ten days;
    // 7 is another correspondent's, 8 the same correspondent's registered
    // and kept by RAG.
    void seedOffices()
    {
        protocol(1, QStringLiteral("RICHIESTA PARERE URBANISTICO"));
        assigned(1, 3);
        protocol(2, QStringLiteral("ESPOSTO RISERVATO SUL PERSONALE"), true);
        assigned(2, 2);
        protocol(3, QStringLiteral("FATTURA DA LIQUIDARE"));
        assigned(3, 3, QStringLiteral("RAG"));
        protocol(4, QStringLiteral("RICHIESTA ACCESSO AGLI ATTI"));
        assigned(4, -3);
        protocol(5, QStringLiteral("RICHIESTA GIA' EVASA"));
        assigned(5, -2);
        handled(5);
        protocol(6, QStringLiteral("PARERE SU REGOLAMENTO"));
        assigned(6, 10);
        protocol(7, QStringLiteral("NOTA DI ALTRO ENTE"), false, 3);
        protocol(8, QStringLiteral("NOTA CONTABILE DEL COMUNE"), false, 2, QStringLiteral("AMM"), QStringLiteral("RAG"));
    }
    // DEMO7 (level 7 of UPR, without the privacy right) with the matters
    // due in five days listed; null when the window did not open.
    deadlines::FrmScadPratiche *dueList(MDIMenu *&main)
    {
        seedOffices();
        main = start(QStringLiteral("DEMO7"));
        auto *w = main ? openOverview(main) : nullptr;
        if (w) {
            searchDue(main, w, QStringLiteral("5"));
            boxes.clear();
        }
        return w;
    }
    // The export button pressed without a file name, which it refuses.
    void refusedWithoutAName(QWidget *w, const char *button)
    {
        child(w, button)->click();
        EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Per completare l'operazione è necessario specificare il "
                                                               "nome del file")});
        boxes.clear();
    }
};

TEST_P(OverviewWindow, BothSearchesWithTheirCountTheLevelScopeAndMaskedSubjects)
{
    seedOffices();
    // DEMO7: level 7 of UPR, without the privacy right.
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    boxes.clear();
    auto *w = openOverview(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scadenzario Pratiche"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA"));
    // The level decides which departments and offices may be chosen.
    EXPECT_EQ(offered(w, "cmbDipartimento"), QStringList{QStringLiteral("PRO")});
    pickItem(w, "cmbDipartimento", QStringLiteral("PRO"));
    EXPECT_EQ(offered(w, "cmbUfficio"), QStringList{QStringLiteral("UPR")});
    pickItem(w, "cmbDipartimento", QString());

    press(main, "CERCA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Specificare il tipo di ricerca da effettuare")});
    boxes.clear();

    searchDue(main, w, QStringLiteral("5"));
    EXPECT_EQ(boxTexts(), QString());
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(2), shown(1)}));
    EXPECT_EQ(shownText(w, "LblConteggio"), QStringLiteral("Sono stati trovati N. 2 Protocolli"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA;STAMPA"));
    const QStringList subjects = column(w->list(), ColSubject);
    EXPECT_TRUE(subjects[0].startsWith(kMask)) << subjects[0].toStdString();
    EXPECT_EQ(subjects[1], QStringLiteral("RICHIESTA PARERE URBANISTICO"));
    EXPECT_EQ(column(w->list(), ColDeadline), (QStringList{day(2), day(3)}));
    EXPECT_EQ(column(w->list(), ColProtocolDate)[0], QStringLiteral("04/03/2025"));
    EXPECT_EQ(column(w->list(), ColCorrespondent)[1], QStringLiteral("COMUNE DI POTENZA"));
    EXPECT_TRUE(column(w->list(), ColAddress)[1].startsWith(QStringLiteral("VIA ROMA, 2 - ")))
        << column(w->list(), ColAddress)[1].toStdString();
    expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/overview.png"));

    // Ten days reach the sixth; a subject narrows.
    searchDue(main, w, QStringLiteral("10"));
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(2), shown(1), shown(6)}));
    typeKeys(w, "txtRicOggetto", QStringLiteral("parere"));
    press(main, "CERCA");
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(1), shown(6)}));
    w->findChild<QLineEdit *>(QStringLiteral("txtRicOggetto"))->clear();

    // Late and not completed: the completed one never shows.
    boxes.clear();
    searchOverdue(main, w);
    EXPECT_EQ(column(w->list(), ColNumber), QStringList{shown(4)});
    EXPECT_EQ(column(w->list(), ColDelay), QStringList{QStringLiteral("3")});
    EXPECT_EQ(shownText(w, "LblConteggio"), QStringLiteral("Sono stati trovati N. 1 Protocolli"));

    // The list sorts by a header click, dates as dates.
    searchDue(main, w, QStringLiteral("10"));
    w->list()->view()->sortByColumn(ColDeadline, Qt::DescendingOrder);
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(6), shown(1), shown(2)}));
}

TEST_P(OverviewWindow, DetailMovesThroughTheListToItsEndsAndOpensItsDoors)
{
    MDIMenu *main = nullptr;
    auto *w = dueList(main);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->list()->count(), 2);

    QTableView *view = w->list()->view();
    view->setCurrentIndex(view->model()->index(0, ColNumber));
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(w->detailShown());
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    EXPECT_EQ(w->detail()->number(), number(2));
    EXPECT_TRUE(w->detail()->masked());
    EXPECT_EQ(shownText(w, "TxtUfficioCompetente"), QStringLiteral("UPR - UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(shownText(w, "TxtScadenzaEvasione"), day(2));
    EXPECT_EQ(shownText(w, "TxtDataAssegnazione"), QStringLiteral("05/03/2025"));
    EXPECT_EQ(shownText(w, "TxtNoteAssegnazione"), QStringLiteral("DA ISTRUIRE 2"));
    expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/overview-detail.png"));

    // A reserved protocol's images stay closed to him.
    ASSERT_TRUE(child(w, "cmdDocum")->isEnabled());
    child(w, "cmdDocum")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(kReservedImages)}) << boxTexts().toStdString();
    EXPECT_EQ(active(main), w);
    boxes.clear();

    press(main, "PRECEDENTE");
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il "
                                                           "protocollo visualizzato è il primo dell'elenco selezionato.")});
    EXPECT_EQ(w->detail()->number(), number(2));
    boxes.clear();
    press(main, "SUCCESSIVO");
    EXPECT_EQ(w->detail()->number(), number(1));
    EXPECT_EQ(shownText(w, "TxtScadenzaEvasione"), day(3));
    EXPECT_EQ(boxTexts(), QString());
    press(main, "SUCCESSIVO");
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il "
                                                           "protocollo visualizzato è l'ultimo dell'elenco selezionato.")});
    EXPECT_EQ(w->detail()->number(), number(1));
    boxes.clear();

    child(w, "cmdEMail")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Contattare l'esperto della procedura!!! ")});
    boxes.clear();

    // The correspondent's other protocols, newest first, as far as the
    // general search lets him see them: not RAG's own note.
    child(w, "cmdAltriDocumenti")->click();
    ASSERT_TRUE(w->otherDocumentsShown());
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;ANNULLA"));
    EXPECT_EQ(column(w->otherDocuments(), 1),
              (QStringList{shown(6), shown(5), shown(4), shown(3), shown(2), shown(1)}));
    const QStringList otherSubjects = column(w->otherDocuments(), 3);
    EXPECT_TRUE(otherSubjects[4].startsWith(kMask));
    EXPECT_EQ(otherSubjects[5], QStringLiteral("RICHIESTA PARERE URBANISTICO"));
    press(main, "ANNULLA");
    EXPECT_TRUE(w->detailShown());

    // The iter and the linked protocols open on this protocol.
    child(w, "cmdIter")->click();
    auto *gest = qobject_cast<iter::FrmGestIter *>(active(main));
    ASSERT_NE(gest, nullptr);
    EXPECT_EQ(gest->shownNumber(), number(1));
    activate(main, w);
    child(w, "cmdCollegati")->click();
    QWidget *linked = active(main);
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->objectName(), QStringLiteral("FrmDetCollegati"));
    activate(main, w);
    // Incoming: no further recipients to show.
    EXPECT_FALSE(child(w, "cmdAltriDestinatari")->isEnabled());

    press(main, "ANNULLA");
    EXPECT_FALSE(w->detailShown());
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA;STAMPA"));
    EXPECT_EQ(boxTexts(), QString());
}

TEST_P(OverviewWindow, PrintShowsTheBodyPagesAndNoReservedSubject)
{
    QTemporaryDir out;
    MDIMenu *main = nullptr;
    auto *w = dueList(main);
    ASSERT_NE(w, nullptr);
    const QString pdf = out.filePath(QStringLiteral("scadute.pdf"));
    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_EQ(boxTexts(), QString());
    const QString printed = pdfText(pdf);
    for (const QString &shownText :
         {QStringLiteral("AZIENDA SANITARIA DEMO"), QStringLiteral("Scadenzario Pratiche"),
          QStringLiteral("Documenti in scadenza nei 5 giorni successivi alla data del ") + day(0), shown(1), shown(2),
          QStringLiteral("RICHIESTA PARERE"), QStringLiteral("Sono stati trovati N. 2 Protocolli"),
          QStringLiteral("Pag. 1 di 1")})
        EXPECT_TRUE(printed.contains(shownText)) << shownText.toStdString() << "\n" << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("RISERVATO"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("FATTURA"))) << printed.toStdString();
}

TEST_P(OverviewWindow, SheetNeedsAFileNameAndReadsBackWithItsHeadingAndRows)
{
    QTemporaryDir out;
    MDIMenu *main = nullptr;
    auto *w = dueList(main);
    ASSERT_NE(w, nullptr);
    refusedWithoutAName(w, "cmdExcel");
    if (!deadlines::writeSheet(out.filePath(QStringLiteral("probe.xlsx")), {}).isEmpty())
        GTEST_SKIP() << "the spreadsheet writer is not there yet";
    const QString file = out.filePath(QStringLiteral("scadute"));
    boxes.files << file;
    child(w, "cmdExcel")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Generazione del file EXCEL completata.")});
    const QStringList lines =
        python(QStringLiteral("import sys, openpyxl\n"
                              "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                              "print(ws['A1'].value)\n"
                              "for row in ws.iter_rows(min_row=4, values_only=True):\n"
                              "    print('|'.join('' if v is None else (v.strftime('%d/%m/%Y') if hasattr(v, 'strftime') "
                              "else str(v)) for v in row))\n"),
               file + QStringLiteral(".xlsx"));
    ASSERT_EQ(lines.size(), 4) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Documenti in scadenza nei 5 giorni successivi alla data del ") + day(0));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Tipo|N. Protocollo|Data Protocollo|"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("E|") + shown(2) + QStringLiteral("|04/03/2025|*****")))
        << lines[2].toStdString();
    EXPECT_FALSE(lines[2].contains(QStringLiteral("RISERVATO"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(day(2))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("E|") + shown(1) + QStringLiteral("|04/03/2025|RICHIESTA PARERE")))
        << lines[3].toStdString();
}

TEST_P(OverviewWindow, CalendarHoldsOneEventPerListedDeadlineWithReservedSubjectsMasked)
{
    QTemporaryDir out;
    MDIMenu *main = nullptr;
    auto *w = dueList(main);
    ASSERT_NE(w, nullptr);
    refusedWithoutAName(w, "cmdCalendario");
    if (!deadlines::writeCalendar(out.filePath(QStringLiteral("probe.ics")), {}).isEmpty())
        GTEST_SKIP() << "the calendar writer is not there yet";
    const QString file = out.filePath(QStringLiteral("scadenze.ics"));
    boxes.files << file;
    child(w, "cmdCalendario")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Generazione del calendario completata.")});
    const QStringList lines =
        python(QStringLiteral("import sys, icalendar\n"
                              "cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
                              "for e in sorted(cal.walk('VEVENT'), key=lambda e: str(e.get('summary'))):\n"
                              "    print(str(e.get('summary')) + '|' + e.decoded('dtstart').strftime('%d/%m/%Y'))\n"),
               file);
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].contains(shown(1)) && lines[0].contains(QStringLiteral("RICHIESTA PARERE URBANISTICO")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(day(3)));
    EXPECT_TRUE(lines[1].contains(shown(2)) && !lines[1].contains(QStringLiteral("RISERVATO"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(day(2)));
}

TEST_P(OverviewWindow, TheProtocolManagerSeesEveryOfficeAndReadsReservedSubjects)
{
    seedOffices();
    // DEMO9: level 9 with the privacy right.
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    auto *w = openOverview(main);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(offered(w, "cmbDipartimento").contains(QStringLiteral("AMM")));
    searchDue(main, w, QStringLiteral("5"));
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(2), shown(1), shown(3)}));
    EXPECT_EQ(column(w->list(), ColSubject)[0], QStringLiteral("ESPOSTO RISERVATO SUL PERSONALE"));
    // A department and office chosen narrow the list to that office.
    pickItem(w, "cmbDipartimento", QStringLiteral("AMM"));
    pickItem(w, "cmbUfficio", QStringLiteral("RAG"));
    press(main, "CERCA");
    EXPECT_EQ(column(w->list(), ColNumber), QStringList{shown(3)});
}

TEST_P(OverviewWindow, FurtherRecipientsOfAnOutgoingMatterOpenForReadingUnlessMasked)
{
    const QString out = QStringLiteral("U");
    protocol(21, QStringLiteral("RISPOSTA AL COMUNE"), false, 2, QStringLiteral("PRO"), QStringLiteral("UPR"), out);
    assigned(21, 1, QStringLiteral("UPR"), QStringLiteral("DEMO9"), out);
    protocol(22, QStringLiteral("RISPOSTA RISERVATA"), true, 2, QStringLiteral("PRO"), QStringLiteral("UPR"), out);
    assigned(22, 2, QStringLiteral("UPR"), QStringLiteral("DEMO9"), out);
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    auto *w = openOverview(main);
    ASSERT_NE(w, nullptr);
    searchDue(main, w, QStringLiteral("5"));
    ASSERT_EQ(column(w->list(), ColNumber), (QStringList{shown(21), shown(22)}));
    ASSERT_TRUE(w->openRow(0));
    child(w, "cmdAltriDestinatari")->click();
    QWidget *further = active(main);
    ASSERT_NE(further, nullptr);
    EXPECT_EQ(further->objectName(), QStringLiteral("FrmAltriDest"));
    EXPECT_EQ(further->property("mode").toString(), QStringLiteral("CONSULTAZIONE"));
    activate(main, w);
    press(main, "SUCCESSIVO");
    EXPECT_EQ(w->detail()->number(), number(22));
    EXPECT_FALSE(child(w, "cmdAltriDestinatari")->isEnabled());
    EXPECT_EQ(boxTexts(), QString());
}

TEST_P(OverviewWindow, AListCutAtItsLimitSaysSo)
{
    QSqlDatabase central = db().central();
    ASSERT_TRUE(central.transaction());
    QSqlQuery p(central), d(central), a(central);
    ASSERT_TRUE(p.prepare(QStringLiteral(
        "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
        "Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, Tab_CodiceOpeReg, Tab_StatoProtocollo, "
        "Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('001', 'E', ?, '2025-03-04', 'PRATICA', 2, 'LET', 'N', "
        "'DEMO9', 'A', 'PRO', 'UPR')")));
    ASSERT_TRUE(d.prepare(QStringLiteral(
        "INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
        "Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, Tab_DataEvasione) VALUES ('001', 'E', ?, "
        "'20250305090000', 4, 'UPR', 'DEMO9', 'N', ?)")));
    ASSERT_TRUE(a.prepare(QStringLiteral(
        "INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
        "Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES ('001', 'E', ?, '20250305090000', "
        "'UPR', 0, 1)")));
    const QString late = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    for (int n = 1; n <= 4; ++n) {
        p.addBindValue(number(n));
        d.addBindValue(number(n));
        d.addBindValue(late);
        a.addBindValue(number(n));
        ASSERT_TRUE(p.exec() && d.exec() && a.exec()) << n;
    }
    ASSERT_TRUE(central.commit());

    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    auto *w = openOverview(main);
    ASSERT_NE(w, nullptr);
    // The limit of the program (a thousand) made small, for a quick register.
    w->setRowLimit(3);
    searchOverdue(main, w);
    EXPECT_EQ(column(w->list(), ColNumber), (QStringList{shown(1), shown(2), shown(3)}));
    EXPECT_EQ(shownText(w, "LblConteggio"), QStringLiteral("Sono stati trovati N. 3 Protocolli"));
    EXPECT_EQ(shownText(w, "LblLimite"), cutText(3));
    EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("LblLimite"))->isVisibleTo(w));
    // Exactly as many as the limit: nothing was left out.
    w->setRowLimit(4);
    searchOverdue(main, w);
    EXPECT_EQ(w->list()->count(), 4);
    EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("LblLimite"))->isVisibleTo(w));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(OverviewWindow);
