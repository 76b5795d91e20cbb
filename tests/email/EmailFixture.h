#pragma once
// The demo workstation with the protocol, image and e-mail servers, the
// e-mail windows and provisional e-mails of body 001 written straight
// into the register, as the mailbox reading leaves them.

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>

#include "../documents/DocumentsFixture.h"
#include "classification/Classification.h"
#include "data/Cipher.h"
#include "email/Email.h"
#include "email/EmailRules.h"
#include "email/FrmProtEmail.h"
#include "servers/MailRequests.h"
#include "support/SqlRows.h"
#include "ui/RowList.h"

namespace nimbo::test {

class EmailTest : public DocumentsTest {
protected:
    void SetUp() override
    {
        DocumentsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        email::registerEmailWindows();
        classification::registerClassificationWindows();
        run(s("UPDATE Tab_Uffici SET Tab_Email = 'upr@asdemo.example' WHERE Tab_Ente = '001' AND Tab_Ufficio = 'UPR'"));
        run(s("UPDATE Tab_UfficiComponenti SET Tab_PostaElettronica = 'rossi@asdemo.example' WHERE Tab_Progressivo = 1"));
        // Bianchi has left the office: she is no longer told.
        run(s("UPDATE Tab_UfficiComponenti SET Tab_PostaElettronica = 'bianchi@asdemo.example', Tab_DataFine = ? "
              "WHERE Tab_Progressivo = 2"),
            {QDate::currentDate().addDays(-1)});
        run(s("UPDATE Tab_UfficiComponenti SET Tab_PostaElettronica = 'conti@asdemo.example', Tab_DataFine = ? "
              "WHERE Tab_Progressivo = 3"),
            {QDate::currentDate()});
        key = db().folder() + QStringLiteral("/nimbo.key");
        ASSERT_TRUE(Cipher::createKey(key));
        DicAmbiente::session().cfg.keyFile = key;
        // The body's SMTP server: a port on the loopback where nobody
        // listens, so that what is sent stays kept for a new attempt.
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        run(s("UPDATE Tab_Enti SET Ente_Posta_SMTP = '127.0.0.1', Ente_Posta_PortaServer = ?, "
              "Ente_Posta_Sicurezza = 'STARTTLS', Ente_Posta_POP = NULL WHERE Ente_Codice = '001'"),
            {QString::number(port)});
    }

    static QString s(const char *t) { return QString::fromUtf8(t); }

    void run(const QString &statement, const QVariantList &binds = {}) { runSql(db().central(), statement, binds); }
    QStringList rows(const QString &statement) { return sqlRows(db().central(), statement); }

    // A message as a mailbox holds it: text and one attached note.
    static QByteArray message(const QString &from, const QString &subject)
    {
        return QStringLiteral("From: %1\r\nTo: protocollo@asdemo.example\r\nSubject: %2\r\n"
                              "Date: Mon, 02 Mar 2026 10:15:00 +0100\r\nMessage-ID: <%3@example.org>\r\n"
                              "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                              "--b1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nSi chiede l'accesso agli atti.\r\n"
                              "--b1\r\nContent-Type: text/plain; name=\"nota.txt\"\r\n"
                              "Content-Disposition: attachment; filename=\"nota.txt\"\r\n\r\nNota allegata.\r\n--b1--\r\n")
            .arg(from, subject, QString::number(qHash(subject)))
            .toUtf8();
    }
    // A provisional e-mail of body 001; correspondent 0 for none.
    void provisional(int n, const QString &from, const QString &subject, int correspondent, const QString &type,
                     const char *state = "A", const QString &general = {})
    {
        run(s("INSERT INTO Tab_ProtocEmailProvvis (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocolloProvv, "
              "Tab_DataInvioEml, Tab_Intestatario, Tab_Oggetto, Tab_DataProtocollo, Tab_Tipologia, Tab_StatoProtocollo, "
              "Tab_ProtocolloGenerale, Tab_email, Tab_IndirizzoMittente, Tab_ProtDocArrivo, Tab_DataProtDocArrivo) "
              "VALUES ('001', 'E', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {n, QDate(2026, 3, 2), correspondent > 0 ? QVariant(correspondent) : QVariant(QMetaType(QMetaType::LongLong)),
             subject, QDate(2026, 3, 2), type.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(type),
             s(state), general.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(general),
             message(from, subject), from, n == 1 ? s("PG/45") : QString(),
             n == 1 ? QVariant(QDate(2026, 2, 27)) : QVariant(QMetaType(QMetaType::QDate))});
    }
    void attachment(int n, const char *name)
    {
        run(s("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloProvvisorio, Nome_allegato, Descrizione_allegato, "
              "allegato) VALUES ('001', ?, ?, ?, ?)"),
            {QString::number(n), s(name), s(name), QByteArray("contenuto di ") + name});
    }
    // The usual pending e-mails: 1 with its sender and type known, 2 from
    // an unknown sender, and two that are not pending.
    void seedEmails()
    {
        provisional(1, s("mario.rossi@example.org"), s("Domanda di accesso agli atti"), 2, s("LET"));
        provisional(2, s("ditta@example.com"), s("Offerta forniture"), 0, QString());
        provisional(3, s("spam@example.net"), s("Pubblicità"), 0, QString(), "C");
        provisional(4, s("altro@example.net"), s("Già protocollata"), 2, s("LET"), "A", s("20260000099"));
        attachment(1, "domanda.pdf");
        attachment(2, "offerta.txt");
    }

    // The mail passwords are enciphered with the installation's key.
    MDIMenu *startWithMail(const QStringList &extra = {})
    {
        return start(QStringLiteral("DEMO9"),
                     QStringList{QStringLiteral("SET OLEEML=") + kMailProgId, QStringLiteral("SET KEYFILE=") + key} + extra);
    }
    // Empties a field as the operator does.
    static void erase(QWidget *w, const char *name)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
    }
    email::FrmProtEmail *openEmails(MDIMenu *main)
    {
        return qobject_cast<email::FrmProtEmail *>(menu(main, "mnuProtEml"));
    }
    static void chooseEmail(email::FrmProtEmail *w, int provisional)
    {
        ASSERT_TRUE(w->list()->select(0, QString::number(provisional))) << provisional;
        QTest::keyClick(w->list()->view(), Qt::Key_Return);
    }
    static QString column(ui::RowList *list, int col)
    {
        QStringList out;
        for (int r = 0; r < list->count(); ++r)
            out << list->text(r, col);
        return out.join(QLatin1Char(','));
    }
    QString year() const { return QString::number(QDate::currentDate().year()); }
    // The message the clerk reads when the SMTP server did not take a
    // message, which is kept.
    static bool keptForRetry(const QString &box)
    {
        return box.startsWith(QStringLiteral("Server Ole, Errore in invio E-Mail: "))
               && box.endsWith(QStringLiteral("Il messaggio è stato conservato: premere Riprova per inviarlo di nuovo, "
                                              "Annulla per lasciarlo in attesa di un nuovo invio."));
    }

    QString key;
};

} // namespace nimbo::test
