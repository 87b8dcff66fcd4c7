// One pass over an extract with libosmium, and the one place where libosmium's and the system's
// exceptions become a TReadError: the readers call nothing else of libosmium's input side.
#pragma once

#include "import/ImportProgress.h"
#include "import/OsmRead.h"

#include <osmium/memory/buffer.hpp>
#include <osmium/osm/entity_bits.hpp>

#include <functional>

namespace vell::import {

// Reads the whole input once, handing `visit` each buffer of the kinds asked for, in file order,
// and reporting how far through the file it is after each buffer (where it may be cancelled).
void ReadPass(const TOsmInput& input, osmium::osm_entity_bits::type kinds,
              const std::function<void(const osmium::memory::Buffer&)>& visit,
              const TPassProgress& progress = {});

// Throws when a PBF extract does not end where a block ends. libosmium reads a file cut inside
// the 4 bytes that open a block, or one whose next block says its header is empty, as a whole
// file that ends there; nothing else needs this check.
void CheckPbfEndsWithABlock(const TOsmInput& input);

// Called inside a catch block: throws the exception being handled as a TReadError that names
// `input` (a TReadError and a TImportCancelled unchanged).
[[noreturn]] void RethrowAsReadError(const TOsmInput& input);

} // namespace vell::import
