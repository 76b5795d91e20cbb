// Images of the emergency register on both engines: scanned and viewed in an
// emergency session on the workstation's store only (whatever SERVERIMG
// says), viewed again from the emergency search of an ordinary session, and
// copied by the recovery to the definitive protocol under its "E"/"D"
// letter, byte for byte, with a failed copy reported and mended by a retry
// that registers nothing again and leaves one image.

#include <QBuffer>
#include <QImage>
#include <QRadioButton>

#include "EmergencyFixture.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/Recovery.h"
#include "servers/ImageServer.h"
#include "support/SaneTestDevice.h"

using namespace nimbo;
using test::EmergencyTest;

namespace {

const QString kKey = QStringLiteral("2007TABCD001");
const QString kCopyFailed =
    QStringLiteral("ATTENZIONE! Errore nella operazione di copia sul server del documento acquisito da scanner.");

class EmergencyImages : public EmergencyTest {
protected:
    // A one-page TIFF, as the scanning window stores it.
    static QByteArray page()
    {
        QImage image(40, 60, QImage::Format_Grayscale8);
        image.fill(200);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "TIFF");
        return bytes;
    }
    void seedLocalImage(const QString &direction, const QString &number, const QByteArray &bytes,
                        const QString &compresso)
    {
        QSqlQuery q(db().local());
        q.prepare(QStringLiteral("INSERT INTO Tab_immagini (ID_ente, Tipo_protocollo, Prot_EU, Prot_Numero, Immagine, "
                                 "Data_Ins_Var, Migrato_su_Server, Compresso) VALUES ('999', ?, ?, ?, ?, "
                                 "'2007-03-14 10:20:30', 'N', ?)"));
        q.addBindValue(direction == QLatin1String("U") ? QStringLiteral("D") : QStringLiteral("E"));
        q.addBindValue(direction);
        q.addBindValue(number);
        q.addBindValue(bytes);
        q.addBindValue(compresso);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    // The central image rows of a protocol: letter, direction, flag, bytes.
    QStringList centralImages(const QString &number)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("SELECT Tipo_protocollo, Prot_EU, Compresso, Migrato_su_Server, Immagine FROM "
                                 "Tab_immagini WHERE ID_ente = '001' AND Prot_Numero = ?"));
        q.addBindValue(number);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next())
            out << QStringList{q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                               q.value(2).toString().trimmed(), q.value(3).toString().trimmed(),
                               QString::number(qHash(q.value(4).toByteArray()))}
                       .join(QLatin1Char('|'));
        return out;
    }
    QString general(const QString &emergency)
    {
        return localScalar(QStringLiteral("SELECT COALESCE(Tab_ProtocolloGenerale, '') FROM Tab_ProtocolloEmergenza "
                                          "WHERE Tab_NumeroProtocollo = '")
                           + emergency + QLatin1Char('\''));
    }
    // The recovery window on session 1 of the register ABCD of 2007.
    emergency::FrmRecuperaEmeT *recoveryOfSession(MDIMenu *main)
    {
        auto *w = qobject_cast<emergency::FrmRecuperaEmeT *>(menu(main, "mnuassdefprot"));
        if (!w)
            return nullptr;
        edit(w, "TxtAnno", QStringLiteral("2007"));
        edit(w, "TxtCodice", QStringLiteral("ABCD"));
        edit(w, "NSessione", QStringLiteral("1"));
        child(w, "CmdAvviaRicerca")->click();
        return w;
    }
    // Registers 20070000015 while the image server cannot be made.
    void registerWithoutImageServer(MDIMenu *main, emergency::FrmRecuperaEmeT *w)
    {
        chooseRow(w->list(), 3, QStringLiteral("20070000015"));
        edit(w, "txtMDNuovo", QStringLiteral("1"));
        const QString imageServer = DicAmbiente::session().cfg.oleImg;
        DicAmbiente::session().cfg.oleImg = QStringLiteral("Nessun.Server");
        press(main, "REGISTRA");
        DicAmbiente::session().cfg.oleImg = imageServer;
    }
    QStringList lastBoxes(int n) const
    {
        const QStringList all = boxes.texts();
        return all.mid(qMax(0, int(all.size()) - n));
    }
};

