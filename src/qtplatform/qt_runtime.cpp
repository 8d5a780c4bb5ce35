#include "qtplatform/qt_runtime.h"

#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace ts {

struct QtRuntime::State {
    std::unique_ptr<QCoreApplication> app;
};

QtRuntime::QtRuntime(int& argc, char** argv, bool paints) : m_state(std::make_unique<State>()) {
    if (QCoreApplication::instance()) {
        return;
    }
    if (!paints) {
        m_state->app = std::make_unique<QCoreApplication>(argc, argv);
        return;
    }
    // Painting (a PDF, postcard text) needs a GUI application; without a window it runs offscreen, so no
    // display is needed. The offscreen platform wants a runtime folder of the user's own.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        struct stat info {};
        if (stat(runtime.c_str(), &info) == 0 && info.st_uid == getuid() && (info.st_mode & 077) == 0) {
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
    }
    m_state->app = std::make_unique<QGuiApplication>(argc, argv);
}

QtRuntime::~QtRuntime() = default;

} // namespace ts
