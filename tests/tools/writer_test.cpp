// The writer's own guarantees: byte forms from the format's worked examples,
// the masked password, determinism, the committed sample, and refusals.

#include "MdbToolsOracle.h"
#include "TableBuilding.h"

#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/MdbDescription.h"
#include "tools/mkdb/ValueEncoding.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace building;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

TEST(ValueEncoding, MatchesTheFormatsWorkedExamples) {
    // Dates: the integer part is the day, the fraction is always the time of day.
    EXPECT_EQ(DayNumberFromText("1899-12-30"), 0.0);
    EXPECT_EQ(DayNumberFromText("1899-12-29 06:00:00"), -1.25);
    EXPECT_EQ(DayNumberFromText("1899-12-30 12:00"), 0.5);
    EXPECT_EQ(DayNumberFromText("1765-06-14 12:45:00"), -49141.53125);
    EXPECT_EQ(DayNumberFromText("1582-10-15"), -115858.0);
    EXPECT_EQ(DayNumberFromText("1582-10-14"), -115859.0);
    EXPECT_EQ(DayNumberFromText("1974-09-21"), 27293.0);
    EXPECT_EQ(DayNumberFromText("1898-01-01"), -728.0);
    EXPECT_EQ(DayNumberFromText("2024-02-29T00:00:00.500"), 45351.0 + 0.5 / 86400.0);

    ColumnSpec guid = Col("G", JetType::GUID);
    EXPECT_EQ(EncodeFixedValue(guid, CellValue::fromText("{8E39276A-BCA8-4AC4-891E-49911D8438DD}")),
              Bytes({0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A, 0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD}));

    ColumnSpec dec = Col("D", JetType::Decimal);
    dec.scale = 6;
    std::string positive = Bytes({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C, 0x7C, 0x6A, 0x01, 0xF1, 0xF4, 0xED, 0xE1});
    EXPECT_EQ(EncodeFixedValue(dec, CellValue::fromText("102030405060.654321")), positive);
    std::string negative = positive;
    negative[0] = '\x80';
    EXPECT_EQ(EncodeFixedValue(dec, CellValue::fromText("-102030405060.654321")), negative);
    // Trailing zeros beyond the scale are harmless; a negative zero is zero.
    EXPECT_EQ(EncodeFixedValue(dec, CellValue::fromText("-0.000000000")), std::string(17, '\0'));

    EXPECT_EQ(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("3.5")),
              Bytes({0xB8, 0x88, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromReal(-0.0001)), std::string(8, '\xFF'));
    // The smallest value is one unit further from zero than the largest.
    EXPECT_EQ(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("-922337203685477.5808")),
              Bytes({0, 0, 0, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("922337203685477.5807")),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));

    EXPECT_EQ(EncodeText(Utf8ToUtf16("\xC3\xA4\xC3\xA4kk\xC3\xB6si\xC3\xA4"), true),
              Bytes({0xFF, 0xFE, 0xE4, 0xE4, 0x6B, 0x6B, 0xF6, 0x73, 0x69, 0xE4}));
    EXPECT_EQ(EncodeText(Utf8ToUtf16("\xD0\x9C\xD0\xB8\xD1\x80"), true), Bytes({0x1C, 0x04, 0x38, 0x04, 0x40, 0x04}));
    EXPECT_EQ(EncodeText(Utf8ToUtf16("\xF0\x9F\x98\x80"), true), Bytes({0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(EncodeText(Utf8ToUtf16(""), true), "");
}

TEST(ValueEncoding, RefusesValuesThatWouldBeStoredWrongly) {
    EXPECT_THROW(DayNumberFromText("2023-02-29"), std::runtime_error);
    EXPECT_THROW(DayNumberFromText("2024-13-01"), std::runtime_error);
    EXPECT_THROW(DayNumberFromText("2024-01-01 24:00"), std::runtime_error);
    EXPECT_THROW(DayNumberFromText("2024-01-01 10:00:00 "), std::runtime_error);
    EXPECT_THROW(Utf8ToUtf16("\xC3"), std::runtime_error);
    EXPECT_THROW(Utf8ToUtf16("\xED\xA0\x80"), std::runtime_error); // an encoded surrogate
    ColumnSpec dec = Col("D", JetType::Decimal);
    dec.scale = 2;
    EXPECT_THROW(EncodeFixedValue(dec, CellValue::fromText("1.005")), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(dec, CellValue::fromText("12345678901234567890123456789")), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(dec, CellValue::fromReal(1.5)), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("B", JetType::Byte), CellValue::fromInt(256)), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("I", JetType::Integer), CellValue::fromReal(1.5)), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("L", JetType::Long), CellValue::fromInt(2147483648LL)), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("1.00001")), std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("922337203685477.5808")),
                 std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("C", JetType::Currency), CellValue::fromText("-922337203685477.5809")),
                 std::runtime_error);
    EXPECT_THROW(EncodeFixedValue(Col("G", JetType::GUID), CellValue::fromText("{8E39276A-BCA8-4AC4-891E}")),
                 std::runtime_error);
    EXPECT_THROW(EncodeVariableValue(Col("T", JetType::Text, 3), CellValue::fromText("four")), std::runtime_error);
    EXPECT_NO_THROW(EncodeVariableValue(Col("T", JetType::Text, 3), CellValue::fromText("\xC3\xA9\xC3\xA9\xC3\xA9")));
}

