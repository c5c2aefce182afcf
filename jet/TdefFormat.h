#pragma once
// Where a table definition keeps its fields, per version. Every offset below
// counts from the start of the logical definition: the first page whole,
// then each continuation page without its header.
//
// Definition pages (all versions)
//   Offset  Size  Meaning
//   0x00    1     page type 0x02
//   0x01    1     0x01
//   0x02    2     Jet3: the letters "VC"; Jet4+: free bytes on the page
//   0x04    4     next definition page, 0 on the last
//   0x08          a continuation page's payload starts here
//
// Header
//   Jet3  Jet4+  Size  Meaning
//   0x08  0x08   4     definition length, up to and including the terminator
//   -     0x0C   4     unknown (0x659)
//   0x0C  0x10   4     row count as last recorded; may be stale
//   0x10  0x14   4     last autonumber handed out
//   -     0x1C   4     ACE: last complex value handed out
//   0x14  0x28   1     table type: 'N' ordinary, 'S' the core system tables
//   0x15  0x29   2     max column count, deleted columns included
//   0x17  0x2B   2     variable column count, deleted columns included
//   0x19  0x2D   2     column descriptors (C)
//   0x1B  0x2F   4     logical indexes (X)
//   0x1F  0x33   4     real indexes (R)
//   0x23  0x37   4     row pointer to the owned-pages usage map
//   0x27  0x3B   4     row pointer to the free-space usage map
//   0x2B  0x3F         first block
//
// Then, in this order: R real-index entries (Jet3 8, Jet4+ 12 bytes, only
// stepped over), C column descriptors, C column names, R real-index blocks,
// X logical-index blocks, X logical-index names, column usage-map entries of
// 10 bytes each, and the terminator 0xFFFF.
//
// Column descriptor
//   Jet3  Jet4+  Size  Meaning
//   0     0      1     data type
//   -     1      4     unknown (0x659)
//   1     5      2     column number: the null-mask bit
//   3     7      2     variable-column index: the slot in the offset table
//   5     9      2     ordinal: display order
//   9     11     2     text: collation LCID
//   11    -      2     text: code page
//   -     11     1     decimal: precision
//   -     12     1     decimal: scale
//   -     11     4     complex: complex id
//   13    15     1     flags: 0x01 fixed, 0x04 autonumber, 0x80 hyperlink
//   -     16     1     extended flags: 0x01 may compress, 0xC0 calculated
//   14    21     2     fixed offset: place in the row's fixed area
//   16    23     2     length in bytes
//   18    25           descriptor size
//
// Column and index names: a length (Jet3 1 byte, Jet4+ 2 bytes) and that many
// bytes (Jet3 in the code page, Jet4+ UTF-16LE).
//
// Real-index block
//   Jet3  Jet4+  Size  Meaning
//   0     4      30    10 slots of (2-byte column number, 0xFFFF unused;
//                      1-byte order, 1 ascending)
//   30    34     4     row pointer to the index's usage map
//   34    38     4     root index page
//   38    46     1     flags: 0x01 unique, 0x02 ignore nulls, 0x08 required
//   39    52           block size
//
// Logical-index block
//   Jet3  Jet4+  Size  Meaning
//   0     4      4     logical index number
//   4     8      4     the real index holding its entries
//   9     13     4     related index of a relationship, -1 for none
//   19    23     1     kind: 1 primary key, 2 backs a relationship, 0 other
//   20    28           block size

#include "jet/Bytes.h"

