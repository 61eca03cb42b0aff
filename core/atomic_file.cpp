#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clickwisp {

Result<void> WriteFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return fail("cannot write " + path.string() + ": " + std::strerror(errno));
    auto abandon = [&](int error) {
        close(fd);
        unlink(temp.c_str());
        return fail("cannot write " + path.string() + ": " + std::strerror(error));
    };
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno);
        }
        done += size_t(n);
    }
    if (fsync(fd) != 0)
        return abandon(errno);
    // mkstemp creates 0600; a saved file gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (close(fd) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return fail("cannot write " + path.string() + ": " + std::strerror(error));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return fail("cannot write " + path.string() + ": " + std::strerror(error));
    }
    return {};
}

} // namespace clickwisp
