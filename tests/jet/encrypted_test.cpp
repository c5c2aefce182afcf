// Password-encrypted ACE files made by the fixture writer in every scheme:
// each opens with its password and yields the rows it was written with,
// refuses a missing or wrong password as such, and a damaged encryption
// block or page fails as an engine error, never as a crash or as rows.

#include "CorpusFiles.h"

#include "../tools/TableBuilding.h"

#include "jet/AgileDescriptor.h"
#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;
using namespace building;

constexpr int kNotValidPassword = 3031;
constexpr int kCorrupt = 3049;
constexpr int kNotSupported = 3251;
constexpr int kUnrecognized = 3343;

mkdb::EncryptionSettings Scheme(const std::string& scheme, int keyBits = 0, const std::string& hash = "SHA512",
                                uint32_t spinCount = 1000) {
    mkdb::EncryptionSettings encryption;
    encryption.scheme = scheme;
    encryption.password = "Secret 42";
    encryption.keyBits = keyBits;
    encryption.hash = hash;
    encryption.spinCount = spinCount;
    return encryption;
}

// Enough rows and text to spread over several data pages, and a memo long
// enough for its own LVAL page.
MdbDescription Description(const mkdb::EncryptionSettings& encryption) {
    MdbDescription d;
    d.encryption = encryption;
    TableSpec t;
    t.name = "Items";
    t.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 100), Col("Note", JetType::Memo)};
    for (int i = 0; i < 400; ++i)
        t.rows.push_back({I(i), T("item number " + std::to_string(i) + " \xC3\xA4"),
                          i % 50 == 0 ? T(std::string(3000, static_cast<char>('a' + i % 26))) : Null});
    d.tables.push_back(std::move(t));
    return d;
}

std::string Render(const Variant& v) {
    switch (v.Type) {
    case VarType::Null: return "NULL";
    case VarType::I4: return std::to_string(v.I4);
    case VarType::Text: return jettest::Utf8(v.Text);
    default: return "?";
    }
}

