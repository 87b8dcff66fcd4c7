// One pass over an extract with libosmium, and its exceptions turned into one-line messages.
#include "import/OsmPass.h"

#include "model/FileFault.h"
#include "model/SafeFile.h"
#include "model/Texts.h"

#include <osmium/io/bzip2_compression.hpp>
#include <osmium/io/gzip_compression.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/io/xml_input.hpp>
#include <protozero/exception.hpp>
#include <protozero/pbf_reader.hpp>

#include <bzlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <new>
#include <system_error>

namespace vell::import {

namespace {

// The endings extracts are given, longer endings first: only for the name of the map made from
// one. What a file holds is told by its first bytes, whatever it is called.
constexpr std::array<std::string_view, 8> ExtractEndings{
    ".osm.xml.bz2", ".osm.xml.gz", ".osm.xml", ".osm.pbf", ".osm.bz2", ".osm.gz", ".pbf", ".osm",
};

// libosmium's names of the formats the import reads.
constexpr std::array<std::string_view, 4> Formats{"pbf", "osm", "osm.gz", "osm.bz2"};

bool IsFormat(std::string_view format) {
    return std::find(Formats.begin(), Formats.end(), format) != Formats.end();
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// libosmium reads "-" and "" as standard input and hands "http:...", "ftp:..." and "file:..."
// to curl; a relative path starting with "./" is always a file.
std::string LocalPath(const std::string& path) {
    return path.starts_with('/') ? path : "./" + path;
}

// The first bytes a file's content is told by: a PBF block header is at most 64 KiB; bzip2
// gives nothing before the end of its first block, at most 900 kB of data packed.
constexpr std::size_t HeadBytes = 4 + 64 * 1024;
constexpr std::size_t Bzip2HeadBytes = 1024 * 1024 + 64 * 1024;

// At most `count` bytes from the input's start. A file that is not a regular one (a pipe, a
// device) is refused before it is opened: reading it could wait for ever.
std::string HeadOf(const TOsmInput& input, std::size_t count) {
    if (input.Path.empty()) return std::string(input.Bytes.substr(0, count));
    std::vector<std::uint8_t> bytes;
    const TFileFault fault = ReadFileBytes(LocalPath(input.Path), bytes, count);
    if (fault != TFileFault::None) {
        const std::string reason = FaultReason(fault);
        if (reason.empty())
            throw TReadError(Arg(translate("Import", "Не удалось прочитать %1."), input.Name()));
        throw TReadError(
            Arg(translate("Import", "Не удалось прочитать %1. %2"), input.Name(), reason));
    }
    return std::string(bytes.begin(), bytes.end());
}

// OSM XML: "<" and a declaration, a comment or an element, after a byte order mark and blanks.
bool StartsAsXml(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || bytes[start] != '<' || start + 1 >= bytes.size())
        return false;
    const char next = bytes[start + 1];
    return next == '?' || next == '!' || std::isalpha(static_cast<unsigned char>(next));
}

std::uint32_t BigEndian32(std::string_view bytes) {
    return (std::uint32_t(std::uint8_t(bytes[0])) << 24) |
           (std::uint32_t(std::uint8_t(bytes[1])) << 16) |
           (std::uint32_t(std::uint8_t(bytes[2])) << 8) | std::uint32_t(std::uint8_t(bytes[3]));
}

// PBF: the length of the first block header in 4 bytes (big-endian), then the header, whose
// type (field 1) is "OSMHeader". A start that ends inside a header of a length that can be is
// taken for a PBF file cut short: its reader says so.
bool StartsAsPbf(std::string_view bytes) {
    if (bytes.size() < 4) return false;
    const std::uint32_t size = BigEndian32(bytes);
    if (size == 0 || size > 64 * 1024) return false;
    if (bytes.size() - 4 < size) return true;
    try {
        protozero::pbf_reader header{bytes.data() + 4, size};
        while (header.next()) {
            if (header.tag() == 1 &&
                header.wire_type() == protozero::pbf_wire_type::length_delimited)
                return header.get_string() == "OSMHeader";
            header.skip();
        }
    } catch (const protozero::exception&) {
        // not a protocol buffer
    }
    return false;
}

// The first bytes (at most `most`) that the start of a gzip stream unpacks to; fewer, or none,
// when it is cut or damaged.
std::string GunzipHead(std::string_view packed, std::size_t most) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return {};
    std::string out(most, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    while (stream.avail_out > 0 && stream.avail_in > 0 && inflate(&stream, Z_SYNC_FLUSH) == Z_OK) {
    }
    out.resize(out.size() - stream.avail_out);
    inflateEnd(&stream);
    return out;
}

// The same for a bzip2 stream.
std::string Bunzip2Head(std::string_view packed, std::size_t most) {
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return {};
    std::string out(most, '\0');
    stream.next_in = const_cast<char*>(packed.data());
    stream.avail_in = static_cast<unsigned>(packed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<unsigned>(out.size());
    while (stream.avail_out > 0 && stream.avail_in > 0 && BZ2_bzDecompress(&stream) == BZ_OK) {
    }
    out.resize(out.size() - stream.avail_out);
    BZ2_bzDecompressEnd(&stream);
    return out;
}

[[noreturn]] void NotAnExtract(const TOsmInput& input) {
    throw TReadError(Arg(translate("Import", "%1 не выписка OpenStreetMap: в нём нет ни PBF, ни "
                                             "OSM XML (в том числе сжатого gzip или bzip2)."),
                         input.Name()));
}

// libosmium's name of the format a packed file holds, from the start of what it unpacks to.
// Packed XML that is cut or damaged right at its start unpacks to nothing: the reader says so.
std::string PackedFormat(const TOsmInput& input, const std::string& inside,
                         std::string_view format) {
    if (StartsAsPbf(inside))
        throw TReadError(Arg(translate("Import", "%1: выписка PBF, сжатая ещё раз (gzip или "
                                                 "bzip2), не читается; распакуйте её."),
                             input.Name()));
    if (inside.empty() || StartsAsXml(inside)) return std::string(format);
    NotAnExtract(input);
}

// libosmium's name of the format the input holds, told by its first bytes (for bytes in memory
// with a format named, that format).
std::string FormatOf(const TOsmInput& input) {
    if (input.Path.empty() && !input.Format.empty()) {
        if (!IsFormat(input.Format))
            throw TReadError(
                Arg(translate("Import", "Неизвестный формат выписки OpenStreetMap: %1."),
                    input.Format));
        return input.Format;
    }
    const std::string head = HeadOf(input, HeadBytes);
    if (head.starts_with("\x1F\x8B"))
        return PackedFormat(input, GunzipHead(head, HeadBytes), "osm.gz");
    if (head.starts_with("BZh"))
        return PackedFormat(input, Bunzip2Head(HeadOf(input, Bzip2HeadBytes), HeadBytes),
                            "osm.bz2");
    if (StartsAsXml(head)) return "osm";
    if (StartsAsPbf(head)) return "pbf";
    NotAnExtract(input);
}

osmium::io::File OsmiumFile(const TOsmInput& input) {
    const std::string format = FormatOf(input);
    if (!input.Path.empty()) return osmium::io::File(LocalPath(input.Path), format);
    return osmium::io::File(input.Bytes.data(), input.Bytes.size(), format);
}

// The bytes of the file at `offset`, fewer at its end. The file is opened only when it is a
// regular one, and without waiting.
class TBlockSource {
  public:
    explicit TBlockSource(const TOsmInput& input)
        : FromFile(!input.Path.empty()), Bytes(input.Bytes) {
        if (!FromFile) return;
        Fd = ::open(LocalPath(input.Path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat st {};
        if (Fd >= 0 && (::fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(Fd);
            Fd = -1;
        }
        FileSize = Fd >= 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    ~TBlockSource() {
        if (Fd >= 0) ::close(Fd);
    }
    TBlockSource(const TBlockSource&) = delete;
    TBlockSource& operator=(const TBlockSource&) = delete;
    // False when the file cannot be opened: the reader itself says why.
    bool Opened() const { return !FromFile || Fd >= 0; }
    std::uint64_t Size() const { return FromFile ? FileSize : Bytes.size(); }
    std::string Read(std::uint64_t offset, std::size_t count) {
        if (!FromFile) return std::string(Bytes.substr(offset, count));
        std::string bytes(count, '\0');
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n =
                ::pread(Fd, bytes.data() + got, count - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

  private:
    bool FromFile;
    std::string_view Bytes;
    int Fd = -1;
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
    if (FormatOf(input) != "pbf") return;
    TBlockSource source(input);
    if (!source.Opened()) return;
    const std::uint64_t size = source.Size();
    std::uint64_t offset = 0;
    while (offset < size) {
        // A block: the header's length in 4 bytes (big-endian), the header, the blob.
        const std::string length = source.Read(offset, 4);
        if (length.size() < 4) throw TCutShort();
        const std::uint32_t headerSize = BigEndian32(length);
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
    for (std::string_view ending : ExtractEndings)
        if (lower.size() > ending.size() && lower.ends_with(ending))
            return path.substr(path.size() - ending.size());
    return {};
}

bool HoldsExtract(const std::string& path) {
    try {
        FormatOf(TOsmInput::File(path));
        return true;
    } catch (const TReadError&) {
        return false;
    }
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
