#include "app/options_presenter.h"

#include "config/config.h"
#include "core/control_protocol.h"
#include "record/hot_keys.h"

namespace clickwisp {

namespace {

int indexOf(int32_t number)
{
    return number >= 0 && number < int32_t(FunctionKeyNames().size()) ? number : -1;
}

int32_t numberOf(int index, int32_t previous)
{
    return index >= 0 ? index : previous;
}

} // namespace

const std::vector<std::string>& FunctionKeyNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (int i = 1; i <= 12; ++i)
            list.push_back("F" + std::to_string(i));
        return list;
    }();
    return names;
}

std::vector<ManualKeyBinding> ManualKeyBindings(const OptionsFields& fields, const OptionsContext& context)
{
    if (!context.waylandSession || context.compositorBindsKeys)
        return {};
    const auto texts = HotKeyTexts({ fields.hotKeys[0], fields.hotKeys[1], fields.hotKeys[2], fields.hotKeys[3] });
    std::vector<ManualKeyBinding> bindings;
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string keys = fields.hotKeys[i] < 0 ? (i < 2 ? "ALT+?" : "CTRL+?") : texts[i];
        bindings.push_back({ keys, std::string("clickwisp-cli remote ") + ControlCommandName(ControlCommand(i)) });
    }
    return bindings;
}

OptionsFields OptionsFromConfig(const TConfig& config)
{
    const auto shade = config.GetShade();
    const auto running = config.GetRunning();
    OptionsFields fields;
    fields.recordMoves = shade.mousemove();
    fields.recordKeys = shade.keyboard();
    fields.hotKeys
        = { indexOf(shade.start()), indexOf(shade.stop()), indexOf(running.start()), indexOf(running.stop()) };
    const int32_t repeat = running.repeat();
    fields.repeatMode = repeat >= 0 && repeat <= 2 ? repeat : -1;
    fields.times = running.times();
    fields.speed = running.speed();
    const int32_t i = running.interval();
    fields.interval = { i / 3600000, i % 3600000 / 60000, i % 60000 / 1000, i % 1000 / 100 };
    return fields;
}

void StoreOptions(const OptionsFields& fields, TConfig& config)
{
    auto shade = config.GetShade();
    auto running = config.GetRunning();
    shade.setMousemove(fields.recordMoves);
    shade.setKeyboard(fields.recordKeys);
    shade.setStart(numberOf(fields.hotKeys[0], shade.start()));
    shade.setStop(numberOf(fields.hotKeys[1], shade.stop()));
    running.setStart(numberOf(fields.hotKeys[2], running.start()));
    running.setStop(numberOf(fields.hotKeys[3], running.stop()));
    running.setRepeat(fields.repeatMode == 0 || fields.repeatMode == 1 ? fields.repeatMode : 2);
    running.setTimes(fields.times);
    running.setSpeed(fields.speed);
    running.setInterval(int32_t(int64_t(fields.interval[0]) * 3600000 + int64_t(fields.interval[1]) * 60000
        + int64_t(fields.interval[2]) * 1000 + int64_t(fields.interval[3]) * 100));
}

} // namespace clickwisp
