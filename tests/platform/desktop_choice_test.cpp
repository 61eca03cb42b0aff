// The start-up choice between the Wayland, KWin, portal and X11 backends, on
// environments made up for each case (no display needed).
#include "desktop/desktop_choice.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

// An environment whose compositor lacks the given protocols (or cannot be
// reached: unreachable set), counting how often it was asked.
struct Session {
    DesktopEnvironment environment(const std::string& wayland, const std::string& x11, const std::string& requested)
    {
        DesktopEnvironment env { wayland, x11, requested, {}, {}, {} };
        env.missingWaylandProtocols = [this]() -> Result<std::vector<std::string>> {
            ++asked;
            if (!unreachable.empty())
                return fail(unreachable);
            return missing;
        };
        env.remoteDesktopPortal = [this]() -> Result<uint32_t> {
            ++portalAsked;
            if (portalVersion == 0)
                return fail("org.freedesktop.DBus.Error.ServiceUnknown");
            return portalVersion;
        };
        return env;
    }
    std::vector<std::string> missing;
    std::string unreachable;
    int asked = 0;
    uint32_t portalVersion = 0; // 0: no portal on the session bus
    int portalAsked = 0;
};

TEST(DesktopChoice, WaylandWhenItsCompositorOffersTheProtocolsElseX11WhenThere)
{
    Session session;
    EXPECT_EQ(chooseBackend(session.environment("wayland-1", ":0", "")), (BackendChoice { "wayland", "" }));
    // X11 alone: the compositor is not asked.
    session.asked = 0;
    EXPECT_EQ(chooseBackend(session.environment("", ":0", "")), (BackendChoice { "x11", "" }));
    EXPECT_EQ(session.asked, 0);

    // A compositor without the wlroots protocols and XWayland beside it: X11, with the reason.
    session.missing = { "zwlr_virtual_pointer_manager_v1", "zwlr_screencopy_manager_v1" };
    auto choice = chooseBackend(session.environment("wayland-0", ":1", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "x11");
    EXPECT_NE(choice->note.find("does not offer zwlr_virtual_pointer_manager_v1, zwlr_screencopy_manager_v1"),
        std::string::npos)
        << choice->note;
    // A compositor without them, no portal and no XWayland: Wayland stays, its
    // capabilities name what is missing.
    choice = chooseBackend(session.environment("wayland-0", "", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "wayland");
    EXPECT_NE(choice->note.find("zwlr_screencopy_manager_v1"), std::string::npos);

    // A compositor that cannot be reached, with X11 there.
    session.unreachable = "cannot connect to the Wayland display 'wayland-9'";
    choice = chooseBackend(session.environment("wayland-9", ":0", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "x11");
    EXPECT_NE(choice->note.find("wayland-9"), std::string::npos);
}

TEST(DesktopChoice, TheOverrideWinsAndAnUnknownValueIsAnError)
{
    Session session;
    session.missing = { "zwlr_screencopy_manager_v1" };
    auto choice = chooseBackend(session.environment("wayland-1", ":0", "wayland"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "wayland");
    choice = chooseBackend(session.environment("wayland-1", "", "x11"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "x11");
    EXPECT_EQ(session.asked, 0);

    choice = chooseBackend(session.environment("", ":0", "portal"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "portal");
    EXPECT_EQ(session.portalAsked, 0);

    choice = chooseBackend(session.environment("wayland-1", ":0", "X11"));
    ASSERT_FALSE(choice.has_value());
    EXPECT_EQ(choice.error().message, "CLICKWISP_BACKEND: 'X11' is not a backend (known: x11, wayland, kwin, portal)");
}

TEST(DesktopChoice, ThePortalServesACompositorWithoutTheWlrootsProtocolsBeforeXWayland)
{
    Session session;
    session.portalVersion = 1;
    // sway: the portal is not asked.
    EXPECT_EQ(chooseBackend(session.environment("wayland-1", ":0", "")), (BackendChoice { "wayland", "" }));
    EXPECT_EQ(session.portalAsked, 0);

    // GNOME 43 (portal version 1): the portal, even with XWayland there, saying the desktop asks each time.
    session.missing = { "zwlr_virtual_pointer_manager_v1" };
    auto choice = chooseBackend(session.environment("wayland-0", ":0", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "portal");
    EXPECT_EQ(choice->note,
        "the desktop asks for permission at each session (its portal, RemoteDesktop version 1, keeps no grant)");
    // A portal that keeps the grant (version 2): nothing to say.
    session.portalVersion = 2;
    EXPECT_EQ(chooseBackend(session.environment("wayland-0", "", "")), (BackendChoice { "portal", "" }));

    // No portal: XWayland, else the plain words of Wayland.
    session.portalVersion = 0;
    choice = chooseBackend(session.environment("wayland-0", ":0", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "x11");
    choice = chooseBackend(session.environment("wayland-0", "", ""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "wayland");

    // KWin that grants its fake input to this program goes before the portal;
    // KWin that does not leaves the session to the portal.
    session.portalVersion = 1;
    session.missing = { "zwlr_virtual_pointer_manager_v1" };
    auto kwin = session.environment("wayland-0", "", "");
    kwin.kwinOffer = [] { return KwinOffer::FakeInput; };
    EXPECT_EQ(chooseBackend(kwin), (BackendChoice { "kwin", "" }));
    kwin.kwinOffer = [] { return KwinOffer::NotToThisProgram; };
    choice = chooseBackend(kwin);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "portal");
    EXPECT_EQ(choice->note,
        "KWin does not let this program use its fake input (no installed .desktop file names it); the desktop asks "
        "for permission at each session (its portal, RemoteDesktop version 1, keeps no grant)");
}

TEST(DesktopChoice, KwinIsForcedByName)
{
    Session session;
    auto choice = chooseBackend(session.environment("wayland-1", ":0", "kwin"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "kwin");
    EXPECT_EQ(session.asked, 0);
}

// KDE Plasma: KWin lacks the wlroots protocols; its own fake input serves
// when KWin grants it to this program, and only then.
TEST(DesktopChoice, KwinWhenItGrantsItsFakeInput)
{
    Session session;
    session.missing = { "zwlr_virtual_pointer_manager_v1" };
    int kwinAsked = 0;
    KwinOffer offer = KwinOffer::FakeInput;
    auto environment = [&](const std::string& x11) {
        auto env = session.environment("wayland-0", x11, "");
        env.kwinOffer = [&] {
            ++kwinAsked;
            return offer;
        };
        return env;
    };
    EXPECT_EQ(chooseBackend(environment("")), (BackendChoice { "kwin", "" }));
    EXPECT_EQ(chooseBackend(environment(":1")), (BackendChoice { "kwin", "" }));

    // KWin without the grant: XWayland where there is one, saying why.
    offer = KwinOffer::NotToThisProgram;
    auto choice = chooseBackend(environment(":1"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "x11");
    EXPECT_NE(choice->note.find("KWin does not let this program use its fake input"), std::string::npos)
        << choice->note;
    choice = chooseBackend(environment(""));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "wayland");

    // A wlroots compositor is not asked about KWin.
    kwinAsked = 0;
    session.missing = {};
    EXPECT_EQ(chooseBackend(environment("")), (BackendChoice { "wayland", "" }));
    EXPECT_EQ(kwinAsked, 0);
}

} // namespace
} // namespace clickwisp
