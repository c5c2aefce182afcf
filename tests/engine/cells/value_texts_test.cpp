// The locale-free value texts of the formats that scripts read: ISO dates,
// C-locale numbers, UTF-8 and JSON strings, hex and base64.
#include "engine/BinaryText.h"
#include "engine/IsoDates.h"
#include "engine/JsonText.h"
#include "engine/PlainNumbers.h"
#include "engine/Utf8Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Iso(double serial, bool withTime = true, char separator = 'T') {
    std::string out = "<";
    if (!AppendIsoDate(serial, withTime, separator, out))
        return "refused";
    return out.substr(1);
}

std::string Extended(std::u16string_view text, char separator = 'T') {
    std::string out;
    return AppendIsoExtendedDate(text, separator, out) ? out : "refused";
}

TEST(IsoDates, SerialDatesAcrossTheRangeAndTheirRounding) {
    EXPECT_EQ(Iso(45299 + (9 * 3600 + 13 * 60) / 86400.0), "2024-01-08T09:13:00");
    EXPECT_EQ(Iso(45299, false), "2024-01-08");
    EXPECT_EQ(Iso(45299 + 0.5, true, ' '), "2024-01-08 12:00:00");
    EXPECT_EQ(Iso(0), "1899-12-30T00:00:00");
    // Before 1899 the fraction still counts forward from the day's start.
    EXPECT_EQ(Iso(-1.5), "1899-12-29T12:00:00");
    EXPECT_EQ(Iso(-231762.53125), "1265-06-14T12:45:00");
    EXPECT_EQ(Iso(-657434), "0100-01-01T00:00:00");
    EXPECT_EQ(Iso(2958465 + 86399 / 86400.0), "9999-12-31T23:59:59");
    EXPECT_EQ(Iso(60), "1900-02-28T00:00:00"); // no 29 February 1900
    EXPECT_EQ(Iso(36585), "2000-02-29T00:00:00");
    // A time stored a hair short of a second, and of midnight, rounds up.
    EXPECT_EQ(Iso(45299 + 59.9999 / 86400.0), "2024-01-08T00:01:00");
    EXPECT_EQ(Iso(45299.9999999), "2024-01-09T00:00:00");
    EXPECT_TRUE(IsMidnight(45299.9999999));
    EXPECT_TRUE(IsMidnight(-3));
    EXPECT_FALSE(IsMidnight(45299 + 1 / 86400.0));
    // Outside what any stored date holds: refused, nothing appended.
    EXPECT_EQ(Iso(2958466), "refused");
    EXPECT_EQ(Iso(-657435), "refused");
    EXPECT_EQ(Iso(std::nan("")), "refused");
    EXPECT_EQ(Iso(std::numeric_limits<double>::infinity()), "refused");
}

TEST(IsoDates, ExtendedDatesKeepTheirFraction) {
    EXPECT_EQ(Extended(u"2024-01-08 09:13:00.1234567"), "2024-01-08T09:13:00.1234567");
    EXPECT_EQ(Extended(u"2024-01-08 09:13:00.1200000"), "2024-01-08T09:13:00.12");
    EXPECT_EQ(Extended(u"2024-01-08 09:13:00.0000000", ' '), "2024-01-08 09:13:00");
    EXPECT_EQ(Extended(u"0001-01-01 00:00:00.0000001"), "0001-01-01T00:00:00.0000001");
    EXPECT_EQ(Extended(u"2024-01-08 09:13:00"), "refused");
    EXPECT_EQ(Extended(u"2024-01-08x09:13:00.0000000"), "refused");
    EXPECT_EQ(Extended(u"2024-01-0a 09:13:00.0000000"), "refused");
}

std::string Double(double value) {
    std::string out;
    return AppendDouble(value, out) ? out : "refused";
}

TEST(PlainNumbers, DoublesAndSinglesInTheirShortestExactForm) {
    EXPECT_EQ(Double(0.1), "0.1");
    EXPECT_EQ(Double(-2.5), "-2.5");
    EXPECT_EQ(Double(100), "100");
    EXPECT_EQ(Double(1e300), "1e+300");
    EXPECT_EQ(Double(5e-324), "5e-324");
    EXPECT_EQ(Double(std::nan("")), "refused");
    EXPECT_EQ(Double(-std::numeric_limits<double>::infinity()), "refused");
    std::string single;
    ASSERT_TRUE(AppendSingle(1.1f, single));
    EXPECT_EQ(single, "1.1"); // not the double 1.100000023841858
    EXPECT_FALSE(AppendSingle(std::numeric_limits<float>::infinity(), single));

    // Every double reads back as itself, whatever its bits.
    std::mt19937_64 random(24);
    for (int k = 0; k < 20000; ++k) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        std::string text;
        if (!AppendDouble(value, text)) {
            EXPECT_FALSE(std::isfinite(value));
            continue;
        }
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
}

