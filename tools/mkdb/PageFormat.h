#pragma once
// Jet 4 page geometry and the little-endian helpers every page builder uses.

#include "tools/mkdb/DiskLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mkdb {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kDataHeaderSize = disk::kJet4DataPage.rowTable; // the row offset table follows the header
// The longest row a data page can hold: the page minus its header and one offset entry.
constexpr std::size_t kMaxRowSize = kPageSize - kDataHeaderSize - 2;
// One chain piece fills a page alone: the row minus its next-piece pointer.
constexpr std::size_t kMaxChainPiece = kMaxRowSize - disk::kLongValue.pieceData;
// Row numbers are one byte in row pointers.
constexpr std::size_t kMaxRowsPerPage = 255;

using Page = std::vector<std::uint8_t>;

// The page geometry and row format of a file version: Jet4 (and ACE) with
// 4 KB pages, or Jet3 with 2 KB pages, one-byte row fields and code-page text.
struct Geometry {
    bool jet3 = false;
    std::size_t pageSize = kPageSize;
    std::size_t dataHeaderSize = kDataHeaderSize;
    std::uint16_t codePage = 1252; // Jet3 text

    const disk::DataPageHeader& dataPage() const { return jet3 ? disk::kJet3DataPage : disk::kJet4DataPage; }
    std::size_t maxRowSize() const { return pageSize - dataHeaderSize - 2; }
    std::size_t maxChainPiece() const { return maxRowSize() - disk::kLongValue.pieceData; }
};

inline Geometry Jet4Geometry() { return {}; }
inline Geometry Jet3Geometry(std::uint16_t codePage) { return {true, 2048, disk::kJet3DataPage.rowTable, codePage}; }

inline void Put16(Page& page, std::size_t at, std::uint32_t v) {
    page[at] = static_cast<std::uint8_t>(v);
    page[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(Page& page, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        page[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Set16(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void Append16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void Append32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A row pointer: row number in the low byte, page number above it.
inline std::uint32_t RowPointer(std::uint32_t page, std::uint32_t row) { return (page << 8) | row; }

} // namespace mkdb
