#include "qtplatform/sane_scanner.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QSpinBox>
#include <QStringList>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include <dirent.h>

namespace ts {

namespace {

// One open device, closed (and any scan cancelled) when it goes.
class Device {
public:
    explicit Device(const std::string& name) {
        if (sane_open(name.c_str(), &m_handle) != SANE_STATUS_GOOD) {
            m_handle = nullptr;
        }
    }
    ~Device() {
        if (m_handle) {
            sane_cancel(m_handle);
            sane_close(m_handle);
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    SANE_Handle Handle() const { return m_handle; }

    // The option of that standard name, active and settable; -1 when there is none.
    int32_t Find(const char* name) const {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
            if (!d) {
                return -1;
            }
            if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap) &&
                SANE_OPTION_IS_SETTABLE(d->cap)) {
                return i;
            }
        }
    }
    const SANE_Option_Descriptor* Describe(int32_t option) const {
        return sane_get_option_descriptor(m_handle, option);
    }

    bool SetString(const char* name, const char* value) {
        const int32_t option = Find(name);
        if (option < 0) {
            return false;
        }
        const SANE_Option_Descriptor* d = Describe(option);
        if (d->type != SANE_TYPE_STRING) {
            return false;
        }
        if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            bool listed = false;
            for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) {
                listed = listed || std::strcmp(*s, value) == 0;
            }
            if (!listed) {
                return false;
            }
        }
        std::vector<char> text(std::max<size_t>(size_t(d->size), std::strlen(value) + 1), 0);
        std::memcpy(text.data(), value, std::strlen(value));
        return sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, text.data(), nullptr) ==
               SANE_STATUS_GOOD;
    }

    // A number option (integer or fixed point), brought into the option's range or onto its nearest
    // listed value; the value the device took in `taken`.
    bool SetNumber(const char* name, double value, double* taken = nullptr) {
        const int32_t option = Find(name);
        if (option < 0) {
            return false;
        }
        const SANE_Option_Descriptor* d = Describe(option);
        const bool fixed = d->type == SANE_TYPE_FIXED;
        if (!fixed && d->type != SANE_TYPE_INT) {
            return false;
        }
        auto read = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : double(w); };
        if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            value = std::clamp(value, read(d->constraint.range->min), read(d->constraint.range->max));
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            const SANE_Word* list = d->constraint.word_list;
            double best = value;
            double distance = -1;
            for (SANE_Word k = 1; k <= list[0]; ++k) {
                const double v = read(list[k]);
                if (distance < 0 || std::abs(v - value) < distance) {
                    distance = std::abs(v - value);
                    best = v;
                }
            }
            value = best;
        }
        SANE_Word word = fixed ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
        if (sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, &word, nullptr) !=
            SANE_STATUS_GOOD) {
            return false;
        }
        if (taken) {
            SANE_Word now = word;
            sane_control_option(m_handle, option, SANE_ACTION_GET_VALUE, &now, nullptr);
            *taken = read(now);
        }
        return true;
    }

private:
    SANE_Handle m_handle = nullptr;
};

// The bytes of the frames of one scan, a channel plane each for three-pass colour.
struct Frames {
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 8;
    int32_t bytesPerLine = 0;
    bool rgb = false;    // single-pass colour: samples R, G, B
    bool planes = false; // three-pass colour
    std::vector<uint8_t> data[3];
};

// Backends that read in a thread of their own stop it with an asynchronous cancel when a scan is
// cancelled. A thread cancelled while it is inside the C library's allocator (setting up its buffers
// at the start of a scan, or freeing them at the end) leaves the allocator locked and the whole program
// hung at its next allocation. So a scan that ends early first waits for the threads that appeared since
// it started to be blocked in the kernel (feeding a full pipe, or waiting for the device), which is
// where the backend's cancel is safe, or to be gone.
std::vector<int> ThreadIds() {
    std::vector<int> ids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) {
            const int id = std::atoi(entry->d_name);
            if (id > 0) {
                ids.push_back(id);
            }
        }
        closedir(dir);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The scheduler's state letter of one of this process's threads; 0 once it is gone.
char ThreadState(int id) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/stat", id);
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        return 0;
    }
    char text[512];
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[length] = 0;
    // "id (name) S ...": the name may hold spaces and brackets, so the state follows the last ')'.
    const char* close = std::strrchr(text, ')');
    return close && close[1] == ' ' ? close[2] : 0;
}

