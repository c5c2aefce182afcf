// The wizard under a window system, driven from outside as a user drives it:
// typing, clicking and reading what its pages show, with screenshots of each.

#include "tests/support/program/Fixtures.h"
#include "tests/wizard/win32/Driver.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace ui;

constexpr const char* kWelcome = "Quorvane Wizard";
constexpr const char* kSource = "Quorvane Wizard | Select MDB file";
constexpr const char* kOutput = "Quorvane Wizard | Select the output file";
constexpr const char* kProgress = "Quorvane Wizard | Conversion in progress";
constexpr const char* kComplete = "Quorvane Wizard | Conversion complete";
constexpr const char* kParametersCaption = "Press Ctrl-C to copy command line parameters to the clipboard";

std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty() && path.front() == '\\')
        path = "Z:" + path;
    return path;
}

// Splits the parameter text as the runtime splits a command line.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, any = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (any || !current.empty())
                args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.empty())
        args.push_back(current);
    return args;
}

// True when expected occurs in seen in this order, other values between allowed.
bool PassesThrough(const std::vector<std::string>& seen, const std::vector<std::string>& expected) {
    std::size_t next = 0;
    for (const std::string& value : seen)
        if (next < expected.size() && value == expected[next])
            ++next;
    return next == expected.size();
}

// What a watcher that polls the status file can promise of a run nobody
// holds up: every value it saw is one of the stages, in their order, and the
// last is the last stage. A stage that lasted less than one poll may be
// missed on a fast machine, so none is required but the last.
bool SeenInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& stages) {
    std::size_t at = 0;
    for (const std::string& value : seen) {
        while (at < stages.size() && stages[at] != value)
            ++at;
        if (at == stages.size())
            return false;
    }
    return !seen.empty() && seen.back() == stages.back();
}

std::string Joined(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values)
        out += "[" + value + "]";
    return out;
}

std::string RegistryValue(const char* name) {
    char value[512] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorvane\\Wizards", name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "(missing)";
    return value;
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = fs::temp_directory_path() / ("varnex-ui-" + std::to_string(std::random_device{}()));
        fs::create_directories(scratch_);
        program_ = (scratch_ / "varnex2007.exe").string();
        // A copy of its own: the settings file it saves lies beside it.
        fs::copy_file(WindowsPath(VARNEX_WIZARD_PROGRAM), program_);
        fixtures::WriteShop((scratch_ / "shop.mdb").string());
        status_ = (scratch_ / "status.ini").string();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvane\\Wizards");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

    std::string Path(const std::string& name) const { return (scratch_ / name).string(); }
    std::string StatusOption() const { return "/STATUS=" + status_; }

    // The unattended road of the same program, for comparison.
    void ConvertSilently(std::vector<std::string> args) {
        args.insert(args.begin(), "/SILENT");
        Process silent(program_, args, scratch_.string());
        ASSERT_TRUE(silent.Started());
        ASSERT_TRUE(silent.WaitForExit(120s));
    }

    fs::path scratch_;
    std::string program_;
    std::string status_;
};

bool ShowsPage(HWND sheet, const char* caption) { return Caption(sheet) == caption && CurrentPage(sheet) != nullptr; }

