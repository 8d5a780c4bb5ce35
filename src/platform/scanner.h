#pragma once

#include "platform/image24.h"
#include "platform/progress_meter.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace ts {

// The colour modes of a scan, by the names scanners give them.
enum class ScanMode { kColor, kGray, kLineart };

// What one scan asks for. A resolution of 0 (or less) counts as 300 dots per inch. The area is in
// millimetres from the top-left corner of the glass; an empty area (width or height 0) is the whole glass.
struct ScanRequest {
    static constexpr int32_t kDefaultResolution = 300;
    int32_t resolution = kDefaultResolution;
    ScanMode mode = ScanMode::kColor;
    // Bits per sample of colour and grey scans where the device lets it be chosen: 8 or 16.
    int32_t depth = 8;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    int32_t EffectiveResolution() const { return resolution > 0 ? resolution : kDefaultResolution; }
    bool HasArea() const { return width > 0 && height > 0; }
};

enum class ScanOutcome { kScanned, kCancelled, kFailed };

// The result of a scan: the image and the resolution the device used (it may round the one asked for).
// A cancelled or failed scan carries no image.
struct ScanResult {
    ScanOutcome outcome = ScanOutcome::kFailed;
    Image24 image;
    int32_t resolution = 0;
};

// A scanner: the devices that can be chosen, the chosen one (kept between scans), and one scan. Scans
// advance the progress meter given (none: silent) and stop when the user cancels.
class Scanner {
public:
    virtual ~Scanner() = default;
    // The names of the devices found; empty when there are none.
    virtual std::vector<std::string> Sources() = 0;
    // Chooses the device by name; false for a name not among Sources().
    virtual bool SelectSource(const std::string& name) = 0;
    // The chosen device; empty for the first one found.
    virtual std::string Source() const = 0;
    // The source dialog: the user picks one of the devices found, kept for the next scans. False when
    // there is none or the dialog was cancelled (the choice then stays).
    virtual bool ChooseSource() = 0;
    virtual ScanResult Acquire(const ScanRequest& request, ProgressMeter* progress) = 0;
    // The custom scan's dialog: resolution, mode and area. True with the request filled in on OK.
    virtual bool ChooseCustom(ScanRequest& request) = 0;
};

// The scanner of tests, scripts and builds without a scanner library: it answers scans from a queue of
// pictures, cancellations and failures, and records what was asked. An empty queue is a failure (no
// device), as is a scan when no source is listed.
class HeadlessScanner final : public Scanner {
public:
    HeadlessScanner();

    // The next scan delivers this picture (at this resolution; 0: the one asked for), or is cancelled,
    // or fails.
    void QueueImage(Image24 image, int32_t resolution = 0);
    void QueueCancel();
    void QueueFailure();
    // The custom dialog's next answer: the request to return, or cancel when none is queued.
    void QueueCustom(const ScanRequest& request) { m_custom.push_back(request); }
    void SetSources(std::vector<std::string> sources) { m_sources = std::move(sources); }
    // The source dialog's next answer (a device name; empty cancels); without one it keeps the choice.
    void QueueSourceChoice(const std::string& name) { m_choices.push_back(name); }

    std::vector<std::string> Sources() override { return m_sources; }
    bool SelectSource(const std::string& name) override;
    std::string Source() const override { return m_source; }
    bool ChooseSource() override;
    ScanResult Acquire(const ScanRequest& request, ProgressMeter* progress) override;
    bool ChooseCustom(ScanRequest& request) override;

    const std::vector<ScanRequest>& Requests() const { return m_requests; }
    size_t Pending() const { return m_queue.size(); }

private:
    struct Queued {
        ScanOutcome outcome;
        Image24 image;
        int32_t resolution;
    };
    std::deque<Queued> m_queue;
    std::deque<ScanRequest> m_custom;
    std::deque<std::string> m_choices;
    std::vector<ScanRequest> m_requests;
    std::vector<std::string> m_sources;
    std::string m_source;
};

// The grey level (0..255) of a colour pixel as scans are judged: (2R + 5G + B) / 8.
inline uint8_t ScanBrightness(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((2 * r + 5 * g + b) / 8);
}

// A picture of black and white only: each pixel black when its brightness is below the threshold, else
// white. The 600 dpi "BW" scan uses it on a grey scan when the device has no line-art mode.
void ThresholdToBlackAndWhite(Image24& image, int32_t threshold);

} // namespace ts
