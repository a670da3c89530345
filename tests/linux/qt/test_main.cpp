// Runs the window tests on Qt's offscreen platform with the program's own look and language.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/qt/application_setup.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform reports every raise() and size hint it cannot honour; that is noise
// here, everything else still reaches the log.
void quietOffscreenNotices(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    if (defaultHandler != nullptr) {
        defaultHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt warns without a private runtime directory.
    std::string runtime =
        (std::filesystem::temp_directory_path() / "talo-qt-tests-XXXXXX").string();
    if (mkdtemp(runtime.data()) != nullptr) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    defaultHandler = qInstallMessageHandler(quietOffscreenNotices);
    QApplication app(argc, argv);
    if (!talo::qt::prepareApplication(app)) {
        ADD_FAILURE() << "Qt's German translation could not be loaded";
    }
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
