// The editor's undo history on the stress city (65535 objects): the memory of 200 conversion
// steps and the time to record, undo and redo one. A conversion there deletes a double track
// anywhere in the object array and appends its rails and poles at the end, so every later
// object moves: the history must not copy the map for it.
#include "editor/ops/Conversion.h"
#include "editor/ops/EditHistory.h"
#include "editor/ops/EditOps.h"
#include "tools/citygen/Cities.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace vell;

constexpr int ConversionSteps = 200;

struct TFixture {
    std::unique_ptr<TMap> Map;
    TEditHistory History;
    TRandom Random{1};
    const TEditorState State{StartColor, 0, 0};
    int Next = 0; // the next conversion's double track

    TFixture() {
        Map = citygen::MakeStressCity().Map;
        // Room for 200 conversions (each adds eight objects for the one it removes).
        Map->SetObjectCount(MaxObjects - 8 * ConversionSteps - 1);
        History.Reset(*Map, State);
    }
    // A double track not yet converted at a place spread over the whole array, as a map drawn
    // in an older session holds them, converted as one step.
    void ConvertOne() {
        const int index = 50 + Next * (Map->ObjectCount() - 100) / ConversionSteps;
        const int x = 1000 + (Next % 80) * 100, y = 200 + (Next / 80) * 100;
        Map->Objects[index] = MakeObject(DoubleTrackPoles, x, y, x + 60, y + 20);
        ++Next;
        ConvertDoubleTracks(*Map, 136, Random);
        History.Record(*Map, State, "преобразование 2-путок");
    }
};

TFixture& Fixture() {
    static TFixture fixture;
    return fixture;
}

// Recording a conversion, 200 times over; the history's memory afterwards.
void BM_RecordConversions(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        if (f.Next >= ConversionSteps) break;
        f.ConvertOne();
    }
    while (f.Next < ConversionSteps)
        f.ConvertOne();
    state.counters["objects"] = f.Map->ObjectCount();
    state.counters["steps"] = double(f.History.StepCount());
    state.counters["history_MB"] = double(f.History.MemoryBytes()) / (1 << 20);
}
BENCHMARK(BM_RecordConversions)->Iterations(ConversionSteps)->Unit(benchmark::kMillisecond);

// Undo and redo of one conversion step (one iteration is one undo and one redo).
void BM_UndoRedoConversion(benchmark::State& state) {
    TFixture& f = Fixture();
    while (f.Next < ConversionSteps)
        f.ConvertOne();
    for (auto _ : state) {
        f.History.Undo(*f.Map);
        f.History.Redo(*f.Map);
    }
    state.counters["history_MB"] = double(f.History.MemoryBytes()) / (1 << 20);
}
BENCHMARK(BM_UndoRedoConversion)->Unit(benchmark::kMillisecond);

// Every step taken back and done again: the time per undo or redo.
void BM_UndoAllRedoAll(benchmark::State& state) {
    TFixture& f = Fixture();
    while (f.Next < ConversionSteps)
        f.ConvertOne();
    const auto steps = f.History.StepCount();
    for (auto _ : state) {
        while (f.History.CanUndo())
            f.History.Undo(*f.Map);
        while (f.History.CanRedo())
            f.History.Redo(*f.Map);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(2 * steps));
}
BENCHMARK(BM_UndoAllRedoAll)->Unit(benchmark::kMillisecond);

// The heaviest kind of step: every object of the full map changed in place (a colour on a
// selection of everything), recorded, undone and redone.
// The stress city with every object selected, and its history started.
std::unique_ptr<TMap> SelectedStressCity(TEditHistory& history, const TEditorState& s) {
    auto map = citygen::MakeStressCity().Map;
    history.Reset(*map, s);
    for (TMapObject& o : map->Objects)
        o.SetSelected(true);
    return map;
}

void BM_WholeMapStep(benchmark::State& state) {
    TEditHistory history;
    const TEditorState s{StartColor, 0, 0};
    auto map = SelectedStressCity(history, s);
    std::uint32_t colour = 1;
    for (auto _ : state) {
        ApplyColorToSelected(*map, colour += 0x010203);
        history.Record(*map, s, "применение цвета");
        history.Undo(*map);
        history.Redo(*map);
    }
    state.counters["history_MB"] = double(history.MemoryBytes()) / (1 << 20);
    state.counters["steps"] = double(history.StepCount());
}
BENCHMARK(BM_WholeMapStep)->Iterations(200)->Unit(benchmark::kMillisecond);

// Undo and redo of one such step alone (one iteration is one undo and one redo).
void BM_UndoRedoWholeMapStep(benchmark::State& state) {
    TEditHistory history;
    const TEditorState s{StartColor, 0, 0};
    auto map = SelectedStressCity(history, s);
    ApplyColorToSelected(*map, 0x203040);
    history.Record(*map, s, "применение цвета");
    for (auto _ : state) {
        history.Undo(*map);
        history.Redo(*map);
    }
}
BENCHMARK(BM_UndoRedoWholeMapStep)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
