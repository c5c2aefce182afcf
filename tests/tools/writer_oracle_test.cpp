// Files from the writer, read back by mdbtools: what goes in must come out.

#include "MdbToolsOracle.h"
#include "TableBuilding.h"

#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string N = oracle::kNull;

using namespace building;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// mdbtools prints a GUID as hex of its text, and without the fourth dash;
// compare the digits only.
std::string GuidDigits(const std::string& hexOfText) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hexOfText.size(); i += 2) {
        char c = static_cast<char>(std::stoi(hexOfText.substr(i, 2), nullptr, 16));
        if (c != '-')
            text += c;
    }
    return text;
}

class WriterOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!oracle::HaveMdbTools())
            GTEST_SKIP() << "mdbtools (mdb-export, mdb-tables) not installed";
    }
    std::string write(const MdbDescription& d, const std::string& name = "t.mdb") {
        std::string path = scratch_.file(name);
        WriteMdb(d, path);
        return path;
    }
    oracle::Scratch scratch_;
};

TEST_F(WriterOracle, EveryScalarTypeAndNullReadBackExactly) {
    TableSpec t;
    t.name = "AllTypes";
    ColumnSpec dec = Col("Dec", JetType::Decimal);
    dec.precision = 18;
    dec.scale = 6;
    t.columns = {Col("Flag", JetType::Boolean),
                 Col("Tiny", JetType::Byte),
                 Col("Small", JetType::Integer),
                 Col("Whole", JetType::Long),
                 Col("Money", JetType::Currency),
                 Col("Float", JetType::Single),
                 Col("Real", JetType::Double),
                 Col("When", JetType::DateTime),
                 Col("Name", JetType::Text, 40),
                 Col("Blob", JetType::OLE),
                 Col("Note", JetType::Memo),
                 Col("Guid", JetType::GUID),
                 dec};
    t.rows = {
        {I(1), I(255), I(-32768), I(2147483647), T("922337203685477.5807"), R(1.5), R(-1234.5678),
         T("2024-02-29 23:59:59"), T("plain"), B(std::string("\x00\x01\xFE", 3)), T("memo"),
         T("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"), T("102030405060.654321")},
        {I(0), I(0), I(32767), I(-2147483647 - 1), T("-0.0001"), R(-0.25), R(0), T("1999-01-01 00:00:00"), T(""), B(""),
         T(""), Null, T("-0.5")},
        {Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null},
    };
    MdbDescription d;
    d.tables = {t};
    Rows rows = oracle::Export(write(d), "AllTypes");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Flag", "Tiny", "Small", "Whole", "Money", "Float", "Real", "When",
                                                 "Name", "Blob", "Note", "Guid", "Dec"}));
    rows[1][11] = GuidDigits(rows[1][11]);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"1", "255", "-32768", "2147483647", "922337203685477.5807", "1.5",
                                                 "-1234.5678", "2024-02-29 23:59:59", "plain", "0001FE", "memo",
                                                 "{8E39276ABCA84AC4891E49911D8438DD}", "102030405060.654321"}));
    // mdbtools reports zero-length text and memo as NULL (a zero-length OLE value it keeps).
    EXPECT_EQ(rows[2], (std::vector<std::string>{"0", "0", "32767", "-2147483648", "-0.0001", "-0.25", "0",
                                                 "1999-01-01 00:00:00", N, "", N, N, "-0.500000"}));
    // A boolean cannot be NULL: the stored bit reads as false.
    EXPECT_EQ(rows[3], (std::vector<std::string>{"0", N, N, N, N, N, N, N, N, N, N, N, N}));
}

