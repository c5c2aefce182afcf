#pragma once
// Rows on data pages: the row offset table, each row's bounds and flags,
// and row pointers resolved to the bytes they address.

#include "jet/DataPageFormat.h"
#include "jet/PageFile.h"

namespace jet {

struct RowSlot {
    uint16_t Start = 0;
    uint16_t End = 0;
    bool Deleted = false;
    bool Overflow = false; // the row holds a pointer to the real row
};

// A data page's row offset table, its size checked to fit the page once
// for all the rows read from it.
struct RowTable {
    std::size_t Start = 0;
    uint16_t Count = 0;
};

// Raises when the table does not fit the page.
RowTable RowTableOf(const PageFile& file, ByteSpan page);

// Number of rows a data page lists, checked to fit the page.
inline uint16_t RowCountOf(const PageFile& file, ByteSpan page) { return RowTableOf(file, page).Count; }

[[noreturn]] void RaiseRowOutsidePage();
[[noreturn]] void RaiseEmptyRow();
[[noreturn]] void RaiseRowBeyondPage();

// Row i of a data page with its bounds checked. Bounds of deleted rows are
// not checked: they are never read. Read for every row of a table.
inline RowSlot SlotOf(ByteSpan page, const RowTable& table, unsigned row) {
    if (row >= table.Count)
        RaiseRowBeyondPage();
    // The table was checked to fit the page.
    const uint8_t* const entries = page.data() + table.Start;
    const auto entry = static_cast<uint16_t>(entries[2 * row] | (entries[2 * row + 1] << 8));
    RowSlot slot;
    slot.Deleted = (entry & kRowDeleted) != 0;
    slot.Overflow = (entry & kRowOverflow) != 0;
    slot.Start = static_cast<uint16_t>(entry & kRowStartMask);
    slot.End = row == 0 ? static_cast<uint16_t>(page.size())
                        : static_cast<uint16_t>((entries[2 * row - 2] | (entries[2 * row - 1] << 8)) & kRowStartMask);
    if (!slot.Deleted) {
        if (slot.Start < table.Start + kRowOffsetSize * table.Count || slot.End > page.size() || slot.Start > slot.End)
            RaiseRowOutsidePage();
        if (slot.Start == slot.End)
            RaiseEmptyRow();
    }
    return slot;
}
inline RowSlot SlotOf(const PageFile& file, ByteSpan page, unsigned row) {
    return SlotOf(page, RowTableOf(file, page), row);
}

// The owner page a data page names (LVAL pages name no table).
static_assert(kJet3DataPage.Owner == kJet4DataPage.Owner);
inline uint32_t OwnerOf(ByteSpan page) { return U32(page, kJet4DataPage.Owner); }

// The bytes a row pointer addresses; page keeps them alive. The row's own
// flags are not consulted: pointers reach rows a scan skips. following: the
// pages after it to read along with it while they are not cached.
ByteSpan RowAt(PageFile& file, RowPointer pointer, PageData& page, uint32_t following = 0);
// The same on a data page already at hand.
ByteSpan RowIn(const PageFile& file, ByteSpan page, unsigned row);

} // namespace jet
