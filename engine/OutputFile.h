#pragma once
// A buffered output file opened for appending in binary mode.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // "ab": created when missing, written at its end, no newline translation.
    bool OpenAppend(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // Cells arrive as many small pieces: the common case is a copy into the
    // buffer, inline, without a call into the C library and its stream lock.
    void Write(std::string_view bytes)
    {
        if (file_ != nullptr && bytes.size() <= kBufferBytes - used_) {
            if (!bytes.empty())
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
    char* Reserve(std::size_t bytes)
    {
        if (file_ != nullptr && bytes <= kBufferBytes - used_)
            return buffer_.get() + used_;
        return ReserveAfterFlush(bytes);
    }
    void Commit(std::size_t bytes) { used_ += bytes; }
    // False when any byte since the open failed to reach the file (a full
    // disk, a lost medium): the table is then not converted, whatever it wrote.
    bool Close();

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void Flush();
    void WriteThrough(std::string_view bytes);
    char* ReserveAfterFlush(std::size_t bytes);

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};
