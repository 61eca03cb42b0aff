// The remote control's socket: who may connect, what a request does, and the
// command-line tool that sends it.
#include "platform/control_channel.h"

#include "platform/unix/unix_control_channel.h"
#include "tests/support/control_channel.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace clickwisp {
namespace {

using test::cliPath;
using test::runProcess;
using test::TempDir;

// The program side, listening on the socket in folder.
class Listener : public test::ControlListener {
public:
    explicit Listener(const std::filesystem::path& folder)
        : ControlListener(ControlSocketPath(folder))
    {
    }
};

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info { };
    ::lstat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(ControlChannel, ARequestReachesTheProgramAndABadOneChangesNothing)
{
    TempDir dir;
    Listener listener(dir / "clickwisp");
    ASSERT_TRUE(listener.ok()) << listener.error();
    EXPECT_EQ(modeOf(dir / "clickwisp"), 0700u);
    const auto socket = ControlSocketPath(dir / "clickwisp");

    EXPECT_EQ(SendControlRequest(socket, "start-record").value(), "ok start-record\n");
    EXPECT_EQ(SendControlRequest(socket, "stop-run").value(), "ok stop-run\n");

    const std::pair<std::string, const char*> bad[] = {
        { "dance", "error unknown command 'dance'" },
        { "status\nstart-run", "error more than one line" },
        { std::string(5000, 'a'), "error request longer than 4096 bytes" },
    };
    for (const auto& [request, reply] : bad) {
        auto answer = SendControlRequest(socket, request);
        ASSERT_TRUE(answer) << answer.error().message;
        EXPECT_TRUE(answer->starts_with(reply)) << *answer;
    }
    EXPECT_EQ(listener.received(), (std::vector { ControlCommand::StartRecord, ControlCommand::StopRun }));
}

TEST(ControlChannel, OnlyAPrivateFolderOfThisUserIsUsed)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "open");
    ::chmod((dir / "open").c_str(), 0755);
    auto open = PrepareControlFolder(dir / "open");
    ASSERT_FALSE(open);
    EXPECT_NE(open.error().message.find("has mode 755"), std::string::npos) << open.error().message;

    std::filesystem::create_directory(dir / "real");
    ::chmod((dir / "real").c_str(), 0700);
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    auto link = PrepareControlFolder(dir / "link");
    ASSERT_FALSE(link);
    EXPECT_NE(link.error().message.find("is not a folder"), std::string::npos) << link.error().message;

    if (::geteuid() == 0) {
        std::filesystem::create_directory(dir / "theirs");
        ::chmod((dir / "theirs").c_str(), 0700);
        ASSERT_EQ(::chown((dir / "theirs").c_str(), 65534, 65534), 0);
        auto theirs = PrepareControlFolder(dir / "theirs");
        ASSERT_FALSE(theirs);
        EXPECT_NE(theirs.error().message.find("belongs to user 65534"), std::string::npos);
    }
    // Nothing listens in a folder that was refused.
    EXPECT_FALSE(std::filesystem::exists(dir / "open" / "control"));
}

TEST(ControlChannel, ADeadProgramsSocketIsReplacedALiveOneIsReported)
{
    TempDir dir;
    const auto folder = dir / "clickwisp";
    ASSERT_TRUE(PrepareControlFolder(folder));
    // A socket file nobody listens on any more, as a killed program leaves it.
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, ControlSocketPath(folder).c_str());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(std::filesystem::exists(ControlSocketPath(folder)));

    Listener first(folder);
    ASSERT_TRUE(first.ok()) << first.error();
    Listener second(folder);
    ASSERT_FALSE(second.ok());
    EXPECT_NE(second.error().find("another Clickwisp program already listens on " + ControlSocketPath(folder).string()),
        std::string::npos)
        << second.error();
    // The first one keeps its socket and still answers.
    EXPECT_EQ(SendControlRequest(ControlSocketPath(folder), "status").value(), "ok status\n");
    EXPECT_EQ(first.received(), std::vector { ControlCommand::Status });
}

TEST(ControlChannel, TheToolPrintsTheReplyAndSaysWhenNobodyListens)
{
    TempDir dir;
    auto remote = [&](const char* command) {
        return runProcess({ "/usr/bin/env", "XDG_RUNTIME_DIR=" + dir.path().string(), cliPath(), "remote", command });
    };
    auto nobody = remote("status");
    EXPECT_EQ(nobody.status, 5);
    EXPECT_NE(nobody.err.find("no Clickwisp program is listening on " + (dir / "clickwisp/control").string()),
        std::string::npos)
        << nobody.err;

    Listener listener(dir / "clickwisp");
    ASSERT_TRUE(listener.ok()) << listener.error();
    auto status = remote("status");
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out, "status\n");
    auto wrong = remote("dance");
    EXPECT_EQ(wrong.status, 64) << "a command the tool does not know never reaches the program";
    EXPECT_EQ(listener.received(), std::vector { ControlCommand::Status });
}

TEST(ControlChannel, AnotherUserIsRefusedByItsCredentials)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second user";
    TempDir dir;
    Listener listener(dir / "clickwisp");
    ASSERT_TRUE(listener.ok()) << listener.error();
    // Open the way for user 65534, so only the credential check stands
    // between it and the program.
    ::chmod(dir.path().c_str(), 0711);
    ::chmod((dir / "clickwisp").c_str(), 0711);
    ::chmod((dir / "clickwisp/control").c_str(), 0666);
    auto other = runProcess({ "/usr/bin/env", "XDG_RUNTIME_DIR=" + dir.path().string(), "setpriv", "--reuid=65534",
        "--regid=65534", "--clear-groups", cliPath(), "remote", "start-record" });
    EXPECT_EQ(other.status, 4) << other.err;
    EXPECT_NE(other.err.find("refused: this program takes commands only from its own user (0), not from user 65534"),
        std::string::npos)
        << other.err;
    EXPECT_TRUE(listener.received().empty());
}

} // namespace
} // namespace clickwisp
