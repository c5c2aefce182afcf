#pragma once
// A table definition (TDEF): the columns with their storage places, the
// stored row count and where the table's data pages are listed.

#include "jet/PageFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

namespace ColumnType {
constexpr uint8_t Boolean = 0x01, Byte = 0x02, Integer = 0x03, Long = 0x04, Currency = 0x05, Single = 0x06,
                  Double = 0x07, DateTime = 0x08, Binary = 0x09, Text = 0x0A, Ole = 0x0B, Memo = 0x0C, Guid = 0x0F,
                  Decimal = 0x10, FixedBlob = 0x11, Complex = 0x12, BigInt = 0x13, DateTimeExtended = 0x14;
} // namespace ColumnType

struct Column {
    std::u16string Name;
    uint8_t Type = 0;
    uint16_t Number = 0;        // null-mask bit
    uint16_t VariableIndex = 0; // slot in the row's variable offset table
    uint16_t Ordinal = 0;       // display order
    uint16_t CodePage = 0;      // Jet3 text columns; 0: the database's
    uint8_t Flags = 0;
    uint8_t ExtendedFlags = 0;
    uint16_t FixedOffset = 0;
    uint16_t Length = 0;
    uint8_t Precision = 0;
    uint8_t Scale = 0;
    int32_t ComplexId = 0;
    uint8_t ResultType = 0; // calculated columns: the stored type of the result, 0 if unknown

    bool IsFixed() const { return (Flags & 0x01) != 0; }
    bool IsAutoNumber() const { return (Flags & 0x04) != 0; }
    bool IsCalculated() const { return (ExtendedFlags & 0xC0) == 0xC0; }
    // The history of an append-only memo is a complex column named like the
    // memo itself; it is reached through the memo, never as a field.
    bool IsMemoHistory() const { return Type == ColumnType::Complex && (ExtendedFlags & 0x20) != 0; }
};

// A physical index: the columns it orders by and where its tree starts.
struct RealIndex {
    std::vector<uint16_t> ColumnNumbers;
    std::vector<uint8_t> Orders; // per column: the stored order byte, 1 ascending
    uint32_t RootPage = 0;
    uint8_t Flags = 0; // 0x01 unique
    bool IsUnique() const { return (Flags & 0x01) != 0; }
};

// An index as the user sees it: a name over one real index, which several
// logical indexes may share.
struct LogicalIndex {
    std::u16string Name;
    uint32_t RealIndex = 0;
    uint8_t Kind = 0; // 1 primary key, 2 backs a relationship, 0 other
};

struct TableDefinition {
    uint32_t Page = 0;
    uint32_t RowCount = 0;
    uint16_t MaxColumns = 0;
    uint16_t VariableColumns = 0;
    RowPointer OwnedPages;
    uint32_t DefinitionLength = 0;
    uint32_t ParsedLength = 0; // where the parse ended; equals DefinitionLength in a sound file
    // In the order of the field collection: ordinal position, then name
    // without regard to case.
    std::vector<Column> Columns;
    std::vector<RealIndex> Indexes;
    std::vector<LogicalIndex> LogicalIndexes;
};

TableDefinition ReadTableDefinition(PageFile& file, uint32_t page);

} // namespace jet
