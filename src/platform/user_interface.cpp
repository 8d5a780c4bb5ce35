#include "platform/user_interface.h"

#include <zlib.h>

#include <cerrno>
#include <iterator>

namespace ts {

namespace {

// Splits at '|', keeping empty pieces.
std::vector<std::string> SplitBars(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        pieces.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) {
            return pieces;
        }
        start = bar + 1;
    }
}

std::vector<std::string> SplitPatterns(const std::string& list) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string pattern = list.substr(start, end - start);
        const size_t first = pattern.find_first_not_of(' ');
        const size_t last = pattern.find_last_not_of(' ');
        if (first != std::string::npos) {
            patterns.push_back(pattern.substr(first, last - first + 1));
        }
        start = end + 1;
    }
    return patterns;
}

} // namespace

std::string EntryDialog::Filtered(const std::string& text) const {
    std::string kept;
    for (const char c : text) {
        if (Accepts(c)) {
            kept += c;
        }
    }
    return kept;
}

std::vector<FileFilter> ParseFileFilters(const std::string& filters) {
    std::vector<FileFilter> result;
    const std::vector<std::string> pieces = SplitBars(filters);
    // The string ends with "||", so the pieces run in pairs until an empty description.
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
        if (pieces[i].empty()) {
            break;
        }
        std::vector<std::string> patterns = SplitPatterns(pieces[i + 1]);
        if (!patterns.empty()) {
            result.push_back(FileFilter{pieces[i], std::move(patterns)});
        }
    }
    return result;
}

FileErrorCause FileErrorCauseFromErrno(int error) {
    switch (error) {
    case 0:
        return FileErrorCause::None;
    case ENOENT:
        return FileErrorCause::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return FileErrorCause::BadPath;
    case EMFILE:
    case ENFILE:
        return FileErrorCause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileErrorCause::AccessDenied;
    case EBADF:
        return FileErrorCause::InvalidFile;
    case ESPIPE:
        return FileErrorCause::BadSeek;
    case EIO:
        return FileErrorCause::HardIO;
    case ETXTBSY:
    case EBUSY:
        return FileErrorCause::SharingViolation;
    case ENOLCK:
    case EDEADLK:
        return FileErrorCause::LockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileErrorCause::DiskFull;
    default:
        return FileErrorCause::Generic;
    }
}

std::string FileErrorText(int32_t cause, const std::string& fileName) {
    static const char* const texts[] = {
        "No error occurred.",
        "An unspecified error occurred.",
        "The file could not be located.",
        "All or part of the path is invalid.",
        "The permitted number of open files was exceeded.",
        "The file could not be accessed.",
        "There was an attempt to use an invalid file handle.",
        "The current working directory cannot be removed.",
        "There are no more directory entries.",
        "There was an error trying to set the file pointer.",
        "There was a hardware error.",
        "SHARE.EXE was not loaded, or a shared region was locked.",
        "There was an attempt to lock a region that was already locked.",
        "The disk is full.",
    };
    std::string text = fileName + "\n";
    if (cause >= 0 && cause < static_cast<int32_t>(std::size(texts))) {
        text += texts[cause];
    }
    return text;
}

void ShowFileError(UserInterface& ui, int32_t cause, const std::string& fileName) {
    ui.MessageBox(FileErrorText(cause, fileName), "Tintsmith Error", MessageIcon::Error, MessageButtons::Ok);
}

std::string ZlibErrorText(int code) {
    switch (code) {
    case Z_STREAM_END:
        return "Z_STREAM_END.";
    case Z_NEED_DICT:
        return "Z_NEED_DICT.";
    case Z_ERRNO:
        return "Z_ERRNO.";
    case Z_STREAM_ERROR:
        return "Z_STREAM_ERROR.";
    case Z_DATA_ERROR:
        return "Z_DATA_ERROR.";
    case Z_MEM_ERROR:
        return "Z_MEM_ERROR.";
    case Z_BUF_ERROR:
        return "Z_BUF_ERROR.";
    case Z_VERSION_ERROR:
        return "Z_VERSION_ERROR.";
    default:
        return "";
    }
}

} // namespace ts
