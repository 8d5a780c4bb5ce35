#include "platform/scanner.h"

#include <algorithm>
#include <utility>

namespace ts {

HeadlessScanner::HeadlessScanner() : m_sources{"test:0"} {}

void HeadlessScanner::QueueImage(Image24 image, int32_t resolution) {
    m_queue.push_back(Queued{ScanOutcome::kScanned, std::move(image), resolution});
}

void HeadlessScanner::QueueCancel() {
    m_queue.push_back(Queued{ScanOutcome::kCancelled, Image24{}, 0});
}

void HeadlessScanner::QueueFailure() {
    m_queue.push_back(Queued{ScanOutcome::kFailed, Image24{}, 0});
}

bool HeadlessScanner::SelectSource(const std::string& name) {
    if (std::find(m_sources.begin(), m_sources.end(), name) == m_sources.end()) {
        return false;
    }
    m_source = name;
    return true;
}

bool HeadlessScanner::ChooseSource() {
    if (m_sources.empty()) {
        return false;
    }
    if (m_choices.empty()) {
        return true;
    }
    const std::string name = m_choices.front();
    m_choices.pop_front();
    return !name.empty() && SelectSource(name);
}

ScanResult HeadlessScanner::Acquire(const ScanRequest& request, ProgressMeter* progress) {
    m_requests.push_back(request);
    ScanResult result;
    if (m_sources.empty() || m_queue.empty()) {
        return result;
    }
    Queued next = std::move(m_queue.front());
    m_queue.pop_front();
    result.outcome = next.outcome;
    if (next.outcome != ScanOutcome::kScanned) {
        return result;
    }
    if (progress) {
        progress->Start(next.image.Height());
        for (int32_t y = 0; y < next.image.Height(); ++y) {
            progress->Step();
        }
        progress->Finish();
    }
    result.image = std::move(next.image);
    result.resolution = next.resolution > 0 ? next.resolution : request.EffectiveResolution();
    if (result.image.Empty()) {
        result.outcome = ScanOutcome::kFailed;
    }
    return result;
}

bool HeadlessScanner::ChooseCustom(ScanRequest& request) {
    if (m_custom.empty()) {
        return false;
    }
    request = m_custom.front();
    m_custom.pop_front();
    return true;
}

void ThresholdToBlackAndWhite(Image24& image, int32_t threshold) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x, p += 3) {
            const uint8_t v = ScanBrightness(p[2], p[1], p[0]) < threshold ? 0 : 255;
            p[0] = p[1] = p[2] = v;
        }
    }
}

} // namespace ts
