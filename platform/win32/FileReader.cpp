#include "platform/FileReader.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The offset goes with each call: the handle's own position is neither used
// nor shared between threads.
bool ReadInto(HANDLE file, uint64_t offset, std::span<uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const auto want = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 30));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!ReadFile(file, into.data() + done, want, &got, &at) || got == 0)
            return false;
        done += got;
        offset += got;
    }
    return true;
}

} // namespace

std::unique_ptr<FileReader> FileReader::Open(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::unique_ptr<FileReader>(new FileReader(reinterpret_cast<intptr_t>(file)));
}

FileReader::~FileReader() { CloseHandle(AsHandle(handle_)); }

bool FileReader::Length(uint64_t& out) const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(handle_), &size) || size.QuadPart < 0)
        return false;
    out = static_cast<uint64_t>(size.QuadPart);
    return true;
}

// Scattered reads need aligned, unbuffered files here: several pieces are
// read as one into a buffer of the thread's and copied out.
bool FileReader::ReadAt(uint64_t offset, std::span<const std::span<uint8_t>> pieces) const {
    if (pieces.size() == 1)
        return ReadInto(AsHandle(handle_), offset, pieces.front());
    std::size_t total = 0;
    for (const std::span<uint8_t> piece : pieces)
        total += piece.size();
    thread_local std::vector<uint8_t> joined;
    joined.resize(total);
    if (!ReadInto(AsHandle(handle_), offset, joined))
        return false;
    std::size_t at = 0;
    for (const std::span<uint8_t> piece : pieces) {
        std::copy_n(joined.begin() + static_cast<std::ptrdiff_t>(at), piece.size(), piece.begin());
        at += piece.size();
    }
    return true;
}

} // namespace platform
