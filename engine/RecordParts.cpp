#include "engine/Records.h"

#include "platform/Platform.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Blocks formatted ahead of the one being written, per thread: enough to
// keep every thread busy while memory stays a few blocks' worth.
constexpr int32_t kBlocksAheadPerThread = 2;
// More threads than this gain nothing: the file is written by one.
constexpr int32_t kMaxThreads = 4;
// A block formatted beyond this many bytes (a huge value in it) is handed to
// the writer in pieces as it grows, once the blocks before it are written:
// memory stays a few blocks' worth whatever the values.
constexpr std::size_t kPieceBytes = 4 << 20;
// Spare block buffers kept for the threads, and the largest kept: a block
// that grew around a huge value gives its memory back.
constexpr std::size_t kSpareBlocksPerThread = 3;
constexpr std::size_t kLargestSpareBytes = kPieceBytes;

struct FormattedBlock {
    HeldBytes Bytes;
    std::size_t Whole = 0; // bytes up to the end of the block's last whole record
    int32_t Records = 0;
    UnrenderedCells Unrendered; // rows numbered from 1 within the block
    bool Stopped = false;       // a stop request came before the block's end
    std::exception_ptr Error;   // what ended the block early
    bool Piece = false;         // the start of a block whose rest follows
};

// The writer went away while a part waited to hand on a piece.
struct PartAbandoned {};

// Hands formatted blocks from the threads to the writer in block order,
// and keeps the threads no further ahead than the window allows.
class BlockQueue {
public:
    explicit BlockQueue(int32_t window) : window_(window) {}

    // A thread waits until block n is within the window; false when the
    // writer gave up and the thread is to end.
    bool WaitForTurn(int32_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        turn_.wait(lock, [&] { return abandoned_ || n < next_ + window_; });
        return !abandoned_;
    }
    // A piece of block n: handed on once every block before n is written
    // and the last piece taken, so at most one waits. False when the writer
    // gave up.
    bool DeliverPiece(int32_t n, std::string_view bytes) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            turn_.wait(lock, [&] { return abandoned_ || (next_ == n && ready_.count(n) == 0); });
            if (abandoned_)
                return false;
            FormattedBlock piece;
            piece.Bytes.Data = std::make_unique_for_overwrite<char[]>(bytes.size());
            piece.Bytes.Allocated = piece.Bytes.Used = bytes.size();
            if (!bytes.empty())
                std::memcpy(piece.Bytes.Data.get(), bytes.data(), bytes.size());
            piece.Piece = true;
            ready_.emplace(n, std::move(piece));
        }
        arrived_.notify_all();
        return true;
    }
    void Deliver(int32_t n, FormattedBlock block) {
        {
            // A block's last piece may still wait for the writer.
            std::unique_lock<std::mutex> lock(mutex_);
            turn_.wait(lock, [&] { return abandoned_ || ready_.count(n) == 0; });
            ready_.emplace(n, std::move(block));
        }
        arrived_.notify_all();
    }
    FormattedBlock Take(int32_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait(lock, [&] { return ready_.count(n) != 0; });
        FormattedBlock block = std::move(ready_.at(n));
        ready_.erase(n);
        if (!block.Piece)
            next_ = n + 1;
        lock.unlock();
        turn_.notify_all();
        return block;
    }
    // An emptied buffer for the next block, when the writer gave one back.
    HeldBytes Spare() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (spare_.empty())
            return {};
        HeldBytes bytes = std::move(spare_.back());
        spare_.pop_back();
        return bytes;
    }
    // A written block's buffer, for a thread to fill again.
    void GiveBack(HeldBytes bytes) {
        if (!bytes.Data || bytes.Allocated > kLargestSpareBytes)
            return;
        bytes.Used = 0;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (spare_.size() < static_cast<std::size_t>(window_) * kSpareBlocksPerThread)
            spare_.push_back(std::move(bytes));
    }
    void Abandon() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            abandoned_ = true;
        }
        turn_.notify_all();
    }

private:
    const int32_t window_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::condition_variable arrived_;
    std::map<int32_t, FormattedBlock> ready_;
    std::vector<HeldBytes> spare_;
    int32_t next_ = 0;
    bool abandoned_ = false;
};

