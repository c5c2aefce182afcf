#pragma once
// Usage maps: the bitmaps that list the pages a table owns.

#include "jet/PageFile.h"

#include <vector>

namespace jet {

// The pages the map at pointer lists, ascending. Raises when the map is
// malformed or lists a page the file does not have.
std::vector<uint32_t> ReadUsageMap(PageFile& file, RowPointer pointer);

} // namespace jet
