#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "mail/MimeReader.h"
#include "mail/MimeWriter.h"

using namespace nimbo::mail;
using Certified = ParsedMail::Certified;

namespace {

ParsedMail parsed(const QByteArray &raw, const ParseLimits &limits = {})
{
    ParsedMail out;
    QString error;
    EXPECT_TRUE(parseMail(raw, &out, &error, limits)) << error.toStdString();
    return out;
}

QString refusal(const QByteArray &raw, const ParseLimits &limits = {})
{
    ParsedMail out;
    QString error;
    EXPECT_FALSE(parseMail(raw, &out, &error, limits));
    return error;
}

QByteArray simple(const QByteArray &headers, const QByteArray &body)
{
    return "From: Mario Rossi <m.rossi@example.it>\r\nTo: protocollo@comune.example.it\r\nMessage-ID: <a1@example.it>\r\n"
           + headers + "\r\n" + body;
}

// A message with one attachment of the given bytes.
QByteArray withAttachment(const QByteArray &name, const QByteArray &type, const QByteArray &data)
{
    return simple("Subject: allegato\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n",
                  "--b1\r\nContent-Type: text/plain\r\n\r\nvedi allegato\r\n--b1\r\nContent-Type: " + type
                      + "\r\nContent-Disposition: attachment; filename=\"" + name
                      + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + data.toBase64() + "\r\n--b1--\r\n");
}

QByteArray daticert(const QByteArray &tipo, const QByteArray &msgid, const QByteArray &prolog = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog + "<postacert tipo=\"" + tipo
           + "\" errore=\"nessuno\"><intestazione><mittente>m.rossi@pec.example.it</mittente>"
             "<destinatari tipo=\"certificato\">protocollo@pec.comune.example.it</destinatari>"
             "<oggetto>Istanza</oggetto></intestazione><dati><gestore-emittente>Gestore</gestore-emittente>"
             "<identificativo>opec1.x@pec.example.it</identificativo><msgid>"
           + msgid + "</msgid></dati></postacert>\n";
}

// A certified-mail envelope as the providers write it: signed, with the
// provider's text, the certification data and (optionally) the original.
QByteArray envelope(const QByteArray &headers, const QByteArray &xml, const QByteArray &original)
{
    QByteArray mixed = "--m\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nMessaggio di posta certificata\r\n"
                       "--m\r\nContent-Type: application/xml; name=\"daticert.xml\"\r\n"
                       "Content-Disposition: inline; filename=\"daticert.xml\"\r\n\r\n"
                       + xml + "\r\n";
    if (!original.isEmpty())
        mixed += "--m\r\nContent-Type: message/rfc822; name=\"postacert.eml\"\r\n"
                 "Content-Disposition: inline; filename=\"postacert.eml\"\r\n\r\n"
                 + original + "\r\n";
    mixed += "--m--\r\n";
    return "From: \"Per conto di: m.rossi@pec.example.it\" <posta-certificata@pec.example.it>\r\n"
           "To: protocollo@pec.comune.example.it\r\nSubject: POSTA CERTIFICATA: Istanza\r\n"
           "Message-ID: <opec1.x@pec.example.it>\r\nMIME-Version: 1.0\r\n"
           + headers
           + "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=sha-256; boundary=\"s\"\r\n\r\n"
             "--s\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
           + mixed
           + "\r\n--s\r\nContent-Type: application/pkcs7-signature; name=\"smime.p7s\"\r\n"
             "Content-Transfer-Encoding: base64\r\n\r\nMIAGCSqGSIb3DQEHAqCAMIACAQEx\r\n--s--\r\n";
}

} // namespace

