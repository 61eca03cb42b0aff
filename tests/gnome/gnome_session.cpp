#include "tests/gnome/gnome_session.h"

#include <memory>

namespace clickwisp::test {

namespace {
// Function statics: the session is made by another file's static initialiser.
std::unique_ptr<HeadlessGnome>& theDesktop()
{
    static std::unique_ptr<HeadlessGnome> desktop;
    return desktop;
}
HeadlessGnome::Options& theOptions()
{
    static HeadlessGnome::Options options;
    return options;
}
} // namespace

GnomeSession::GnomeSession(HeadlessGnome::Options options)
{
    theOptions() = std::move(options);
}

void GnomeSession::SetUp()
{
    if (HeadlessGnome::installed(theOptions().shell))
        theDesktop() = std::make_unique<HeadlessGnome>(theOptions());
}

void GnomeSession::TearDown()
{
    theDesktop().reset();
}

HeadlessGnome* GnomeSession::desktop()
{
    return theDesktop().get();
}

const HeadlessGnome::Options& GnomeSession::options()
{
    return theOptions();
}

} // namespace clickwisp::test
