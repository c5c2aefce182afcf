#include "jet/TableDefinition.h"

#include "jet/CodePages.h"
#include "jet/Names.h"

#include <algorithm>

namespace jet {

namespace {

constexpr uint8_t kTdefPage = 0x02;
constexpr std::size_t kMaxContinuationPages = 64;

// The first page whole, then each continuation page without its 8-byte header.
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
        const PageData page = file.PageOfType(number, kTdefPage, "table definition page expected");
        const ByteSpan bytes(*page);
        buffer.insert(buffer.end(), bytes.begin() + (buffer.empty() ? 0 : 8), bytes.end());
        number = U32(bytes, 4);
    }
    return buffer;
}

struct Layout {
    std::size_t RowCount, MaxColumns, VariableColumns, ColumnCount, LogicalIndexes, RealIndexes, OwnedPages;
    std::size_t RealIndexEntry, Descriptor, RealIndexBlock, LogicalIndexBlock, FirstBlock;
};

constexpr Layout kJet3{0x0C, 0x15, 0x17, 0x19, 0x1B, 0x1F, 0x23, 8, 18, 39, 20, 0x2B};
constexpr Layout kJet4{0x10, 0x29, 0x2B, 0x2D, 0x2F, 0x33, 0x37, 12, 25, 52, 28, 0x3F};

// Reads a name at pos and moves past it.
std::u16string ReadName(ByteSpan def, std::size_t& pos, bool jet3, uint16_t codePage) {
    std::u16string name;
    if (jet3) {
        const std::size_t length = U8(def, pos);
        Require(def, pos + 1, length, "name past the definition's end");
        // A name in a page this system cannot convert still names its
        // column, if not as its author wrote it; the values fail on their own.
        if (!AppendCodePageText(def.subspan(pos + 1, length), codePage, name))
            AppendSingleByteText(def.subspan(pos + 1, length), codePage, name);
        pos += 1 + length;
    } else {
        const std::size_t length = U16(def, pos);
        Require(def, pos + 2, length, "name past the definition's end");
        if (length % 2 != 0)
            RaiseCorrupt("name of odd byte length");
        for (std::size_t k = 0; k < length; k += 2)
            name.push_back(static_cast<char16_t>(U16(def, pos + 2 + k)));
        pos += 2 + length;
    }
    return name;
}

Column ReadDescriptor(ByteSpan def, std::size_t at, bool jet3) {
    Column c;
    c.Type = U8(def, at);
    if (jet3) {
        c.Number = U16(def, at + 1);
        c.VariableIndex = U16(def, at + 3);
        c.Ordinal = U16(def, at + 5);
        c.CodePage = U16(def, at + 11);
        c.Flags = U8(def, at + 13);
        c.FixedOffset = U16(def, at + 14);
        c.Length = U16(def, at + 16);
    } else {
        c.Number = U16(def, at + 5);
        c.VariableIndex = U16(def, at + 7);
        c.Ordinal = U16(def, at + 9);
        if (c.Type == ColumnType::Decimal) {
            c.Precision = U8(def, at + 11);
            c.Scale = U8(def, at + 12);
        } else if (c.Type == ColumnType::Complex) {
            c.ComplexId = I32(def, at + 11);
        }
        c.Flags = U8(def, at + 15);
        c.ExtendedFlags = U8(def, at + 16);
        c.FixedOffset = U16(def, at + 21);
        c.Length = U16(def, at + 23);
    }
    return c;
}

} // namespace

TableDefinition ReadTableDefinition(PageFile& file, uint32_t page) {
    const bool jet3 = file.IsJet3();
    const Layout& L = jet3 ? kJet3 : kJet4;
    const std::vector<uint8_t> buffer = LogicalDefinition(file, page);
    const ByteSpan def(buffer);

    TableDefinition table;
    table.Page = page;
    table.DefinitionLength = U32(def, 0x08);
    table.RowCount = U32(def, L.RowCount);
    table.MaxColumns = U16(def, L.MaxColumns);
    table.VariableColumns = U16(def, L.VariableColumns);
    const std::size_t columnCount = U16(def, L.ColumnCount);
    const std::size_t logicalIndexes = U32(def, L.LogicalIndexes);
    const std::size_t realIndexes = U32(def, L.RealIndexes);
    table.OwnedPages = ReadRowPointer(def, L.OwnedPages);
    // Every block must lie inside the definition, which bounds these counts
    // by the buffer; the explicit limits keep the arithmetic small.
    if (columnCount == 0 || columnCount > 4096 || realIndexes > 4096 || logicalIndexes > 4096)
        RaiseCorrupt("impossible column or index count");

    std::size_t pos = L.FirstBlock + realIndexes * L.RealIndexEntry;
    Require(def, pos, columnCount * L.Descriptor, "column descriptors past the definition's end");
    table.Columns.reserve(columnCount);
    for (std::size_t k = 0; k < columnCount; ++k)
        table.Columns.push_back(ReadDescriptor(def, pos + k * L.Descriptor, jet3));
    pos += columnCount * L.Descriptor;
    const uint16_t codePage = file.GetHeader().CodePage;
    for (Column& column : table.Columns) {
        column.Name = ReadName(def, pos, jet3, column.CodePage != 0 ? column.CodePage : codePage);
        if (column.Name.empty())
            RaiseCorrupt("column without a name");
    }

    // Columns are located by number and slot; duplicates would let two
    // columns claim one value.
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

    // The index sections are not needed for reading records: the catalog's
    // own index is walked for the order of its rows, and the rest describe
    // the table's keys. A section cut short leaves the indexes it lacks out.
    const std::size_t slotsAt = jet3 ? 0 : 4, rootAt = jet3 ? 34 : 38, flagsAt = jet3 ? 38 : 46;
    for (std::size_t k = 0; k < realIndexes && Fits(def, pos + k * L.RealIndexBlock, L.RealIndexBlock); ++k) {
        const std::size_t block = pos + k * L.RealIndexBlock;
        RealIndex index;
        for (std::size_t slot = 0; slot < 10; ++slot) {
            const uint16_t number = U16(def, block + slotsAt + 3 * slot);
            if (number != 0xFFFF) {
                index.ColumnNumbers.push_back(number);
                index.Orders.push_back(U8(def, block + slotsAt + 3 * slot + 2));
            }
        }
        index.RootPage = U32(def, block + rootAt);
        index.Flags = U8(def, block + flagsAt);
        table.Indexes.push_back(std::move(index));
    }
    pos += realIndexes * L.RealIndexBlock;
    const std::size_t realAt = jet3 ? 4 : 8, kindAt = jet3 ? 19 : 23;
    for (std::size_t k = 0; k < logicalIndexes && Fits(def, pos + k * L.LogicalIndexBlock, L.LogicalIndexBlock); ++k) {
        const std::size_t block = pos + k * L.LogicalIndexBlock;
        LogicalIndex index;
        index.RealIndex = U32(def, block + realAt);
        index.Kind = U8(def, block + kindAt);
        table.LogicalIndexes.push_back(std::move(index));
    }
    pos += logicalIndexes * L.LogicalIndexBlock;
    for (std::size_t k = 0; k < logicalIndexes && Fits(def, pos, 1); ++k) {
        std::u16string name = ReadName(def, pos, jet3, codePage);
        if (k < table.LogicalIndexes.size())
            table.LogicalIndexes[k].Name = std::move(name);
    }
    while (Fits(def, pos, 2) && U16(def, pos) != 0xFFFF)
        pos += 10;
    table.ParsedLength = static_cast<uint32_t>(Fits(def, pos, 2) ? pos + 2 : 0);

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
