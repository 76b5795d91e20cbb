// Files dragged onto the registration window and the attachment and
// scanning windows on both engines: a PDF dropped on a registered protocol
// is stored as its attachment and read back whole through the image server;
// a file of another kind and one over the size limit are refused with the
// reason and nothing is stored; a protocol not yet registered takes no file;
// a TIFF dropped on the scanning window is stored as its document with
// "Registra".

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QSpinBox>

#include "../documents/DocumentsFixture.h"
#include "documents/FrmSCAN.h"
#include "documents/ImageStore.h"
#include "protocol/FrmProtocollo.h"
#include "support/Files.h"
#include "ui/FileDrop.h"

using namespace nimbo;

namespace {

class DropTest : public test::DocumentsTest {
protected:
    bool drop(QWidget *w, const QStringList &paths)
    {
        const bool taken = test::dropFiles(w, paths);
        settle();
        return taken;
    }
    QString pdf(const QString &name)
    {
        const QString path = db().folder() + QLatin1Char('/') + name;
        QPdfWriter writer(path);
        QPainter p(&writer);
        p.drawText(QPointF(100, 100), QStringLiteral("Relazione allegata"));
        return path;
    }
    int attachments(const QString &number)
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM Tab_allegati WHERE num_ProtocolloGenerale = '") + number + "'");
    }
};

