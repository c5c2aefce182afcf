// Output meant for scripts and data tools rather than for the locale's
// reader: binary values as base64 or left out, and their checks end to end.

#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tests/tools/TableBuilding.h"

#include "tests/support/program/Fixtures.h"
#include "tools/mkdb/Json.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;
using building::B;
using building::Col;
using building::I;
using building::Null;
using building::R;
using building::T;

class TypedOutput : public ProgramScratch {
protected:
    harness::RunResult Convert(const std::string& database, std::vector<std::string> extra = {},
                               const std::vector<std::string>& environment = {}) {
        std::vector<std::string> args{"/SILENT", database, "./out", "/OVERWRITE=YES"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args, environment);
    }
};

// Binary and OLE cells, short and on long-value pages: hex as ever, base64
// on asking (the other cells untouched), or nothing; NULL stays empty.
TEST_F(TypedOutput, BinaryCellsAsHexBase64OrLeftOut) {
    TableSpec blobs;
    blobs.name = "Blobs";
    blobs.columns = {Col("ID", JetType::Long), Col("Key", JetType::Binary, 8), Col("Picture", JetType::OLE)};
    const std::string picture(300, '\xFB');
    blobs.rows = {{I(1), B("\x00\x01\xFF"s), B(picture)}, {I(2), Null, B("f")}};
    MdbDescription d;
    d.format = FileFormat::Ace14;
    d.tables = {blobs};
    WriteMdb(d, scratch_ / "data/blobs.accdb");

    std::string pictureBase64, pictureHex;
    for (int k = 0; k < 100; ++k)
        pictureBase64 += "+/v7";
    for (int k = 0; k < 300; ++k)
        pictureHex += "FB";
    const struct {
        std::vector<std::string> Options;
        std::string Expected;
    } cases[] = {
        {{}, "1,\"0001FF\",\"" + pictureHex + "\"\r\n2,,\"66\"\r\n"},
        {{"--binary=hex"}, ""},
        {{"--binary=base64"}, "1,\"AAH/\",\"" + pictureBase64 + "\"\r\n2,,\"Zg==\"\r\n"},
        {{"--BINARY=Base64", "/QUOTES=0"}, "1,AAH/,"s + pictureBase64 + "\r\n2,,Zg==\r\n"},
        {{"--binary=skip"}, "1,,\r\n2,,\r\n"},
    };
    std::string hex;
    for (const auto& c : cases) {
        const harness::RunResult run = Convert("data/blobs.accdb", c.Options);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const std::string out = Out("Blobs.csv");
        if (c.Options.empty())
            hex = out;
        EXPECT_EQ(out, c.Expected.empty() ? hex : c.Expected) << (c.Options.empty() ? "" : c.Options.front());
    }
}

std::vector<std::string> FilesUnder(const fs::path& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            found.push_back(fs::relative(entry.path(), root).generic_string());
    std::sort(found.begin(), found.end());
    return found;
}

