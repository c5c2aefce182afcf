// Every sample database read through the engine interface and compared,
// cell by cell, with what an independent reader found in it. Only the
// formatting is normalised; a different value is a failure.

#include "CorpusFiles.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/Json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;
using jettest::Utf8;

int16_t DaoCodeOf(const std::string& typeName) {
    static const std::map<std::string, int16_t> codes = {
        {"boolean", 1},  {"byte", 2},     {"integer", 3}, {"long", 4},
        {"currency", 5}, {"float", 6},    {"double", 7},  {"datetime", 8},
        {"binary", 9},   {"text", 10},    {"ole", 11},    {"memo", 12},
        {"repid", 15},   {"numeric", 20}, {"bigint", 16}, {"datetimextended", 26}};
    const auto found = codes.find(typeName);
    return found == codes.end() ? -1 : found->second;
}

std::string DecimalText(bool negative, unsigned scale, uint32_t hi, uint64_t lo) {
    uint32_t words[3] = {hi, static_cast<uint32_t>(lo >> 32), static_cast<uint32_t>(lo)};
    std::string digits;
    do {
        uint64_t remainder = 0;
        for (uint32_t& word : words) {
            const uint64_t current = (remainder << 32) | word;
            word = static_cast<uint32_t>(current / 10);
            remainder = current % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    } while ((words[0] | words[1] | words[2]) != 0);
    while (digits.size() <= scale)
        digits.insert(digits.begin(), '0');
    if (scale > 0)
        digits.insert(digits.end() - scale, '.');
    return (negative ? "-" : "") + digits;
}

// Exact decimal text without insignificant zeros, so that 3.5000, 3.50 and
// 3.5 compare equal while 3.5 and 3.6 do not.
std::string CanonicalDecimal(std::string text) {
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

// The serial date as a calendar date and time to the millisecond: whole
// days from 1899-12-30, the fraction's magnitude as the time of day.
std::string DateText(double serial) {
    double whole = std::trunc(serial);
    long long ms = std::llround(std::fabs(serial - whole) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += serial < 0 ? -1 : 1;
    }
    const long long days = static_cast<long long>(whole) - 25569; // days from 1970-01-01
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    char text[160];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lld", y, m, d, ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

// Empty when the cell matches, otherwise what we read.
std::optional<std::string> Mismatch(const Variant& v, const JsonValue& expected) {
    auto differs = [](bool same, std::string ours) -> std::optional<std::string> {
        if (same)
            return std::nullopt;
        return ours;
    };
    if (expected.isNull())
        return differs(v.Type == VarType::Null, "non-null value");
    if (v.Type == VarType::Null)
        return "NULL";
    switch (v.Type) {
    case VarType::Bool:
        return differs(expected.isBoolean() && expected.asBoolean() == v.Bool, v.Bool ? "true" : "false");
    case VarType::Text: return differs(expected.isString() && expected.asString() == Utf8(v.Text), Utf8(v.Text));
    case VarType::Byte:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8: {
        const long long n = v.Type == VarType::Byte ? v.Byte
                            : v.Type == VarType::I2 ? v.I2
                            : v.Type == VarType::I4 ? v.I4
                                                    : v.I8;
        return differs(expected.isString() && expected.asString() == std::to_string(n), std::to_string(n));
    }
    case VarType::Currency: {
        const bool negative = v.I8 < 0;
        const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(v.I8) : static_cast<uint64_t>(v.I8);
        const std::string ours = DecimalText(negative, 4, 0, magnitude);
        return differs(expected.isString() && CanonicalDecimal(expected.asString()) == CanonicalDecimal(ours), ours);
    }
    case VarType::Decimal: {
        const std::string ours = DecimalText(v.Decimal.Negative, v.Decimal.Scale, v.Decimal.Hi32, v.Decimal.Lo64);
        return differs(expected.isString() && CanonicalDecimal(expected.asString()) == CanonicalDecimal(ours), ours);
    }
    case VarType::R8: {
        char ours[64];
        std::snprintf(ours, sizeof ours, "%.17g", v.R8);
        return differs(expected.isString() && std::strtod(expected.asString().c_str(), nullptr) == v.R8, ours);
    }
    case VarType::R4: {
        char ours[64];
        std::snprintf(ours, sizeof ours, "%.9g", static_cast<double>(v.R4));
        return differs(expected.isString() && std::strtof(expected.asString().c_str(), nullptr) == v.R4, ours);
    }
    case VarType::Date: return differs(expected.isString() && expected.asString() == DateText(v.R8), DateText(v.R8));
    case VarType::Bytes: return differs(expected.isString() && expected.asString() == Hex(v.Bytes), Hex(v.Bytes));
    case VarType::List: {
        std::string ours;
        bool same = expected.isArray() && expected.size() == v.Items.size();
        for (std::size_t k = 0; k < v.Items.size(); ++k) {
            ours += Utf8(v.Items[k]) + ";";
            same = same && expected[k]["name"].asString() == Utf8(v.Items[k]);
        }
        return differs(same, "[" + ours + "]");
    }
    default: return "unexpected value kind";
    }
}

bool IsSystemName(std::u16string_view name) { return name.substr(0, 4) == u"MSys"; }
bool IsSystemName(const std::string& name) { return name.rfind("MSys", 0) == 0; }

std::vector<fs::path> ExpectedFiles() {
    std::vector<fs::path> files;
    if (!jettest::HaveCorpus())
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(jettest::CorpusDir() / "expected"))
        if (entry.is_regular_file() && entry.path().extension() == ".json")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool IsEncryptedSample(const std::string& relative) {
    return relative.rfind("encryption/", 0) == 0 || relative == "password/V2010_with-password.accdb";
}

struct Figures {
    long tables = 0, rows = 0, cells = 0, matched = 0;
};

void CompareFile(DBEngine& engine, const std::string& relative, const JsonValue& expected, Figures& figures) {
    const auto database = jettest::Open(engine, jettest::CorpusDir() / relative, jettest::PasswordFor(relative));
    const auto tableDefs = database->GetTableDefs();

    std::set<std::string> ours, theirs;
    for (int16_t i = 0; i < tableDefs->Count(); ++i) {
        const auto name = tableDefs->Item(i)->Name();
        if (!IsSystemName(name))
            ours.insert(Utf8(name));
    }
    for (const JsonValue& table : expected["tables"].elements())
        if (!IsSystemName(table["name"].asString()))
            theirs.insert(table["name"].asString());
    EXPECT_EQ(ours, theirs) << relative << ": user tables";

    for (const JsonValue& table : expected["tables"].elements()) {
        const std::string name = table["name"].asString();
        if (IsSystemName(name))
            continue;
        SCOPED_TRACE(relative + " / " + name);
        ++figures.tables;
        const auto tableDef = tableDefs->Item(jettest::Wide(name));
        const Fields& defined = tableDef->GetFields();
        const auto& columns = table["columns"].elements();
        ASSERT_EQ(static_cast<std::size_t>(defined.Count()), columns.size());

        // The independent reader lists columns by column number, the field
        // collection by display position; they are matched by name.
        std::vector<int32_t> fieldOf(columns.size(), -1);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (int32_t f = 0; f < defined.Count(); ++f)
                if (Utf8(defined.Item(f).Name()) == columns[c]["name"].asString())
                    fieldOf[c] = f;
            ASSERT_GE(fieldOf[c], 0) << "no field " << columns[c]["name"].asString();
            const int16_t type = defined.Item(fieldOf[c]).Type();
            const std::string typeName = columns[c]["type"].asString();
            if (typeName == "complex")
                EXPECT_TRUE(type >= 101 && type <= 109) << typeName << " read as " << type;
            else
                EXPECT_EQ(type, DaoCodeOf(typeName)) << columns[c]["name"].asString();
        }

        const auto records = database->OpenRecordset(jettest::Wide(name));
        EXPECT_EQ(records->RecordCount(), table["rowCount"].asInteger());
        const auto& rows = table["rows"].elements();
        std::size_t row = 0;
        for (; !records->Eof(); records->MoveNext(), ++row) {
            if (row >= rows.size())
                continue;
            const Fields& values = records->GetFields();
            for (std::size_t c = 0; c < columns.size(); ++c) {
                ++figures.cells;
                const auto wrong = Mismatch(values.Item(fieldOf[c]).Value(), rows[row][c]);
                if (!wrong)
                    ++figures.matched;
                EXPECT_FALSE(wrong) << "row " << row << " column " << columns[c]["name"].asString() << ": read "
                                    << *wrong;
            }
        }
        EXPECT_EQ(row, rows.size()) << "rows read";
        figures.rows += static_cast<long>(row);
        records->Close();
    }
}

TEST(JetCorpus, EveryCellEqualsTheIndependentReading) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    const fs::path expectedDir = jettest::CorpusDir() / "expected";
    for (const fs::path& file : ExpectedFiles()) {
        std::string relative = fs::relative(file, expectedDir).generic_string();
        relative.resize(relative.size() - 5); // ".json"
        SCOPED_TRACE(relative);
        const JsonValue expected = ParseJsonFile(file.string());
        if (IsEncryptedSample(relative)) {
            // Without its password an encrypted sample is refused as such,
            // never taken for a damaged file.
            for (const std::optional<std::string>& wrong :
                 {std::optional<std::string>(), std::optional<std::string>("Password")}) {
                try {
                    jettest::Open(*engine, jettest::CorpusDir() / relative, wrong);
                    ADD_FAILURE() << "encrypted sample opened without its password";
                } catch (const EngineError& error) {
                    EXPECT_EQ(error.Code, HResult::DaoError(3031));
                    ASSERT_TRUE(error.Description.has_value());
                    EXPECT_NE(error.Description->find(u"password"), std::u16string::npos);
                }
            }
        }
        Figures figures;
        try {
            CompareFile(*engine, relative, expected, figures);
        } catch (const EngineError& error) {
            ADD_FAILURE() << "engine error " << std::hex << error.Code << " "
                          << (error.Description ? Utf8(*error.Description) : "");
            continue;
        }
        std::cout << "[ figures ] " << relative << ": " << figures.tables << " tables, " << figures.rows << " rows, "
                  << figures.matched << "/" << figures.cells << " cells match\n";
    }
}

} // namespace
