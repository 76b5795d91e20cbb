#include <gtest/gtest.h>

#include "deadlines/Deadlines.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;

TEST(DeadlineWindows, RegisteredUnderTheMenuNames)
{
    deadlines::registerDeadlineWindows();
    for (const char *name : {"FrmScadPratiche", "FrmRinviaScad", "FrmStoricoScadenze", "FrmSollecito", "FrmStampaScad",
                             "FrmScadenzario", "FrmRiepiloghiIter"})
        EXPECT_TRUE(WindowRegistry::contains(QString::fromLatin1(name))) << name;
}
