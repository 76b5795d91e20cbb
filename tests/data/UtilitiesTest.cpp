// VAT-number check, the adapter text, raw printer output and the cipher of
// stored secrets.

#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "data/Cipher.h"
#include "data/PrtLibrary.h"
#include "data/Utilities.h"
#include "data/modGetMACadr.h"

using Utilities::VatCheck;
using Utilities::checkVatNumber;

TEST(VatNumber, ShortNumbersArePaddedBeforeTheCheck)
{
    // Ten digits are judged as the eleven with a leading zero: the same
    // verdict as the padded form, whatever the ten digits alone would give.
    const VatCheck ten = checkVatNumber(QStringLiteral("1234567890"));
    EXPECT_EQ(ten.number, QStringLiteral("01234567890"));
    EXPECT_EQ(ten.outcome, checkVatNumber(QStringLiteral("01234567890")).outcome);
    EXPECT_EQ(ten.message, QStringLiteral("Partita Iva ERRATA !!!!!!"));
    EXPECT_FALSE(ten.ok());

    const VatCheck good = checkVatNumber(QStringLiteral("1234567897"));
    EXPECT_EQ(good.number, QStringLiteral("01234567897"));
    EXPECT_EQ(good.message, QStringLiteral("Partita Iva ESATTA"));
    EXPECT_TRUE(good.ok());

    EXPECT_EQ(checkVatNumber(QStringLiteral("743110157")).message, QStringLiteral("Partita Iva ESATTA"));
}

TEST(VatNumber, CheckDigitAndShape)
{
    EXPECT_EQ(checkVatNumber(QStringLiteral("00743110157")).outcome, VatCheck::Outcome::Correct);
    EXPECT_EQ(checkVatNumber(QStringLiteral("  00743110157 ")).outcome, VatCheck::Outcome::Correct);
    // Every other last digit is refused.
    for (char d = '0'; d <= '9'; ++d) {
        if (d == '7')
            continue;
        const QString n = QStringLiteral("0074311015") + QLatin1Char(d);
        EXPECT_EQ(checkVatNumber(n).outcome, VatCheck::Outcome::Wrong) << qPrintable(n);
    }
    // A swap of two neighbouring digits changes the check.
    EXPECT_EQ(checkVatNumber(QStringLiteral("07043110157")).outcome, VatCheck::Outcome::Wrong);
    EXPECT_EQ(checkVatNumber(QStringLiteral("00000000000")).outcome, VatCheck::Outcome::Correct);

    const VatCheck twelve = checkVatNumber(QStringLiteral("123456789012"));
    EXPECT_EQ(twelve.outcome, VatCheck::Outcome::WrongLength);
    EXPECT_EQ(twelve.message, QStringLiteral("Attenzione ... Numero cifre P.Iva non corretto !"));
    EXPECT_FALSE(twelve.ok());

    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        const VatCheck empty = checkVatNumber(blank);
        EXPECT_EQ(empty.outcome, VatCheck::Outcome::Empty);
        EXPECT_TRUE(empty.ok());
        EXPECT_TRUE(empty.message.isEmpty());
    }
    // Letters never make a VAT number, even where the arithmetic would agree.
    EXPECT_EQ(checkVatNumber(QStringLiteral("IT743110157")).outcome, VatCheck::Outcome::Wrong);
    EXPECT_EQ(checkVatNumber(QStringLiteral("0074311015A")).outcome, VatCheck::Outcome::Wrong);
}

TEST(AdapterText, Format)
{
    using modGetMACadr::Adapter;
    EXPECT_EQ(modGetMACadr::adapterText({}), QStringLiteral("0 Adapter(s):"));
    EXPECT_EQ(modGetMACadr::adapterText({Adapter{QStringLiteral("eth0"), QStringLiteral("02:fc:0:a:00:01")},
                                         Adapter{QStringLiteral("Scheda di rete"), QStringLiteral("AA:BB")}}),
              QStringLiteral("2 Adapter(s):\r\n[eth0] \r\n\t02-FC-00-0A-00-01"
                             "\r\n[Scheda di rete] \r\n\tAA-BB-00-00-00-00"));
    EXPECT_EQ(modGetMACadr::formatAddress(QString()), QStringLiteral("00-00-00-00-00-00"));
    EXPECT_EQ(modGetMACadr::formatAddress(QStringLiteral("zz:1:123:ff")), QStringLiteral("00-01-00-FF-00-00"));
}