MdbDescription Small(const std::string& password = "") {
    MdbDescription d;
    d.password = password;
    d.creationDate = 44568.6769;
    TableSpec t;
    t.name = "T";
    t.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 20)};
    t.rows = {{CellValue::fromInt(1), CellValue::fromText("one")}};
    d.tables = {t};
    return d;
}

TEST(Writer, StoresThePasswordUnderTheDateMaskInsideTheObfuscatedHeader) {
    // RC4 keystream of the fixed header key over 0x42..0x55, and the mask of
    // creation day 44568 (0x0000AE18).
    const unsigned char keystream[20] = {0x86, 0xFB, 0xEC, 0x37, 0x5D, 0x44, 0x9C, 0xFA, 0xC6, 0x5E,
                                         0x28, 0xE6, 0x13, 0xB6, 0x8A, 0x60, 0x54, 0x94, 0x7B, 0x36};
    const unsigned char mask[4] = {0x18, 0xAE, 0x00, 0x00};
    auto plainAt = [&](const std::vector<std::uint8_t>& file, int i) { return file[0x42 + i] ^ keystream[i]; };

    auto with = WriteMdbToMemory(Small("s3cr\xC3\xA9t"));
    const char16_t expected[] = u"s3cr\u00E9t";
    for (int i = 0; i < 20; ++i) {
        int plain = i / 2 < 6 ? (expected[i / 2] >> (8 * (i % 2))) & 0xFF : 0;
        EXPECT_EQ(plainAt(with, i), plain ^ mask[i % 4]) << "byte " << i;
    }
    auto without = WriteMdbToMemory(Small());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(plainAt(without, i), mask[i % 4]) << "byte " << i;
    EXPECT_EQ(with[0x14], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&with[4]), 15), "Standard Jet DB");

    EXPECT_THROW(WriteMdbToMemory(Small(std::string(21, 'x'))), std::runtime_error);
}

