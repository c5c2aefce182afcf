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

// Where a column's value lies in every record of its table, worked out once
// per table: finding it in one record is then a few loads.
struct ColumnPlace {
    enum class Kind : uint8_t {
        Mask,     // a Yes/No column: the mask bit is the value
        Fixed,    // Start and Length in the fixed area
        Variable, // entry VariableIndex of the variable offset table
    };
    Kind Where = Kind::Variable;
    uint16_t Number = 0; // null-mask bit
    uint16_t VariableIndex = 0;
    uint32_t Start = 0; // past the column count
    uint32_t Length = 0;
};

ColumnPlace PlaceOf(bool jet3, const Column& column);

class RecordLayout {
public:
    RecordLayout(bool jet3, const TableDefinition& table);

    // Reads the record's frame; raises when it cannot hold what it claims.
    void Load(ByteSpan record);
    ColumnBytes Locate(const Column& column) const { return Locate(PlaceOf(jet3_, column)); }
    ColumnBytes Locate(const ColumnPlace& place) const {
        if (place.Where == ColumnPlace::Kind::Mask)
            return {MaskBit(place) ? Presence::True : Presence::False, {}};
        if (!Holds(place))
            return {Presence::Null, {}};
        if (place.Where == ColumnPlace::Kind::Fixed)
            return {Presence::Bytes, record_.subspan(FixedStart(place), place.Length)};
        ColumnBytes located{Presence::Null, {}};
        if (VariableBytes(place, located.Bytes))
            located.State = Presence::Bytes;
        return located;
    }

    // The steps of Locate for a place known to be of one kind.
    bool MaskBit(const ColumnPlace& place) const { return Holds(place); }
    // Whether the record has the column and its mask bit is set. A record
    // written before a column was added does not have it.
    bool Holds(const ColumnPlace& place) const {
        return place.Number < columns_ && ((record_[maskStart_ + place.Number / 8u] >> (place.Number % 8u)) & 1u);
    }
    // Where a fixed value the record holds starts; raises when it runs past
    // the fixed area.
    std::size_t FixedStart(const ColumnPlace& place) const {
        if (place.Start + place.Length > fixedLimit_)
            RaiseCorrupt("fixed value outside its record");
        return place.Start;
    }
    const uint8_t* Data() const { return record_.data(); }
    // The bytes of a variable value the record holds; false for none.
    bool VariableAt(const ColumnPlace& place, ByteSpan& bytes) const {
        return Holds(place) && VariableBytes(place, bytes);
    }

private:
    bool VariableBytes(const ColumnPlace& place, ByteSpan& bytes) const {
        // A column added after the record was written lies beyond its table.
        if (place.VariableIndex + 1u >= offsetCount_)
            return false;
        const std::size_t from = offsets_[place.VariableIndex];
        const std::size_t to = offsets_[place.VariableIndex + 1u];
        bytes = record_.subspan(from, to - from);
        return true;
    }
    void LoadJet3Offsets(std::size_t maskSize);
    void LoadJet4Offsets(std::size_t maskSize);
    // Out of the way of the record loop: most records fit the table before.
    [[gnu::noinline]] void Grow(std::size_t entries);

    bool jet3_;
    uint16_t tableVariableColumns_;
    ByteSpan record_;
    std::size_t columns_ = 0;
    std::size_t maskStart_ = 0;
    std::size_t fixedLimit_ = 0; // fixed values end before this: the variable data or the mask
    // Variable offsets, the end-of-data entry last; the first offsetCount_
    // are this record's. Kept from record to record, so loading one
    // allocates only while the tables grow.
    std::vector<uint16_t> offsets_;
    std::size_t offsetCount_ = 0;
};

} // namespace jet
