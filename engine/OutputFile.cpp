#include "engine/OutputFile.h"

#include <algorithm>

bool OutputFile::OpenAppend(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "ab");
    if (file_ == nullptr)
        return false;
    // Our own buffer gathers the bytes; a second one in the stream would
    // only copy every byte once more.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (allocated_ != kBufferBytes) {
        // A file's buffer has one size: a memory buffer that grew is let go.
        buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
        allocated_ = kBufferBytes;
    }
    memory_ = false;
    standardOutput_ = false;
    capacity_ = allocated_;
    used_ = whole_ = 0;
    failed_ = false;
    return true;
}

void OutputFile::OpenStandardOutput(std::FILE* stream, std::string_view lineEnd) {
    Close();
    file_ = stream;
    if (allocated_ != kBufferBytes) {
        buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
        allocated_ = kBufferBytes;
    }
    memory_ = false;
    standardOutput_ = true;
    lineEnd_ = lineEnd;
    partSent_ = false;
    capacity_ = allocated_;
    used_ = whole_ = 0;
    failed_ = false;
}

void OutputFile::OpenMemory() {
    Close();
    memory_ = true;
    if (!buffer_) {
        buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
        allocated_ = kBufferBytes;
    }
    standardOutput_ = false;
    capacity_ = allocated_;
    used_ = whole_ = 0;
    failed_ = false;
}

HeldBytes OutputFile::TakeBytes(HeldBytes next) {
    HeldBytes held{std::move(buffer_), allocated_, used_};
    if (!next.Data || next.Allocated == 0) {
        next.Data = std::make_unique_for_overwrite<char[]>(kBufferBytes);
        next.Allocated = kBufferBytes;
    }
    buffer_ = std::move(next.Data);
    allocated_ = next.Allocated;
    if (capacity_ != 0)
        capacity_ = allocated_;
    used_ = whole_ = 0;
    return held;
}

void OutputFile::Grow(std::size_t more) {
    if (spill_ && used_ != 0 && used_ + more > spillLimit_) {
        const std::string_view held(buffer_.get(), used_);
        used_ = whole_ = 0;
        spill_(held);
    }
    const std::size_t needed = used_ + more;
    if (needed <= capacity_)
        return;
    const std::size_t size = std::max(needed, capacity_ * 2);
    auto larger = std::make_unique_for_overwrite<char[]>(size);
    std::memcpy(larger.get(), buffer_.get(), used_);
    buffer_ = std::move(larger);
    allocated_ = capacity_ = size;
}

void OutputFile::Flush() {
    if (standardOutput_) {
        FlushWhole();
        return;
    }
    if (used_ != 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_)
        failed_ = true;
    used_ = whole_ = 0;
}

void OutputFile::FlushWhole() {
    // A record too long for the buffer goes out in pieces; it may then be cut
    // short, and Close ends its line.
    const std::size_t send = whole_ != 0 ? whole_ : used_;
    if (send != 0 && std::fwrite(buffer_.get(), 1, send, file_) != send)
        failed_ = true;
    if (whole_ == 0 && used_ != 0)
        partSent_ = true;
    std::memmove(buffer_.get(), buffer_.get() + send, used_ - send);
    used_ -= send;
    whole_ = 0;
}

void OutputFile::WriteThrough(std::string_view bytes) {
    if (memory_) {
        Grow(bytes.size());
        std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
        return;
    }
    if (file_ == nullptr)
        return;
    Flush();
    // What still does not fit (a long memo) goes out in one piece.
    if (bytes.size() >= kBufferBytes - used_) {
        if (standardOutput_) {
            // The unfinished record kept by the flush goes first.
            const std::size_t kept = used_;
            if (kept != 0 && std::fwrite(buffer_.get(), 1, kept, file_) != kept)
                failed_ = true;
            used_ = 0;
            partSent_ = true;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            failed_ = true;
        return;
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

char* OutputFile::ReserveAfterFlush(std::size_t bytes) {
    if (memory_) {
        Grow(bytes);
        return buffer_.get() + used_;
    }
    if (file_ == nullptr || bytes > kBufferBytes)
        return nullptr;
    Flush();
    if (bytes > capacity_ - used_)
        return nullptr;
    return buffer_.get() + used_;
}

bool OutputFile::Close() {
    if (file_ != nullptr && standardOutput_) {
        // Only whole records stay: the table ended inside one.
        used_ = whole_;
        FlushWhole();
        if (partSent_ && std::fwrite(lineEnd_.data(), 1, lineEnd_.size(), file_) != lineEnd_.size())
            failed_ = true;
        if (std::fflush(file_) != 0)
            failed_ = true;
        file_ = nullptr;
        standardOutput_ = false;
    }
    if (file_ != nullptr) {
        Flush();
        if (std::fclose(file_) != 0)
            failed_ = true;
        file_ = nullptr;
    }
    capacity_ = 0;
    return !failed_;
}