std::vector<std::string> ReadItems(DBEngine& engine, const fs::path& path, std::optional<std::string> password) {
    const auto database = jettest::Open(engine, path, password);
    std::vector<std::string> rows;
    const auto records = database->OpenRecordset(u"Items");
    for (; !records->Eof(); records->MoveNext()) {
        const Fields& fields = records->GetFields();
        std::string row;
        for (int16_t f = 0; f < fields.Count(); ++f)
            row += Render(fields.Item(f).Value()) + "|";
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> Expected(const MdbDescription& d) {
    std::vector<std::string> rows;
    for (const auto& cells : d.tables[0].rows) {
        std::string row;
        for (const CellValue& c : cells)
            row += (c.kind == CellValue::Kind::Null      ? "NULL"
                    : c.kind == CellValue::Kind::Integer ? std::to_string(c.integer)
                                                         : c.text) +
                   "|";
        rows.push_back(std::move(row));
    }
    return rows;
}

int DaoNumberOf(const EngineError& error) { return error.Code - HResult::DaoError(0); }

class EncryptedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique per run: other builds may run the same tests at the same time.
        dir_ =
            fs::temp_directory_path() / ("varnex-jet-encrypted-" + std::to_string(std::random_device{}()) + "-" +
                                         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / ("file" + std::to_string(count_++) + ".accdb");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // The reader's verdict on a file: 0 when every row reads, else the DAO number.
    int Verdict(const fs::path& path, const std::string& password = "Secret 42") {
        try {
            ReadItems(*engine_, path, password);
            return 0;
        } catch (const EngineError& error) {
            EXPECT_TRUE(error.Description.has_value());
            return DaoNumberOf(error);
        }
    }

    std::unique_ptr<DBEngine> engine_ = CreateJetEngine(true);
    fs::path dir_;
    int count_ = 0;
};

TEST_F(EncryptedFiles, EverySchemeOpensWithItsPasswordAndOnlyWithIt) {
    mkdb::EncryptionSettings custom = Scheme("rc4-cryptoapi", 128);
    custom.provider = "Contoso Strong Cryptographic Provider";
    mkdb::EncryptionSettings newest = Scheme("agile", 256, "SHA256", 10);
    newest.version = 6;
    const std::vector<mkdb::EncryptionSettings> schemes = {
        Scheme("rc4"),
        Scheme("rc4-cryptoapi", 40),
        Scheme("rc4-cryptoapi", 56),
        custom,
        Scheme("standard", 128),
        Scheme("standard", 192),
        Scheme("standard", 256),
        Scheme("agile", 256, "SHA512"),
        Scheme("agile", 128, "SHA1", 3),
        newest,
        // Flags 0x0C (CryptoAPI, no AES flag) with an AES cipher: no spin rounds.
        Scheme("cryptoapi-aes", 128),
        Scheme("cryptoapi-aes", 256),
    };
    const auto jetOnly = CreateJetEngine(false);
    for (const mkdb::EncryptionSettings& encryption : schemes) {
        SCOPED_TRACE(encryption.scheme + " " + std::to_string(encryption.keyBits) + " " + encryption.hash);
        const MdbDescription d = Description(encryption);
        const auto bytes = WriteMdbToMemory(d);
        // Pages really are encrypted: the catalog's definition page does not
        // show its type and marker bytes.
        ASSERT_GT(bytes.size(), 3u * 4096);
        EXPECT_FALSE(bytes[2 * 4096] == 0x02 && bytes[2 * 4096 + 1] == 0x01);
        const fs::path path = Write(bytes);

        EXPECT_EQ(ReadItems(*engine_, path, std::string("Secret 42")), Expected(d));
        EXPECT_EQ(Verdict(path, "secret 42"), kNotValidPassword);
        EXPECT_EQ(Verdict(path, ""), kNotValidPassword);
        try {
            jettest::Open(*engine_, path, std::nullopt);
            ADD_FAILURE() << "opened without a password";
        } catch (const EngineError& error) {
            EXPECT_EQ(DaoNumberOf(error), kNotValidPassword);
            ASSERT_TRUE(error.Description.has_value());
            EXPECT_NE(error.Description->find(u"password"), std::u16string::npos);
            EXPECT_EQ(error.Description->find(u"corrupt"), std::u16string::npos);
        }
        // The build that reads only Jet files refuses ACE files, password or not.
        try {
            jettest::Open(*jetOnly, path, std::string("Secret 42"));
            ADD_FAILURE() << "Jet-only engine opened an ACE file";
        } catch (const EngineError& error) {
            EXPECT_EQ(DaoNumberOf(error), kUnrecognized);
        }
    }
}

// The header Access writes with its compatibility mode off: the flags carry
// CryptoAPI and document properties but not AES, the cipher is AES, and the
// password hash is used without rounds.
TEST_F(EncryptedFiles, CryptoApiHeaderWithoutTheAesFlagTakesNoSpinRounds) {
    for (const int bits : {128, 256}) {
        const MdbDescription d = Description(Scheme("cryptoapi-aes", bits));
        const auto bytes = WriteMdbToMemory(d);
        constexpr std::size_t kBlock = 0x29B;
        ASSERT_GT(bytes.size(), kBlock + 32);
        EXPECT_EQ(bytes[kBlock + 4], 0x0C) << "flags copy";
        EXPECT_EQ(bytes[kBlock + 12], 0x0C) << "header flags";
        const uint32_t algorithm = bytes[kBlock + 20] | (bytes[kBlock + 21] << 8);
        EXPECT_EQ(algorithm, bits == 128 ? 0x660Eu : 0x6610u);
        const fs::path path = Write(bytes);
        EXPECT_EQ(ReadItems(*engine_, path, std::string("Secret 42")), Expected(d)) << bits;
        EXPECT_EQ(Verdict(path, "Secret 43"), kNotValidPassword) << bits;
    }
}

TEST_F(EncryptedFiles, PasswordIsHashedAsItsUtf16Characters) {
    for (const char* scheme : {"rc4-cryptoapi", "agile"}) {
        mkdb::EncryptionSettings encryption = Scheme(scheme);
        encryption.password = "p\xC3\xA4ss \xE2\x82\xAC\xF0\x9F\x94\x91"; // "päss €" and a character beyond the BMP
        const fs::path path = Write(WriteMdbToMemory(Description(encryption)));
        EXPECT_EQ(Verdict(path, encryption.password), 0) << scheme;
        EXPECT_EQ(Verdict(path, "p\xC3\xA4ss \xE2\x82\xAC"), kNotValidPassword) << scheme;
        EXPECT_EQ(Verdict(path, "pass \xE2\x82\xAC\xF0\x9F\x94\x91"), kNotValidPassword) << scheme;
    }
}

// Overwrites `text` inside the block with `replacement` of the same length.
void Patch(std::vector<uint8_t>& bytes, const std::string& text, const std::string& replacement) {
    ASSERT_EQ(text.size(), replacement.size());
    const auto at = std::search(bytes.begin(), bytes.begin() + 4096, text.begin(), text.end());
    ASSERT_NE(at, bytes.begin() + 4096) << text;
    std::copy(replacement.begin(), replacement.end(), at);
}

// Overwrites the first character of an attribute's value.
void PatchValue(std::vector<uint8_t>& bytes, const std::string& attribute, char first) {
    const std::string text = attribute + "=\"";
    const auto at = std::search(bytes.begin(), bytes.begin() + 4096, text.begin(), text.end());
    ASSERT_NE(at, bytes.begin() + 4096) << text;
    uint8_t& value = *(at + static_cast<std::ptrdiff_t>(text.size()));
    value = static_cast<uint8_t>(value == first ? first + 1 : first);
}

void Put16(std::vector<uint8_t>& bytes, std::size_t at, uint16_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        bytes[at + static_cast<std::size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
}

TEST_F(EncryptedFiles, DamagedOrForeignBlocksFailWithTheirReason) {
    const auto agile = WriteMdbToMemory(Description(Scheme("agile", 256, "SHA512", 10)));
    const auto cryptoApi = WriteMdbToMemory(Description(Scheme("rc4-cryptoapi")));
    const auto standard = WriteMdbToMemory(Description(Scheme("standard")));
    constexpr std::size_t kLength = 0x299, kBlock = 0x29B;

    struct Case {
        const char* what;
        const std::vector<uint8_t>* base;
        std::function<void(std::vector<uint8_t>&)> change;
        int expected;
    };
    const std::vector<Case> cases = {
        {"block cut to its version", &cryptoApi, [](auto& b) { Put16(b, kLength, 4); }, kCorrupt},
        {"block cut inside the header", &cryptoApi, [](auto& b) { Put16(b, kLength, 40); }, kCorrupt},
        {"block cut inside the verifier", &cryptoApi, [](auto& b) { Put16(b, kLength, 12 + 126 + 30); }, kCorrupt},
        {"block longer than the page", &agile, [](auto& b) { Put16(b, kLength, 0xFFFF); }, kCorrupt},
        {"header size past the block", &cryptoApi, [](auto& b) { Put32(b, kBlock + 8, 0x7FFFFFF0); }, kCorrupt},
        {"salt size", &cryptoApi, [](auto& b) { Put32(b, kBlock + 12 + 126, 15); }, kCorrupt},
        {"RC4 key size", &cryptoApi, [](auto& b) { Put32(b, kBlock + 12 + 16, 33); }, kCorrupt},
        {"AES key size", &standard, [](auto& b) { Put32(b, kBlock + 12 + 16, 100); }, kCorrupt},
        {"unknown cipher", &cryptoApi, [](auto& b) { Put32(b, kBlock + 12 + 8, 0x6602); }, kNotSupported},
        {"unknown hash", &standard, [](auto& b) { Put32(b, kBlock + 12 + 12, 0x8003); }, kNotSupported},
        {"extensible encryption", &cryptoApi, [](auto& b) { Put16(b, kBlock + 2, 3); }, kNotSupported},
        {"external module flag", &cryptoApi, [](auto& b) { Put32(b, kBlock + 12, 0x14); }, kNotSupported},
        {"unknown version", &agile, [](auto& b) { Put16(b, kBlock, 9); }, kNotSupported},
        {"agile reserved field", &agile, [](auto& b) { Put32(b, kBlock + 4, 0); }, kCorrupt},
        {"agile attribute missing", &agile, [](auto& b) { Patch(b, "spinCount=", "spinCounx="); }, kCorrupt},
        {"agile spin count changed", &agile, [](auto& b) { Patch(b, "spinCount=\"10\"", "spinCount=\"99\""); },
         kNotValidPassword},
        {"agile base64 broken", &agile, [](auto& b) { PatchValue(b, "saltValue", '*'); }, kCorrupt},
        {"agile chaining", &agile, [](auto& b) { Patch(b, "ChainingModeCBC", "ChainingModeCFB"); }, kNotSupported},
        {"agile cipher", &agile, [](auto& b) { Patch(b, "\"AES\"", "\"DES\""); }, kNotSupported},
        {"agile hash", &agile, [](auto& b) { Patch(b, "SHA512", "SHA513"); }, kNotSupported},
        {"agile key bits", &agile, [](auto& b) { Patch(b, "keyBits=\"256\"", "keyBits=\"255\""); }, kCorrupt},
        {"agile text cut short", &agile, [](auto& b) { Put16(b, kLength, 300); }, kCorrupt},
        // A verifier changed but well-formed denies every password.
        {"agile verifier changed", &agile, [](auto& b) { PatchValue(b, "encryptedVerifierHashInput", 'A'); },
         kNotValidPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = *c.base;
        c.change(bytes);
        EXPECT_EQ(Verdict(Write(bytes)), c.expected);
    }
}

TEST_F(EncryptedFiles, RandomDamageNeverCrashesOrPassesForRows) {
    std::mt19937 random(12);
    for (const char* scheme : {"rc4", "rc4-cryptoapi", "standard", "agile"}) {
        SCOPED_TRACE(scheme);
        const auto original = WriteMdbToMemory(Description(Scheme(scheme, 0, "SHA512", 5)));
        const std::size_t blockEnd = 0x29B + (original[0x299] | (original[0x29A] << 8));
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> bytes = original;
            // Half the rounds hit the encryption block, half the encrypted pages.
            const bool inBlock = round % 2 == 0;
            const std::size_t from = inBlock ? 0x299 : 4096;
            const std::size_t to = inBlock ? blockEnd : bytes.size();
            for (int k = 0; k < 1 + round % 4; ++k)
                bytes[from + random() % (to - from)] ^= static_cast<uint8_t>(1 + random() % 255);
            const int verdict = Verdict(Write(bytes));
            EXPECT_TRUE(verdict == 0 || verdict == kNotValidPassword || verdict == kCorrupt ||
                        verdict == kNotSupported || verdict == 3021 || verdict == 3265)
                << verdict;
        }
        // A file cut short inside its pages.
        const auto half = static_cast<std::ptrdiff_t>(original.size() / 2 + 100);
        std::vector<uint8_t> cut(original.begin(), original.begin() + half);
        const int verdict = Verdict(Write(cut));
        EXPECT_TRUE(verdict == kCorrupt) << verdict;
    }
}

TEST(AgileBase64, DecodesPaddedTextAndRefusesTheRest) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(jet::DecodeBase64("TWFu", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "Man");
    ASSERT_TRUE(jet::DecodeBase64("TWE=", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "Ma");
    ASSERT_TRUE(jet::DecodeBase64(" T Q==\r\n", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "M");
    ASSERT_TRUE(jet::DecodeBase64("", out));
    EXPECT_TRUE(out.empty());
    for (const char* bad : {"T", "TQ=a", "TQ===", "T*==", "TWFu=", "TQ=", "=TWE"})
        EXPECT_FALSE(jet::DecodeBase64(bad, out)) << bad;
}

} // namespace