namespace jet {

struct TdefPageFormat {
    std::size_t Type, FreeSpace, NextPage, ContinuationPayload;
};
inline constexpr TdefPageFormat kTdefPage{
    .Type = 0x00, .FreeSpace = 0x02, .NextPage = 0x04, .ContinuationPayload = 0x08};
inline constexpr uint8_t kTdefPageType = 0x02;

struct TdefHeaderFormat {
    std::size_t DefinitionLength, RowCount, LastAutonumber, LastComplexValue, TableType, MaxColumns, VariableColumns,
        ColumnCount, LogicalIndexCount, RealIndexCount, OwnedPages, FreePages, FirstBlock;
    std::size_t RealIndexEntrySize; // the entries before the descriptors, only stepped over
};

struct ColumnDescriptorFormat {
    std::size_t Type, Number, VariableIndex, Ordinal, Collation, CodePage, Precision, Scale, ComplexId, Flags,
        ExtendedFlags, FixedOffset, Length, Size;
};

struct RealIndexFormat {
    std::size_t Slots, SlotCount, SlotSize, SlotOrder, UsageMap, RootPage, Flags, Size;
};
inline constexpr uint16_t kUnusedIndexSlot = 0xFFFF;

struct LogicalIndexFormat {
    std::size_t Number, RealIndex, RelatedIndex, Kind, Size;
};

struct TdefFormat {
    TdefHeaderFormat Header;
    ColumnDescriptorFormat Column;
    RealIndexFormat RealIndex;
    LogicalIndexFormat LogicalIndex;
    std::size_t NameLengthSize;
    std::size_t ColumnMapEntrySize; // column usage-map entries, ended by kTdefTerminator
};
inline constexpr uint16_t kTdefTerminator = 0xFFFF;

inline constexpr TdefFormat kJet3Tdef{
    .Header = {.DefinitionLength = 0x08,
               .RowCount = 0x0C,
               .LastAutonumber = 0x10,
               .LastComplexValue = kNoField,
               .TableType = 0x14,
               .MaxColumns = 0x15,
               .VariableColumns = 0x17,
               .ColumnCount = 0x19,
               .LogicalIndexCount = 0x1B,
               .RealIndexCount = 0x1F,
               .OwnedPages = 0x23,
               .FreePages = 0x27,
               .FirstBlock = 0x2B,
               .RealIndexEntrySize = 8},
    .Column = {.Type = 0,
               .Number = 1,
               .VariableIndex = 3,
               .Ordinal = 5,
               .Collation = 9,
               .CodePage = 11,
               .Precision = kNoField,
               .Scale = kNoField,
               .ComplexId = kNoField,
               .Flags = 13,
               .ExtendedFlags = kNoField,
               .FixedOffset = 14,
               .Length = 16,
               .Size = 18},
    .RealIndex = {.Slots = 0,
                  .SlotCount = 10,
                  .SlotSize = 3,
                  .SlotOrder = 2,
                  .UsageMap = 30,
                  .RootPage = 34,
                  .Flags = 38,
                  .Size = 39},
    .LogicalIndex = {.Number = 0, .RealIndex = 4, .RelatedIndex = 9, .Kind = 19, .Size = 20},
    .NameLengthSize = 1,
    .ColumnMapEntrySize = 10,
};

inline constexpr TdefFormat kJet4Tdef{
    .Header = {.DefinitionLength = 0x08,
               .RowCount = 0x10,
               .LastAutonumber = 0x14,
               .LastComplexValue = 0x1C,
               .TableType = 0x28,
               .MaxColumns = 0x29,
               .VariableColumns = 0x2B,
               .ColumnCount = 0x2D,
               .LogicalIndexCount = 0x2F,
               .RealIndexCount = 0x33,
               .OwnedPages = 0x37,
               .FreePages = 0x3B,
               .FirstBlock = 0x3F,
               .RealIndexEntrySize = 12},
    .Column = {.Type = 0,
               .Number = 5,
               .VariableIndex = 7,
               .Ordinal = 9,
               .Collation = 11,
               .CodePage = kNoField,
               .Precision = 11,
               .Scale = 12,
               .ComplexId = 11,
               .Flags = 15,
               .ExtendedFlags = 16,
               .FixedOffset = 21,
               .Length = 23,
               .Size = 25},
    .RealIndex = {.Slots = 4,
                  .SlotCount = 10,
                  .SlotSize = 3,
                  .SlotOrder = 2,
                  .UsageMap = 34,
                  .RootPage = 38,
                  .Flags = 46,
                  .Size = 52},
    .LogicalIndex = {.Number = 4, .RealIndex = 8, .RelatedIndex = 13, .Kind = 23, .Size = 28},
    .NameLengthSize = 2,
    .ColumnMapEntrySize = 10,
};

inline constexpr const TdefFormat& TdefFormatFor(bool jet3) { return jet3 ? kJet3Tdef : kJet4Tdef; }

} // namespace jet
