// Name lists and keywords are compared with a fold of a to z only, so that
// accented letters in table and field names keep their exact bytes whatever
// the user's locale says about them.

#include "engine/Settings.h"
#include "platform/AsciiCase.h"

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = platform::AsciiUpper(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return platform::EqualsAsciiNoCase(a, b); }

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && EqualsNoCase(text.substr(text.size() - ending.size()), ending);
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}
