// The desktop the GNOME cases run on: its portal's consent dialog is
// answered from the test, and keys typed through the portal arrive in an
// independent client (wev) as the session's layout types them.
#include "tests/gnome/gnome_session.h"
#include "tests/support/consent_answerer.h"
#include "tests/support/wev_log.h"

#include <linux/input-event-codes.h>

namespace clickwisp::test {
namespace {

using namespace std::chrono_literals;

const std::string kPortalClient = std::string(CLICKWISP_SOURCE_DIR) + "/tests/support/portal_client.py";

TEST(GnomeHarness, TheConsentDialogIsSharedAndKeysArriveAsTheLayoutTypesThem)
{
    GNOME_DESKTOP_OR_SKIP();
    HeadlessGnome& desktop = *GnomeSession::desktop();
    auto wev = desktop.spawn({ "stdbuf", "-oL", "wev" });
    ASSERT_TRUE(wev->waitForStdout("configure", 20s)) << wev->out() << wev->err();
    ConsentAnswerer answerer(desktop, ConsentAnswer::Share);
    // Shift+A, the key of Q and the key of 2: "Qaé" on a French keyboard.
    auto client = desktop.spawn(
        { "/usr/bin/python3", kPortalClient, std::to_string(KEY_A) + "+" + std::to_string(KEY_LEFTSHIFT),
            std::to_string(KEY_Q), std::to_string(KEY_2), std::to_string(KEY_ENTER) });
    ASSERT_TRUE(client->waitForStdout("typed", 60s)) << client->out() << client->err() << answerer.problem();
    EXPECT_NE(client->out().find("Start 0 streams 1"), std::string::npos) << client->out();
    EXPECT_EQ(answerer.answered(), 1);
    ASSERT_TRUE(wev->waitForStdout("sym: Return", 10s)) << wev->out();
    const WevLog log(wev->out());
    EXPECT_EQ(log.typed, GnomeSession::options().layout == "fr" ? "Qaé\r" : "Aq2\r");
}

TEST(GnomeHarness, ACancelledDialogIsTheRefusalResponse)
{
    GNOME_DESKTOP_OR_SKIP();
    ConsentAnswerer answerer(*GnomeSession::desktop(), ConsentAnswer::Cancel);
    auto client = GnomeSession::desktop()->spawn({ "/usr/bin/python3", kPortalClient });
    ASSERT_TRUE(client->waitForExit(60s)) << client->out() << client->err();
    EXPECT_NE(client->out().find("Start 1 streams 0"), std::string::npos) << client->out() << client->err();
    EXPECT_EQ(answerer.answered(), 1);
}

} // namespace
} // namespace clickwisp::test
