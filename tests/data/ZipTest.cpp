// Compression and extraction in place, on real files.

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/Zip.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(ZipTest, EmptyOrMissingFileIsNotTouched)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("vuoto.pdf"));
    writeAll(empty, {});
    for (const QString &path : {empty, dir.filePath(QStringLiteral("assente.pdf")), QString()}) {
        const Zip::Result c = CreaZip(path);
        EXPECT_EQ(c.code, QStringLiteral("1"));
        EXPECT_EQ(c.text, QStringLiteral("Il file selezionato è vuoto"));
        EXPECT_EQ(EsplodiZip(path).text, QStringLiteral("Il file selezionato è vuoto"));
    }
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("assente.pdf"))));
}

TEST(ZipTest, LargeFileRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scansione.tif"));
    // 20 MB: half random (incompressible), half repetitive.
    QByteArray original(20 * 1024 * 1024, '\0');
    QRandomGenerator rng(42);
    rng.fillRange(reinterpret_cast<quint32 *>(original.data()), original.size() / 8);
    for (qsizetype i = original.size() / 2; i < original.size(); ++i)
        original[i] = static_cast<char>('A' + i % 23);
    writeAll(path, original);

    const Zip::Result c = CreaZip(path);
    ASSERT_TRUE(c.ok()) << qPrintable(c.text);
    EXPECT_EQ(c.code, QStringLiteral("0"));
    EXPECT_EQ(c.text, QStringLiteral("Operazione OK"));
    const QByteArray zipped = readAll(path);
    EXPECT_TRUE(zipped.startsWith("PK\x03\x04"));
    EXPECT_LT(zipped.size(), original.size());

    // The archive holds the file under its own name.
    QByteArray viaMemory;
    QString error;
    ASSERT_TRUE(Zip::extractBytes(zipped, &viaMemory, &error)) << qPrintable(error);
    EXPECT_TRUE(viaMemory == original);
    EXPECT_TRUE(zipped.contains("scansione.tif"));

    const Zip::Result e = EsplodiZip(path);
    ASSERT_TRUE(e.ok()) << qPrintable(e.text);
    EXPECT_EQ(e.text, QStringLiteral("Operazione OK"));
    EXPECT_TRUE(readAll(path) == original);
}

TEST(ZipTest, DamagedArchiveFailsAndKeepsTheFile)
{
    QTemporaryDir dir;
    const QString notZip = dir.filePath(QStringLiteral("lettera.txt"));
    writeAll(notZip, "semplice testo, non un archivio");
    const Zip::Result r = EsplodiZip(notZip);
    EXPECT_EQ(r.code, QStringLiteral("-1"));
    EXPECT_TRUE(r.text.startsWith(QStringLiteral("Errore nell'estrazione del file ") + notZip + QStringLiteral(" - ")))
        << qPrintable(r.text);
    EXPECT_EQ(readAll(notZip), QByteArray("semplice testo, non un archivio"));

    // A flipped byte in the compressed data is caught by the entry's CRC,
    // never handed back as the document.
    QByteArray content;
    for (int i = 0; i < 5000; ++i)
        content += QByteArray::number(i * 7919 % 10007) + ' ';
    QByteArray zipped;
    QString error;
    ASSERT_TRUE(Zip::compressBytes(content, QStringLiteral("a.txt"), &zipped, &error));
    const QString damaged = dir.filePath(QStringLiteral("danneggiato.zip"));
    const qsizetype at = zipped.size() / 3;
    zipped[at] = static_cast<char>(zipped.at(at) ^ 0x55);
    writeAll(damaged, zipped);
    EXPECT_EQ(EsplodiZip(damaged).code, QStringLiteral("-1"));
    EXPECT_TRUE(readAll(damaged) == zipped);
}
