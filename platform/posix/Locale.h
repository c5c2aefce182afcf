#pragma once
// Which Windows regional settings the POSIX build imitates. Values are
// written as the Windows runtime writes them in the user's locale, so the
// POSIX locale names of the environment are translated once into the
// Windows defaults of the nearest Windows locale.

#include <string>
#include <string_view>

namespace platform::posix {

// The Windows default patterns of one locale. Patterns use the Windows
// picture letters (d, M, y, h, H, m, s, t and '...' literals); designators
// are UTF-8 because a few locales spell them outside ASCII.
struct WindowsLocale {
    const char* Name;       // "de-DE"
    const char* Decimal;    // LOCALE_SDECIMAL
    const char* ShortDate;  // LOCALE_SSHORTDATE
    const char* TimeFormat; // LOCALE_STIMEFORMAT
    const char* AM;
    const char* PM;
    int AnsiCodePage; // used when the POSIX name carries no codeset
    int OemCodePage;
};

// The Windows locale for a POSIX locale name such as "de_DE.UTF-8@euro".
// C, POSIX, an empty name and every unknown language give en-US; a known
// language with an unknown territory gives that language's main locale.
const WindowsLocale& WindowsLocaleFor(std::string_view posixName);

// The codeset part of a POSIX locale name ("UTF-8" in "de_DE.UTF-8@euro"),
// empty when it has none.
std::string_view CodesetOf(std::string_view posixName);

// True for the names that select the portable C locale.
bool IsPortableLocale(std::string_view posixName);

// The locale names that govern each category, chosen from the environment
// the way setlocale(LC_xxx, "") chooses them: LC_ALL, then the category's
// own variable, then LANG; the first non-empty one wins.
struct LocaleNames {
    std::string Numeric; // decimal separator
    std::string Time;    // date and time patterns
    std::string Ctype;   // code pages
};

using EnvironmentLookup = const char* (*)(const char* name);
LocaleNames LocaleNamesFrom(EnvironmentLookup lookup);

// The names of this process, read from its environment once.
const LocaleNames& ProcessLocaleNames();

} // namespace platform::posix