// Composed, read back by us and by Python's mail package.
TEST(Mime, ComposedMessagesReadBackTheSame)
{
    QByteArray bytes(70000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 256);
    const OutgoingMail mail{QStringLiteral("protocollo@comune.example.it"), QStringLiteral("Comune di Città"),
                            {QStringLiteral("a@example.it"), QStringLiteral("b@example.it")},
                            QStringLiteral("Ricevuta – protocollo n. 2026-0000001 è pronta, con un oggetto lungo oltre settanta caratteri"),
                            QStringLiteral("Riga uno\r\nriga due: perché €\n.\nfine"),
                            {{QStringLiteral("relazione tecnica €.pdf"), QStringLiteral("application/pdf"), bytes},
                             {QStringLiteral("note.txt"), {}, "testo\n"}}};
    QByteArray raw;
    QString id, error;
    ASSERT_TRUE(composeMail(mail, &raw, &id, &error)) << error.toStdString();
    EXPECT_TRUE(id.endsWith(QLatin1String("@comune.example.it"))) << id.toStdString();
    for (const QByteArray &line : raw.split('\n')) {
        EXPECT_LE(line.size(), 998);
        for (const char c : line)
            ASSERT_TRUE(c > 0 && (c >= ' ' || c == '\r' || c == '\t')) << "byte " << int(c);
    }
    EXPECT_FALSE(raw.contains("\n\n")) << "bare LF line ends";

    const ParsedMail back = parsed(raw);
    EXPECT_EQ(back.messageId, id);
    EXPECT_EQ(back.subject, mail.subject);
    EXPECT_EQ(back.fromName, mail.fromName);
    EXPECT_EQ(back.fromAddress, mail.fromAddress);
    EXPECT_EQ(back.to, mail.to);
    EXPECT_EQ(back.text.trimmed(), QStringLiteral("Riga uno\r\nriga due: perché €\r\n.\r\nfine"));
    EXPECT_LE(qAbs(back.date.secsTo(QDateTime::currentDateTime())), 60);
    ASSERT_EQ(back.attachments.size(), 2);
    EXPECT_EQ(back.attachments[0].fileName, mail.attachments[0].fileName);
    EXPECT_EQ(back.attachments[0].contentType, QStringLiteral("application/pdf"));
    EXPECT_EQ(back.attachments[0].data, bytes);
    EXPECT_EQ(back.attachments[1].contentType, QStringLiteral("application/octet-stream"));

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, email, email.policy, hashlib\n"
                                 "m = email.message_from_binary_file(sys.stdin.buffer, policy=email.policy.default)\n"
                                 "print(m['subject']); print(m['from'].addresses[0].display_name)\n"
                                 "print(m.get_body(('plain',)).get_content().splitlines()[1])\n"
                                 "a = next(m.iter_attachments())\n"
                                 "print(a.get_filename()); print(hashlib.sha256(a.get_content()).hexdigest())\n")});
    python.write(raw);
    python.closeWriteChannel();
    ASSERT_TRUE(python.waitForFinished(30000));
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5) << python.readAllStandardError().toStdString();
    EXPECT_EQ(lines[0], mail.subject);
    EXPECT_EQ(lines[1], mail.fromName);
    EXPECT_EQ(lines[2], QStringLiteral("riga due: perché €"));
    EXPECT_EQ(lines[3], mail.attachments[0].fileName);
    EXPECT_EQ(lines[4], QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
}

TEST(Mime, ComposingRefusesWhatWouldBreakAHeader)
{
    const OutgoingMail good{QStringLiteral("protocollo@comune.example.it"), {}, {QStringLiteral("a@example.it")},
                            QStringLiteral("Oggetto"), QStringLiteral("Testo"), {}};
    auto refused = [](OutgoingMail m) {
        QByteArray raw = "intatto";
        QString id, error;
        const bool ok = composeMail(m, &raw, &id, &error);
        return !ok && !error.isEmpty() && raw == "intatto";
    };
    OutgoingMail m = good;
    EXPECT_FALSE(refused(m));
    m.subject = QStringLiteral("Oggetto\r\nBcc: spia@altrove.example");
    EXPECT_TRUE(refused(m));
    m = good;
    m.fromName = QStringLiteral("Ufficio\nBcc: spia@altrove.example");
    EXPECT_TRUE(refused(m));
    m = good;
    m.to = {QStringLiteral("a@example.it\r\nBcc: spia@altrove.example")};
    EXPECT_TRUE(refused(m));
    m.to = {QStringLiteral("Mario <a@example.it>")};
    EXPECT_TRUE(refused(m));
    m.to.clear();
    EXPECT_TRUE(refused(m));
    m = good;
    m.fromAddress = QStringLiteral("protocollo@comune.example.it, altro@example.it");
    EXPECT_TRUE(refused(m));
    m = good;
    m.attachments = {{QStringLiteral("../../etc/passwd"), {}, "x"}};
    EXPECT_TRUE(refused(m));
    m.attachments = {{QStringLiteral("a.pdf"), QStringLiteral("text/plain\r\nBcc: x@y.it"), "x"}};
    EXPECT_TRUE(refused(m));
}