TEST(AdapterText, ThisWorkstation)
{
    const QString text = modGetMACadr::GetMACAddress();
    ASSERT_FALSE(text.isEmpty());
    const QStringList parts = text.split(QStringLiteral("\r\n"));
    const QRegularExpression head(QStringLiteral("^(\\d+) Adapter\\(s\\):$"));
    const QRegularExpressionMatch m = head.match(parts.first());
    ASSERT_TRUE(m.hasMatch()) << qPrintable(text);

    int ethernet = 0;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : all)
        ethernet += i.type() == QNetworkInterface::Ethernet ? 1 : 0;
    EXPECT_EQ(m.captured(1).toInt(), ethernet);
    ASSERT_EQ(parts.size(), 1 + 2 * ethernet);

    const QRegularExpression name(QStringLiteral("^\\[[^\\r\\n]*\\] $"));
    const QRegularExpression address(QStringLiteral("^\\t[0-9A-F]{2}(-[0-9A-F]{2}){5}$"));
    for (int i = 0; i < ethernet; ++i) {
        EXPECT_TRUE(name.match(parts.at(1 + 2 * i)).hasMatch()) << qPrintable(parts.at(1 + 2 * i));
        EXPECT_TRUE(address.match(parts.at(2 + 2 * i)).hasMatch()) << qPrintable(parts.at(2 + 2 * i));
    }
}

TEST(RawPrinter, WritesEachLineUnchangedToAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("etichetta.txt"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("content of an earlier label that must go\r\n");
    }
    PrtLibrary::RawPrinter printer;
    ASSERT_TRUE(printer.open(path));
    EXPECT_TRUE(printer.writeLine(QStringLiteral("N")));
    EXPECT_TRUE(printer.writeLine(QStringLiteral("A10,20,0,4,1,1,N, \"PROTOCOLLO N. 2024/0000123 città\"")));
    EXPECT_TRUE(printer.writeLine(QString()));
    EXPECT_TRUE(printer.writeLine(QStringLiteral("P1")));
    EXPECT_TRUE(printer.close());

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("N\r\nA10,20,0,4,1,1,N, \"PROTOCOLLO N. 2024/0000123 citt\xe0\"\r\n\r\nP1\r\n"));
    EXPECT_FALSE(printer.writeLine(QStringLiteral("after close")));
    EXPECT_EQ(printer.errorCode(), PrtLibrary::NotOpen);
}

