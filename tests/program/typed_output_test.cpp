// Output meant for scripts and data tools rather than for the locale's
// reader: binary values as base64 or left out, and their checks end to end.

#include "tests/program/Harness.h"
#include "tests/tools/TableBuilding.h"

#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

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

} // namespace
