// The sealed header of the programs' own files: written once here, checked once here.
#include "model/SealedFile.h"

#include "model/ByteStream.h"

#include <algorithm>

namespace vell {

std::uint64_t Fnv1a64(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

std::vector<std::uint8_t> SealFile(const TFileMagic& magic, std::uint16_t version,
                                   std::span<const std::uint8_t> body) {
    TByteWriter out;
    out.Reserve(SealedHeaderBytes + body.size());
    out.WriteBytes(magic);
    out.WriteU16(version);
    out.WriteU64(0); // the length and the checksum, sealed below
    out.WriteU64(0);
    out.WriteBytes(body);
    std::vector<std::uint8_t> bytes = out.Take();
    SealHeader(bytes);
    return bytes;
}

void SealHeader(std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < SealedHeaderBytes) return;
    const std::uint64_t fields[] = {bytes.size() - SealedHeaderBytes,
                                    Fnv1a64(std::span(bytes).subspan(SealedHeaderBytes))};
    std::size_t at = TFileMagic().size() + 2; // after the magic and the version
    for (const std::uint64_t v : fields)
        for (int k = 0; k < 8; ++k)
            bytes[at++] = std::uint8_t(v >> (8 * k));
}

TSealFault OpenSealedFile(std::span<const std::uint8_t> bytes, const TFileMagic& magic,
                          std::uint16_t version, std::uint16_t& found,
                          std::span<const std::uint8_t>& body) {
    if (bytes.size() < magic.size() || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        return TSealFault::OtherKind;
    TByteReader in(bytes.subspan(magic.size()));
    std::uint64_t length = 0, checksum = 0;
    if (!in.ReadU16(found)) return TSealFault::CutShort;
    if (found != version) return TSealFault::OtherVersion;
    if (!in.ReadU64(length) || !in.ReadU64(checksum) || length > in.Left())
        return TSealFault::CutShort;
    const std::span<const std::uint8_t> rest = bytes.subspan(SealedHeaderBytes);
    if (length < in.Left() || Fnv1a64(rest) != checksum) return TSealFault::Damaged;
    body = rest;
    return TSealFault::None;
}

} // namespace vell
