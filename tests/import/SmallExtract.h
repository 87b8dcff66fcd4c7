// A small extract made from a real one, for the truncation tests and the fuzzer's seeds: its tram
// tracks, their nodes, the stop nodes and the route relations, written anew by libosmium.
#pragma once

#include <string>

namespace vell::import::test {

// The bytes of that extract of `source`, written in `format` ("pbf", "osm", "osm.gz", "osm.bz2")
// without metadata.
std::string SmallTramExtract(const std::string& source, const std::string& format);

} // namespace vell::import::test
