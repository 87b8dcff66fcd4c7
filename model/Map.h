// The city map (TMap): objects in drawing order, the route table and the state around them.
#pragma once

#include "model/Links.h"
#include "model/MapExtras.h"
#include "model/MapFile.h"
#include "model/MapObject.h"
#include "model/Route.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vell {

constexpr int MaxObjects = 65535;
constexpr int DefaultView = 4800;
extern const char* const NewMapName; // "Новая": a map that has no file yet

// A map's file name as a user reads it: NewMapName in the program's language.
std::string MapDisplayName(const std::string& fileName);

using TObjectFilter = bool (*)(const TMapObject&);
using TRouteMeasure = double (*)(const TMapObject&);

class TMap {
  public:
    TMap() { NewMap(); }

    std::string FileName;
    bool Snapped = false;
    bool NetworkOk = false;
    std::int32_t SnapX = 0;
    std::int32_t SnapY = 0;
    bool Modified = false;
    std::vector<TMapObject> Objects; // Objects.size() is the object count
    TRouteTable Routes{};
    std::int32_t ViewX = DefaultView;
    std::int32_t ViewY = DefaultView;
    std::uint8_t SelectMode = 0; // 0 idle, 2 selecting, 3 deselecting
    // Network links by object index; empty for non-rails and until the network is built.
    std::vector<std::optional<TLinkRec>> Links;
    // What the map carries beside its file (the line names): read and written with it, no part
    // of the map file's bytes.
    TMapExtras Extras;
    // Why the file beside the map was passed over at the last load, one line for the user;
    // empty when it was read or there was none. The programs say it where their warnings go.
    std::string ExtrasWarning;

    int ObjectCount() const { return int(Objects.size()); }
    TRouteRec& Route(int row, int column) { return Routes[row][column]; }
    const TRouteRec& Route(int row, int column) const { return Routes[row][column]; }

    // Loads the map named on the command line (with ".vl" added to a file name without a dot),
    // or makes a new map when there is no argument or the file cannot be loaded.
    void Create(const char* firstArgument);
    // Why the map named on the command line was not loaded; None when it was, or none was
    // named. No window exists while Create runs: the windows report it once they are up.
    TFileFault CreateFault = TFileFault::None;

    // Grows with zeroed records, or shrinks and drops the removed objects from every route.
    void SetObjectCount(int n);
    void NewMap();
    // Index of an object of this map given its address, or -1.
    int IndexOf(const TMapObject* object) const;
    void ClearMarks();
    // Deletes every object for which `remove` is true, keeping the order of the rest.
    void Compact(TObjectFilter remove);
    void PurgeInvalid();
    // Appends one object; false, changing nothing, when the map already holds 65535. Does not
    // mark the map modified: its callers decide that.
    bool AddObject(const TMapObject& object);
    // Deletes every selected object (they leave every route), marking the map modified if any.
    void DeleteSelected();

    // Reads FileName, and the file beside it (ExtrasWarning says when that one was passed over).
    // On any failure the map stays exactly as it was; `error` says why, and `fault` says it to
    // the user.
    bool LoadFromFile(TMapFileError* error = nullptr, TFileFault* fault = nullptr);
    // Writes FileName whole, or leaves the old file untouched and returns false. The file beside
    // it is written first when the map carries anything for it, else removed once the map is
    // written; a map written to a stream gets none.
    bool SaveToFile(TFileFault* fault = nullptr);

    std::string ModifiedPrompt() const;

    // The rail network (Network.cpp). BuildNetwork returns -1 for a sound network, else the
    // highest faulty rail; every faulty rail is left Selected.
    int BuildNetwork();
    void FreeNetwork();
    const TLinkRec* Link(int index) const {
        return index >= 0 && std::size_t(index) < Links.size() && Links[index] ? &*Links[index]
                                                                               : nullptr;
    }

    // Routes over the network (Routes.cpp); each does nothing while NetworkOk is false or the
    // slot has fewer than two waypoints. LayRoute tells what stands in a route's way.
    TRouteLaying LayRoute(int row, int column);
    void ComputeSchedule(int row, int column);
    void MarkRoute(int row, int column);
    // The sum of `measure` over the rails of one circuit (IsStopMeasure, Length).
    double SumAlongRoute(int row, int column, TRouteMeasure measure) const;
    // Catchment of every stop from the walls around it; also empties the stops.
    void ComputeCatchment();

    TMapFileContents StoredContents() const;
    void ApplyLoadedContents(TMapFileContents contents, TMapExtras extras = {});

  private:
    // Keeps the objects with keep[i] true in order and renumbers the waypoints with them.
    void KeepObjects(const std::vector<bool>& keep);
};

bool IsInvalidObject(const TMapObject& o);

} // namespace vell
