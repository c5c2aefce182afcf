// Jet "encoded" databases: every page after the header RC4-encrypted with
// the database key XOR the page number. No sample is encoded, so one is
// made from a plain sample and must read exactly like it.

#include "CorpusFiles.h"

#include "jet/JetEngine.h"
#include "jet/Rc4.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Dump(const fs::path& path, std::optional<std::string> password = std::nullopt) {
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path, password);
    const auto tableDefs = database->GetTableDefs();
    std::vector<std::string> lines;
    for (int16_t i = 0; i < tableDefs->Count(); ++i) {
        const std::u16string name(tableDefs->Item(i)->Name());
        auto records = database->OpenRecordset(name);
        for (; !records->Eof(); records->MoveNext()) {
            std::string line = jettest::Utf8(name);
            const Fields& fields = records->GetFields();
            for (int16_t f = 0; f < fields.Count(); ++f) {
                const Variant& v = fields.Item(f).Value();
                line += "|" + std::to_string(static_cast<int>(v.Type)) + ":" + std::to_string(v.I8) + ":" +
                        jettest::Utf8(v.Text) + ":" + std::to_string(v.Bytes.size());
            }
            lines.push_back(line);
        }
    }
    return lines;
}

fs::path Encode(const fs::path& source, uint32_t key, const fs::path& target) {
    std::ifstream in(source, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    const std::size_t pageSize = bytes[0x14] == 0 ? 2048 : 4096;
    // The key field lies in the obfuscated header block, where XOR-ing the
    // plain value in is the same as encrypting it (the stored key was zero).
    for (int k = 0; k < 4; ++k)
        bytes[0x3E + k] ^= static_cast<uint8_t>(key >> (8 * k));
    for (std::size_t page = 1; page < bytes.size() / pageSize; ++page) {
        const uint32_t pageKey = key ^ static_cast<uint32_t>(page);
        const uint8_t keyBytes[4] = {static_cast<uint8_t>(pageKey), static_cast<uint8_t>(pageKey >> 8),
                                     static_cast<uint8_t>(pageKey >> 16), static_cast<uint8_t>(pageKey >> 24)};
        jet::Rc4 rc4(keyBytes);
        rc4.Apply(std::span<uint8_t>(bytes.data() + page * pageSize, pageSize));
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return target;
}

TEST(JetEncoding, EncodedCopiesReadLikeTheirOriginals) {
    SKIP_WITHOUT_CORPUS();
    const fs::path dir = fs::temp_directory_path() / "varnex-jet-encoded";
    fs::create_directories(dir);
    for (const char* sample : {"V1997/test.mdb", "V2003/test.mdb", "password/V2000_with-password.mdb"}) {
        SCOPED_TRACE(sample);
        const auto password = jettest::PasswordFor(sample);
        const auto expected = Dump(jettest::CorpusDir() / sample, password);
        ASSERT_FALSE(expected.empty());
        const fs::path encoded = Encode(jettest::CorpusDir() / sample, 0x5EED1234u, dir / "encoded.mdb");
        EXPECT_EQ(Dump(encoded, password), expected);
    }
    fs::remove_all(dir);
}

TEST(JetEncoding, Rc4KnownAnswer) {
    // The published test vector: key "Key", plaintext "Plaintext".
    const uint8_t key[] = {'K', 'e', 'y'};
    uint8_t data[] = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
    jet::Rc4 rc4(key);
    rc4.Apply(data);
    const uint8_t expected[] = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
    EXPECT_TRUE(std::equal(std::begin(data), std::end(data), std::begin(expected)));
}

} // namespace
