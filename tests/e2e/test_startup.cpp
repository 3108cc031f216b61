#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

using tw::test::TempDir;
using tw::test::run_tileworld;

TEST(Startup, WithoutConfigurationTheProgramSaysSoAndEndsCleanly) {
    TempDir dir;
    auto r = run_tileworld(dir.path);
    EXPECT_EQ(r.exit_code, 0);
    // The message names the full configuration path, start-up folder first.
    EXPECT_NE(r.err.find("ERROR :  Could not open " + dir.path + "DATA\\ini.txt\n"), std::string::npos)
        << r.err;
}