TEST_F(WriterOracle, TextInBothEncodingsWithCsvTroubleCharacters) {
    TableSpec t;
    t.name = "Texts";
    t.columns = {Col("ID", JetType::Long), Col("Txt", JetType::Text, 255), Col("Long", JetType::Memo)};
    std::string maxLatin(255, 'z');
    maxLatin[0] = '\xC3'; // keep valid UTF-8: "é" then 253 more letters
    maxLatin[1] = '\xA9';
    maxLatin += "z";
    const std::vector<std::string> texts = {
        "caf\xC3\xA9 na\xC3\xAFve",        // Latin-1 only: compressed
        "\xD0\x9C\xD0\xB8\xD1\x80",        // Cyrillic: plain UTF-16
        "mixed \xE2\x82\xAC and \xC3\xA9", // euro sign is beyond U+00FF
        "quote \" comma , semicolon ;",    "two\r\nlines", maxLatin,
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        t.rows.push_back({I(static_cast<std::int64_t>(i)), T(texts[i]), T(texts[i] + " / memo")});
    }
    MdbDescription d;
    d.tables = {t};
    std::string path = write(d);
    Rows rows = oracle::Export(path, "Texts");
    ASSERT_EQ(rows.size(), texts.size() + 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(rows[i + 1][1], texts[i]) << i;
        EXPECT_EQ(rows[i + 1][2], texts[i] + " / memo") << i;
    }
    // Both encodings really occur in the file.
    auto bytes = oracle::ReadFile(path);
    std::string raw(bytes.begin(), bytes.end());
    EXPECT_NE(raw.find("\xFF\xFE"
                       "caf\xE9 na\xEFve"),
              std::string::npos);
    EXPECT_NE(raw.find(std::string("\x1C\x04\x38\x04\x40\x04", 6)), std::string::npos);
}

TEST_F(WriterOracle, LongValuesInlineOnOnePageAndInChains) {
    TableSpec t;
    t.name = "Longs";
    t.columns = {Col("ID", JetType::Long), Col("Note", JetType::Memo), Col("Data", JetType::OLE)};
    t.inlineLongValueLimit = 64;
    // Around each boundary: inline limit, one LVAL row, one chain piece.
    const std::size_t sizes[] = {1, 64, 65, 1000, 4080, 4081, 8152, 8153, 50000};
    std::vector<std::string> memos, blobs;
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        std::string memo, blob;
        for (std::size_t k = 0; k < sizes[i]; ++k) {
            memo += static_cast<char>('a' + (k * 7 + i) % 26);
            blob += static_cast<char>((k * 31 + i) & 0xFF);
        }
        // Every tenth line break makes the memo text realistic and ends pieces mid-line.
        for (std::size_t k = 50; k < memo.size(); k += 97)
            memo[k] = '\n';
        memos.push_back(memo);
        blobs.push_back(blob);
        t.rows.push_back({I(static_cast<std::int64_t>(i)), T(memo), B(blob)});
    }
    MdbDescription d;
    d.tables = {t};
    std::string path = write(d);
    Rows rows = oracle::Export(path, "Longs");
    ASSERT_EQ(rows.size(), std::size(sizes) + 1);
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        EXPECT_EQ(rows[i + 1][1], memos[i]) << "memo of " << sizes[i];
        EXPECT_EQ(rows[i + 1][2], Hex(blobs[i])) << "OLE of " << sizes[i];
    }
    auto bytes = oracle::ReadFile(path);
    std::size_t lvalPages = 0;
    for (std::size_t p = 0; p + 4096 <= bytes.size(); p += 4096) {
        if (bytes[p] == 0x01 && std::memcmp(&bytes[p + 4], "LVAL", 4) == 0)
            ++lvalPages;
    }
    // 2 x 50000 bytes alone need at least 25 full pages.
    EXPECT_GE(lvalPages, 25u);
}

TEST_F(WriterOracle, LongValuesLeaveARowThatWouldNotFitWithThemInside) {
    TableSpec t;
    t.name = "Crowded";
    t.columns = {Col("A", JetType::Memo), Col("B", JetType::Memo), Col("C", JetType::OLE)};
    t.inlineLongValueLimit = 3000; // each fits inline alone, not all three together
    t.rows = {{T(std::string(1500, 'a')), T(std::string(1500, 'b')), B(std::string(1500, 'c'))},
              {T("small"), T("row"), B("d")}};
    MdbDescription d;
    d.tables = {t};
    EXPECT_EQ(oracle::Export(write(d), "Crowded"),
              (Rows{{"A", "B", "C"},
                    {std::string(1500, 'a'), std::string(1500, 'b'), Hex(std::string(1500, 'c'))},
                    {"small", "row", "64"}}));
}

