#include "Support/TempHome.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testsupport::TempHome::instance();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
