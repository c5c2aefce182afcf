#include "jet/RecordLayout.h"

namespace jet {

ColumnPlace PlaceOf(bool jet3, const Column& column) {
    ColumnPlace place;
    place.Number = column.Number;
    // A calculated Yes/No result is stored like any other result, not in the mask.
    if (column.Type == ColumnType::Boolean && !column.IsCalculated()) {
        place.Where = ColumnPlace::Kind::Mask;
    } else if (column.IsFixed()) {
        place.Where = ColumnPlace::Kind::Fixed;
        place.Start = (jet3 ? 1u : 2u) + column.FixedOffset;
        // A decimal always occupies 17 bytes, whatever its descriptor declares.
        place.Length = column.Type == ColumnType::Decimal ? 17u : column.Length;
    } else {
        place.Where = ColumnPlace::Kind::Variable;
        place.VariableIndex = column.VariableIndex;
    }
    return place;
}

RecordLayout::RecordLayout(bool jet3, const TableDefinition& table)
    : jet3_(jet3), tableVariableColumns_(table.VariableColumns) {}

void RecordLayout::Load(ByteSpan record) {
    record_ = record;
    const std::size_t countSize = jet3_ ? 1 : 2;
    columns_ = jet3_ ? U8(record, 0) : U16(record, 0);
    const std::size_t maskSize = (columns_ + 7) / 8;
    if (record.size() < countSize + maskSize)
        RaiseCorrupt("record shorter than its null mask");
    maskStart_ = record.size() - maskSize;
    offsetCount_ = 0;
    fixedLimit_ = maskStart_;
    if (tableVariableColumns_ != 0) {
        if (jet3_)
            LoadJet3Offsets(maskSize);
        else
            LoadJet4Offsets(maskSize);
        fixedLimit_ = std::min<std::size_t>(maskStart_, offsets_[0]);
    }
}

void RecordLayout::Grow(std::size_t entries) { offsets_.resize(entries); }

void RecordLayout::LoadJet3Offsets(std::size_t M) {
    const std::size_t L = record_.size();
    if (L < M + 2)
        RaiseCorrupt("record too short for its variable table");
    const std::size_t V = record_[L - M - 1];
    const std::size_t J = (L - 1) / 256;
    if (L < M + 2 + J + V + 1)
        RaiseCorrupt("variable table larger than its record");
    const std::size_t T = L - M - 2 - J; // entry i at T - i
    // A jump entry is a dummy when the offsets cannot reach its boundary.
    const std::size_t usedJumps = ((T - V) / 256 < J) ? J - 1 : J;
    if (offsets_.size() < V + 1)
        offsets_.resize(V + 1);
    std::size_t u = 0;
    for (std::size_t i = 0; i <= V; ++i) {
        while (u < usedJumps && record_[L - M - 2 - u] == i)
            ++u;
        offsets_[i] = static_cast<uint16_t>(record_[T - i] + 256 * u);
    }
    for (std::size_t k = 1; k < usedJumps; ++k)
        if (record_[L - M - 2 - k] < record_[L - M - 2 - k + 1])
            RaiseCorrupt("jump table not ascending");
    const std::size_t tableEnd = T - V;
    std::size_t previous = 1; // past the column count
    for (std::size_t i = 0; i <= V; ++i) {
        if (offsets_[i] < previous || offsets_[i] > tableEnd)
            RaiseCorrupt("variable offsets out of order");
        previous = offsets_[i];
    }
    offsetCount_ = V + 1;
}

void RecordLayout::LoadJet4Offsets(std::size_t M) {
    const std::size_t L = record_.size();
    if (L < M + 4)
        RaiseCorrupt("record too short for its variable table");
    const uint8_t* const bytes = record_.data();
    const std::size_t V = bytes[L - M - 2] | (bytes[L - M - 1] << 8);
    if (L < M + 2 + 2 * (V + 1) + 2)
        RaiseCorrupt("variable table larger than its record");
    if (offsets_.size() < V + 1)
        Grow(V + 1);
    // Entries are read and checked in one pass: each must lie past the
    // column count, at or after the one before, and below the table.
    const std::size_t tableEnd = L - M - 2 - 2 * (V + 1);
    const uint8_t* entry = bytes + (L - M - 4);
    uint16_t* to = offsets_.data();
    std::size_t previous = 2;
    for (std::size_t i = 0; i <= V; ++i, entry -= 2) {
        const std::size_t offset = entry[0] | (entry[1] << 8);
        if (offset < previous || offset > tableEnd)
            RaiseCorrupt("variable offsets out of order");
        to[i] = static_cast<uint16_t>(offset);
        previous = offset;
    }
    offsetCount_ = V + 1;
}

} // namespace jet
