#include "engine/Report.h"

#include "engine/Settings.h"

#include <cstdio>

namespace {

constexpr std::string_view kLogName = "wizards.log";
constexpr std::size_t kLabelWidth = 10;

std::string_view UpToNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace

std::string FormatLogEntry(const platform::LocalTime& time, std::string_view label, std::string_view message) {
    // Each entry starts with its own line break, so the file starts with an
    // empty line and never ends with one. CR LF on every platform keeps one
    // log readable wherever it was written.
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "\r\n%04d.%02d.%02d %02d:%02d:%02d ", time.Year, time.Month, time.Day, time.Hour,
                  time.Minute, time.Second);
    label = UpToNul(label);
    message = UpToNul(message);
    std::string entry(stamp);
    entry.append(label);
    if (label.size() < kLabelWidth)
        entry.append(kLabelWidth - label.size(), ' ');
    entry.push_back(' ');
    entry.append(message);
    return entry;
}

std::string ActivityLogPath(const std::string& folder) {
    if (folder.empty())
        return {};
    std::string path = folder;
    if (path.back() != platform::PathSeparator)
        path.push_back(platform::PathSeparator);
    path.append(kLogName);
    return path;
}

void WriteLog(const std::string& folder, const platform::LocalTime& time, std::string_view label,
              std::string_view message) {
    // Without an application-data folder the name would land in the root of
    // the file system; the entry is dropped instead.
    if (folder.empty())
        return;
    const std::string path = ActivityLogPath(folder);
    if (path.size() > kSystemPathCapacity)
        return;

    // Opened and closed per entry so that other processes can append in turn;
    // one write per entry keeps their lines whole.
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr)
        return;
    const std::string entry = FormatLogEntry(time, label, message);
    std::fwrite(entry.data(), 1, entry.size(), file);
    std::fclose(file);
}

void WriteLog(std::string_view label, std::string_view message) {
    const std::string folder = platform::AppDataFolder();
    WriteLog(folder, platform::LocalNow(), label, message);
}
