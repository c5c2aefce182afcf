// Conversions between UTF-16, the ANSI page and the OEM page.

#include "VectorFiles.h"

#include "platform/posix/CodePage.h"
#include "platform/posix/TextPages.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using platform::posix::CodePage;
using platform::posix::ConvertAnsiToOem;
using platform::posix::MakeTextPages;

std::string Encode(const CodePage& page, std::u16string_view text) {
    std::string out;
    page.Encode(text, out);
    return out;
}

std::u16string Decode(const CodePage& page, std::string_view text) {
    std::u16string out;
    page.Decode(text, out);
    return out;
}

std::string Oem(std::string_view localeName, std::string text) {
    const auto pages = MakeTextPages(localeName);
    ConvertAnsiToOem(*pages, text);
    return text;
}

TEST(AnsiPage, Cp1252WritesBestFitOrQuestionMarkPerUnit) {
    const auto page = CodePage::Open("CP1252", 1252);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->kind(), CodePage::Kind::SingleByte);
    EXPECT_EQ(Encode(*page, u"Gr\u00FC\u00DFe \u20AC"), "Gr\xFC\xDF"
                                                        "e \x80");
    EXPECT_EQ(Encode(*page, u"\u0100\u0101 \u0108\u0109 \u0150 \u03A9"), "Aa Cc O O");
    EXPECT_EQ(Encode(*page, u"\u0141\u00F3d\u017A \uFF21\uFF42"), "L\xF3"
                                                                  "dz Ab");
    EXPECT_EQ(Encode(*page, u"\u0416\u0436 \uFB01 \u65E5"), "?? ? ?");
    EXPECT_EQ(Encode(*page, u"\U0001F600"), "??");
    EXPECT_EQ(Encode(*page, std::u16string_view(u"a\xD800"
                                                "b\xDC00",
                                                4)),
              "a?b?");
    EXPECT_EQ(Encode(*page, u"\u2013\u2014\u201C\u201D\u2026\u2122"), "\x96\x97\x93\x94\x85\x99");
}

TEST(AnsiPage, SingleByteRoundTripKeepsUndefinedBytes) {
    // Windows carries 1252's five undefined bytes as U+0081 etc.
    const auto page = CodePage::Open("CP1252", 1252);
    ASSERT_TRUE(page);
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const std::u16string wide = Decode(*page, all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0x81], u'\u0081');
    EXPECT_EQ(wide[0x80], u'\u20AC');
    EXPECT_EQ(Encode(*page, wide), all);
}

TEST(AnsiPage, Utf8HandlesSurrogatesAndInvalidBytes) {
    const auto page = CodePage::OpenWindows(65001);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->kind(), CodePage::Kind::Utf8);
    EXPECT_EQ(Encode(*page, u"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Encode(*page, std::u16string_view(u"\xDC00"
                                                "x\xD800",
                                                3)),
              "?x?");
    EXPECT_EQ(Decode(*page, "\xF0\x9F\x98\x80\xC3\xA9"), u"\U0001F600\u00E9");
    // Overlong forms, encoded surrogates, stray continuation bytes and a cut
    // sequence each give U+FFFD per byte.
    EXPECT_EQ(Decode(*page, "\xC0\x80"
                            "a\xED\xA0\x80"
                            "b\x80"
                            "c\xE2\x82"),
              u"\uFFFD\uFFFDa\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFD");
}

TEST(AnsiPage, OutputBufferIsReusedWithoutGrowing) {
    const auto page = CodePage::OpenWindows(65001);
    std::string out;
    out.reserve(64);
    const char* storage = out.data();
    page->Encode(u"first value", out);
    page->Encode(u"2nd", out);
    EXPECT_EQ(out, "2nd");
    EXPECT_EQ(out.data(), storage);
}

TEST(AnsiPage, MultiByteJapanesePageGoesThroughIconv) {
    const auto page = CodePage::OpenWindows(932);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->kind(), CodePage::Kind::MultiByte);
    EXPECT_EQ(Encode(*page, u"A\u65E5\u672C"), "A\x93\xFA\x96\x7B");
    EXPECT_EQ(Encode(*page, u"\u0100\U0001F600!"), "A??"
                                                   "!");
    EXPECT_EQ(Decode(*page, "A\x93\xFA"), u"A\u65E5");
    EXPECT_EQ(Decode(*page, "A\x93"), u"A\uFFFD");
}

TEST(TextPages, LocaleSelectsAnsiAndOemPages) {
    struct Case {
        const char* Locale;
        CodePage::Kind Ansi;
        const char* AnsiName;
        const char* OemName;
    };
    const Case cases[] = {
        {"", CodePage::Kind::Utf8, "UTF-8", "IBM437"},
        {"C", CodePage::Kind::Utf8, "UTF-8", "IBM437"},
        {"POSIX", CodePage::Kind::Utf8, "UTF-8", "IBM437"},
        {"en_US.UTF-8", CodePage::Kind::Utf8, "UTF-8", "IBM437"},
        {"en_GB.UTF-8", CodePage::Kind::Utf8, "UTF-8", "IBM850"},
        {"de_DE.utf8", CodePage::Kind::Utf8, "UTF-8", "IBM850"},
        {"de_DE", CodePage::Kind::SingleByte, "CP1252", "IBM850"},
        {"de_DE.ISO-8859-15@euro", CodePage::Kind::SingleByte, "ISO-8859-15", "IBM850"},
        {"pl_PL.UTF-8", CodePage::Kind::Utf8, "UTF-8", "IBM852"},
        {"ru_RU.KOI8-R", CodePage::Kind::SingleByte, "KOI8-R", "IBM866"},
        {"el_GR.UTF-8", CodePage::Kind::Utf8, "UTF-8", "CP737"},
        {"ja_JP.EUC-JP", CodePage::Kind::MultiByte, "EUC-JP", "CP932"},
        {"xx_YY.NO-SUCH-CODESET", CodePage::Kind::SingleByte, "CP1252", "IBM437"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Locale);
        const auto pages = MakeTextPages(c.Locale);
        ASSERT_TRUE(pages->Ansi && pages->Oem());
        EXPECT_EQ(pages->Ansi->kind(), c.Ansi);
        EXPECT_EQ(pages->Ansi->name(), c.AnsiName);
        EXPECT_EQ(pages->Oem()->name(), c.OemName);
    }
}

