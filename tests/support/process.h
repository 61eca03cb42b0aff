#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

struct ProcessResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// A started program with pipes to its standard input, output and error.
struct SpawnedProcess {
    pid_t pid = -1;
    int in = -1;
    int out = -1;
    int err = -1;
};

// Starts a program with arguments (no shell); throws when no pipe can be made.
SpawnedProcess spawnProcess(const std::vector<std::string>& argv);

// Runs a program with arguments (no shell), optionally feeding input, and
// collects its exit status and output.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = {});

// Path of the clickwisp-cli built alongside the tests.
std::string cliPath();
// A path of the build machine as the tests see it: under Wine its / is drive Z:.
std::string buildMachinePath(std::string path);

// A fresh folder under the system's temporary folder, removed at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

} // namespace clickwisp::test