TEST_F(WriterOracle, ThousandsOfRowsOnManyPagesWithAReferenceUsageMap) {
    TableSpec t;
    t.name = "Big";
    t.columns = {Col("ID", JetType::Long), Col("Label", JetType::Text, 255), Col("Amount", JetType::Currency),
                 Col("Note", JetType::Memo)};
    const int count = 12000;
    Rows expected;
    for (int i = 0; i < count; ++i) {
        std::string label =
            "row " + std::to_string(i) + " " + std::string(140 + i % 100, static_cast<char>('a' + i % 26));
        std::string note = i % 50 == 0 ? std::string(300 + i % 5000, 'n') : "";
        t.rows.push_back({I(i), T(label), I(i % 1000 - 500), i % 50 == 0 ? T(note) : Null});
        expected.push_back(
            {std::to_string(i), label, std::to_string(i % 1000 - 500) + ".0000", i % 50 == 0 ? note : N});
    }
    MdbDescription d;
    d.tables = {t};
    std::string path = write(d);
    EXPECT_EQ(oracle::Tables(path), std::vector<std::string>{"Big"});
    Rows rows = oracle::Export(path, "Big");
    ASSERT_EQ(rows.size(), expected.size() + 1);
    rows.erase(rows.begin());
    EXPECT_TRUE(rows == expected);

    // More than 512 data pages: the owned-pages map must be the reference kind.
    auto bytes = oracle::ReadFile(path);
    ASSERT_GT(bytes.size() / 4096, 600u);
    const std::size_t tdef = 3 * 4096; // the first user table's definition
    ASSERT_EQ(bytes[tdef], 0x02);
    std::uint32_t pointer = bytes[tdef + 0x37] | bytes[tdef + 0x38] << 8 | bytes[tdef + 0x39] << 16 |
                            static_cast<std::uint32_t>(bytes[tdef + 0x3A]) << 24;
    std::size_t page = (pointer >> 8) * 4096;
    std::size_t slot = pointer & 0xFF;
    std::size_t start = (bytes[page + 14 + 2 * slot] | bytes[page + 15 + 2 * slot] << 8) & 0x1FFF;
    EXPECT_EQ(bytes[page + start], 0x01);
}

TEST_F(WriterOracle, DeletedRowsVanishAndOverflowRowsSurvive) {
    TableSpec t;
    t.name = "Edits";
    t.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 50)};
    for (int i = 0; i < 40; ++i)
        t.rows.push_back({I(i), T("name " + std::to_string(i))});
    t.deletedRows = {0, 7, 39};
    t.overflowRows = {1, 20, 38};
    MdbDescription d;
    d.tables = {t};
    Rows rows = oracle::Export(write(d), "Edits");
    ASSERT_FALSE(rows.empty());
    rows.erase(rows.begin());
    // mdbtools reads overflow targets where they lie, so compare without order.
    std::sort(rows.begin(), rows.end());
    Rows expected;
    for (int i = 0; i < 40; ++i) {
        if (i != 0 && i != 7 && i != 39)
            expected.push_back({std::to_string(i), "name " + std::to_string(i)});
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
}

