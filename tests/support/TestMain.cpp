#include "support/TempDir.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// One Qt application for the whole test program; the framework's runtime uses it when one exists.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A runtime folder of its own, where the running Zwojnik is found: test programs run side by side
    // (and the programs they start) must not take each other for the running program.
    testsupport::TempDir runtimeFolder("zwojnik-runtime");
    setenv("XDG_RUNTIME_DIR", runtimeFolder.path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
