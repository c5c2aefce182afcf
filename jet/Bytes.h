#pragma once
// Little-endian reads from untrusted bytes. Every read names its offset and
// width so one check decides whether it lies inside the buffer.

#include "jet/Errors.h"

#include <cstdint>
#include <cstring>
#include <span>

namespace jet {

using ByteSpan = std::span<const uint8_t>;

// In the format records: a field one version does not have.
inline constexpr std::size_t kNoField = static_cast<std::size_t>(-1);

inline bool Fits(ByteSpan bytes, std::size_t offset, std::size_t length) {
    return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline void Require(ByteSpan bytes, std::size_t offset, std::size_t length, std::string_view what) {
    if (!Fits(bytes, offset, length))
        RaiseCorrupt(what);
}

inline uint8_t U8(ByteSpan b, std::size_t at) {
    Require(b, at, 1, "read past a structure's end");
    return b[at];
}
inline uint16_t U16(ByteSpan b, std::size_t at) {
    Require(b, at, 2, "read past a structure's end");
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline uint32_t U32(ByteSpan b, std::size_t at) {
    Require(b, at, 4, "read past a structure's end");
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline uint64_t U64(ByteSpan b, std::size_t at) {
    return static_cast<uint64_t>(U32(b, at)) | (static_cast<uint64_t>(U32(b, at + 4)) << 32);
}
inline int16_t I16(ByteSpan b, std::size_t at) { return static_cast<int16_t>(U16(b, at)); }
inline int32_t I32(ByteSpan b, std::size_t at) { return static_cast<int32_t>(U32(b, at)); }
inline int64_t I64(ByteSpan b, std::size_t at) { return static_cast<int64_t>(U64(b, at)); }
inline double F64(ByteSpan b, std::size_t at) {
    const uint64_t bits = U64(b, at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline float F32(ByteSpan b, std::size_t at) {
    const uint32_t bits = U32(b, at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A row pointer: row number in the low byte, page number above it.
struct RowPointer {
    uint32_t Page = 0;
    uint8_t Row = 0;
    bool IsNull() const { return Page == 0 && Row == 0; }
    bool operator==(const RowPointer&) const = default;
};
inline RowPointer ReadRowPointer(ByteSpan b, std::size_t at) {
    const uint32_t raw = U32(b, at);
    return RowPointer{raw >> 8, static_cast<uint8_t>(raw & 0xFF)};
}

} // namespace jet
