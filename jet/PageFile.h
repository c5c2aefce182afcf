#pragma once
// The database file as numbered pages. Opened read-only and never locked;
// pages pass through a small cache so memory stays flat however large the
// file, and every page number is checked against the file's length.

#include "jet/Bytes.h"
#include "jet/Header.h"
#include "jet/PageDecryptor.h"

#include "platform/FileReader.h"

#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace jet {

using PageData = std::shared_ptr<const std::vector<uint8_t>>;

class PageFile {
public:
    // `path` is ANSI text, the bytes the file system is given. Raises
    // FileNotFound when the file cannot be opened, and the header's own
    // errors when page 0 is not a database header.
    explicit PageFile(const std::string& path, std::size_t cachePages = 256);
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    const Header& GetHeader() const { return header_; }
    uint32_t PageSize() const { return header_.PageSize; }
    uint32_t PageCount() const { return pageCount_; }
    bool IsJet3() const { return header_.IsJet3(); }
    uint64_t FileSize() const { return fileSize_; }

    // Page n (1 <= n < PageCount), decoded. The data stays valid as long as
    // the caller holds it, even after the cache lets it go. Safe to call from
    // several threads at once (parts of one table read side by side).
    // `following`: how many pages after it the caller reads next (a scan of
    // consecutive pages), read along with it while they are not cached.
    PageData Page(uint32_t number, uint32_t following = 0);
    // The same, checked to be of the given page type.
    PageData PageOfType(uint32_t number, uint8_t type, std::string_view what, uint32_t following = 0);

    // Page 0 as read, for what lies outside the parsed header fields.
    ByteSpan HeaderPage() const { return page0_; }
    // From now on every page is decrypted as it is read.
    void SetDecryptor(std::unique_ptr<PageDecryptor> decryptor);

    // The most pages read along with one.
    static constexpr uint32_t kMostPagesAhead = 15;

private:
    using Buffer = std::shared_ptr<std::vector<uint8_t>>;

    void Decode(uint32_t number, std::span<uint8_t> page);
    // Puts a page read into the cache unless another thread did meanwhile,
    // and gives up the oldest pages beyond the cache's size; called with the
    // lock held. Returns the page the cache keeps.
    const PageData& Keep(uint32_t number, Buffer& buffer);
    // A buffer given back, or none; called with the lock held.
    Buffer SpareBuffer();
    void GiveBack(Buffer buffer);

    // Held only to look pages up and to trade buffers, never while a page is
    // read, copied or decoded: threads reading the same file wait for each
    // other as little as can be.
    std::mutex mutex_;
    std::mutex decryptMutex_; // the decryptor keeps cipher state between pages
    std::unique_ptr<platform::FileReader> reader_;
    std::vector<Buffer> spare_; // buffers of pages the cache gave up, unused
    Header header_;
    std::vector<uint8_t> page0_;
    std::unique_ptr<PageDecryptor> decryptor_;
    uint64_t fileSize_ = 0;
    uint32_t pageCount_ = 0;
    std::size_t capacity_;
    std::list<std::pair<uint32_t, PageData>> recent_; // most recent first
    std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageData>>::iterator> index_;
};

} // namespace jet
