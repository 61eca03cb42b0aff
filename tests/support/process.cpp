#include "tests/support/process.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace clickwisp::test {

#ifdef _WIN32

namespace {

// One argument quoted the way the C runtime splits a command line.
std::wstring quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::wstring wide(const std::string& text)
{
    std::wstring out(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size()));
    out.resize(size_t(length));
    return out;
}

void drain(HANDLE pipe, std::string& into)
{
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0)
        into.append(buffer, n);
    CloseHandle(pipe);
}

} // namespace

SpawnedProcess spawnProcess(const std::vector<std::string>&)
{
    throw std::runtime_error("spawnProcess: POSIX only; use runProcess");
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input)
{
    SECURITY_ATTRIBUTES inherit { sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE };
    HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0)
        || !CreatePipe(&errRead, &errWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe failed");
    for (HANDLE own : { inWrite, outRead, errRead })
        SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine;
    for (const auto& argument : argv)
        commandLine += (commandLine.empty() ? L"" : L" ") + quoted(wide(argument));
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process {};
    const BOOL started
        = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    ProcessResult result;
    if (!started) {
        for (HANDLE own : { inWrite, outRead, errRead })
            CloseHandle(own);
        result.err = "cannot start " + argv.front();
        return result;
    }
    std::thread errors([&] { drain(errRead, result.err); });
    DWORD written = 0;
    if (!input.empty())
        WriteFile(inWrite, input.data(), DWORD(input.size()), &written, nullptr);
    CloseHandle(inWrite);
    drain(outRead, result.out);
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = int(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

#else

SpawnedProcess spawnProcess(const std::vector<std::string>& argv)
{
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : { in[0], in[1], out[0], out[1], err[0], err[1] })
            close(fd);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    return { pid, in[1], out[0], err[0] };
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input)
{
    const SpawnedProcess child = spawnProcess(argv);
    if (!input.empty()) {
        ssize_t written = write(child.in, input.data(), input.size());
        (void)written;
    }
    close(child.in);
    ProcessResult result;
    pollfd fds[2] = { { child.out, POLLIN, 0 }, { child.err, POLLIN, 0 } };
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, size_t(n));
            }
        }
    }
    int status = 0;
    waitpid(child.pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

#endif

std::string buildMachinePath(std::string path)
{
#ifdef _WIN32
    // Cross-built and run under Wine: the build machine's / is drive Z:.
    if (path.starts_with('/')) {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
#endif
    return path;
}

std::string cliPath()
{
    return buildMachinePath(CLICKWISP_CLI_PATH);
}

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << "clickwisp-test-" << std::hex << random();
        m_path = std::filesystem::temp_directory_path() / name.str();
        if (std::filesystem::create_directory(m_path))
            return;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

} // namespace clickwisp::test
