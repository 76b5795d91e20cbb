// Every window of the links library is known to the main window by name.

#include <gtest/gtest.h>

#include "links/Links.h"
#include "ui/WindowRegistry.h"

TEST(LinksRegistration, EveryWindowIsKnownByName)
{
    nimbo::links::registerLinksWindows();
    for (const char *name : {"FrmCollega", "FrmDetCollegati", "FrmProtPreced", "FrmAltriDest"})
        EXPECT_TRUE(nimbo::WindowRegistry::contains(QLatin1String(name))) << name;
}
