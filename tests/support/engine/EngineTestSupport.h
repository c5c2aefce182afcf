#pragma once
// Shared pieces of the engine's tests: a scratch folder, a settings record
// with the usual CSV choices, and windows that record what they were told.

#include "engine/Settings.h"
#include "engine/TableListWindow.h"
#include "platform/Platform.h"
#include "tests/support/MemoryDatabase.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace enginetest {

using ::ScratchFolder;

// The names in a folder, sorted.
inline std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing file " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A display, as a list of what it was told. It can also stand in for the
// user's Cancel, pressed once a given number of records of the run is written.
class RecordingProgress : public ProgressDisplay {
public:
    explicit RecordingProgress(ConversionSettings* settings = nullptr, int stopAtRecords = 0)
        : settings_(settings), stopAtRecords_(stopAtRecords) {}
    void* Handle() const override { return const_cast<RecordingProgress*>(this); }
    void SetCurrentFileText(std::string_view text) override { Events.push_back("file " + std::string(text)); }
    void ProgressStartTable(int32_t records) override {
        Events.push_back("start " + std::to_string(records));
        earlierTables_ += Written;
        Written = 0;
    }
    void ProgressRecords(int32_t written) override {
        ++Reports;
        Written = written;
        Events.push_back("records " + std::to_string(written));
        if (settings_ && stopAtRecords_ > 0 && earlierTables_ + written >= stopAtRecords_)
            settings_->StopRequested = 1;
    }

    std::vector<std::string> Events;
    int Reports = 0;
    int32_t Written = 0; // of the current table

private:
    int64_t earlierTables_ = 0;
    ConversionSettings* settings_;
    int stopAtRecords_;
};

class RecordingTableList : public TableListWindow {
public:
    void* Handle() const override { return const_cast<RecordingTableList*>(this); }
    std::string PasswordText() const override { return Password; }
    void ResetContent() override {
        Items.clear();
        Events.push_back("reset");
    }
    void AddString(std::string_view name) override {
        Items.emplace_back(name);
        Events.push_back("add " + std::string(name));
    }
    void SelectAll() override { Events.push_back("select all"); }

    std::string Password;
    std::vector<std::string> Items;
    std::vector<std::string> Events;
};

// Every test starts from an empty registry and the usual CSV choices:
// comma, CR LF, a header line, quoted text with doubled quotes.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        settings.Fields = ",";
        settings.Records = "\r\n";
        settings.Escape = "\"";
        settings.DoubleQuotes = 1;
        settings.Header = 1;
        settings.ExportRecords = 1;
        settings.OutputPath = folder.Path();
    }
    ~EngineTest() override { memdb::ClearRegistry(); }

    // A database of two small tables, registered at path.
    std::shared_ptr<memdb::File> PeopleAndPets(const std::string& path) {
        auto file = memdb::Register(path);
        file->AddTable("People", {{"Id", DaoType::Long}, {"Name", DaoType::Text}})
            .Row({memdb::Long(1), memdb::Text("Ann")})
            .Row({memdb::Long(2), memdb::Null()});
        file->AddTable("Pets", {{"Pet", DaoType::Text}}).Row({memdb::Text("Rex")});
        return file;
    }

    // Opens a registered database the way the run does, without a window.
    void Open(const std::string& path) {
        settings.SourcePath = path;
        ASSERT_TRUE(memdb::Find(path)) << "not registered: " << path;
        settings.CurrentDatabase = memdb::Engine().OpenDatabase(memdb::Widen(path), 1, true, std::nullopt);
    }

    ScratchFolder folder;
    ConversionSettings settings;
};

} // namespace enginetest
