// A small OSM XML extract whose tram ways have no usable segment: one way's nodes all share one
// location, the other (hard-clipped at the box) has a single node with a location. Every reader
// takes it, and no square can be placed on its track.
#pragma once

#include <fstream>
#include <string>

namespace vell::import::test {

inline const char* const UnusableTrackOsm = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="vell test">
  <node id="1" lat="48.1372" lon="11.5755"/>
  <node id="2" lat="48.1372" lon="11.5755"/>
  <node id="3" lat="48.1372" lon="11.5755"/>
  <node id="10" lat="48.1400" lon="11.5800"/>
  <way id="100">
    <nd ref="1"/><nd ref="2"/><nd ref="3"/>
    <tag k="railway" v="tram"/>
  </way>
  <way id="101">
    <nd ref="10"/><nd ref="11"/><nd ref="12"/>
    <tag k="railway" v="tram"/>
  </way>
  <relation id="1000">
    <member type="way" ref="100" role=""/>
    <member type="way" ref="101" role=""/>
    <tag k="type" v="route"/><tag k="route" v="tram"/><tag k="ref" v="5"/>
  </relation>
</osm>
)";

// Writes that extract to `path`; false when it cannot be written.
inline bool WriteUnusableTrackExtract(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << UnusableTrackOsm;
    return bool(out.flush());
}

} // namespace vell::import::test