TEST(Mime, CharsetsAndHeadersOfHostileMessagesBecomeSafeText)
{
    // Declared charsets, a wrong one and an unknown one.
    EXPECT_EQ(parsed(simple("Content-Type: text/plain; charset=windows-1252\r\n", "caff\xe8 \x80 5")).text,
              QStringLiteral("caffè € 5"));
    EXPECT_EQ(parsed(simple("Content-Type: text/plain; charset=iso-8859-15\r\n", "\xa4")).text, QStringLiteral("€"));
    EXPECT_EQ(parsed(simple("Content-Type: text/plain; charset=x-inventato\r\n", "caff\xe8")).text,
              QStringLiteral("caffè"));
    EXPECT_EQ(parsed(simple("Content-Type: text/plain; charset=utf-8\r\n", "caff\xe8")).text,
              QStringLiteral("caff") + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(parsed(simple("Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n",
                            "Y2FmZsOo\r\n"))
                  .text,
              QStringLiteral("caffè"));

    // Line breaks smuggled into headers by encoded words.
    const ParsedMail m = parsed(
        "From: =?utf-8?q?Mario=0D=0ABcc=3A_spia=40altrove=2Eexample?= <m.rossi@example.it>\r\n"
        "To: protocollo@comune.example.it, \"x\r\n Bcc\" <spia@altrove.example>, rotto\r\n"
        "Subject: =?utf-8?q?Istanza=0D=0ABcc=3A_spia=40altrove=2Eexample?= =?iso-8859-1?q?perch=E8?=\r\n"
        "Message-ID: <id\r\n @example.it>\r\n\r\ntesto\r\n");
    EXPECT_FALSE(m.subject.contains(QLatin1Char('\r')) || m.subject.contains(QLatin1Char('\n')));
    EXPECT_TRUE(m.subject.startsWith(QStringLiteral("Istanza Bcc: spia@altrove.example"))) << m.subject.toStdString();
    EXPECT_TRUE(m.subject.endsWith(QStringLiteral("perchè")));
    EXPECT_EQ(m.fromAddress, QStringLiteral("m.rossi@example.it"));
    EXPECT_EQ(m.fromName, QStringLiteral("Mario Bcc: spia@altrove.example"));
    EXPECT_EQ(m.to, (QStringList{"protocollo@comune.example.it", "spia@altrove.example"}));
    EXPECT_FALSE(m.messageId.contains(QLatin1Char('\n')));

    // A sender that is no plain address gives no address to answer to.
    const ParsedMail odd = parsed("From: \"a\\\"b\" <\"x y\"@example.it>\r\nSubject: s\r\n\r\nt\r\n");
    EXPECT_TRUE(odd.fromAddress.isEmpty());
    EXPECT_FALSE(odd.fromName.isEmpty());

    // File names that name folders, hide themselves or say nothing.
    const QByteArray names = simple(
        "Subject: nomi\r\nContent-Type: multipart/mixed; boundary=b\r\n",
        "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n\r\nx\r\n"
        "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename*=utf-8''..%2F%0D%0Aa%E2%80%AEfdp.exe\r\n\r\nx\r\n"
        "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"..\"\r\n\r\nx\r\n"
        "--b\r\nContent-Type: image/png\r\n\r\nx\r\n--b--\r\n");
    const ParsedMail n = parsed(names);
    ASSERT_EQ(n.attachments.size(), 4);
    EXPECT_EQ(n.attachments[0].fileName, QStringLiteral("passwd"));
    EXPECT_EQ(n.attachments[1].fileName, QStringLiteral("afdp.exe"));
    EXPECT_EQ(n.attachments[2].fileName, QStringLiteral("allegato-3"));
    EXPECT_EQ(n.attachments[3].fileName, QStringLiteral("allegato-4"));
    EXPECT_EQ(safeFileName(QString(300, QLatin1Char('a')) + QStringLiteral(".pdf"), 1).size(), 180);
    EXPECT_TRUE(safeFileName(QString(300, QLatin1Char('a')) + QStringLiteral(".pdf"), 1).endsWith(QLatin1String(".pdf")));
    EXPECT_EQ(safeFileName(QStringLiteral("C:\\Documenti\\a<b>.pdf"), 1), QStringLiteral("a_b_.pdf"));

    EXPECT_EQ(plainAddressOf(QStringLiteral("=?utf-8?q?Mario_Ross=C3=AC?= <m.rossi@example.it>")),
              QStringLiteral("m.rossi@example.it"));
    EXPECT_EQ(plainAddressOf(QStringLiteral("m.rossi@example.it (Mario)")), QStringLiteral("m.rossi@example.it"));
    EXPECT_TRUE(plainAddressOf(QStringLiteral("nessun indirizzo")).isEmpty());
}

TEST(Mime, MalformedHugeNestedAndPackedMessagesAreRefusedOrKeptAsBytes)
{
    // Malformed structure: no crash; what can be read is read.
    const ParsedMail open = parsed(simple("Subject: aperto\r\nContent-Type: multipart/mixed; boundary=b\r\n",
                                          "--b\r\nContent-Type: text/plain\r\n\r\ninizio senza fine\r\n--b\r\nContent-"));
    EXPECT_TRUE(open.text.startsWith(QStringLiteral("inizio senza fine")));
    parsed(simple("Subject: x\r\nContent-Type: multipart/mixed\r\n", "nessun confine\r\n"));
    parsed(simple("Subject: x\r\nContent-Type: ///;;;=\"\r\nContent-Transfer-Encoding: base64\r\n", "!!!***\r\n"));
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 131) % 256);
    ParsedMail any;
    QString error;
    parseMail(garbage, &any, &error);
    EXPECT_FALSE(refusal("").isEmpty());

    // A 20 MB attachment: kept whole within the limit, refused past it.
    const QByteArray big(20 << 20, 'Z');
    const QByteArray bigMail = withAttachment("grande.bin", "application/octet-stream", big);
    const ParsedMail kept = parsed(bigMail);
    ASSERT_EQ(kept.attachments.size(), 1);
    EXPECT_TRUE(kept.attachments[0].data == big);
    ParseLimits small;
    small.maxAttachmentBytes = 10 << 20;
    EXPECT_TRUE(refusal(bigMail, small).contains(QStringLiteral("grande.bin")));
    small.maxMessageBytes = 1 << 20;
    EXPECT_TRUE(refusal(bigMail, small).contains(QStringLiteral("supera il limite")));

    // A zip that unpacks to 200 MB stays the 200 KB it is.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import io, sys, zipfile\nb = io.BytesIO()\n"
                                 "with zipfile.ZipFile(b, 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                 "  with z.open('zeri.bin', 'w', force_zip64=True) as f:\n"
                                 "    for _ in range(200): f.write(bytes(1 << 20))\n"
                                 "sys.stdout.buffer.write(b.getvalue())\n")});
    ASSERT_TRUE(python.waitForFinished(60000));
    const QByteArray zip = python.readAllStandardOutput();
    ASSERT_GT(zip.size(), 1000);
    ASSERT_LT(zip.size(), 1 << 20);
    const ParsedMail bomb = parsed(withAttachment("bomba.zip", "application/zip", zip));
    ASSERT_EQ(bomb.attachments.size(), 1);
    EXPECT_EQ(bomb.attachments[0].data, zip);
    EXPECT_EQ(bomb.attachments[0].contentType, QStringLiteral("application/zip"));

    // Nesting: within the limit read; deeper, wider or built to exhaust refused.
    auto nested = [](int levels) {
        QByteArray body = "testo profondo\r\n";
        for (int i = levels; i > 0; --i)
            body = "Content-Type: multipart/mixed; boundary=n" + QByteArray::number(i) + "\r\n\r\n--n"
                   + QByteArray::number(i) + "\r\n" + (i == levels ? "Content-Type: text/plain\r\n\r\n" : "") + body
                   + "\r\n--n" + QByteArray::number(i) + "--\r\n";
        return "From: a@example.it\r\nSubject: annidato\r\n" + body;
    };
    EXPECT_EQ(parsed(nested(6)).text.trimmed(), QStringLiteral("testo profondo"));
    EXPECT_TRUE(refusal(nested(20)).contains(QStringLiteral("livelli")));
    EXPECT_FALSE(refusal(nested(20000)).isEmpty());
    QByteArray wide = "From: a@example.it\r\nContent-Type: multipart/mixed; boundary=w\r\n\r\n";
    for (int i = 0; i < 600; ++i)
        wide += "--w\r\n\r\nx\r\n";
    EXPECT_TRUE(refusal(wide + "--w--\r\n").contains(QStringLiteral("parti")));
    QByteArray flood = "From: a@example.it\r\nContent-Type: multipart/mixed; boundary=w\r\n\r\n";
    for (int i = 0; i < 2000000; ++i)
        flood += "--w\r\n";
    EXPECT_FALSE(refusal(flood).isEmpty());

    // An attached message is an attachment of its own.
    const QByteArray inner = simple("Subject: inoltrato\r\n", "testo interno\r\n");
    const ParsedMail fwd = parsed(simple("Subject: fwd\r\nContent-Type: multipart/mixed; boundary=f\r\n",
                                         "--f\r\nContent-Type: text/plain\r\n\r\nvedi sotto\r\n--f\r\n"
                                         "Content-Type: message/rfc822\r\n\r\n"
                                             + inner + "\r\n--f--\r\n"));
    ASSERT_EQ(fwd.attachments.size(), 1);
    EXPECT_EQ(fwd.attachments[0].fileName, QStringLiteral("inoltrato.eml"));
    EXPECT_EQ(fwd.attachments[0].contentType, QStringLiteral("message/rfc822"));
    EXPECT_EQ(parsed(fwd.attachments[0].data).text.trimmed(), QStringLiteral("testo interno"));
    EXPECT_EQ(fwd.text.trimmed(), QStringLiteral("vedi sotto"));
}

