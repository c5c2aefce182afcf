// Values that real files hold and a conversion must keep whole: NUL
// characters in text and memo values, Jet3 text in double-byte code pages,
// and a damaged catalog naming two tables alike but for case.

#include "tests/support/program/Harness.h"
#include "ProgramScratch.h"
#include "tests/tools/TableBuilding.h"

#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;
using building::Col;

class ValuesProgram : public ProgramScratch {
protected:
    harness::RunResult Convert(const std::string& database, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"/SILENT", database, "./out"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
};

// Text and memo values with NUL characters: stored as UTF-16 (a compressed
// text cannot hold a NUL) inline and on long-value pages, beside compressed
// values; Jet3 keeps them as the byte 0 of its code page. Every one is
// written whole, the NUL as the byte 0. (Before, each cell ended at its NUL.)
TEST_F(ValuesProgram, NulCharactersAreWrittenAsTheByteZero) {
    const std::string longMemo = std::string(2500, 'm') + "\0tail"s;
    for (const FileFormat format : {FileFormat::Jet3, FileFormat::Jet4, FileFormat::Ace14}) {
        TableSpec notes;
        notes.name = "Notes";
        notes.columns = {Col("ID", JetType::Long), Col("Short", JetType::Text, 50), Col("Long", JetType::Memo)};
        notes.rows = {{CellValue::fromInt(1), CellValue::fromText("a\0b"s), CellValue::fromText("x\0y\0"s)},
                      {CellValue::fromInt(2), CellValue::fromText("\0"s), CellValue::fromText(longMemo)},
                      {CellValue::fromInt(3), CellValue::fromText("plain"), CellValue::fromText("plain memo")}};
        MdbDescription d;
        d.format = format;
        d.tables = {notes};
        const std::string name = format == FileFormat::Jet3   ? "jet3.mdb"
                                 : format == FileFormat::Jet4 ? "jet4.mdb"
                                                              : "ace.accdb";
        WriteMdb(d, scratch_ / ("data/" + name));
        fs::remove(scratch_ / "out/Notes.csv");
        const harness::RunResult run = Convert("data/" + name);
        EXPECT_EQ(run.ExitCode, 0) << name << run.Err;
        EXPECT_EQ(Out("Notes.csv"),
                  "1,\"a\0b\",\"x\0y\0\"\r\n2,\"\0\",\""s + longMemo + "\"\r\n3,\"plain\",\"plain memo\"\r\n")
            << name;
        // The same bytes with every text quoted off, in the OEM page, and with line breaks kept.
        fs::remove(scratch_ / "out/Notes.csv");
        const harness::RunResult oem = Convert("data/" + name, {"/QUOTES=0", "/OEM", "/CRLF=KEEP"});
        EXPECT_EQ(oem.ExitCode, 0) << name << oem.Err;
        EXPECT_EQ(Out("Notes.csv"), "1,a\0b,x\0y\0\r\n2,\0,"s + longMemo + "\r\n3,plain,plain memo\r\n") << name;
    }
}

// Jet3 files keep text in the database's code page, double-byte ones among
// them: read through the system's conversion, never as Windows-1252.
TEST_F(ValuesProgram, Jet3TextInDoubleByteCodePagesIsDecoded) {
    const struct {
        uint16_t CodePage;
        std::string Text; // UTF-8
    } cases[] = {
        {932, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88"},
        {936, "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE6\x9C\xAC"},
        {949, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
        {950, "\xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87"}};
    for (const auto& c : cases) {
        TableSpec words;
        words.name = "Words";
        words.columns = {Col("ID", JetType::Long), Col("Word", JetType::Text, 50), Col("Note", JetType::Memo)};
        words.rows = {{CellValue::fromInt(1), CellValue::fromText(c.Text), CellValue::fromText(c.Text + " and ASCII")}};
        MdbDescription d;
        d.format = FileFormat::Jet3;
        d.codePage = c.CodePage;
        d.tables = {words};
        const std::string name = "cp" + std::to_string(c.CodePage) + ".mdb";
        WriteMdb(d, scratch_ / ("data/" + name));
        fs::remove(scratch_ / "out/Words.csv");
        const harness::RunResult run = Convert("data/" + name);
        EXPECT_EQ(run.ExitCode, 0) << c.CodePage << run.Err;
        EXPECT_EQ(Out("Words.csv"), "1,\"" + c.Text + "\",\"" + c.Text + " and ASCII\"\r\n") << c.CodePage;
    }
}

// Access forbids names that differ in case only; a damaged or crafted
// catalog can hold them. Each table is read from its own entry. (Before, the
// second one's rows were written into both files.)
TEST_F(ValuesProgram, TablesNamedAlikeButForCaseKeepTheirOwnRows) {
    TableSpec orders, shouting;
    orders.name = "Orders";
    orders.columns = {Col("ID", JetType::Long)};
    orders.rows = {{CellValue::fromInt(1)}, {CellValue::fromInt(2)}};
    shouting.name = "ORDERX"; // the writer refuses names alike: renamed below
    shouting.columns = {Col("Code", JetType::Text, 10)};
    shouting.rows = {{CellValue::fromText("X")}};
    MdbDescription d;
    d.tables = {orders, shouting};
    WriteMdb(d, scratch_ / "data/cases.mdb");
    std::string bytes = harness::ReadFile(scratch_ / "data/cases.mdb");
    int renamed = 0;
    for (const std::string& from : {"ORDERX"s, "O\0R\0D\0E\0R\0X\0"s}) {
        std::string to = from;
        to[from.size() == 6 ? 5 : 10] = 'S';
        for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
            bytes.replace(at, from.size(), to);
            ++renamed;
        }
    }
    ASSERT_GE(renamed, 1);
    harness::WriteFile(scratch_ / "data/cases.mdb", bytes);
    const harness::RunResult run = Convert("data/cases.mdb");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Out("Orders.csv"), "1\r\n2\r\n");
    EXPECT_EQ(Out("ORDERS.csv"), "\"X\"\r\n");
}

} // namespace
