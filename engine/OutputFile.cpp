#include "engine/OutputFile.h"

bool OutputFile::OpenAppend(const std::string& path)
{
    Close();
    file_ = std::fopen(path.c_str(), "ab");
    if (file_ == nullptr)
        return false;
    // Our own buffer gathers the bytes; a second one in the stream would
    // only copy every byte once more.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(kBufferBytes);
    used_ = 0;
    failed_ = false;
    return true;
}

void OutputFile::Flush()
{
    if (used_ != 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_)
        failed_ = true;
    used_ = 0;
}

void OutputFile::WriteThrough(std::string_view bytes)
{
    if (file_ == nullptr)
        return;
    Flush();
    // What still does not fit (a long memo) goes out in one piece.
    if (bytes.size() >= kBufferBytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            failed_ = true;
        return;
    }
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
}

char* OutputFile::ReserveAfterFlush(std::size_t bytes)
{
    if (file_ == nullptr || bytes > kBufferBytes)
        return nullptr;
    Flush();
    return buffer_.get();
}

bool OutputFile::Close()
{
    if (file_ != nullptr) {
        Flush();
        if (std::fclose(file_) != 0)
            failed_ = true;
        file_ = nullptr;
    }
    return !failed_;
}
