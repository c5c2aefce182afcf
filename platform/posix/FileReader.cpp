#include "platform/FileReader.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace platform {

std::unique_ptr<FileReader> FileReader::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<FileReader>(new FileReader(fd));
}

FileReader::~FileReader() { ::close(static_cast<int>(handle_)); }

bool FileReader::Length(uint64_t& out) const {
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0 || info.st_size < 0)
        return false;
    out = static_cast<uint64_t>(info.st_size);
    return true;
}

// preadv may stop short (a signal, a file cut meanwhile): the rest is asked
// for again until nothing more comes.
bool FileReader::ReadAt(uint64_t offset, std::span<const std::span<uint8_t>> pieces) const {
    std::vector<iovec> left;
    left.reserve(pieces.size());
    for (const std::span<uint8_t> piece : pieces)
        if (!piece.empty())
            left.push_back(iovec{piece.data(), piece.size()});
    std::size_t first = 0;
    while (first < left.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(left.size() - first, IOV_MAX));
        if (offset > static_cast<uint64_t>(INT64_MAX))
            return false;
        const ssize_t got = ::preadv(static_cast<int>(handle_), left.data() + first, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        offset += static_cast<uint64_t>(got);
        auto rest = static_cast<std::size_t>(got);
        while (rest > 0 && rest >= left[first].iov_len)
            rest -= left[first++].iov_len;
        if (rest > 0) {
            left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + rest;
            left[first].iov_len -= rest;
        }
    }
    return true;
}

} // namespace platform
