#include "conversions/StartupSettings.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // As in the program: locale, floating-point mode and code page before anything else.
    InitializeStartupSettings();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