// Taken before a frame starts: when the frame is left before its end, waits for the threads that appeared
// since to settle.
class FrameGuard {
public:
    FrameGuard() : m_before(ThreadIds()) {}
    ~FrameGuard() {
        if (!m_finished) {
            Settle();
        }
    }
    FrameGuard(const FrameGuard&) = delete;
    FrameGuard& operator=(const FrameGuard&) = delete;
    void Finished() { m_finished = true; }

private:
    void Settle() const {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + seconds(2);
        int quietChecks = 0;
        while (quietChecks < 2 && steady_clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(5));
            bool busy = false;
            for (const int id : ThreadIds()) {
                if (!std::binary_search(m_before.begin(), m_before.end(), id)) {
                    const char state = ThreadState(id);
                    busy = busy || state == 'R' || state == 'D';
                }
            }
            quietChecks = busy ? 0 : quietChecks + 1;
        }
    }

    std::vector<int> m_before;
    bool m_finished = false;
};

// One sample of a row as 0..255: 1-bit samples are black when set, 16-bit ones in the host's order.
inline uint8_t Sample(const uint8_t* row, int32_t index, int32_t depth) {
    if (depth == 1) {
        return (row[index >> 3] & (0x80 >> (index & 7))) ? 0 : 255;
    }
    if (depth == 16) {
        uint16_t v = 0;
        std::memcpy(&v, row + size_t(index) * 2, 2);
        return static_cast<uint8_t>(v >> 8);
    }
    return row[index];
}

bool ToImage(const Frames& f, Image24& image) {
    if (f.width <= 0 || f.height <= 0 || !image.Create(f.width, f.height)) {
        return false;
    }
    for (int32_t y = 0; y < f.height; ++y) {
        uint8_t* out = image.Row(y);
        for (int32_t x = 0; x < f.width; ++x, out += 3) {
            uint8_t rgb[3];
            for (int c = 0; c < 3; ++c) {
                if (f.planes) {
                    const uint8_t* row = f.data[c].data() + size_t(y) * size_t(f.bytesPerLine);
                    rgb[c] = Sample(row, x, f.depth);
                } else {
                    const uint8_t* row = f.data[0].data() + size_t(y) * size_t(f.bytesPerLine);
                    rgb[c] = Sample(row, f.rgb ? 3 * x + c : x, f.depth);
                }
            }
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
        }
    }
    return true;
}

} // namespace

SaneScanner::SaneScanner(UserInterface* ui, QWidget* parent) : m_ui(ui), m_parent(parent) {}

SaneScanner::~SaneScanner() {
    if (m_initialised) {
        sane_exit();
    }
}

bool SaneScanner::Init() {
    if (!m_initialised) {
        SANE_Int version = 0;
        m_initialised = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    return m_initialised;
}

std::vector<std::string> SaneScanner::Sources() {
    std::vector<std::string> names;
    const SANE_Device** devices = nullptr;
    if (!Init() || sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices) {
        return names;
    }
    for (const SANE_Device** d = devices; *d; ++d) {
        names.emplace_back((*d)->name);
    }
    return names;
}

bool SaneScanner::SelectSource(const std::string& name) {
    const std::vector<std::string> names = Sources();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        return false;
    }
    m_source = name;
    return true;
}

bool SaneScanner::ChooseSource() {
    const std::vector<std::string> names = Sources();
    if (names.empty()) {
        return false;
    }
    QStringList items;
    int current = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        items << QString::fromStdString(names[i]);
        if (names[i] == m_source) {
            current = static_cast<int>(i);
        }
    }
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(m_parent, "Select Source", "Scanner:", items, current, false, &ok);
    return ok && SelectSource(chosen.toStdString());
}

