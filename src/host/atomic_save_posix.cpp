// Saving a file whole on POSIX systems: a temporary file beside it, flushed to the disk, then
// renamed over the old one, which therefore stays byte for byte until the new one is complete.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "host/ini_file.h"

namespace orvane {

std::string saveFileAtomically(const std::filesystem::path& requested, std::string_view text) {
    std::error_code error;
    // A link to the settings file stays a link: the file it points to is replaced.
    std::filesystem::path path = requested;
    if (std::filesystem::is_symlink(requested, error)) {
        path = std::filesystem::weakly_canonical(requested, error);
        if (error) {
            return error.message();
        }
    }
    // A file its owner made read-only is not replaced behind the owner's back, although the
    // folder would allow the rename.
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        return std::strerror(errno);
    }
    const std::filesystem::path temporary =
        path.parent_path() / ("." + path.filename().string() + ".tmp");
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    if (exists) {
        ::fchmod(fileno(file), existing.st_mode & 07777);
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeError = errno;
    const bool flushed = std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !flushed || !closed) {
        std::remove(temporary.c_str());
        return std::strerror(!written ? writeError : flushError);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        std::remove(temporary.c_str());
        return std::strerror(renameError);
    }
    return {};
}

}  // namespace orvane
