#pragma once
// A file read at any offset by several threads at once: it has no position
// of its own, so reads need no lock and no seek, and one call fills every
// buffer of a read where the system can.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

class FileReader {
public:
    // `path` is ANSI text. Opened for reading only, shared with any other
    // reader or writer; null when it cannot be opened.
    static std::unique_ptr<FileReader> Open(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The file's length now; false when the system cannot tell.
    bool Length(uint64_t& out) const;
    // Fills the pieces in turn with the bytes from `offset` on; false when
    // any of them cannot be read (the file ends first, or the system fails).
    bool ReadAt(uint64_t offset, std::span<const std::span<uint8_t>> pieces) const;

private:
    explicit FileReader(intptr_t handle) : handle_(handle) {}
    intptr_t handle_; // a descriptor on POSIX, a HANDLE on Windows
};

} // namespace platform
