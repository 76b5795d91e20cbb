// The checks of a new password are made on the text that is stored.

#include <gtest/gtest.h>

#include "data/Password.h"
#include "startup/LoginRules.h"

namespace {

const QString kTooShort = QStringLiteral("la Password deve essere composta da almeno 8 caratteri ");

TEST(NewPassword, LengthIsJudgedOnTheTextThatIsStored)
{
    // Blanks around a password are not part of what is stored, so they do
    // not make a seven-character password long enough.
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("abcdefg "), QStringLiteral("abcdefg "), {}), kTooShort);
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral(" abcdefg  "), QStringLiteral(" abcdefg  "), {}), kTooShort);
    EXPECT_EQ(Password::normalise(QStringLiteral(" abcdefg  ")).size(), 7);
    // Eight characters after blanks on either side pass, and so does a
    // confirmation typed without them: both store the same password.
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("        comune01"), QStringLiteral("comune01"), {}), QString());
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("comune01  "), QStringLiteral("comune01"), {}), QString());
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("comune01"), QStringLiteral("comune02"), {}),
              QStringLiteral("Password di conferma errata "));
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("   "), QStringLiteral("   "), {}),
              QStringLiteral("Nuova Password non corretta "));

    // The password in use is recognised however it is typed around.
    const QString inUse = Password::hash(QStringLiteral("comune01"));
    ASSERT_FALSE(inUse.isEmpty());
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral(" comune01 "), QStringLiteral(" comune01 "), inUse),
              QStringLiteral("La nuova Password non può essere uguale a quella attualmente in uso."));
}

} // namespace
