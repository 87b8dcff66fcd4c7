// A small extract made from a real one with libosmium's reader and writer.
#include "tests/import/SmallExtract.h"

#include <osmium/io/any_input.hpp>
#include <osmium/io/any_output.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace vell::import::test {

namespace {

bool Tagged(const osmium::OSMObject& object, const char* key, const char* value) {
    return object.tags().has_tag(key, value);
}

bool Kept(const osmium::OSMObject& object, const std::set<osmium::object_id_type>& trackNodes) {
    switch (object.type()) {
    case osmium::item_type::node:
        return trackNodes.contains(object.id()) || Tagged(object, "railway", "tram_stop") ||
               Tagged(object, "public_transport", "stop_position");
    case osmium::item_type::way:
        return Tagged(object, "railway", "tram");
    case osmium::item_type::relation:
        return Tagged(object, "route", "tram");
    default:
        return false;
    }
}

} // namespace

std::string SmallTramExtract(const std::string& source, const std::string& format) {
    std::set<osmium::object_id_type> trackNodes;
    osmium::io::Reader ways{source, osmium::osm_entity_bits::way};
    while (osmium::memory::Buffer buffer = ways.read())
        for (const osmium::Way& way : buffer.select<osmium::Way>())
            if (Tagged(way, "railway", "tram"))
                for (const osmium::NodeRef& node : way.nodes())
                    trackNodes.insert(node.ref());
    ways.close();

    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("vell-small-extract-" + std::to_string(::getpid()) + "." + format);
    {
        osmium::io::Reader reader{source, osmium::io::read_meta::no};
        osmium::io::Writer writer{osmium::io::File(path.string(), format + ",add_metadata=false"),
                                  osmium::io::Header{}, osmium::io::overwrite::allow};
        while (osmium::memory::Buffer buffer = reader.read())
            for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>())
                if (Kept(object, trackNodes)) writer(object);
        writer.close();
        reader.close();
    }
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    return bytes;
}

} // namespace vell::import::test
