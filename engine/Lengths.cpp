#include "engine/Lengths.h"

#include "engine/Report.h"
#include "platform/Platform.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) { return c == '/' || c == platform::PathSeparator; }

std::size_t LongestName(std::string_view path) {
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    }
    return longest;
}

template <std::size_t Capacity>
std::string Problem(std::string_view what, const SettingText<Capacity>& text) {
    return PathLengthProblem(what, text.str(), text.GivenSize());
}

} // namespace

std::string PathLengthProblem(std::string_view what, std::string_view path, std::size_t givenSize) {
    if (givenSize > kSystemPathCapacity)
        return std::string(what) + " is " + std::to_string(givenSize) + " characters long; this system takes at most " +
               std::to_string(kSystemPathCapacity);
    const std::size_t name = LongestName(path);
    if (name > platform::kLongestName)
        return std::string(what) + " holds a name of " + std::to_string(name) +
               " characters; this system takes at most " + std::to_string(platform::kLongestName);
    return {};
}

std::string LengthRefusal(const ConversionSettings& settings) {
    for (std::string problem :
         {Problem("the database path", settings.SourcePath), Problem("the output path", settings.OutputPath),
          Problem("the status file's path", settings.StatusFile)})
        if (!problem.empty())
            return problem;
    if (settings.Password.Cut())
        return "the password is " + std::to_string(settings.Password.GivenSize()) + " characters long; at most " +
               std::to_string(kPathCapacity) + " are taken";
    if (settings.Log) {
        const std::string log = ActivityLogPath(platform::AppDataFolder());
        if (std::string problem = PathLengthProblem("the activity log's path", log, log.size()); !problem.empty())
            return problem;
    }
    return {};
}
