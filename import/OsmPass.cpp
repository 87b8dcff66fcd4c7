// One pass over an extract with libosmium, and its exceptions turned into one-line messages.
#include "import/OsmPass.h"

#include "model/FileFault.h"
#include "model/Texts.h"

#include <osmium/io/bzip2_compression.hpp>
#include <osmium/io/gzip_compression.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/io/xml_input.hpp>
#include <protozero/pbf_reader.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace vell::import {

namespace {

// The endings the import reads, with libosmium's name of each format; the longer endings first.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> FormatOfEnding{{
    {".osm.pbf", "pbf"},
    {".osm.bz2", "osm.bz2"},
    {".osm.gz", "osm.gz"},
    {".pbf", "pbf"},
    {".osm", "osm"},
}};

bool IsFormat(std::string_view format) {
    return std::any_of(FormatOfEnding.begin(), FormatOfEnding.end(),
                       [&](const auto& entry) { return entry.second == format; });
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The format of a file by its name's ending; empty when it is none the import reads.
std::string_view FormatOfPath(std::string_view path) {
    const std::string lower = LowerCase(path);
    for (const auto& [ending, format] : FormatOfEnding)
        if (lower.size() > ending.size() && lower.ends_with(ending)) return format;
    return {};
}

// libosmium reads "-" and "" as standard input and hands "http:...", "ftp:..." and "file:..."
// to curl; a relative path starting with "./" is always a file.
std::string LocalPath(const std::string& path) {
    return path.starts_with('/') ? path : "./" + path;
}

osmium::io::File OsmiumFile(const TOsmInput& input) {
    if (!input.Path.empty()) {
        const std::string_view format = FormatOfPath(input.Path);
        if (format.empty())
            throw TReadError(Arg(translate("Import", "%1 не выписка OpenStreetMap: нужен файл "
                                                     ".osm.pbf, .osm, .osm.gz или .osm.bz2."),
                                 input.Path));
        return osmium::io::File(LocalPath(input.Path), std::string(format));
    }
    if (!IsFormat(input.Format))
        throw TReadError(Arg(translate("Import", "Неизвестный формат выписки OpenStreetMap: %1."),
                             input.Format));
    return osmium::io::File(input.Bytes.data(), input.Bytes.size(), input.Format);
}

// The bytes of the file at `offset`, fewer at its end.
class TBlockSource {
  public:
    explicit TBlockSource(const TOsmInput& input)
        : FromFile(!input.Path.empty()), Bytes(input.Bytes) {
        std::error_code error;
        if (!FromFile || !std::filesystem::is_regular_file(LocalPath(input.Path), error)) return;
        File.open(LocalPath(input.Path), std::ios::binary);
        File.seekg(0, std::ios::end);
        FileSize = File ? static_cast<std::uint64_t>(File.tellg()) : 0;
    }
    // False when the file cannot be opened: the reader itself says why.
    bool Opened() const { return !FromFile || File.is_open(); }
    std::uint64_t Size() const { return File.is_open() ? FileSize : Bytes.size(); }
    std::string Read(std::uint64_t offset, std::size_t count) {
        if (!File.is_open()) return std::string(Bytes.substr(offset, count));
        std::string bytes(count, '\0');
        File.seekg(static_cast<std::streamoff>(offset));
        File.read(bytes.data(), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<std::size_t>(File.gcount()));
        return bytes;
    }

  private:
    bool FromFile;
    std::string_view Bytes;
    std::ifstream File;
    std::uint64_t FileSize = 0;
};

// The size of the blob that a PBF block header announces (its field 3, datasize).
std::int64_t BlobSize(const std::string& header) {
    protozero::pbf_reader message{header};
    std::int64_t size = -1;
    while (message.next()) {
        if (message.tag() == 3 && message.wire_type() == protozero::pbf_wire_type::varint)
            size = message.get_int32();
        else
            message.skip();
    }
    return size;
}

struct TCutShort : std::runtime_error {
    TCutShort() : std::runtime_error("the PBF file does not end where a block ends") {}
};

} // namespace