// One thread's share: blocks first, first + stride, ... of the table, every
// one of them delivered (empty when none of its pages held a record), so the
// writer never waits for a block that will not come.
void FormatPart(const ConversionSettings& settings, Recordset& part, int32_t first, int32_t stride, int32_t blocks,
                BlockQueue& queue, RecordWriter& writer) {
    OutputFile out;
    out.OpenMemory();
    int32_t block = first;
    int32_t records = 0;
    UnrenderedCells unrendered;
    out.SpillOver(kPieceBytes, [&](std::string_view bytes) {
        if (!queue.DeliverPiece(block, bytes))
            throw PartAbandoned{};
    });
    auto deliver = [&](bool stopped, std::exception_ptr error) {
        const std::size_t whole = out.WholeBytes();
        queue.Deliver(
            block, FormattedBlock{out.TakeBytes(queue.Spare()), whole, records, unrendered, stopped, std::move(error)});
        records = 0;
        unrendered = UnrenderedCells();
        block += stride;
    };
    if (!queue.WaitForTurn(block))
        return;
    try {
        part.MoveFirst();
        while (!part.Eof()) {
            if (settings.StopRequested.load(std::memory_order_relaxed)) {
                deliver(true, nullptr);
                return;
            }
            const int32_t at = part.Block();
            while (block < at) {
                deliver(false, nullptr);
                if (!queue.WaitForTurn(block))
                    return;
            }
            writer.Write(part.GetFields(), int64_t{records} + 1, out, unrendered);
            out.EndRecord();
            records += 1;
            part.MoveNext();
        }
    } catch (const PartAbandoned&) {
        return;
    } catch (...) {
        // The bytes before the failure are written as one thread would have:
        // a move that failed in a later block of this part comes after the
        // other parts' blocks in between, which are written first.
        const std::exception_ptr error = std::current_exception();
        int32_t failedIn = block;
        try {
            failedIn = std::max(block, part.Block());
        } catch (...) {
            // A part that cannot tell its block failed in the one it was on;
            // its own error is the one delivered.
        }
        while (block < failedIn) {
            deliver(false, nullptr);
            if (!queue.WaitForTurn(block))
                return;
        }
        deliver(false, error);
        return;
    }
    for (;;) {
        deliver(false, nullptr);
        if (block >= blocks || !queue.WaitForTurn(block))
            return;
    }
}

// Joins the threads however the writer leaves.
class PartThreads {
public:
    explicit PartThreads(BlockQueue& queue) : queue_(queue) {}
    PartThreads(const PartThreads&) = delete;
    PartThreads& operator=(const PartThreads&) = delete;
    ~PartThreads() {
        queue_.Abandon();
        for (std::thread& thread : threads_)
            thread.join();
    }
    std::vector<std::thread>& List() { return threads_; }

private:
    BlockQueue& queue_;
    std::vector<std::thread> threads_;
};

} // namespace

int32_t ThreadsFor(const ConversionSettings& settings, int32_t blocks) {
    const int32_t threads =
        settings.ExportThreads > 0 ? settings.ExportThreads : std::min(platform::ThreadsAllowed(), kMaxThreads);
    return std::max(1, std::min(threads, blocks));
}

std::optional<RecordsWritten> WriteRecordsInParts(ProgressDisplay* window, ConversionSettings& settings,
                                                  OutputFile& file, Recordset& records,
                                                  const std::vector<RecordWriter*>& writers, int32_t total) {
    const auto threads = static_cast<int32_t>(writers.size());
    if (threads == 0)
        return std::nullopt;
    const int32_t blocks = records.BlockCount();
    // Every part is taken before any thread starts: taking one reads the
    // table's definition through the database, which is not shared yet.
    std::vector<std::unique_ptr<Recordset>> parts;
    try {
        for (int32_t k = 0; k < threads; ++k) {
            parts.push_back(records.Part(k, threads));
            if (!parts.back())
                return std::nullopt;
        }
    } catch (const EngineError&) {
        return std::nullopt;
    }

    BlockQueue queue(threads * kBlocksAheadPerThread);
    RecordsWritten written;
    if (window)
        window->ProgressStartTable(total);
    {
        PartThreads running(queue);
        for (int32_t k = 0; k < threads; ++k) {
            running.List().emplace_back(FormatPart, std::cref(settings), std::ref(*parts[static_cast<std::size_t>(k)]),
                                        k, threads, blocks, std::ref(queue),
                                        std::ref(*writers[static_cast<std::size_t>(k)]));
        }
        for (int32_t n = 0; n < blocks; ++n) {
            FormattedBlock block = queue.Take(n);
            while (block.Piece) {
                file.Write(block.Bytes.View());
                block = queue.Take(n);
            }
            // A block that failed inside a record holds its start after the
            // whole ones: a file keeps it, standard output drops it.
            const std::string_view bytes = block.Bytes.View();
            file.Write(bytes.substr(0, block.Whole));
            file.EndRecord();
            file.Write(bytes.substr(block.Whole));
            queue.GiveBack(std::move(block.Bytes));
            written.Unrendered.Append(block.Unrendered, written.Count);
            written.Count += block.Records;
            settings.RecordsDone += block.Records;
            if (window && block.Records != 0)
                window->ProgressRecords(written.Count);
            if (block.Error)
                std::rethrow_exception(block.Error);
            if (block.Stopped) {
                written.Stopped = true;
                break;
            }
            if (file.Failed())
                break;
        }
    }
    for (const auto& part : parts) {
        written.LeftEmpty += part->ValuesLeftEmpty();
        written.Unreadable += part->RowsUnreadable();
    }
    return written;
}
