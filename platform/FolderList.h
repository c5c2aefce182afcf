#pragma once
// A list of folders in one text, as a search-path variable holds it.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The entries of text between separators, in order; empty ones are left out.
inline std::vector<std::string> SplitFolderList(std::string_view text, char separator) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            folders.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

} // namespace platform
