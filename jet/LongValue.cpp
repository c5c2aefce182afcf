#include "jet/LongValue.h"

#include "jet/DataPage.h"
#include "jet/LongValueFormat.h"

namespace jet {

// Long values are mostly written one after another onto fresh pages, so a
// value whose page follows the last one read (or lies a few pages on) is
// likely followed by the next values' pages: those come in the same read
// instead of one call each. Values scattered over the file still cost one
// page per read, as nothing suggests that their neighbours are wanted.
ByteSpan LongValueReader::RowOf(RowPointer pointer) {
    if (!held_ || pointer.Page != heldNumber_) {
        const bool onward = pointer.Page > heldNumber_ && pointer.Page - heldNumber_ <= PageFile::kMostPagesAhead;
        held_.reset();
        held_ = file_.PageOfType(pointer.Page, kDataPage, "data page expected", onward ? PageFile::kMostPagesAhead : 0);
        heldNumber_ = pointer.Page;
    }
    return RowIn(file_, ByteSpan(*held_), pointer.Row);
}

void LongValueReader::Read(ByteSpan header, std::vector<uint8_t>& out) {
    out.clear();
    const LongValueFormat& f = kLongValue;
    if (header.size() < f.HeaderSize)
        RaiseCorrupt("long value header too short");
    const uint32_t word = U32(header, f.LengthWord);
    const uint32_t length = word & kLongValueLengthMask;
    const bool inlineData = (word & kLongValueInline) != 0;
    const bool singleRow = (word & kLongValueSingleRow) != 0;
    // No value can be larger than the file that holds it.
    if (length > file_.FileSize())
        RaiseCorrupt("long value larger than the file");

    if (inlineData) {
        if (singleRow || header.size() - f.InlineData < length)
            RaiseCorrupt("inline long value longer than its field");
        out.assign(header.begin() + f.InlineData, header.begin() + f.InlineData + length);
        return;
    }
    RowPointer pointer = ReadRowPointer(header, f.FirstRow);
    if (singleRow) {
        const ByteSpan row = RowOf(pointer);
        if (row.size() < length)
            RaiseCorrupt("long value row shorter than its value");
        out.assign(row.begin(), row.begin() + length);
        return;
    }

    // A loop is caught by Brent's method: a saved pointer, moved to the
    // current one whenever the step count reaches the next power of two,
    // meets the walk again within twice the chain's distinct length.
    out.reserve(length);
    std::size_t remaining = length;
    RowPointer saved; // null: nothing saved yet, and never equal to a live pointer
    std::size_t steps = 0, power = 1;
    while (remaining > 0) {
        if (pointer.IsNull())
            RaiseCorrupt("long value chain ends early");
        if (pointer == saved)
            RaiseCorrupt("long value chain loops");
        if (++steps == power) {
            saved = pointer;
            power *= 2;
            steps = 0;
        }
        const ByteSpan row = RowOf(pointer);
        if (row.size() <= f.PieceData)
            RaiseCorrupt("long value piece without data");
        const ByteSpan piece = row.subspan(f.PieceData, std::min(row.size() - f.PieceData, remaining));
        out.insert(out.end(), piece.begin(), piece.end());
        remaining -= piece.size();
        pointer = ReadRowPointer(row, f.NextPiece);
    }
}

} // namespace jet
