#include "platform/FileNames.h"

namespace platform {

std::string ValidFileName(std::string_view name) {
    std::string valid(name);
    for (char& c : valid)
        if (c == '/' || c == '\0')
            c = '_';
    return valid;
}

std::string FileNameKey(std::string_view path) { return std::string(path); }

} // namespace platform
