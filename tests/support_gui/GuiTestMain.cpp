// The window test programs' entry: a QApplication on the offscreen platform, then every test.

#include "base/HeadlessEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
