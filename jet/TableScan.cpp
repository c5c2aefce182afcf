#include "jet/TableScan.h"

#include "jet/UsageMap.h"

#include <algorithm>

namespace jet {

namespace {

// Rows are moved at most once in practice; a longer trail is damage.
constexpr int kMaxOverflowHops = 4;

} // namespace

TableScan::TableScan(PageFile& file, const TableDefinition& table)
    : file_(file), owner_(table.Page), pages_(ReadUsageMap(file, table.OwnedPages)) {}

uint32_t TableScan::FollowingPages() const {
    // The pages up to this block's next ones come in one read, the pages in
    // between included: they are mostly the long values of these rows. The
    // next block may be another part's.
    const std::size_t blockEnd = std::min(pages_.size(), (pageIndex_ / kBlockPages + 1) * kBlockPages);
    const uint32_t from = pages_[pageIndex_];
    uint32_t following = 0;
    for (std::size_t k = pageIndex_ + 1; k < blockEnd && pages_[k] > from && pages_[k] - from <= kPagesAhead; ++k)
        following = pages_[k] - from;
    return following;
}

void TableScan::LimitToPart(std::size_t first, std::size_t stride) {
    first_ = first;
    stride_ = stride < 1 ? 1 : stride;
    Restart();
}

void TableScan::Restart() {
    pageIndex_ = 0;
    block_ = 0;
    row_ = 0;
    unreadable_ = 0;
    page_.reset();
}

ByteSpan TableScan::Follow(const RowSlot& slot, ByteSpan bytes) {
    ByteSpan row = bytes.subspan(slot.Start, slot.End - slot.Start);
    bool overflow = slot.Overflow;
    for (int hop = 0; overflow; ++hop) {
        if (hop == kMaxOverflowHops)
            RaiseCorrupt("overflow rows lead nowhere");
        const RowPointer pointer = ReadRowPointer(row, 0);
        PageData next;
        row = RowAt(file_, pointer, next);
        const RowSlot targetSlot = SlotOf(file_, ByteSpan(*next), pointer.Row);
        overflow = targetSlot.Overflow;
        target_ = std::move(next);
    }
    return row;
}

bool TableScan::Next(ByteSpan& record) {
    while (pageIndex_ < pages_.size()) {
        if (!page_) {
            if (stride_ > 1 && (pageIndex_ / kBlockPages) % stride_ != first_) {
                // Not this part's block: on to the start of the next one that is.
                const std::size_t block = pageIndex_ / kBlockPages;
                const std::size_t ahead = (first_ + stride_ - block % stride_) % stride_;
                pageIndex_ = (block + ahead) * kBlockPages;
                continue;
            }
            // Set before the page is read: a page that cannot be read or
            // holds a damaged row is met in this block.
            block_ = pageIndex_ / kBlockPages;
            try {
                page_ = file_.Page(pages_[pageIndex_], FollowingPages());
                const ByteSpan bytes(*page_);
                // The map can lag behind the pages: a page now used by another
                // table or for long values is simply not this table's.
                if (bytes[0] != kDataPage || OwnerOf(bytes) != owner_) {
                    page_.reset();
                    ++pageIndex_;
                    continue;
                }
                rows_ = RowTableOf(file_, bytes);
            } catch (const EngineError&) {
                ++unreadable_;
                page_.reset();
                ++pageIndex_;
                continue;
            }
            row_ = 0;
        }
        const ByteSpan bytes(*page_);
        while (row_ < rows_.Count) {
            const unsigned row = row_++;
            try {
                const RowSlot slot = SlotOf(bytes, rows_, row);
                if (slot.Deleted)
                    continue;
                // The block was set when the page was taken.
                position_ = RowPointer{pages_[pageIndex_], static_cast<uint8_t>(row)};
                record = slot.Overflow ? Follow(slot, bytes) : bytes.subspan(slot.Start, slot.End - slot.Start);
            } catch (const EngineError&) {
                ++unreadable_;
                continue;
            }
            return true;
        }
        page_.reset();
        ++pageIndex_;
    }
    return false;
}

} // namespace jet
