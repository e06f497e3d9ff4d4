#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // ctest sets this too; listing the tests at build time does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef QUORVA_SCALE_FACTOR
    qputenv("QT_SCALE_FACTOR", QUORVA_SCALE_FACTOR);  // device pixels per pixel of every screen
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