// Attachment files come out whole (deflated ones unpacked, big ones from
// long-value pages), one folder per record, with names that cannot reach
// outside the folder; the cells name them. Without the option the cells
// keep their file names, as before.
TEST_F(TypedOutput, AttachmentsWrittenAsFilesTheCellsName) {
    std::string binary(5000, '\0');
    for (std::size_t k = 0; k < binary.size(); ++k)
        binary[k] = static_cast<char>((k * 7919) >> 3);
    TableSpec docs;
    docs.name = "Docs";
    docs.columns = {Col("ID", JetType::Long), Col("Files", JetType::Complex)};
    docs.rows = {
        {I(1), CellValue::fromFiles({{"notes.txt", "hello, world", true}, {"blob.bin", binary, false}})},
        {I(2), Null},
        {I(3), CellValue::fromFiles({})},
        {I(4), CellValue::fromFiles({{"../up.txt", "escape", true},
                                     {"..", "dots", false},
                                     {"a/b.txt", "first", true},
                                     {"a_b.txt", "second", false}})},
        {I(5), CellValue::fromFiles({{"big.txt", std::string(70000, 'z'), true}})},
    };
    MdbDescription d;
    d.format = FileFormat::Ace14;
    d.tables = {docs};
    WriteMdb(d, scratch_ / "data/docs.accdb");

    harness::RunResult run = Convert("data/docs.accdb");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Docs.csv"), "1,\"notes.txt;blob.bin\"\r\n2,\r\n3,\"\"\r\n"
                               "4,\"../up.txt;..;a/b.txt;a_b.txt\"\r\n5,\"big.txt\"\r\n");

    run = Convert("data/docs.accdb", {"--attachments=" + (scratch_ / "files")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Docs.csv"), "1,\"Docs/1/notes.txt;Docs/1/blob.bin\"\r\n2,\r\n3,\"\"\r\n"
                               "4,\"Docs/4/.._up.txt;Docs/4/_;Docs/4/a_b.txt;Docs/4/a_b~2.txt\"\r\n"
                               "5,\"Docs/5/big.txt\"\r\n");
    const fs::path files = scratch_ / "files";
    EXPECT_EQ(FilesUnder(files),
              (std::vector<std::string>{"Docs/1/blob.bin", "Docs/1/notes.txt", "Docs/4/.._up.txt", "Docs/4/_",
                                        "Docs/4/a_b.txt", "Docs/4/a_b~2.txt", "Docs/5/big.txt"}));
    EXPECT_EQ(harness::ReadFile((files / "Docs/1/notes.txt").string()), "hello, world");
    EXPECT_EQ(harness::ReadFile((files / "Docs/1/blob.bin").string()), binary);
    EXPECT_EQ(harness::ReadFile((files / "Docs/4/.._up.txt").string()), "escape");
    EXPECT_EQ(harness::ReadFile((files / "Docs/4/_").string()), "dots");
    EXPECT_EQ(harness::ReadFile((files / "Docs/4/a_b.txt").string()), "first");
    EXPECT_EQ(harness::ReadFile((files / "Docs/4/a_b~2.txt").string()), "second");
    EXPECT_EQ(harness::ReadFile((files / "Docs/5/big.txt").string()), std::string(70000, 'z'));
    // Nothing was written beside the folder.
    EXPECT_FALSE(fs::exists(scratch_ / "up.txt"));
    EXPECT_FALSE(fs::exists(scratch_ / "files/up.txt"));

    // A second run replaces the files rather than adding to them.
    run = Convert("data/docs.accdb", {"--attachments=" + (scratch_ / "files")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(harness::ReadFile((files / "Docs/1/notes.txt").string()), "hello, world");

    // A folder that cannot be made fails the table, saying why, and the cells
    // name no file that is not there.
    harness::WriteFile(scratch_ / "blocked", "a file where the folder would go");
    run = Convert("data/docs.accdb", {"--attachments=" + (scratch_ / "blocked")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(harness::Has(run.Err, "attached file(s) could not be written")) << run.Err;
    EXPECT_EQ(Out("Docs.csv"), "1,\"\"\r\n2,\r\n3,\"\"\r\n4,\"\"\r\n5,\"\"\r\n");
}

// A table of every value shape the formats type, written as an ACE file.
void WriteTypes(const std::string& path) {
    TableSpec types;
    types.name = "Types";
    ColumnSpec money = Col("Money", JetType::Decimal);
    money.precision = 18;
    money.scale = 4;
    types.columns = {Col("ID", JetType::Long),
                     Col("Flag", JetType::Boolean),
                     Col("Tiny", JetType::Byte),
                     Col("Small", JetType::Integer),
                     Col("Price", JetType::Currency),
                     Col("Ratio", JetType::Single),
                     Col("Exact", JetType::Double),
                     Col("When", JetType::DateTime),
                     Col("Day", JetType::DateTime),
                     Col("Name", JetType::Text, 80),
                     Col("Memo", JetType::Memo),
                     Col("Key", JetType::GUID),
                     money,
                     Col("Blob", JetType::OLE),
                     Col("Files", JetType::Complex)};
    types.rows = {
        {I(1), CellValue::fromBool(true), I(255), I(-32768), T("1875.5"), R(1.1f), R(0.1), T("2024-01-08 09:13:00"),
         T("2024-01-08"), T("Luleå, \"quoted\""), T("line1\r\nline2\ttab"), T("{6B29FC40-CA47-1067-B31D-00DD010662DA}"),
         T("-12.3400"), B("\x01\x02"s), CellValue::fromFiles({{"a.txt", "alpha", true}})},
        {I(2), CellValue::fromBool(false), Null, Null, T("-0.0001"), R(-0.0f), R(1e300), T("1899-12-30 00:00:00"),
         T("2024-02-29"), T(""), Null, Null, T("0"), Null, CellValue::fromFiles({})},
        {I(3), CellValue::fromBool(false), I(0), I(7), Null, Null, R(-2.5), Null, Null, T("\x01\x7f"), T("€ ✓"), Null,
         Null, B(std::string(200, 'x')), Null},
    };
    MdbDescription d;
    d.format = FileFormat::Ace14;
    d.tables = {types};
    WriteMdb(d, path);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// Every line a JSON object whose keys are the given names, in their order.
void ExpectJsonLines(const std::string& text, const std::string& where, std::size_t rows) {
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos) << where << ": the last line has no line feed";
        const std::string line = text.substr(start, end - start);
        try {
            const JsonValue object = ParseJson(line);
            EXPECT_TRUE(object.isObject()) << where << ": " << line;
        } catch (const std::exception& error) {
            ADD_FAILURE() << where << ": line " << lines + 1 << " is no JSON: " << error.what() << "\n" << line;
        }
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, rows) << where;
}

// JSON Lines of every sample database and fixture parse, one object per
// row the CSV has, table for table; the run fails or succeeds alike.
TEST_F(TypedOutput, JsonLinesOfEveryDatabaseParseAndHoldTheCsvRows) {
    std::vector<std::pair<std::string, std::string>> databases; // path, password
    fixtures::WriteShop(scratch_ / "data/shop.mdb");
    fixtures::WriteStock(scratch_ / "data/stock.mdb");
    WriteTypes(scratch_ / "data/types.accdb");
    for (const char* name : {"shop.mdb", "stock.mdb", "types.accdb"})
        databases.emplace_back(scratch_ / ("data/" + std::string(name)), "");
    const fs::path corpus = fs::path(VARNEX_SHARED_DIR) / "corpus";
    if (fs::is_directory(corpus)) {
        for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
            const std::string path = entry.path().string();
            if (!entry.is_regular_file() || path.find("/expected/") != std::string::npos)
                continue;
            if (entry.path().extension() != ".mdb" && entry.path().extension() != ".accdb")
                continue;
            const bool locked =
                path.find("/password/") != std::string::npos || path.find("/encryption/") != std::string::npos;
            databases.emplace_back(path, locked ? "password" : "");
        }
    } else {
        std::cout << "no sample databases at " << corpus << "; the fixtures alone are checked\n";
    }
    ASSERT_GE(databases.size(), 3u);
    int tables = 0;
    for (std::size_t n = 0; n < databases.size(); ++n) {
        const auto& [database, password] = databases[n];
        const std::string csv = scratch_ / ("csv" + std::to_string(n));
        const std::string json = scratch_ / ("json" + std::to_string(n));
        fs::create_directories(csv);
        fs::create_directories(json);
        std::vector<std::string> common{"/SILENT", database, "/PASSWORD=" + password};
        std::vector<std::string> asCsv = common, asJson = common;
        asCsv.push_back(csv);
        asJson.insert(asJson.end(), {json, "--format=jsonl"});
        const harness::RunResult csvRun = harness::Run(program_, asCsv, scratch_.path(), scratch_ / "home");
        const harness::RunResult jsonRun = harness::Run(program_, asJson, scratch_.path(), scratch_ / "home");
        EXPECT_EQ(jsonRun.ExitCode, csvRun.ExitCode) << database << "\n" << jsonRun.Err << csvRun.Err;
        for (const std::string& file : harness::ListDir(csv)) {
            const std::string stem = file.substr(0, file.size() - 4);
            const std::string csvText = harness::ReadFile(csv + "/" + file);
            ASSERT_TRUE(harness::Exists(json + "/" + stem + ".jsonl")) << database << ": " << stem;
            // Line breaks inside text cells are spaces in the CSV (/CRLF=REMOVE by default).
            ExpectJsonLines(harness::ReadFile(json + "/" + stem + ".jsonl"), database + ": " + stem,
                            Count(csvText, "\r\n"));
            ++tables;
        }
    }
    EXPECT_GT(tables, 3);
}

// The typed fixture's values, one by one.
TEST_F(TypedOutput, JsonLinesAndPortableCsvOfEveryValueShape) {
    WriteTypes(scratch_ / "data/types.accdb");
    harness::RunResult run = Convert("data/types.accdb", {"--format=jsonl"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Types.jsonl"),
              "{\"ID\":1,\"Flag\":true,\"Tiny\":255,\"Small\":-32768,\"Price\":1875.5,\"Ratio\":1.1,"
              "\"Exact\":0.1,\"When\":\"2024-01-08T09:13:00\",\"Day\":\"2024-01-08T00:00:00\","
              "\"Name\":\"Luleå, \\\"quoted\\\"\",\"Memo\":\"line1\\r\\nline2\\ttab\","
              "\"Key\":\"{6B29FC40-CA47-1067-B31D-00DD010662DA}\",\"Money\":-12.3400,\"Blob\":\"AQI=\","
              "\"Files\":[{\"name\":\"a.txt\",\"type\":\"txt\",\"size\":5,\"data\":\"YWxwaGE=\"}]}\n"
              "{\"ID\":2,\"Flag\":false,\"Tiny\":null,\"Small\":null,\"Price\":-0.0001,\"Ratio\":-0,"
              "\"Exact\":1e+300,\"When\":\"1899-12-30T00:00:00\",\"Day\":\"2024-02-29T00:00:00\",\"Name\":\"\","
              "\"Memo\":null,\"Key\":null,\"Money\":0.0000,\"Blob\":null,\"Files\":[]}\n"
              "{\"ID\":3,\"Flag\":false,\"Tiny\":0,\"Small\":7,\"Price\":null,\"Ratio\":null,\"Exact\":-2.5,"
              "\"When\":null,\"Day\":null,\"Name\":\"\\u0001\\u007f\",\"Memo\":\"€ ✓\",\"Key\":null,"
              "\"Money\":null,\"Blob\":\"" +
                  std::string(264, 'e').replace(0, 264,
                                                [] {
                                                    std::string b;
                                                    for (int k = 0; k < 66; ++k)
                                                        b += "eHh4";
                                                    return b + "eHg=";
                                                }()) +
                  "\",\"Files\":null}\n");

    // Portable CSV with a header: the date-only column stays dates alone.
    run = Convert("data/types.accdb", {"--portable", "/HEADER=1", "/TABLES=Types"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Types.csv"),
              "ID,Flag,Tiny,Small,Price,Ratio,Exact,When,Day,Name,Memo,Key,Money,Blob,Files\r\n"
              "1,true,255,-32768,1875.5,1.1,0.1,2024-01-08 09:13:00,2024-01-08,\"Luleå, \"\"quoted\"\"\","
              "\"line1\r\nline2\ttab\",{6B29FC40-CA47-1067-B31D-00DD010662DA},-12.3400,0102,a.txt\r\n"
              "2,false,,,-0.0001,-0,1e+300,1899-12-30 00:00:00,2024-02-29,,,,0.0000,,\r\n"
              "3,false,0,7,,,-2.5,,,\x01\x7f,€ ✓,,," +
                  std::string(400, 'x').replace(0, 400,
                                                [] {
                                                    std::string h;
                                                    for (int k = 0; k < 200; ++k)
                                                        h += "78";
                                                    return h;
                                                }()) +
                  ",\r\n");
}

// Portable CSV is the same bytes in every locale, where the locale form is not.
TEST_F(TypedOutput, PortableCsvIsTheSameInEveryLocale) {
    WriteTypes(scratch_ / "data/types.accdb");
    const std::vector<std::string> locales = {"C", "en_US.UTF-8", "de_DE.UTF-8", "fr_FR.ISO-8859-1", "ja_JP.UTF-8"};
    std::string first, firstLocaleForm;
    bool localeFormDiffers = false;
    for (const std::string& locale : locales) {
        const harness::RunResult run = Convert("data/types.accdb", {"--portable", "/HEADER=1", "--binary=base64"},
                                               {"LC_ALL=" + locale, "LANG=" + locale});
        ASSERT_EQ(run.ExitCode, 0) << locale << run.Err;
        const std::string out = Out("Types.csv");
        if (first.empty())
            first = out;
        EXPECT_EQ(out, first) << locale;
        const harness::RunResult plain =
            Convert("data/types.accdb", {"/HEADER=1", "--binary=base64"}, {"LC_ALL=" + locale, "LANG=" + locale});
        ASSERT_EQ(plain.ExitCode, 0) << locale << plain.Err;
        if (firstLocaleForm.empty())
            firstLocaleForm = Out("Types.csv");
        localeFormDiffers = localeFormDiffers || Out("Types.csv") != firstLocaleForm;
    }
    EXPECT_TRUE(localeFormDiffers) << "the locales chosen do not change the locale form";
    EXPECT_TRUE(harness::Has(first, "1875.5,1.1,0.1,2024-01-08 09:13:00")) << first;
    // No byte-order mark.
    EXPECT_EQ(first.substr(0, 3), "ID,");
}

} // namespace
