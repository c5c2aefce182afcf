#pragma once
// Where an index page keeps its header and entries, per version. Only the
// leaf entries' row pointers are read (the catalog's order).
//
//   Jet3  Jet4+  Size     Meaning
//   0     0      1        0x03 node, 0x04 leaf
//   1     1      1        0x01
//   2     2      2        free space
//   4     4      4        owning definition page
//   8     12     4        previous page at this level, 0 for none
//   12    16     4        next page at this level, 0 for none
//   16    20     4        tail page
//   20    24     1 / 2    length of the prefix the entries share with the first
//   21    26     1        0x01 on node pages
//   22    27     226/453  entry-start bitmap
//   0xF8  0x1E0           first entry
//
// An entry ends with a big-endian 3-byte page and a row number; on node
// pages a big-endian 4-byte child page follows.

#include <cstddef>
#include <cstdint>

namespace jet {

struct IndexPageFormat {
    std::size_t Type, Owner, Previous, Next, Tail, PrefixLength, PrefixLengthSize, Bitmap, FirstEntry;
};

inline constexpr IndexPageFormat kJet3IndexPage{.Type = 0,
                                                .Owner = 4,
                                                .Previous = 8,
                                                .Next = 12,
                                                .Tail = 16,
                                                .PrefixLength = 20,
                                                .PrefixLengthSize = 1,
                                                .Bitmap = 22,
                                                .FirstEntry = 0xF8};
inline constexpr IndexPageFormat kJet4IndexPage{.Type = 0,
                                                .Owner = 4,
                                                .Previous = 12,
                                                .Next = 16,
                                                .Tail = 20,
                                                .PrefixLength = 24,
                                                .PrefixLengthSize = 2,
                                                .Bitmap = 27,
                                                .FirstEntry = 0x1E0};

inline constexpr const IndexPageFormat& IndexPageFormatFor(bool jet3) { return jet3 ? kJet3IndexPage : kJet4IndexPage; }

inline constexpr uint8_t kIndexNodePage = 0x03, kIndexLeafPage = 0x04;

} // namespace jet
