#include "core/action.h"

#include "core/base64.h"
#include "screen/bitmap_data.h"

#include <spanstream>
#include <sstream>

namespace clickwisp {

TMouseObj::TMouseObj() = default;
TMouseObj::~TMouseObj() = default;

TBDBitmapData* TMouseObj::GetPictureData()
{
    if (!PictureCache && !fBMP.empty()) {
        PictureCache = std::make_unique<TBDBitmapData>();
        // A rejected BMP or Base64 stays an empty 0 x 0 buffer; a BMP cut
        // short keeps its header's size with black for what is missing.
        if (auto bytes = Base64Decode(fBMP)) {
            std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
            PictureCache->LoadFromStream(stream);
        }
    }
    return PictureCache.get();
}

void TMouseObj::ResetPictureCache()
{
    PictureCache.reset();
}

std::unique_ptr<TBaseCtrlEX> TBaseCtrlEX::Create()
{
    return std::make_unique<TBaseCtrlEX>();
}

std::unique_ptr<TBaseCtrlEX> TBaseCtrlEX::CreateFromEvent(const EVENTMSG& event)
{
    auto action = Create();
    auto click = [&](uint8_t button, uint8_t kind) {
        action->actionType = atClick;
        action->mousePoint = cpFixed;
        action->mouseClickPosX = int32_t(event.paramL);
        action->mouseClickPosY = int32_t(event.paramH);
        action->mouseButton = button;
        action->mouseAction = kind;
    };
    switch (event.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        action->actionType = atKey;
        action->key = int32_t(event.paramL & 0xFF);
        action->keyAction = kaDown;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        action->actionType = atKey;
        action->key = int32_t(event.paramL & 0xFF);
        action->keyAction = kaUp;
        break;
    case WM_LBUTTONDOWN: click(abLeft, maButtonDown); break;
    case WM_LBUTTONUP: click(abLeft, maButtonUp); break;
    case WM_RBUTTONDOWN: click(abRight, maButtonDown); break;
    case WM_RBUTTONUP: click(abRight, maButtonUp); break;
    case WM_MBUTTONDOWN: click(abMiddle, maButtonDown); break;
    case WM_MBUTTONUP: click(abMiddle, maButtonUp); break;
    case WM_MOUSEWHEEL: click(abMiddle, maWheel); break;
    case WM_MOUSEMOVE:
        action->actionType = atMove;
        action->mouseMovePosX = int32_t(event.paramL);
        action->mouseMovePosY = int32_t(event.paramH);
        break;
    default: break;
    }
    return action;
}

std::unique_ptr<TBaseCtrlEX> TBaseCtrlEX::CreateDelay(int32_t ms)
{
    auto action = Create();
    action->actionType = atDelay;
    action->delay = ms;
    return action;
}

} // namespace clickwisp
