#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The program runs these services inside a Qt application; so do the tests (a GUI one, offscreen: the
// printer paints).
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