TEST(PlainNumbers, CurrencyAndDecimalWrittenExactly) {
    auto currency = [](int64_t value) {
        std::string out;
        AppendCurrency(value, out);
        return out;
    };
    EXPECT_EQ(currency(125000), "12.5");
    EXPECT_EQ(currency(18750000), "1875");
    EXPECT_EQ(currency(-1), "-0.0001");
    EXPECT_EQ(currency(0), "0");
    EXPECT_EQ(currency(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");
    EXPECT_EQ(currency(std::numeric_limits<int64_t>::max()), "922337203685477.5807");

    auto decimal = [](bool negative, uint8_t scale, uint32_t hi, uint64_t lo) {
        std::string out;
        AppendDecimal(DecimalValue{negative, scale, hi, lo}, out);
        return out;
    };
    EXPECT_EQ(decimal(false, 2, 0, 1250), "12.50");
    EXPECT_EQ(decimal(true, 2, 0, 5), "-0.05");
    EXPECT_EQ(decimal(true, 3, 0, 0), "0.000"); // no sign on a zero
    EXPECT_EQ(decimal(false, 0, 0, 42), "42");
    EXPECT_EQ(decimal(false, 0, 0, 0), "0");
    EXPECT_EQ(decimal(false, 28, 0xFFFFFFFF, ~uint64_t{0}), "7.9228162514264337593543950335");
    EXPECT_EQ(decimal(false, 28, 0, 1), "0.0000000000000000000000000001");
    EXPECT_EQ(decimal(false, 40, 0, 1), "0.0000000000000000000000000001"); // no stored scale is above 28
}

TEST(Utf8AndJsonText, ValidUtf8WithLoneSurrogatesReplacedAndCounted) {
    std::string out;
    EXPECT_EQ(AppendUtf8(u"Luleå €", out), 0u);
    EXPECT_EQ(out, "Lule\xC3\xA5 \xE2\x82\xAC");
    out.clear();
    EXPECT_EQ(AppendUtf8(u"\U0001F600", out), 0u);
    EXPECT_EQ(out, "\xF0\x9F\x98\x80");
    out.clear();
    const char16_t broken[] = {u'a', 0xD800, u'b', 0xDC00, 0xDBFF};
    EXPECT_EQ(AppendUtf8(std::u16string_view(broken, 5), out), 3u);
    EXPECT_EQ(out, "a\xEF\xBF\xBD"
                   "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8AndJsonText, EveryControlCharacterEscapedAndQuotesBalanced) {
    std::string out;
    EXPECT_EQ(AppendJsonString(u"He said \"go\"\r\n\tC:\\x", out), 0u);
    EXPECT_EQ(out, R"("He said \"go\"\r\n\tC:\\x")");
    out.clear();
    const char16_t controls[] = {0x00, 0x01, 0x08, 0x0C, 0x1F, 0x7F, 0x85, 0x9F, 0xA0, 0x2028, 0x2029};
    AppendJsonString(std::u16string_view(controls, std::size(controls)), out);
    EXPECT_EQ(out, "\"\\u0000\\u0001\\b\\f\\u001f\\u007f\\u0085\\u009f\xC2\xA0\\u2028\\u2029\"");
    out.clear();
    const char16_t lone[] = {0xDC00, u'"'};
    EXPECT_EQ(AppendJsonString(std::u16string_view(lone, 2), out), 1u);
    EXPECT_EQ(out, "\"\xEF\xBF\xBD\\\"\"");
    out.clear();
    const char16_t highThenQuote[] = {0xD800, u'"', 0xD83D, 0xDE00};
    EXPECT_EQ(AppendJsonString(std::u16string_view(highThenQuote, 4), out), 1u);
    EXPECT_EQ(out, "\"\xEF\xBF\xBD\\\"\xF0\x9F\x98\x80\"");
    out.clear();
    AppendJsonUtf8("a/b\x7f", out);
    EXPECT_EQ(out, "\"a/b\\u007f\"");
}

TEST(BinaryText, HexAndBase64) {
    const std::vector<std::pair<std::string, std::string>> vectors = {{"", ""},
                                                                      {"f", "Zg=="},
                                                                      {"fo", "Zm8="},
                                                                      {"foo", "Zm9v"},
                                                                      {"foob", "Zm9vYg=="},
                                                                      {"fooba", "Zm9vYmE="},
                                                                      {"foobar", "Zm9vYmFy"},
                                                                      {std::string("\xFB\xFF\x00", 3), "+/8A"}};
    for (const auto& [plain, encoded] : vectors) {
        std::string out = "x";
        const auto* bytes = reinterpret_cast<const uint8_t*>(plain.data());
        AppendBase64(std::span<const uint8_t>(bytes, plain.size()), out);
        EXPECT_EQ(out, "x" + encoded) << plain;
    }
    std::string hex;
    const uint8_t bytes[] = {0x00, 0x9F, 0xFF};
    AppendHex(bytes, hex);
    EXPECT_EQ(hex, "009FFF");
}

} // namespace
