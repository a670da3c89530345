// Runs the window tests on Qt's offscreen platform with the program's own look and language.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/linux/qt/application_setup.h"

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    talo::qt::prepareApplication(app);  // German texts: the window tests check them
    return RUN_ALL_TESTS();
}
