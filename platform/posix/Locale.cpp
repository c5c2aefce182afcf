#include "platform/posix/Locale.h"

#include "platform/AsciiCase.h"

#include <array>
#include <cstdlib>

namespace platform::posix {

namespace {

// Windows' own defaults, not the glibc ones: the goal is the text a Windows
// machine with untouched regional settings would write. Within a language
// the first entry is the one an unknown territory falls back to.
constexpr std::array kLocales = {
    WindowsLocale{"en-US", ".", "M/d/yyyy", "h:mm:ss tt", "AM", "PM", 1252, 437},
    WindowsLocale{"en-GB", ".", "dd/MM/yyyy", "HH:mm:ss", "AM", "PM", 1252, 850},
    WindowsLocale{"en-AU", ".", "d/MM/yyyy", "h:mm:ss tt", "AM", "PM", 1252, 850},
    WindowsLocale{"en-CA", ".", "yyyy-MM-dd", "h:mm:ss tt", "a.m.", "p.m.", 1252, 850},
    WindowsLocale{"en-IE", ".", "dd/MM/yyyy", "HH:mm:ss", "a.m.", "p.m.", 1252, 850},
    WindowsLocale{"en-NZ", ".", "d/MM/yyyy", "h:mm:ss tt", "a.m.", "p.m.", 1252, 850},
    WindowsLocale{"de-DE", ",", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"de-AT", ",", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"de-CH", ".", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"de-LU", ",", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"fr-FR", ",", "dd/MM/yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"fr-CA", ",", "yyyy-MM-dd", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"fr-CH", ".", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"es-ES", ",", "dd/MM/yyyy", "H:mm:ss", "", "", 1252, 850},
    WindowsLocale{"it-IT", ",", "dd/MM/yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"nl-NL", ",", "d-M-yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"pt-BR", ",", "dd/MM/yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"pt-PT", ",", "dd/MM/yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"sv-SE", ",", "yyyy-MM-dd", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"da-DK", ",", "dd-MM-yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"nb-NO", ",", "dd.MM.yyyy", "HH:mm:ss", "", "", 1252, 850},
    WindowsLocale{"fi-FI", ",", "d.M.yyyy", "H:mm:ss", "", "", 1252, 850},
    WindowsLocale{"pl-PL", ",", "dd.MM.yyyy", "HH:mm:ss", "", "", 1250, 852},
    WindowsLocale{"cs-CZ", ",", "dd.MM.yyyy", "H:mm:ss", "", "", 1250, 852},
    WindowsLocale{"hu-HU", ",", "yyyy. MM. dd.", "H:mm:ss", "", "", 1250, 852},
    WindowsLocale{"ru-RU", ",", "dd.MM.yyyy", "H:mm:ss", "", "", 1251, 866},
    WindowsLocale{"uk-UA", ",", "dd.MM.yyyy", "H:mm:ss", "", "", 1251, 866},
    WindowsLocale{"el-GR", ",", "d/M/yyyy", "h:mm:ss tt", "\xCF\x80\xCE\xBC", "\xCE\xBC\xCE\xBC", 1253, 737},
    WindowsLocale{"tr-TR", ",", "dd.MM.yyyy", "HH:mm:ss", "\xC3\x96\xC3\x96", "\xC3\x96S", 1254, 857},
    WindowsLocale{"ja-JP", ".", "yyyy/MM/dd", "H:mm:ss", "\xE5\x8D\x88\xE5\x89\x8D", "\xE5\x8D\x88\xE5\xBE\x8C", 932,
                  932},
    WindowsLocale{"zh-CN", ".", "yyyy/M/d", "H:mm:ss", "\xE4\xB8\x8A\xE5\x8D\x88", "\xE4\xB8\x8B\xE5\x8D\x88", 936,
                  936},
    WindowsLocale{"ko-KR", ".", "yyyy-MM-dd", "tt h:mm:ss", "\xEC\x98\xA4\xEC\xA0\x84", "\xEC\x98\xA4\xED\x9B\x84", 949,
                  949},
};

// POSIX language codes that Windows spells differently.
std::string_view WindowsLanguage(std::string_view language) {
    if (language == "no" || language == "nn")
        return "nb";
    return language;
}

std::string_view Variable(EnvironmentLookup lookup, const char* name) {
    const char* value = lookup(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

std::string FirstNonEmpty(EnvironmentLookup lookup, const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const std::string_view value = Variable(lookup, name);
        if (!value.empty())
            return std::string(value);
    }
    return {};
}

} // namespace

bool IsPortableLocale(std::string_view posixName) {
    const std::string_view base = posixName.substr(0, posixName.find_first_of(".@"));
    return base.empty() || base == "C" || base == "POSIX";
}

std::string_view CodesetOf(std::string_view posixName) {
    const std::size_t dot = posixName.find('.');
    if (dot == std::string_view::npos)
        return {};
    std::string_view codeset = posixName.substr(dot + 1);
    return codeset.substr(0, codeset.find('@'));
}

const WindowsLocale& WindowsLocaleFor(std::string_view posixName) {
    if (IsPortableLocale(posixName))
        return kLocales[0];
    const std::string_view base = posixName.substr(0, posixName.find_first_of(".@"));
    const std::size_t underscore = base.find('_');
    std::string language;
    for (char c : base.substr(0, underscore))
        language.push_back(AsciiLower(c));
    language = std::string(WindowsLanguage(language));
    std::string name = language;
    if (underscore != std::string_view::npos) {
        name.push_back('-');
        for (char c : base.substr(underscore + 1))
            name.push_back(AsciiUpper(c));
    }

    for (const WindowsLocale& locale : kLocales)
        if (EqualsAsciiNoCase(locale.Name, name))
            return locale;
    for (const WindowsLocale& locale : kLocales) {
        const std::string_view localeName(locale.Name);
        if (localeName.substr(0, localeName.find('-')) == language)
            return locale;
    }
    return kLocales[0];
}

LocaleNames LocaleNamesFrom(EnvironmentLookup lookup) {
    LocaleNames names;
    names.Numeric = FirstNonEmpty(lookup, "LC_NUMERIC");
    names.Time = FirstNonEmpty(lookup, "LC_TIME");
    names.Ctype = FirstNonEmpty(lookup, "LC_CTYPE");
    return names;
}

const LocaleNames& ProcessLocaleNames() {
    // Read once: the environment is not expected to change under a running
    // conversion, and getenv is not safe against a concurrent setenv anyway.
    static const LocaleNames names = LocaleNamesFrom([](const char* name) -> const char* { return std::getenv(name); });
    return names;
}

} // namespace platform::posix