TEST_P(EmergencyImages, ScannedAndViewedOnTheWorkstationInAnEmergencySession)
{
    test::SaneTestDevice sane;
    const QString year = QString::number(QDate::currentDate().year());
    // The demo's workstation code has a digit: the emergency entry takes it.
    MDIMenu *main = enterInEmergency(year, QStringLiteral("PST1"), QStringLiteral("2"),
                                     {QStringLiteral("SET SERVERIMG=SERVER"), QStringLiteral("SET COMPRESSO=1")});
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(DicAmbiente::session().emergencySession, year + QStringLiteral("/T/PST1/002"));
    QWidget *w = menu(main, "mnuProtDocEmerg");
    ASSERT_NE(w, nullptr);
    // Nothing to scan before a registration is on screen.
    EXPECT_FALSE(child(w, "CmdScanner")->isEnabled());
    EXPECT_FALSE(child(w, "CmdDocumenti")->isEnabled());
    press(main, "NUOVO");
    child<QRadioButton>(w, "OptUscita")->click();
    edit(w, "CodiceMitDest", QStringLiteral("Regione Basilicata"));
    edit(w, "CodTipoDoc", QStringLiteral("LET"));
    edit(w, "Oggetto", QStringLiteral("Richiesta dati"));
    edit(w, "DestMultipli", QStringLiteral("Regione"));
    press(main, "REGISTRA");
    const QString number = year + QStringLiteral("0000001");
    ASSERT_EQ(text(w, "txtNumeroProtocollo"), QStringLiteral("Emergenza ") + year + QStringLiteral("/T/PST1/002 N. 0000001"));
    ASSERT_TRUE(child(w, "CmdScanner")->isEnabled());

    child(w, "CmdScanner")->click();
    auto *scan = qobject_cast<documents::FrmSCAN *>(active(main));
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scanAndStore(scan), QStringList{QStringLiteral("Registrazione effettuata")});
    EXPECT_EQ(localScalar(QStringLiteral("SELECT ID_ente || '|' || Tipo_protocollo || '|' || Prot_EU || '|' || Prot_Numero "
                                         "|| '|' || Migrato_su_Server || '|' || Compresso FROM Tab_immagini")),
              QStringLiteral("999|D|U|") + number + QStringLiteral("|N|1"));

    activate(main, w);
    boxes.clear();
    child(w, "CmdDocumenti")->click();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(active(main));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 1);
    EXPECT_EQ(text(view, "lblTitolo"),
              QStringLiteral("Immagine documento Emergenza ") + year + QStringLiteral("/T/PST1/002 N. 0000001"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(nothingAtCentralPlace());
}

TEST_P(EmergencyImages, TheEmergencySearchShowsTheWorkstationsImage)
{
    seedRegister(QStringLiteral("2007"));
    seedSession(QStringLiteral("2007"), 1);
    seedRegistration(QStringLiteral("E"), QStringLiteral("20070000015"), QStringLiteral("2007-03-14"), kKey,
                     QStringLiteral("Guasto alla rete"));
    seedLocalImage(QStringLiteral("E"), QStringLiteral("20070000015"), page(), QStringLiteral("0"));
    MDIMenu *main = logInWithImages();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<emergency::FrmRicercaEmergenza *>(menu(main, "mnuriepemerg"));
    ASSERT_NE(w, nullptr);
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/frmRicercaEmergenza.png"));
    EXPECT_FALSE(child(w, "CmdVisualizza")->isEnabled());
    setField(w, "DataDal", QStringLiteral("01/03/2007"));
    setField(w, "DataAl", QStringLiteral("31/03/2007"));
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(w->list()->text(0, 1), QStringLiteral("Emergenza 2007/T/ABCD/001 N. 0000015"));
    chooseRow(w->list(), 5, QStringLiteral("20070000015"));
    EXPECT_EQ(text(w, "TxtNumeroEmergenza"), QStringLiteral("Emergenza 2007/T/ABCD/001 N. 0000015"));
    ASSERT_TRUE(child(w, "CmdVisualizza")->isEnabled());
    boxes.clear();
    child(w, "CmdVisualizza")->click();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(active(main));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 1);
    // The emergency letter is never titled with a general number.
    EXPECT_EQ(text(view, "lblTitolo"), QStringLiteral("Immagine documento Emergenza 2007/T/ABCD/001 N. 0000015"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(EmergencyImages, RecoveryCopiesTheImageUnderItsLetterOnceEvenAfterAFailedCopy)
{
    seedRegister(QStringLiteral("2007"));
    seedSession(QStringLiteral("2007"), 1, QStringLiteral("2007-03-14"));
    seedRegistration(QStringLiteral("E"), QStringLiteral("20070000015"), QStringLiteral("2007-03-14"), kKey,
                     QStringLiteral("Guasto alla rete"));
    seedRegistration(QStringLiteral("U"), QStringLiteral("20070000016"), QStringLiteral("2007-03-14"), kKey,
                     QStringLiteral("Risposta al comune"));
    const QByteArray tiff = page();
    QByteArray zipped(3000, Qt::Uninitialized);
    for (int i = 0; i < zipped.size(); ++i)
        zipped[i] = char((i * 7919) % 256); // bytes of every value, a zero among them
    seedLocalImage(QStringLiteral("E"), QStringLiteral("20070000015"), tiff, QStringLiteral("0"));
    seedLocalImage(QStringLiteral("U"), QStringLiteral("20070000016"), zipped, QStringLiteral("1"));
    MDIMenu *main = logInWithImages();
    ASSERT_NE(main, nullptr);
    auto *w = recoveryOfSession(main);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->list()->count(), 2);

    // The image server cannot be made: the protocol stands, the copy is
    // reported and offered again.
    registerWithoutImageServer(main, w);
    EXPECT_EQ(lastBoxes(2), (QStringList{QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), kCopyFailed}));
    const QString number = general(QStringLiteral("20070000015"));
    ASSERT_EQ(number.size(), 11);
    EXPECT_EQ(text(w, "ProtoGenerale"), number.left(4) + QLatin1Char('-') + number.mid(4));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA;REGISTRA"));
    EXPECT_TRUE(centralImages(number).isEmpty());

    // The server refuses the copy: its status and text are shown.
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = 'DEMO9'"));
    press(main, "REGISTRA");
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'S' WHERE Op_Codice_Operatore = 'DEMO9'"));
    EXPECT_EQ(lastBoxes(2), (QStringList{QStringLiteral("si è verificato un errore nella copia dell'immagine.\n"
                                                        "CODICE DI ERRORE: 991 - Operatore non abilitato per l'ente: DEMO9"),
                                         kCopyFailed}));

    // Registered again: only the image goes, and the protocol is the same.
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_RegistroTemporaneo = '") + kKey
                     + QLatin1Char('\'')),
              QStringLiteral("1"));
    EXPECT_EQ(centralImages(number), QStringList{QStringLiteral("E|E|0|S|") + QString::number(qHash(tiff))});
    EXPECT_EQ(localScalar(QStringLiteral("SELECT Migrato_su_Server FROM Tab_immagini WHERE Prot_Numero = '20070000015'")),
              QStringLiteral("S"));
    ASSERT_TRUE(child(w, "CmdDocumenti")->isEnabled());
    child(w, "CmdDocumenti")->click();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(active(main));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 1);
    child(view, "cmdEsci")->click();
    activate(main, w);

    // The outgoing one goes under "D", still zipped.
    chooseRow(w->list(), 3, QStringLiteral("20070000016"));
    edit(w, "txtMDNuovo", QStringLiteral("2"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"));
    const QString second = general(QStringLiteral("20070000016"));
    EXPECT_EQ(centralImages(second), QStringList{QStringLiteral("D|U|1|S|") + QString::number(qHash(zipped))});

    // Recovering both again copies nothing more.
    for (const QString &n : {QStringLiteral("20070000015"), QStringLiteral("20070000016")}) {
        emergency::EmergencyRecord r;
        ASSERT_TRUE(emergency::readEmergencyRecord(n.endsWith(QLatin1Char('6')) ? QStringLiteral("U") : QStringLiteral("E"),
                                                   n, &r));
        const auto out = emergency::recover(r, emergency::recovererFromSession(), 1, QStringLiteral("LET"));
        EXPECT_EQ(out.kind, emergency::RecoveryOutcome::Reused);
        EXPECT_EQ(out.image.kind, emergency::ImageCopy::None);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), QStringLiteral("2"));
}

