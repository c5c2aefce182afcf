#pragma once
// Object names as the collections compare them: without regard to case.

#include <string_view>

namespace jet {

char16_t FoldCase(char16_t unit);
// Negative, zero or positive; names equal but for case compare by code units
// so that the order is total.
int CompareNames(std::u16string_view a, std::u16string_view b);
bool SameName(std::u16string_view a, std::u16string_view b);

} // namespace jet
