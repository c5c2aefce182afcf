// Attachment data: the deflate decoder on streams a compressor wrote and on
// damaged ones, the FileData envelope, and the files of a real database.
#include "CorpusFiles.h"

#include "jet/AttachmentData.h"
#include "jet/Inflate.h"
#include "jet/JetEngine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using jettest::CorpusDir;

std::vector<uint8_t> FromHex(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16)));
    return bytes;
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string LongText() {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "Row " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog " + std::to_string(i * i) +
                " times.\n";
    return text;
}

// zlib at level 9: fixed codes with back references, and dynamic codes.
const std::vector<uint8_t> kFixed = FromHex("78DACB48CDC9C957C84027150170D508D2");
const std::vector<uint8_t> kDynamic =
    FromHex("78DA95954B52C4300C05F79CC227A022C976628E3137E013608021301F06383D141BFCB2EB75AA4B91D47ADE2CE7345C"
            "A5E3E39CDE4FDBDBE774B35FCEAFE97EF94C4FA7DDDB212D1FF3FEEFF3CBF5F757BA5B1ED2908EDBDD7CB8BCD8FCB2C6"
            "58EB59676CEED9606CEBD90CFFB9F67061B0971EAE0C0EA93CC27149CF1383AB0CBB3178922D1BD4CB06158C1AE65A1D"
            "4A66593AB7A0AEC8D48DAAD664E3466553DBAC5257B53A14CE27ED1D2A17AE936FF456345BA07559AD73685DCE5A9D46"
            "DB24BD3BB4AEB84CDEA1756594BD3BB4AEAA750EADABABEAD0BA71D53BB46E5C4D9E469DEE3DA0754DAD0B685D53E783"
            "66DDA0271734EC06BDF8A069671A385168D4AB795129AF711B503D0B4DFB98F05BA3F387F259F97FEB7E00BF6F502A");

TEST(Inflate, StreamsOfEveryBlockKind) {
    std::vector<uint8_t> out;
    jet::InflateZlib(kFixed, 100, out);
    EXPECT_EQ(Text(out), "hello hello hello hello!");
    jet::InflateZlib(kDynamic, 1 << 20, out);
    EXPECT_EQ(Text(out), LongText());
    // Stored blocks, the second one last, and no checksum after them.
    const std::vector<uint8_t> stored = {0x78, 0x01, 0x00, 0x02, 0x00, 0xFD, 0xFF, 'a',
                                         'b',  0x01, 0x01, 0x00, 0xFE, 0xFF, 'c'};
    jet::InflateZlib(stored, 3, out);
    EXPECT_EQ(Text(out), "abc");
}

TEST(Inflate, DamagedStreamsRaiseAndNeverOutgrowTheLimit) {
    std::vector<uint8_t> out;
    // One byte fewer than the data: refused, not cut.
    EXPECT_THROW(jet::InflateZlib(kDynamic, LongText().size() - 1, out), EngineError);
    EXPECT_THROW(jet::InflateZlib(kFixed, 23, out), EngineError);
    std::vector<uint8_t> checksum = kFixed;
    checksum.back() ^= 1;
    EXPECT_THROW(jet::InflateZlib(checksum, 100, out), EngineError);
    EXPECT_THROW(jet::InflateZlib(std::vector<uint8_t>(kDynamic.begin(), kDynamic.begin() + 100), 1 << 20, out),
                 EngineError);
    EXPECT_THROW(jet::InflateZlib(std::vector<uint8_t>{0x78}, 100, out), EngineError);
    EXPECT_THROW(jet::InflateZlib(std::vector<uint8_t>{0x78, 0x02}, 100, out), EngineError); // header check
    const std::vector<uint8_t> badLength = {0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFE, 'a', 'b'};
    EXPECT_THROW(jet::InflateZlib(badLength, 100, out), EngineError);
    const std::vector<uint8_t> reserved = {0x78, 0x01, 0x07};
    EXPECT_THROW(jet::InflateZlib(reserved, 100, out), EngineError);

    // Damage anywhere: an error or some bytes, within the limit, never a crash.
    std::mt19937 random(24);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> damaged = round % 2 ? kDynamic : kFixed;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < flips; ++k)
            damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        try {
            jet::InflateZlib(damaged, 4096, out);
            EXPECT_LE(out.size(), 4096u);
        } catch (const EngineError&) {
            // An error is one of the two right answers to damage.
        }
    }
}

