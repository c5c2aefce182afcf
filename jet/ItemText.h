#pragma once
// The text of one item of a multi-value column. Items reach the cell as
// text, so numbers are written plainly, independent of any locale.

#include "core/Variant.h"

#include <string>

namespace jet {

void AppendItemText(const Variant& value, std::u16string& out);

} // namespace jet
