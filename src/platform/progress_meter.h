#pragma once

#include <cstdint>

namespace ts {

// The progress meter that long operations advance once per row, band or page. The real one lives in
// the status bar; operations take a pointer and skip the calls when it is null.
class ProgressMeter {
public:
    virtual ~ProgressMeter() = default;
    virtual void Start(int32_t steps) = 0;
    virtual void Step() = 0;
    virtual void Finish() = 0;
};

// Headless meter for tests and the command-line tool: counts what it was told.
class CountingProgressMeter final : public ProgressMeter {
public:
    void Start(int32_t steps) override {
        m_steps = steps;
        m_done = 0;
        m_running = true;
        ++m_starts;
    }
    void Step() override { ++m_done; }
    void Finish() override { m_running = false; }

    int32_t Steps() const { return m_steps; }
    int32_t Done() const { return m_done; }
    int32_t Starts() const { return m_starts; }
    bool Running() const { return m_running; }

private:
    int32_t m_steps = 0;
    int32_t m_done = 0;
    int32_t m_starts = 0;
    bool m_running = false;
};

} // namespace ts
