#include <gtest/gtest.h>

#include "corrections/Corrections.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;

// Each correction window is opened by name from the main menu: the names
// must stay those the menu table carries.
TEST(CorrectionWindows, RegisteredUnderTheMenuNames)
{
    corrections::registerCorrectionWindows();
    for (const char *name : {"FrmCancProto", "FrmModifProto", "FrmProtoManuale", "FrmRecuperaProto"})
        EXPECT_TRUE(WindowRegistry::contains(QString::fromLatin1(name))) << name;
}
