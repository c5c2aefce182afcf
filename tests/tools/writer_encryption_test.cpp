// The writer's encryption settings: read from the description, checked
// before any file is made, and stable from one run to the next.

#include "TableBuilding.h"

#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace building;

MdbDescription Tiny(const std::string& json) { return DescriptionFromJson(ParseJson(json)); }

TEST(WriterEncryption, DescriptionCarriesTheSchemeAndItsSettings) {
    const MdbDescription d = Tiny(R"({"encryption": {"scheme": "agile", "password": "pw", "keyBits": 128,
        "hash": "SHA1", "spinCount": 7, "version": 5}, "tables": []})");
    ASSERT_TRUE(d.encryption.has_value());
    EXPECT_EQ(d.encryption->scheme, "agile");
    EXPECT_EQ(d.encryption->password, "pw");
    EXPECT_EQ(d.encryption->keyBits, 128);
    EXPECT_EQ(d.encryption->hash, "SHA1");
    EXPECT_EQ(d.encryption->spinCount, 7u);
    EXPECT_EQ(d.encryption->version, 5);
    EXPECT_THROW(Tiny(R"({"encryption": {"scheme": "agile", "pasword": "pw"}, "tables": []})"), std::runtime_error);
}

TEST(WriterEncryption, RefusesWhatNoReaderCouldOpenAndLeavesNoFile) {
    const auto path = std::filesystem::temp_directory_path() / "varnex-writer-encryption.accdb";
    for (const char* settings : {
             R"("scheme": "rot13", "password": "pw")",
             R"("scheme": "agile")",
             R"("scheme": "agile", "password": "pw", "keyBits": 100)",
             R"("scheme": "agile", "password": "pw", "hash": "MD4")",
             R"("scheme": "rc4-cryptoapi", "password": "pw", "keyBits": 36)",
             R"("scheme": "rc4", "password": "pw", "keyBits": 40)",
             R"("scheme": "standard", "password": "pw", "version": 1)",
         }) {
        SCOPED_TRACE(settings);
        const MdbDescription d = Tiny(std::string(R"({"encryption": {)") + settings + R"(}, "tables": []})");
        EXPECT_THROW(WriteMdb(d, path.string()), std::runtime_error);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // An encrypted file keeps no Jet password of its own.
    MdbDescription both = Tiny(R"({"encryption": {"scheme": "rc4", "password": "pw"}, "tables": []})");
    both.password = "pw";
    EXPECT_THROW(WriteMdbToMemory(both), std::runtime_error);
}

TEST(WriterEncryption, SameDescriptionSameBytesAndThePasswordChangesThem) {
    for (const char* scheme : {"rc4", "rc4-cryptoapi", "standard", "agile"}) {
        SCOPED_TRACE(scheme);
        MdbDescription d;
        d.encryption = mkdb::EncryptionSettings{};
        d.encryption->scheme = scheme;
        d.encryption->password = "one";
        d.encryption->spinCount = 3;
        TableSpec t;
        t.name = "T";
        t.columns = {Col("N", JetType::Long)};
        t.rows = {{I(1)}, {I(2)}};
        d.tables.push_back(t);
        const auto first = WriteMdbToMemory(d);
        EXPECT_EQ(WriteMdbToMemory(d), first);
        d.encryption->password = "two";
        const auto other = WriteMdbToMemory(d);
        ASSERT_EQ(other.size(), first.size());
        // Every page after the header differs under another password.
        for (std::size_t page = 1; page < first.size() / 4096; ++page)
            EXPECT_FALSE(std::equal(first.begin() + static_cast<std::ptrdiff_t>(page * 4096),
                                    first.begin() + static_cast<std::ptrdiff_t>((page + 1) * 4096),
                                    other.begin() + static_cast<std::ptrdiff_t>(page * 4096)))
                << "page " << page;
        EXPECT_EQ(std::string(first.begin() + 4, first.begin() + 19), "Standard ACE DB");
    }
}

} // namespace