TEST_F(WizardTest, AUserWalksEveryPageConvertsAndFinishes) {
    StatusWatch watch(status_);
    Process wizard(program_, {StatusOption()}, scratch_.string());
    ASSERT_TRUE(wizard.Started());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);

    // Welcome: Next only.
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kWelcome); })) << Caption(sheet);
    EXPECT_TRUE(WaitUntil([&] { return Enabled(sheet, kNextButton) && !Enabled(sheet, kBackButton); }));
    EXPECT_TRUE(Screenshot(sheet, "1-welcome-page"));
    ClickItem(sheet, kNextButton);

    // Source: typing the path opens the database and lists its tables, all
    // selected; Next follows the selection.
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kSource); })) << Caption(sheet);
    HWND page = CurrentPage(sheet);
    const HWND tables = Item(page, 1015);
    EXPECT_EQ(ListCount(tables), 0);
    Type(Item(page, 1017), Path("shop.mdb"));
    ASSERT_TRUE(WaitUntil([&] { return ListCount(tables) == 2; }));
    EXPECT_EQ(ListText(tables, 0), "Customers");
    EXPECT_EQ(ListText(tables, 1), "Orders");
    EXPECT_TRUE(ListSelected(tables, 0) && ListSelected(tables, 1));
    ClickItem(page, 1050);
    EXPECT_TRUE(WaitUntil([&] { return !ListSelected(tables, 0) && !Enabled(sheet, kNextButton); }));
    ClickListEntry(tables, 1);
    EXPECT_TRUE(WaitUntil([&] { return ListSelected(tables, 1) && Enabled(sheet, kNextButton); }));
    EXPECT_FALSE(ListSelected(tables, 0));
    EXPECT_TRUE(Screenshot(sheet, "2-source-page"));
    ClickItem(sheet, kNextButton);

    // Output: the folder, a header line, tab delimiters, ANSI text and a date format.
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kOutput); })) << Caption(sheet);
    page = CurrentPage(sheet);
    Type(Item(page, 200), Path("out"));
    fs::create_directories(Path("out"));
    ClickItem(page, 1024);
    ChooseComboEntry(page, 1030, 2);
    ClickItem(page, 1026);
    ChooseComboEntry(page, 1037, 6);
    EXPECT_TRUE(WaitUntil([&] { return Enabled(sheet, kNextButton) && ItemText(page, 1030) == "TAB"; }));
    EXPECT_TRUE(Screenshot(sheet, "3-output-page"));
    ClickItem(sheet, kNextButton);

    // Completion: the counts, Finish only.
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kComplete); }, 60s)) << Caption(sheet);
    page = CurrentPage(sheet);
    EXPECT_EQ(ItemText(page, 1019), "1 tables (2 records) have been imported.");
    EXPECT_TRUE(WaitUntil([&] { return Enabled(sheet, kFinishButton); }));
    EXPECT_TRUE(Screenshot(sheet, "5-completion-page"));

    // The parameter text, read from its message box.
    ClickItem(page, 1034);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindTopWindow(wizard.Id(), kParametersCaption)) != nullptr; }));
    const std::string parameters = ItemText(box, 1101);
    EXPECT_TRUE(Screenshot(box, "6-parameters-window"));
    // No option is broken across lines, and the box is wide enough for its caption.
    EXPECT_EQ(parameters.find("\r\n"), parameters.rfind("\r\n")) << parameters;
    EXPECT_EQ(parameters.find("\r\n"), parameters.find("\r\n/SILENT")) << parameters;
    {
        HDC screen = GetDC(box);
        const HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
        const HGDIOBJ old = SelectObject(screen, font);
        SIZE caption = {};
        GetTextExtentPoint32A(screen, kParametersCaption, static_cast<int>(std::strlen(kParametersCaption)), &caption);
        SelectObject(screen, old);
        ReleaseDC(box, screen);
        RECT client = {};
        GetClientRect(box, &client);
        EXPECT_GT(client.right - client.left, caption.cx);
    }
    // Ctrl-C in the box copies the parameters, as the caption says. Sent, not
    // posted: the copy is done when the call returns, so the polling below
    // cannot hold the clipboard open while the box tries to take it.
    SendMessageA(Item(box, 1101), WM_CHAR, 3, 0);
    std::string copied;
    EXPECT_TRUE(WaitUntil(
        [&] {
            if (!OpenClipboard(nullptr))
                return false;
            if (const HANDLE data = GetClipboardData(CF_TEXT)) {
                if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                    copied = text;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
            return copied == parameters;
        },
        10s))
        << copied;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindTopWindow(wizard.Id(), kParametersCaption) == nullptr; }));
    EXPECT_NE(parameters.find("/OVERWRITE=1 "), std::string::npos) << parameters;
    EXPECT_NE(parameters.find("/YYYY-MM-DD "), std::string::npos) << parameters;
    EXPECT_NE(parameters.find("/ANSI "), std::string::npos) << parameters;
    EXPECT_NE(parameters.find("/SILENT"), std::string::npos) << parameters;

    // Finish saves the settings and, unchecked, opens nothing.
    ClickItem(page, 1020);
    ClickItem(page, 1021);
    EXPECT_TRUE(WaitUntil([&] {
        return SendMessageA(Item(page, 1021), BM_GETCHECK, 0, 0) == BST_CHECKED &&
               SendMessageA(Item(page, 1020), BM_GETCHECK, 0, 0) == BST_UNCHECKED;
    }));
    ClickItem(sheet, kFinishButton);
    ASSERT_TRUE(wizard.WaitForExit(30s));

    EXPECT_EQ(ListFolder(Path("out")), std::vector<std::string>{"Orders.csv"});
    const std::string orders = ReadFile(Path("out\\Orders.csv"));
    EXPECT_EQ(orders, "OrderID\tCustomer\tQty\r\n10\t1\t5\r\n11\t2\t-3\r\n");
    const std::vector<std::string> passage = watch.Passage();
    EXPECT_TRUE(PassesThrough(passage, {"Welcome dialog", "Source file selection", "Output file selection"}))
        << Joined(passage);
    ASSERT_FALSE(passage.empty());
    EXPECT_EQ(passage.back(), "Successful") << Joined(passage);
    // Leaving the source and output pages remembered both choices.
    EXPECT_EQ(RegistryValue("LastMDBFile"), Path("shop.mdb"));
    EXPECT_EQ(RegistryValue("MDBfiles0"), Path("shop.mdb"));
    EXPECT_EQ(RegistryValue("LastDir"), Path("out"));
    EXPECT_EQ(RegistryValue("CSVdirs0"), Path("out"));
    const std::string saved = ReadFile(Path("varnex2007.ini"));
    EXPECT_NE(saved.find("Header=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Date=YYYY-MM-DD"), std::string::npos) << saved;

    // The parameter text with the saved settings converts unattended to the same file.
    std::vector<std::string> args = {Path("shop.mdb"), Path("again")};
    fs::create_directories(Path("again"));
    for (const std::string& arg : SplitArguments(parameters))
        if (arg != "/SILENT")
            args.push_back(arg);
    ConvertSilently(args);
    EXPECT_EQ(ReadFile(Path("again\\Orders.csv")), orders);
}