TEST(Mime, CertifiedEnvelopeRegistersTheOriginal)
{
    const QByteArray original =
        "From: Mario Rossi <m.rossi@pec.example.it>\r\nTo: protocollo@pec.comune.example.it\r\n"
        "Subject: =?utf-8?q?Istanza_di_accesso_=E2=80=93_pratica_7?=\r\nMessage-ID: <orig-7@pec.example.it>\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=o\r\n\r\n"
        "--o\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nIn allegato l'istanza.\r\n"
        "--o\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"istanza.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--o--\r\n";
    // The document type is not fetched and the entity not expanded.
    const QByteArray xml = daticert("posta-certificata", "&lt;orig-7@pec.example.it&gt;",
                                    "<!DOCTYPE postacert SYSTEM \"file:///etc/passwd\" "
                                    "[<!ENTITY rubato SYSTEM \"file:///etc/hostname\">]>\n");
    const QByteArray raw = envelope("X-Trasporto: posta-certificata\r\nX-Riferimento-Message-ID: <orig-7@pec.example.it>\r\n",
                                    xml, original);
    const ParsedMail pec = parsed(raw);
    EXPECT_EQ(pec.certified, Certified::Message);
    EXPECT_EQ(pec.certifiedId, QStringLiteral("orig-7@pec.example.it"));
    EXPECT_EQ(pec.daticert, xml);
    EXPECT_EQ(pec.subject, QStringLiteral("POSTA CERTIFICATA: Istanza"));
    for (const MailAttachment &a : pec.attachments)
        EXPECT_NE(a.fileName, QStringLiteral("postacert.eml"));
    ASSERT_TRUE(pec.original);
    EXPECT_EQ(pec.original->fromAddress, QStringLiteral("m.rossi@pec.example.it"));
    EXPECT_EQ(pec.original->fromName, QStringLiteral("Mario Rossi"));
    EXPECT_EQ(pec.original->subject, QStringLiteral("Istanza di accesso – pratica 7"));
    EXPECT_EQ(pec.original->messageId, QStringLiteral("orig-7@pec.example.it"));
    EXPECT_EQ(pec.original->text.trimmed(), QStringLiteral("In allegato l'istanza."));
    ASSERT_EQ(pec.original->attachments.size(), 1);
    EXPECT_EQ(pec.original->attachments[0].fileName, QStringLiteral("istanza.pdf"));
    EXPECT_EQ(pec.original->attachments[0].data, QByteArray("%PDF-1.4\n"));

    // The same attachment name in an ordinary message is just an attachment.
    const ParsedMail plain = parsed(simple("Subject: inoltro\r\nContent-Type: multipart/mixed; boundary=f\r\n",
                                           "--f\r\nContent-Type: message/rfc822; name=postacert.eml\r\n\r\n" + original
                                               + "\r\n--f--\r\n"));
    EXPECT_EQ(plain.certified, Certified::None);
    EXPECT_FALSE(plain.original);
    ASSERT_EQ(plain.attachments.size(), 1);
    EXPECT_EQ(plain.attachments[0].fileName, QStringLiteral("postacert.eml"));
}

