// Little-endian byte reader and writer for the map file and the world save: every read is
// checked against the data left.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vell {

class TByteReader {
  public:
    explicit TByteReader(std::span<const std::uint8_t> data) : Data(data) {}

    std::size_t Left() const { return Data.size() - Pos; }
    bool Has(std::size_t n) const { return n <= Left(); }

    // Each read returns false, and leaves the output alone, when the data ends first.
    bool ReadU8(std::uint8_t& v) {
        if (!Has(1)) return false;
        v = Data[Pos++];
        return true;
    }
    bool ReadI8(std::int8_t& v) {
        std::uint8_t u;
        if (!ReadU8(u)) return false;
        v = std::int8_t(u);
        return true;
    }
    bool ReadU16(std::uint16_t& v) {
        if (!Has(2)) return false;
        v = std::uint16_t(Data[Pos] | (Data[Pos + 1] << 8));
        Pos += 2;
        return true;
    }
    bool ReadI16(std::int16_t& v) {
        std::uint16_t u;
        if (!ReadU16(u)) return false;
        v = std::int16_t(u);
        return true;
    }
    bool ReadU32(std::uint32_t& v) {
        if (!Has(4)) return false;
        v = 0;
        for (int k = 3; k >= 0; --k)
            v = (v << 8) | Data[Pos + std::size_t(k)];
        Pos += 4;
        return true;
    }
    bool ReadI32(std::int32_t& v) {
        std::uint32_t u;
        if (!ReadU32(u)) return false;
        v = std::int32_t(u);
        return true;
    }
    bool ReadU64(std::uint64_t& v) {
        if (!Has(8)) return false;
        v = 0;
        for (int k = 7; k >= 0; --k)
            v = (v << 8) | Data[Pos + std::size_t(k)];
        Pos += 8;
        return true;
    }
    bool ReadI64(std::int64_t& v) {
        std::uint64_t u;
        if (!ReadU64(u)) return false;
        v = std::int64_t(u);
        return true;
    }
    // A double as its IEEE 754 bits, so that it reads back to the same bits.
    bool ReadF64(double& v) {
        std::uint64_t u;
        if (!ReadU64(u)) return false;
        v = std::bit_cast<double>(u);
        return true;
    }
    // The next `n` bytes, or false when fewer are left.
    bool ReadBytes(std::size_t n, std::span<const std::uint8_t>& bytes) {
        if (!Has(n)) return false;
        bytes = Data.subspan(Pos, n);
        Pos += n;
        return true;
    }

  private:
    std::span<const std::uint8_t> Data;
    std::size_t Pos = 0;
};

class TByteWriter {
  public:
    void WriteU8(std::uint8_t v) { Bytes.push_back(v); }
    void WriteI8(std::int8_t v) { Bytes.push_back(std::uint8_t(v)); }
    void WriteU16(std::uint16_t v) {
        Bytes.push_back(std::uint8_t(v & 0xFF));
        Bytes.push_back(std::uint8_t(v >> 8));
    }
    void WriteI16(std::int16_t v) { WriteU16(std::uint16_t(v)); }
    void WriteU32(std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            Bytes.push_back(std::uint8_t(v >> (8 * k)));
    }
    void WriteI32(std::int32_t v) { WriteU32(std::uint32_t(v)); }
    void WriteU64(std::uint64_t v) {
        for (int k = 0; k < 8; ++k)
            Bytes.push_back(std::uint8_t(v >> (8 * k)));
    }
    void WriteI64(std::int64_t v) { WriteU64(std::uint64_t(v)); }
    void WriteF64(double v) { WriteU64(std::bit_cast<std::uint64_t>(v)); }
    void WriteBytes(std::span<const std::uint8_t> bytes) {
        Bytes.insert(Bytes.end(), bytes.begin(), bytes.end());
    }
    void Reserve(std::size_t n) { Bytes.reserve(n); }

    const std::vector<std::uint8_t>& Data() const { return Bytes; }
    std::vector<std::uint8_t> Take() { return std::move(Bytes); }

  private:
    std::vector<std::uint8_t> Bytes;
};

} // namespace vell
