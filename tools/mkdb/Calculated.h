#pragma once
// Calculated columns of ACE files: the stored envelope of each result and
// the property blob that records the result's type.

#include "tools/mkdb/MdbDescription.h"

#include <string>

namespace mkdb {

// The bytes stored for one result: 16 zero bytes, the payload's length, the
// payload in the result type's form, 3 zero bytes. A Bytes value is
// returned unchanged.
std::string EncodeCalculatedValue(const ColumnSpec& column, const CellValue& value);

// The LvProp blob of a table: a ResultType property for each calculated
// column; empty when the table has none.
std::string CalculatedProperties(const std::vector<ColumnSpec>& columns);

} // namespace mkdb
