// The scanner layer against SANE's own test backend: the device list, pages
// into a multi-page TIFF with one progress call per page, appending pages
// after the existing ones, the settings hook, and a clear message when no
// scanner answers.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/Scanner.h"
#include "support/SaneTestDevice.h"

namespace {

using namespace nimbo;

TEST(Scanner, TestBackendScansPagesIntoOneTiffAndAppends)
{
    test::SaneTestDevice sane;
    QString why;
    const QVector<scanner::Device> list = scanner::devices(&why);
    ASSERT_EQ(list.size(), 1) << why.toStdString();
    EXPECT_EQ(list.first().name, QStringLiteral("test:0"));

    QTemporaryDir dir;
    scanner::ScanRequest r;
    r.file = dir.filePath(QStringLiteral("Prot.tif"));
    r.pages = 2;
    QList<int> progress;
    scanner::ScanResult s = scanner::scan(r, [&](int page) {
        progress.append(page);
        return true;
    });
    ASSERT_TRUE(s.ok) << s.text.toStdString();
    EXPECT_EQ(progress, (QList<int>{1, 2}));
    EXPECT_EQ(s.pagesScanned, 2);
    EXPECT_EQ(scanner::pageCount(r.file), 2);
    const QImage first = scanner::page(r.file, 1);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.width(), 19); // 10 mm at 50 dpi
    EXPECT_TRUE(scanner::page(r.file, 3).isNull());

    // A third page after the two, with the settings dialog asked first.
    bool asked = false;
    scanner::setSetupDialog([&](const scanner::SetupChoices &c, scanner::Settings *chosen) {
        asked = true;
        EXPECT_TRUE(c.modes.contains(QStringLiteral("Gray")));
        EXPECT_TRUE(c.resolutions.contains(100));
        chosen->resolution = 100;
        return true;
    });
    r.pages = 1;
    r.append = true;
    r.showSetup = true;
    s = scanner::scan(r);
    ASSERT_TRUE(s.ok) << s.text.toStdString();
    EXPECT_TRUE(asked);
    EXPECT_EQ(s.pagesInFile, 3);
    EXPECT_EQ(scanner::page(r.file, 1).width(), 19);
    EXPECT_EQ(scanner::page(r.file, 3).width(), 39); // the new page at 100 dpi comes last

    // Cancelling the settings scans nothing and leaves the file alone.
    scanner::setSetupDialog([](const scanner::SetupChoices &, scanner::Settings *) { return false; });
    s = scanner::scan(r);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(scanner::pageCount(r.file), 3);
    scanner::setSetupDialog({});

    // Stopping after the first page of three keeps that page.
    r.append = false;
    r.showSetup = false;
    r.pages = 3;
    s = scanner::scan(r, [](int) { return false; });
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(scanner::pageCount(r.file), 1);
}

TEST(Scanner, NoScannerSaysSoAndWritesNothing)
{
    test::SaneTestDevice none(false);
    QString why;
    EXPECT_TRUE(scanner::devices(&why).isEmpty());
    EXPECT_EQ(why, QString::fromLatin1(scanner::kNoScanner));
    QTemporaryDir dir;
    scanner::ScanRequest r;
    r.file = dir.filePath(QStringLiteral("x.tif"));
    const scanner::ScanResult s = scanner::scan(r);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.text, QString::fromLatin1(scanner::kNoScanner));
    EXPECT_FALSE(QFile::exists(r.file));
}

TEST(Scanner, ImagesBecomeAMultiPageTiff)
{
    QTemporaryDir dir;
    QVector<QImage> pages;
    for (int i = 0; i < 3; ++i) {
        QImage img(40 + i, 30, QImage::Format_Grayscale8);
        img.fill(i * 60);
        pages.append(img);
    }
    QString why;
    const QString file = dir.filePath(QStringLiteral("p.tif"));
    ASSERT_TRUE(scanner::writePages(file, pages, &why)) << why.toStdString();
    EXPECT_EQ(scanner::pageCount(file), 3);
    EXPECT_EQ(scanner::page(file, 2).width(), 41);
    EXPECT_EQ(qGray(scanner::page(file, 3).pixel(5, 5)), 120);
    EXPECT_EQ(scanner::pageCount(dir.filePath(QStringLiteral("none.tif"))), 0);
}

} // namespace