TEST_F(WriterOracle, SeveralTablesAndTheCatalog) {
    MdbDescription d;
    for (const char* name : {"Zeta", "alpha", "Mid Table", "Umsätze"}) {
        TableSpec t;
        t.name = name;
        t.columns = {Col("V", JetType::Integer)};
        t.rows = {{I(1)}, {I(2)}};
        d.tables.push_back(t);
    }
    d.tables[1].catalogFlags = 0x8; // hidden, still a user table
    std::string path = write(d);
    auto names = oracle::Tables(path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Mid Table", "Umsätze", "Zeta", "alpha"}));
    auto all = oracle::Tables(path, true);
    EXPECT_NE(std::find(all.begin(), all.end(), "MSysObjects"), all.end());
    EXPECT_EQ(oracle::Export(path, "Umsätze").size(), 3u);
}

TEST_F(WriterOracle, WideDefinitionOnSeveralPagesAndAnEmptyTable) {
    TableSpec wide;
    wide.name = "Wide";
    std::vector<std::string> header, values;
    std::vector<CellValue> row;
    const JetType kinds[] = {JetType::Long, JetType::Text, JetType::Boolean, JetType::Double, JetType::Memo};
    for (int i = 0; i < 200; ++i) {
        // Long names push the definition well past one page.
        std::string name = "Column number " + std::to_string(1000 + i) + " with a long name";
        wide.columns.push_back(Col(name, kinds[i % 5]));
        header.push_back(name);
        switch (i % 5) {
        case 0:
            row.push_back(I(i));
            values.push_back(std::to_string(i));
            break;
        case 1:
            row.push_back(T("t" + std::to_string(i)));
            values.push_back("t" + std::to_string(i));
            break;
        case 2:
            row.push_back(CellValue::fromBool(i % 4 == 0));
            values.push_back(i % 4 == 0 ? "1" : "0");
            break;
        case 3:
            row.push_back(R(i + 0.5));
            values.push_back(std::to_string(i) + ".5");
            break;
        default:
            row.push_back(T("m" + std::to_string(i)));
            values.push_back("m" + std::to_string(i));
            break;
        }
    }
    wide.rows = {row, row};
    TableSpec empty;
    empty.name = "Empty";
    empty.columns = {Col("A", JetType::Long)};
    MdbDescription d;
    d.tables = {empty, wide};
    std::string path = write(d);
    EXPECT_EQ(oracle::Export(path, "Wide"), (Rows{header, values, values}));
    EXPECT_EQ(oracle::Export(path, "Empty"), Rows{{"A"}});
}

TEST_F(WriterOracle, PasswordProtectedFileHoldsTheSameData) {
    // mdbtools does not check the password, so it reads the data regardless;
    // the mask itself is checked byte by byte in writer_test.
    MdbDescription d;
    d.password = "secret";
    TableSpec t;
    t.name = "Locked";
    t.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 10)};
    t.rows = {{I(1), T("one")}, {I(2), T("two")}};
    d.tables = {t};
    EXPECT_EQ(oracle::Export(write(d), "Locked"), (Rows{{"ID", "Name"}, {"1", "one"}, {"2", "two"}}));
}

TEST_F(WriterOracle, GeneratedTableHasTheAskedShape) {
    JsonValue json = ParseJson(R"({"tables": [{"name": "Gen", "columns": [
        {"name": "ID", "type": "long", "autonumber": true}, {"name": "Title", "type": "text", "size": 60},
        {"name": "Price", "type": "currency"}, {"name": "On", "type": "boolean"}, {"name": "Notes", "type": "memo"}],
        "generate": {"rows": 3000, "seed": 11, "columns": {
            "Title": {"minLength": 20, "maxLength": 60, "nullRate": 0.25},
            "Notes": {"nullRate": 0.9, "minLength": 10, "maxLength": 5000}}}}]})");
    Rows rows = oracle::Export(write(DescriptionFromJson(json)), "Gen");
    ASSERT_EQ(rows.size(), 3001u);
    int titleNulls = 0, notes = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], std::to_string(i));
        const std::string& title = rows[i][1];
        if (title == N) {
            ++titleNulls;
        } else {
            std::size_t characters = 0;
            for (char c : title)
                characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            EXPECT_GE(characters, 20u) << title;
            EXPECT_LE(characters, 60u) << title;
        }
        EXPECT_NE(rows[i][2], N);
        EXPECT_TRUE(rows[i][3] == "0" || rows[i][3] == "1");
        notes += rows[i][4] != N;
    }
    EXPECT_GT(titleNulls, 600);
    EXPECT_LT(titleNulls, 900);
    EXPECT_GT(notes, 200);
    EXPECT_LT(notes, 400);
}

} // namespace
