// How a text is typed through the portal on the session's layout, and where
// the grant that spares the next dialog is kept.
#include "platform/portal/portal_text_plan.h"
#include "platform/portal/restore_token.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <sys/stat.h>

namespace clickwisp {
namespace {

TEST(PortalText, EachCharacterGoesAsItsKeyAndThoseWithoutOneAreLeftOut)
{
    const auto fr = KeymapKeys::fromNames("fr");
    ASSERT_TRUE(fr) << fr.error().message;
    const TextPlan plan = PlanText(U"Q\u0436a\u00e9\r\n\u20ac\u0436", **fr);
    const std::vector<KeyStroke> expected { { KEY_A, { KEY_LEFTSHIFT } }, { KEY_Q, {} }, { KEY_2, {} },
        { KEY_ENTER, {} }, { KEY_E, { KEY_RIGHTALT } } };
    EXPECT_EQ(plan.strokes, expected);
    EXPECT_EQ(plan.untyped, U"\u0436\u0436");
}

TEST(PortalGrant, TheTokenIsKeptPrivateReplacedWholeAndRemoved)
{
    test::TempDir dir;
    const RestoreTokenFile file(dir / "settings" / "portal-remote-desktop.token");
    EXPECT_EQ(file.read(), "");
    ASSERT_TRUE(file.write("3f0a-first"));
    EXPECT_EQ(file.read(), "3f0a-first");
    struct stat info { };
    ASSERT_EQ(stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A file someone made readable is made private again before the new token goes in.
    chmod(file.path().c_str(), 0644);
    ASSERT_TRUE(file.write("9b1c-second"));
    EXPECT_EQ(file.read(), "9b1c-second");
    ASSERT_EQ(stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(file.write(""));
    EXPECT_FALSE(std::filesystem::exists(file.path()));
    // No file configured: nothing kept, nothing read.
    EXPECT_TRUE(RestoreTokenFile("").write("x"));
    EXPECT_EQ(RestoreTokenFile("").read(), "");
}

TEST(PortalGrant, AFileThatCannotBeWrittenIsNamed)
{
    test::TempDir dir;
    test::writeFile(dir / "blocker", "not a folder");
    const RestoreTokenFile file(dir / "blocker" / "portal-screen-cast.token");
    auto written = file.write("token");
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().message.find((dir / "blocker").string()), std::string::npos) << written.error().message;
}

} // namespace
} // namespace clickwisp
