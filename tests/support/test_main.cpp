// The main of every Windows test exe: runs a child mode when asked, else the tests.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (zv::test::RunChildModeIfRequested(argc, argv, exitCode)) return exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
