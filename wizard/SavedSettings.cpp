#include "wizard/SavedSettings.h"

#include "platform/Platform.h"

#include <string>
#include <vector>

const char* const kWizardsRegistryKey = "Software\\Quorvane\\Wizards";

namespace {

constexpr int kRecentEntries = 10;
constexpr std::size_t kRegistryBufferBytes = 255;

std::string RecentValueName(std::string_view prefix, int index) { return std::string(prefix) + std::to_string(index); }

// The profile reader drops blanks around a value and one pair of quotes; a
// value that would lose either (a TAB field delimiter, an escape of two double
// quotes) is written inside quotes so that it reads back exactly.
std::string Protected(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    auto quote = [](char c) { return c == '"' || c == '\''; };
    bool needsQuotes = !value.empty() && (blank(value.front()) || blank(value.back()) ||
                                          (value.size() >= 2 && quote(value.front()) && value.front() == value.back()));
    return needsQuotes ? "\"" + std::string(value) + "\"" : std::string(value);
}

std::string RecordsName(std::string_view records) {
    if (records == "\r\n")
        return "CRLF";
    if (records == "\r")
        return "CR";
    if (records == "\n")
        return "LF";
    return std::string(records);
}

const char* DateName(int32_t index) {
    return (index >= 1 && index <= 9) ? kDateFormatKeywords[index] : kDateFormatKeywords[0];
}

} // namespace

std::string SettingsFilePath(const std::string& executablePath) {
    std::size_t nameStart = executablePath.rfind(platform::PathSeparator);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = executablePath.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return executablePath + ".ini";
    return executablePath.substr(0, dot) + ".ini";
}

std::string SettingsFilePath() { return SettingsFilePath(platform::ExecutablePath()); }

void LoadSettings(ConversionSettings& settings) { LoadSettings(settings, SettingsFilePath()); }

void LoadSettings(ConversionSettings& settings, const std::string& file) {
    using platform::ReadProfileInt;
    using platform::ReadProfileString;
    settings.Log = ReadProfileInt("Common", "Log", 0, file);
    settings.CodePage = ReadProfileInt("Common", "CodePage", 0, file);
    settings.OverWrite = ReadProfileInt("Common", "OverWrite", 1, file);
    settings.Open = ReadProfileInt("Common", "Open", 1, file);
    settings.RemoveTrail = ReadProfileInt("Varnex", "RemoveTrail", 1, file);
    settings.RemoveCRLF = ReadProfileInt("Varnex", "RemoveCRLF", 1, file);
    settings.Header = ReadProfileInt("Varnex", "Header", 0, file);
    settings.DoubleQuotes = ReadProfileInt("Varnex", "DoubleQuotes", 1, file);
    // One character beyond what the record holds: a longer saved path is
    // then known to be too long, and refused rather than used cut.
    settings.OutputPath =
        ReadProfileString("Varnex", "Target", settings.OutputPath.str(), file, kSystemPathCapacity + 1);
    settings.Escape = ReadProfileString("Varnex", "Escape", "\"", file, kPathCapacity);
    settings.ReplaceCommaTo = ReadProfileString("Varnex", "ReplaceCommaTo", "", file, kPathCapacity);
    settings.Fields = ReadProfileString("Varnex", "Fields", ",", file, kPathCapacity);
    settings.Records = ReadProfileString("Varnex", "Records", "CRLF", file, kPathCapacity);
    const std::string date = ReadProfileString("Varnex", "Date", "", file, kPathCapacity);
    for (int32_t i = 0; i < 10; ++i)
        if (EqualsNoCase(date, kDateFormatKeywords[i]))
            settings.DateFormat = i;
}

void SaveSettings(const ConversionSettings& settings) { SaveSettings(settings, SettingsFilePath()); }

void SaveSettings(const ConversionSettings& settings, const std::string& file) {
    using platform::WriteProfileString;
    WriteProfileString("Common", "Log", std::to_string(settings.Log), file);
    WriteProfileString("Common", "CodePage", std::to_string(settings.CodePage), file);
    WriteProfileString("Common", "OverWrite", std::to_string(settings.OverWrite), file);
    WriteProfileString("Common", "Open", std::to_string(settings.Open), file);
    WriteProfileString("Varnex", "Target", Protected(settings.OutputPath), file);
    WriteProfileString("Varnex", "RemoveTrail", std::to_string(settings.RemoveTrail), file);
    WriteProfileString("Varnex", "RemoveCRLF", std::to_string(settings.RemoveCRLF), file);
    WriteProfileString("Varnex", "DoubleQuotes", std::to_string(settings.DoubleQuotes), file);
    WriteProfileString("Varnex", "Header", std::to_string(settings.Header), file);
    WriteProfileString("Varnex", "Escape", Protected(settings.Escape), file);
    WriteProfileString("Varnex", "Fields", Protected(settings.Fields), file);
    WriteProfileString("Varnex", "Records", Protected(RecordsName(settings.Records)), file);
    WriteProfileString("Varnex", "Date", DateName(settings.DateFormat), file);
}

bool ReadRegistryValue(std::string_view name, std::string& out) {
    return platform::ReadRegistryString(kWizardsRegistryKey, name, out, kRegistryBufferBytes);
}

bool WriteRegistryValue(std::string_view name, std::string_view text) {
    return platform::WriteRegistryString(kWizardsRegistryKey, name, text);
}

void FillRecentList(RecentListBox& box, std::string_view prefix) {
    std::string entry;
    for (int i = 0; i < kRecentEntries; ++i)
        if (ReadRegistryValue(RecentValueName(prefix, i), entry) && !entry.empty())
            box.AddString(entry);
}

void AddRecentEntry(std::string_view path, std::string_view prefix) {
    std::vector<std::string> list{std::string(path)};
    std::string entry;
    for (int i = 0; i < kRecentEntries; ++i) {
        ReadRegistryValue(RecentValueName(prefix, i), entry);
        if (!EqualsNoCase(entry, path))
            list.push_back(entry);
    }
    for (int i = 0; i < kRecentEntries; ++i)
        WriteRegistryValue(RecentValueName(prefix, i), list[static_cast<std::size_t>(i)]);
}
