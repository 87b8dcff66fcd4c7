// The header the programs' own files share (the world save, the replay, the file beside a map): a
// 4-byte magic, the format version, the body's length and its FNV-1a 64 checksum, little-endian,
// then the body.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vell {

using TFileMagic = std::array<std::uint8_t, 4>;

constexpr std::size_t SealedHeaderBytes = 4 + 2 + 8 + 8; // magic, version, body length, checksum

std::uint64_t Fnv1a64(std::span<const std::uint8_t> bytes);

// The whole file: the header for `body`, then the body.
std::vector<std::uint8_t> SealFile(const TFileMagic& magic, std::uint16_t version,
                                   std::span<const std::uint8_t> body);

// Puts the body's length and checksum into the header of `bytes` (a whole header, then the
// body). Bytes shorter than a header stay as they are.
void SealHeader(std::vector<std::uint8_t>& bytes);

// What is wrong with a file's header, checked in this order.
enum class TSealFault {
    None,
    OtherKind,    // too short for the magic, or another magic
    CutShort,     // the header or the body ends early
    OtherVersion, // a format version this program does not read
    Damaged,      // bytes after the body, or a checksum that does not match
};

// Checks the header of `bytes` against `magic` and `version`: `found` is the version the file
// has (once it could be read), `body` the body when the header is sound.
TSealFault OpenSealedFile(std::span<const std::uint8_t> bytes, const TFileMagic& magic,
                          std::uint16_t version, std::uint16_t& found,
                          std::span<const std::uint8_t>& body);

} // namespace vell
