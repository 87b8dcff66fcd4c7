// Little-endian byte reader and writer for the map file: every read is checked against the data
// left.
#pragma once

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

    const std::vector<std::uint8_t>& Data() const { return Bytes; }
    std::vector<std::uint8_t> Take() { return std::move(Bytes); }

  private:
    std::vector<std::uint8_t> Bytes;
};

} // namespace vell
