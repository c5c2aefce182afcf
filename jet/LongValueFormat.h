#pragma once
// How a memo or OLE value is stored, the same in every version.
//
// The 12-byte header in the row
//   Offset  Size  Meaning
//   0       4     bits 0-29 the data's length; bit 31 inline; bit 30 one row
//   4       4     row pointer to the (first) long-value row
//   8       4     unknown
//   12            inline data, when bit 31 is set
//
// Neither bit: a chain of rows, each a row pointer to the next piece (0 on
// the last) followed by that piece's data.
//
// Long-value pages are data pages (DataPageFormat.h) whose owner field holds
// the text "LVAL":
//   Offset  Size  Meaning
//   4       4     the letters "LVAL"

#include <cstddef>
#include <cstdint>

namespace jet {

struct LongValueFormat {
    std::size_t LengthWord, FirstRow, InlineData, HeaderSize;
    std::size_t NextPiece, PieceData; // a chained row
    std::size_t PageMarker;           // "LVAL" on a long-value page
};

inline constexpr LongValueFormat kLongValue{.LengthWord = 0,
                                            .FirstRow = 4,
                                            .InlineData = 12,
                                            .HeaderSize = 12,
                                            .NextPiece = 0,
                                            .PieceData = 4,
                                            .PageMarker = 4};

inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
inline constexpr uint32_t kLongValueInline = 0x80000000u;
inline constexpr uint32_t kLongValueSingleRow = 0x40000000u;
inline constexpr char kLongValuePageMarker[] = "LVAL";

} // namespace jet
