#pragma once
// How a usage map lists pages, the same in every version. The map is the
// content of a row on a data page; its length is the row's.
//
// Inline map (type 0)
//   Offset  Size  Meaning
//   0       1     0x00
//   1       4     first page S the bitmap covers
//   5       rest  bitmap: bit i set lists page S + i (Jet3 usually 128
//                 bytes, Jet4+ 64; longer rows occur)
//
// Reference map (type 1)
//   Offset  Size  Meaning
//   0       1     0x01
//   1       4k    map page numbers, 0 for none; map page j covers pages from
//                 j * (page size - 4) * 8
//
// Map page
//   Offset  Size  Meaning
//   0       1     page type 0x05
//   1       1     0x01
//   4       rest  bitmap

#include <cstddef>
#include <cstdint>

namespace jet {

struct UsageMapFormat {
    std::size_t Type, InlineFirstPage, InlineBitmap, MapPages, MapPageEntrySize, MapPageBitmap;
};

inline constexpr UsageMapFormat kUsageMap{
    .Type = 0, .InlineFirstPage = 1, .InlineBitmap = 5, .MapPages = 1, .MapPageEntrySize = 4, .MapPageBitmap = 4};

inline constexpr uint8_t kInlineMap = 0, kReferenceMap = 1;
inline constexpr uint8_t kMapPage = 0x05;

} // namespace jet