TEST(Writer, SameDescriptionSameBytes) {
    auto a = WriteMdbToMemory(Small());
    EXPECT_EQ(a, WriteMdbToMemory(Small()));
    EXPECT_EQ(a.size() % 4096, 0u);

    oracle::Scratch scratch;
    WriteMdb(Small(), scratch.file("a.mdb"));
    EXPECT_EQ(oracle::ReadFile(scratch.file("a.mdb")), std::vector<unsigned char>(a.begin(), a.end()));

    auto generated = [](std::uint64_t seed) {
        JsonValue json = ParseJson(R"({"tables": [{"name": "G", "columns": [
            {"name": "ID", "type": "long", "autonumber": true}, {"name": "T", "type": "text"},
            {"name": "M", "type": "memo"}, {"name": "D", "type": "datetime"}],
            "generate": {"rows": 300, "seed": 5, "columns": {"T": {"nullRate": 0.3}}}}]})");
        return WriteMdbToMemory(DescriptionFromJson(json, std::nullopt, seed));
    };
    EXPECT_EQ(generated(9), generated(9));
    EXPECT_NE(generated(9), generated(10));
}

TEST(Writer, CommittedSampleIsWhatItsDescriptionProduces) {
    std::string dir = std::string(VARNEX_SOURCE_DIR) + "/samples/";
    if (!std::filesystem::exists(dir + "demo.mdb"))
        GTEST_SKIP() << "samples/demo.mdb not present";
    auto built = WriteMdbToMemory(DescriptionFromJson(ParseJsonFile(dir + "demo.json")));
    auto committed = oracle::ReadFile(dir + "demo.mdb");
    EXPECT_TRUE(std::vector<unsigned char>(built.begin(), built.end()) == committed)
        << "samples/demo.mdb is stale: rebuild it with varnex-mkdb samples/demo.json samples/demo.mdb";
    if (!oracle::HaveMdbTools())
        return;
    auto tables = oracle::Tables(dir + "demo.mdb");
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, (std::vector<std::string>{"Customers", "Orders", "Products"}));
    for (const auto& t : tables)
        EXPECT_GE(oracle::Export(dir + "demo.mdb", t).size(), 25u) << t;
}

TEST(Writer, RefusesBadDescriptionsAndLeavesNoFileBehind) {
    auto refuse = [](MdbDescription d, const std::string& fragment) {
        oracle::Scratch scratch;
        std::string path = scratch.file("bad.mdb");
        try {
            WriteMdb(d, path);
            ADD_FAILURE() << "accepted: " << fragment;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(path)) << fragment;
    };
    MdbDescription d = Small();
    d.tables[0].rows.push_back({CellValue::fromText("x"), CellValue::fromText("two")});
    refuse(d, "row 2");
    d = Small();
    d.tables[0].rows.push_back({CellValue::fromInt(2)});
    refuse(d, "1 values for 2 columns");
    d = Small();
    d.tables.push_back(d.tables[0]);
    refuse(d, "duplicate table");
    d = Small();
    d.tables[0].columns[1].name = "id";
    refuse(d, "duplicate column");
    d = Small();
    d.tables[0].name = "msysobjects";
    refuse(d, "duplicate table");
    d = Small();
    d.tables[0].columns.clear();
    d.tables[0].rows.clear();
    refuse(d, "no columns");
    // Nine full-length text columns cannot share one 4 KB row.
    d = Small();
    d.tables[0].columns.clear();
    d.tables[0].rows = {{}};
    // One Cyrillic letter keeps each value uncompressed: 510 bytes apiece.
    for (int i = 0; i < 9; ++i) {
        d.tables[0].columns.push_back(Col("C" + std::to_string(i), JetType::Text, 255));
        d.tables[0].rows[0].push_back(CellValue::fromText(std::string(127, 'x') + "\xD0\x9C" + std::string(127, 'y')));
    }
    refuse(d, "does not fit on a page");
}

