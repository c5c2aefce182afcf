// Every row of the recorded Windows value texts, in en-US and de-DE, under a
// CP1252 ANSI page (the bytes) and under a UTF-8 one (the text).

#include "VectorFiles.h"

#include "platform/posix/CodePage.h"
#include "platform/posix/Locale.h"
#include "platform/Platform.h"
#include "platform/posix/ValueText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

namespace {

bool IsScalar(VarType type) {
    switch (type) {
    case VarType::Bool:
    case VarType::Byte:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Currency:
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
    case VarType::Decimal: return true;
    default: return false;
    }
}

using platform::posix::CodePage;
using platform::posix::ValueTextFormat;
using platform::posix::WindowsLocaleFor;

// Rows whose input our Variant cannot hold: integer types the database
// never delivers, error values, a Boolean stored as 1 and the conversions
// with non-zero flags.
const std::set<std::string> kUnheldTypes = {"VT_I1", "VT_UI2", "VT_UI4", "VT_INT", "VT_UINT", "VT_UI8", "VT_ERROR"};

struct Built {
    Variant Value;
    std::u16string Text;
    std::vector<uint8_t> Bytes;
};

std::u16string Utf16(const std::string& utf8) {
    std::u16string wide;
    platform::posix::DecodeUtf8(utf8, wide);
    return wide;
}

DecimalValue ParseDecimal(const std::string& input) {
    unsigned sign = 0, scale = 0;
    char mantissa[64] = {};
    EXPECT_EQ(std::sscanf(input.c_str(), "sign=%u scale=%u mantissa=%63s", &sign, &scale, mantissa), 3) << input;
    unsigned __int128 value = 0;
    for (const char* p = mantissa; *p != '\0'; ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    return DecimalValue{sign != 0, static_cast<uint8_t>(scale), static_cast<uint32_t>(value >> 64),
                        static_cast<uint64_t>(value)};
}

// False for the rows that are skipped.
bool Build(const std::string& type, const std::string& input, Built& built) {
    Variant& v = built.Value;
    if (type == "VT_R8" || type == "VT_DATE") {
        v.Type = type == "VT_R8" ? VarType::R8 : VarType::Date;
        v.R8 = std::strtod(input.c_str(), nullptr);
    } else if (type == "VT_R4") {
        v.Type = VarType::R4;
        v.R4 = std::strtof(input.c_str(), nullptr);
    } else if (type == "VT_CY" || type == "VT_I8") {
        v.Type = type == "VT_CY" ? VarType::Currency : VarType::I8;
        v.I8 = std::strtoll(input.c_str(), nullptr, 10);
    } else if (type == "VT_I4") {
        v.Type = VarType::I4;
        v.I4 = static_cast<int32_t>(std::strtol(input.c_str(), nullptr, 10));
    } else if (type == "VT_I2") {
        v.Type = VarType::I2;
        v.I2 = static_cast<int16_t>(std::strtol(input.c_str(), nullptr, 10));
    } else if (type == "VT_UI1") {
        v.Type = VarType::Byte;
        v.Byte = static_cast<uint8_t>(std::strtol(input.c_str(), nullptr, 10));
    } else if (type == "VT_BOOL") {
        if (input != "-1" && input != "0")
            return false;
        v.Type = VarType::Bool;
        v.Bool = input == "-1";
    } else if (type == "VT_DECIMAL") {
        v.Type = VarType::Decimal;
        v.Decimal = ParseDecimal(input);
    } else if (type == "VT_BSTR") {
        built.Text = Utf16(vectors::Unescape(input));
        v.Type = VarType::Text;
        v.Text = built.Text;
    } else if (type == "VT_ARRAY|VT_UI1") {
        const std::string bytes = vectors::FromHex(input);
        built.Bytes.assign(bytes.begin(), bytes.end());
        v.Type = VarType::Bytes;
        v.Bytes = built.Bytes;
    } else if (type == "VT_EMPTY") {
        v.Type = VarType::Empty;
    } else if (type == "VT_NULL") {
        v.Type = VarType::Null;
    } else {
        return false;
    }
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Windows' de-DE short date is dd.MM.yyyy where the recording has d.M.yyyy.
std::string PaddedGermanDate(const std::string& text) {
    const std::size_t first = text.find('.');
    const std::size_t second = first == std::string::npos ? first : text.find('.', first + 1);
    if (second == std::string::npos)
        return text;
    const std::string day = text.substr(0, first);
    const std::string month = text.substr(first + 1, second - first - 1);
    return std::string(2 - day.size(), '0') + day + "." + std::string(2 - month.size(), '0') + month +
           text.substr(second);
}

struct Expected {
    std::string Text; // UTF-8
    std::string AnsiHex;
};

using Key = std::tuple<std::string, std::string, std::string>;

std::map<Key, Expected> WindowsDifferences() {
    std::map<Key, Expected> differences;
    for (const auto& row : vectors::Read("windows-differences.tsv"))
        if (row.size() >= 6)
            differences[{row[0], row[1], row[2]}] = {vectors::Unescape(row[4]), row[5]};
    return differences;
}

struct Outcome {
    int Checked = 0;
    int Skipped = 0;
};

Outcome CheckLocale(const std::string& windowsName, const std::string& posixName) {
    Outcome outcome;
    const auto rows = vectors::Read("variant-text-" + windowsName + ".tsv");
    EXPECT_GT(rows.size(), 400u);
    const auto differences = WindowsDifferences();

    const auto cp1252 = CodePage::Open("CP1252", 1252);
    const auto utf8 = CodePage::Open("UTF-8");
    const auto& locale = WindowsLocaleFor(posixName);
    const ValueTextFormat ansiFormat(locale, locale, *cp1252);
    const ValueTextFormat utf8Format(locale, locale, *utf8);

    for (const auto& row : rows) {
        if (row.size() < 4)
            continue;
        const std::string& type = row[0];
        const std::string& input = row[1];
        Built built;
        if (kUnheldTypes.count(type) != 0 || type.find('[') != std::string::npos || !Build(type, input, built)) {
            ++outcome.Skipped;
            continue;
        }
        Expected expected{vectors::Unescape(row[2]), row[3]};
        if (const auto found = differences.find({windowsName, type, input}); found != differences.end())
            expected = found->second;
        if (type == "VT_DATE" && windowsName == "de-DE" && expected.Text.rfind("ERROR:", 0) != 0) {
            expected.Text = PaddedGermanDate(expected.Text);
            expected.AnsiHex = vectors::ToHex(expected.Text);
        }
        if (type == "VT_ARRAY|VT_UI1") {
            // Binary values are written as their bytes in hexadecimal.
            expected.Text = Upper(input);
            expected.AnsiHex = vectors::ToHex(expected.Text);
        }

        SCOPED_TRACE(windowsName + " " + type + " " + input);
        std::string ansi = "stale";
        std::string text = "stale";
        const int32_t ansiCode = ansiFormat.ToText(built.Value, ansi);
        const int32_t textCode = utf8Format.ToText(built.Value, text);
        if (expected.Text.rfind("ERROR:", 0) == 0) {
            const auto code = static_cast<int32_t>(std::strtoul(expected.Text.c_str() + 6, nullptr, 16));
            EXPECT_EQ(ansiCode, code);
            EXPECT_EQ(textCode, code);
            EXPECT_EQ(ansi, "");
            EXPECT_EQ(text, "");
        } else {
            EXPECT_EQ(ansiCode, 0);
            EXPECT_EQ(textCode, 0);
            EXPECT_EQ(vectors::ToHex(ansi), expected.AnsiHex);
            EXPECT_EQ(text, expected.Text);
        }
        // Written in place, a value's text is ToText's, and every number,
        // currency, Boolean and date that converts is written so.
        char buffer[128];
        const std::size_t written = ansiFormat.Write(built.Value, buffer, sizeof buffer);
        if (written != platform::kTextNotWritten) {
            EXPECT_EQ(std::string(buffer, written), ansi);
            // No byte of it escapes the delimiter search that the type's bytes decide.
            for (const char c : ansi)
                EXPECT_TRUE(ansiFormat.MayHold(built.Value.Type, c)) << "byte '" << c << "'";
        } else
            EXPECT_TRUE(ansiCode != 0 || !IsScalar(built.Value.Type));
        ++outcome.Checked;
    }
    return outcome;
}

TEST(ValueVectors, EnglishUnitedStates) {
    if (!vectors::Available())
        GTEST_SKIP() << "no reference vectors";
    const Outcome outcome = CheckLocale("en-US", "en_US.CP1252");
    EXPECT_EQ(outcome.Skipped, 12);
    EXPECT_EQ(outcome.Checked, 445);
}

TEST(ValueVectors, GermanGermany) {
    if (!vectors::Available())
        GTEST_SKIP() << "no reference vectors";
    const Outcome outcome = CheckLocale("de-DE", "de_DE.CP1252");
    EXPECT_EQ(outcome.Skipped, 12);
    EXPECT_EQ(outcome.Checked, 445);
}

} // namespace
