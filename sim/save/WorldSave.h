// The world save (.vls): the whole state the next world step reads and a run's figures need,
// written to a file and read back so that stepping on gives the same world, bit for bit, as the
// run that was never interrupted. Little-endian: a magic, a format version, the body's length
// and its FNV-1a 64 checksum, then the body.
#pragma once

#include "model/FileFault.h"
#include "model/Map.h"
#include "model/SealedFile.h"
#include "sim/shift/ShiftScore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vell {

class TWorld;
class TRunStatistics;
class TJamWatch;

// Version 2 adds the shift being driven and its score; version 1 files are still read, as saves
// without one.
constexpr std::uint16_t WorldSaveVersion = 2;

// What the program, not the world, owns; kept in the save for the game. The player's tram is the
// world's PlayerTram, saved with the world.
struct TProgramState {
    bool Autopilot = true;
    std::int32_t GameSpeed = 1; // world steps per timer tick, 1..1024
};

// Everything that goes with the world into a save. The watchers may be none.
struct TRunState {
    std::uint32_t Seed = 0; // the run's seed, as the run was started
    long long Steps = 0;    // world steps since the world started
    TRunStatistics* Statistics = nullptr;
    TJamWatch* Jams = nullptr;
    TProgramState Program;
    // The shift the player drives and its score, told of every world step by whoever steps the
    // world for the player (the cab, a replay); may be none.
    TShiftScore* Shift = nullptr;
};

// Why a save or a replay could not be read or written: the fault's words, or "ошибка
// ввода-вывода" when the system says no more.
std::string SaveFaultReason(TFileFault fault);

// The FNV-1a 64 hash of the map file's bytes; false, with `fault`, when it cannot be read.
bool MapFileHash(const std::string& path, std::uint64_t& hash, TFileFault* fault = nullptr);

// The save's bytes for a world over the map file `mapPath`, whose bytes hash to `mapHash`.
std::vector<std::uint8_t> EncodeWorldSave(const TWorld& world, const TRunState& run,
                                          const std::string& mapPath, std::uint64_t mapHash);

// Puts the body's length and checksum into the header of a save's bytes (a whole header, then
// the body): the last step of EncodeWorldSave, and what a test or the fuzzer that changes a
// body does again so that the change reaches the reader's checks. Bytes shorter than a header
// stay as they are.
void SealWorldSave(std::vector<std::uint8_t>& bytes);

// The world's map file as a save names it: its absolute path and the hash of its bytes. False,
// with one Russian line in `error`, when the file cannot be read.
bool WorldMapFile(const TWorld& world, std::string& mapPath, std::uint64_t& mapHash,
                  std::string& error);

// Writes the save through the safe save, naming the world's map by its absolute path; empty
// when written, else one Russian line why.
std::string WriteWorldSave(const std::string& path, const TWorld& world, const TRunState& run);

// A save read and checked as a file, not yet against its map.
struct TWorldSave {
    std::string MapPath;
    std::uint64_t MapHash = 0;
    std::uint32_t Seed = 0;
    long long Steps = 0;
    TProgramState Program;
    // The shift's score as saved; none in a version 1 save or a run without a shift.
    std::optional<TShiftScore> Shift;
    std::vector<std::uint8_t> World; // the world's part of the body, read by RestoreWorld
};

// Reads a save's bytes: magic, version, length, checksum and header. False, with one Russian
// line in `error`, when they are not a save this program reads.
bool DecodeWorldSave(std::span<const std::uint8_t> bytes, TWorldSave& save, std::string& error);
// The same from a file.
bool ReadWorldSave(const std::string& path, TWorldSave& save, std::string& error);

// Where a save's or a recording's map is looked for when it is not at the path the file names
// (the file and its map moved to another folder or machine).
struct TMapSearch {
    std::string SavedFile;   // the save or the recording: its folder is looked in; empty: none
    std::string BundledMaps; // the maps that come with the programs; empty: none
    std::string Chosen;      // a map file the user named (--map FILE, the game's question)
};

// The save's map file: the path the save names, then a file of that name in the folder of
// `search.SavedFile`, then in `search.BundledMaps`, then `search.Chosen`; the first regular
// file of at most 16 MB whose bytes hash as the save says. Nothing else is opened, so a pipe or
// a device of that name neither blocks nor is read. False, with one Russian line in `error`
// (the chosen file's fault when there is one, else the first candidate whose bytes differ, else
// the first that could not be read, else the missing map), when none fits.
bool FindSavedMap(const TWorldSave& save, const TMapSearch& search, std::string& path,
                  std::string& error);

// Loads the save's map, found by FindSavedMap, into `map` (not yet selected; its FileName the
// file found): false, with `error`, when no candidate is the map the save was written over or
// the map cannot be read; `map` then stays as it was.
bool LoadSavedMap(const TWorldSave& save, TMap& map, std::string& error,
                  const TMapSearch& search = {});

// Starts `world` (not running, over the save's map, selected) and puts the saved state into it,
// its random generator, the run's watchers (those given) and `run`'s steps, seed and program
// state, and the saved shift into `run.Shift` when given (a save without one leaves it not
// started). Every index and count, and every figure against what a world that ran the save's steps
// can reach, is checked first: false, with `error`, when one is out of range; the world then
// stays not running and the map and the generator as they were.
bool RestoreWorld(const TWorldSave& save, TWorld& world, TRunState& run, std::string& error);

// What a program needs of a save beyond its fitting its map.
enum class TSaveUse {
    Any,       // a run on headless, a recording's start
    PlayerCab, // a game continued in the cab: the save must have a player's tram
};

// Whether the saved world has the player's tram, read from the save alone (not against its
// map). False, with one Russian line in `error`, when its world's part does not read.
bool SavedPlayerTram(const TWorldSave& save, bool& player, std::string& error);

// Whether the save restores over its map: the map loaded, selected and the world restored on a
// map, a generator and a world of its own. False, with `error`, when LoadSavedMap or
// RestoreWorld would refuse it, or for `PlayerCab` when the world has no player's tram; a
// program asks this before it leaves its open map for the save's.
bool SaveFitsItsMap(const TWorldSave& save, std::string& error, const TMapSearch& search = {},
                    TSaveUse use = TSaveUse::Any);

// The line that refuses a save without a player's tram for the cab.
std::string NoPlayerTramInSave();

// A digest of the whole state a save keeps of the world and the run (the save's body but for
// the map's name and the shift, which only watches).
std::uint64_t WorldStateDigest(const TWorld& world, const TRunState& run);

} // namespace vell
