#pragma once
// The database's sort order for names, as its indexes and the engine's
// collections order them: without regard to case, punctuation before digits
// before letters, accented letters beside their base letters.

#include <cstdint>
#include <string_view>

namespace jet {

// Negative, zero or positive. sortOrder is the header's collation LCID
// (0x0409 General; a few national orders move letters behind z). Distinct
// names never compare equal, so the order is total.
int CollateNames(std::u16string_view a, std::u16string_view b, uint16_t sortOrder);

} // namespace jet
