// The world save's file: its header, the map it belongs to, and writing and reading it whole.
#include "sim/save/WorldSave.h"

#include "model/MapFile.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/SafeFile.h"
#include "model/Texts.h"
#include "sim/World.h"
#include "sim/save/SaveArchive.h"
#include "sim/save/WorldState.h"

#include <array>
#include <filesystem>

namespace vell {

namespace {

constexpr TFileMagic Magic = {'V', 'L', 'S', 'V'};
// Far above the largest world (1024 trams, 65535 objects): a file bigger than this is no save.
constexpr std::size_t MaxSaveBytes = std::size_t(64) << 20;
constexpr std::size_t MaxMapBytes = std::size_t(16) << 20;

// The body: the map, the run's seed and steps, the program's state, the shift (none in the
// digest's body), then the world's part.
std::vector<std::uint8_t> Body(const TWorld& world, const TRunState& run,
                               const std::string& mapPath, std::uint64_t mapHash,
                               bool withShift = true) {
    TSaveWriter a;
    a.Out.Reserve(std::size_t(world.VellCount) * 700 + world.Occupancy.size() * 2 + 8192);
    a(std::uint16_t(mapPath.size()));
    a.Out.WriteBytes({reinterpret_cast<const std::uint8_t*>(mapPath.data()), mapPath.size()});
    a(mapHash);
    a(run.Seed);
    a(run.Steps);
    a(run.Program.Autopilot);
    a(run.Program.GameSpeed);
    if (withShift) {
        const bool shift = run.Shift && run.Shift->Started();
        a(shift);
        if (shift) TShiftScore(*run.Shift).Fields(a);
    }
    WriteWorldState(a, world, run);
    return a.Out.Take();
}

} // namespace

std::string SaveFaultReason(TFileFault fault) {
    const std::string reason = FaultReason(fault);
    return reason.empty() ? translate("WorldSave", "ошибка ввода-вывода") : reason;
}

bool MapFileHash(const std::string& path, std::uint64_t& hash, TFileFault* fault) {
    std::vector<std::uint8_t> bytes;
    const TFileFault f = ReadFileBytes(path, bytes, MaxMapBytes);
    if (fault) *fault = f;
    if (f != TFileFault::None) return false;
    hash = Fnv1a64(bytes);
    return true;
}

void SealWorldSave(std::vector<std::uint8_t>& bytes) {
    SealHeader(bytes);
}

std::vector<std::uint8_t> EncodeWorldSave(const TWorld& world, const TRunState& run,
                                          const std::string& mapPath, std::uint64_t mapHash) {
    return SealFile(Magic, WorldSaveVersion, Body(world, run, mapPath.substr(0, 65535), mapHash));
}

bool WorldMapFile(const TWorld& world, std::string& mapPath, std::uint64_t& mapHash,
                  std::string& error) {
    std::error_code failed;
    mapPath = std::filesystem::absolute(world.Map.FileName, failed).string();
    if (failed) mapPath = world.Map.FileName;
    TFileFault fault = TFileFault::None;
    if (MapFileHash(mapPath, mapHash, &fault)) return true;
    error = Arg(translate("WorldSave", "Не удалось прочитать карту %1: %2"), mapPath,
                SaveFaultReason(fault));
    return false;
}

std::string WriteWorldSave(const std::string& path, const TWorld& world, const TRunState& run) {
    std::string mapPath, error;
    std::uint64_t hash = 0;
    if (!WorldMapFile(world, mapPath, hash, error)) return error;
    const TFileFault fault = WriteFileAtomically(path, EncodeWorldSave(world, run, mapPath, hash));
    if (fault != TFileFault::None)
        return Arg(translate("WorldSave", "Не удалось записать сохранение %1: %2"), path,
                   SaveFaultReason(fault));
    return {};
}

bool DecodeWorldSave(std::span<const std::uint8_t> bytes, TWorldSave& save, std::string& error) {
    std::uint16_t version = 0;
    std::span<const std::uint8_t> body;
    TSealFault fault = OpenSealedFile(bytes, Magic, WorldSaveVersion, version, body);
    if (fault == TSealFault::OtherVersion && version == 1)
        fault = OpenSealedFile(bytes, Magic, 1, version, body);
    switch (fault) {
    case TSealFault::None:
        break;
    case TSealFault::OtherKind:
        error = translate("WorldSave", "Это не файл сохранения мира.");
        return false;
    case TSealFault::CutShort:
        error = translate("WorldSave", "Файл сохранения обрывается раньше времени.");
        return false;
    case TSealFault::OtherVersion:
        error = Arg(translate("WorldSave", "Сохранение другой версии формата (%1): эта программа "
                                           "читает версию %2."),
                    std::to_string(version), std::to_string(WorldSaveVersion));
        return false;
    case TSealFault::Damaged:
        error = translate("WorldSave", "Файл сохранения повреждён: контрольная сумма не сходится.");
        return false;
    }
    TSaveReader a(body);
    TWorldSave read;
    std::uint16_t nameLength = 0;
    std::span<const std::uint8_t> name;
    a(nameLength);
    a.Check(a.In.ReadBytes(nameLength, name));
    a(read.MapHash);
    a(read.Seed);
    a(read.Steps);
    a(read.Program.Autopilot);
    a(read.Program.GameSpeed);
    bool shift = false;
    if (version >= 2) a(shift);
    if (shift) {
        read.Shift.emplace();
        read.Shift->Fields(a);
    }
    if (!a.Ok || read.Steps < 0 || read.Program.GameSpeed < 1 || read.Program.GameSpeed > 1024 ||
        name.empty() || (read.Shift && !read.Shift->Started()) ||
        (read.Shift && read.Shift->Evaluation().EndStep > read.Steps)) {
        error = Arg(translate("WorldSave", "Сохранение повреждено: %1."),
                    translate("WorldSave", "заголовок вне пределов"));
        return false;
    }
    read.MapPath.assign(name.begin(), name.end());
    const std::size_t at = body.size() - a.In.Left();
    read.World.assign(body.begin() + std::ptrdiff_t(at), body.end());
    save = std::move(read);
    return true;
}

bool ReadWorldSave(const std::string& path, TWorldSave& save, std::string& error) {
    std::vector<std::uint8_t> bytes;
    const TFileFault fault = ReadFileBytes(path, bytes, MaxSaveBytes);
    if (fault != TFileFault::None) {
        error = Arg(translate("WorldSave", "Не удалось прочитать сохранение %1: %2"), path,
                    SaveFaultReason(fault));
        return false;
    }
    return DecodeWorldSave(bytes, save, error);
}

namespace {

// What one candidate for a save's map turned out to be.
enum class TCandidate { Fits, Missing, Differs, Unreadable };

// Stats before it opens, so that only a regular file of a map's size is read at all.
TCandidate TryMapCandidate(const std::string& path, std::uint64_t wanted, std::string& reason) {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::file_status status = fs::status(path, failed);
    if (status.type() == fs::file_type::not_found) return TCandidate::Missing;
    TFileFault fault = TFileFault::None;
    if (failed)
        fault = FaultOfErrno(failed.value());
    else if (status.type() == fs::file_type::directory)
        fault = TFileFault::IsFolder;
    else if (status.type() != fs::file_type::regular) {
        reason = translate("WorldSave", "это не обычный файл");
        return TCandidate::Unreadable;
    } else if (const std::uintmax_t size = fs::file_size(path, failed);
               !failed && size > MaxMapBytes)
        fault = TFileFault::TooBig;
    std::uint64_t hash = 0;
    if (fault == TFileFault::None && MapFileHash(path, hash, &fault))
        return hash == wanted ? TCandidate::Fits : TCandidate::Differs;
    if (fault == TFileFault::NotFound) return TCandidate::Missing;
    reason = SaveFaultReason(fault);
    return TCandidate::Unreadable;
}

// The places a save's map may be, in the order they are tried; each once.
std::vector<std::string> MapCandidates(const TWorldSave& save, const TMapSearch& search) {
    namespace fs = std::filesystem;
    const fs::path name = fs::path(save.MapPath).filename();
    std::vector<std::string> paths{save.MapPath};
    const auto add = [&](const fs::path& path) {
        const std::string normal = path.lexically_normal().string();
        for (const std::string& p : paths)
            if (fs::path(p).lexically_normal().string() == normal) return;
        paths.push_back(path.string());
    };
    if (!name.empty() && !search.SavedFile.empty()) {
        const fs::path folder = fs::path(search.SavedFile).parent_path();
        add((folder.empty() ? fs::path(".") : folder) / name);
    }
    if (!name.empty() && !search.BundledMaps.empty()) add(fs::path(search.BundledMaps) / name);
    return paths;
}

} // namespace

bool FindSavedMap(const TWorldSave& save, const TMapSearch& search, std::string& path,
                  std::string& error) {
    std::string differs, unreadable, reason;
    for (const std::string& candidate : MapCandidates(save, search)) {
        switch (TryMapCandidate(candidate, save.MapHash, reason)) {
        case TCandidate::Fits:
            path = candidate;
            return true;
        case TCandidate::Missing:
            break;
        case TCandidate::Differs:
            if (differs.empty())
                differs =
                    Arg(translate("WorldSave", "Карта %1 изменилась после сохранения."), candidate);
            break;
        case TCandidate::Unreadable:
            if (unreadable.empty())
                unreadable = Arg(translate("WorldSave", "Не удалось прочитать карту %1: %2"),
                                 candidate, reason);
            break;
        }
    }
    if (!search.Chosen.empty()) {
        switch (TryMapCandidate(search.Chosen, save.MapHash, reason)) {
        case TCandidate::Fits:
            path = search.Chosen;
            return true;
        case TCandidate::Missing:
            error = Arg(translate("WorldSave", "Нет файла карты %1"), search.Chosen);
            return false;
        case TCandidate::Differs:
            error = Arg(translate("WorldSave", "Карта %1 не та, над которой записано сохранение: "
                                               "её байты другие."),
                        search.Chosen);
            return false;
        case TCandidate::Unreadable:
            error = Arg(translate("WorldSave", "Не удалось прочитать карту %1: %2"), search.Chosen,
                        reason);
            return false;
        }
    }
    error = !differs.empty() ? differs
            : !unreadable.empty()
                ? unreadable
                : Arg(translate("WorldSave", "Нет карты сохранения: %1"), save.MapPath);
    return false;
}

bool LoadSavedMap(const TWorldSave& save, TMap& map, std::string& error, const TMapSearch& search) {
    std::string path;
    if (!FindSavedMap(save, search, path, error)) return false;
    const std::string oldName = map.FileName;
    map.FileName = path;
    TMapFileError failed = TMapFileError::None;
    if (!map.LoadFromFile(&failed)) {
        map.FileName = oldName;
        error = Arg(translate("WorldSave", "Не удалось прочитать карту %1: %2"), path,
                    Describe(failed));
        return false;
    }
    return true;
}

bool RestoreWorld(const TWorldSave& save, TWorld& world, TRunState& run, std::string& error) {
    if (save.Shift && !save.Shift->InBounds(world.Map.ObjectCount())) {
        error = Arg(translate("WorldSave", "Сохранение повреждено: %1."),
                    translate("WorldSave", "смена вне пределов"));
        return false;
    }
    if (!RestoreWorldState(save.World, save.Steps, world, run, error)) return false;
    if (run.Shift) *run.Shift = save.Shift ? *save.Shift : TShiftScore{};
    run.Seed = save.Seed;
    run.Steps = save.Steps;
    run.Program = save.Program;
    return true;
}

bool SavedPlayerTram(const TWorldSave& save, bool& player, std::string& error) {
    return ReadsWithPlayerTram(save.World, player, error);
}

std::string NoPlayerTramInSave() {
    return translate("WorldSave", "В сохранении нет трамвая игрока: в кабине нечего вести.");
}

bool SaveFitsItsMap(const TWorldSave& save, std::string& error, const TMapSearch& search,
                    TSaveUse use) {
    TMap map;
    if (!LoadSavedMap(save, map, error, search)) return false;
    SelectMap(map);
    TRandom random(0); // RestoreWorld sets its state
    TWorld world(map, random);
    TRunState run;
    if (!RestoreWorld(save, world, run, error)) return false;
    if (use == TSaveUse::PlayerCab && !world.PlayerTram) {
        error = NoPlayerTramInSave();
        return false;
    }
    return true;
}

std::uint64_t WorldStateDigest(const TWorld& world, const TRunState& run) {
    return Fnv1a64(Body(world, run, {}, 0, false));
}

} // namespace vell
