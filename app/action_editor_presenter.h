#pragma once

#include "app/number_field.h"
#include "app/target_check.h"
#include "core/action.h"
#include "core/error.h"
#include "core/geometry.h"
#include "screen/bitmap_data.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace clickwisp {

class ScreenSource;

// The action editor without a toolkit: its fields as plain texts and
// choices, the rules that enable and show its parts, checking and saving,
// and the pointer and colour capture. A view copies its controls into
// ActionEditorFields and back, and draws what EditorLayout says.

// The editor's text fields; the number fields come first, in saving order.
enum class EditorText {
    ClickX, // edPX
    ClickY, // edPY
    ColourSimilarity, // edSimilar
    PictureSimilarity, // edBMPSimilar
    MoveX, // edMoveX
    MoveY, // edMoveY
    DelayHours, // edIntHour
    DelayMinutes, // edIntMin
    DelaySeconds, // edIntSec
    DelayTenths, // edIntTen
    DelayHundredths, // edIntHun
    DelayThousandths, // edIntThd
    Colour, // edColor
    TypedText, // edText
};
inline constexpr size_t kEditorNumberCount = 12;
inline constexpr size_t kEditorTextCount = 14;

// Everything the controls hold. A choice is an index into its list (the
// type and click point radio buttons, the button, click kind, key and key
// action lists), -1 when nothing is chosen.
struct ActionEditorFields {
    int type = 0;
    int button = 0;
    int clickKind = 0;
    int clickPoint = 0;
    int key = 0; // index into EditorKeyList()
    int keyAction = 0;
    // A new action's texts: a click where the pointer is, a one-second delay.
    std::array<std::string, kEditorTextCount> texts { "1000", "600", "100", "100", "1000", "600", "0", "0", "1", "0",
        "0", "0", "clBlack", "" };
    std::string picture; // the picture as the action stores it (Base64 of a BMP)

    std::string& text(EditorText which) { return texts[size_t(which)]; }
    const std::string& text(EditorText which) const { return texts[size_t(which)]; }
};

// How a text field takes what the user types, and its arrows.
struct EditorFieldRule {
    bool digitsOnly = false; // only "0" to "9" can be typed
    int maxLength = 0; // at most this many characters typed; 0: any number
    std::optional<NumberRange> arrows; // none: the field has no arrows
};
// Text set by the program is never cut or refused, so a stored value that is
// longer or negative shows as it is and survives a round trip.
EditorFieldRule FieldRuleOf(EditorText which);

// The picture file prompt's filter and default extension.
inline constexpr const char* kPictureFileFilter = "BMP File|*.bmp";
inline constexpr const char* kPictureFileExtension = ".bmp";
// Shown in place of a stored picture that cannot be decoded.
inline constexpr const char* kUnreadablePicture = "The stored picture cannot be read.";
// The tips of the picture ("3 x 2 pixels") and of a colour swatch that has
// no colour to show for colourText.
std::string PictureSizeTip(int32_t width, int32_t height);
std::string NoColourTip(const std::string& colourText);

// The entries of the key list, in the order shown: codes 48 to 256, then 1 to
// 47, each that has a name.
struct KeyChoice {
    int code;
    std::string name;
};
const std::vector<KeyChoice>& EditorKeyList();

// Which parts are usable: each type's panel (click, move, key, text, delay)
// with its radio button, and the target group of the click point (fixed
// point, colour, picture) shown, its capture or load button enabled, only
// when that point is chosen.
struct EditorLayout {
    std::array<bool, 5> panels {};
    std::array<bool, 3> targets {};
};
EditorLayout LayoutFor(const ActionEditorFields& fields);

// Every field of action. Values off a list select nothing (-1); the delay is
// split into hours, minutes, seconds, tenths, hundredths and thousandths by
// truncating division, so a negative delay gives negative parts.
ActionEditorFields FieldsFromAction(const TBaseCtrlEX& action);

// A field whose text does not convert, with the message naming it.
struct FieldProblem {
    EditorText field;
    std::string message;
};
// The first field, in saving order, that SaveFields would refuse.
std::optional<FieldProblem> FindInvalidField(const ActionEditorFields& fields);

