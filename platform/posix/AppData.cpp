#include "platform/Platform.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::string AppDataFolder() {
    // The per-user data folder of the XDG base directories plays the part of
    // the roaming application-data folder. A relative XDG_DATA_HOME is not
    // valid there and is ignored, as other programs ignore it.
    std::string folder = Environment("XDG_DATA_HOME");
    if (folder.empty() || folder.front() != '/') {
        const std::string home = Environment("HOME");
        if (home.empty())
            return {};
        folder = home;
        if (folder.back() != '/')
            folder.push_back('/');
        folder.append(".local/share");
    }

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return {};
    return folder;
}

} // namespace platform
