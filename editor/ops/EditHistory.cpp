// The undo history: steps as differences between the object arrays, route slots and editor
// state before and after, found by walking both arrays and resynchronising after a run of
// deleted, inserted or changed objects.
#include "editor/ops/EditHistory.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace vell {

namespace {

constexpr std::size_t ObjectBytes = sizeof(TMapObject);
// Payloads above this are compressed: a change of every object in place (a colour applied to
// a whole city) is a long run of alike differences.
constexpr std::size_t CompressAbove = 1024;

TMapObject Unselected(TMapObject o) {
    o.SetSelected(false);
    return o;
}

bool Same(const TMapObject& stored, const TMapObject& live) {
    return stored == Unselected(live);
}

TMapObject Xor(const TMapObject& a, const TMapObject& b) {
    std::uint8_t x[ObjectBytes], y[ObjectBytes];
    std::memcpy(x, &a, ObjectBytes);
    std::memcpy(y, &b, ObjectBytes);
    for (std::size_t k = 0; k < ObjectBytes; ++k)
        x[k] ^= y[k];
    TMapObject r;
    std::memcpy(&r, x, ObjectBytes);
    return r;
}

std::uint64_t HashOf(const TMapObject& o) {
    std::uint8_t b[ObjectBytes];
    const TMapObject u = Unselected(o);
    std::memcpy(b, &u, ObjectBytes);
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (std::uint8_t c : b)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// Positions of the objects of one array by their hash, for finding where a run ends.
class TObjectIndex {
  public:
    template <class Key> void Build(const std::vector<TMapObject>& objects, Key key) {
        Entries.clear();
        Entries.reserve(objects.size());
        for (std::size_t i = 0; i < objects.size(); ++i)
            Entries.push_back({key(objects[i]), std::uint32_t(i)});
        std::sort(Entries.begin(), Entries.end());
        Built = true;
    }
    bool IsBuilt() const { return Built; }
    // Indices above `after` of objects with this hash, in order, at most `limit` of them.
    template <class Visit>
    std::optional<std::size_t> Find(std::uint64_t hash, std::size_t after, Visit accept) const {
        auto it =
            std::upper_bound(Entries.begin(), Entries.end(),
                             std::pair<std::uint64_t, std::uint32_t>{hash, std::uint32_t(after)});
        for (int tries = 0; it != Entries.end() && it->first == hash && tries < 16; ++it, ++tries)
            if (accept(std::size_t(it->second))) return std::size_t(it->second);
        return std::nullopt;
    }

  private:
    std::vector<std::pair<std::uint64_t, std::uint32_t>> Entries;
    bool Built = false;
};

} // namespace

struct TEditHistory::TStep {
    struct THunk {
        std::uint32_t AtBefore = 0, AtAfter = 0, CountBefore = 0, CountAfter = 0;
        bool InPlace() const { return CountBefore == CountAfter; }
    };
    struct TRouteChange {
        int Row = 0, Column = 0;
        TStoredRoute Before, After;
    };

    std::string Label;
    bool ChangesMap = false;
    TEditorState Before, After;
    std::vector<THunk> Hunks;
    std::vector<TRouteChange> RouteChanges;
    // Per hunk in order: the differences of an in-place run (self-inverse), or the objects
    // before and then after. Compressed when Compressed.
    std::vector<std::uint8_t> Payload;
    std::size_t RawSize = 0;
    bool Compressed = false;

    std::size_t Bytes() const {
        return sizeof(TStep) + Label.capacity() + Hunks.capacity() * sizeof(THunk) +
               RouteChanges.capacity() * sizeof(TRouteChange) + Payload.capacity();
    }

    void Pack(std::vector<std::uint8_t> raw) {
        RawSize = raw.size();
        Compressed = false;
        if (raw.size() > CompressAbove) {
            uLongf size = compressBound(uLong(raw.size()));
            std::vector<std::uint8_t> packed(size);
            if (compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 1) == Z_OK &&
                size < raw.size()) {
                packed.resize(size);
                packed.shrink_to_fit();
                Payload = std::move(packed);
                Compressed = true;
                return;
            }
        }
        raw.shrink_to_fit();
        Payload = std::move(raw);
    }

    // The objects as they were packed; nothing when the stored bytes no longer unpack to them
    // (zlib's checksum tells), as after memory that went bad.
    std::optional<std::vector<std::uint8_t>> Unpack() const {
        if (!Compressed) return Payload;
        std::vector<std::uint8_t> raw(RawSize);
        uLongf size = uLongf(RawSize);
        // The data was compressed here from a buffer of exactly this size.
        if (uncompress(raw.data(), &size, Payload.data(), uLong(Payload.size())) != Z_OK ||
            size != RawSize)
            return std::nullopt;
        return raw;
    }

