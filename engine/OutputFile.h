#pragma once
// A buffered output file opened for appending in binary mode, the process's
// standard output, or the same buffer kept in memory for a block of records
// formatted on another thread.

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The bytes of a memory buffer, handed from the thread that formatted them
// to the one that writes them, and back empty, so that no block is copied
// and none costs the allocator and fresh pages.
struct HeldBytes {
    std::unique_ptr<char[]> Data;
    std::size_t Allocated = 0;
    std::size_t Used = 0;
    std::string_view View() const { return {Data.get(), Used}; }
};

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // "ab": created when missing, written at its end, no newline translation.
    bool OpenAppend(const std::string& path);
    // The process's standard output, where tables follow one another: only
    // whole records reach it. What follows the last EndRecord when the file
    // is closed (a table that failed inside a record) is dropped, and if part
    // of that record had to go out already (a value larger than the buffer),
    // `lineEnd` closes it, so the next table always starts a line of its own.
    void OpenStandardOutput(std::FILE* stream, std::string_view lineEnd);
    // No file: the buffer grows to hold whatever is written, until Clear.
    void OpenMemory();
    // A memory buffer that would grow beyond `limit` bytes first hands what
    // it holds to `spill` and starts empty: a block holding one huge value
    // goes on in pieces instead of whole. spill may throw.
    void SpillOver(std::size_t limit, std::function<void(std::string_view)> spill) {
        spillLimit_ = limit;
        spill_ = std::move(spill);
    }
    // A byte already failed to reach the file: what follows cannot help.
    bool Failed() const { return failed_; }
    // What a memory buffer holds.
    std::string_view Bytes() const { return {buffer_.get(), used_}; }
    void Clear() { used_ = whole_ = 0; }
    // A memory buffer's bytes, whole, with no copy; the buffer goes on in
    // `next` (emptied), or in a new one when next holds none.
    HeldBytes TakeBytes(HeldBytes next);
    // Cells arrive as many small pieces: the common case is a copy into the
    // buffer, inline, without a call into the C library and its stream lock.
    void Write(std::string_view bytes) {
        if (bytes.size() <= capacity_ - used_) {
            // Mostly a one-byte delimiter, which a call to memcpy would cost more than.
            if (bytes.size() == 1)
                buffer_[used_] = bytes.front();
            else if (!bytes.empty())
                std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
            return;
        }
        WriteThrough(bytes);
    }
    void Put(char byte) { Write(std::string_view(&byte, 1)); }
    // Room for `bytes` more bytes at the end of the buffer, flushed first
    // when needed, for a cell to be written straight into it; null when they
    // cannot fit (or no file is open). Commit then says how many were used.
    char* Reserve(std::size_t bytes) {
        if (bytes <= capacity_ - used_)
            return buffer_.get() + used_;
        return ReserveAfterFlush(bytes);
    }
    void Commit(std::size_t bytes) { used_ += bytes; }
    // The bytes written so far end a record (or the header line).
    void EndRecord() {
        whole_ = used_;
        partSent_ = false;
    }
    // How many bytes of a memory buffer end at a record's end.
    std::size_t WholeBytes() const { return whole_; }
    // False when any byte since the open failed to reach the file (a full
    // disk, a lost medium): the table is then not converted, whatever it wrote.
    bool Close();

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void Flush();
    // Standard output: sends the whole records and keeps the unfinished one,
    // unless it fills the buffer by itself.
    void FlushWhole();
    void WriteThrough(std::string_view bytes);
    char* ReserveAfterFlush(std::size_t bytes);

    // Grows a memory buffer to hold `more` bytes beyond those used, after
    // spilling what it holds when that would pass the limit.
    void Grow(std::size_t more);

    std::FILE* file_ = nullptr;
    bool memory_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t allocated_ = 0;
    std::size_t capacity_ = 0; // allocated_ while open, 0 while nothing is
    std::size_t used_ = 0;
    bool failed_ = false;
    bool standardOutput_ = false;
    std::size_t whole_ = 0; // bytes of the buffer up to the last record's end
    bool partSent_ = false; // part of the unfinished record is out already
    std::string lineEnd_;
    std::size_t spillLimit_ = 0;
    std::function<void(std::string_view)> spill_;
};
