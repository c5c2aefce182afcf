#include "jet/RecordLayout.h"

namespace jet {

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
    offsets_.clear();
    if (tableVariableColumns_ != 0)
        LoadVariableOffsets();
}

void RecordLayout::LoadVariableOffsets() {
    const std::size_t L = record_.size();
    const std::size_t M = L - maskStart_;
    const std::size_t countSize = jet3_ ? 1 : 2;
    std::size_t V;
    std::size_t tableEnd; // the offset entries lie below this position
    if (jet3_) {
        if (L < M + 2)
            RaiseCorrupt("record too short for its variable table");
        V = U8(record_, L - M - 1);
        const std::size_t J = (L - 1) / 256;
        if (L < M + 2 + J + V + 1)
            RaiseCorrupt("variable table larger than its record");
        const std::size_t T = L - M - 2 - J; // entry i at T - i
        // A jump entry is a dummy when the offsets cannot reach its boundary.
        const std::size_t usedJumps = ((T - V) / 256 < J) ? J - 1 : J;
        std::size_t u = 0;
        offsets_.resize(V + 1);
        for (std::size_t i = 0; i <= V; ++i) {
            while (u < usedJumps && record_[L - M - 2 - u] == i)
                ++u;
            offsets_[i] = static_cast<uint16_t>(record_[T - i] + 256 * u);
        }
        tableEnd = T - V;
        for (std::size_t k = 1; k < usedJumps; ++k)
            if (record_[L - M - 2 - k] < record_[L - M - 2 - k + 1])
                RaiseCorrupt("jump table not ascending");
    } else {
        if (L < M + 2 + countSize)
            RaiseCorrupt("record too short for its variable table");
        V = U16(record_, L - M - 2);
        if (L < M + 2 + 2 * (V + 1) + countSize)
            RaiseCorrupt("variable table larger than its record");
        offsets_.resize(V + 1);
        for (std::size_t i = 0; i <= V; ++i)
            offsets_[i] = U16(record_, L - M - 4 - 2 * i);
        tableEnd = L - M - 2 - 2 * (V + 1);
    }
    for (std::size_t i = 0; i <= V; ++i) {
        if (offsets_[i] < countSize || offsets_[i] > tableEnd || (i > 0 && offsets_[i] < offsets_[i - 1]))
            RaiseCorrupt("variable offsets out of order");
    }
}

ColumnBytes RecordLayout::Locate(const Column& column) const {
    // A calculated Yes/No result is stored like any other result, not in the mask.
    const bool boolean = column.Type == ColumnType::Boolean && !column.IsCalculated();
    if (column.Number >= columns_)
        return {boolean ? Presence::False : Presence::Null, {}};
    const bool present = (record_[maskStart_ + column.Number / 8] >> (column.Number % 8)) & 1;
    if (boolean)
        return {present ? Presence::True : Presence::False, {}};
    if (!present)
        return {Presence::Null, {}};
    if (column.IsFixed()) {
        const std::size_t start = (jet3_ ? 1u : 2u) + column.FixedOffset;
        // A decimal always occupies 17 bytes, whatever its descriptor declares.
        const std::size_t length = column.Type == ColumnType::Decimal ? 17 : column.Length;
        const std::size_t limit = offsets_.empty() ? maskStart_ : std::min<std::size_t>(maskStart_, offsets_[0]);
        if (start + length > limit)
            RaiseCorrupt("fixed value outside its record");
        return {Presence::Bytes, record_.subspan(start, length)};
    }
    if (column.VariableIndex + 1u >= offsets_.size())
        return {Presence::Null, {}};
    const std::size_t from = offsets_[column.VariableIndex];
    const std::size_t to = offsets_[column.VariableIndex + 1];
    return {Presence::Bytes, record_.subspan(from, to - from)};
}

} // namespace jet