TEST_F(WizardTest, BatchWithAPlainPathWalksThePagesAndConvertsAsTheUnattendedRoadDoes) {
    const char* linuxOutput = std::getenv("VARNEX_LINUX_OUTPUT");
    const fs::path sample = fs::path(WindowsPath(VARNEX_SOURCE_DIR)) / "samples" / "demo.mdb";
    fs::copy_file(sample, Path("demo.mdb"));
    fs::create_directories(Path("wizard"));
    fs::create_directories(Path("silent"));

    StatusWatch watch(status_);
    Process wizard(program_, {"/BATCH", Path("demo.mdb"), Path("wizard"), "/OPEN=0", StatusOption()},
                   scratch_.string());
    ASSERT_TRUE(wizard.Started());
    ASSERT_TRUE(wizard.WaitForExit(120s)) << "the batch walk stopped on: " << Caption(FindTopWindow(wizard.Id()));
    const std::vector<std::string> passage = watch.Passage();
    EXPECT_TRUE(SeenInOrder(passage, {"Welcome dialog", "Source file selection", "Output file selection",
                                      "Conversion In Progress", "Successful"}))
        << Joined(passage);

    ConvertSilently({Path("demo.mdb"), Path("silent")});
    const std::vector<std::string> files = ListFolder(Path("wizard"));
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files, ListFolder(Path("silent")));
    for (const std::string& file : files) {
        const std::string converted = ReadFile(Path("wizard\\" + file));
        EXPECT_EQ(converted, ReadFile(Path("silent\\" + file))) << file;
        if (linuxOutput != nullptr && *linuxOutput != '\0') {
            EXPECT_EQ(converted, ReadFile((fs::path(WindowsPath(linuxOutput)) / file).string()))
                << file << " differs from the Linux build's";
        }
    }
    if (linuxOutput == nullptr || *linuxOutput == '\0')
        std::printf("note: VARNEX_LINUX_OUTPUT not set; compared with the unattended road only\n");
}

