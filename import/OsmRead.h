// Reading an OpenStreetMap extract with libosmium: the tram network first, then the city inside
// the chosen square. Each read goes over the file in a few passes and keeps only what it needs,
// so that memory grows with the tram network and the square, not with the file.
#pragma once

#include "import/ImportProgress.h"
#include "import/OsmData.h"
#include "import/Projection.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace vell::import {

// An extract: a file of PBF or OSM XML, the XML also packed with gzip or bzip2, told by its first
// bytes whatever the file is called; or bytes in memory with their format named ("pbf", "osm",
// "osm.gz", "osm.bz2"), or told by their first bytes when none is named.
struct TOsmInput {
    std::string Path;       // empty when the extract is in Bytes
    std::string_view Bytes; // must outlive the reading
    std::string Format;     // of Bytes

    static TOsmInput File(std::string path);
    static TOsmInput Memory(std::string_view bytes, std::string format);
    // The file's path, or the format in brackets for bytes: what messages name.
    std::string Name() const;
};

// The ending of `path` that extracts are given, in any case, as the path spells it (".osm.pbf",
// ".PBF", ".osm.xml.gz"); empty for any other name.
std::string_view ExtractEnding(std::string_view path);
// Whether the file's first bytes are those of an extract the import reads. A pipe or a device is
// none, and is not waited on.
bool HoldsExtract(const std::string& path);
// The name of the map imported from `extract`: NAME.vl beside it, NAME being the file's name
// without its extract ending; a name that is all ending ("dir/.pbf") keeps it.
std::string ImportedMapName(const std::string& extract);

// A one-line message in the user's language: the file is missing or unreadable, not an extract,
// damaged or cut short, or holds no tram track.
class TReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The tram tracks, the route=tram relations, the stops and the locations of the nodes they use.
// Throws TReadError when the file cannot be read or holds no tram track with a location, and
// TImportCancelled when `progress` is cancelled.
TOsmExtract ReadTramNetwork(const TOsmInput& input, TImportProgress* progress = nullptr);

// Adds to `extract` the buildings, tree rows, single trees and parks that lie in `box`, with
// their counts. Throws TReadError when the file cannot be read, and TImportCancelled when
// `progress` is cancelled.
void ReadCity(const TOsmInput& input, const TGeoBox& box, TOsmExtract& extract,
              TImportProgress* progress = nullptr);

} // namespace vell::import