ScanResult SaneScanner::Acquire(const ScanRequest& request, ProgressMeter* progress) {
    ScanResult result;
    std::string name = m_source;
    if (name.empty()) {
        const std::vector<std::string> names = Sources();
        if (names.empty()) {
            return result;
        }
        name = names.front();
    }
    if (!Init()) {
        return result;
    }
    Device device(name);
    if (!device.Handle()) {
        return result;
    }
    bool threshold = false;
    switch (request.mode) {
    case ScanMode::kColor:
        device.SetString(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_COLOR);
        device.SetNumber(SANE_NAME_BIT_DEPTH, request.depth == 16 ? 16 : 8);
        break;
    case ScanMode::kGray:
        device.SetString(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY);
        device.SetNumber(SANE_NAME_BIT_DEPTH, request.depth == 16 ? 16 : 8);
        break;
    case ScanMode::kLineart:
        // Line art, else one-bit grey, else grey made black and white here.
        if (!device.SetString(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART)) {
            device.SetString(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY);
            double depth = 8;
            threshold = !device.SetNumber(SANE_NAME_BIT_DEPTH, 1, &depth) || depth != 1;
        }
        break;
    }
    double resolution = request.EffectiveResolution();
    if (!device.SetNumber(SANE_NAME_SCAN_RESOLUTION, resolution, &resolution)) {
        resolution = request.EffectiveResolution();
    }
    if (request.HasArea()) {
        device.SetNumber(SANE_NAME_SCAN_TL_X, request.left);
        device.SetNumber(SANE_NAME_SCAN_TL_Y, request.top);
        device.SetNumber(SANE_NAME_SCAN_BR_X, request.left + request.width);
        device.SetNumber(SANE_NAME_SCAN_BR_Y, request.top + request.height);
    }

    Frames frames;
    std::vector<uint8_t> chunk(64 * 1024);
    for (bool last = false; !last;) {
        FrameGuard guard;
        SANE_Status status = sane_start(device.Handle());
        SANE_Parameters p{};
        if (status == SANE_STATUS_GOOD) {
            status = sane_get_parameters(device.Handle(), &p);
        }
        if (status != SANE_STATUS_GOOD) {
            result.outcome = status == SANE_STATUS_CANCELLED ? ScanOutcome::kCancelled : ScanOutcome::kFailed;
            return result;
        }
        last = p.last_frame != 0;
        int channel = 0;
        if (p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE) {
            frames.planes = true;
            channel = p.format == SANE_FRAME_RED ? 0 : p.format == SANE_FRAME_GREEN ? 1 : 2;
        } else if (p.format == SANE_FRAME_RGB) {
            frames.rgb = true;
        } else if (p.format != SANE_FRAME_GRAY) {
            return result;
        }
        if (p.depth != 1 && p.depth != 8 && p.depth != 16) {
            return result;
        }
        frames.width = p.pixels_per_line;
        frames.depth = p.depth;
        frames.bytesPerLine = p.bytes_per_line;
        std::vector<uint8_t>& data = frames.data[channel];
        data.clear();
        if (progress) {
            progress->Start(p.lines > 0 ? p.lines : 100);
        }
        int64_t rowsSeen = 0;
        for (;;) {
            if (m_ui && m_ui->EscapePressed()) {
                // The device cancels the scan as it closes, once the guard has let its threads settle.
                result.outcome = ScanOutcome::kCancelled;
                return result;
            }
            SANE_Int length = 0;
            status = sane_read(device.Handle(), chunk.data(), static_cast<SANE_Int>(chunk.size()), &length);
            if (status == SANE_STATUS_EOF) {
                break;
            }
            if (status != SANE_STATUS_GOOD) {
                result.outcome =
                    status == SANE_STATUS_CANCELLED ? ScanOutcome::kCancelled : ScanOutcome::kFailed;
                return result;
            }
            try {
                data.insert(data.end(), chunk.begin(), chunk.begin() + length);
            } catch (const std::bad_alloc&) {
                return result;
            }
            const int64_t rows = p.bytes_per_line > 0 ? int64_t(data.size()) / p.bytes_per_line : 0;
            for (; progress && rowsSeen < rows; ++rowsSeen) {
                progress->Step();
            }
        }
        guard.Finished();
        if (progress) {
            progress->Finish();
        }
        // An unknown height is what was delivered.
        const int32_t rows =
            p.bytes_per_line > 0 ? static_cast<int32_t>(data.size() / size_t(p.bytes_per_line)) : 0;
        frames.height = frames.height == 0 ? rows : std::min(frames.height, rows);
    }
    if (!ToImage(frames, result.image)) {
        result.image.Clear();
        return result;
    }
    if (threshold) {
        ThresholdToBlackAndWhite(result.image, 128);
    }
    result.outcome = ScanOutcome::kScanned;
    result.resolution = static_cast<int32_t>(std::lround(resolution));
    return result;
}

bool SaneScanner::ChooseCustom(ScanRequest& request) {
    QDialog dialog(m_parent);
    dialog.setWindowTitle("Acquire Custom");
    auto* form = new QFormLayout(&dialog);
    auto* resolution = new QSpinBox(&dialog);
    resolution->setRange(0, 4800);
    resolution->setValue(request.EffectiveResolution());
    resolution->setSpecialValueText("300 (default)");
    auto* mode = new QComboBox(&dialog);
    mode->addItems({"Color", "Gray", "Lineart"});
    mode->setCurrentIndex(static_cast<int>(request.mode));
    form->addRow("Resolution (dpi)", resolution);
    form->addRow("Mode", mode);
    QDoubleSpinBox* area[4];
    const char* labels[4] = {"Left (mm)", "Top (mm)", "Width (mm, 0: all)", "Height (mm, 0: all)"};
    const double values[4] = {request.left, request.top, request.width, request.height};
    for (int i = 0; i < 4; ++i) {
        area[i] = new QDoubleSpinBox(&dialog);
        area[i]->setRange(0, 2000);
        area[i]->setValue(values[i]);
        form->addRow(labels[i], area[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    request.resolution = resolution->value();
    request.mode = static_cast<ScanMode>(mode->currentIndex());
    request.left = area[0]->value();
    request.top = area[1]->value();
    request.width = area[2]->value();
    request.height = area[3]->value();
    return true;
}

} // namespace ts
