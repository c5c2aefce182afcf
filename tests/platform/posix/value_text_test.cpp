// Value texts that do not need the reference vectors: the forms this system
// chooses itself, failures, and locales the vectors do not cover.

#include "platform/posix/CodePage.h"
#include "platform/posix/Locale.h"
#include "platform/Platform.h"
#include "platform/posix/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using platform::posix::CodePage;
using platform::posix::ValueTextFormat;
using platform::posix::WindowsLocaleFor;

class ValueText : public ::testing::Test {
protected:
    std::string Text(const Variant& value, const char* locale = "en_US.UTF-8", int page = 65001) {
        pages_.push_back(CodePage::OpenWindows(page));
        const ValueTextFormat format(WindowsLocaleFor(locale), WindowsLocaleFor(locale), *pages_.back());
        std::string out = "stale";
        EXPECT_EQ(format.ToText(value, out), 0);
        return out;
    }

    int32_t Failure(const Variant& value) {
        const auto page = CodePage::OpenWindows(65001);
        const ValueTextFormat format(WindowsLocaleFor("en_US"), WindowsLocaleFor("en_US"), *page);
        std::string out = "stale";
        const int32_t code = format.ToText(value, out);
        EXPECT_EQ(out, "");
        return code;
    }

    static Variant Real(double value, VarType type = VarType::R8) {
        Variant v;
        v.Type = type;
        if (type == VarType::R4)
            v.R4 = static_cast<float>(value);
        else
            v.R8 = value;
        return v;
    }

    std::vector<std::unique_ptr<CodePage>> pages_;
};

