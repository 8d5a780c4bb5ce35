#include "print/address_list.h"

namespace ts {

bool AddressList::OpenAt(const std::string& path, int32_t index) {
    Close();
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) {
        return false;
    }
    for (int32_t skipped = 0; skipped < index;) {
        const int c = std::fgetc(m_file);
        if (c == EOF) {
            Close();
            return false;
        }
        if (c == '\r') {
            const int next = std::fgetc(m_file);
            if (next == '\n') {
                ++skipped;
            } else if (next == EOF) {
                Close();
                return false;
            } else {
                std::ungetc(next, m_file);
            }
        }
    }
    return true;
}

bool AddressList::ReadText(int32_t n, std::string& out) {
    out.clear();
    if (!m_file || n < 1) {
        return false;
    }
    bool readAny = false;
    for (int32_t field = 0; field < n; ++field) {
        for (;;) {
            const int c = std::fgetc(m_file);
            if (c == EOF) {
                // A last line without its line end still ends its field.
                return readAny && field == n - 1;
            }
            readAny = true;
            if (c == '\t' || c == '\n') {
                break;
            }
            if (c == '\r') {
                const int next = std::fgetc(m_file);
                if (next != '\n' && next != EOF) {
                    std::ungetc(next, m_file);
                }
                break;
            }
            if (c == '"') {
                continue;
            }
            if (out.size() >= kMaxText) {
                return false;
            }
            out.push_back(static_cast<char>(c));
        }
        if (field + 1 < n) {
            out += field == 0 ? ", " : "  ";
            if (out.size() > kMaxText) {
                return false;
            }
        }
    }
    return true;
}

void AddressList::Close() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

} // namespace ts
