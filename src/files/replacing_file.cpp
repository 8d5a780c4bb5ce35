#include "files/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace ts {

namespace {

// The permissions a new file gets: 0666 less the process's umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool ReplacingFile::Open(const std::string& target) {
    Abandon();
    m_error = 0;
    m_target = target;
    std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    m_temporary = name.data();
    struct stat existing {};
    ::fchmod(fd, ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode());
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        m_error = errno;
        ::close(fd);
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return false;
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (!m_file) {
        return false;
    }
    errno = 0;
    bool ok = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    if (!ok) {
        m_error = errno ? errno : EIO;
    }
    if (std::fclose(m_file) != 0 && ok) {
        m_error = errno ? errno : EIO;
        ok = false;
    }
    m_file = nullptr;
    if (ok && ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        m_error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(m_temporary.c_str());
    }
    m_temporary.clear();
    return ok;
}

void ReplacingFile::Abandon() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

} // namespace ts
