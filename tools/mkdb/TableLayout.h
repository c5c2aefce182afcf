#pragma once
// Where each column of a table lives: its column number (null-mask bit), its
// slot among the variable columns or its offset in the fixed area.

#include "tools/mkdb/MdbDescription.h"

#include <string>
#include <vector>

namespace mkdb {

struct ColumnLayout {
    ColumnSpec column;
    int number = 0;
    bool fixed = false;
    int varIndex = 0;    // variable columns only
    int fixedOffset = 0; // fixed columns only (0 for booleans, which take no bytes)
    int length = 0;      // descriptor length in bytes
};

struct TableLayout {
    std::vector<ColumnLayout> columns; // in the order given, which is also the field order
    int fixedAreaSize = 0;
    int varCount = 0;
    std::vector<IndexSpec> indexes = {}; // Jet4 and ACE only
};

// Validates the columns (names, sizes, count) and lays them out; throws
// std::runtime_error naming the table on a fault.
// jet3: text lengths count bytes of the code page, not UTF-16 units.
TableLayout MakeLayout(const std::string& tableName, const std::vector<ColumnSpec>& columns, bool jet3 = false);

} // namespace mkdb
