#pragma once
// Where each column's value lies inside one record: the column count, the
// null mask, the fixed area and the variable offset table.

#include "jet/TableDefinition.h"

#include <vector>

namespace jet {

enum class Presence : uint8_t { Null, False, True, Bytes };

struct ColumnBytes {
    Presence State = Presence::Null;
    ByteSpan Bytes;
};

class RecordLayout {
public:
    RecordLayout(bool jet3, const TableDefinition& table);

    // Reads the record's frame; raises when it cannot hold what it claims.
    void Load(ByteSpan record);
    ColumnBytes Locate(const Column& column) const;

private:
    void LoadVariableOffsets();

    bool jet3_;
    uint16_t tableVariableColumns_;
    ByteSpan record_;
    std::size_t columns_ = 0;
    std::size_t maskStart_ = 0;
    std::vector<uint16_t> offsets_; // variable offsets, the end-of-data entry last
};

} // namespace jet
