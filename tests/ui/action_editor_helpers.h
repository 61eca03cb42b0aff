#pragma once

// Helpers shared by the action editor's Qt tests.

#include "core/action.h"
#include "screen/bitmap_data.h"
#include "tests/ui/find_child.h"
#include "ui/action_editor.h"
#include "ui/action_editor_frame.h"
#include "ui/typed_fields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTimer>

#include <functional>
#include <sstream>
#include <string>

namespace clickwisp::test {

// The capture timer, running while a capture is under way.
inline QTimer* captureTimer(const QObject* editor)
{
    return child<QTimer>(editor, "timerSetPoint");
}

// Every stored field of an action on one line, so a failed comparison shows
// which field differs.
inline QString dumpAction(const TBaseCtrlEX& a)
{
    std::ostringstream out;
    out << "actionType=" << int(a.actionType) << " mouseButton=" << int(a.mouseButton)
        << " mouseAction=" << int(a.mouseAction) << " mousePoint=" << int(a.mousePoint) << " click=" << a.mouseClickPosX
        << "," << a.mouseClickPosY << " fColor=" << a.fColor << " fColorSimplar=" << a.fColorSimplar << " fBMP=["
        << a.fBMP << "] fBMPSimplar=" << a.fBMPSimplar << " move=" << a.mouseMovePosX << "," << a.mouseMovePosY
        << " key=" << a.key << " keyAction=" << int(a.keyAction) << " typeText=[" << a.typeText << "] delay=" << a.delay
        << " screenType=" << int(a.screenType);
    return QString::fromStdString(out.str());
}

// A 24-bit picture whose pixel (x, y) is colour(x, y), as 0x00RRGGBB.
inline void fillBitmap(
    TBDBitmapData& bitmap, int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour)
{
    bitmap.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int32_t i = 0; i < bitmap.Stride(); ++i)
            row[i] = 0;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            row[3 * x] = uint8_t(c);
            row[3 * x + 1] = uint8_t(c >> 8);
            row[3 * x + 2] = uint8_t(c >> 16);
        }
    }
}

inline std::string bmpBytes(const TBDBitmapData& bitmap)
{
    std::ostringstream out;
    bitmap.SaveToStream(out);
    return std::move(out).str();
}

} // namespace clickwisp::test
