#pragma once
// Stand-ins for the property sheet and the pages' controls, and a sheet that
// drives the five pages the way the real one does: each page initialised the
// first time it shows, presses handled after the message that posted them.

#include "engine/Settings.h"
#include "tests/support/engine/EngineTestSupport.h"
#include "tests/support/Environment.h"
#include "wizard/SavedSettings.h"
#include "wizard/pages/CompletionPage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/PageRules.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/RecentLists.h"
#include "wizard/pages/SourcePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wizardtest {

using enginetest::ReadAll;
using enginetest::ScratchFolder;
using enginetest::WriteAll;

class RecordingSheet : public WizardSheet {
public:
    void SetWizardButtons(unsigned mask) override { Buttons.push_back(mask); }
    void PressButton(WizardPress button) override { Presses.push_back(button); }
    unsigned LastButtons() const { return Buttons.empty() ? 0xFFu : Buttons.back(); }

    std::vector<unsigned> Buttons;
    std::deque<WizardPress> Presses;
};

class RecordingRecentBox : public RecentListBox {
public:
    void AddString(std::string_view text) override { Items.emplace_back(text); }
    std::vector<std::string> Items;
};

// The source page's boxes and its sorted multiple-selection list.
class FakeSourceControls : public SourceControls {
public:
    void* Handle() const override { return nullptr; }
    std::string PasswordText() const override { return Password; }
    void ResetContent() override { Tables.clear(); }
    void AddString(std::string_view name) override {
        // The list sorts its entries without regard to letter case.
        const auto before = [](const Entry& e, std::string_view n) { return UpperAscii(e.Name) < UpperAscii(n); };
        Tables.insert(std::lower_bound(Tables.begin(), Tables.end(), name, before), Entry{std::string(name), false});
    }
    void SelectAll() override {
        for (Entry& e : Tables)
            e.Selected = true;
    }
    void SetPathText(std::string_view path) override { Path = path; }
    void SetPasswordText(std::string_view password) override { Password = password; }
    RecentListBox& RecentDatabases() override { return Recent; }
    int32_t TableCount() const override { return static_cast<int32_t>(Tables.size()); }
    std::string TableName(int32_t index) const override { return Tables.at(static_cast<std::size_t>(index)).Name; }
    bool IsTableSelected(int32_t index) const override { return Tables.at(static_cast<std::size_t>(index)).Selected; }
    void SelectNone() override {
        for (Entry& e : Tables)
            e.Selected = false;
    }
    void ShowReason(std::string_view reason) override { Reason = reason; }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Entry& e : Tables)
            names.push_back(e.Name);
        return names;
    }
    void Select(std::string_view name, bool selected = true) {
        for (Entry& e : Tables)
            if (e.Name == name)
                e.Selected = selected;
    }

    struct Entry {
        std::string Name;
        bool Selected;
    };
    std::vector<Entry> Tables;
    std::string Path;
    std::string Password;
    std::string Reason;
    RecordingRecentBox Recent;
};

class RecordingOpener : public FileOpener {
public:
    bool Open(const std::string& file) override {
        Opened.push_back(file);
        return OpenSucceeds;
    }
    void OpenWith(const std::string& parameters) override { OpenedWith.push_back(parameters); }
    bool OpenSucceeds = true;
    std::vector<std::string> Opened;
    std::vector<std::string> OpenedWith;
};

// The wizard's registry values start empty for each test. Where the registry
// is the user's real one (Windows) the values found are put back afterwards;
// the POSIX stand-in is pointed at the test's scratch folder besides.
class RegistrySetAside {
public:
    RegistrySetAside() {
        for (const std::string& name : Names()) {
            std::string value;
            if (ReadRegistryValue(name, value))
                kept_.emplace_back(name, value);
            WriteRegistryValue(name, "");
        }
    }
    ~RegistrySetAside() {
        for (const std::string& name : Names())
            WriteRegistryValue(name, "");
        for (const auto& [name, value] : kept_)
            WriteRegistryValue(name, value);
    }
    RegistrySetAside(const RegistrySetAside&) = delete;
    RegistrySetAside& operator=(const RegistrySetAside&) = delete;

private:
    static std::vector<std::string> Names() {
        std::vector<std::string> names{kLastDatabaseValue, kLastFolderValue};
        for (const char* prefix : {kRecentDatabases, kRecentFolders})
            for (int i = 0; i < 10; ++i)
                names.push_back(prefix + std::to_string(i));
        return names;
    }
    std::vector<std::pair<std::string, std::string>> kept_;
};

// The recent lists and the status file of one test live in its scratch folder.
class PageTest : public ::testing::Test {
protected:
    PageTest() {
        InitSettings(settings);
        settings.StatusFile = folder / "status.ini";
    }
    ~PageTest() override { memdb::ClearRegistry(); }

    std::string Status() { return platform::ReadProfileString("Varnex", "Result", "<none>", folder / "status.ini"); }

    // Two tables whose listed (sorted) order differs from their stored order.
    std::shared_ptr<memdb::File> ZooDatabase(const std::string& path) {
        WriteAll(path, "");
        auto file = memdb::Register(path);
        file->AddTable("Zebras", {{"Name", DaoType::Text}, {"Age", DaoType::Long}})
            .Row({memdb::Text("Zed"), memdb::Long(4)})
            .Row({memdb::Text("Zoe, \"the fast\""), memdb::Long(2)});
        file->AddTable("Ants", {{"Count", DaoType::Long}})
            .Row({memdb::Long(100)})
            .Row({memdb::Long(7)})
            .Row({memdb::Long(12)});
        file->AddTable("MSysObjects", {{"Id", DaoType::Long}});
        return file;
    }

