#include "engine/EmptyCells.h"

#include "core/Database.h"
#include "engine/Report.h"

namespace {

std::string Values(int64_t count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

} // namespace

std::string EmptyCellsWarning(int64_t undecoded, const UnrenderedCells& unrendered,
                              const std::vector<std::string>& names) {
    if (unrendered.Count == 0) {
        if (undecoded == 0)
            return {};
        return Values(undecoded) + (undecoded == 1 ? " could not be decoded and was written empty"
                                                   : " could not be decoded and were written empty");
    }
    std::string text = Values(undecoded + unrendered.Count) + " written empty: ";
    if (undecoded > 0)
        text += std::to_string(undecoded) + " could not be decoded, ";
    text += std::to_string(unrendered.Count) + " could not be written as text, the first in field ";
    const auto column = static_cast<std::size_t>(unrendered.FirstColumn);
    text += column < names.size() ? names[column] : std::string("?");
    text += " of row " + std::to_string(unrendered.FirstRow) + " (" + DescribeError(EngineError(unrendered.FirstCode)) +
            ")";
    return text;
}
