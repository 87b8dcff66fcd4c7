// The map's object list, its clean-up and its file.
#include "model/Map.h"

#include "model/FileName.h"
#include "model/RecoveryCopy.h"
#include "model/SafeFile.h"
#include "model/Texts.h"

#include <algorithm>

namespace vell {

const char* const NewMapName = QT_TRANSLATE_NOOP("Map", "Новая");

std::string MapDisplayName(const std::string& fileName) {
    return fileName == NewMapName ? translate("Map", NewMapName) : fileName;
}

void TMap::Create(const char* firstArgument) {
    CreateFault = TFileFault::None;
    if (!firstArgument) {
        NewMap();
        return;
    }
    FileName = WithDefaultExtension(firstArgument, ".vl");
    if (!LoadFromFile(nullptr, &CreateFault)) NewMap();
}

void TMap::SetObjectCount(int n) {
    n = std::clamp(n, 0, MaxObjects);
    if (n < ObjectCount()) {
        std::vector<bool> keep(Objects.size(), false);
        std::fill(keep.begin(), keep.begin() + n, true);
        KeepObjects(keep);
    } else {
        Objects.resize(std::size_t(n));
    }
}

void TMap::KeepObjects(const std::vector<bool>& keep) {
    std::vector<std::int32_t> newIndex(Objects.size(), -1);
    std::size_t w = 0;
    for (std::size_t j = 0; j < Objects.size(); ++j) {
        if (!keep[j]) continue;
        newIndex[j] = std::int32_t(w);
        Objects[w++] = Objects[j];
    }
    const bool removed = w < Objects.size();
    Objects.resize(w);
    // Network links name objects by index: after a removal they would name the wrong ones.
    if (removed) FreeNetwork();

    for (auto& row : Routes)
        for (TRouteRec& r : row) {
            int out = 0;
            for (int k = 0; k < r.WaypointCount; ++k) {
                std::int32_t moved = newIndex[r.Waypoints[k]];
                if (moved >= 0) r.Waypoints[out++] = std::uint16_t(moved);
            }
            if (r.WaypointCount > 0) r.WaypointCount = std::int8_t(out);
        }
}

void TMap::NewMap() {
    ViewX = DefaultView;
    ViewY = DefaultView;
    SetObjectCount(0);
    SelectMode = 0;
    Modified = false;
    FileName = NewMapName;
    // Every field, stored or derived: a new map keeps nothing of the one before, so that it
    // saves as the empty map does.
    for (auto& row : Routes)
        for (TRouteRec& r : row)
            r = TRouteRec{};
    Extras = {};
    ExtrasWarning.clear();
    FreeNetwork();
}

int TMap::IndexOf(const TMapObject* object) const {
    if (Objects.empty() || object < Objects.data() || object >= Objects.data() + Objects.size())
        return -1;
    return int(object - Objects.data());
}

void TMap::ClearMarks() {
    for (TMapObject& o : Objects)
        o.SetSelected(false);
}

void TMap::Compact(TObjectFilter remove) {
    std::vector<bool> keep(Objects.size());
    bool deleted = false;
    for (std::size_t j = 0; j < Objects.size(); ++j) {
        keep[j] = !remove(Objects[j]);
        deleted = deleted || !keep[j];
    }
    if (!deleted) return;
    Modified = true;
    KeepObjects(keep);
}

void TMap::PurgeInvalid() {
    Compact(IsInvalidObject);
}

bool TMap::AddObject(const TMapObject& object) {
    if (ObjectCount() >= MaxObjects) return false;
    Objects.push_back(object);
    return true;
}

void TMap::DeleteSelected() {
    Compact([](const TMapObject& o) { return o.Selected(); });
}

bool IsInvalidObject(const TMapObject& o) {
    auto outside = [&](int low, int high) {
        return o.X1 < low || o.X1 > high || o.Y1 < low || o.Y1 > high || o.X2 < low ||
               o.X2 > high || o.Y2 < low || o.Y2 > high;
    };
    const int kind = o.Kind();
    if (kind >= DoubleTrack && outside(10, 9989)) return true;
    if (outside(0, 9999)) return true;
    const int dx = o.X2 - o.X1, dy = o.Y2 - o.Y1;
    const int lengthSq = dx * dx + dy * dy;
    if (kind == Rail && lengthSq < 100) return true;
    if (kind > Rail && lengthSq < 400) return true;
    return false;
}

TMapFileContents TMap::StoredContents() const {
    TMapFileContents contents;
    contents.Objects = Objects;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            contents.Routes[i][j] = StoredPartOf(Routes[i][j]);
    return contents;
}

void TMap::ApplyLoadedContents(TMapFileContents contents, TMapExtras extras) {
    Objects = std::move(contents.Objects);
    Extras = std::move(extras);
    // The derived route fields are left as they are: they are recomputed when a map is selected.
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            SetStoredPart(Routes[i][j], contents.Routes[i][j]);
    // Old network data names objects by index and would now point at the wrong ones.
    FreeNetwork();
    ClearMarks();
    PurgeInvalid();
    Modified = false;
    ViewX = DefaultView;
    ViewY = DefaultView;
    SelectMode = 0;
}

bool TMap::LoadFromFile(TMapFileError* error, TFileFault* fault) {
    std::vector<std::uint8_t> bytes;
    TMapFileContents contents;
    TFileFault f = ReadFileBytes(FileName, bytes, MaxMapFileSize);
    TMapFileError e =
        f == TFileFault::None ? ParseMapFile(bytes, contents) : TMapFileError::CannotOpen;
    if (f == TFileFault::None && e != TMapFileError::None)
        f = bytes.empty() ? TFileFault::Empty : TFileFault::Damaged;
    if (error) *error = e;
    if (fault) *fault = f;
    if (e != TMapFileError::None) return false;
    TMapExtras extras;
    std::string warning = ReadMapExtras(FileName, contents, extras);
    ApplyLoadedContents(std::move(contents), std::move(extras));
    ExtrasWarning = std::move(warning);
    return true;
}

bool TMap::SaveToFile(TFileFault* fault) {
    // A stream takes the map's bytes alone; a target that is refused fails below.
    const bool toFile = ClassifyTarget(FileName) == TTargetKind::File;
    const std::vector<std::uint8_t> extras =
        toFile ? EncodeMapExtras(*this) : std::vector<std::uint8_t>{};
    const std::string extrasPath = MapExtrasPath(FileName);
    TFileFault f = TFileFault::None;
    // First, so that a failed map write leaves the old map beside names of the new one, which
    // apply only to routes it still has unchanged. No recovery copy of it: copies are of maps.
    if (!extras.empty()) f = WriteFileAtomically(extrasPath, extras);
    if (f == TFileFault::None)
        f = WriteFileAtomically(FileName, SerializeMapFile(StoredContents()),
                                DefaultRecoveryFolder());
    if (fault) *fault = f;
    if (f != TFileFault::None) return false;
    // The file beside a map is of the map as last saved: one of another save would outlive it.
    if (toFile && extras.empty()) RemoveMapExtrasFile(extrasPath);
    Modified = false;
    return true;
}

std::string TMap::ModifiedPrompt() const {
    return Arg(translate("Map", "Карта '%1' была изменена. Сохранить?"), MapDisplayName(FileName));
}

} // namespace vell
