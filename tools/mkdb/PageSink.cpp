#include "tools/mkdb/PageSink.h"

#include <algorithm>
#include <stdexcept>

namespace mkdb {

FilePageSink::FilePageSink(const std::string& path) : path_(path) {
    file_.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file_)
        throw std::runtime_error("cannot create " + path);
}

void FilePageSink::write(std::uint32_t number, const Page& page) {
    if (!file_.is_open())
        throw std::logic_error("page written after close");
    file_.seekp(static_cast<std::streamoff>(number) * static_cast<std::streamoff>(page.size()));
    file_.write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
    if (!file_)
        throw std::runtime_error("cannot write " + path_);
}

void FilePageSink::close() {
    if (!file_.is_open())
        return;
    file_.flush();
    bool ok = static_cast<bool>(file_);
    file_.close();
    if (!ok || file_.fail())
        throw std::runtime_error("cannot write " + path_);
}

void FilePageSink::abandon() {
    if (file_.is_open())
        file_.close();
}

void MemoryPageSink::write(std::uint32_t number, const Page& page) {
    std::size_t offset = static_cast<std::size_t>(number) * page.size();
    if (bytes_.size() < offset + page.size())
        bytes_.resize(offset + page.size(), 0);
    std::copy(page.begin(), page.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

} // namespace mkdb
