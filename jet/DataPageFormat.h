#pragma once
// Where a data page keeps its header and row offset table, per version.
// Long-value pages and the pages holding usage-map rows share this layout.
//
//   Jet3  Jet4+  Size  Meaning
//   0     0      1     page type 0x01
//   1     1      1     0x01
//   2     2      2     free bytes on the page
//   4     4      4     owning definition page; "LVAL" on long-value pages
//   -     8      4     unknown
//   8     12     2     number of entries N in the row offset table
//   10    14     2N    row offset table, row 0 first
//
// Row offset entry (u16): the low 13 bits are where the row starts; a row
// ends where the one before it starts (row 0 at the page's end).
//   0x8000  deleted, or the target of an overflow pointer: a scan skips it
//   0x4000  overflow: the row's first 4 bytes point at the real row

#include <cstddef>
#include <cstdint>

namespace jet {

struct DataPageFormat {
    std::size_t Type, FreeSpace, Owner, RowCount, RowTable;
};

inline constexpr DataPageFormat kJet3DataPage{.Type = 0, .FreeSpace = 2, .Owner = 4, .RowCount = 8, .RowTable = 10};
inline constexpr DataPageFormat kJet4DataPage{.Type = 0, .FreeSpace = 2, .Owner = 4, .RowCount = 12, .RowTable = 14};

inline constexpr const DataPageFormat& DataPageFormatFor(bool jet3) { return jet3 ? kJet3DataPage : kJet4DataPage; }

inline constexpr uint8_t kDataPage = 0x01;
inline constexpr uint16_t kRowStartMask = 0x1FFF;
inline constexpr uint16_t kRowDeleted = 0x8000;
inline constexpr uint16_t kRowOverflow = 0x4000;
inline constexpr std::size_t kRowOffsetSize = 2;

} // namespace jet
