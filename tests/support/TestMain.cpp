#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

// One Qt application for the whole test program; the framework's runtime uses it when one exists.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
