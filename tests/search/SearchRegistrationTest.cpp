// Every window of the search library is known to the main window by name.

#include <gtest/gtest.h>

#include "search/Search.h"
#include "ui/WindowRegistry.h"

TEST(SearchRegistration, EveryWindowIsKnownByName)
{
    nimbo::search::registerSearchWindows();
    for (const char *name : {"FrmFiltroRProt", "FrmRicercaProt"})
        EXPECT_TRUE(nimbo::WindowRegistry::contains(QLatin1String(name))) << name;
}
