#include "core/atomic_file.h"

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <string>

namespace clickwisp {

namespace {

// The system's text for an error code of GetLastError, in UTF-8.
std::string errorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' || buffer[length - 1] == L' '))
        --length;
    std::string text;
    if (length > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, int(length), nullptr, 0, nullptr, nullptr);
        text.resize(size_t(size));
        WideCharToMultiByte(CP_UTF8, 0, buffer, int(length), text.data(), size, nullptr, nullptr);
        text += ' ';
    }
    LocalFree(buffer);
    return text + "(error " + std::to_string(code) + ")";
}

// Creates a new, unique file next to path.
HANDLE createTemporary(const std::filesystem::path& path, std::filesystem::path& name)
{
    static std::atomic<unsigned> counter { 0 };
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::wstring prefix = L"." + path.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder / (prefix + std::to_wstring(counter.fetch_add(1)) + L".tmp");
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

Result<void> WriteFileAtomically(
    const std::filesystem::path& path, const std::function<Result<void>(const FilePieceWriter& write)>& produce)
{
    std::filesystem::path temp;
    HANDLE file = createTemporary(path, temp);
    if (file == INVALID_HANDLE_VALUE)
        return fail("cannot write " + path.string() + ": " + errorText(GetLastError()));
    auto abandon = [&](DWORD error) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        DeleteFileW(temp.c_str());
        return fail("cannot write " + path.string() + ": " + errorText(error));
    };
    DWORD writeError = ERROR_SUCCESS;
    const FilePieceWriter write = [&](std::string_view content) {
        size_t done = 0;
        while (writeError == ERROR_SUCCESS && done < content.size()) {
            const DWORD chunk = DWORD(std::min<size_t>(content.size() - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file, content.data() + done, chunk, &written, nullptr))
                writeError = GetLastError();
            done += written;
        }
        return writeError == ERROR_SUCCESS;
    };
    const Result<void> produced = produce(write);
    if (writeError != ERROR_SUCCESS)
        return abandon(writeError);
    if (!produced) {
        CloseHandle(file);
        DeleteFileW(temp.c_str());
        return produced;
    }
    if (!FlushFileBuffers(file))
        return abandon(GetLastError());
    const bool closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed)
        return abandon(GetLastError());
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return abandon(GetLastError());
    return {};
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    // Access rights on Windows are lists that no flag test reads: a file made
    // there (and removed again when closed) is the answer.
    const std::filesystem::path probe = folder / L".clickwisp-write-test.tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

} // namespace clickwisp

#else

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
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

// The file a save replaces: path itself or, for a symbolic link, the file
// the chain of links leads to (which need not exist yet). Nothing for a
// chain that does not end.
std::optional<std::filesystem::path> linkTarget(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info { };
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error)
            return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return std::nullopt;
}

} // namespace

Result<void> WriteFileAtomically(
    const std::filesystem::path& linkPath, const std::function<Result<void>(const FilePieceWriter& write)>& produce)
{
    // Through a link the save lands on its target, and the link stays.
    const std::optional<std::filesystem::path> resolved = linkTarget(linkPath);
    if (!resolved)
        return fail("cannot write " + linkPath.string() + ": " + std::strerror(ELOOP));
    const std::filesystem::path& path = *resolved;
    const std::string named = path == linkPath ? path.string() : linkPath.string() + " (" + path.string() + ")";
    // A file the user made read-only is not replaced behind their back, even
    // where its folder is writable.
    if (struct stat info {}; stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && ((info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0))
        return fail("cannot write " + named + ": the file is read-only");
    std::string temp;
    const int fd = createTemporary(path, temp);
    if (fd < 0)
        return fail("cannot write " + named + ": " + std::strerror(errno));
    auto abandon = [&](int error) {
        close(fd);
        unlink(temp.c_str());
        return fail("cannot write " + named + ": " + std::strerror(error));
    };
    int writeError = 0;
    const FilePieceWriter writer = [&](std::string_view content) {
        size_t done = 0;
        while (writeError == 0 && done < content.size()) {
            const ssize_t n = write(fd, content.data() + done, content.size() - done);
            if (n < 0) {
                if (errno != EINTR)
                    writeError = errno;
                continue;
            }
            done += size_t(n);
        }
        return writeError == 0;
    };
    const Result<void> produced = produce(writer);
    if (writeError != 0)
        return abandon(writeError);
    if (!produced) {
        close(fd);
        unlink(temp.c_str());
        return produced;
    }
    if (fsync(fd) != 0)
        return abandon(errno);
    if (close(fd) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return fail("cannot write " + named + ": " + std::strerror(error));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temp.c_str());
        return fail("cannot write " + named + ": " + std::strerror(error));
    }
    // The rename is on the disk only once its folder is: a power cut could
    // otherwise bring the old file back. A file system that cannot sync a
    // folder has the file's data already.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    if (const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return {};
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    return access(folder.c_str(), W_OK) == 0;
}

} // namespace clickwisp

#endif

namespace clickwisp {

Result<void> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::string_view> pieces)
{
    return WriteFileAtomically(path, [pieces](const FilePieceWriter& write) -> Result<void> {
        for (const std::string_view piece : pieces)
            if (!write(piece))
                break;
        return {};
    });
}

Result<void> WriteFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    return WriteFileAtomically(path, std::span<const std::string_view>(&content, 1));
}

} // namespace clickwisp