TEST_F(ValueText, GuidIsWrittenInRegistryForm) {
    Variant v;
    v.Type = VarType::Guid;
    const uint8_t stored[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    std::copy(stored, stored + 16, v.Guid);
    EXPECT_EQ(Text(v), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
}

TEST_F(ValueText, BinaryIsWrittenAsUpperCaseHex) {
    const std::vector<uint8_t> bytes = {0x00, 0x41, 0xFE, 0x0A};
    Variant v;
    v.Type = VarType::Bytes;
    v.Bytes = bytes;
    EXPECT_EQ(Text(v), "0041FE0A"); // the NUL byte does not end it
    v.Bytes = {};
    EXPECT_EQ(Text(v), "");
}

TEST_F(ValueText, ListJoinsItemsWithSemicolons) {
    const std::vector<std::u16string> items = {u"red", u"gr\u00FCn", u"\u0141ad"};
    Variant v;
    v.Type = VarType::List;
    v.Items = items;
    EXPECT_EQ(Text(v), "red;gr\xC3\xBCn;\xC5\x81"
                       "ad");
    EXPECT_EQ(Text(v, "de_DE.CP1252", 1252), "red;gr\xFCn;Lad");
    v.Items = {};
    EXPECT_EQ(Text(v), "");

    // A shorter list after a longer one shows nothing of the first, and the
    // text ends at the first NUL as every other text does.
    const std::vector<std::u16string> cut = {u"x", std::u16string(u"y\0z", 3), u"w"};
    v.Items = cut;
    EXPECT_EQ(Text(v), "x;y");
}

TEST_F(ValueText, TextKeepsItsNulCharacters) {
    const std::u16string text(u"ab\0cd", 5);
    Variant v;
    v.Type = VarType::Text;
    v.Text = text;
    EXPECT_EQ(Text(v), std::string("ab\0cd", 5));
}

TEST_F(ValueText, FailuresLeaveTheTextEmpty) {
    Variant null;
    null.Type = VarType::Null;
    EXPECT_EQ(Failure(null), static_cast<int32_t>(0x80020005));
    EXPECT_EQ(Failure(Real(2958466, VarType::Date)), static_cast<int32_t>(0x80070057));
    EXPECT_EQ(Failure(Real(-657435, VarType::Date)), static_cast<int32_t>(0x80070057));
    EXPECT_EQ(Failure(Real(std::nan(""), VarType::Date)), static_cast<int32_t>(0x80070057));
    Variant empty;
    EXPECT_EQ(Text(empty), "");
}

TEST_F(ValueText, ExactTiesRoundAwayFromZero) {
    // 1234567890123.125 is exact in binary and halfway at 15 digits.
    EXPECT_EQ(Text(Real(1234567890123.125)), "1234567890123.13");
    EXPECT_EQ(Text(Real(-1234567890123.125)), "-1234567890123.13");
    EXPECT_EQ(Text(Real(std::nextafter(1234567890123.125, 0.0))), "1234567890123.12");
    EXPECT_EQ(Text(Real(0.125, VarType::R4)), "0.125");
    EXPECT_EQ(Text(Real(2.5, VarType::R4)), "2.5");
}

// Most values' shortest digits are longer than the precision and are rounded
// from there; a carry may run through every digit and change the form.
TEST_F(ValueText, RealsRoundedFromTheirShortestDigits) {
    EXPECT_EQ(Text(Real(0.1 + 0.2)), "0.3");
    EXPECT_EQ(Text(Real(999999999999999.9)), "1E+15");
    EXPECT_EQ(Text(Real(9999999999999998.0)), "1E+16");
    EXPECT_EQ(Text(Real(-2.0 / 3)), "-0.666666666666667");
    EXPECT_EQ(Text(Real(1e-5 / 3)), "3.33333333333333E-06");
    EXPECT_EQ(Text(Real(123456789012345.67)), "123456789012346");
    EXPECT_EQ(Text(Real(0.000099999999999999995)), "0.0001");
    EXPECT_EQ(Text(Real(16777215.0f, VarType::R4)), "1.677722E+07");
    EXPECT_EQ(Text(Real(1.0f / 3, VarType::R4)), "0.3333333");
    EXPECT_EQ(Text(Real(9.999999e-5f, VarType::R4)), "9.999999E-05");
    EXPECT_EQ(Text(Real(3.4028235e38f, VarType::R4)), "3.402823E+38");
    // Below the normal range the shortest digits say too little.
    EXPECT_EQ(Text(Real(5e-324)), "4.94065645841247E-324");
}

TEST_F(ValueText, NumbersInEveryLocaleShape) {
    EXPECT_EQ(Text(Real(5.6789e-11)), "0.000000000056789");
    EXPECT_EQ(Text(Real(5.6789e-12)), "5.6789E-12");
    EXPECT_EQ(Text(Real(1.5e20), "de_DE.UTF-8"), "1,5E+20");
    EXPECT_EQ(Text(Real(-987654.321), "fr_FR.UTF-8"), "-987654,321");
    EXPECT_EQ(Text(Real(0.5), "de_CH.UTF-8"), "0.5");
    EXPECT_EQ(Text(Real(5e-6, VarType::R4)), "0.000005");
    EXPECT_EQ(Text(Real(-0.0)), "0");

    Variant money;
    money.Type = VarType::Currency;
    money.I8 = INT64_MIN;
    EXPECT_EQ(Text(money, "de_DE.UTF-8"), "-922337203685477,5808");

    Variant decimal;
    decimal.Type = VarType::Decimal;
    decimal.Decimal = DecimalValue{true, 6, 0, 1500};
    EXPECT_EQ(Text(decimal, "it_IT.UTF-8"), "-0,0015");
    decimal.Decimal = DecimalValue{false, 0, 0xFFFFFFFFu, ~uint64_t{0}};
    EXPECT_EQ(Text(decimal), "79228162514264337593543950335");
}

TEST_F(ValueText, DatesFollowTheLocalePatterns) {
    const double morning = 45000.123456789; // 15 March 2023, 02:57:46.67
    EXPECT_EQ(Text(Real(morning, VarType::Date)), "3/15/2023 2:57:47 AM");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "de_DE.UTF-8"), "15.03.2023 02:57:47");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "en_GB.UTF-8"), "15/03/2023 02:57:47");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "es_ES.UTF-8"), "15/03/2023 2:57:47");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "ja_JP.UTF-8"), "2023/03/15 2:57:47");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "sv_SE.UTF-8"), "2023-03-15 02:57:47");
    EXPECT_EQ(Text(Real(morning, VarType::Date), "hu_HU.UTF-8"), "2023. 03. 15. 2:57:47");
    // Designators outside the ANSI page become "?" like any other text.
    EXPECT_EQ(Text(Real(morning + 0.5, VarType::Date), "ko_KR.UTF-8"), "2023-03-15 \xEC\x98\xA4\xED\x9B\x84 2:57:47");
    EXPECT_EQ(Text(Real(morning + 0.5, VarType::Date), "ko_KR.CP1252", 1252), "2023-03-15 ?? 2:57:47");
    EXPECT_EQ(Text(Real(-657434, VarType::Date), "de_DE.UTF-8"), "01.01.100");
}