TEST(Mime, CertifiedReceiptsNameTheMessageTheyAnswer)
{
    struct Case {
        const char *tipo;
        Certified kind;
    };
    for (const Case c : {Case{"accettazione", Certified::Acceptance}, Case{"avvenuta-consegna", Certified::Delivery},
                         Case{"non-accettazione", Certified::NonAcceptance},
                         Case{"errore-consegna", Certified::NonDelivery},
                         Case{"preavviso-errore-consegna", Certified::NonDelivery},
                         Case{"presa-in-carico", Certified::Other}}) {
        const ParsedMail r = parsed(envelope("X-Ricevuta: " + QByteArray(c.tipo) + "\r\n",
                                             daticert(c.tipo, "&lt;IARRPT.X1@comune.example.it&gt;"), {}));
        EXPECT_EQ(r.certified, c.kind) << c.tipo;
        EXPECT_EQ(r.certifiedId, QStringLiteral("IARRPT.X1@comune.example.it")) << c.tipo;
        EXPECT_FALSE(r.original) << c.tipo;
    }
    // A full delivery receipt carries the message sent, which is read too.
    const ParsedMail full = parsed(envelope("X-Ricevuta: avvenuta-consegna\r\n",
                                            daticert("avvenuta-consegna", "&lt;IARRPT.X1@comune.example.it&gt;"),
                                            simple("Subject: Ricevuta di Email protocollata\r\n", "testo\r\n")));
    EXPECT_EQ(full.certified, Certified::Delivery);
    ASSERT_TRUE(full.original);
    EXPECT_EQ(full.original->subject, QStringLiteral("Ricevuta di Email protocollata"));
    // Without certification data the headers tell.
    const ParsedMail bare = parsed(simple("Subject: ACCETTAZIONE: x\r\nX-Ricevuta: accettazione\r\n"
                                          "X-Riferimento-Message-ID: <IARRPT.X2@comune.example.it>\r\n",
                                          "testo\r\n"));
    EXPECT_EQ(bare.certified, Certified::Acceptance);
    EXPECT_EQ(bare.certifiedId, QStringLiteral("IARRPT.X2@comune.example.it"));
    EXPECT_EQ(parsed(simple("Subject: x\r\n", "testo\r\n")).certified, Certified::None);
}
