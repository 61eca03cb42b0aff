#include "ui/qt_screen_source.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cstring>

namespace clickwisp {

ScreenSize QtScreenSource::screenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return ScreenSize { 0, 0 };
    return ScreenSize { screen->geometry().width(), screen->geometry().height() };
}

bool QtScreenSource::capture(int32_t left, int32_t top, const PixelView& target)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    if (target.bytes() > 0)
        std::memset(target.pixels, 0, target.bytes());
    const QPoint origin = screen->geometry().topLeft();
    const QImage image = screen->grabWindow(0, left - origin.x(), top - origin.y(), target.width, target.height)
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return target.width == 0 || target.height == 0;
    // Parts off the screen come back smaller or not at all: they stay black.
    const int width = std::min(image.width(), int(target.width));
    const int height = std::min(image.height(), int(target.height));
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* to = target.row(y);
        for (int x = 0; x < width; ++x) {
            to[3 * x] = uint8_t(qBlue(from[x]));
            to[3 * x + 1] = uint8_t(qGreen(from[x]));
            to[3 * x + 2] = uint8_t(qRed(from[x]));
        }
    }
    return true;
}

} // namespace clickwisp
