#include "jet/PageFile.h"

#include "jet/Rc4.h"

#include "platform/Crypto.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>

namespace jet {

namespace {

// Buffers of pages given up kept for the next reads: a run's worth, so a
// scan reuses its memory instead of asking the allocator for every page.
constexpr std::size_t kSpareBuffers = 2 * (PageFile::kMostPagesAhead + 1);

} // namespace

PageFile::PageFile(const std::string& path, std::size_t cachePages) : capacity_(cachePages < 4 ? 4 : cachePages) {
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
    reader_ = platform::FileReader::Open(path);
    if (!reader_) {
        std::u16string description = u"Could not find file '";
        description += platform::AnsiToWide(path);
        description += u"'.";
        Raise(DaoNumber::FileNotFound, std::move(description));
    }
    if (!reader_->Length(fileSize_))
        RaiseCorrupt("file length unknown");

    std::vector<uint8_t> start(static_cast<std::size_t>(std::min<uint64_t>(fileSize_, 4096)), 0);
    const std::span<uint8_t> whole(start);
    if (!reader_->ReadAt(0, std::span(&whole, 1)))
        RaiseCorrupt("file shorter than its header page");
    const uint32_t pageSize = PageSizeFor(start);
    if (start.size() < pageSize)
        RaiseCorrupt("file shorter than its header page");
    header_ = ParseHeader(ByteSpan(start.data(), pageSize));
    start.resize(pageSize);
    page0_ = std::move(start);
    const uint64_t pages = fileSize_ / pageSize;
    pageCount_ = pages > 0xFFFFFFu ? 0xFFFFFFu + 1 : static_cast<uint32_t>(pages);
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

PageFile::Buffer PageFile::SpareBuffer() {
    if (spare_.empty())
        return nullptr;
    Buffer buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
}

void PageFile::GiveBack(Buffer buffer) {
    if (spare_.size() < kSpareBuffers)
        spare_.push_back(std::move(buffer));
}

const PageData& PageFile::Keep(uint32_t number, Buffer& buffer) {
    if (auto found = index_.find(number); found != index_.end()) {
        // Another thread read the same page meanwhile: one copy is kept.
        GiveBack(std::move(buffer));
        recent_.splice(recent_.begin(), recent_, found->second);
        return recent_.front().second;
    }
    while (recent_.size() >= capacity_) {
        auto& [oldNumber, oldData] = recent_.back();
        index_.erase(oldNumber);
        // Its memory is reused unless a reader still holds the page.
        if (oldData.use_count() == 1)
            GiveBack(std::const_pointer_cast<std::vector<uint8_t>>(std::move(oldData)));
        recent_.pop_back();
    }
    recent_.emplace_front(number, std::move(buffer));
    index_.emplace(number, recent_.begin());
    return recent_.front().second;
}

PageData PageFile::Page(uint32_t number, uint32_t following) {
    if (number == 0 || number >= pageCount_)
        RaiseCorrupt("page number outside the file");
    uint32_t run = 1;
    std::array<Buffer, kMostPagesAhead + 1> buffers;
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
        for (uint32_t k = 0; k < run; ++k)
            buffers[k] = SpareBuffer();
    }

    // Read straight into the buffers the cache will keep, and decoded, with
    // no lock held, so that other threads go on.
    const std::size_t pageSize = header_.PageSize;
    std::array<std::span<uint8_t>, kMostPagesAhead + 1> pieces;
    for (uint32_t k = 0; k < run; ++k) {
        if (!buffers[k])
            buffers[k] = std::make_shared<std::vector<uint8_t>>();
        buffers[k]->resize(pageSize);
        pieces[k] = std::span<uint8_t>(*buffers[k]);
    }
    const uint64_t offset = static_cast<uint64_t>(number) * pageSize;
    if (!reader_->ReadAt(offset, std::span(pieces.data(), run))) {
        // The pages read along may have gone (the file cut short since it
        // was opened) while the one asked for is still there.
        run = 1;
        if (!reader_->ReadAt(offset, std::span(pieces.data(), run)))
            RaiseCorrupt("page cannot be read");
    }
    for (uint32_t k = 0; k < run; ++k)
        Decode(number + k, pieces[k]);

    // The wanted page goes in last, the most recent of them.
    const std::lock_guard<std::mutex> lock(mutex_);
    for (uint32_t k = run; k-- > 1;)
        Keep(number + k, buffers[k]);
    return Keep(number, buffers[0]);
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