    ScratchFolder folder;
    testenv::ScopedEnv registry{"XDG_CONFIG_HOME", folder / "config"};
    RegistrySetAside registryValues;
    ConversionSettings settings;
    RecordingSheet sheet;
};

// The progress page's controls, as a list of what they were made to show.
class RecordingControls : public ProgressControls {
public:
    void ShowFileText(std::string_view text) override { FileTexts.emplace_back(text); }
    void ShowBar(int32_t range, int32_t position) override { Bars.emplace_back(range, position); }
    void ShowTimes(std::string_view text) override { Times.emplace_back(text); }
    std::vector<std::string> FileTexts;
    std::vector<std::pair<int32_t, int32_t>> Bars;
    std::vector<std::string> Times;
};

// A clock that moves only when told; its seconds since 1970 follow its milliseconds.
struct FakeClock {
    static constexpr int64_t kEpochSeconds = 1'700'000'000;
    int64_t Milliseconds = 0;
    ProgressClock Make() {
        ProgressClock clock;
        clock.Milliseconds = [this] { return Milliseconds; };
        clock.Seconds = [this] { return kEpochSeconds + Milliseconds / 1000; };
        return clock;
    }
};

// The five pages in a sheet that handles presses the way the platform's
// does: after the handler that posted them, one at a time.
class WizardDriver {
public:
    enum Page { Welcome, Source, Output, Progress, Completion, Closed };

    WizardDriver(ConversionSettings& settings, RecordingSheet& sheet, std::string settingsFile)
        : settings_(settings), sheet_(sheet), welcome_(settings, sheet), source_(settings, sheet, SourceBoxes),
          output_(settings, sheet), progress_(settings, sheet), completion_(settings, sheet, std::move(settingsFile)),
          display_() {}

    // Shows the first page and handles every press that follows.
    void Start() {
        ShowPage(Welcome);
        Pump();
    }
    void Pump() {
        while (!sheet_.Presses.empty() && Current != Closed) {
            const WizardPress press = sheet_.Presses.front();
            sheet_.Presses.pop_front();
            if (press == WizardPress::Cancel)
                Current = Closed;
            else
                press == WizardPress::Next ? PressNext() : PressFinish();
        }
    }
    // The user's Next and Finish.
    void PressNext() {
        bool allowed = true;
        if (Current == Source)
            allowed = source_.WizardNext();
        else if (Current == Output)
            allowed = output_.WizardNext(FieldsText ? *FieldsText : Shown(View.FieldDelimiters),
                                         RecordsText ? *RecordsText : Shown(View.RecordDelimiters),
                                         EscapeText ? *EscapeText : View.Escape);
        else if (Current == Completion || Current == Closed)
            allowed = false;
        if (allowed)
            ShowPage(static_cast<Page>(Current + 1));
        Pump();
    }
    void PressFinish() {
        if (Current != Completion)
            return;
        completion_.WizardFinish(SaveChecked, OpenChecked, Opener);
        Current = Closed;
    }

    std::string Parameters() const { return completion_.Parameters(); }
    SourcePage& SourceLogic() { return source_; }
    OutputPage& OutputLogic() { return output_; }

    Page Current = Closed;
    FakeSourceControls SourceBoxes;
    RecordingRecentBox RecentFolders;
    OutputPageView View;
    std::string ShortDateOrder = "0";
    std::optional<std::string> FieldsText, RecordsText, EscapeText; // typed over the lists
    bool OpenChecked = false;
    bool SaveChecked = false;
    std::string ResultText;
    RecordingOpener Opener;

private:
    static std::string Shown(const ListChoice& choice) {
        return choice.Selected < 0 ? std::string() : choice.Entries[static_cast<std::size_t>(choice.Selected)];
    }

    void ShowPage(Page page) {
        Current = page;
        const bool first = !initialised_[page];
        initialised_[page] = true;
        switch (page) {
        case Welcome:
            if (first)
                welcome_.Initialise();
            welcome_.SetActive();
            break;
        case Source:
            if (first)
                source_.Initialise();
            source_.SetActive();
            break;
        case Output:
            if (first) {
                View = output_.Initialise(ShortDateOrder, RecentFolders);
            }
            output_.SetActive();
            break;
        case Progress:
            progress_.SetActive(display_, clock_.Make(), nullptr);
            progress_.RunWorker();
            break;
        case Completion:
            if (first)
                OpenChecked = completion_.Initialise();
            ResultText = completion_.SetActive(progress_.Outcome());
            break;
        case Closed: break;
        }
    }

    ConversionSettings& settings_;
    RecordingSheet& sheet_;
    WelcomePage welcome_;
    SourcePage source_;
    OutputPage output_;
    ProgressPage progress_;
    CompletionPage completion_;
    RecordingControls display_;
    FakeClock clock_;
    bool initialised_[5] = {};
};

// A zoo database and an output folder, named on the command line.
class WizardWalkTest : public PageTest {
protected:
    WizardWalkTest() {
        std::filesystem::create_directory(out);
        ZooDatabase(db);
        settings.SourcePath = db;
        settings.OutputPath = out;
    }

    std::string db = folder / "zoo.mdb";
    std::string out = folder / "out";
    std::string settingsFile = folder / "varnex.ini";
    WizardDriver wizard{settings, sheet, settingsFile};
};

} // namespace wizardtest