    // Bytes the hunks take from the payload.
    std::size_t HunkBytes() const {
        std::size_t bytes = 0;
        for (const THunk& h : Hunks)
            bytes += (h.InPlace() ? h.CountBefore : h.CountBefore + h.CountAfter) * ObjectBytes;
        return bytes;
    }
};

TEditHistory::TEditHistory() = default;
TEditHistory::~TEditHistory() = default;

void TEditHistory::Reset(const TMap& map, const TEditorState& state) {
    Steps.clear();
    Position = 0;
    SavedPosition = 0;
    StepBytes = 0;
    ++ChangeCount;
    Objects.resize(map.Objects.size());
    std::transform(map.Objects.begin(), map.Objects.end(), Objects.begin(), Unselected);
    Objects.shrink_to_fit();
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            Routes[i][j] = StoredPartOf(map.Route(i, j));
    State = state;
}

void TEditHistory::ResetUnsaved(const TMap& map, const TEditorState& state) {
    Reset(map, state);
    SavedPosition = -1;
}

bool TEditHistory::Record(const TMap& map, const TEditorState& state, const std::string& label) {
    auto step = std::make_unique<TStep>();
    step->Label = label;
    step->Before = State;
    step->After = state;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TStoredRoute now = StoredPartOf(map.Route(i, j));
            if (!(now == Routes[i][j])) step->RouteChanges.push_back({i, j, Routes[i][j], now});
        }

    // The objects: equal runs are skipped; at a difference the run that differs ends where
    // both arrays agree again.
    const std::vector<TMapObject>& a = Objects;
    const std::vector<TMapObject>& b = map.Objects;
    const std::size_t na = a.size(), nb = b.size();
    TObjectIndex indexA, indexB;
    auto resyncs = [&](std::size_t i, std::size_t j) {
        return Same(a[i], b[j]) && (i + 1 >= na || j + 1 >= nb || Same(a[i + 1], b[j + 1]));
    };
    auto addHunk = [&](std::size_t i, std::size_t j, std::size_t di, std::size_t dj) {
        auto& hunks = step->Hunks;
        if (!hunks.empty() && hunks.back().AtBefore + hunks.back().CountBefore == i) {
            hunks.back().CountBefore += std::uint32_t(di);
            hunks.back().CountAfter += std::uint32_t(dj);
        } else {
            hunks.push_back(
                {std::uint32_t(i), std::uint32_t(j), std::uint32_t(di), std::uint32_t(dj)});
        }
    };
    std::size_t i = 0, j = 0;
    while (i < na && j < nb) {
        if (Same(a[i], b[j])) {
            ++i, ++j;
            continue;
        }
        std::size_t di = 1, dj = 1; // one object changed in place
        if (!(i + 1 < na && j + 1 < nb && Same(a[i + 1], b[j + 1]))) {
            if (!indexA.IsBuilt()) indexA.Build(a, HashOf);
            if (auto k =
                    indexA.Find(HashOf(b[j]), i, [&](std::size_t k) { return resyncs(k, j); })) {
                di = *k - i; // objects deleted
                dj = 0;
            } else {
                if (!indexB.IsBuilt()) indexB.Build(b, HashOf);
                if (auto k = indexB.Find(HashOf(a[i]), j,
                                         [&](std::size_t k) { return resyncs(i, k); })) {
                    di = 0; // objects inserted
                    dj = *k - j;
                }
            }
        }
        addHunk(i, j, di, dj);
        i += di;
        j += dj;
    }
    if (i < na || j < nb) addHunk(i, j, na - i, nb - j);

    step->ChangesMap = !step->Hunks.empty() || !step->RouteChanges.empty();
    if (!step->ChangesMap && state == State) return false;

    std::vector<std::uint8_t> raw;
    auto put = [&](const TMapObject& o) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&o);
        raw.insert(raw.end(), p, p + ObjectBytes);
    };
    for (const TStep::THunk& h : step->Hunks) {
        if (h.InPlace()) {
            for (std::uint32_t k = 0; k < h.CountBefore; ++k)
                put(Xor(a[h.AtBefore + k], Unselected(b[h.AtAfter + k])));
        } else {
            for (std::uint32_t k = 0; k < h.CountBefore; ++k)
                put(a[h.AtBefore + k]);
            for (std::uint32_t k = 0; k < h.CountAfter; ++k)
                put(Unselected(b[h.AtAfter + k]));
        }
    }
    step->Pack(std::move(raw));
    step->Hunks.shrink_to_fit();
    step->RouteChanges.shrink_to_fit();

    while (Steps.size() > Position) {
        StepBytes -= Steps.back()->Bytes();
        Steps.pop_back();
    }
    if (SavedPosition > long(Position)) SavedPosition = -1; // the saved state was undone away
    if (step->ChangesMap) {
        Objects.resize(nb);
        std::transform(b.begin(), b.end(), Objects.begin(), Unselected);
        for (const TStep::TRouteChange& c : step->RouteChanges)
            Routes[c.Row][c.Column] = c.After;
    }
    State = state;
    StepBytes += step->Bytes();
    Steps.push_back(std::move(step));
    ++Position;
    ++ChangeCount;
    while (Steps.size() > MaxSteps || (MemoryBytes() > MemoryBudget && Steps.size() > MinSteps))
        DropOldest();
    return true;
}

