// The two directions of the world save's body: one list of fields per record, visited by a
// writer that appends them and by a reader that reads them back and notes the first fault.
#pragma once

#include "model/ByteStream.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace vell {

class TSaveWriter {
  public:
    static constexpr bool Reading = false;
    TByteWriter Out;

    void operator()(bool v) { Out.WriteU8(v ? 1 : 0); }
    void operator()(std::uint8_t v) { Out.WriteU8(v); }
    void operator()(std::int8_t v) { Out.WriteI8(v); }
    void operator()(std::uint16_t v) { Out.WriteU16(v); }
    void operator()(std::int16_t v) { Out.WriteI16(v); }
    void operator()(std::uint32_t v) { Out.WriteU32(v); }
    void operator()(std::int32_t v) { Out.WriteI32(v); }
    void operator()(std::uint64_t v) { Out.WriteU64(v); }
    void operator()(long long v) { Out.WriteI64(v); }
    void operator()(double v) { Out.WriteF64(v); }
    template <class E>
    requires std::is_enum_v<E>
    void Enum(E v, E) { Out.WriteU8(std::uint8_t(v)); }
    bool Count(std::uint32_t n, std::size_t) {
        Out.WriteU32(n);
        return true;
    }
};

// Reads fields until the first fault; after it every read leaves its field alone. A truth value
// other than 0 or 1 and a real that is not finite are faults: the writer makes neither.
class TSaveReader {
  public:
    static constexpr bool Reading = true;
    explicit TSaveReader(std::span<const std::uint8_t> data) : In(data) {}
    TByteReader In;
    bool Ok = true;

    void operator()(bool& v) {
        std::uint8_t u = 0;
        if (Check(In.ReadU8(u) && u <= 1)) v = u != 0;
    }
    void operator()(std::uint8_t& v) { Check(In.ReadU8(v)); }
    void operator()(std::int8_t& v) { Check(In.ReadI8(v)); }
    void operator()(std::uint16_t& v) { Check(In.ReadU16(v)); }
    void operator()(std::int16_t& v) { Check(In.ReadI16(v)); }
    void operator()(std::uint32_t& v) { Check(In.ReadU32(v)); }
    void operator()(std::int32_t& v) { Check(In.ReadI32(v)); }
    void operator()(std::uint64_t& v) { Check(In.ReadU64(v)); }
    void operator()(long long& v) {
        std::int64_t u = 0;
        if (Check(In.ReadI64(u))) v = u;
    }
    void operator()(double& v) {
        double d = 0;
        if (Check(In.ReadF64(d) && std::isfinite(d))) v = d;
    }
    // Enumerations are saved as their byte; `last` is the highest value this version knows.
    template <class E>
    requires std::is_enum_v<E>
    void Enum(E& v, E last) {
        std::uint8_t u = 0;
        if (Check(In.ReadU8(u) && u <= std::uint8_t(last))) v = E(u);
    }
    // A count of records of at least `recordBytes` each: false when the data left cannot hold
    // them (so a damaged count never makes a huge allocation).
    bool Count(std::uint32_t& n, std::size_t recordBytes) {
        return Check(In.ReadU32(n) && In.Has(std::size_t(n) * recordBytes));
    }
    bool Check(bool good) {
        if (Ok && !good) Ok = false;
        return Ok;
    }
};

} // namespace vell
