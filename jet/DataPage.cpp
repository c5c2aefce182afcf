#include "jet/DataPage.h"

namespace jet {

namespace {

void CheckBounds(ByteSpan page, const RowTable& table, const RowSlot& slot) {
    const std::size_t tableEnd = table.Start + kRowOffsetSize * table.Count;
    if (slot.Start < tableEnd || slot.End > page.size() || slot.Start > slot.End)
        RaiseRowOutsidePage();
}

} // namespace

RowTable RowTableOf(const PageFile& file, ByteSpan page) {
    const DataPageFormat& f = DataPageFormatFor(file.IsJet3());
    const uint16_t count = U16(page, f.RowCount);
    if (f.RowTable + kRowOffsetSize * count > page.size())
        RaiseCorrupt("row offset table larger than its page");
    return RowTable{f.RowTable, count};
}

void RaiseRowOutsidePage() { RaiseCorrupt("row offset outside its page"); }
void RaiseEmptyRow() { RaiseCorrupt("live row of no bytes"); }
void RaiseRowBeyondPage() { RaiseCorrupt("row number beyond its page's rows"); }

ByteSpan RowAt(PageFile& file, RowPointer pointer, PageData& page, uint32_t following) {
    page = file.PageOfType(pointer.Page, kDataPage, "data page expected", following);
    return RowIn(file, ByteSpan(*page), pointer.Row);
}

ByteSpan RowIn(const PageFile& file, ByteSpan page, unsigned row) {
    const RowTable table = RowTableOf(file, page);
    RowSlot slot = SlotOf(page, table, row);
    if (slot.Deleted)
        CheckBounds(page, table, slot);
    return page.subspan(slot.Start, slot.End - slot.Start);
}

} // namespace jet
