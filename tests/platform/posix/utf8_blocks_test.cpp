// UTF-16 to UTF-8 takes whole ASCII blocks at once and converts through a
// fixed buffer; texts whose special characters fall on every block and
// buffer position must still come out as a unit-by-unit conversion gives.

#include "platform/Platform.h"
#include "platform/posix/CodePage.h"

#include <gtest/gtest.h>

namespace {

using platform::posix::EncodeUtf8;

// One unit at a time: a pair is one character, a lone surrogate is "?".
std::string UnitByUnit(std::u16string_view text) {
    std::string out;
    auto put = [&out](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            put(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            put(u);
        }
    }
    return out;
}

std::string Encoded(std::u16string_view text) {
    std::string out = "left over from an earlier call";
    EncodeUtf8(text, out);
    return out;
}

TEST(Utf8Blocks, SpecialCharactersAtEveryPositionOfAndAcrossBlocks) {
    const std::u16string specials[] = {u"\u00E9", u"\u20AC", u"\U0001F600", u"\xD83D", u"\xDE00", u"\u007F\u0080"};
    for (const std::u16string& special : specials) {
        for (std::size_t length = 0; length <= 40; ++length) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::u16string text(length, u'a');
                for (std::size_t k = 0; k < length; ++k)
                    text[k] = static_cast<char16_t>(u'a' + k % 26);
                text.insert(at, special);
                ASSERT_EQ(Encoded(text), UnitByUnit(text)) << "length " << length << " at " << at;
            }
        }
    }
}

TEST(Utf8Blocks, LongTextsCrossTheConversionBuffer) {
    // Thousands of units, every kind of character, and pairs that straddle
    // the places where the converter flushes its buffer.
    std::u16string text;
    for (int i = 0; i < 6000; ++i) {
        switch (i % 11) {
        case 3: text += u"\u00FC"; break;
        case 7: text += u"\u4E2D"; break;
        case 10: text += i % 3 == 0 ? u"\U0001F600" : u"\xDC00"; break;
        default: text += static_cast<char16_t>(u' ' + i % 90); break;
        }
        if (i % 1000 == 999)
            text.append(1500, u'x'); // long pure-ASCII stretches too
    }
    EXPECT_EQ(Encoded(text), UnitByUnit(text));
    EXPECT_EQ(Encoded(std::u16string(5000, u'\u00E9')), UnitByUnit(std::u16string(5000, u'\u00E9')));
}

TEST(Utf8Blocks, SingleBytePageOverItsBufferKeepsEveryByte) {
    const auto page = platform::posix::CodePage::Open("CP1252", 1252);
    ASSERT_TRUE(page);
    std::u16string text;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        text += i % 5 == 0 ? u'\u00E9' : i % 7 == 0 ? u'\u4E2D' : static_cast<char16_t>(u'a' + i % 26);
        expected += i % 5 == 0 ? '\xE9' : i % 7 == 0 ? '?' : static_cast<char>('a' + i % 26);
    }
    std::string out = "stale";
    page->Encode(text, out);
    EXPECT_EQ(out, expected);
}

TEST(Utf8Blocks, ValueTextKeepsItsNulWherePlacedInABlock) {
    // ASCII only, so the process's page, whatever it is, passes it unchanged.
    for (std::size_t at = 0; at <= 40; ++at) {
        std::u16string text;
        for (std::size_t k = 0; k < 40; ++k)
            text += static_cast<char16_t>(u'A' + k % 26);
        text.insert(at, 1, u'\0');
        text += std::u16string(u"tail\0more", 9);
        Variant value;
        value.Type = VarType::Text;
        value.Text = text;
        std::string out;
        ASSERT_EQ(platform::VariantToText(value, out), 0);
        EXPECT_EQ(out, UnitByUnit(text)) << "NUL at " << at;
    }
}

} // namespace
