#pragma once
// The wizard's memory between runs: conversion options in a settings file
// beside the program, recent source databases and output folders in the
// per-user registry.

#include "engine/Settings.h"

#include <string>
#include <string_view>

// Registry key of the recent lists, under the current user.
extern const char* const kWizardsRegistryKey;

// The program's own path with the extension of its file name replaced by
// ".ini" (".ini" appended when the name has none).
std::string SettingsFilePath();
std::string SettingsFilePath(const std::string& executablePath);

// Reads the settings file over the defaults already in the record; missing
// keys take defaults of their own, a missing file gives all of them.
void LoadSettings(ConversionSettings& settings);
void LoadSettings(ConversionSettings& settings, const std::string& settingsFile);
// Writes the options the wizard lets the user change.
void SaveSettings(const ConversionSettings& settings);
void SaveSettings(const ConversionSettings& settings, const std::string& settingsFile);

// False, with out empty, when the value is missing or longer than 254 bytes.
bool ReadRegistryValue(std::string_view name, std::string& out);
bool WriteRegistryValue(std::string_view name, std::string_view text);

// The drop-down list a recent list fills.
class RecentListBox {
public:
    virtual ~RecentListBox() = default;
    virtual void AddString(std::string_view text) = 0;
};

// Ten registry values prefix0 to prefix9, most recent first.
void FillRecentList(RecentListBox& box, std::string_view prefix);
void AddRecentEntry(std::string_view path, std::string_view prefix);
