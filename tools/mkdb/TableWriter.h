#pragma once
// Streams one table's rows into data pages and its long values into LVAL
// pages. Pages go to the sink as soon as they are full, so the memory used
// does not grow with the table.

#include "tools/mkdb/DataPage.h"
#include "tools/mkdb/PageSink.h"
#include "tools/mkdb/TableLayout.h"

#include <memory>
#include <optional>

namespace mkdb {

// Hands out page numbers in file order.
class PageAllocator {
public:
    explicit PageAllocator(std::uint32_t first) : next_(first) {}
    std::uint32_t allocate();
    std::uint32_t count() const { return next_; }

private:
    std::uint32_t next_;
};

class TableWriter {
public:
    TableWriter(const TableLayout& layout, std::uint32_t tdefPage, std::size_t inlineLongValueLimit,
                PageAllocator& pages, PageSink& sink, const Geometry& geometry = Jet4Geometry());

    enum class Placement { Normal, Deleted, Overflow };
    void addRow(const std::vector<CellValue>& values, Placement placement = Placement::Normal);
    // Writes the pages still being filled.
    void finish();

    std::uint32_t liveRows() const { return liveRows_; }
    std::uint32_t lastAutonumber() const { return lastAutonumber_; }
    // Data pages the table owns (including overflow targets), ascending.
    const std::vector<std::uint32_t>& ownedPages() const { return owned_; }

private:
    std::string encodeRow(const std::vector<CellValue>& values);
    // Puts a fixed column's value into the row's fixed area.
    void putFixed(const ColumnLayout& c, const CellValue& value, std::string& row, std::size_t fixedStart);
    std::string variableBytes(const ColumnSpec& column, const CellValue& value) const;
    // The row's end from the variable offsets on, in the Jet3 or Jet4 form.
    void appendTail(std::string& row, const std::vector<std::uint32_t>& offsets, const std::string& mask) const;
    std::string longValue(const std::string& data, bool allowInline);
    // Stores `row` on a page of the given stream and returns its row pointer.
    std::uint32_t place(std::optional<DataPage>& page, bool lval, std::string row, std::uint16_t flags);
    std::uint32_t newChainPage(std::string row);

    const TableLayout& layout_;
    std::uint32_t tdefPage_;
    std::size_t inlineLimit_;
    PageAllocator& pages_;
    PageSink& sink_;
    Geometry geometry_;
    std::optional<DataPage> data_;
    std::optional<DataPage> overflow_;
    std::optional<DataPage> lval_;
    std::vector<std::uint32_t> owned_;
    std::uint32_t liveRows_ = 0;
    std::uint32_t lastAutonumber_ = 0;
};

} // namespace mkdb
