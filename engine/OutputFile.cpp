#include "engine/OutputFile.h"

namespace {
// Every cell is a handful of small writes; a large buffer keeps them from
// turning into system calls.
constexpr std::size_t kBufferBytes = 64 * 1024;
} // namespace

bool OutputFile::OpenAppend(const std::string& path)
{
    Close();
    file_ = std::fopen(path.c_str(), "ab");
    if (file_ == nullptr)
        return false;
    // The C library allocates and frees the buffer itself (null pointer),
    // so no buffer of ours has to outlive the stream.
    std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
    return true;
}

void OutputFile::Write(std::string_view bytes)
{
    if (file_ != nullptr && !bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
}

void OutputFile::Put(char byte)
{
    if (file_ != nullptr)
        std::fputc(static_cast<unsigned char>(byte), file_);
}

void OutputFile::Close()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}
