#pragma once

// The capabilities of one portal session, each sharing it.
#include "platform/input_injector.h"
#include "platform/portal/portal_session.h"
#include "platform/screen_source.h"
#include "platform/text_target.h"

#include <memory>

namespace clickwisp {

std::unique_ptr<InputInjector> makePortalSessionInput(std::shared_ptr<PortalDesktopSession> session);
std::unique_ptr<TextTarget> makePortalSessionText(std::shared_ptr<PortalDesktopSession> session);
std::unique_ptr<ScreenSource> makePortalSessionScreen(std::shared_ptr<PortalDesktopSession> session);

} // namespace clickwisp