TEST(FileKinds, TellDocumentsByContent)
{
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile f(dir.filePath(QLatin1String(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    EXPECT_EQ(ui::fileKind(write("a.bin", "%PDF-1.7\n")), ui::FileKind::Pdf);
    EXPECT_EQ(ui::fileKind(write("b.tif", QByteArray("II*\0\x08\0\0\0", 8))), ui::FileKind::Tiff);
    EXPECT_EQ(ui::fileKind(write("c.tif", QByteArray("MM\0*\0\0\0\x08", 8))), ui::FileKind::Tiff);
    EXPECT_EQ(ui::fileKind(write("d.png", "\x89PNG\r\n\x1a\n....")), ui::FileKind::Png);
    EXPECT_EQ(ui::fileKind(write("e.jpg", "\xff\xd8\xff\xe0....")), ui::FileKind::Jpeg);
    EXPECT_EQ(ui::fileKind(write("f.eml", "From: a@b\r\n")), ui::FileKind::Email);
    // A name says nothing: a text file called .pdf is refused.
    const QString fake = write("finto.pdf", "solo testo");
    EXPECT_EQ(ui::fileKind(fake), ui::FileKind::Other);
    ASSERT_TRUE(ui::refuseDocument(fake));
    EXPECT_TRUE(ui::refuseDocument(fake)->contains(QStringLiteral("finto.pdf")));
    EXPECT_TRUE(ui::refuseDocument(dir.filePath(QStringLiteral("manca.pdf"))));
    EXPECT_TRUE(ui::refuseDocument(dir.path()));
    EXPECT_FALSE(ui::refuseDocument(dir.filePath(QStringLiteral("a.bin"))));
}

TEST_P(DropTest, RegistrationWindowStoresDroppedDocumentsAsAttachments)
{
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER")});
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    const QString report = pdf(QStringLiteral("Relazione tecnica.pdf"));

    // Nothing registered yet: the file has nowhere to go.
    boxes.clear();
    EXPECT_TRUE(drop(reg, {report}));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrare il protocollo prima di allegarvi documenti.")});
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_allegati")), 0);

    const QString number = registerLetter(main, reg, QStringLiteral("Relazione sul cantiere"));
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // A PDF and a file that is none of the accepted kinds, dropped together.
    QFile text(db().folder() + QStringLiteral("/note.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("appunti");
    text.close();
    boxes.clear();
    ASSERT_TRUE(drop(reg, {report, text.fileName()}));
    ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(boxes.texts()[0],
              QStringLiteral("Il file note.txt non è un documento PDF, TIFF, PNG o JPEG: non può essere allegato."));
    EXPECT_EQ(boxes.texts()[1], QStringLiteral("Registrazione effettuata"));
    ASSERT_EQ(attachments(number), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Descrizione_allegato FROM Tab_allegati")), QStringLiteral("Relazione tecnica"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tipo_Doc_allegato FROM Tab_allegati")), QStringLiteral("pdf"));
    // The attachment window shows it, and it reads back whole.
    auto *att = qobject_cast<documents::FrmProtAllegati *>(active(main));
    ASSERT_NE(att, nullptr);
    EXPECT_EQ(att->attachmentCount(), 1);
    QByteArray back;
    const qlonglong id = scalar(QStringLiteral("SELECT Id_allegato FROM Tab_allegati")).toLongLong();
    ASSERT_TRUE(documents::readAttachment(QStringLiteral("001"), id, &back, QStringLiteral("FRMPROTOCOLLO")).ok);
    QFile original(report);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(back, original.readAll());
    EXPECT_GE(count(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO")), 1);

    // Over the size limit: refused by the store, as a file chosen with
    // "Scegli" is, and nothing written (the file is sparse: no disk used).
    QFile big(db().folder() + QStringLiteral("/grande.pdf"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write("%PDF-1.7\n");
    ASSERT_TRUE(big.resize(documents::kMaxDocumentBytes + 1));
    big.close();
    activate(main, reg);
    boxes.clear();
    ASSERT_TRUE(drop(reg, {big.fileName()}));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Il file supera la dimensione massima ammessa (100 MB).")});
    EXPECT_EQ(attachments(number), 1);

    // The same refusal through the attachment window's own "Scegli".
    att = qobject_cast<documents::FrmProtAllegati *>(active(main));
    ASSERT_NE(att, nullptr);
    boxes.clear();
    boxes.files << big.fileName();
    child(att, "cmdScegli")->click();
    child<QLineEdit>(att, "txtDescrizione")->setText(QStringLiteral("grande"));
    child(att, "cmdRegistra")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Il file supera la dimensione massima ammessa (100 MB).")});
    EXPECT_EQ(attachments(number), 1);

    // A consultation of the attachments takes no file.
    auto *consult = qobject_cast<documents::FrmProtAllegati *>(openOn("frmProtAllegati", QStringLiteral("E"), number));
    ASSERT_NE(consult, nullptr);
    consult->setCaller(QStringLiteral("FRMFILTRORPROT"));
    boxes.clear();
    EXPECT_TRUE(drop(consult, {report}));
    EXPECT_EQ(attachments(number), 1);
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST_P(DropTest, ScanningWindowTakesATiffAsTheDocument)
{
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER")});
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    const QString number = registerLetter(main, reg, QStringLiteral("Planimetria"));
    ASSERT_EQ(number.size(), 11);
    child(reg, "btnTB_4")->click();
    auto *scan = qobject_cast<documents::FrmSCAN *>(active(main));
    ASSERT_NE(scan, nullptr);

    // A PNG is not a scan: refused with the reason.
    QImage page(200, 280, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    const QString png = db().folder() + QStringLiteral("/pagina.png");
    ASSERT_TRUE(page.save(png, "PNG"));
    boxes.clear();
    drop(scan, {png});
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("Come documento del protocollo si accettano solo")));
    EXPECT_FALSE(child(scan, "cmdBottoni_2")->isEnabled());

    if (!QImageWriter::supportedImageFormats().contains("tiff"))
        GTEST_SKIP() << "no TIFF writer to make the test page";
    const QString tiff = db().folder() + QStringLiteral("/pagina.tif");
    ASSERT_TRUE(page.save(tiff, "TIFF"));
    boxes.clear();
    drop(scan, {tiff});
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(child<QSpinBox>(scan, "cboPagina")->maximum(), 1);
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini WHERE Prot_Numero = '") + number + "'"), 1);
}

NIMBO_INSTANTIATE_ENGINES(DropTest);

} // namespace