TEST_F(WizardTest, BatchWithWaitStaysOnTheCompletionPage) {
    fs::create_directories(Path("out"));
    Process wizard(program_, {"/BATCH", "/WAIT", Path("shop.mdb"), Path("out"), "/OPEN=0", StatusOption()},
                   scratch_.string());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kComplete); }, 60s)) << Caption(sheet);
    EXPECT_EQ(ItemText(CurrentPage(sheet), 1019), "2 tables (5 records) have been imported.");
    EXPECT_FALSE(wizard.WaitForExit(1500ms));
    EXPECT_EQ(StatusResult(status_), "Successful");
    EXPECT_EQ(ListFolder(Path("out")), (std::vector<std::string>{"Customers.csv", "Orders.csv"}));
    ClickItem(sheet, kFinishButton);
    EXPECT_TRUE(wizard.WaitForExit(30s));
}

TEST_F(WizardTest, ARunWithFailedTablesEndsFailedAndSaysSo) {
    // No such output folder: no table's file can be created; the log takes
    // the failures instead of message boxes.
    Process wizard(program_,
                   {"/BATCH", "/WAIT", "/LOG", Path("shop.mdb"), Path("missing\\folder"), "/OPEN=0", StatusOption()},
                   scratch_.string());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kComplete); }, 60s)) << Caption(sheet);
    const HWND page = CurrentPage(sheet);
    EXPECT_EQ(ItemText(page, 1019), "2 tables (0 records) have been imported.");
    EXPECT_NE(ItemText(page, 1040).find("2 table(s) could not be converted."), std::string::npos)
        << ItemText(page, 1040);
    EXPECT_EQ(StatusResult(status_), "Failed");
    EXPECT_TRUE(Screenshot(sheet, "7-completion-page-failed-tables"));
    ClickItem(sheet, kFinishButton);
    EXPECT_TRUE(wizard.WaitForExit(30s));
}

TEST_F(WizardTest, ADatabaseThatDoesNotOpenSaysWhyOnThePageAndEndsABatchRunFailed) {
    fs::create_directories(Path("out"));
    Process batch(program_, {"/BATCH", Path("missing.mdb"), Path("out"), "/OPEN=0", StatusOption()}, scratch_.string());
    ASSERT_TRUE(batch.Started());
    ASSERT_TRUE(batch.WaitForExit(60s)) << "the batch walk stopped on: " << Caption(FindTopWindow(batch.Id()));
    EXPECT_EQ(StatusResult(status_), "Failed");
    char reason[512] = {};
    GetPrivateProfileStringA("Varnex", "Reason", "", reason, sizeof reason, status_.c_str());
    EXPECT_NE(std::string(reason), "");

    // Typed by a user: the list stays empty and the line under it says why.
    Process wizard(program_, {}, scratch_.string());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);
    ClickItem(sheet, kNextButton);
    ASSERT_TRUE(WaitUntil([&] { return ShowsPage(sheet, kSource); })) << Caption(sheet);
    const HWND page = CurrentPage(sheet);
    Type(Item(page, 1017), Path("missing.mdb"));
    // The words of the status file, which are those the unattended run prints.
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, 1051) == reason; })) << ItemText(page, 1051);
    EXPECT_EQ(ListCount(Item(page, 1015)), 0);
    EXPECT_TRUE(Screenshot(sheet, "2c-source-page-database-does-not-open"));
    ClickItem(sheet, IDCANCEL);
    EXPECT_TRUE(wizard.WaitForExit(30s));
}

// Numbered rows: line i holds i, so a file cut anywhere but at a record's end shows.
void WriteLongTable(const std::string& path, int64_t rows) {
    TableSpec table;
    table.name = "Long";
    table.columns = {{"ID", JetType::Long}, {"Twice", JetType::Long}, {"Label", JetType::Text, 20}};
    int64_t next = 1;
    table.producer = [next, rows](std::vector<CellValue>& row) mutable {
        if (next > rows)
            return false;
        row = {CellValue::fromInt(next), CellValue::fromInt(next * 2),
               CellValue::fromText("row " + std::to_string(next))};
        ++next;
        return true;
    };
    MdbDescription description;
    description.tables = {table};
    WriteMdb(description, path);
}