TEST(DescriptionJson, ReadsEveryValueFormAndRejectsTypos) {
    JsonValue json = ParseJson(R"({"password": "pw", "creationDate": "2024-01-02 12:00:00", "tables": [
        {"name": "T", "columns": [
            {"name": "Flag", "type": "boolean"}, {"name": "Money", "type": "currency"},
            {"name": "Dec", "type": "numeric", "precision": 20, "scale": 4},
            {"name": "When", "type": "datetime"}, {"name": "Blob", "type": "ole"},
            {"name": "Id", "type": "long", "autonumber": true}],
         "rows": [[true, 0.1, 12345678901234.5678, "2024-01-02", "00ff", 7],
                  [null, null, null, 45000.25, null, 8]],
         "deletedRows": [1], "inlineLongValueLimit": 0}]})");
    MdbDescription d = DescriptionFromJson(json);
    ASSERT_EQ(d.tables.size(), 1u);
    const TableSpec& t = d.tables[0];
    EXPECT_EQ(d.password, "pw");
    EXPECT_EQ(d.creationDate, 45293.5);
    EXPECT_EQ(t.columns[2].precision, 20);
    EXPECT_TRUE(t.columns[5].autonumber);
    // Currency and decimal numbers keep their exact digits, not a double's.
    EXPECT_EQ(t.rows[0][1].kind, CellValue::Kind::Text);
    EXPECT_EQ(t.rows[0][2].text, "12345678901234.5678");
    EXPECT_EQ(t.rows[0][4].text, std::string("\x00\xFF", 2));
    EXPECT_EQ(t.rows[1][3].real, 45000.25);
    EXPECT_EQ(t.deletedRows, std::vector<std::size_t>{1});
    EXPECT_EQ(t.inlineLongValueLimit, 0u);

    const char* bad[] = {
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "rowz": []}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "lung"}], "rows": []}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}]}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "rows": [[1, 2]]}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "ole"}], "rows": [["zz"]]}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "rows": [], "generate": {"rows": 1}}]})",
        R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}],
            "generate": {"rows": 1, "columns": {"B": {"nullRate": 0.5}}}}]})",
    };
    for (const char* text : bad)
        EXPECT_THROW(DescriptionFromJson(ParseJson(text)), std::runtime_error) << text;
}

TEST(DescriptionJson, ReadsFormatsLinksAndCalculatedColumns) {
    MdbDescription d = DescriptionFromJson(ParseJson(R"({"format": "ace", "tables": [
        {"name": "T", "columns": [{"name": "Price", "type": "double", "calculated": "currency"}],
         "rows": [[1.25]]}],
        "links": [{"name": "L", "database": "C:\\x.mdb", "foreignName": "F", "connect": ";DATABASE=C:\\x.mdb"},
                  {"name": "O", "foreignName": "dbo.T", "connect": "ODBC;DSN=x", "odbc": true}]})"));
    EXPECT_EQ(d.format, FileFormat::Ace14);
    ASSERT_EQ(d.links.size(), 2u);
    EXPECT_EQ(d.links[0].database, "C:\\x.mdb");
    EXPECT_TRUE(d.links[1].odbc);
    const ColumnSpec& price = d.tables[0].columns[0];
    EXPECT_EQ(price.calculatedResult, JetType::Currency);
    EXPECT_EQ(d.tables[0].rows[0][0].text, "1.25"); // given as the result's type: exact digits

    EXPECT_EQ(DescriptionFromJson(ParseJson(R"({"format": "jet3", "codePage": 1251, "tables": []})")).codePage, 1251);
    EXPECT_THROW(DescriptionFromJson(ParseJson(R"({"format": "jet5", "tables": []})")), std::runtime_error);
    EXPECT_THROW(DescriptionFromJson(ParseJson(R"({"tables": [], "links": [{"name": "L", "path": "x"}]})")),
                 std::runtime_error);
}

TEST(Writer, CalculatedColumnsNeedAnAceFile) {
    TableSpec t;
    t.name = "T";
    ColumnSpec c;
    c.name = "C";
    c.type = JetType::Long;
    c.calculatedResult = JetType::Long;
    t.columns = {c};
    MdbDescription d;
    d.tables = {t};
    EXPECT_THROW(WriteMdbToMemory(d), std::runtime_error);
    d.format = FileFormat::Ace14;
    EXPECT_NO_THROW(WriteMdbToMemory(d));
}

} // namespace
