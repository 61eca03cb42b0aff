// The recorder's own share of each event: the filter test and the append
// on the source's thread, and the move into the recording on the owner's.
#include "platform/fake/fake_recorder.h"
#include "record/load_recording.h"
#include "record/recorder.h"

#include <benchmark/benchmark.h>

namespace {

using namespace clickwisp;

void BM_AppendAndDrain(benchmark::State& state)
{
    FakeRecorder source(std::make_shared<FakeTrace>());
    Recorder recorder(source);
    const int64_t batch = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        (void)recorder.StartRecording(false, true);
        state.ResumeTiming();
        for (int64_t i = 0; i < batch; ++i)
            source.feed(EVENTMSG { i % 3 ? WM_MOUSEMOVE : WM_KEYDOWN, uint32_t(i), 0, uint32_t(i), 0 });
        recorder.drain();
        benchmark::DoNotOptimize(recorder.RecordedEvents().data());
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_AppendAndDrain)->Arg(10000);

void BM_LoadRecording(benchmark::State& state)
{
    TEventList events;
    for (int64_t i = 0; i < state.range(0); ++i)
        events.push_back(EVENTMSG { i % 2 ? WM_LBUTTONDOWN : WM_LBUTTONUP, 10, 20, uint32_t(i * 7), 0 });
    for (auto _ : state) {
        ActionList actions = LoadRecording(events);
        benchmark::DoNotOptimize(actions.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadRecording)->Arg(10000);

} // namespace

BENCHMARK_MAIN();
