#pragma once
// The program started as the demo workstation with the image server, SANE's
// test scanner and a recorder in place of the desktop's own programs.

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlQuery>

#include "../ui/UiFixture.h"
#include "documents/Documents.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmProtVisAllegati.h"
#include "iter/Iter.h"
#include "servers/ImageRequests.h"
#include "startup/MDIMenu.h"
#include "support/SaneTestDevice.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::test {

class DocumentsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
        documents::registerDocumentWindows();
        documents::setExternalOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });
    }
    void TearDown() override
    {
        documents::setExternalOpener({});
        MainWindowTest::TearDown();
    }
    MDIMenu *start(const QString &code, const QStringList &extra = {})
    {
        QStringList lines{QStringLiteral("SET OLEGP=") + kProtocolProgId,
                          QStringLiteral("SET OLEIMG=") + kImageProgId};
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"), lines + extra);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        return main;
    }
    // DEMO9's registration of an incoming (or outgoing) letter in the open
    // registration window; the stored number.
    QString registerLetter(MDIMenu *main, protocol::FrmProtocollo *reg, const QString &subject, bool incoming = true)
    {
        press(main, "NUOVO");
        child<QRadioButton>(reg, incoming ? "OptTipoProtocollo_0" : "OptTipoProtocollo_1")->click();
        type(reg, "CodiceMitDest", QStringLiteral("2"));
        type(reg, "CodTipoDoc", QStringLiteral("LET"));
        child<QLineEdit>(reg, "Oggetto")->setText(subject);
        if (!child<QLineEdit>(reg, "CodSedeRic")->isReadOnly()) {
            type(reg, "CodSedeRic", QStringLiteral("PRO"));
            type(reg, "CodUfficio", QStringLiteral("UPR"));
        }
        press(main, "REGISTRA");
        return storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    }
    // A protocol of body 001 registered by DEMO9 whose correspondent is not
    // in the address book.
    void seedProtocol(const QString &number, const QString &subject, bool privacy)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_SoggPrivacy, Tab_CodiceOpeReg, "
                           "Tab_StatoProtocollo) VALUES ('001', 'E', '%1', '2025-03-04', '%2', 99999, '%3', 'DEMO9', 'A')")
                .arg(number, subject, privacy ? QStringLiteral("S") : QStringLiteral("N")));
    }
    // Opens a document window by name on a protocol, as the registration
    // window and the iter windows do.
    static QWidget *openOn(const char *window, const QString &direction, const QString &number)
    {
        QWidget *w = WindowRegistry::open(QString::fromLatin1(window));
        if (w)
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
        return w;
    }
    // The attachments of a protocol opened as the registration window opens
    // them (it may add and delete).
    static documents::FrmProtAllegati *openAttachments(const QString &number)
    {
        auto *w = qobject_cast<documents::FrmProtAllegati *>(WindowRegistry::open(QStringLiteral("frmProtAllegati")));
        if (w) {
            w->setCaller(QStringLiteral("FRMPROTOCOLLO"));
            w->setProtocol(QStringLiteral("E"), number);
        }
        return w;
    }
    // Lets windows closed meanwhile go.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    QString tempOle() { return db().folder() + QStringLiteral("/tempOle"); }
    QStringList workFiles()
    {
        return QDir(tempOle()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }
    int count(const QString &sql) { return scalar(sql).toInt(); }

    QList<QUrl> opened;
};

} // namespace nimbo::test
