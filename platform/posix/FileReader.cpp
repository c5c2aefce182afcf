#include "platform/FileReader.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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
    // A page and the pages read along with it fit the array: the reads of a
    // scan take nothing from the allocator.
    std::array<iovec, 32> few;
    std::vector<iovec> many;
    if (pieces.size() > few.size())
        many.resize(pieces.size());
    iovec* const left = many.empty() ? few.data() : many.data();
    std::size_t count = 0;
    for (const std::span<uint8_t> piece : pieces)
        if (!piece.empty())
            left[count++] = iovec{piece.data(), piece.size()};
    std::size_t first = 0;
    while (first < count) {
        const int batch = static_cast<int>(std::min<std::size_t>(count - first, IOV_MAX));
        if (offset > static_cast<uint64_t>(INT64_MAX))
            return false;
        const ssize_t got = ::preadv(static_cast<int>(handle_), left + first, batch, static_cast<off_t>(offset));
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
