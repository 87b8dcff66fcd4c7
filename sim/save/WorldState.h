// The world's part of a save's body (see WorldSave.h), written and read field by field.
#pragma once

#include "sim/save/SaveArchive.h"
#include "sim/save/WorldSave.h"

#include <span>
#include <string>

namespace vell {

void WriteWorldState(TSaveWriter& out, const TWorld& world, const TRunState& run);

// Reads the world's part of a world that has run `steps` steps, starts `world` and puts the
// state into it and into `run`'s watchers; false, with one Russian line in `error`, when an
// index, a count or a figure is out of range, the world then not running and the map and the
// generator as they were.
bool RestoreWorldState(std::span<const std::uint8_t> bytes, long long steps, TWorld& world,
                       TRunState& run, std::string& error);

// Reads the world's part alone, not against a world: whether it names the player's tram.
bool ReadsWithPlayerTram(std::span<const std::uint8_t> bytes, bool& player, std::string& error);

} // namespace vell
