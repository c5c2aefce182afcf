#pragma once
// The catalog's (ParentId, Name) index: the order in which the engine lists
// the catalog's objects, names in the database's collation.

#include "jet/TableDefinition.h"

#include <vector>

namespace jet {

// The catalog rows the index lists, in index order, as row pointers. Empty
// when the catalog has no such index or its pages do not hold together; the
// caller then sorts by its own collation.
std::vector<RowPointer> CatalogIndexOrder(PageFile& file, const TableDefinition& catalog);

} // namespace jet