std::vector<uint8_t> Envelope(uint32_t form, std::string_view extension, std::string_view file, bool deflate) {
    std::vector<uint8_t> content;
    auto u32 = [](std::vector<uint8_t>& to, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            to.push_back(static_cast<uint8_t>(v >> (8 * k)));
    };
    u32(content, static_cast<uint32_t>(12 + 2 * (extension.size() + 1)));
    u32(content, 1);
    u32(content, static_cast<uint32_t>(extension.size() + 1));
    for (const char c : extension) {
        content.push_back(static_cast<uint8_t>(c));
        content.push_back(0);
    }
    content.push_back(0);
    content.push_back(0);
    content.insert(content.end(), file.begin(), file.end());
    std::vector<uint8_t> envelope;
    u32(envelope, form);
    u32(envelope, static_cast<uint32_t>(content.size()));
    if (!deflate) {
        envelope.insert(envelope.end(), content.begin(), content.end());
        return envelope;
    }
    // One stored deflate block: a stream any decoder takes.
    envelope.insert(envelope.end(),
                    {0x78, 0x01, 0x01, static_cast<uint8_t>(content.size()), static_cast<uint8_t>(content.size() >> 8),
                     static_cast<uint8_t>(~content.size()), static_cast<uint8_t>(~content.size() >> 8)});
    envelope.insert(envelope.end(), content.begin(), content.end());
    return envelope;
}

TEST(AttachmentData, EnvelopesRawAndDeflated) {
    std::vector<uint8_t> out;
    jet::UnpackAttachment(Envelope(0, "png", "\x89PNG", false), out);
    EXPECT_EQ(Text(out), "\x89PNG");
    jet::UnpackAttachment(Envelope(1, "thmx", "theme", true), out);
    EXPECT_EQ(Text(out), "theme");
    jet::UnpackAttachment(Envelope(0, "txt", "", false), out);
    EXPECT_TRUE(out.empty());

    EXPECT_THROW(jet::UnpackAttachment(Envelope(2, "txt", "x", false), out), EngineError);
    std::vector<uint8_t> shortRaw = Envelope(0, "txt", "abc", false);
    shortRaw.pop_back();
    EXPECT_THROW(jet::UnpackAttachment(shortRaw, out), EngineError);
    std::vector<uint8_t> headerTooLong = Envelope(0, "txt", "abc", false);
    headerTooLong[8] = 200;
    EXPECT_THROW(jet::UnpackAttachment(headerTooLong, out), EngineError);
    EXPECT_THROW(jet::UnpackAttachment(std::vector<uint8_t>{0, 0, 0}, out), EngineError);
}

TEST(AttachmentData, FilesOfARealDatabaseUnpacked) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, CorpusDir() / "V2016/attachments.accdb");
    auto records = database->OpenRecordset(u"Table1");
    std::vector<std::string> seen;
    for (records->MoveFirst(); !records->Eof(); records->MoveNext()) {
        std::vector<AttachedFile> files;
        ASSERT_TRUE(records->GetFields().Item(2).AttachedFiles(files));
        std::string row;
        for (const AttachedFile& file : files)
            row += jettest::Utf8(file.Name) + "|" + jettest::Utf8(file.Type) + "|" + Text(file.Data) + ";";
        seen.push_back(row);
        // Only an attachment field has files.
        EXPECT_FALSE(records->GetFields().Item(1).AttachedFiles(files));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"", "attachment1.txt|txt|Attachment 1;",
                                              "attachment1.txt|txt|Attachment 1;attachment2.txt|txt|Attachment 2;"
                                              "attachment3.txt|txt|Attachment 3;"}));
}

} // namespace
