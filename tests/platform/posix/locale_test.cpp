// Which Windows locale the environment's POSIX locale names stand for.

#include "platform/posix/Locale.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using platform::posix::CodesetOf;
using platform::posix::LocaleNamesFrom;
using platform::posix::WindowsLocaleFor;

std::map<std::string, std::string>& FakeEnvironment() {
    static std::map<std::string, std::string> variables;
    return variables;
}

const char* FakeLookup(const char* name) {
    const auto found = FakeEnvironment().find(name);
    return found == FakeEnvironment().end() ? nullptr : found->second.c_str();
}

TEST(LocaleNames, FirstNonEmptyOfAllCategoryAndLang) {
    auto& env = FakeEnvironment();
    env = {{"LANG", "fr_FR.UTF-8"}, {"LC_NUMERIC", "de_DE.UTF-8"}, {"LC_TIME", ""}};
    auto names = LocaleNamesFrom(FakeLookup);
    EXPECT_EQ(names.Numeric, "de_DE.UTF-8");
    EXPECT_EQ(names.Time, "fr_FR.UTF-8"); // empty LC_TIME does not count
    EXPECT_EQ(names.Ctype, "fr_FR.UTF-8");

    env["LC_ALL"] = "sv_SE.ISO-8859-1";
    names = LocaleNamesFrom(FakeLookup);
    EXPECT_EQ(names.Numeric, "sv_SE.ISO-8859-1");
    EXPECT_EQ(names.Time, "sv_SE.ISO-8859-1");
    EXPECT_EQ(names.Ctype, "sv_SE.ISO-8859-1");

    env = {{"LC_ALL", ""}, {"LC_CTYPE", "ja_JP.UTF-8"}};
    names = LocaleNamesFrom(FakeLookup);
    EXPECT_EQ(names.Numeric, "");
    EXPECT_EQ(names.Ctype, "ja_JP.UTF-8");
    env.clear();
}

TEST(WindowsLocale, NamesMapToTheNearestWindowsLocale) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "en-US"},
        {"C", "en-US"},
        {"C.UTF-8", "en-US"},
        {"POSIX", "en-US"},
        {"en_US.UTF-8", "en-US"},
        {"en_GB", "en-GB"},
        {"de_AT.UTF-8@euro", "de-AT"},
        {"de_CH.UTF-8", "de-CH"},
        {"de_BE.UTF-8", "de-DE"}, // unknown territory: the language's main locale
        {"fr_CA.UTF-8", "fr-CA"},
        {"pt_BR.UTF-8", "pt-BR"},
        {"no_NO.UTF-8", "nb-NO"},
        {"sv", "sv-SE"},
        {"ja_JP.eucJP", "ja-JP"},
        {"tlh_XX.UTF-8", "en-US"}, // unknown language
    };
    for (const auto& [posix, windows] : cases)
        EXPECT_STREQ(WindowsLocaleFor(posix).Name, windows) << posix;
}

TEST(WindowsLocale, CodesetIsThePartAfterTheDot) {
    EXPECT_EQ(CodesetOf("de_DE.UTF-8@euro"), "UTF-8");
    EXPECT_EQ(CodesetOf("en_US.CP1252"), "CP1252");
    EXPECT_EQ(CodesetOf("de_DE@euro"), "");
    EXPECT_EQ(CodesetOf("C"), "");
    EXPECT_TRUE(platform::posix::IsUtf8Codeset("utf8"));
    EXPECT_TRUE(platform::posix::IsUtf8Codeset("UTF-8"));
    EXPECT_FALSE(platform::posix::IsUtf8Codeset("UTF-16"));
}

} // namespace
