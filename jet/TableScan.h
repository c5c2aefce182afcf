#pragma once
// The records of a table in storage order: the owned pages in ascending
// order, each page's rows in slot order, overflowed rows read from where
// their pointer leads but delivered at their own place.

#include "jet/DataPage.h"
#include "jet/TableDefinition.h"

#include <vector>

namespace jet {

class TableScan {
public:
    TableScan(PageFile& file, const TableDefinition& table);

    // Consecutive owned pages make a block; a scan can be limited to every
    // stride-th block from first on (one part of a table read in parts).
    static constexpr std::size_t kBlockPages = 32;
    // At most this many pages beyond the current one are read along with it.
    static constexpr uint32_t kPagesAhead = 15;
    std::size_t BlockCount() const { return (pages_.size() + kBlockPages - 1) / kBlockPages; }
    void LimitToPart(std::size_t first, std::size_t stride);
    // The block of the last record returned by Next, or of the page a
    // failing Next was reading.
    std::size_t Block() const { return block_; }

    // Starts again from the first record.
    void Restart();
    // The next record's bytes, valid until the next call; false at the end.
    // A page or row that cannot be read is passed over and counted, so the
    // rows after it are still read.
    bool Next(ByteSpan& record);
    // Rows passed over since the start because they could not be read: a
    // page that cannot be read or lists more rows than it holds counts once,
    // as its rows cannot be told; a damaged row or overflow trail once each.
    // A record the caller cannot decode is counted with Skip.
    int64_t Unreadable() const { return unreadable_; }
    void Skip() { ++unreadable_; }
    // Where the last record returned by Next is listed: its own slot, also
    // when its bytes were moved to another page.
    RowPointer Position() const { return position_; }

private:
    uint32_t FollowingPages() const;
    // The row at row_ - 1 of the current page, followed to where it lives.
    ByteSpan Follow(const RowSlot& slot, ByteSpan bytes);

    PageFile& file_;
    uint32_t owner_;
    std::vector<uint32_t> pages_;
    std::size_t pageIndex_ = 0;
    std::size_t first_ = 0;
    std::size_t stride_ = 1;
    std::size_t block_ = 0;
    unsigned row_ = 0;
    PageData page_;
    RowTable rows_;   // the current page's, checked when it was taken
    PageData target_; // page of the last overflow target
    RowPointer position_;
    int64_t unreadable_ = 0;
};

} // namespace jet