void CheckPbfEndsWithABlock(const TOsmInput& input) {
    const std::string_view format = input.Path.empty() ? input.Format : FormatOfPath(input.Path);
    if (format != "pbf") return;
    TBlockSource source(input);
    if (!source.Opened()) return;
    const std::uint64_t size = source.Size();
    std::uint64_t offset = 0;
    while (offset < size) {
        // A block: the header's length in 4 bytes (big-endian), the header, the blob.
        const std::string length = source.Read(offset, 4);
        if (length.size() < 4) throw TCutShort();
        const std::uint32_t headerSize = (std::uint32_t(std::uint8_t(length[0])) << 24) |
                                         (std::uint32_t(std::uint8_t(length[1])) << 16) |
                                         (std::uint32_t(std::uint8_t(length[2])) << 8) |
                                         std::uint32_t(std::uint8_t(length[3]));
        if (headerSize == 0 || headerSize > 64 * 1024 || size - offset - 4 < headerSize)
            throw TCutShort();
        const std::int64_t blobSize = BlobSize(source.Read(offset + 4, headerSize));
        offset += 4 + headerSize;
        if (blobSize <= 0 || size - offset < static_cast<std::uint64_t>(blobSize))
            throw TCutShort();
        offset += static_cast<std::uint64_t>(blobSize);
    }
}

std::string_view ExtractEnding(std::string_view path) {
    const std::string lower = LowerCase(path);
    for (const auto& entry : FormatOfEnding)
        if (lower.size() > entry.first.size() && lower.ends_with(entry.first))
            return path.substr(path.size() - entry.first.size());
    return {};
}

std::string ImportedMapName(const std::string& extract) {
    const std::size_t ending = ExtractEnding(extract).size();
    const std::size_t slash = extract.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (ending == 0 || extract.size() - ending <= nameStart) return extract + ".vl";
    return extract.substr(0, extract.size() - ending) + ".vl";
}

TOsmInput TOsmInput::File(std::string path) {
    TOsmInput input;
    input.Path = std::move(path);
    return input;
}

TOsmInput TOsmInput::Memory(std::string_view bytes, std::string format) {
    TOsmInput input;
    input.Bytes = bytes;
    input.Format = std::move(format);
    return input;
}

std::string TOsmInput::Name() const {
    return Path.empty() ? "[" + Format + "]" : Path;
}

void ReadPass(const TOsmInput& input, osmium::osm_entity_bits::type kinds,
              const std::function<void(const osmium::memory::Buffer&)>& visit,
              const TPassProgress& progress) {
    osmium::io::Reader reader{OsmiumFile(input), kinds, osmium::io::read_meta::no};
    const double size = double(reader.file_size());
    progress.Report(0);
    while (osmium::memory::Buffer buffer = reader.read()) {
        visit(buffer);
        progress.Report(size > 0 ? double(reader.offset()) / size : 0);
    }
    reader.close();
    progress.Report(1);
}

void RethrowAsReadError(const TOsmInput& input) {
    try {
        throw;
    } catch (const TReadError&) {
        throw;
    } catch (const TImportCancelled&) {
        throw;
    } catch (const std::system_error& error) {
        // Opening and reading the file: libosmium reports the system's errno.
        const bool systemError = error.code().category() == std::system_category() ||
                                 error.code().category() == std::generic_category();
        const std::string reason =
            systemError ? FaultReason(FaultOfErrno(error.code().value())) : std::string();
        if (reason.empty())
            throw TReadError(Arg(translate("Import", "Не удалось прочитать %1."), input.Name()));
        throw TReadError(
            Arg(translate("Import", "Не удалось прочитать %1. %2"), input.Name(), reason));
    } catch (const std::bad_alloc&) {
        throw TReadError(
            Arg(translate("Import", "Не хватило памяти, чтобы прочитать %1."), input.Name()));
    } catch (...) {
        // libosmium's format errors (PBF, XML, gzip, bzip2), numbers out of range, a buffer
        // too small: the file is not what its name says, or is damaged or cut short.
        throw TReadError(
            Arg(translate("Import", "Выписка OpenStreetMap %1 повреждена или оборвана."),
                input.Name()));
    }
}

} // namespace vell::import
