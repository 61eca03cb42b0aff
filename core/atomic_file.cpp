#include "core/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clickwisp {

namespace {

// Creates a new, unique file next to path. New files get 0666 less the
// umask; a file that replaces another keeps the other's permissions.
int createTemporary(const std::filesystem::path& path, std::string& name)
{
    static std::atomic<unsigned> counter { 0 };
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    struct stat existing { };
    const bool replacing = stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? (existing.st_mode & 07777) : 0666;
    const std::string prefix = "." + path.filename().string() + "." + std::to_string(getpid()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (folder / (prefix + std::to_string(counter.fetch_add(1)) + ".tmp")).string();
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (replacing)
                fchmod(fd, mode); // the umask may have narrowed it
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

Result<void> WriteFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    std::string temp;
    const int fd = createTemporary(path, temp);
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
