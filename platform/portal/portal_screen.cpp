// Captures from the monitors' screen-cast streams of the portal session.
#include "platform/portal/portal_parts.h"

namespace clickwisp {

namespace {

class PortalScreen final : public ScreenSource {
public:
    explicit PortalScreen(std::shared_ptr<PortalDesktopSession> session)
        : m_session(std::move(session))
    {
    }

    ScreenSize screenSize() override
    {
        const PortalStream* primary = primaryStream(m_session->streams());
        return primary ? ScreenSize { primary->width, primary->height } : ScreenSize {};
    }

    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        if (target.width <= 0 || target.height <= 0)
            return true;
        return m_session->capture(left, top, target);
    }

private:
    std::shared_ptr<PortalDesktopSession> m_session;
};

} // namespace

std::unique_ptr<ScreenSource> makePortalSessionScreen(std::shared_ptr<PortalDesktopSession> session)
{
    return std::make_unique<PortalScreen>(std::move(session));
}

} // namespace clickwisp
