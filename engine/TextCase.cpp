// Name lists and keywords are compared with a fold of a to z only, so that
// accented letters in table and field names keep their exact bytes whatever
// the user's locale says about them.

#include "engine/Settings.h"

namespace {

char UpperOne(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperOne(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperOne(a[i]) != UpperOne(b[i]))
            return false;
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && EqualsNoCase(text.substr(text.size() - ending.size()), ending);
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}
