// Each window of the history menu items fits the clerk's 1024x768 main
// window with every box labelled and nothing cut.

#include "HistoryFixture.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class HistoryLook : public HistoryTest {};

TEST_P(HistoryLook, EveryWindowFitsTheMainWindow)
{
    if (db().engine() != Dialect::Engine::SQLite)
        GTEST_SKIP() << "the look does not depend on the engine";
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    for (const char *item : {"MnuLogAccessi", "MnuStoOpe", "MnuStorico", "mnustAL", "mnuSTAB", "MnuInformazioni"}) {
        boxes.clear();
        QWidget *w = chooseMenu(main, item);
        ASSERT_NE(w, nullptr) << item;
        expectFitsWithFieldsLabelled(main, w, db().folder() + QLatin1Char('/') + QLatin1String(item) + QStringLiteral(".png"));
        pressToolbar(main, "ESCI");
    }
}

NIMBO_INSTANTIATE_ENGINES(HistoryLook);

} // namespace