// Checks every field first; on an invalid one returns its message and leaves
// action untouched. Otherwise writes every field whatever the type; a choice
// of -1 keeps the action's value.
Result<void> SaveFields(const ActionEditorFields& fields, TBaseCtrlEX& action);

// The stored 24-bit BMP decoded for display as playback decodes it (one cut
// short keeps its size); null when there is none or it cannot be read.
std::unique_ptr<TBDBitmapData> PictureForDisplay(const std::string& pictureText);
// The picture text of a width x height picture read from path; fillRow(y,
// row) writes row y (top first) as 3 bytes a pixel, blue first. The errors
// name path.
Result<std::string> PictureTextFromRows(
    const std::string& path, int32_t width, int32_t height, const std::function<void(int32_t, uint8_t*)>& fillRow);

// The colour under point as the colour capture reads it (0x00BBGGRR), or
// nothing when screen cannot read it.
std::optional<uint32_t> ReadScreenColour(ScreenSource& screen, ScreenPoint point);

// A picture as a toolkit decoded it: its size and a writer of its rows as
// PictureTextFromRows takes them.
struct DecodedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::function<void(int32_t, uint8_t*)> fillRow;
};
// The picture text of the picture file at path (UTF-8), read by decode,
// which gives the reason when it cannot. Errors: "The file does not exist.",
// "<path> is not a readable picture: <reason>", or a picture too large.
Result<std::string> PictureTextFromFile(
    const std::string& path, const std::function<Result<DecodedPicture>(const std::string& path)>& decode);

// The "Test" of the colour target (picture false) or the picture target with
// the fields as they are, searched as a click would search it. The dialog
// first moves out of sight for kTargetTestHideMs; the place found is marked
// for kTargetTestMarkMs. Errors: an invalid field, no picture loaded, a
// colour text that does not convert, a failed capture.
Result<TargetCheck> CheckEditorTarget(ScreenSource& screen, const ActionEditorFields& fields, bool picture);
inline constexpr int kTargetTestHideMs = 200;
inline constexpr int kTargetTestMarkMs = 1500;

// The capture: while on, a timer ticks every kTickMs and each tick copies
// the pointer into the click point (for a click) or the move point (any
// other type), or the colour under it into the colour text. A point capture
// wins when both are on.
// Where the pointer's position cannot be read (Wayland), there is no timer:
// a full-screen overlay showing kPointPickHint waits for one click, whose
// point is taken as one tick (pick), and Esc cancels.
inline constexpr const char* kPointPickHint = "Click the point to capture; Esc cancels";
class EditorCapture {
public:
    static constexpr int kTickMs = 10;

    // Whether the pointer's position can be read; true unless told.
    void setPointerReadable(bool readable) { m_pointerReadable = readable; }
    // A running capture follows the pointer on a timer, or waits for a click
    // on the overlay; never both.
    bool followsPointer() const { return running() && m_pointerReadable; }
    bool waitsForClick() const { return running() && !m_pointerReadable; }

    void startPoint() { m_point = true; }
    void startColour() { m_colour = true; }
    void stop() { m_point = m_colour = false; }
    bool capturingPoint() const { return m_point; }
    bool capturingColour() const { return m_colour; }
    bool running() const { return m_point || m_colour; }

    // A key press seen by the dialog: a key that types a character ends the
    // capture. Returns whether the capture is still running.
    bool keyPressed(bool typesCharacter);

    // One tick with the pointer at pointer; pixelAt reads the colour under it
    // (0x00BBGGRR), or nothing. Writes the captured texts into fields and
    // returns which fields changed.
    std::vector<EditorText> tick(ActionEditorFields& fields, ScreenPoint pointer,
        const std::function<std::optional<uint32_t>(ScreenPoint)>& pixelAt) const;
    // The click on the overlay at point: one tick there, then the capture
    // ends. Returns which fields changed.
    std::vector<EditorText> pick(ActionEditorFields& fields, ScreenPoint point,
        const std::function<std::optional<uint32_t>(ScreenPoint)>& pixelAt);

private:
    bool m_pointerReadable = true;
    bool m_point = false;
    bool m_colour = false;
};

} // namespace clickwisp
