// The GNOME cases on gnome-shell 43 (headless, logind mocked), French layout.
#include "tests/gnome/gnome_session.h"

namespace {
::testing::Environment* const g_session = ::testing::AddGlobalTestEnvironment(
    new clickwisp::test::GnomeSession({ clickwisp::test::HeadlessGnome::Shell::GnomeShell, "fr", 1920, 1080 }));
} // namespace