void TEditHistory::DropOldest() {
    StepBytes -= Steps.front()->Bytes();
    Steps.pop_front();
    if (Position > 0) --Position;
    SavedPosition = SavedPosition > 0 ? SavedPosition - 1 : -1;
}

bool TEditHistory::Apply(TMap& map, const TStep& step, bool forward) {
    if (!step.Hunks.empty()) {
        const std::optional<std::vector<std::uint8_t>> unpacked = step.Unpack();
        // Checked before anything changes: a step that cannot be taken leaves the map whole.
        if (!unpacked || unpacked->size() != step.HunkBytes()) return false;
        const std::vector<std::uint8_t>& raw = *unpacked;
        const std::uint8_t* data = raw.data();
        auto take = [&]() {
            TMapObject o;
            std::memcpy(&o, data, ObjectBytes);
            data += ObjectBytes;
            return o;
        };
        const std::vector<TMapObject>& from = map.Objects;
        std::vector<TMapObject> to;
        std::size_t size = from.size();
        for (const TStep::THunk& h : step.Hunks)
            size = size - (forward ? h.CountBefore : h.CountAfter) +
                   (forward ? h.CountAfter : h.CountBefore);
        to.reserve(size);
        std::size_t source = 0;
        for (const TStep::THunk& h : step.Hunks) {
            const std::size_t at = forward ? h.AtBefore : h.AtAfter;
            to.insert(to.end(), from.begin() + long(source), from.begin() + long(at));
            if (h.InPlace()) {
                // The differences carry no Selected bit: the object keeps its selection.
                for (std::uint32_t k = 0; k < h.CountBefore; ++k)
                    to.push_back(Xor(from[at + k], take()));
                source = at + h.CountBefore;
                continue;
            }
            for (std::uint32_t k = 0; k < h.CountBefore; ++k) {
                TMapObject o = take();
                if (!forward) to.push_back(o);
            }
            for (std::uint32_t k = 0; k < h.CountAfter; ++k) {
                TMapObject o = take();
                if (forward) to.push_back(o);
            }
            source = at + (forward ? h.CountBefore : h.CountAfter);
        }
        to.insert(to.end(), from.begin() + long(source), from.end());
        map.Objects = std::move(to);
        // Network links and walks name objects by index.
        map.FreeNetwork();
        Objects.resize(map.Objects.size());
        std::transform(map.Objects.begin(), map.Objects.end(), Objects.begin(), Unselected);
    }
    for (const TStep::TRouteChange& c : step.RouteChanges) {
        const TStoredRoute& r = forward ? c.After : c.Before;
        SetStoredPart(map.Route(c.Row, c.Column), r);
        Routes[c.Row][c.Column] = r;
    }
    State = forward ? step.After : step.Before;
    return true;
}

bool TEditHistory::MapStepsBetween(std::size_t a, std::size_t b) const {
    for (std::size_t k = std::min(a, b); k < std::max(a, b); ++k)
        if (Steps[k]->ChangesMap) return true;
    return false;
}

std::optional<TEditorState> TEditHistory::Undo(TMap& map) {
    if (!CanUndo()) return State;
    if (!Apply(map, *Steps[Position - 1], false)) return std::nullopt;
    --Position;
    map.Modified = SavedPosition < 0 || MapStepsBetween(Position, std::size_t(SavedPosition));
    ++ChangeCount;
    return State;
}

std::optional<TEditorState> TEditHistory::Redo(TMap& map) {
    if (!CanRedo()) return State;
    if (!Apply(map, *Steps[Position], true)) return std::nullopt;
    ++Position;
    map.Modified = SavedPosition < 0 || MapStepsBetween(Position, std::size_t(SavedPosition));
    ++ChangeCount;
    return State;
}

std::string TEditHistory::UndoLabel() const {
    return CanUndo() ? Steps[Position - 1]->Label : std::string();
}

std::string TEditHistory::RedoLabel() const {
    return CanRedo() ? Steps[Position]->Label : std::string();
}

void TEditHistory::SpoilStoredBytes(std::size_t step) {
    for (std::uint8_t& b : Steps.at(step)->Payload)
        b = std::uint8_t(~b);
}

void TEditHistory::MarkSaved() {
    SavedPosition = long(Position);
}

std::size_t TEditHistory::MemoryBytes() const {
    return StepBytes + Objects.capacity() * ObjectBytes + sizeof(Routes);
}

} // namespace vell
