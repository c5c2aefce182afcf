#include "tools/mkdb/DataPage.h"

#include <stdexcept>

namespace mkdb {

DataPage::DataPage(std::uint32_t number, std::uint32_t owner, bool lval, const Geometry& geometry)
    : number_(number), owner_(owner), lval_(lval), geometry_(geometry) {}

bool DataPage::fits(std::size_t rowBytes) const {
    return rows_.size() < kMaxRowsPerPage &&
           geometry_.dataHeaderSize + 2 * (rows_.size() + 1) + used_ + rowBytes <= geometry_.pageSize;
}

std::uint32_t DataPage::add(std::string row, std::uint16_t flags) {
    if (!fits(row.size()))
        throw std::logic_error("row does not fit on the page");
    used_ += row.size();
    rows_.emplace_back(std::move(row), flags);
    return static_cast<std::uint32_t>(rows_.size() - 1);
}

Page DataPage::finish() const {
    const disk::DataPageHeader& f = geometry_.dataPage();
    const std::size_t size = geometry_.pageSize, header = f.rowTable;
    Page page(size, 0);
    page[f.type] = 0x01;
    page[f.type + 1] = 0x01;
    Put16(page, f.freeSpace, static_cast<std::uint32_t>(size - header - 2 * rows_.size() - used_));
    if (lval_) {
        for (std::size_t k = 0; k < 4; ++k)
            page[disk::kLongValue.pageMarker + k] = static_cast<std::uint8_t>("LVAL"[k]);
    } else {
        Put32(page, f.owner, owner_);
    }
    Put16(page, f.rowCount, static_cast<std::uint32_t>(rows_.size()));
    std::size_t end = size;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::string& row = rows_[i].first;
        std::size_t start = end - row.size();
        Put16(page, header + 2 * i, static_cast<std::uint32_t>(start) | rows_[i].second);
        for (std::size_t k = 0; k < row.size(); ++k)
            page[start + k] = static_cast<std::uint8_t>(row[k]);
        end = start;
    }
    return page;
}

} // namespace mkdb
