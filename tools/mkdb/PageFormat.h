#pragma once
// Jet 4 page geometry and the little-endian helpers every page builder uses.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mkdb {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kDataHeaderSize = 14;  // type, 0x01, free, owner, unknown, row count
// The longest row a data page can hold: the page minus its header and one offset entry.
constexpr std::size_t kMaxRowSize = kPageSize - kDataHeaderSize - 2;
// One chain piece fills a page alone: the row minus its next-piece pointer.
constexpr std::size_t kMaxChainPiece = kMaxRowSize - 4;
// Row numbers are one byte in row pointers.
constexpr std::size_t kMaxRowsPerPage = 255;

using Page = std::vector<std::uint8_t>;

inline void Put16(Page& page, std::size_t at, std::uint32_t v) {
    page[at] = static_cast<std::uint8_t>(v);
    page[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(Page& page, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) page[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Append16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void Append32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A row pointer: row number in the low byte, page number above it.
inline std::uint32_t RowPointer(std::uint32_t page, std::uint32_t row) { return (page << 8) | row; }

}  // namespace mkdb
