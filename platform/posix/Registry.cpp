// The per-user registry stands in as one profile file in the user's
// configuration folder: each subkey is a section, each value a key. Values are
// always written in quotes, so blanks and quotes at their ends survive the
// profile reader, which strips one pair of quotes and the blanks outside them.

#include "platform/Platform.h"
#include "platform/posix/ProfileFile.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

// A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory
// convention asks.
std::string ConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

std::string RegistryFolder() {
    std::string config = ConfigFolder();
    return config.empty() ? std::string() : config + "/varnex";
}

// Creates the folder and any missing parents, private to the user as the
// base-directory convention asks of folders it has to create.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

bool ReadRegistryString(std::string_view subkey, std::string_view name, std::string& out, std::size_t bufferBytes) {
    out.clear();
    std::string folder = RegistryFolder();
    if (folder.empty())
        return false;
    std::optional<profile::ProfileFile> file = profile::ProfileFile::Load(folder + "/registry.ini");
    if (!file)
        return false;
    std::optional<std::string> raw = file->Find(subkey, name);
    if (!raw)
        return false;
    std::string_view value = *raw;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    // The value is stored with its terminating NUL, which must fit as well.
    if (value.size() + 1 > bufferBytes)
        return false;
    out = value;
    return true;
}

bool WriteRegistryString(std::string_view subkey, std::string_view name, std::string_view value) {
    const std::string_view unstorable("\r\n\0", 3);
    if (value.find_first_of(unstorable) != std::string_view::npos)
        return false;
    std::string folder = RegistryFolder();
    if (folder.empty() || !MakeFolders(folder))
        return false;
    return WriteProfileString(subkey, name, "\"" + std::string(value) + "\"", folder + "/registry.ini");
}

} // namespace platform
