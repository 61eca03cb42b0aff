// The remote control's named pipe on Windows: what a request does, what is
// refused, who the pipe admits, and that it goes when the program closes.
#include "platform/control_channel.h"

#include "platform/win32/win32_pipe.h"
#include "platform/win32/win32_pipe_security.h"
#include "tests/support/control_channel.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <future>
#include <vector>

namespace clickwisp {
namespace {

using Listener = test::ControlListener;
using test::TempDir;
using test::testControlAddress;

// A client that writes bytes as they are, with no line end added, and
// reads what comes back until the pipe closes or 5 s have passed.
std::string exchangeRaw(const std::filesystem::path& address, const std::string& bytes)
{
    UniqueHandle pipe;
    // The listener may still be finishing the previous connection.
    for (int attempt = 0; attempt < 50 && !pipe; ++attempt) {
        pipe = UniqueHandle(CreateFileW(
            address.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (!pipe && GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeW(address.c_str(), 100);
    }
    if (!pipe)
        return "cannot open: " + std::to_string(GetLastError());
    OverlappedPipe end(pipe.get());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    end.write(bytes, deadline);
    return ReadPipeLine(end, kControlMessageLimit + 1, deadline);
}

TEST(Win32ControlChannel, ARequestReachesTheProgramAndABadOneChangesNothing)
{
    TempDir dir;
    const auto address = testControlAddress(dir);
    Listener listener(address);
    ASSERT_TRUE(listener.ok()) << listener.error();

    EXPECT_EQ(SendControlRequest(address, "start-record").value(), "ok start-record\n");
    EXPECT_EQ(SendControlRequest(address, "stop-run").value(), "ok stop-run\n");
    EXPECT_EQ(exchangeRaw(address, "status\r\n"), "ok status\n") << "a CR before the line end is accepted";

    const std::pair<std::string, const char*> bad[] = {
        { "dance\n", "error unknown command 'dance'; known: start-record" },
        { "status\nstart-run\n", "error more than one line in the request\n" },
        { std::string(5000, 'a') + "\n", "error request longer than 4096 bytes\n" },
        { std::string(4096, 'a') + "\n", "error request longer than 4096 bytes\n" },
        { std::string(4095, 'a') + "\n", "error unknown command 'aaaa" }, // 4096 bytes: within the limit
        { "sta\x01tus\n", "error request with a byte that is not printable text: 'sta?tus'\n" },
        { "status", "error request without a line end: 'status'\n" }, // after the 2 s limit
    };
    for (const auto& [request, reply] : bad) {
        const std::string answer = exchangeRaw(address, request);
        EXPECT_TRUE(answer.starts_with(reply)) << answer;
    }
    // A connection that sends nothing is closed without a reply.
    EXPECT_EQ(exchangeRaw(address, ""), "");
    EXPECT_EQ(listener.received(),
        (std::vector { ControlCommand::StartRecord, ControlCommand::StopRun, ControlCommand::Status }));
}

TEST(Win32ControlChannel, ClientsThatComeTogetherAreAnsweredOneAfterAnother)
{
    TempDir dir;
    const auto address = testControlAddress(dir);
    Listener listener(address);
    ASSERT_TRUE(listener.ok()) << listener.error();
    std::vector<std::future<Result<std::string>>> replies;
    for (int i = 0; i < 6; ++i)
        replies.push_back(std::async(std::launch::async, [&] { return SendControlRequest(address, "status"); }));
    for (auto& reply : replies) {
        auto answer = reply.get();
        EXPECT_EQ(answer ? *answer : answer.error().message, "ok status\n");
    }
    EXPECT_EQ(listener.received().size(), 6u);
}

// The DACL and owner of the pipe at address, as a client reads them back.
struct PipeSecurity {
    std::string owner;
    std::vector<std::string> aces; // "<type> <mask in hex> <SID>"
};

std::string sidText(PSID sid)
{
    return Sid(sid).text();
}

PipeSecurity readBack(const std::filesystem::path& address)
{
    PipeSecurity security;
    UniqueHandle pipe(CreateFileW(address.c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!pipe
        || GetSecurityInfo(pipe.get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
               nullptr, &dacl, nullptr, &descriptor)
            != ERROR_SUCCESS)
        return security;
    security.owner = sidText(owner);
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        GetAce(dacl, i, &ace);
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        char mask[16];
        std::snprintf(mask, sizeof mask, "%08lx", static_cast<unsigned long>(allowed->Mask));
        security.aces.push_back(std::to_string(allowed->Header.AceType) + " " + mask + " "
            + sidText(const_cast<DWORD*>(&allowed->SidStart)));
    }
    LocalFree(descriptor);
    return security;
}

TEST(Win32ControlChannel, ThePipeIsThisUsersAndNamedAfterItsSessionAndASecondListenerIsTold)
{
    const Sid user = CurrentUserSid().value();
    DWORD session = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
    EXPECT_EQ(ControlAddress().string(),
        "\\\\.\\pipe\\clickwisp-" + user.text() + "-" + std::to_string(session) + "-control");

    TempDir dir;
    const auto address = testControlAddress(dir);
    Listener first(address);
    ASSERT_TRUE(first.ok()) << first.error();
    // Owner and the one entry of the DACL: the user may read and write (to
    // send a request and read the reply), and nobody else may do anything.
    const PipeSecurity security = readBack(address);
    EXPECT_EQ(security.owner, user.text());
    char access[16];
    std::snprintf(access, sizeof access, "%08lx", static_cast<unsigned long>(FILE_GENERIC_READ | FILE_GENERIC_WRITE));
    EXPECT_EQ(security.aces,
        std::vector<std::string> { std::to_string(ACCESS_ALLOWED_ACE_TYPE) + " " + access + " " + user.text() });

    Listener second(address);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error(),
        "another Clickwisp program already listens on " + address.string() + "; remote commands go to that program");
    // The first one keeps its pipe and still answers.
    EXPECT_EQ(SendControlRequest(address, "status").value(), "ok status\n");
    EXPECT_EQ(first.received(), std::vector { ControlCommand::Status });
}

// A pipe made under the name by someone else: owned by SYSTEM, which only
// Wine lets an ordinary program set.
UniqueHandle squat(const std::filesystem::path& address)
{
    PSID system = nullptr;
    ConvertStringSidToSidW(L"S-1-5-18", &system);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, system, FALSE);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE); // open to all, so the owner is what tells
    SECURITY_ATTRIBUTES attributes { sizeof(attributes), &descriptor, FALSE };
    UniqueHandle pipe(CreateNamedPipeW(
        address.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, &attributes));
    LocalFree(system);
    return pipe;
}

TEST(Win32ControlChannel, APipeOfAnotherUserIsToldNothingAndNotTakenForTheProgram)
{
    TempDir dir;
    const auto address = testControlAddress(dir);
    UniqueHandle theirs = squat(address);
    if (!theirs)
        GTEST_SKIP() << "this system does not let a program give its pipe another owner";
    auto sent = SendControlRequest(address, "start-record");
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().message,
        "the pipe " + address.string() + " belongs to another user (S-1-5-18), not to this one ("
            + CurrentUserSid()->text() + "): the request was not sent");
    DWORD got = 0;
    char byte;
    EXPECT_FALSE(ReadFile(theirs.get(), &byte, 1, &got, nullptr));
    EXPECT_EQ(got, 0u) << "nothing reached the other user's pipe";

