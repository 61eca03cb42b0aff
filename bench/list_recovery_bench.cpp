// Keeping an unsaved list: what the user-interface thread pays (the note of
// a change, the copy of the list) against what the keeper's own thread does
// (the text and the atomic write), for a list of 1,000 and of 70,000 actions
// (ten minutes of recording with mouse moves).
#include "app/list_recovery.h"
#include "core/list_file.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <filesystem>

namespace {

using namespace clickwisp;

ActionList recordedList(int64_t count)
{
    ActionList actions;
    for (int64_t i = 0; i < count; ++i) {
        auto action = i % 2 ? TBaseCtrlEX::CreateDelay(int32_t(i % 40)) : TBaseCtrlEX::Create();
        action->actionType = i % 2 ? atDelay : atMove;
        action->mouseMovePosX = int32_t(i % 1920);
        action->mouseMovePosY = int32_t(i % 1080);
        actions.push_back(std::move(action));
    }
    return actions;
}

// The copy the keeper asks for, on the user-interface thread.
void BM_CopyList(benchmark::State& state)
{
    const ActionList actions = recordedList(state.range(0));
    for (auto _ : state) {
        ActionList copy;
        copy.reserve(actions.size());
        for (const auto& action : actions)
            copy.push_back(CopyAction(*action));
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyList)->Arg(1000)->Arg(70000)->Unit(benchmark::kMillisecond);

// The same copy through an item element per action, as CopyAction made it
// before: what the user-interface thread would pay otherwise.
void BM_CopyListByItems(benchmark::State& state)
{
    const ActionList actions = recordedList(state.range(0));
    for (auto _ : state) {
        ActionList copy;
        copy.reserve(actions.size());
        for (const auto& action : actions) {
            pugi::xml_document scratch;
            pugi::xml_node root = scratch.append_child("list");
            copy.push_back(std::move(*TBaseCtrlEX::CreateFromItem(action->SaveToItem(root))));
        }
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyListByItems)->Arg(1000)->Arg(70000)->Unit(benchmark::kMillisecond);

// The text, on the keeper's thread.
void BM_ListToText(benchmark::State& state)
{
    const ActionList actions = recordedList(state.range(0));
    for (auto _ : state) {
        std::string text = ListToText(actions);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListToText)->Arg(1000)->Arg(70000)->Unit(benchmark::kMillisecond);

struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "clickwisp-recovery-bench";
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() { std::filesystem::remove_all(path); }
};

// What closing and the end of the session wait for: copy, text and the
// synced atomic write.
void BM_KeepNow(benchmark::State& state)
{
    Folder folder;
    const ActionList actions = recordedList(state.range(0));
    RecoveryKeeper keeper(
        RecoveryFilesBeside(folder.path / "config.xml"), [](std::function<void()>) {},
        [&]() -> std::optional<ActionList> {
            ActionList copy;
            for (const auto& action : actions)
                copy.push_back(CopyAction(*action));
            return copy;
        },
        [](const Error&) {});
    for (auto _ : state) {
        if (!keeper.keepNow())
            state.SkipWithError("the recovery file was not written");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeepNow)->Arg(1000)->Arg(70000)->Unit(benchmark::kMillisecond);

// The user-interface thread's share of each change: a note to the keeper.
void BM_NoteAChange(benchmark::State& state)
{
    Folder folder;
    RecoveryKeeper keeper(
        RecoveryFilesBeside(folder.path / "config.xml"), [](std::function<void()>) {},
        []() -> std::optional<ActionList> { return std::nullopt; }, [](const Error&) {}, std::chrono::hours(1));
    for (auto _ : state)
        keeper.changed();
}
BENCHMARK(BM_NoteAChange);

} // namespace

BENCHMARK_MAIN();
