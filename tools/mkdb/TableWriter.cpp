#include "tools/mkdb/TableWriter.h"

#include "tools/mkdb/Calculated.h"
#include "tools/mkdb/CodePageText.h"
#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/ValueEncoding.h"

#include <algorithm>
#include <stdexcept>

namespace mkdb {

namespace {

constexpr std::size_t kMaxLongValue = disk::kLongValueLengthMask;

// The header a memo or OLE value leaves in its row.
std::string LongValueHeader(std::uint32_t lengthWord, std::uint32_t firstRow) {
    std::string header(disk::kLongValue.headerSize, '\0');
    Set32(header, disk::kLongValue.lengthWord, lengthWord);
    Set32(header, disk::kLongValue.firstRow, firstRow);
    return header;
}

} // namespace

std::uint32_t PageAllocator::allocate() {
    if (next_ >= 0xFFFFFF)
        throw std::runtime_error("database too large: page numbers exhausted");
    return next_++;
}

TableWriter::TableWriter(const TableLayout& layout, std::uint32_t tdefPage, std::size_t inlineLongValueLimit,
                         PageAllocator& pages, PageSink& sink, const Geometry& geometry)
    : layout_(layout), tdefPage_(tdefPage), inlineLimit_(inlineLongValueLimit), pages_(pages), sink_(sink),
      geometry_(geometry) {}

std::uint32_t TableWriter::place(std::optional<DataPage>& page, bool lval, std::string row, std::uint16_t flags) {
    if (page && !page->fits(row.size())) {
        sink_.write(page->number(), page->finish());
        page.reset();
    }
    if (!page) {
        page.emplace(pages_.allocate(), tdefPage_, lval, geometry_);
        if (!lval)
            owned_.push_back(page->number());
    }
    std::uint32_t slot = page->add(std::move(row), flags);
    return RowPointer(page->number(), slot);
}

std::uint32_t TableWriter::newChainPage(std::string row) {
    DataPage page(pages_.allocate(), tdefPage_, true, geometry_);
    std::uint32_t slot = page.add(std::move(row));
    sink_.write(page.number(), page.finish());
    return RowPointer(page.number(), slot);
}

std::string TableWriter::longValue(const std::string& data, bool allowInline) {
    if (data.size() > kMaxLongValue)
        throw std::runtime_error("long value larger than 1 GB");
    auto length = static_cast<std::uint32_t>(data.size());
    if (allowInline && data.size() <= inlineLimit_) {
        return LongValueHeader(length | disk::kLongValueInline, 0) + data;
    }
    const std::size_t maxPiece = geometry_.maxChainPiece();
    if (data.size() <= geometry_.maxRowSize()) {
        return LongValueHeader(length | disk::kLongValueSingleRow, place(lval_, true, data, 0));
    }
    // A chain: every piece but the last fills a page of its own. Pieces are
    // stored last first so that each one's successor is already known.
    std::size_t pieces = (data.size() + maxPiece - 1) / maxPiece;
    std::uint32_t next = 0;
    for (std::size_t i = pieces; i-- > 0;) {
        std::string row(disk::kLongValue.pieceData, '\0');
        Set32(row, disk::kLongValue.nextPiece, next);
        std::size_t from = i * maxPiece;
        row.append(data, from, std::min(maxPiece, data.size() - from));
        next = i + 1 == pieces ? place(lval_, true, std::move(row), 0) : newChainPage(std::move(row));
    }
    return LongValueHeader(length, next);
}

namespace {

// Booleans are the mask bit itself; NULL cannot be stored and reads as false.
bool BooleanBit(const ColumnLayout& c, const CellValue& v) {
    if (v.kind == CellValue::Kind::Boolean)
        return v.boolean;
    if (v.kind == CellValue::Kind::Integer)
        return v.integer != 0;
    if (v.kind != CellValue::Kind::Null)
        throw std::runtime_error("column " + c.column.name + ": expected true or false");
    return false;
}

} // namespace

void TableWriter::putFixed(const ColumnLayout& c, const CellValue& value, std::string& row, std::size_t fixedStart) {
    std::string bytes = EncodeFixedValue(c.column, value);
    row.replace(fixedStart + static_cast<std::size_t>(c.fixedOffset), bytes.size(), bytes);
    if (!c.column.autonumber)
        return;
    std::uint32_t id = 0;
    for (int k = 3; k >= 0; --k)
        id = (id << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(k)]);
    if (static_cast<std::int32_t>(id) > static_cast<std::int32_t>(lastAutonumber_))
        lastAutonumber_ = id;
}