// In place, a text is written whole or not at all: the caller then takes
// the general conversion.
TEST_F(ValueText, WrittenInPlaceOnlyWhereItFits) {
    const auto page = CodePage::OpenWindows(65001);
    const ValueTextFormat format(WindowsLocaleFor("de_DE.UTF-8"), WindowsLocaleFor("de_DE.UTF-8"), *page);
    Variant values[6];
    values[0] = Real(-1.0 / 3);
    values[1] = Real(45000.5, VarType::Date);
    values[2].Type = VarType::Currency;
    values[2].I8 = INT64_MIN;
    values[3].Type = VarType::Decimal;
    values[3].Decimal = DecimalValue{true, 28, 1, 0};
    values[4].Type = VarType::Bool;
    values[4].Bool = true;
    values[5] = Real(1e-300);
    for (const Variant& value : values) {
        std::string expected;
        ASSERT_EQ(format.ToText(value, expected), 0);
        char buffer[128];
        for (std::size_t room = 0; room < expected.size(); ++room)
            EXPECT_EQ(format.Write(value, buffer, room), platform::kTextNotWritten) << expected << " " << room;
        const std::size_t written = format.Write(value, buffer, sizeof buffer);
        ASSERT_NE(written, platform::kTextNotWritten) << expected;
        EXPECT_EQ(std::string(buffer, written), expected);
    }

    // Texts, NULL and dates the runtime refuses are left to ToText.
    const std::u16string text = u"12";
    Variant others[3];
    others[0].Type = VarType::Text;
    others[0].Text = text;
    others[1].Type = VarType::Null;
    others[2] = Real(1e7, VarType::Date);
    char buffer[128];
    for (const Variant& value : others)
        EXPECT_EQ(format.Write(value, buffer, sizeof buffer), platform::kTextNotWritten);
}

// A cell is searched for its delimiter only where its type's text may hold
// it: every byte each locale writes for the type must be admitted.
TEST_F(ValueText, TypesAdmitEveryByteTheirTextsHold) {
    const auto page = CodePage::OpenWindows(65001);
    Variant values[9];
    values[0] = Real(-1.5e-20);
    values[1] = Real(std::nan(""));
    values[2] = Real(-HUGE_VAL, VarType::R4);
    values[3] = Real(-0.000123456);
    values[4].Type = VarType::Currency;
    values[4].I8 = INT64_MIN;
    values[5].Type = VarType::I8;
    values[5].I8 = INT64_MIN;
    values[6].Type = VarType::Bool;
    values[6].Bool = true;
    values[7] = Real(45000.75, VarType::Date);
    values[8].Type = VarType::Decimal;
    values[8].Decimal = DecimalValue{true, 6, 0, 1500};
    for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", "ko_KR.UTF-8", "hu_HU.UTF-8",
                               "de_CH.UTF-8", "sv_SE.UTF-8"}) {
        const ValueTextFormat format(WindowsLocaleFor(locale), WindowsLocaleFor(locale), *page);
        for (const Variant& value : values) {
            std::string text;
            ASSERT_EQ(format.ToText(value, text), 0);
            for (const char c : text)
                EXPECT_TRUE(format.MayHold(value.Type, c)) << locale << " '" << text << "' '" << c << "'";
        }
        // What a plain integer cannot hold, and what a text always may.
        EXPECT_FALSE(format.MayHold(VarType::I4, ','));
        EXPECT_FALSE(format.MayHold(VarType::Bool, ';'));
        EXPECT_TRUE(format.MayHold(VarType::Text, ';'));
    }
    const ValueTextFormat english(WindowsLocaleFor("en_US.UTF-8"), WindowsLocaleFor("en_US.UTF-8"), *page);
    EXPECT_FALSE(english.MayHold(VarType::R8, ','));
    EXPECT_FALSE(english.MayHold(VarType::Date, ','));
    const ValueTextFormat german(WindowsLocaleFor("de_DE.UTF-8"), WindowsLocaleFor("de_DE.UTF-8"), *page);
    EXPECT_TRUE(german.MayHold(VarType::R8, ','));
    EXPECT_TRUE(german.MayHold(VarType::Currency, ','));
}

TEST_F(ValueText, OutputKeepsItsStorage) {
    const auto page = CodePage::OpenWindows(1252);
    const ValueTextFormat format(WindowsLocaleFor("en_US"), WindowsLocaleFor("en_US"), *page);
    std::string out;
    out.reserve(128);
    const char* storage = out.data();
    const std::u16string text = u"caf\u00E9";
    Variant values[5];
    values[0] = Real(1.0 / 3);
    values[1] = Real(45000.5, VarType::Date);
    values[2].Type = VarType::Text;
    values[2].Text = text;
    values[3].Type = VarType::I8;
    values[3].I8 = INT64_MAX;
    values[4].Type = VarType::Decimal;
    values[4].Decimal = DecimalValue{false, 28, 1, 0};
    for (const Variant& value : values) {
        ASSERT_EQ(format.ToText(value, out), 0);
        EXPECT_FALSE(out.empty());
        EXPECT_EQ(out.data(), storage);
    }
}

} // namespace
