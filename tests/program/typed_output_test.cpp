// Output meant for scripts and data tools rather than for the locale's
// reader: binary values as base64 or left out, and their checks end to end.

#include "tests/program/Harness.h"
#include "tests/tools/TableBuilding.h"

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

class TypedOutput : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"bin", "home", "data", "out"})
            fs::create_directories(scratch_ / folder);
        fs::copy_file(VARNEX_PROGRAM, program_);
        fs::permissions(program_, fs::perms::owner_all);
    }
    harness::RunResult Convert(const std::string& database, std::vector<std::string> extra = {},
                               const std::vector<std::string>& environment = {}) {
        std::vector<std::string> args{"/SILENT", database, "./out", "/OVERWRITE=YES"};
        args.insert(args.end(), extra.begin(), extra.end());
        return harness::Run(program_, args, scratch_.path(), scratch_ / "home", environment);
    }
    std::string Out(const std::string& name) { return harness::ReadFile(scratch_ / ("out/" + name)); }

    harness::ScratchDir scratch_;
    std::string program_ = scratch_ / "bin/varnex2007";
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
        {I(4), CellValue::fromFiles({{"../up.txt", "escape", true}, {"..", "dots", false},
                                     {"a/b.txt", "first", true}, {"a_b.txt", "second", false}})},
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
    EXPECT_EQ(FilesUnder(files), (std::vector<std::string>{"Docs/1/blob.bin", "Docs/1/notes.txt", "Docs/4/.._up.txt",
                                                            "Docs/4/_", "Docs/4/a_b.txt", "Docs/4/a_b~2.txt",
                                                            "Docs/5/big.txt"}));
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

} // namespace
