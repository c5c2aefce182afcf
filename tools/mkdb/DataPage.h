#pragma once
// One data or LVAL page being filled with rows, packed from the page end.

#include "tools/mkdb/PageFormat.h"

#include <string>
#include <vector>

namespace mkdb {

// Row offset flags.
using disk::kRowDeleted;
using disk::kRowOverflow;

class DataPage {
public:
    // owner: the TDEF page of the owning table; lval: an LVAL page instead.
    DataPage(std::uint32_t number, std::uint32_t owner, bool lval, const Geometry& geometry = Jet4Geometry());

    std::uint32_t number() const { return number_; }
    std::size_t rowCount() const { return rows_.size(); }
    bool fits(std::size_t rowBytes) const;
    // Returns the row number of the new row.
    std::uint32_t add(std::string row, std::uint16_t flags = 0);
    Page finish() const;

private:
    std::uint32_t number_;
    std::uint32_t owner_;
    bool lval_;
    Geometry geometry_;
    std::size_t used_ = 0; // bytes of row data
    std::vector<std::pair<std::string, std::uint16_t>> rows_;
};

} // namespace mkdb
