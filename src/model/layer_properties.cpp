// The property block of a layer: its small settings as tagged 32-bit words, rebuilt just before a
// drawing is saved and decoded just after it is loaded.
#include "model/image_stack_manager.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ts {

namespace {

enum PropertyTag : uint32_t {
    kTagHeaderValue = 1,
    kTagName = 2,
    kTagCaption = 3,
    kTagBounds = 4,
    kTagLighting = 5,
    kTagScalarPair = 6,
    kTagScale = 7,
    kTagPaper = 8,
};

constexpr uint32_t kLightingWords = 4 + 256;
// The board textures a paper layer can name, numbered from 0.
constexpr int32_t kTextureCount = 27;

// A string as NUL-terminated bytes padded with zeros to whole words: ceil((L + 1) / 4) words.
void PutString(std::vector<uint32_t>& out, uint32_t tag, const std::string& text) {
    const size_t n = (text.size() + 1 + 3) / 4;
    std::vector<uint8_t> bytes(n * 4, 0);
    std::memcpy(bytes.data(), text.data(), text.size());
    out.push_back(tag);
    out.push_back(static_cast<uint32_t>(n));
    for (size_t i = 0; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, bytes.data() + i * 4, 4);
        out.push_back(w);
    }
}

// The text of n words up to its first NUL; a string that fills its words without one ends with them.
std::string GetString(const uint32_t* words, size_t n) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        for (int b = 0; b < 4; ++b) {
            const auto c = static_cast<char>((words[i] >> (8 * b)) & 0xFF);
            if (c == '\0') {
                return text;
            }
            text.push_back(c);
        }
    }
    return text;
}

uint32_t FloatBits(float f) {
    return std::bit_cast<uint32_t>(f);
}

float BitsFloat(uint32_t w) {
    return std::bit_cast<float>(w);
}

} // namespace

void ImageStackManager::PackProperties(LayerObject& layer, int32_t index) const {
    std::vector<uint32_t> out;
    out.reserve(300 + layer.name.size() / 4 + layer.caption.size() / 4);
    out.push_back(kTagHeaderValue);
    out.push_back(static_cast<uint32_t>(layer.headerValues[1]));
    PutString(out, kTagName, layer.name);
    PutString(out, kTagCaption, layer.caption);
    out.insert(out.end(), {kTagBounds, 4, static_cast<uint32_t>(layer.bounds.left),
                           static_cast<uint32_t>(layer.bounds.top), static_cast<uint32_t>(layer.bounds.right),
                           static_cast<uint32_t>(layer.bounds.bottom)});
    out.insert(out.end(),
               {kTagLighting, kLightingWords, layer.highlightColor, layer.shadeColor,
                static_cast<uint32_t>(layer.strength), static_cast<uint32_t>(layer.transitionWidth)});
    out.insert(out.end(), layer.lightingRamp.begin(), layer.lightingRamp.end());
    out.insert(out.end(),
               {kTagScalarPair, 2, static_cast<uint32_t>(layer.scalarInt), FloatBits(layer.scalarFloat)});
    out.push_back(kTagScale);
    out.push_back(8);
    for (double v : layer.scale) {
        out.push_back(FloatBits(static_cast<float>(v)));
    }
    if (index == kPaperIndex) {
        out.insert(out.end(),
                   {kTagPaper, 4, static_cast<uint32_t>(layer.paperTextureIndex),
                    static_cast<uint32_t>(layer.paperAdjust[0]), static_cast<uint32_t>(layer.paperAdjust[1]),
                    static_cast<uint32_t>(layer.paperAdjust[2])});
    }
    layer.properties = std::move(out);
}

// Walks the block tag by tag. Every length is checked against the words present: a section that would
// run past the block ends decoding (false), and so does an unknown tag (true: later tags are unknown to
// this version). What was decoded before stays.
bool ImageStackManager::UnpackProperties(LayerObject& layer, int32_t /*index*/) const {
    const std::vector<uint32_t>& w = layer.properties;
    size_t at = 0;
    while (at < w.size()) {
        const uint32_t tag = w[at];
        if (at + 1 >= w.size()) {
            return false;
        }
        if (tag == kTagHeaderValue) {
            layer.headerValues[1] = static_cast<int32_t>(w[at + 1]);
            at += 2;
            continue;
        }
        if (tag < kTagName || tag > kTagPaper) {
            return true;
        }
        const size_t length = w[at + 1];
        if (length > w.size() - at - 2) {
            return false;
        }
        const uint32_t* body = w.data() + at + 2;
        switch (tag) {
        case kTagName:
            layer.name = GetString(body, length);
            break;
        case kTagCaption:
            layer.caption = GetString(body, length);
            break;
        case kTagBounds:
            if (length >= 4) {
                layer.bounds = Rect{static_cast<int32_t>(body[0]), static_cast<int32_t>(body[1]),
                                    static_cast<int32_t>(body[2]), static_cast<int32_t>(body[3])};
            }
            break;
        case kTagLighting:
            if (length >= kLightingWords) {
                layer.highlightColor = body[0] & 0x00FFFFFF;
                layer.shadeColor = body[1] & 0x00FFFFFF;
                layer.strength = static_cast<int32_t>(body[2]);
                layer.transitionWidth = static_cast<int32_t>(body[3]);
                std::copy(body + 4, body + 4 + 256, layer.lightingRamp.begin());
            }
            break;
        case kTagScalarPair:
            if (length >= 2) {
                layer.scalarInt = static_cast<int32_t>(body[0]);
                layer.scalarFloat = BitsFloat(body[1]);
            }
            break;
        case kTagScale:
            for (size_t i = 0; i < std::min<size_t>(length, layer.scale.size()); ++i) {
                layer.scale[i] = BitsFloat(body[i]);
            }
            break;
        case kTagPaper:
            if (length >= 4) {
                layer.paperTextureIndex = std::clamp(static_cast<int32_t>(body[0]), 0, kTextureCount - 1);
                for (size_t i = 0; i < 3; ++i) {
                    layer.paperAdjust[i] = static_cast<int32_t>(body[1 + i]);
                }
            }
            break;
        default:
            break;
        }
        at += 2 + length;
    }
    return true;
}

} // namespace ts
