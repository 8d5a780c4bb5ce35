#pragma once

#include <memory>

namespace ts {

// Keeps a Qt application object alive for programs without a window (the command-line tool), so the
// image format plugins and settings work. Does nothing when one exists already.
class QtRuntime {
public:
    // paints: the program draws (prints into a PDF), which needs a GUI application, run offscreen.
    QtRuntime(int& argc, char** argv, bool paints = false);
    ~QtRuntime();
    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace ts
