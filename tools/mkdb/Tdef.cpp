#include "tools/mkdb/Tdef.h"

#include "tools/mkdb/CodePageText.h"
#include "tools/mkdb/ValueEncoding.h"

#include <stdexcept>

namespace mkdb {

namespace {

constexpr std::size_t kTdefHeader = 0x3F;
constexpr std::size_t kContinuationHeader = 8;

void Set16(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

std::string TdefBuffer(const TableLayout& layout, const TdefFacts& facts) {
    std::string b(kTdefHeader, '\0');
    b[0] = 0x02;
    b[1] = 0x01;
    Set32(b, 0x0C, 0x0659);
    Set32(b, 0x10, facts.rowCount);
    Set32(b, 0x14, facts.lastAutonumber);
    b[0x18] = 0x01;
    b[0x28] = facts.systemTable ? 'S' : 'N';
    auto columnCount = static_cast<std::uint32_t>(layout.columns.size());
    Set16(b, 0x29, columnCount);
    Set16(b, 0x2B, static_cast<std::uint32_t>(layout.varCount));
    Set16(b, 0x2D, columnCount);
    // Each logical index has a real index of its own.
    const auto indexCount = static_cast<std::uint32_t>(layout.indexes.size());
    Set32(b, 0x2F, indexCount);
    Set32(b, 0x33, indexCount);
    Set32(b, 0x37, facts.ownedMap);
    Set32(b, 0x3B, facts.freeMap);
    for (std::uint32_t k = 0; k < indexCount; ++k) {
        std::string entry(12, '\0');
        Set32(entry, 0, 0x0659);
        b += entry; // the index's row count stays 0: no index pages are written
    }

    for (const ColumnLayout& c : layout.columns) {
        std::string d(25, '\0');
        d[0] = static_cast<char>(c.column.type);
        Set32(d, 1, 0x0659);
        Set16(d, 5, static_cast<std::uint32_t>(c.number));
        Set16(d, 7, static_cast<std::uint32_t>(c.fixed ? 0 : c.varIndex));
        Set16(d, 9, static_cast<std::uint32_t>(c.number)); // display order = order given
        if (c.column.type == JetType::Text || c.column.type == JetType::Memo) {
            Set16(d, 11, 0x0409); // collation: General (legacy)
        } else if (c.column.type == JetType::Decimal) {
            d[11] = static_cast<char>(c.column.precision);
            d[12] = static_cast<char>(c.column.scale);
        }
        std::uint8_t flags = 0x02;
        if (c.fixed)
            flags |= 0x01;
        if (c.column.autonumber)
            flags |= 0x04;
        if (facts.systemTable)
            flags |= 0x10;
        if (c.column.type == JetType::Complex) {
            flags |= 0x04; // as Access flags them
            Set32(d, 11, static_cast<std::uint32_t>(c.column.complexId));
        }
        d[15] = static_cast<char>(flags);
        if (c.column.type == JetType::Text || c.column.type == JetType::Memo)
            d[16] = 0x01; // may compress
        if (c.column.calculatedResult)
            d[16] = static_cast<char>(0xC0);
        Set16(d, 21, static_cast<std::uint32_t>(c.fixed ? c.fixedOffset : 0));
        Set16(d, 23, static_cast<std::uint32_t>(c.length));
        b += d;
    }
    for (const ColumnLayout& c : layout.columns) {
        std::string name = EncodeText(Utf8ToUtf16(c.column.name), false);
        std::string length(2, '\0');
        Set16(length, 0, static_cast<std::uint32_t>(name.size()));
        b += length;
        b += name;
    }
    for (const IndexSpec& index : layout.indexes) {
        std::string block(52, '\0');
        for (std::size_t slot = 0; slot < 10; ++slot) {
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
            Set16(block, 4 + 3 * slot, number);
            block[4 + 3 * slot + 2] = static_cast<char>(order);
        }
        std::uint8_t flags = 0x80;
        if (index.unique || index.primary)
            flags |= 0x01;
        if (index.primary)
            flags |= 0x08;
        block[46] = static_cast<char>(flags);
        b += block;
    }
    for (std::size_t k = 0; k < layout.indexes.size(); ++k) {
        std::string block(28, '\0');
        Set32(block, 0, 0x0659);
        Set32(block, 4, static_cast<std::uint32_t>(k));
        Set32(block, 8, static_cast<std::uint32_t>(k));
        Set32(block, 13, 0xFFFFFFFF); // no related index
        block[23] = static_cast<char>(layout.indexes[k].primary ? 1 : 0);
        b += block;
    }
    for (const IndexSpec& index : layout.indexes) {
        std::string name = EncodeText(Utf8ToUtf16(index.name), false);
        std::string length(2, '\0');
        Set16(length, 0, static_cast<std::uint32_t>(name.size()));
        b += length;
        b += name;
    }
    b += "\xFF\xFF";
    Set32(b, 0x08, static_cast<std::uint32_t>(b.size()));
    return b;
}

std::string Jet3TdefBuffer(const TableLayout& layout, const TdefFacts& facts, std::uint16_t codePage) {
    if (!layout.indexes.empty())
        throw std::runtime_error("indexes are written in Jet4 and ACE files only");
    constexpr std::size_t kJet3Header = 0x2B;
    std::string b(kJet3Header, '\0');
    b[0] = 0x02;
    b[1] = 0x01;
    b[2] = 'V';
    b[3] = 'C';
    Set32(b, 0x0C, facts.rowCount);
    Set32(b, 0x10, facts.lastAutonumber);
    b[0x14] = facts.systemTable ? 'S' : 'N';
    auto columnCount = static_cast<std::uint32_t>(layout.columns.size());
    Set16(b, 0x15, columnCount);
    Set16(b, 0x17, static_cast<std::uint32_t>(layout.varCount));
    Set16(b, 0x19, columnCount);
    Set32(b, 0x1B, 0); // no logical indexes
    Set32(b, 0x1F, 0); // no real indexes
    Set32(b, 0x23, facts.ownedMap);
    Set32(b, 0x27, facts.freeMap);
    for (const ColumnLayout& c : layout.columns) {
        std::string d(18, '\0');
        d[0] = static_cast<char>(c.column.type);
        Set16(d, 1, static_cast<std::uint32_t>(c.number));
        Set16(d, 3, static_cast<std::uint32_t>(c.fixed ? 0 : c.varIndex));
        Set16(d, 5, static_cast<std::uint32_t>(c.number)); // display order = order given
        Set16(d, 7, 1);
        if (c.column.type == JetType::Text || c.column.type == JetType::Memo) {
            Set16(d, 9, 0x0409);
            Set16(d, 11, codePage);
        }
        std::uint8_t flags = 0x02;
        if (c.fixed)
            flags |= 0x01;
        if (c.column.autonumber)
            flags |= 0x04;
        if (facts.systemTable)
            flags |= 0x10;
        d[13] = static_cast<char>(flags);
        Set16(d, 14, static_cast<std::uint32_t>(c.fixed ? c.fixedOffset : 0));
        Set16(d, 16, static_cast<std::uint32_t>(c.length));
        b += d;
    }
    for (const ColumnLayout& c : layout.columns) {
        std::string name = EncodeCodePageText(c.column.name, codePage);
        b += static_cast<char>(name.size());
        b += name;
    }
    b += "\xFF\xFF";
    Set32(b, 0x08, static_cast<std::uint32_t>(b.size()));
    return b;
}

std::size_t TdefPageCount(std::size_t bufferSize, const Geometry& geometry) {
    const std::size_t pageSize = geometry.pageSize;
    if (bufferSize <= pageSize)
        return 1;
    std::size_t perContinuation = pageSize - kContinuationHeader;
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
        std::size_t start = i == 0 ? 0 : kContinuationHeader;
        std::size_t take = std::min(pageSize - start, buffer.size() - pos);
        for (std::size_t k = 0; k < take; ++k)
            page[start + k] = static_cast<std::uint8_t>(buffer[pos + k]);
        pos += take;
        page[0] = 0x02;
        page[1] = 0x01;
        if (geometry.jet3) {
            page[2] = 'V';
            page[3] = 'C';
        } else {
            Put16(page, 2, static_cast<std::uint32_t>(pageSize - start - take));
        }
        Put32(page, 4, i + 1 < pages.size() ? pages[i + 1] : 0);
        out.push_back(std::move(page));
    }
    return out;
}

} // namespace mkdb
