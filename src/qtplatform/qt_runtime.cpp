#include "qtplatform/qt_runtime.h"

#include <QCoreApplication>

namespace ts {

struct QtRuntime::State {
    std::unique_ptr<QCoreApplication> app;
};

QtRuntime::QtRuntime(int& argc, char** argv) : m_state(std::make_unique<State>()) {
    if (!QCoreApplication::instance()) {
        m_state->app = std::make_unique<QCoreApplication>(argc, argv);
    }
}

QtRuntime::~QtRuntime() = default;

} // namespace ts
