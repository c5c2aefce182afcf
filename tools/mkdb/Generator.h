#pragma once
// Seeded rows for large fixtures: the same settings always give the same
// rows, produced one at a time.

#include "tools/mkdb/MdbDescription.h"

#include <cstdint>
#include <vector>

struct GeneratedColumn {
    double nullRate = 0; // share of NULLs (booleans are never NULL)
    int minLength = -1;  // text, memo, binary, OLE: characters or bytes; -1 = type default
    int maxLength = -1;
};

struct GeneratorSettings {
    std::uint64_t rows = 0;
    std::uint64_t seed = 1;
    std::vector<GeneratedColumn> columns; // one per table column
};

// A producer for TableSpec::producer. Autonumber long columns count 1, 2, 3...
RowProducer MakeGenerator(const std::vector<ColumnSpec>& columns, const GeneratorSettings& settings);