TEST_F(WizardTest, CancelDuringALongTableEndsOnAWholeRecordAndReportsFailure) {
    // Long enough that the page is still converting once its times show,
    // two seconds in, now that the wizard reads on every core.
    constexpr int64_t kRows = 2000000;
    WriteLongTable(Path("long.mdb"), kRows);
    fs::create_directories(Path("out"));
    StatusWatch watch(status_);
    // Appending, so the cancelled table's file stays to be read: a replacing
    // run would leave the previous file as it was instead.
    Process wizard(program_,
                   {"/BATCH", Path("long.mdb"), Path("out"), "/OPEN=0", "/QUOTES=0", "/OVERWRITE=NO", StatusOption()},
                   scratch_.string());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);
    const std::string file = Path("out\\Long.csv");
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::error_code error;
            return ShowsPage(sheet, kProgress) && fs::file_size(file, error) > 0 && !error;
        },
        90s))
        << Caption(sheet); // the first buffer fills slowly on a loaded machine
    const HWND page = CurrentPage(sheet);
    EXPECT_EQ(ItemText(page, 1021), "Long -> " + file);
    // The times show from two whole seconds on.
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, 1022).rfind("Elapsed time:\t", 0) == 0; }, 10s))
        << ItemText(page, 1022);
    EXPECT_FALSE(Enabled(sheet, kNextButton));
    EXPECT_FALSE(Enabled(sheet, kBackButton));
    EXPECT_TRUE(Screenshot(sheet, "4-progress-page-running"));
    ASSERT_EQ(Caption(sheet), kProgress) << "the table converted before it could be cancelled";

    ClickItem(sheet, IDCANCEL);
    ASSERT_TRUE(wizard.WaitForExit(30s));
    EXPECT_EQ(StatusResult(status_), "Failed") << Joined(watch.Passage());

    const std::string text = ReadFile(file);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::istringstream lines(text);
    std::string line;
    int64_t count = 0;
    bool ordered = true;
    while (std::getline(lines, line)) {
        ++count;
        const std::string expected =
            std::to_string(count) + "," + std::to_string(count * 2) + ",row " + std::to_string(count) + "\r";
        if (line != expected) {
            ordered = false;
            ADD_FAILURE() << "line " << count << ": " << line;
            break;
        }
    }
    EXPECT_TRUE(ordered);
    EXPECT_GT(count, 0);
    EXPECT_LT(count, kRows);
}

// A conversion stops from the keyboard exactly as from a click on Cancel:
// the disabled wizard buttons leave the focus on Cancel, where each of these
// keys reaches it.
TEST_F(WizardTest, EveryCancelKeyStopsARunningConversion) {
    constexpr int64_t kRows = 400000;
    WriteLongTable(Path("long.mdb"), kRows);
    struct Key {
        const char* name;
        WPARAM key;
        bool alt;
    };
    const Key keys[] = {
        {"Esc", VK_ESCAPE, false}, {"Enter", VK_RETURN, false}, {"Space", VK_SPACE, false}, {"Alt+F4", VK_F4, true}};
    for (const Key& key : keys) {
        SCOPED_TRACE(key.name);
        const std::string out = Path(std::string("out-") + (key.alt ? "altf4" : std::to_string(key.key)));
        const std::string status = out + ".ini";
        fs::create_directories(out);
        StatusWatch watch(status);
        Process wizard(program_, {"/BATCH", Path("long.mdb"), out, "/OPEN=0", "/STATUS=" + status}, scratch_.string());
        const HWND sheet = WaitForSheet(wizard);
        ASSERT_NE(sheet, nullptr);
        // The page names the table once its records are being written.
        ASSERT_TRUE(WaitUntil([&] {
            return ShowsPage(sheet, kProgress) && ItemText(CurrentPage(sheet), 1021).rfind("Long -> ", 0) == 0;
        })) << Caption(sheet);
        EXPECT_TRUE(WaitUntil([&] { return GetDlgCtrlID(FocusOf(sheet)) == IDCANCEL; }, 5s))
            << "focus on control " << GetDlgCtrlID(FocusOf(sheet));
        ASSERT_EQ(Caption(sheet), kProgress) << "the table converted before a key could stop it";
        PressKey(sheet, key.key, key.alt);
        ASSERT_TRUE(wizard.WaitForExit(30s)) << "still on: " << Caption(sheet);
        EXPECT_EQ(StatusResult(status), "Failed") << Joined(watch.Passage());
        const std::vector<std::string> passage = watch.Passage();
        EXPECT_EQ(std::find(passage.begin(), passage.end(), "Successful"), passage.end()) << Joined(passage);
    }
}

