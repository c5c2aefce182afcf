#pragma once
// Table definition pages.

#include "tools/mkdb/PageFormat.h"
#include "tools/mkdb/TableLayout.h"

#include <vector>

namespace mkdb {

struct TdefFacts {
    std::uint32_t rowCount = 0;
    std::uint32_t lastAutonumber = 0;
    bool systemTable = false;   // the catalog itself carries type 'S'
    std::uint32_t ownedMap = 0; // row pointers to the usage maps
    std::uint32_t freeMap = 0;
};

// The logical definition (header, descriptors, names, terminator), before it
// is cut into pages.
std::string TdefBuffer(const TableLayout& layout, const TdefFacts& facts);
// The same in the Jet3 form: shorter header and descriptors, names in the code page.
std::string Jet3TdefBuffer(const TableLayout& layout, const TdefFacts& facts, std::uint16_t codePage);

// How many pages a logical definition of this size takes.
std::size_t TdefPageCount(std::size_t bufferSize, const Geometry& geometry = Jet4Geometry());

// Cuts the definition into pages; `pages` are their numbers, first page first.
std::vector<Page> TdefPages(const std::string& buffer, const std::vector<std::uint32_t>& pages,
                            const Geometry& geometry = Jet4Geometry());

} // namespace mkdb
