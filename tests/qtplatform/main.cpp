#include <QCoreApplication>

#include <gtest/gtest.h>

// The program runs these services inside a Qt application; so do the tests.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
