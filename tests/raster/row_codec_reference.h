#pragma once

// A deliberately plain model of the run-length row code, written for clarity rather than speed: the
// tests compare the real codec against it byte for byte.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ts::reference {

inline int Delta2(unsigned field) {
    static constexpr int kValues[4] = {0, 1, -2, -1};
    return kValues[field & 3];
}
inline int Delta3(unsigned field) {
    static constexpr int kValues[8] = {0, 1, 2, 3, -4, -3, -2, -1};
    return kValues[field & 7];
}
inline int Delta4(unsigned field) {
    field &= 15;
    return field < 8 ? static_cast<int>(field) : static_cast<int>(field) - 16;
}

// Decodes one encoded row into exactly rawLength bytes; nullopt when the row is malformed. An empty
// row (length 2) gives an empty vector. The previous byte before the first code is 0.
inline std::optional<std::vector<uint8_t>> Decode(const std::vector<uint8_t>& encoded, size_t rawLength) {
    if (encoded.size() < 2) {
        return std::nullopt;
    }
    const size_t length = static_cast<size_t>(encoded[0]) | static_cast<size_t>(encoded[1]) << 8;
    if (length < 2 || length > encoded.size()) {
        return std::nullopt;
    }
    std::vector<uint8_t> out;
    if (length == 2) {
        return out;
    }
    size_t pos = 2;
    auto next = [&](uint8_t& b) {
        if (pos >= length) {
            return false;
        }
        b = encoded[pos++];
        return true;
    };
    if (rawLength < 4) {
        // Short rows: one code 0x80 | (L - 1) and the L raw bytes.
        uint8_t code = 0;
        if (!next(code) || code != (0x80 | (rawLength - 1)) || length != rawLength + 3) {
            return std::nullopt;
        }
        out.assign(encoded.begin() + 3, encoded.begin() + static_cast<ptrdiff_t>(length));
        return out;
    }
    auto last = [&]() -> int { return out.empty() ? 0 : out.back(); };
    // Delta unit: four running sums from the previous byte, clamped once the unit is complete.
    auto deltaUnit = [&](const int deltas[4]) {
        int value = last();
        int sums[4];
        for (int i = 0; i < 4; ++i) {
            value += deltas[i];
            sums[i] = value;
        }
        for (int s : sums) {
            out.push_back(static_cast<uint8_t>(std::clamp(s, 0, 255)));
        }
    };
    while (pos < length) {
        uint8_t code = 0;
        next(code);
        if (code <= 0x7F) {
            const uint8_t v = static_cast<uint8_t>(last());
            for (int i = 0; i < (code + 1) * 4; ++i) {
                out.push_back(v);
            }
        } else if (code <= 0x9F) {
            for (int i = 0; i < ((code & 0x1F) + 1) * 4; ++i) {
                uint8_t b = 0;
                if (!next(b)) {
                    return std::nullopt;
                }
                out.push_back(b);
            }
        } else if (code <= 0xBC) {
            for (int u = 0; u < (code & 0x1F) + 1; ++u) {
                uint8_t b = 0;
                if (!next(b)) {
                    return std::nullopt;
                }
                int d[4];
                for (int i = 0; i < 4; ++i) {
                    d[i] = Delta2(static_cast<unsigned>(b) >> (2 * i));
                }
                deltaUnit(d);
            }
        } else if (code <= 0xBF) {
            for (int i = 0; i < code - 0xBC; ++i) {
                uint8_t b = 0;
                if (!next(b)) {
                    return std::nullopt;
                }
                out.push_back(b);
            }
        } else if (code <= 0xDF) {
            // 12 bits per unit, taken least significant first across ceil(12 x units / 8) bytes.
            const size_t units = static_cast<size_t>(code & 0x1F) + 1;
            const size_t bytes = (12 * units + 7) / 8;
            std::vector<uint8_t> bits(bytes);
            for (auto& b : bits) {
                if (!next(b)) {
                    return std::nullopt;
                }
            }
            for (size_t u = 0; u < units; ++u) {
                int d[4];
                for (size_t i = 0; i < 4; ++i) {
                    unsigned field = 0;
                    for (size_t k = 0; k < 3; ++k) {
                        const size_t bit = 12 * u + 3 * i + k;
                        field |= static_cast<unsigned>((bits[bit / 8] >> (bit % 8)) & 1) << k;
                    }
                    d[i] = Delta3(field);
                }
                deltaUnit(d);
            }
        } else {
            for (int u = 0; u < (code & 0x1F) + 1; ++u) {
                uint8_t lo = 0;
                uint8_t hi = 0;
                if (!next(lo) || !next(hi)) {
                    return std::nullopt;
                }
                const int d[4] = {Delta4(lo), Delta4(lo >> 4u), Delta4(hi), Delta4(hi >> 4u)};
                deltaUnit(d);
            }
        }
        if (out.size() > rawLength) {
            return std::nullopt;
        }
    }
    if (out.size() != rawLength) {
        return std::nullopt;
    }
    return out;
}

// Encodes following the writer's steps one by one. Returns the encoding, or nullopt when the writer
// gives up for lack of room (room = bytes between the row start and the limit).
inline std::optional<std::vector<uint8_t>> Encode(const std::vector<uint8_t>& raw, size_t room = SIZE_MAX) {
    const size_t rawLength = raw.size();
    std::vector<uint8_t> out(2, 0);
    if (rawLength < 4) {
        out.push_back(static_cast<uint8_t>(0x80 | (rawLength - 1)));
        out.insert(out.end(), raw.begin(), raw.end());
    } else {
        if (room < 11) {
            return std::nullopt;
        }
        const size_t units = rawLength / 4;
        auto appendUnit = [&](size_t u) {
            out.insert(out.end(), raw.begin() + 4 * u, raw.begin() + 4 * u + 4);
        };
        size_t codePos = out.size();
        out.push_back(0x80);
        appendUnit(0);
        bool literal = true;
        int count = 1;
        for (size_t u = 1; u < units; ++u) {
            if (out.size() + 8 >= room) {
                return std::nullopt;
            }
            const uint8_t previous = raw[4 * u - 1];
            const bool repeat = std::all_of(raw.begin() + 4 * u, raw.begin() + 4 * u + 4,
                                            [&](uint8_t b) { return b == previous; });
            if (repeat) {
                if (literal || count == 128) {
                    codePos = out.size();
                    out.push_back(0x00);
                    literal = false;
                    count = 1;
                } else {
                    ++count;
                    out[codePos] = static_cast<uint8_t>(count - 1);
                }
            } else {
                if (literal && count < 32) {
                    ++count;
                    out[codePos] = static_cast<uint8_t>(0x80 | (count - 1));
                } else {
                    codePos = out.size();
                    out.push_back(0x80);
                    literal = true;
                    count = 1;
                }
                appendUnit(u);
            }
        }
        const size_t tail = rawLength % 4;
        if (tail != 0) {
            out.push_back(static_cast<uint8_t>(0xBC + tail));
            out.insert(out.end(), raw.end() - static_cast<ptrdiff_t>(tail), raw.end());
        }
    }
    if (out.size() > room) {
        return std::nullopt;
    }
    out[0] = static_cast<uint8_t>(out.size());
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    return out;
}

} // namespace ts::reference