std::string TableWriter::encodeRow(const std::vector<CellValue>& values) {
    const auto& columns = layout_.columns;
    if (values.size() != columns.size()) {
        throw std::runtime_error("row has " + std::to_string(values.size()) + " values for " +
                                 std::to_string(columns.size()) + " columns");
    }
    std::size_t n = columns.size();
    std::size_t maskSize = (n + 7) / 8;
    std::string mask(maskSize, '\0');
    std::string row;
    if (geometry_.jet3)
        row += static_cast<char>(n);
    else
        Append16(row, static_cast<std::uint32_t>(n));
    const std::size_t fixedStart = row.size();
    row.append(static_cast<std::size_t>(layout_.fixedAreaSize), '\0');
    std::vector<std::optional<std::string>> variable; // per variable slot; empty = NULL
    std::size_t inlineSize = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const ColumnLayout& c = columns[i];
        const CellValue& v = values[i];
        bool present = v.kind != CellValue::Kind::Null;
        if (!c.column.calculatedResult && c.column.type == JetType::Boolean) {
            present = BooleanBit(c, v);
        } else if (!c.column.calculatedResult && c.fixed) {
            if (present)
                putFixed(c, v, row, fixedStart);
        } else if (present) {
            // Calculated columns are variable whatever their result type.
            variable.emplace_back(variableBytes(c.column, v));
            std::size_t size = variable.back()->size();
            inlineSize +=
                IsLongValue(c.column.type) ? disk::kLongValue.headerSize + (size <= inlineLimit_ ? size : 0) : size;
        } else {
            variable.emplace_back();
        }
        if (present)
            mask[i / 8] = static_cast<char>(mask[i / 8] | (1 << (i % 8)));
    }
    // Long values move out of a row that would not fit with them inside
    // (a Jet3 row may need a jump table byte or more on top).
    std::size_t entrySize = geometry_.jet3 ? 1 : 2;
    std::size_t tableSize = layout_.varCount > 0 ? entrySize * (variable.size() + 2) + (geometry_.jet3 ? 8 : 0) : 0;
    bool allowInline = row.size() + inlineSize + tableSize + maskSize <= geometry_.maxRowSize();
    // Variable columns are stored in slot order, which is column order here.
    std::vector<std::uint32_t> offsets; // start of each variable slot, then the end
    offsets.reserve(variable.size() + 1);
    std::size_t slot = 0;
    for (const ColumnLayout& c : columns) {
        if (c.fixed)
            continue;
        offsets.push_back(static_cast<std::uint32_t>(row.size()));
        if (const auto& bytes = variable[slot++])
            row += IsLongValue(c.column.type) ? longValue(*bytes, allowInline) : *bytes;
    }
    if (layout_.varCount > 0)
        offsets.push_back(static_cast<std::uint32_t>(row.size()));
    appendTail(row, offsets, mask);
    if (row.size() > geometry_.maxRowSize()) {
        throw std::runtime_error("row of " + std::to_string(row.size()) + " bytes does not fit on a page");
    }
    return row;
}

std::string TableWriter::variableBytes(const ColumnSpec& column, const CellValue& value) const {
    if (column.calculatedResult)
        return EncodeCalculatedValue(column, value);
    if (!geometry_.jet3 || (column.type != JetType::Text && column.type != JetType::Memo)) {
        return EncodeVariableValue(column, value);
    }
    if (value.kind != CellValue::Kind::Text)
        throw std::runtime_error("column " + column.name + ": expected text");
    std::string bytes = EncodeCodePageText(value.text, geometry_.codePage);
    int limit = column.size > 0 ? column.size : 255;
    if (column.type == JetType::Text && bytes.size() > static_cast<std::size_t>(limit)) {
        throw std::runtime_error("column " + column.name + ": text longer than " + std::to_string(limit) +
                                 " characters");
    }
    return bytes;
}

void TableWriter::appendTail(std::string& row, const std::vector<std::uint32_t>& offsets,
                             const std::string& mask) const {
    if (layout_.varCount == 0) {
        row += mask;
        return;
    }
    if (!geometry_.jet3) {
        for (std::size_t i = offsets.size(); i-- > 0;)
            Append16(row, offsets[i]);
        Append16(row, static_cast<std::uint32_t>(layout_.varCount));
        row += mask;
        return;
    }
    // Jet3: one byte per offset, so rows of 256 bytes or more carry a jump
    // table: entry k names the first offset at or beyond 256 * (k + 1). Its
    // size follows from the row's length, which includes the table itself.
    const std::size_t base = row.size() + offsets.size() + 1 + mask.size();
    std::size_t jumps = 0;
    while ((base + jumps - 1) / 256 != jumps)
        jumps = (base + jumps - 1) / 256;
    std::string table;
    for (std::size_t k = 0; k < jumps; ++k) {
        std::size_t first = 0xFF; // no offset reaches this far: a placeholder entry
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] >= 256 * (k + 1)) {
                first = i;
                break;
            }
        }
        table.insert(table.begin(), static_cast<char>(first));
    }
    for (std::size_t i = offsets.size(); i-- > 0;)
        row += static_cast<char>(offsets[i] & 0xFF);
    row += table;
    row += static_cast<char>(layout_.varCount);
    row += mask;
}

void TableWriter::addRow(const std::vector<CellValue>& values, Placement placement) {
    std::string row = encodeRow(values);
    switch (placement) {
    case Placement::Normal:
        place(data_, false, std::move(row), 0);
        ++liveRows_;
        break;
    case Placement::Deleted:
        // The bytes stay, as they do after a delete; only the flag hides them.
        place(data_, false, std::move(row), kRowDeleted | kRowOverflow);
        break;
    case Placement::Overflow: {
        // The moved row is flagged so a page scan does not see it twice.
        std::uint32_t target = place(overflow_, false, std::move(row), kRowDeleted);
        std::string pointer;
        Append32(pointer, target);
        place(data_, false, std::move(pointer), kRowOverflow);
        ++liveRows_;
        break;
    }
    }
}

void TableWriter::finish() {
    for (auto* page : {&data_, &overflow_, &lval_}) {
        if (*page) {
            sink_.write((*page)->number(), (*page)->finish());
            page->reset();
        }
    }
    std::sort(owned_.begin(), owned_.end());
}

} // namespace mkdb
