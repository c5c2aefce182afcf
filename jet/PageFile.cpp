#include "jet/PageFile.h"

#include "jet/Rc4.h"

#include "platform/Crypto.h"
#include "platform/Platform.h"

#include <algorithm>

namespace jet {

namespace {

// Unbuffered: a page is read straight into its own buffer. The stream's
// buffer would read the next page too, which a seek then throws away.
std::unique_ptr<std::ifstream> OpenStream(const std::string& path) {
    auto stream = std::make_unique<std::ifstream>();
    stream->rdbuf()->pubsetbuf(nullptr, 0);
    stream->open(path, std::ios::binary | std::ios::in);
    return stream;
}

} // namespace

PageFile::PageFile(const std::string& path, std::size_t cachePages)
    : path_(path), capacity_(cachePages < 4 ? 4 : cachePages) {
    // Only a file is read: a FIFO would block the open until a writer came,
    // a device would never end, a directory is no database.
    switch (platform::KindOfPath(path)) {
    case platform::PathKind::Directory:
        Raise(DaoNumber::CorruptDatabase, u"'" + platform::AnsiToWide(path) + u"' is a folder, not a database file.");
    case platform::PathKind::Other:
        Raise(DaoNumber::CorruptDatabase,
              u"'" + platform::AnsiToWide(path) + u"' is not a regular file (a device or a pipe); it is not read.");
    case platform::PathKind::Missing:
    case platform::PathKind::RegularFile: break;
    }
    // Opened for reading only, shared with any other reader or writer.
    auto opened = OpenStream(path);
    std::ifstream& file = *opened;
    if (!file) {
        std::u16string description = u"Could not find file '";
        description += platform::AnsiToWide(path);
        description += u"'.";
        Raise(DaoNumber::FileNotFound, std::move(description));
    }
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    if (!file || length < 0)
        RaiseCorrupt("file length unknown");
    fileSize_ = static_cast<uint64_t>(length);

    std::vector<uint8_t> start(4096, 0);
    file.seekg(0);
    file.read(reinterpret_cast<char*>(start.data()), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(file.gcount()));
    file.clear();
    const uint32_t pageSize = PageSizeFor(start);
    if (start.size() < pageSize)
        RaiseCorrupt("file shorter than its header page");
    header_ = ParseHeader(ByteSpan(start.data(), pageSize));
    start.resize(pageSize);
    page0_ = std::move(start);
    const uint64_t pages = fileSize_ / pageSize;
    pageCount_ = pages > 0xFFFFFFu ? 0xFFFFFFu + 1 : static_cast<uint32_t>(pages);
    idleStreams_.push_back(std::move(opened));
}

void PageFile::ReadRaw(std::ifstream& stream, uint32_t number, std::span<uint8_t> into) {
    const uint64_t offset = static_cast<uint64_t>(number) * header_.PageSize;
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(offset));
    stream.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
    if (!stream || static_cast<std::size_t>(stream.gcount()) != into.size())
        RaiseCorrupt("page cannot be read");
}

std::unique_ptr<std::ifstream> PageFile::TakeStream() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!idleStreams_.empty()) {
            auto stream = std::move(idleStreams_.back());
            idleStreams_.pop_back();
            return stream;
        }
    }
    auto stream = OpenStream(path_);
    if (!*stream)
        RaiseCorrupt("file cannot be read again");
    return stream;
}

void PageFile::ReturnStream(std::unique_ptr<std::ifstream> stream) {
    const std::lock_guard<std::mutex> lock(mutex_);
    idleStreams_.push_back(std::move(stream));
}

std::shared_ptr<std::vector<uint8_t>> PageFile::FreeBuffer() {
    // Reuse the least recently used page's buffer when nobody holds it.
    std::shared_ptr<std::vector<uint8_t>> buffer;
    if (recent_.size() >= capacity_) {
        auto& [oldNumber, oldData] = recent_.back();
        index_.erase(oldNumber);
        if (oldData.use_count() == 1)
            buffer = std::const_pointer_cast<std::vector<uint8_t>>(oldData);
        recent_.pop_back();
    }
    if (!buffer)
        buffer = std::make_shared<std::vector<uint8_t>>();
    return buffer;
}

void PageFile::Decode(uint32_t number, std::span<uint8_t> page) {
    if (header_.JetEncoded()) {
        const uint32_t key = header_.DatabaseKey ^ number;
        const uint8_t keyBytes[4] = {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                                     static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
        Rc4 rc4(keyBytes);
        rc4.Apply(page);
    } else if (decryptor_) {
        const std::lock_guard<std::mutex> lock(decryptMutex_);
        try {
            decryptor_->Decrypt(header_.DatabaseKey ^ number, page);
        } catch (const platform::crypto::CryptoError&) {
            RaiseCorrupt("page cannot be decrypted");
        }
    }
}

PageData PageFile::Page(uint32_t number, uint32_t following) {
    if (number == 0 || number >= pageCount_)
        RaiseCorrupt("page number outside the file");
    uint32_t run = 1;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (auto found = index_.find(number); found != index_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second);
            return found->second->second;
        }
        // The pages the caller goes on to come in the same read, up to the
        // first one already here, and no more than the cache keeps.
        const auto keeps = static_cast<uint32_t>(std::min<std::size_t>(capacity_ - 1, kMostPagesAhead));
        const uint32_t most = std::min<uint32_t>({following, keeps, pageCount_ - 1 - number});
        while (run <= most && index_.find(number + run) == index_.end())
            ++run;
    }

    // Read and decoded outside the lock, so that other threads go on.
    thread_local std::vector<uint8_t> bytes;
    const std::size_t pageSize = header_.PageSize;
    bytes.resize(run * pageSize);
    std::unique_ptr<std::ifstream> stream = TakeStream();
    try {
        ReadRaw(*stream, number, bytes);
    } catch (...) {
        ReturnStream(std::move(stream));
        throw;
    }
    ReturnStream(std::move(stream));
    for (uint32_t k = 0; k < run; ++k)
        Decode(number + k, std::span<uint8_t>(bytes).subspan(k * pageSize, pageSize));

    const std::lock_guard<std::mutex> lock(mutex_);
    PageData wanted;
    for (uint32_t k = run; k-- > 0;) {
        // Another thread may have read the same page meanwhile: one copy is kept.
        auto found = index_.find(number + k);
        if (found == index_.end()) {
            std::shared_ptr<std::vector<uint8_t>> buffer = FreeBuffer();
            const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(k * pageSize);
            buffer->assign(from, from + static_cast<std::ptrdiff_t>(pageSize));
            recent_.emplace_front(number + k, std::move(buffer));
            found = index_.emplace(number + k, recent_.begin()).first;
        }
        if (k == 0)
            wanted = found->second->second;
    }
    return wanted;
}

void PageFile::SetDecryptor(std::unique_ptr<PageDecryptor> decryptor) {
    // Pages read before (none, when opening) would be stale.
    const std::lock_guard<std::mutex> lock(mutex_);
    recent_.clear();
    index_.clear();
    decryptor_ = std::move(decryptor);
}

PageData PageFile::PageOfType(uint32_t number, uint8_t type, std::string_view what, uint32_t following) {
    PageData page = Page(number, following);
    if ((*page)[0] != type)
        RaiseCorrupt(what);
    return page;
}

} // namespace jet
