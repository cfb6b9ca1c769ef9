// The checker window when its socket module cannot be loaded.
#include <gtest/gtest.h>

#include <QListWidget>
#include <cstdlib>

#include "NewGamesWindow.h"

using namespace parvel::ui;

namespace {

TEST(CheckerWithoutNetwork, SaysSoInTheTitle) {
    // A fresh process: the module is looked for once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("PARVEL_MODULE_DIR", PARVEL_TEST_BINARY_DIR, 1);
            bool ok = false;
            {
                NewGamesWindow form({"127.0.0.1", "web.test", "127.0.0.1"});
                form.Command1_Click();
                ok = form.error() == "Cannot check: the network module is missing" &&
                     !form.fetch().busy() && form.List1->count() == 0;
            }
            std::_Exit(ok ? 0 : 1);  // the test program's application object stays up
        },
        ::testing::ExitedWithCode(0),
        "parvel.catalogue: network module not loaded \\(libparvel_catalogue_net.so not found\\): "
        "cannot check for new games\n");
}

}  // namespace
