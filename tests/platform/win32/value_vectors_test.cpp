// The value texts of the Windows runtime, recorded in the shared vectors,
// reproduced through our VARIANT building. Rows where Windows is known to
// write something else than the recorded Wine text are left out, so the
// test holds on both.

#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    if (!line.empty() && line.back() == '\t')
        fields.emplace_back();
    return fields;
}

std::string Hex(const std::string& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::optional<DecimalValue> ParseDecimal(const std::string& input) {
    int sign = 0, scale = 0;
    char mantissa[64] = {};
    if (std::sscanf(input.c_str(), "sign=%d scale=%d mantissa=%63s", &sign, &scale, mantissa) != 3)
        return std::nullopt;
    unsigned __int128 m = 0;
    for (const char* p = mantissa; *p != '\0'; ++p)
        m = m * 10 + static_cast<unsigned>(*p - '0');
    return DecimalValue{sign != 0, static_cast<uint8_t>(scale), static_cast<uint32_t>(m >> 64),
                        static_cast<uint64_t>(m)};
}

// Our value for a row, or nothing for the VARIANT shapes we never build.
std::optional<Variant> FromRow(const std::string& type, const std::string& input) {
    Variant v;
    if (type == "VT_EMPTY") {
        v.Type = VarType::Empty;
    } else if (type == "VT_NULL") {
        v.Type = VarType::Null;
    } else if (type == "VT_BOOL") {
        const long stored = std::strtol(input.c_str(), nullptr, 10);
        if (stored != 0 && stored != -1)
            return std::nullopt; // our Booleans are only ever true or false
        v.Type = VarType::Bool;
        v.Bool = stored != 0;
    } else if (type == "VT_UI1") {
        v.Type = VarType::Byte;
        v.Byte = static_cast<uint8_t>(std::strtoul(input.c_str(), nullptr, 10));
    } else if (type == "VT_I2") {
        v.Type = VarType::I2;
        v.I2 = static_cast<int16_t>(std::strtol(input.c_str(), nullptr, 10));
    } else if (type == "VT_I4") {
        v.Type = VarType::I4;
        v.I4 = static_cast<int32_t>(std::strtol(input.c_str(), nullptr, 10));
    } else if (type == "VT_I8" || type == "VT_CY") {
        v.Type = type == "VT_I8" ? VarType::I8 : VarType::Currency;
        v.I8 = std::strtoll(input.c_str(), nullptr, 10);
    } else if (type == "VT_R4") {
        v.Type = VarType::R4;
        v.R4 = std::strtof(input.c_str(), nullptr);
    } else if (type == "VT_R8" || type == "VT_DATE") {
        v.Type = type == "VT_R8" ? VarType::R8 : VarType::Date;
        v.R8 = std::strtod(input.c_str(), nullptr);
    } else if (type == "VT_DECIMAL") {
        const auto decimal = ParseDecimal(input);
        if (!decimal)
            return std::nullopt;
        v.Type = VarType::Decimal;
        v.Decimal = *decimal;
    } else {
        return std::nullopt;
    }
    return v;
}

const char* LocaleName() {
    switch (GetUserDefaultLCID()) {
    case 0x0409: return "en-US";
    case 0x0407: return "de-DE";
    default: return nullptr;
    }
}

TEST(Win32ValueText, MatchesRecordedRuntimeTexts) {
    const std::filesystem::path vectors = std::filesystem::path(VARNEX_SHARED_DIR) / "vectors";
    if (!std::filesystem::exists(vectors))
        GTEST_SKIP() << "no shared vectors";
    const char* locale = LocaleName();
    if (locale == nullptr || GetACP() != 1252)
        GTEST_SKIP() << "vectors exist for en-US and de-DE with code page 1252 only";

    std::set<std::string> differing;
    {
        std::ifstream in(vectors / "windows-differences.tsv");
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            const auto f = SplitTabs(line);
            if (f.size() >= 3 && f[0] == locale)
                differing.insert(f[1] + '\t' + f[2]);
        }
    }

    std::ifstream in(vectors / (std::string("variant-text-") + locale + ".tsv"));
    ASSERT_TRUE(in) << "vector file missing";
    std::string line;
    std::getline(in, line);
    int checked = 0;
    while (std::getline(in, line)) {
        const auto f = SplitTabs(line);
        ASSERT_GE(f.size(), 4u) << line;
        if (differing.count(f[0] + '\t' + f[1]) != 0)
            continue;
        // The recorded German short date is Wine's pattern, not Windows' own.
        if (f[0] == "VT_DATE" && std::string(locale) == "de-DE")
            continue;
        const auto value = FromRow(f[0], f[1]);
        if (!value)
            continue;
        std::string text;
        const int32_t result = platform::VariantToText(*value, text);
        if (f[2].rfind("ERROR:", 0) == 0) {
            EXPECT_EQ(static_cast<uint32_t>(result), std::strtoul(f[2].c_str() + 6, nullptr, 16)) << line;
            EXPECT_EQ(text, "") << line;
        } else {
            EXPECT_EQ(result, 0) << line;
            EXPECT_EQ(Hex(text), f[3]) << line;
        }
        ++checked;
    }
    EXPECT_GT(checked, 250);
}

} // namespace
