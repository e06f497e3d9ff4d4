#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // ctest sets this too; listing the tests at build time does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
