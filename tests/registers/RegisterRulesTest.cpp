// The end-date checks of the general register and the text format of its
// archive files.

#include <gtest/gtest.h>

#include "registers/RegisterRules.h"

using namespace nimbo::registers;

namespace {

const QString kNotBeforeToday = QStringLiteral("ATTENZIONE! la data di fine periodo deve essere minore della data corrente!");

TEST(RegisterEndDate, RefusedWhenInvalidBeforeTheStartOrNotBeforeToday)
{
    const QDate today(2026, 3, 10), start(2026, 1, 5);
    EXPECT_EQ(checkEndDate(QDate(), start, today), QStringLiteral("ATTENZIONE! Inserire una data corretta."));
    EXPECT_EQ(checkEndDate(QDate(2026, 1, 4), start, today),
              QStringLiteral("ATTENZIONE! la data di fine periodo non può essere minore della data di inizio periodo!"));
    EXPECT_EQ(checkEndDate(today, start, today), kNotBeforeToday);
    EXPECT_EQ(checkEndDate(today.addDays(1), start, today), kNotBeforeToday);
    // Compared as dates: 09/03 is before 10/03 whatever the text says.
    EXPECT_FALSE(checkEndDate(QDate(2026, 3, 9), start, today));
    EXPECT_FALSE(checkEndDate(start, start, today));
    // A register with nothing in it has no start to be before.
    EXPECT_FALSE(checkEndDate(QDate(2020, 1, 1), QDate(), today));
}

TEST(RegisterArchiveFormat, SeparatorsBreaksBackslashesAndNullsRoundTrip)
{
    const QVector<std::optional<QString>> fields{
        QStringLiteral("20240000001"), QStringLiteral("Richiesta | urgente\nseconda riga\r\nterza"),
        QStringLiteral("C:\\percorso\\N"), std::nullopt, QString(), QStringLiteral("\\|"), QStringLiteral("fine|")};
    const QString line = archiveLine(fields);
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    EXPECT_FALSE(line.contains(QLatin1Char('\r')));
    // Seven fields are seven fields: six unescaped separators.
    int separators = 0;
    for (int i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        separators += line[i] == QLatin1Char('|');
    }
    EXPECT_EQ(separators, 6) << line.toStdString();
    const auto back = readArchiveLine(line);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, fields);
    // Null and the empty text stay apart.
    EXPECT_EQ(archiveLine({std::nullopt, QString()}), QStringLiteral("\\N|"));
}

TEST(RegisterArchiveFormat, MalformedLinesAreRefused)
{
    for (const char *bad : {"a\\", "a\\x|b", "\\Nx|b", "x\\N|b", "a\nb"})
        EXPECT_FALSE(readArchiveLine(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_EQ(readArchiveLine(QString())->size(), 1);
}

TEST(RegisterArchiveFormat, FolderAndFileNamesFollowTheBodyAndEndDate)
{
    EXPECT_EQ(archiveFolder(QStringLiteral("/opt/nimbo"), QStringLiteral("001"), QDate(2026, 2, 3)),
              QStringLiteral("/opt/nimbo/documenti/Appoggio/001_Proto_2026_02_03"));
    EXPECT_EQ(archiveFileName(QStringLiteral("001"), QStringLiteral("Tab_Protocollo"), QDate(2026, 2, 3)),
              QStringLiteral("001_Tab_Protocollo_2026_02_03.txt"));
}

} // namespace
