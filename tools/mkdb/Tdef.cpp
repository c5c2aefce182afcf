#include "tools/mkdb/Tdef.h"

#include "tools/mkdb/CodePageText.h"
#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/ValueEncoding.h"

#include <stdexcept>

namespace mkdb {

namespace {

// The engine writes this in several Jet4 places whose meaning is unknown.
constexpr std::uint32_t kJet4Unknown = 0x0659;
constexpr std::uint32_t kGeneralLegacy = 0x0409; // collation of text columns

std::string Header(const TableLayout& layout, const TdefFacts& facts, bool jet3) {
    const disk::TdefHeader& f = (jet3 ? disk::kJet3Tdef : disk::kJet4Tdef).header;
    std::string b(f.firstBlock, '\0');
    b[disk::kTdefPage.type] = 0x02;
    b[disk::kTdefPage.type + 1] = 0x01;
    if (jet3) {
        b[disk::kTdefPage.freeSpace] = 'V';
        b[disk::kTdefPage.freeSpace + 1] = 'C';
    } else {
        Set32(b, 0x0C, kJet4Unknown);
        b[0x18] = 0x01; // autonumbers enabled
    }
    Set32(b, f.rowCount, facts.rowCount);
    Set32(b, f.lastAutonumber, facts.lastAutonumber);
    b[f.tableType] = facts.systemTable ? 'S' : 'N';
    auto columnCount = static_cast<std::uint32_t>(layout.columns.size());
    Set16(b, f.maxColumns, columnCount);
    Set16(b, f.variableColumns, static_cast<std::uint32_t>(layout.varCount));
    Set16(b, f.columnCount, columnCount);
    // Each logical index has a real index of its own.
    const auto indexCount = static_cast<std::uint32_t>(layout.indexes.size());
    Set32(b, f.logicalIndexCount, indexCount);
    Set32(b, f.realIndexCount, indexCount);
    Set32(b, f.ownedPages, facts.ownedMap);
    Set32(b, f.freePages, facts.freeMap);
    for (std::uint32_t k = 0; k < indexCount; ++k) {
        std::string entry(f.realIndexEntrySize, '\0');
        Set32(entry, 0, kJet4Unknown);
        b += entry; // the index's row count stays 0: no index pages are written
    }
    return b;
}

std::uint8_t ColumnFlags(const ColumnLayout& c, const TdefFacts& facts) {
    std::uint8_t flags = 0x02;
    if (c.fixed)
        flags |= 0x01;
    if (c.column.autonumber)
        flags |= 0x04;
    if (facts.systemTable)
        flags |= 0x10;
    return flags;
}

std::string Jet3Descriptor(const ColumnLayout& c, const TdefFacts& facts, std::uint16_t codePage) {
    const disk::ColumnDescriptor& f = disk::kJet3Tdef.column;
    std::string d(f.size, '\0');
    d[f.type] = static_cast<char>(c.column.type);
    Set16(d, f.number, static_cast<std::uint32_t>(c.number));
    Set16(d, f.variableIndex, static_cast<std::uint32_t>(c.fixed ? 0 : c.varIndex));
    Set16(d, f.ordinal, static_cast<std::uint32_t>(c.number)); // display order = order given
    Set16(d, 7, 1);                                            // unknown; the engine writes 0 or 1
    if (c.column.type == JetType::Text || c.column.type == JetType::Memo) {
        Set16(d, f.collation, kGeneralLegacy);
        Set16(d, f.codePage, codePage);
    }
    d[f.flags] = static_cast<char>(ColumnFlags(c, facts));
    Set16(d, f.fixedOffset, static_cast<std::uint32_t>(c.fixed ? c.fixedOffset : 0));
    Set16(d, f.length, static_cast<std::uint32_t>(c.length));
    return d;
}

std::string Jet4Descriptor(const ColumnLayout& c, const TdefFacts& facts) {
    const disk::ColumnDescriptor& f = disk::kJet4Tdef.column;
    std::string d(f.size, '\0');
    d[f.type] = static_cast<char>(c.column.type);
    Set32(d, 1, kJet4Unknown);
    Set16(d, f.number, static_cast<std::uint32_t>(c.number));
    Set16(d, f.variableIndex, static_cast<std::uint32_t>(c.fixed ? 0 : c.varIndex));
    Set16(d, f.ordinal, static_cast<std::uint32_t>(c.number)); // display order = order given
    const bool text = c.column.type == JetType::Text || c.column.type == JetType::Memo;
    if (text) {
        Set16(d, f.collation, kGeneralLegacy);
    } else if (c.column.type == JetType::Decimal) {
        d[f.precision] = static_cast<char>(c.column.precision);
        d[f.scale] = static_cast<char>(c.column.scale);
    }
    std::uint8_t flags = ColumnFlags(c, facts);
    if (c.column.type == JetType::Complex) {
        flags |= 0x04; // as Access flags them
        Set32(d, f.complexId, static_cast<std::uint32_t>(c.column.complexId));
    }
    d[f.flags] = static_cast<char>(flags);
    if (text)
        d[f.extendedFlags] = 0x01; // may compress
    if (c.column.calculatedResult)
        d[f.extendedFlags] = static_cast<char>(0xC0);
    Set16(d, f.fixedOffset, static_cast<std::uint32_t>(c.fixed ? c.fixedOffset : 0));
    Set16(d, f.length, static_cast<std::uint32_t>(c.length));
    return d;
}

// A column or index name with its length in front.
std::string Name(const std::string& utf8, bool jet3, std::uint16_t codePage) {
    if (jet3) {
        std::string name = EncodeCodePageText(utf8, codePage);
        return static_cast<char>(name.size()) + name;
    }
    std::string name = EncodeText(Utf8ToUtf16(utf8), false);
    std::string length(disk::kJet4Tdef.nameLengthSize, '\0');
    Set16(length, 0, static_cast<std::uint32_t>(name.size()));
    return length + name;
}

std::string RealIndexBlock(const TableLayout& layout, const IndexSpec& index) {
    const disk::RealIndexBlock& f = disk::kJet4Tdef.realIndex;
    std::string block(f.size, '\0');
    for (std::size_t slot = 0; slot < f.slotCount; ++slot) {
        std::uint32_t number = 0xFFFF;
        std::uint8_t order = 0;
        if (slot < index.columns.size()) {
            for (const ColumnLayout& c : layout.columns)
                if (c.column.name == index.columns[slot])
                    number = static_cast<std::uint32_t>(c.number);
            if (number == 0xFFFF)
                throw std::runtime_error("index " + index.name + ": no column " + index.columns[slot]);
            order = slot < index.descending.size() && index.descending[slot] ? 0 : 1;
        }
        Set16(block, f.slots + f.slotSize * slot, number);
        block[f.slots + f.slotSize * slot + f.slotOrder] = static_cast<char>(order);
    }
    std::uint8_t flags = 0x80;
    if (index.unique || index.primary)
        flags |= 0x01;
    if (index.primary)
        flags |= 0x08;
    block[f.flags] = static_cast<char>(flags);
    return block;
}

std::string LogicalIndexBlock(const IndexSpec& index, std::uint32_t number) {
    const disk::LogicalIndexBlock& f = disk::kJet4Tdef.logicalIndex;
    std::string block(f.size, '\0');
    Set32(block, 0, kJet4Unknown);
    Set32(block, f.number, number);
    Set32(block, f.realIndex, number);
    Set32(block, f.relatedIndex, 0xFFFFFFFF); // no related index
    block[f.kind] = static_cast<char>(index.primary ? 1 : 0);
    return block;
}

std::string DefinitionBuffer(const TableLayout& layout, const TdefFacts& facts, bool jet3, std::uint16_t codePage) {
    std::string b = Header(layout, facts, jet3);
    for (const ColumnLayout& c : layout.columns)
        b += jet3 ? Jet3Descriptor(c, facts, codePage) : Jet4Descriptor(c, facts);
    for (const ColumnLayout& c : layout.columns)
        b += Name(c.column.name, jet3, codePage);
    for (const IndexSpec& index : layout.indexes)
        b += RealIndexBlock(layout, index);
    for (std::size_t k = 0; k < layout.indexes.size(); ++k)
        b += LogicalIndexBlock(layout.indexes[k], static_cast<std::uint32_t>(k));
    for (const IndexSpec& index : layout.indexes)
        b += Name(index.name, jet3, codePage);
    b += "\xFF\xFF";
    Set32(b, (jet3 ? disk::kJet3Tdef : disk::kJet4Tdef).header.definitionLength, static_cast<std::uint32_t>(b.size()));
    return b;
}

} // namespace

std::string TdefBuffer(const TableLayout& layout, const TdefFacts& facts) {
    return DefinitionBuffer(layout, facts, false, 0);
}

std::string Jet3TdefBuffer(const TableLayout& layout, const TdefFacts& facts, std::uint16_t codePage) {
    if (!layout.indexes.empty())
        throw std::runtime_error("indexes are written in Jet4 and ACE files only");
    return DefinitionBuffer(layout, facts, true, codePage);
}

std::size_t TdefPageCount(std::size_t bufferSize, const Geometry& geometry) {
    const std::size_t pageSize = geometry.pageSize;
    if (bufferSize <= pageSize)
        return 1;
    std::size_t perContinuation = pageSize - disk::kTdefPage.continuationPayload;
    return 1 + (bufferSize - pageSize + perContinuation - 1) / perContinuation;
}

std::vector<Page> TdefPages(const std::string& buffer, const std::vector<std::uint32_t>& pages,
                            const Geometry& geometry) {
    if (pages.size() != TdefPageCount(buffer.size(), geometry))
        throw std::logic_error("TDEF page count mismatch");
    const std::size_t pageSize = geometry.pageSize;
    std::vector<Page> out;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Page page(pageSize, 0);
        std::size_t start = i == 0 ? 0 : disk::kTdefPage.continuationPayload;
        std::size_t take = std::min(pageSize - start, buffer.size() - pos);
        for (std::size_t k = 0; k < take; ++k)
            page[start + k] = static_cast<std::uint8_t>(buffer[pos + k]);
        pos += take;
        page[disk::kTdefPage.type] = 0x02;
        page[disk::kTdefPage.type + 1] = 0x01;
        if (geometry.jet3) {
            page[disk::kTdefPage.freeSpace] = 'V';
            page[disk::kTdefPage.freeSpace + 1] = 'C';
        } else {
            Put16(page, disk::kTdefPage.freeSpace, static_cast<std::uint32_t>(pageSize - start - take));
        }
        Put32(page, disk::kTdefPage.nextPage, i + 1 < pages.size() ? pages[i + 1] : 0);
        out.push_back(std::move(page));
    }
    return out;
}

} // namespace mkdb
