// A second opinion: mdb-export (mdbtools, when installed) reads the same
// samples and must agree on every text, whole-number, currency and boolean
// cell. Floating point and dates are left to the expected-file comparison,
// since the two tools format them differently.

#include "CorpusFiles.h"

#include "jet/JetEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr char kFieldSeparator = '\x1f';
constexpr char kRecordSeparator = '\x1e';

bool HaveOracle() { return std::system("mdb-export --version > /dev/null 2>&1") == 0; }

// Rows of the export, the header first; empty when the tool failed.
std::vector<std::vector<std::string>> Export(const fs::path& database, const std::string& table,
                                             const fs::path& scratch) {
    const std::string command = "mdb-export -Q -d $'\\x1f' -R $'\\x1e' -0 $'\\x01' -b hex '" + database.string() +
                                "' '" + table + "' > '" + scratch.string() + "' 2>/dev/null";
    std::vector<std::vector<std::string>> rows;
    if (std::system(("bash -c \"" + command + "\"").c_str()) != 0)
        return rows;
    std::ifstream in(scratch, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find(kRecordSeparator, start);
        if (end == std::string::npos)
            end = all.size();
        std::vector<std::string> cells;
        std::stringstream line(all.substr(start, end - start));
        std::string cell;
        while (std::getline(line, cell, kFieldSeparator))
            cells.push_back(cell);
        if (!all.empty() && end > start && all[end - 1] == kFieldSeparator)
            cells.emplace_back();
        rows.push_back(std::move(cells));
        start = end + 1;
    }
    return rows;
}

std::string Canonical(std::string text) {
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

// Our value in the tool's form, or nothing for kinds it formats its own way
// (and big integers, which it does not read).
std::optional<std::string> Comparable(const Variant& v) {
    switch (v.Type) {
    case VarType::Null: return std::string("\x01");
    case VarType::Text: return jettest::Utf8(v.Text);
    case VarType::Bool: return std::string(v.Bool ? "1" : "0");
    case VarType::Byte: return std::to_string(v.Byte);
    case VarType::I2: return std::to_string(v.I2);
    case VarType::I4: return std::to_string(v.I4);
    case VarType::Currency: {
        const bool negative = v.I8 < 0;
        const uint64_t m = negative ? 0 - static_cast<uint64_t>(v.I8) : static_cast<uint64_t>(v.I8);
        char text[40];
        std::snprintf(text, sizeof text, "%s%llu.%04llu", negative ? "-" : "",
                      static_cast<unsigned long long>(m / 10000), static_cast<unsigned long long>(m % 10000));
        return Canonical(text);
    }
    default: return std::nullopt;
    }
}

TEST(JetOracle, AgreesWithMdbExport) {
    SKIP_WITHOUT_CORPUS();
    if (!HaveOracle())
        GTEST_SKIP() << "mdb-export not installed";
    // Named for this run alone: suites of other checkouts may run beside it.
    const fs::path scratch =
        fs::temp_directory_path() / ("varnex-jet-oracle-" + std::to_string(std::random_device{}()) + ".txt");
    const auto engine = CreateJetEngine(true);
    long compared = 0;
    for (const char* sample :
         {"V1997/test.mdb", "V2000/test.mdb", "V2003/test.mdb", "V2007/test.accdb", "V2010/test.accdb",
          "V2016/bigint.accdb", "V2016/currency.accdb", "V2016/longtext.accdb", "V2016/withdeletedcol.accdb",
          "V2016/withinsertedcol.accdb", "password/V2000_no-password.mdb", "real/ASampleDatabase.accdb"}) {
        SCOPED_TRACE(sample);
        const fs::path path = jettest::CorpusDir() / sample;
        const auto database = jettest::Open(*engine, path);
        const auto tableDefs = database->GetTableDefs();
        for (int16_t i = 0; i < tableDefs->Count(); ++i) {
            const std::string name = jettest::Utf8(tableDefs->Item(i)->Name());
            if (name.rfind("MSys", 0) == 0)
                continue;
            SCOPED_TRACE(name);
            const auto theirs = Export(path, name, scratch);
            if (theirs.empty())
                continue; // the tool cannot read this one
            const std::vector<std::string>& header = theirs[0];
            auto records = database->OpenRecordset(jettest::Wide(name));
            std::size_t row = 1;
            for (; !records->Eof(); records->MoveNext(), ++row) {
                ASSERT_LT(row, theirs.size()) << "more rows than the tool found";
                const Fields& fields = records->GetFields();
                for (int16_t f = 0; f < fields.Count(); ++f) {
                    const auto column = std::find(header.begin(), header.end(), jettest::Utf8(fields.Item(f).Name()));
                    ASSERT_NE(column, header.end());
                    const auto ours = Comparable(fields.Item(f).Value());
                    const auto index = static_cast<std::size_t>(column - header.begin());
                    if (!ours || index >= theirs[row].size())
                        continue;
                    std::string other = theirs[row][index];
                    if (fields.Item(f).Value().Type == VarType::Currency)
                        other = Canonical(other);
                    EXPECT_EQ(*ours, other) << "row " << row << " field " << jettest::Utf8(fields.Item(f).Name());
                    ++compared;
                }
            }
            EXPECT_EQ(row, theirs.size()) << "rows";
        }
    }
    fs::remove(scratch);
    std::cout << "[ figures ] " << compared << " cells compared with mdb-export\n";
    EXPECT_GT(compared, 0);
}

} // namespace
