#include <gtest/gtest.h>

#include "mail/MailAddress.h"

using namespace nimbo::mail;

TEST(MailAddress, PlainAddressesOnlyNothingThatCouldAddARecipientOrAHeader)
{
    for (const char *ok : {"protocollo@asl.example.it", "m.rossi+pec@comune.example.it", "a@b", "ufficio@città.it"})
        EXPECT_TRUE(isPlainAddress(QString::fromUtf8(ok))) << ok;
    for (const char *bad : {"", "@x.it", "a@", "a b@x.it", "a@x.it\r\nBcc: z@y.it", "a@x.it, b@y.it", "<a@x.it>",
                            "a@@x.it", ".a@x.it", "a..b@x.it", "a@x..it", "a@-x.it", "Mario <a@x.it>"})
        EXPECT_FALSE(isPlainAddress(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(isPlainAddress(QString(65, QLatin1Char('a')) + QStringLiteral("@x.it")));
}

TEST(MailAddress, HeaderTextsAndTypedLists)
{
    EXPECT_TRUE(isHeaderSafe(QStringLiteral("Ricevuta di Email protocollata – n. 2026-0000001")));
    EXPECT_FALSE(isHeaderSafe(QStringLiteral("Oggetto\r\nBcc: spia@x.it")));
    EXPECT_FALSE(isHeaderSafe(QStringLiteral("Oggetto\nX")));
    EXPECT_FALSE(isHeaderSafe(QString(QChar(0x2028))));

    QStringList invalid;
    const QStringList list =
        splitAddresses(QStringLiteral(" a@x.it; B@X.IT ,, c@y.it;a@x.it ; rotto@; d@z.it\r\nBcc:e@z.it"), &invalid);
    EXPECT_EQ(list, (QStringList{"a@x.it", "B@X.IT", "c@y.it"}));
    EXPECT_EQ(invalid, (QStringList{"rotto@", "d@z.it\r\nBcc:e@z.it"}));
}