// The file dialog's "Files of type" box.
constexpr int kFileTypeBox = 0x470;

std::string BrowseFilterShown(const Process& wizard, HWND sheet, const std::string& shot) {
    ClickItem(sheet, kNextButton);
    if (!WaitUntil([&] { return ShowsPage(sheet, kSource); }))
        return "(no source page)";
    ClickItem(CurrentPage(sheet), 1012);
    HWND dialog = nullptr;
    WaitUntil([&] {
        dialog = FindTopWindow(wizard.Id(), "Open");
        return dialog != nullptr && Item(dialog, kFileTypeBox) != nullptr;
    });
    if (dialog == nullptr)
        return "(no file dialog)";
    const std::string filter = Text(Item(dialog, kFileTypeBox));
    if (!shot.empty())
        Screenshot(dialog, shot);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return FindTopWindow(wizard.Id(), "Open") == nullptr; });
    return filter;
}

TEST_F(WizardTest, TheTwoBuildsNameTheirFileTypesOnTheWelcomePageAndInTheFileDialog) {
    {
        Process wizard(program_, {}, scratch_.string());
        const HWND sheet = WaitForSheet(wizard);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(ItemText(CurrentPage(sheet), 1001),
                  "This program helps you convert your Access (.mdb, .accdb, .accde, .accdt, .accdr) files to Comma "
                  "Separated Values (.csv) format.\n\nIt is easy. Just follow the program instructions.");
        EXPECT_EQ(BrowseFilterShown(wizard, sheet, "2b-source-page-browse-dialog"),
                  "MDB (Access) files (*.mdb, *.accdb, *.accde, *.accdt, *.accdr)");
        ClickItem(sheet, IDCANCEL);
        EXPECT_TRUE(wizard.WaitForExit(30s));
    }
    const std::string jetProgram = Path("varnex.exe");
    fs::copy_file(WindowsPath(VARNEX_WIZARD_JET_PROGRAM), jetProgram);
    Process wizard(jetProgram, {}, scratch_.string());
    const HWND sheet = WaitForSheet(wizard);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(ItemText(CurrentPage(sheet), 1001),
              "This program helps you convert your Access (.mdb) files to Comma Separated Values (.csv) "
              "format.\n\nIt is easy. Just follow the program instructions.");
    EXPECT_EQ(BrowseFilterShown(wizard, sheet, ""), "MDB (Access) files (*.mdb)");
    ClickItem(sheet, IDCANCEL);
    EXPECT_TRUE(wizard.WaitForExit(30s));
}

TEST_F(WizardTest, TheUsageWindowFitsTheScreen) {
    Process usage(program_, {"/?"}, scratch_.string());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindTopWindow(usage.Id())) != nullptr; }));
    RECT area = {};
    GetWindowRect(window, &area);
    EXPECT_LE(area.bottom - area.top, 700);
    EXPECT_LE(area.right - area.left, 1000);
    EXPECT_EQ(ItemText(window, 1100).rfind("Usage: varnex2007.exe /SILENT", 0), 0u);
    EXPECT_NE(ItemText(window, 1100).find("the wizard opens"), std::string::npos);
    EXPECT_TRUE(Screenshot(window, "0-usage-window"));
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(usage.WaitForExit(20s));
}

} // namespace
