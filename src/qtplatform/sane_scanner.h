#pragma once

#include "platform/scanner.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

namespace ts {

// Scanning through SANE: any device libsane finds (SANE_CONFIG_DIR chooses the backends, as for every
// SANE program). The scan sets the device's standard options "mode" (Color, Gray or Lineart; a device
// without Lineart scans Gray and the picture is thresholded at the middle), "resolution" (the nearest
// the device allows), "depth" (8, or 1 for Lineart) and the area "tl-x" .. "br-y"; it reads grey, RGB
// and three-pass frames of depth 1, 8 or 16, of known or unknown height. Esc (polled from the user
// interface) cancels with sane_cancel.
class SaneScanner final : public Scanner {
public:
    explicit SaneScanner(UserInterface* ui = nullptr, QWidget* parent = nullptr);
    ~SaneScanner() override;
    SaneScanner(const SaneScanner&) = delete;
    SaneScanner& operator=(const SaneScanner&) = delete;

    void SetParent(QWidget* parent) { m_parent = parent; }

    std::vector<std::string> Sources() override;
    bool SelectSource(const std::string& name) override;
    std::string Source() const override { return m_source; }
    bool ChooseSource() override;
    ScanResult Acquire(const ScanRequest& request, ProgressMeter* progress) override;
    bool ChooseCustom(ScanRequest& request) override;

private:
    bool Init();

    UserInterface* m_ui;
    QWidget* m_parent;
    std::string m_source;
    bool m_initialised = false;
};

} // namespace ts
