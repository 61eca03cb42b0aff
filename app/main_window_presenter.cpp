#include "app/main_window_presenter.h"

#include "config/config.h"

#include <algorithm>

namespace clickwisp {

const MainControlText& TextOf(MainControl control)
{
    static constexpr MainControlText kTexts[kMainControlCount] = {
        { "btnShade", "&Record Mouse", "Record Mouse Actions" },
        { "VisibilityDemoButton", "&Load", "Load Action List From File" },
        { "AlignDemoButton", "&Save", "Save Action List to File" },
        { "SpeedButton4", "&New", "Create a new Action" },
        { "SpeedButton5", "&Edit", "Edit Selected Action" },
        { "SpeedButton7", "&Delete", "Delete Selected Action" },
        { "SpeedButton8", "&Clear", "Delete All Actions" },
        { "SpeedButton2", "&Options", "Config Options" },
        { "QuitButton", "E&xit", "Quit" },
        { "btnStart", "Star&t", "Start to Run Action List" },
        { "btnStop", "Sto&p", "Stop Running Action List" },
        { "sbUp", "", "Move Up" },
        { "sbDown", "", "Move Down" },
        { "VT", "", "Action List.  Double Click to edit " },
    };
    return kTexts[size_t(control)];
}

bool ControlEnabled(MainControl control, bool editingEnabled, bool recordAvailable)
{
    if (control == MainControl::Record && !recordAvailable)
        return false;
    return control == MainControl::Stop || editingEnabled;
}

namespace {

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& parts)
{
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

std::string withStop(std::string text)
{
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

} // namespace

DesktopLimits DesktopLimitsOf(
    const std::string& recorderProblem, const std::string& hotKeysProblem, const std::string& compositorKeys)
{
    DesktopLimits limits;
    const bool noRecorder = !recorderProblem.empty();
    const bool noHotKeys = !hotKeysProblem.empty() && compositorKeys.empty();
    if (!noRecorder && !noHotKeys)
        return limits;
    std::vector<std::string> works { "Playback", "the screen searches" };
    std::vector<std::string> fails;
    (noRecorder ? fails : works).push_back("recording");
    (noHotKeys ? fails : works).push_back("the hot keys");
    const bool plural = fails.size() > 1 || noHotKeys; // "the hot keys do not"
    limits.status = listed(works) + " work; " + listed(fails) + (plural ? " do not" : " does not");

    if (noRecorder) {
        limits.recordHint = withStop("Recording is not available: " + recorderProblem);
        limits.notice += limits.recordHint + "\n";
    }
    if (noHotKeys)
        limits.notice += withStop("The global hot keys are not available: " + hotKeysProblem) + "\n";
    limits.notice += "\n" + listed(works) + " still work. Scripts and the desktop's own key bindings can drive "
        + "the program with \"clickwisp-cli remote start-record|stop-record|start-run|stop-run|status\".\n\n"
        + "This notice is shown once; the status bar keeps saying what works.";
    return limits;
}

const char* RecordCaption(bool recording)
{
    return recording ? "Stop Record" : TextOf(MainControl::Record).caption;
}

std::string WindowCaption(const std::string& productCaption, const std::string& listFile, bool modified)
{
    if (listFile.empty() && !modified)
        return productCaption;
    // Both separators: a Windows path may use either.
    const std::string name = listFile.empty() ? "Untitled" : listFile.substr(listFile.find_last_of("/\\") + 1);
    return (modified ? "*" : "") + name + " - " + productCaption;
}

ColumnAlign ColumnAlignOf(const std::string& align)
{
    if (align == "right")
        return ColumnAlign::Right;
    if (align == "center")
        return ColumnAlign::Centre;
    return ColumnAlign::Left;
}

std::vector<ColumnState> ColumnsFromConfig(const TConfig& config)
{
    const auto cols = config.GetCols();
    const int count = int(cols.Count());
    std::vector<ColumnState> columns;
    for (int i = 0; i < count; ++i) {
        const auto col = cols.Col(i);
        columns.push_back({ std::max(0, col.Width()), col.Visible(), std::clamp(int(col.Index()), 0, count - 1) });
    }
    return columns;
}

void StoreColumns(const std::vector<ColumnState>& columns, TConfig& config)
{
    auto cols = config.GetCols();
    for (size_t i = 0; i < size_t(cols.Count()) && i < columns.size(); ++i) {
        auto col = cols.Col(int(i));
        if (columns[i].visible)
            col.setWidth(columns[i].width);
        col.setIndex(columns[i].position);
    }
}

std::vector<int> ColumnOrder(const std::vector<ColumnState>& columns)
{
    std::vector<int> order(columns.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
        [&](int a, int b) { return columns[size_t(a)].position < columns[size_t(b)].position; });
    return order;
}

WindowStart WindowStartFromConfig(const TConfig& config)
{
    const auto frame = config.GetFrame();
    WindowStart start;
    start.maximized = frame.max();
    start.sized = !start.maximized && frame.width() > 0 && frame.height() > 0;
    if (start.sized)
        start.size = { frame.width(), frame.height() };
    return start;
}

void StoreWindowBounds(std::optional<ScreenPoint> origin, ScreenSize size, bool maximized, TConfig& config)
{
    auto frame = config.GetFrame();
    if (origin) {
        frame.setLeft(origin->x);
        frame.setTop(origin->y);
    }
    frame.setHeight(size.height);
    frame.setWidth(size.width);
    frame.setMax(maximized);
}

ScreenPoint CentredOrigin(ScreenPoint desktopOrigin, ScreenSize desktopSize, ScreenSize size)
{
    return { desktopOrigin.x + std::max(0, (desktopSize.width - size.width) / 2),
        desktopOrigin.y + std::max(0, (desktopSize.height - size.height) / 2) };
}

bool TrayClickHides(bool visible, bool minimized)
{
    return visible && !minimized;
}

bool MinimizeHides(bool trayIconShown)
{
    return trayIconShown;
}

std::string TrayTip(const std::string& note)
{
    return note.empty() ? std::string("Clickwisp") : "Clickwisp\n" + note;
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter entry { parts[i], {} };
        size_t from = 0;
        const std::string& patterns = parts[i + 1];
        while (from <= patterns.size()) {
            size_t semicolon = patterns.find(';', from);
            if (semicolon == std::string::npos)
                semicolon = patterns.size();
            if (semicolon > from)
                entry.patterns.push_back(patterns.substr(from, semicolon - from));
            from = semicolon + 1;
        }
        filters.push_back(std::move(entry));
    }
    return filters;
}

std::string AboutBackendsLine(const std::string& builtIn, const std::string& active)
{
    if (active.empty())
        return "Desktop backends: " + builtIn;
    return "Backend: " + active + " (built in: " + builtIn + ")";
}

} // namespace clickwisp