TEST_P(EmergencyImages, ARetryKeepsAScanStoredOnTheProtocolSinceAndSaysSo)
{
    seedRegister(QStringLiteral("2007"));
    seedSession(QStringLiteral("2007"), 1, QStringLiteral("2007-03-14"));
    seedRegistration(QStringLiteral("E"), QStringLiteral("20070000015"), QStringLiteral("2007-03-14"), kKey,
                     QStringLiteral("Guasto alla rete"));
    seedLocalImage(QStringLiteral("E"), QStringLiteral("20070000015"), page(), QStringLiteral("0"));
    MDIMenu *main = logInWithImages();
    ASSERT_NE(main, nullptr);
    auto *w = recoveryOfSession(main);
    ASSERT_NE(w, nullptr);
    registerWithoutImageServer(main, w);
    const QString number = general(QStringLiteral("20070000015"));
    ASSERT_EQ(number.size(), 11);

    // Meanwhile the paper is scanned again on the definitive protocol.
    const QByteArray newer("II*scansione successiva");
    ImageServer server(db().centralTarget());
    QVariantList scan = image::storeRequest(image::kImage, DicAmbiente::session().op.code, QStringLiteral("001"),
                                            {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"),
                                             QStringLiteral("Immagine")},
                                            {QStringLiteral("E"), number, newer});
    ASSERT_EQ(server.Elabora(kOpRegistraAllegato, scan).value(0).toString(), QStringLiteral("0"));

    // The retry keeps it, and says so.
    press(main, "REGISTRA");
    const QStringList shown = lastBoxes(2);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"));
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Il protocollo ") + number + QStringLiteral(" ha già un'immagine")))
        << shown[1].toStdString();
    EXPECT_TRUE(shown[1].contains(QStringLiteral("non è stata copiata"))) << shown[1].toStdString();
    EXPECT_EQ(centralImages(number), QStringList{QStringLiteral("E|E|0||") + QString::number(qHash(newer))});
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA"));
}

NIMBO_INSTANTIATE_ENGINES(EmergencyImages);

} // namespace
