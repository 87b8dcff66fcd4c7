// The editor's undo history: every edit is a step that can be taken back and done again.
// A step stores only what it changed (runs of objects, route slots, the editor's colour and
// route slot), so that hundreds of steps on a full map of 65535 objects stay small.
#pragma once

#include "model/Map.h"
#include "model/MapFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vell {

// What the editor shows besides the map that the steps restore: the current colour and the
// route slot of the route panel.
struct TEditorState {
    std::uint32_t Color = 0;
    int RouteRow = 0;
    int RouteColumn = 0;
    bool operator==(const TEditorState&) const = default;
};

class TEditHistory {
  public:
    // At most this many steps are kept; the oldest go first.
    static constexpr std::size_t MaxSteps = 1000;
    // The oldest steps are dropped while the history uses more memory than this, down to
    // MinSteps: only a few pathological steps (every object of a full map changed many times
    // over) come near it, since steps are stored as compressed differences.
    static constexpr std::size_t MemoryBudget = std::size_t(48) << 20;
    static constexpr std::size_t MinSteps = 200;

    TEditHistory();
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    // Forgets every step; the map as it is now is the saved state (after New and Open).
    void Reset(const TMap& map, const TEditorState& state);
    // The same, but the map as it is now is not what its file holds (a restored copy).
    void ResetUnsaved(const TMap& map, const TEditorState& state);

    // Records everything that changed since the last step (the Selected bits do not count) as
    // one step named `label`; nothing when nothing changed. A new step drops the steps that
    // were undone. Modified is the edit's own business. True when a step was made.
    bool Record(const TMap& map, const TEditorState& state, const std::string& label);

    bool CanUndo() const { return Position > 0; }
    bool CanRedo() const { return Position < Steps.size(); }
    // The name of the step Undo or Redo would take; empty when there is none.
    std::string UndoLabel() const;
    std::string RedoLabel() const;

    // Takes the last step back (or does the next undone one again) on a map that holds
    // exactly the state of the last step (record first). The restored objects come back
    // unselected; an object changed in place keeps its selection. Modified is set by whether
    // the map now differs from the saved state. Returns the editor state to show; nothing, with
    // the map and the history as they were, when the step's stored bytes cannot be unpacked.
    std::optional<TEditorState> Undo(TMap& map);
    std::optional<TEditorState> Redo(TMap& map);

    // The map was saved as it is now.
    void MarkSaved();

    std::size_t StepCount() const { return Steps.size(); }
    // Bytes held by the steps and by the copy of the current state they are taken against.
    std::size_t MemoryBytes() const;
    // Counts every step made, undone or redone: a recovery copy is due when it moved.
    std::uint64_t Generation() const { return ChangeCount; }

  private:
    struct TStep;
    bool Apply(TMap& map, const TStep& step, bool forward);
    // Tests spoil a stored step through it, as memory that went bad would: every byte of the
    // step's stored objects is inverted.
    friend struct TEditHistoryDamage;
    void SpoilStoredBytes(std::size_t step);
    void DropOldest();
    bool MapStepsBetween(std::size_t a, std::size_t b) const;

    std::deque<std::unique_ptr<TStep>> Steps;
    std::size_t Position = 0; // steps before it are done, from it on undone
    long SavedPosition = 0;   // the position of the saved state; -1 when it is gone
    std::size_t StepBytes = 0;
    std::uint64_t ChangeCount = 0;
    // The state of the last step, objects without their Selected bits.
    std::vector<TMapObject> Objects;
    std::array<std::array<TStoredRoute, RouteColumns>, RouteRows> Routes{};
    TEditorState State;
};

} // namespace vell
