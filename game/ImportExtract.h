// Choosing an OpenStreetMap extract in the route selection window: where its map is written and
// whether a folder takes a new file. The import itself runs in TSelectRoute::ImportExtract.
#pragma once

#include <string>

namespace vell {

// "Импорт из OpenStreetMap... %1 %": the caption while an extract is imported.
extern const char* const ImportingCaption;
// "Ошибка при импорте из OpenStreetMap!": the first line of the message on a failed import.
extern const char* const ImportErrorText;
// "Карта из OpenStreetMap записана: %1": the message once the imported map is written and open.
extern const char* const ImportedMapText;
// The second line of the save error when the chosen name is the extract itself.
extern const char* const MapOverExtractText;

// Whether the file is an extract to import: its name ends as extracts are given (".osm.pbf",
// ".pbf", ".osm", ".osm.gz", ".osm.bz2", ".osm.xml" and it packed, in any case), or, but for a
// ".vl" file, its first bytes are an extract's; everything else is opened as a map.
bool IsExtractFile(const std::string& path);
// Whether a new file can be made in `folder`, found by making one and removing it: root writes
// where the permission bits say no, and a read-only mount refuses even root.
bool FolderTakesNewFile(const std::string& folder);

} // namespace vell
