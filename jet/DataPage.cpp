#include "jet/DataPage.h"

namespace jet {

namespace {

void CheckBounds(ByteSpan page, const RowTable& table, const RowSlot& slot) {
    const std::size_t tableEnd = table.Start + kRowOffsetSize * table.Count;
    if (slot.Start < tableEnd || slot.End > page.size() || slot.Start > slot.End)
        RaiseCorrupt("row offset outside its page");
}

} // namespace

RowTable RowTableOf(const PageFile& file, ByteSpan page) {
    const DataPageFormat& f = DataPageFormatFor(file.IsJet3());
    const uint16_t count = U16(page, f.RowCount);
    if (f.RowTable + kRowOffsetSize * count > page.size())
        RaiseCorrupt("row offset table larger than its page");
    return RowTable{f.RowTable, count};
}

RowSlot SlotOf(ByteSpan page, const RowTable& table, unsigned row) {
    if (row >= table.Count)
        RaiseCorrupt("row number beyond its page's rows");
    // The table was checked to fit the page.
    const uint8_t* const entries = page.data() + table.Start;
    const uint16_t entry = static_cast<uint16_t>(entries[2 * row] | (entries[2 * row + 1] << 8));
    RowSlot slot;
    slot.Deleted = (entry & kRowDeleted) != 0;
    slot.Overflow = (entry & kRowOverflow) != 0;
    slot.Start = static_cast<uint16_t>(entry & kRowStartMask);
    slot.End = row == 0 ? static_cast<uint16_t>(page.size())
                        : static_cast<uint16_t>((entries[2 * row - 2] | (entries[2 * row - 1] << 8)) & kRowStartMask);
    if (!slot.Deleted) {
        CheckBounds(page, table, slot);
        if (slot.Start == slot.End)
            RaiseCorrupt("live row of no bytes");
    }
    return slot;
}

ByteSpan RowAt(PageFile& file, RowPointer pointer, PageData& page, uint32_t following) {
    page = file.PageOfType(pointer.Page, kDataPage, "data page expected", following);
    const ByteSpan bytes(*page);
    const RowTable table = RowTableOf(file, bytes);
    RowSlot slot = SlotOf(bytes, table, pointer.Row);
    if (slot.Deleted)
        CheckBounds(bytes, table, slot);
    return bytes.subspan(slot.Start, slot.End - slot.Start);
}

} // namespace jet