TEST(RawPrinter, OutcomeOfTheWholeCall)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.prn"));
    const QVariantList ok = PrtLibrary::printLines(path, {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(ok.value(0).toInt(), 0);
    EXPECT_EQ(QFileInfo(path).size(), 6);

    for (const QString &bad : {QString(), dir.filePath(QStringLiteral("missing/folder/out.prn"))}) {
        const QVariantList r = PrtLibrary::printLines(bad, {QStringLiteral("a")});
        EXPECT_EQ(r.value(0).toInt(), PrtLibrary::OpenFailed);
        EXPECT_EQ(r.value(1).toString(), QStringLiteral("Errore nella apertura della Stampante"));
    }
    EXPECT_EQ(PrtLibrary::devicePath(QStringLiteral("LPT1")), QStringLiteral("/dev/lp0"));
    EXPECT_EQ(PrtLibrary::devicePath(QStringLiteral("com2:")), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(PrtLibrary::devicePath(QStringLiteral(" /dev/usb/lp0 ")), QStringLiteral("/dev/usb/lp0"));
}

TEST(RawPrinter, PortNumbersAreSerialLinesAndAMissingPortIsAFailure)
{
    // "1" is the first serial line, as for the stamping printer, never a file named "1".
    EXPECT_EQ(PrtLibrary::devicePath(QStringLiteral("1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(PrtLibrary::devicePath(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const char *missing : {"99", "/dev/nessuna-stampante"}) {
        const QVariantList r = PrtLibrary::printLines(QString::fromLatin1(missing), {QStringLiteral("N")});
        EXPECT_EQ(r.value(0).toInt(), PrtLibrary::OpenFailed) << missing;
        EXPECT_EQ(r.value(1).toString(), QStringLiteral("Errore nella apertura della Stampante")) << missing;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/dev/nessuna-stampante")));
    QDir::setCurrent(before);

    // A serial line gets the lines byte for byte: no LF turned into CR LF.
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const QVariantList ok = PrtLibrary::printLines(QString::fromLatin1(name), {QStringLiteral("N"), QStringLiteral("P1")});
    EXPECT_EQ(ok.value(0).toInt(), 0) << ok.value(1).toString().toStdString();
    QByteArray got;
    pollfd pfd{master, POLLIN, 0};
    while (got.size() < 7 && poll(&pfd, 1, 3000) > 0) {
        char buf[64];
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    EXPECT_EQ(got, QByteArray("N\r\nP1\r\n"));
    close(slave);
    close(master);
}

TEST(CipherTest, RoundTripAndRefusals)
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("keys/nimbo.key"));
    const QString other = dir.filePath(QStringLiteral("other.key"));
    QString error;
    ASSERT_TRUE(Cipher::createKey(key, &error)) << qPrintable(error);
    ASSERT_TRUE(Cipher::createKey(other, &error)) << qPrintable(error);
    EXPECT_EQ(QFile::permissions(key) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());

    // An existing key is never replaced.
    const QByteArray before = [&] { QFile f(key); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_FALSE(Cipher::createKey(key, &error));
    EXPECT_TRUE(error.contains(key));
    EXPECT_EQ([&] { QFile f(key); f.open(QIODevice::ReadOnly); return f.readAll(); }(), before);

    const QString secret = QStringLiteral("Pàssword d'accesso €");
    const Cipher::Result a = Cipher::encipher(secret, key);
    const Cipher::Result b = Cipher::encipher(secret, key);
    ASSERT_TRUE(a.ok) << qPrintable(a.error);
    EXPECT_FALSE(a.text.contains(QStringLiteral("ssword")));
    EXPECT_NE(a.text, b.text); // a fresh nonce each time
    EXPECT_EQ(Cipher::decipher(a.text, key).text, secret);
    EXPECT_EQ(Cipher::decipher(b.text, key).text, secret);
    EXPECT_TRUE(Cipher::decipher(Cipher::encipher(QString(), key).text, key).ok);

    const Cipher::Result wrongKey = Cipher::decipher(a.text, other);
    EXPECT_FALSE(wrongKey.ok);
    EXPECT_TRUE(wrongKey.text.isEmpty());
    EXPECT_FALSE(wrongKey.error.isEmpty());

    QString altered = a.text;
    altered[altered.size() / 2] = altered.at(altered.size() / 2) == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    EXPECT_FALSE(Cipher::decipher(altered, key).ok);
    EXPECT_FALSE(Cipher::decipher(QStringLiteral("not base64 !!"), key).ok);
    EXPECT_FALSE(Cipher::decipher(QStringLiteral("QUJD"), key).ok);

    EXPECT_FALSE(Cipher::encipher(secret, dir.filePath(QStringLiteral("none.key"))).ok);
    EXPECT_FALSE(Cipher::encipher(secret, QString()).ok);
    const QString bad = dir.filePath(QStringLiteral("bad.key"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0123456789abcdef\n");
    }
    const Cipher::Result shortKey = Cipher::encipher(secret, bad);
    EXPECT_FALSE(shortKey.ok);
    EXPECT_TRUE(shortKey.error.contains(QStringLiteral("non valido")));
}
