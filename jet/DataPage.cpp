#include "jet/DataPage.h"

namespace jet {

namespace {

const DataPageFormat& FormatOf(const PageFile& file) { return DataPageFormatFor(file.IsJet3()); }

void CheckBounds(const PageFile& file, ByteSpan page, const RowSlot& slot) {
    const std::size_t tableEnd = FormatOf(file).RowTable + kRowOffsetSize * RowCountOf(file, page);
    if (slot.Start < tableEnd || slot.End > page.size() || slot.Start > slot.End)
        RaiseCorrupt("row offset outside its page");
}

} // namespace

uint16_t RowCountOf(const PageFile& file, ByteSpan page) {
    const DataPageFormat& f = FormatOf(file);
    const uint16_t count = U16(page, f.RowCount);
    if (f.RowTable + kRowOffsetSize * count > page.size())
        RaiseCorrupt("row offset table larger than its page");
    return count;
}

RowSlot SlotOf(const PageFile& file, ByteSpan page, unsigned row) {
    const std::size_t table = FormatOf(file).RowTable;
    const uint16_t count = RowCountOf(file, page);
    if (row >= count)
        RaiseCorrupt("row number beyond its page's rows");
    const uint16_t entry = U16(page, table + kRowOffsetSize * row);
    RowSlot slot;
    slot.Deleted = (entry & kRowDeleted) != 0;
    slot.Overflow = (entry & kRowOverflow) != 0;
    slot.Start = static_cast<uint16_t>(entry & kRowStartMask);
    slot.End = row == 0 ? static_cast<uint16_t>(page.size())
                        : static_cast<uint16_t>(U16(page, table + kRowOffsetSize * (row - 1)) & kRowStartMask);
    if (!slot.Deleted) {
        CheckBounds(file, page, slot);
        if (slot.Start == slot.End)
            RaiseCorrupt("live row of no bytes");
    }
    return slot;
}

ByteSpan RowAt(PageFile& file, RowPointer pointer, PageData& page, uint32_t following) {
    page = file.PageOfType(pointer.Page, kDataPage, "data page expected", following);
    const ByteSpan bytes(*page);
    RowSlot slot = SlotOf(file, bytes, pointer.Row);
    if (slot.Deleted)
        CheckBounds(file, bytes, slot);
    return bytes.subspan(slot.Start, slot.End - slot.Start);
}

} // namespace jet
