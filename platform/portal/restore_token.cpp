#include "platform/portal/restore_token.h"

#include "core/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace clickwisp {

namespace {
// A token is a short identifier; anything longer is not one of ours.
constexpr size_t kMaxToken = 4096;
} // namespace

std::string RestoreTokenFile::read() const
{
    if (m_path.empty())
        return {};
    std::ifstream in(m_path);
    std::string token;
    if (!std::getline(in, token) || token.size() > kMaxToken)
        return {};
    return token;
}

Result<void> RestoreTokenFile::write(const std::string& token) const
{
    if (m_path.empty())
        return {};
    std::error_code error;
    if (token.empty()) {
        std::filesystem::remove(m_path, error);
        if (error)
            return fail(m_path.string() + ": cannot remove: " + error.message());
        return {};
    }
    std::filesystem::create_directories(m_path.parent_path(), error);
    // The file exists with mode 0600 before the atomic write, which keeps
    // the mode of the file it replaces: the token is never readable by others.
    const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(m_path.string() + ": cannot create: " + std::strerror(errno));
    const bool private_ = fchmod(fd, 0600) == 0;
    close(fd);
    if (!private_)
        return fail(m_path.string() + ": cannot make it private: " + std::strerror(errno));
    return WriteFileAtomically(m_path, token + "\n");
}

} // namespace clickwisp
