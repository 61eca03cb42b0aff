// The GNOME cases on mutter alone (--headless --virtual-monitor), US layout (mutter alone has no other).
#include "tests/gnome/gnome_session.h"

namespace {
::testing::Environment* const g_session = ::testing::AddGlobalTestEnvironment(
    new clickwisp::test::GnomeSession({ clickwisp::test::HeadlessGnome::Shell::Mutter, "us", 1920, 1080 }));
} // namespace
