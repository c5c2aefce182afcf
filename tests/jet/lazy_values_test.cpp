// A record's values are decoded when they are asked for: a damaged value in
// a column nobody reads costs nothing, one in a column read on earlier
// records fails the record at its first request, with the message a whole
// decoding gives, and texts are handed out as stored.

#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "jet/Text.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

using namespace building;

class LazyValues : public ::testing::Test {
protected:
    // A table of four records whose Damaged column holds a broken text in
    // record `damaged` (0-based; none: -1): of odd byte length, or (cut)
    // compressed text that ends inside a two-byte character.
    std::string Write(int damaged, bool cut = false) {
        TableSpec table;
        table.name = "T";
        table.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 40), Col("Damaged", JetType::Text, 40),
                         Col("Notes", JetType::Memo)};
        for (int i = 0; i < 4; ++i)
            table.rows.push_back({I(i + 1), T("name " + std::to_string(i)),
                                  T(i == damaged ? "QQQQQ" : "fine " + std::to_string(i)), T("caf\xC3\xA9 notes")});
        MdbDescription description;
        description.tables = {table};
        const std::string path = scratch_.file("lazy" + std::to_string(++count_) + ".mdb");
        WriteMdb(description, path);
        if (damaged >= 0) {
            // "QQQQQ" is stored compressed: 0xFF 0xFE and five bytes. Without
            // the marker its seven bytes are UTF-16 of odd length; with a
            // switch after the first Q, two-byte units that leave one byte over.
            std::ifstream in(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            const std::string stored = "\xFF\xFEQQQQQ";
            const auto at = bytes.find(stored);
            EXPECT_NE(at, std::string::npos);
            EXPECT_EQ(bytes.find(stored, at + 1), std::string::npos);
            bytes[at + (cut ? 3 : 0)] = cut ? '\0' : 'X';
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        return path;
    }
    oracle::Scratch scratch_;
    int count_ = 0;
};

std::u16string DescriptionOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EngineError& error) {
        return error.Description.value_or(u"<none>");
    }
    return u"<no error>";
}

TEST_F(LazyValues, ADamagedValueFailsOnlyWhereItIsRead) {
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut compressed text" : "odd byte length");
        const auto engine = CreateJetEngine(true);
        const auto database = jettest::Open(*engine, Write(2, cut));

        // Left out, the damaged column costs nothing.
        const auto records = database->OpenRecordset(u"T");
        int rows = 0;
        for (records->MoveFirst(); !records->Eof(); records->MoveNext(), ++rows)
            for (int32_t i : {0, 1, 3})
                (void)records->GetFields().Item(i).Value();
        EXPECT_EQ(rows, 4);

        // Read, it fails its record at the record's first request, before any
        // cell of it is written, with the message of the value itself.
        const std::u16string expected = DescriptionOf([&] {
            const auto alone = database->OpenRecordset(u"T");
            alone->MoveFirst();
            alone->MoveNext();
            alone->MoveNext();
            (void)alone->GetFields().Item(2).Value();
        });
        EXPECT_NE(expected.find(cut ? u"compressed text ends inside a character" : u"text of odd byte length"),
                  std::u16string::npos);

        const auto all = database->OpenRecordset(u"T");
        all->MoveFirst();
        for (int record = 0; record < 2; ++record, all->MoveNext())
            for (int32_t i = 0; i < 4; ++i)
                (void)all->GetFields().Item(i).Value();
        EXPECT_EQ(DescriptionOf([&] { (void)all->GetFields().Item(0).Value(); }), expected);
        StoredText stored;
        EXPECT_EQ(DescriptionOf([&] { (void)all->GetFields().Item(2).StoredTextValue(stored); }), expected);
    }
}

TEST_F(LazyValues, ADamagedFirstRecordFailsTheOpening) {
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, Write(0));
    EXPECT_NE(DescriptionOf([&] { (void)database->OpenRecordset(u"T"); }).find(u"text of odd byte length"),
              std::u16string::npos);
}

TEST_F(LazyValues, TextsAreHandedOutAsStored) {
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, Write(-1));
    const auto records = database->OpenRecordset(u"T");
    int rows = 0;
    for (records->MoveFirst(); !records->Eof(); records->MoveNext(), ++rows) {
        const Fields& fields = records->GetFields();
        StoredText stored;
        EXPECT_FALSE(fields.Item(0).StoredTextValue(stored)); // a number
        for (int32_t i : {1, 3}) {
            // Asked before and after the value, the stored bytes are its text.
            ASSERT_TRUE(fields.Item(i).StoredTextValue(stored));
            EXPECT_EQ(stored.Encoding, StoredText::Form::Compressed);
            std::u16string text;
            jet::AppendUnicodeText(stored.Bytes, text);
            EXPECT_EQ(fields.Item(i).Value().Text, text);
            ASSERT_TRUE(fields.Item(i).StoredTextValue(stored));
            std::u16string again;
            jet::AppendUnicodeText(stored.Bytes, again);
            EXPECT_EQ(again, text);
        }
        EXPECT_EQ(fields.Item(3).Value().Text, u"caf\u00e9 notes");
    }
    EXPECT_EQ(rows, 4);

    // Without a current record there is no stored text either.
    StoredText stored;
    EXPECT_THROW((void)records->GetFields().Item(1).StoredTextValue(stored), EngineError);
}

} // namespace