    // The program does not take that pipe for another Clickwisp.
    const std::filesystem::path taken = address.wstring() + L"-taken";
    UniqueHandle alsoTheirs = squat(taken);
    ASSERT_TRUE(alsoTheirs);
    Listener listener(taken);
    ASSERT_FALSE(listener.ok());
    EXPECT_EQ(listener.error(),
        "the pipe " + taken.string() + " belongs to another user (S-1-5-18), not to this one ("
            + CurrentUserSid()->text() + "): this program cannot listen there");
}

TEST(Win32ControlChannel, AClosedListenerLeavesNoPipeAndASilentOrBusyOneTimesOut)
{
    TempDir dir;
    const auto address = testControlAddress(dir);
    {
        Listener listener(address);
        ASSERT_TRUE(listener.ok()) << listener.error();
        // A client that connects and says nothing must not hold up closing.
        UniqueHandle silent(
            CreateFileW(address.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(silent);
        listener.close();
    }
    auto gone = SendControlRequest(address, "status");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().message,
        "no Clickwisp program is listening on " + address.string() + " (start the desktop program first)");

    // A pipe of this user on which nothing answers: the client gives up at its limit.
    const Sid user = CurrentUserSid().value();
    UserOnlySecurity security(user);
    UniqueHandle mute(CreateNamedPipeW(
        address.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, security.attributes()));
    ASSERT_TRUE(mute);
    auto silence = SendControlRequest(address, "status", std::chrono::milliseconds(300));
    ASSERT_FALSE(silence);
    EXPECT_EQ(silence.error().message, "the Clickwisp program on " + address.string() + " gave no reply");
    // Its one instance stays taken by that connection: the next client waits
    // for it within its limit, then says so.
    auto busy = SendControlRequest(address, "status", std::chrono::milliseconds(300));
    ASSERT_FALSE(busy);
    EXPECT_EQ(
        busy.error().message, "the Clickwisp program on " + address.string() + " stayed busy with other requests");
}

} // namespace
} // namespace clickwisp
