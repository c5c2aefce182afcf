#include "jet/Names.h"

namespace jet {

char16_t FoldCase(char16_t unit) {
    if (unit >= u'a' && unit <= u'z')
        return static_cast<char16_t>(unit - 0x20);
    // Latin-1 lower-case letters, except the division sign and the two
    // letters without a Latin-1 capital.
    if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7)
        return static_cast<char16_t>(unit - 0x20);
    // Greek and Cyrillic basic lower-case ranges.
    if ((unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) || (unit >= 0x430 && unit <= 0x44F))
        return static_cast<char16_t>(unit - 0x20);
    if (unit >= 0x450 && unit <= 0x45F)
        return static_cast<char16_t>(unit - 0x50);
    return unit;
}

namespace {

int Compare(std::u16string_view a, std::u16string_view b, bool fold) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t k = 0; k < common; ++k) {
        const char16_t x = fold ? FoldCase(a[k]) : a[k];
        const char16_t y = fold ? FoldCase(b[k]) : b[k];
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

} // namespace

int CompareNames(std::u16string_view a, std::u16string_view b) {
    const int folded = Compare(a, b, true);
    return folded != 0 ? folded : Compare(a, b, false);
}

bool SameName(std::u16string_view a, std::u16string_view b) { return Compare(a, b, true) == 0; }

} // namespace jet
