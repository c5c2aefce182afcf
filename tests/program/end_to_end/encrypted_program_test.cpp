// Encrypted databases through the program as a user runs it: /PASSWORD=
// opens them, a wrong or missing one fails the database (exit status 1, no
// output file), whichever scheme protects the file.

#include "tests/support/program/Harness.h"

#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kPassword = "Gr\xC3\xBC\xC3\x9F"
                              "e 2024"; // "Grüße 2024", typed as UTF-8

void WriteEncrypted(const std::string& path, const std::string& scheme) {
    MdbDescription d;
    d.encryption = mkdb::EncryptionSettings{};
    d.encryption->scheme = scheme;
    d.encryption->password = kPassword;
    d.encryption->spinCount = 50;
    TableSpec t;
    t.name = "Parts";
    t.columns = {{"ID", JetType::Long}, {"Label", JetType::Text, 40}};
    t.rows = {{CellValue::fromInt(1), CellValue::fromText("gear")},
              {CellValue::fromInt(2), CellValue::fromText("shaft")}};
    d.tables.push_back(t);
    WriteMdb(d, path);
}

class EncryptedProgram : public ::testing::Test {
protected:
    harness::RunResult Run(const std::vector<std::string>& args) {
        return harness::Run(VARNEX_PROGRAM, args, scratch_.path(), scratch_.path());
    }
    void FreshOut() {
        fs::remove_all(scratch_ / "out");
        fs::create_directories(scratch_ / "out");
    }
    harness::ScratchDir scratch_;
};

TEST_F(EncryptedProgram, PasswordOpensEverySchemeAndOnlyTheRightOne) {
    for (const char* scheme : {"rc4", "rc4-cryptoapi", "standard", "agile"}) {
        SCOPED_TRACE(scheme);
        const std::string database = scratch_ / (std::string(scheme) + ".accdb");
        WriteEncrypted(database, scheme);

        FreshOut();
        auto run = Run({"/SILENT", database, "./out", "/PASSWORD=" + kPassword});
        EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
        EXPECT_EQ(harness::ReadFile(scratch_ / "out/Parts.csv"), "1,\"gear\"\r\n2,\"shaft\"\r\n");

        for (const std::vector<std::string>& wrong :
             {std::vector<std::string>{"/SILENT", database, "./out"},
              std::vector<std::string>{"/SILENT", database, "./out", "/PASSWORD=Grusse 2024"}}) {
            FreshOut();
            run = Run(wrong);
            EXPECT_EQ(run.ExitCode, 1);
            EXPECT_TRUE(harness::ListDir(scratch_ / "out").empty());
        }
    }
}

TEST_F(EncryptedProgram, EncryptedSamplesConvertWithTheirPassword) {
    const fs::path corpus = fs::path(VARNEX_SHARED_DIR) / "corpus";
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no sample databases at " << corpus;
    for (const char* sample : {"encryption/office-agile-4.2.accdb", "encryption/office-agile-4.4.accdb",
                               "password/V2010_with-password.accdb"}) {
        SCOPED_TRACE(sample);
        FreshOut();
        auto run = Run({"/SILENT", (corpus / sample).string(), "./out", "/PASSWORD=password", "/HEADER=1"});
        EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
        EXPECT_EQ(harness::ReadFile(scratch_ / "out/Table1.csv"),
                  "ID,Data\r\n1,\"One\"\r\n2,\"Two\"\r\n3,\"Three\"\r\n");
        FreshOut();
        run = Run({"/SILENT", (corpus / sample).string(), "./out", "/PASSWORD=passw0rd"});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(harness::ListDir(scratch_ / "out").empty());
    }
}

} // namespace
