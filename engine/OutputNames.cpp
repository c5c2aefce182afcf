#include "engine/OutputNames.h"

#include "engine/TableForm.h"

#include "platform/FileNames.h"
#include "platform/Platform.h"

namespace {

std::string Extension(const ConversionSettings& settings) {
    if (settings.Extension)
        return *settings.Extension;
    return FormFor(settings)->Extension();
}

std::string Stem(std::string_view tableName) {
    // "." and ".." would name the folder or its parent without an extension.
    if (tableName.empty() || tableName == "." || tableName == "..")
        return "_";
    return std::string(tableName);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder + platform::PathSeparator + name;
}

std::string TableKey(const ConversionSettings& settings, const std::string& folder, std::string_view tableName) {
    std::string key = folder;
    key.push_back('\0');
    key.append(tableName);
    key.push_back('\0');
    key.append(Extension(settings));
    return key;
}

// Free for the table: nobody's, or the table's own already.
bool FreeFor(const ConversionSettings& settings, const std::string& path, std::string_view tableName) {
    const auto owner = settings.FileOwners.find(platform::FileNameKey(path));
    return owner == settings.FileOwners.end() || owner->second == tableName;
}

// The first of NAME.ext, NAME~2.ext, NAME~3.ext... that no other table of the run has.
std::string FreeFile(const ConversionSettings& settings, const std::string& folder, std::string_view tableName) {
    const std::string stem = Stem(tableName);
    const std::string extension = Extension(settings);
    std::string path = InFolder(folder, TableFileName(tableName, extension));
    for (int n = 2; !FreeFor(settings, path, tableName); ++n)
        path = InFolder(folder, platform::ValidFileName(stem + "~" + std::to_string(n) + extension));
    return path;
}

} // namespace

std::string TableFileName(std::string_view tableName, std::string_view extension) {
    return platform::ValidFileName(Stem(tableName) + std::string(extension));
}

std::string ClaimTableFile(ConversionSettings& settings, const std::string& folder, std::string_view tableName) {
    const std::string key = TableKey(settings, folder, tableName);
    if (const auto known = settings.TableFiles.find(key); known != settings.TableFiles.end())
        return known->second;
    const std::string path = FreeFile(settings, folder, tableName);
    settings.FileOwners.emplace(platform::FileNameKey(path), std::string(tableName));
    settings.TableFiles.emplace(key, path);
    if (path != InFolder(folder, std::string(tableName) + Extension(settings)))
        settings.Notes.push_back("table " + std::string(tableName) + " is written to " + path);
    return path;
}

void ClaimNamedFile(ConversionSettings& settings, const std::string& path, std::string_view tableName) {
    settings.FileOwners.emplace(platform::FileNameKey(path), std::string(tableName));
}

std::string TableFileIn(const ConversionSettings& settings, const std::string& folder, std::string_view tableName) {
    if (const auto known = settings.TableFiles.find(TableKey(settings, folder, tableName));
        known != settings.TableFiles.end())
        return known->second;
    return FreeFile(settings, folder, tableName);
}