TEST(OemPage, ConvertsFromEitherAnsiPage) {
    // The same characters, whether the ANSI text is 1252 or UTF-8.
    EXPECT_EQ(Oem("en_US.CP1252", "M\xFCller \xC0 \x80"), "M\x81ller A ?");
    EXPECT_EQ(Oem("en_US.UTF-8", "M\xC3\xBCller \xC3\x80 \xE2\x82\xAC"), "M\x81ller A ?");
    EXPECT_EQ(Oem("de_DE.UTF-8", "\xC3\x80\xC3\x98"), "\xB7\x9D");
    EXPECT_EQ(Oem("ru_RU.UTF-8", "\xD0\x96\xD0\xB6"), "\x86\xA6");
    // Characters outside the plane take two units and become two "?".
    EXPECT_EQ(Oem("en_US.UTF-8", "a\xF0\x9F\x98\x80"
                                 "b"),
              "a??b");
    EXPECT_EQ(Oem("en_US.UTF-8", "a\xFF"
                                 "b"),
              "a?b");
}

// UTF-8 text goes to the OEM page by runs of ASCII moved down over what the
// characters before them gave back; a 1252 text of the same characters goes
// byte by byte through a table. Both must give the same bytes, wherever the
// runs start and end.
TEST(OemPage, MixedTextsGiveTheSameBytesFromEitherAnsiPage) {
    const auto cp1252 = MakeTextPages("de_DE.CP1252");
    const auto utf8 = MakeTextPages("de_DE.UTF-8");
    const char16_t others[] = {u'\u00FC', u'\u00E9', u'\u00C0', u'\u00D8', u'\u00DF', u'\u20AC', u'\u00FF', u'\u00A4'};
    std::mt19937 random(2024);
    for (int k = 0; k < 300; ++k) {
        std::u16string text;
        const auto length = random() % 200;
        const auto otherEvery = 1 + random() % 12;
        for (std::size_t i = 0; i < length; ++i)
            text += random() % otherEvery == 0 ? others[random() % std::size(others)]
                                               : static_cast<char16_t>(random() % 0x80);
        std::string fromAnsi, fromUtf8;
        cp1252->Ansi->Encode(text, fromAnsi);
        utf8->Ansi->Encode(text, fromUtf8);
        ConvertAnsiToOem(*cp1252, fromAnsi);
        ConvertAnsiToOem(*utf8, fromUtf8);
        ASSERT_EQ(vectors::ToHex(fromUtf8), vectors::ToHex(fromAnsi)) << k;
    }
}

TEST(OemPage, KeepsNulCharactersAndNeverGrows) {
    EXPECT_EQ(Oem("en_US.UTF-8", std::string("ab\0cd", 5)), std::string("ab\0cd", 5));
    EXPECT_EQ(Oem("en_US.CP1252", std::string("\xE9\0\xE9", 3)), std::string("\x82\0\x82", 3));
    EXPECT_EQ(Oem("en_US.UTF-8", ""), "");
    const std::string japanese = "\xE6\x97\xA5\xEF\xBD\xB1"; // a kanji and a half-width katakana
    const std::string converted = Oem("ja_JP.UTF-8", japanese);
    EXPECT_EQ(converted, "\x93\xFA\xB1");
}

void CheckOemTable(const std::string& file, const char* localeName) {
    const auto rows = vectors::Read(file);
    ASSERT_EQ(rows.size(), 224u);
    const auto ansiPages = MakeTextPages(localeName);
    const std::string utf8Locale = std::string(localeName).substr(0, 5) + ".UTF-8";
    const auto utf8Pages = MakeTextPages(utf8Locale);
    for (const auto& row : rows) {
        SCOPED_TRACE(file + " " + row[0]);
        std::string text = vectors::FromHex(row[0]);
        ConvertAnsiToOem(*ansiPages, text);
        EXPECT_EQ(vectors::ToHex(text), row[1]);

        // The same character reaching the OEM page from UTF-8 text.
        const char16_t unit = ansiPages->Ansi->CharFor(static_cast<uint8_t>(vectors::FromHex(row[0])[0]));
        std::string utf8;
        utf8Pages->Ansi->Encode(std::u16string(1, unit), utf8);
        ConvertAnsiToOem(*utf8Pages, utf8);
        EXPECT_EQ(vectors::ToHex(utf8), row[1]);
    }
}

TEST(OemVectors, CharToOem437And850) {
    if (!vectors::Available())
        GTEST_SKIP() << "no reference vectors";
    CheckOemTable("char-to-oem-437.tsv", "en_US.CP1252");
    CheckOemTable("char-to-oem-850.tsv", "de_DE.CP1252");
}

} // namespace
