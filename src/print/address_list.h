#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ts {

// The postcard address list: a text file of one address a line, lines ending in CR LF, fields
// separated by TAB; double quotes are ignored.
class AddressList {
public:
    static constexpr size_t kMaxText = 255;

    AddressList() = default;
    ~AddressList() { Close(); }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;

    // Opens the list (closing any previous one) and skips index lines, each of which must end in CR LF.
    // False when the file is missing or ends first.
    bool OpenAt(const std::string& path, int32_t index);
    // Reads a text of n fields: TAB, CR or LF ends a field, a double quote is skipped; with n > 1 the
    // fields are joined by ", " after the first and two blanks after later ones. A CR ending the line
    // takes its LF with it. False (nothing to print) when the text would exceed 255 characters or the
    // file ends before any of it was read.
    bool ReadText(int32_t n, std::string& out);
    void Close();

private:
    std::FILE* m_file = nullptr;
};

} // namespace ts
