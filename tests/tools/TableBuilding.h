#pragma once
// Short spellings for the columns and cells of the tables the writer tests
// describe, so that a table reads like the rows it holds.

#include "tools/mkdb/MdbDescription.h"

#include <cstdint>
#include <string>

namespace building {

inline ColumnSpec Col(const std::string& name, JetType type, int size = 0) {
    ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
}

inline CellValue T(const std::string& s) { return CellValue::fromText(s); }
inline CellValue I(std::int64_t v) { return CellValue::fromInt(v); }
inline CellValue R(double v) { return CellValue::fromReal(v); }
inline CellValue B(const std::string& bytes) { return CellValue::fromBytes(bytes); }
inline const CellValue Null = CellValue::null();

} // namespace building
