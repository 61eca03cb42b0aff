// The remote control's request and reply lines.
#include "core/control_protocol.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

TEST(ControlProtocol, EachCommandReadsBackFromItsName)
{
    for (size_t i = 0; i < kControlCommandCount; ++i) {
        const auto command = ControlCommand(i);
        auto parsed = ParseControlRequest(std::string(ControlCommandName(command)) + "\n");
        ASSERT_TRUE(parsed) << parsed.error().message;
        EXPECT_EQ(*parsed, command);
    }
    // A line end written by a Windows tool is accepted.
    EXPECT_EQ(ParseControlRequest("status\r\n").value(), ControlCommand::Status);
}

TEST(ControlProtocol, MalformedRequestsAreRefusedWithTheReason)
{
    auto unknown = ParseControlRequest("start-recording\n");
    ASSERT_FALSE(unknown);
    EXPECT_NE(unknown.error().message.find("unknown command 'start-recording'"), std::string::npos);
    EXPECT_NE(unknown.error().message.find("known: start-record"), std::string::npos);

    const std::pair<std::string, const char*> cases[] = {
        { "status", "without a line end" },
        { "status\nstatus\n", "more than one line" },
        { "sta\x01tus\n", "not printable" },
        { "Status\n", "unknown command 'Status'" },
        { " status\n", "unknown command" },
        { "\n", "unknown command ''" },
    };
    for (const auto& [request, reason] : cases) {
        auto parsed = ParseControlRequest(request);
        ASSERT_FALSE(parsed) << request;
        EXPECT_NE(parsed.error().message.find(reason), std::string::npos) << parsed.error().message;
    }

    // Exactly at the limit it is only unknown; one byte more is too long.
    const std::string atLimit = std::string(kControlMessageLimit - 1, 'a') + "\n";
    EXPECT_NE(ParseControlRequest(atLimit).error().message.find("unknown command 'aaaa"), std::string::npos);
    EXPECT_NE(ParseControlRequest(atLimit + "b").error().message.find("longer than 4096 bytes"), std::string::npos);
}

TEST(ControlProtocol, RepliesAreOneLineAndReadBack)
{
    EXPECT_EQ(OkReply("idle actions=0 list="), "ok idle actions=0 list=\n");
    // A reason with a line end in it cannot end the reply early.
    EXPECT_EQ(ErrorReply("no\ndisplay"), "error no display\n");
    const std::string longReply = OkReply(std::string(10000, 'x'));
    EXPECT_EQ(longReply.size(), kControlMessageLimit);
    EXPECT_EQ(longReply.back(), '\n');

    auto ok = ParseControlReply("ok recording\n");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->ok);
    EXPECT_EQ(ok->text, "recording");
    auto refused = ParseControlReply(ErrorReply("not recording"));
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    EXPECT_EQ(refused->text, "not recording");
    EXPECT_TRUE(ParseControlReply("ok\n").value().ok);

    EXPECT_FALSE(ParseControlReply("ok recording"));
    EXPECT_FALSE(ParseControlReply("okay\n"));
    EXPECT_FALSE(ParseControlReply("errors\n"));
    EXPECT_FALSE(ParseControlReply(""));
}

} // namespace
} // namespace clickwisp
