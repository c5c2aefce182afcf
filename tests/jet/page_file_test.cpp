// The page file under several threads and a small cache: every page handed
// out holds the file's bytes for as long as it is held, whether it came alone
// or read along with others, and a file cut short while open still reads
// the pages it keeps.

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/PageFile.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kStampedPages = 300;

// A byte of page n at offset k, different for every page and offset.
uint8_t Stamp(uint32_t page, std::size_t offset) { return static_cast<uint8_t>(page * 131 + offset * 7 + (page >> 8)); }

// A small database followed by pages stamped with their numbers; the
// returned number is the first stamped page.
uint32_t WriteStampedFile(const std::string& path) {
    using building::Col;
    TableSpec table;
    table.name = "T";
    table.columns = {Col("ID", JetType::Long)};
    table.rows.push_back({building::I(1)});
    MdbDescription description;
    description.tables = {table};
    WriteMdb(description, path);
    const auto size = std::filesystem::file_size(path);
    EXPECT_EQ(size % kPageSize, 0u);
    const auto first = static_cast<uint32_t>(size / kPageSize);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::vector<char> page(kPageSize);
    for (uint32_t n = first; n < first + kStampedPages; ++n) {
        for (std::size_t k = 0; k < kPageSize; ++k)
            page[k] = static_cast<char>(Stamp(n, k));
        out.write(page.data(), kPageSize);
    }
    return first;
}

bool HoldsItsStamp(const jet::PageData& page, uint32_t number) {
    const jet::ByteSpan bytes(*page);
    if (bytes.size() != kPageSize)
        return false;
    for (std::size_t k = 0; k < kPageSize; ++k)
        if (bytes[k] != Stamp(number, k))
            return false;
    return true;
}

TEST(JetPageFile, PagesReadAloneOrAlongHoldTheirBytesOnEveryThread) {
    oracle::Scratch scratch;
    const std::string path = scratch.file("stamped.mdb");
    const uint32_t first = WriteStampedFile(path);
    for (const std::size_t cachePages : {std::size_t{4}, std::size_t{9}, std::size_t{64}}) {
        SCOPED_TRACE(cachePages);
        jet::PageFile file(path, cachePages);
        ASSERT_EQ(file.PageCount(), first + kStampedPages);
        std::atomic<int> wrong{0};
        auto reader = [&](unsigned seed) {
            std::mt19937 random(seed);
            // Pages kept a while: a buffer the cache reused while one is
            // held would show another page's bytes when checked again.
            std::vector<std::pair<uint32_t, jet::PageData>> held;
            for (int k = 0; k < 3000; ++k) {
                // Mostly onward, as scans go, sometimes anywhere.
                const uint32_t number = first + static_cast<uint32_t>(random() % kStampedPages);
                const auto following = static_cast<uint32_t>(random() % (jet::PageFile::kMostPagesAhead + 4));
                jet::PageData page = file.Page(number, following);
                wrong += HoldsItsStamp(page, number) ? 0 : 1;
                if (held.size() < 8)
                    held.emplace_back(number, std::move(page));
                else
                    held[random() % held.size()] = {number, std::move(page)};
                if (k % 100 == 0)
                    for (const auto& [n, kept] : held)
                        wrong += HoldsItsStamp(kept, n) ? 0 : 1;
            }
        };
        std::thread other(reader, 7u);
        reader(11u);
        other.join();
        EXPECT_EQ(wrong.load(), 0);
    }
}

TEST(JetPageFile, AFileCutShortWhileOpenStillReadsThePagesItKeeps) {
    oracle::Scratch scratch;
    const std::string path = scratch.file("stamped.mdb");
    const uint32_t first = WriteStampedFile(path);
    jet::PageFile file(path, 64);
    const uint32_t kept = first + 10;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(kept) * kPageSize);
    // Read along, the pages after it would run past the new end.
    EXPECT_TRUE(HoldsItsStamp(file.Page(kept - 2, jet::PageFile::kMostPagesAhead), kept - 2));
    EXPECT_TRUE(HoldsItsStamp(file.Page(kept - 1), kept - 1));
    EXPECT_THROW(file.Page(kept), EngineError);
    EXPECT_THROW(file.Page(kept + 5, 3), EngineError);
    EXPECT_TRUE(HoldsItsStamp(file.Page(first, 4), first));
}

} // namespace
