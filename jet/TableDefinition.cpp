#include "jet/TableDefinition.h"

#include "jet/CodePages.h"
#include "jet/Names.h"
#include "jet/TdefFormat.h"

#include <algorithm>

namespace jet {

namespace {

constexpr std::size_t kMaxContinuationPages = 64;

// The first page whole, then each continuation page without its header.
std::vector<uint8_t> LogicalDefinition(PageFile& file, uint32_t first) {
    std::vector<uint8_t> buffer;
    std::vector<uint32_t> seen;
    uint32_t number = first;
    while (number != 0) {
        if (std::find(seen.begin(), seen.end(), number) != seen.end())
            RaiseCorrupt("table definition pages form a cycle");
        if (seen.size() > kMaxContinuationPages)
            RaiseCorrupt("table definition too long");
        seen.push_back(number);
        const PageData page = file.PageOfType(number, kTdefPageType, "table definition page expected");
        const ByteSpan bytes(*page);
        const std::size_t payload = buffer.empty() ? 0 : kTdefPage.ContinuationPayload;
        buffer.insert(buffer.end(), bytes.begin() + payload, bytes.end());
        number = U32(bytes, kTdefPage.NextPage);
    }
    return buffer;
}

// Reads a name at pos and moves past it.
std::u16string ReadName(ByteSpan def, std::size_t& pos, bool jet3, uint16_t codePage) {
    const std::size_t lengthSize = TdefFormatFor(jet3).NameLengthSize;
    const std::size_t length = lengthSize == 1 ? U8(def, pos) : U16(def, pos);
    Require(def, pos + lengthSize, length, "name past the definition's end");
    const ByteSpan bytes = def.subspan(pos + lengthSize, length);
    std::u16string name;
    if (jet3) {
        // A name in a page this system cannot convert still names its
        // column, if not as its author wrote it; the values fail on their own.
        if (!AppendCodePageText(bytes, codePage, name))
            AppendSingleByteText(bytes, codePage, name);
    } else {
        if (length % 2 != 0)
            RaiseCorrupt("name of odd byte length");
        for (std::size_t k = 0; k < length; k += 2)
            name.push_back(static_cast<char16_t>(U16(bytes, k)));
    }
    pos += lengthSize + length;
    return name;
}

Column ReadDescriptor(ByteSpan def, std::size_t at, const ColumnDescriptorFormat& f) {
    Column c;
    c.Type = U8(def, at + f.Type);
    c.Number = U16(def, at + f.Number);
    c.VariableIndex = U16(def, at + f.VariableIndex);
    c.Ordinal = U16(def, at + f.Ordinal);
    if (f.CodePage != kNoField)
        c.CodePage = U16(def, at + f.CodePage);
    // Jet4 and later share one place between a decimal's precision and
    // scale and a complex column's id.
    if (c.Type == ColumnType::Decimal && f.Precision != kNoField) {
        c.Precision = U8(def, at + f.Precision);
        c.Scale = U8(def, at + f.Scale);
    } else if (c.Type == ColumnType::Complex && f.ComplexId != kNoField) {
        c.ComplexId = I32(def, at + f.ComplexId);
    }
    c.Flags = U8(def, at + f.Flags);
    if (f.ExtendedFlags != kNoField)
        c.ExtendedFlags = U8(def, at + f.ExtendedFlags);
    c.FixedOffset = U16(def, at + f.FixedOffset);
    c.Length = U16(def, at + f.Length);
    return c;
}

struct Counts {
    std::size_t Columns = 0, LogicalIndexes = 0, RealIndexes = 0;
};

Counts ReadHeader(ByteSpan def, const TdefHeaderFormat& f, TableDefinition& table) {
    table.DefinitionLength = U32(def, f.DefinitionLength);
    table.RowCount = U32(def, f.RowCount);
    table.MaxColumns = U16(def, f.MaxColumns);
    table.VariableColumns = U16(def, f.VariableColumns);
    table.OwnedPages = ReadRowPointer(def, f.OwnedPages);
    Counts counts;
    counts.Columns = U16(def, f.ColumnCount);
    counts.LogicalIndexes = U32(def, f.LogicalIndexCount);
    counts.RealIndexes = U32(def, f.RealIndexCount);
    // Every block must lie inside the definition, which bounds these counts
    // by the buffer; the explicit limits keep the arithmetic small.
    if (counts.Columns == 0 || counts.Columns > 4096 || counts.RealIndexes > 4096 || counts.LogicalIndexes > 4096)
        RaiseCorrupt("impossible column or index count");
    return counts;
}

// The descriptors, then the names in the same order; pos moves past both.
void ReadColumns(ByteSpan def, std::size_t& pos, std::size_t count, bool jet3, uint16_t codePage,
                 TableDefinition& table) {
    const ColumnDescriptorFormat& f = TdefFormatFor(jet3).Column;
    Require(def, pos, count * f.Size, "column descriptors past the definition's end");
    table.Columns.reserve(count);
    for (std::size_t k = 0; k < count; ++k)
        table.Columns.push_back(ReadDescriptor(def, pos + k * f.Size, f));
    pos += count * f.Size;
    for (Column& column : table.Columns) {
        column.Name = ReadName(def, pos, jet3, column.CodePage != 0 ? column.CodePage : codePage);
        if (column.Name.empty())
            RaiseCorrupt("column without a name");
    }
}

// Columns are located by number and slot; duplicates would let two columns
// claim one value.
void CheckStoragePlaces(const TableDefinition& table) {
    for (std::size_t a = 0; a < table.Columns.size(); ++a) {
        const Column& x = table.Columns[a];
        if (x.Number >= table.MaxColumns)
            RaiseCorrupt("column number beyond the column count");
        for (std::size_t b = a + 1; b < table.Columns.size(); ++b) {
            const Column& y = table.Columns[b];
            if (x.Number == y.Number || (!x.IsFixed() && !y.IsFixed() && x.VariableIndex == y.VariableIndex))
                RaiseCorrupt("two columns share a storage place");
        }
    }
}

RealIndex ReadRealIndex(ByteSpan def, std::size_t block, const RealIndexFormat& f) {
    RealIndex index;
    for (std::size_t slot = 0; slot < f.SlotCount; ++slot) {
        const std::size_t at = block + f.Slots + f.SlotSize * slot;
        const uint16_t number = U16(def, at);
        if (number != kUnusedIndexSlot) {
            index.ColumnNumbers.push_back(number);
            index.Orders.push_back(U8(def, at + f.SlotOrder));
        }
    }
    index.RootPage = U32(def, block + f.RootPage);
    index.Flags = U8(def, block + f.Flags);
    return index;
}

// The index sections are not needed for reading records: the catalog's own
// index is walked for the order of its rows, and the rest describe the
// table's keys. A section cut short leaves the indexes it lacks out.
void ReadIndexes(ByteSpan def, std::size_t& pos, const Counts& counts, bool jet3, uint16_t codePage,
                 TableDefinition& table) {
    const TdefFormat& f = TdefFormatFor(jet3);
    const std::size_t realSize = f.RealIndex.Size, logicalSize = f.LogicalIndex.Size;
    for (std::size_t k = 0; k < counts.RealIndexes && Fits(def, pos + k * realSize, realSize); ++k)
        table.Indexes.push_back(ReadRealIndex(def, pos + k * realSize, f.RealIndex));
    pos += counts.RealIndexes * realSize;
    for (std::size_t k = 0; k < counts.LogicalIndexes && Fits(def, pos + k * logicalSize, logicalSize); ++k) {
        const std::size_t block = pos + k * logicalSize;
        LogicalIndex index;
        index.RealIndex = U32(def, block + f.LogicalIndex.RealIndex);
        index.Kind = U8(def, block + f.LogicalIndex.Kind);
        table.LogicalIndexes.push_back(std::move(index));
    }
    pos += counts.LogicalIndexes * logicalSize;
    for (std::size_t k = 0; k < counts.LogicalIndexes && Fits(def, pos, 1); ++k) {
        std::u16string name = ReadName(def, pos, jet3, codePage);
        if (k < table.LogicalIndexes.size())
            table.LogicalIndexes[k].Name = std::move(name);
    }
}

// Where the column usage-map entries end with their terminator; 0 when the
// definition ends before it.
uint32_t ParsedLength(ByteSpan def, std::size_t pos, std::size_t entrySize) {
    while (Fits(def, pos, 2) && U16(def, pos) != kTdefTerminator)
        pos += entrySize;
    return static_cast<uint32_t>(Fits(def, pos, 2) ? pos + 2 : 0);
}

} // namespace

TableDefinition ReadTableDefinition(PageFile& file, uint32_t page) {
    const bool jet3 = file.IsJet3();
    const TdefFormat& format = TdefFormatFor(jet3);
    const std::vector<uint8_t> buffer = LogicalDefinition(file, page);
    const ByteSpan def(buffer);
    const uint16_t codePage = file.GetHeader().CodePage;

    TableDefinition table;
    table.Page = page;
    const Counts counts = ReadHeader(def, format.Header, table);
    std::size_t pos = format.Header.FirstBlock + counts.RealIndexes * format.Header.RealIndexEntrySize;
    ReadColumns(def, pos, counts.Columns, jet3, codePage, table);
    CheckStoragePlaces(table);
    ReadIndexes(def, pos, counts, jet3, codePage, table);
    table.ParsedLength = ParsedLength(def, pos, format.ColumnMapEntrySize);

    // Jet4 and later store the descriptors already in field order, with
    // ties in the database collation; Jet3 stores them by column number.
    std::stable_sort(table.Columns.begin(), table.Columns.end(), [jet3](const Column& a, const Column& b) {
        if (a.Ordinal != b.Ordinal)
            return a.Ordinal < b.Ordinal;
        return jet3 && CompareNames(a.Name, b.Name) < 0;
    });
    return table;
}

} // namespace jet
