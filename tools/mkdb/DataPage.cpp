#include "tools/mkdb/DataPage.h"

#include <stdexcept>

namespace mkdb {

DataPage::DataPage(std::uint32_t number, std::uint32_t owner, bool lval)
    : number_(number), owner_(owner), lval_(lval) {}

bool DataPage::fits(std::size_t rowBytes) const {
    return rows_.size() < kMaxRowsPerPage &&
           kDataHeaderSize + 2 * (rows_.size() + 1) + used_ + rowBytes <= kPageSize;
}

std::uint32_t DataPage::add(std::string row, std::uint16_t flags) {
    if (!fits(row.size())) throw std::logic_error("row does not fit on the page");
    used_ += row.size();
    rows_.emplace_back(std::move(row), flags);
    return static_cast<std::uint32_t>(rows_.size() - 1);
}

Page DataPage::finish() const {
    Page page(kPageSize, 0);
    page[0] = 0x01;
    page[1] = 0x01;
    Put16(page, 2, static_cast<std::uint32_t>(kPageSize - kDataHeaderSize - 2 * rows_.size() - used_));
    if (lval_) {
        page[4] = 'L';
        page[5] = 'V';
        page[6] = 'A';
        page[7] = 'L';
    } else {
        Put32(page, 4, owner_);
    }
    Put16(page, 12, static_cast<std::uint32_t>(rows_.size()));
    std::size_t end = kPageSize;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::string& row = rows_[i].first;
        std::size_t start = end - row.size();
        Put16(page, kDataHeaderSize + 2 * i, static_cast<std::uint32_t>(start) | rows_[i].second);
        for (std::size_t k = 0; k < row.size(); ++k) page[start + k] = static_cast<std::uint8_t>(row[k]);
        end = start;
    }
    return page;
}

}  // namespace mkdb
