#pragma once
// Where finished pages go. Pages are numbered when they are started and
// written when they are full, so they reach the sink out of order.

#include "tools/mkdb/PageFormat.h"

#include <fstream>
#include <string>
#include <vector>

namespace mkdb {

class PageSink {
public:
    virtual ~PageSink() = default;
    virtual void write(std::uint32_t number, const Page& page) = 0;
};

class FilePageSink : public PageSink {
public:
    explicit FilePageSink(const std::string& path);
    FilePageSink(const FilePageSink&) = delete;
    FilePageSink& operator=(const FilePageSink&) = delete;
    void write(std::uint32_t number, const Page& page) override;
    // Flushes and closes; reports a failed write (e.g. a full disk).
    void close();
    // Closes without reporting, before the caller removes the file.
    void abandon();

private:
    std::string path_;
    std::ofstream file_;
};

class MemoryPageSink : public PageSink {
public:
    void write(std::uint32_t number, const Page& page) override;
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace mkdb
