#include "PosixFileSystem.h"

#include "ChildDescriptors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sonifix {

namespace {

std::string failure(const std::string& path, int error) {
    return "Couldn’t write “" + path + "”: " + std::strerror(error) + ".";
}

} // namespace

bool PosixFileSystem::hasContent(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

std::optional<std::string> PosixFileSystem::writeAtomically(const std::string& path,
                                                            const std::string& content) {
    std::string scratch = path + ".XXXXXX";
    const int fd = ChildDescriptors::makeTemporaryFile(scratch);
    if (fd < 0) {
        return failure(path, errno);
    }
    const char* next = content.data();
    std::size_t left = content.size();
    int error = 0;
    while (left > 0) {
        const auto written = ::write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        next += written;
        left -= std::size_t(written);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(scratch.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(scratch.c_str());
        return failure(path, error);
    }
    return std::nullopt;
}

} // namespace sonifix
