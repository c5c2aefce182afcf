// The Win32 platform layer against the real system functions (or Wine's).

#include "platform/Console.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <windows.h>
// Old names of the system headers that hide ours.
#undef AnsiToOem
#undef WriteProfileString

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("varnex-win32-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    void Touch(const std::string& name) const { std::ofstream(path_ / name) << "x"; }

private:
    std::filesystem::path path_;
};

Variant Text(std::u16string_view text) {
    Variant v;
    v.Type = VarType::Text;
    v.Text = text;
    return v;
}

TEST(Win32Text, AnsiCodePageBothWaysAndOem) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "expectations are for code page 1252";
    // Best fit where the code page has a near letter, "?" where it has none.
    EXPECT_EQ(platform::WideToAnsi(u"Gr\u00fc\u00dfe \u20ac \u0100 \u03a9x\u4e2d"), "Gr\xfc\xdf"
                                                                                    "e \x80 A Ox?");
    EXPECT_EQ(platform::WideToAnsi(u""), "");
    EXPECT_EQ(platform::AnsiToWide("Gr\xfc\xdf"
                                   "e \x80"),
              u"Gr\u00fc\u00dfe \u20ac");
    EXPECT_EQ(platform::AnsiToWide(""), u"");

    // Both OEM code pages of the recorded locales put these letters at the
    // same places; the euro sign exists in neither.
    std::string text = "A\xc4\xd6\xfc\x80z";
    platform::AnsiToOem(text);
    EXPECT_EQ(text, "A\x8e\x99\x81?z");
    std::string nul("ab\0\xc4", 4);
    platform::AnsiToOem(nul);
    EXPECT_EQ(nul, std::string("ab\0\x8e", 4));
}

TEST(Win32ValueText, OwnFormsAndTextValues) {
    Variant guid;
    guid.Type = VarType::Guid;
    const uint8_t stored[16] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4};
    std::copy(std::begin(stored), std::end(stored), guid.Guid);
    std::string out;
    EXPECT_EQ(platform::VariantToText(guid, out), 0);
    EXPECT_EQ(out, "{00000100-0000-0010-8000-00AA006D2EA4}");

    Variant bytes;
    bytes.Type = VarType::Bytes;
    const uint8_t data[] = {0x00, 0x41, 0xfe, 0x0a};
    bytes.Bytes = data;
    EXPECT_EQ(platform::VariantToText(bytes, out), 0);
    EXPECT_EQ(out, "0041FE0A");
    bytes.Bytes = {};
    EXPECT_EQ(platform::VariantToText(bytes, out), 0);
    EXPECT_EQ(out, "");

    const std::u16string items[] = {u"a.txt", u"b c", u""};
    Variant list;
    list.Type = VarType::List;
    list.Items = items;
    EXPECT_EQ(platform::VariantToText(list, out), 0);
    EXPECT_EQ(out, "a.txt;b c;");
    const std::u16string cut[] = {u"x", std::u16string(u"y\0z", 3), u"w"};
    list.Items = cut;
    EXPECT_EQ(platform::VariantToText(list, out), 0);
    EXPECT_EQ(out, "x;y");

    EXPECT_EQ(platform::VariantToText(Text(u"x\"y,z"), out), 0);
    EXPECT_EQ(out, "x\"y,z");
    EXPECT_EQ(platform::VariantToText(Text(std::u16string_view(u"ab\0cd", 5)), out), 0);
    EXPECT_EQ(out, std::string("ab\0cd", 5));
    EXPECT_EQ(platform::VariantToText(Text(u""), out), 0);
    EXPECT_EQ(out, "");
}

TEST(Win32ValueText, FailuresLeaveTheTextEmpty) {
    std::string out = "stale";
    Variant null;
    null.Type = VarType::Null;
    EXPECT_EQ(static_cast<uint32_t>(platform::VariantToText(null, out)), 0x80020005u);
    EXPECT_EQ(out, "");

    out = "stale";
    Variant unknown;
    unknown.Type = static_cast<VarType>(200);
    EXPECT_EQ(static_cast<uint32_t>(platform::VariantToText(unknown, out)), 0x80020005u);
    EXPECT_EQ(out, "");

    out = "stale";
    Variant date;
    date.Type = VarType::Date;
    date.R8 = 2958466.0; // the day after the last one a date can name
    EXPECT_EQ(static_cast<uint32_t>(platform::VariantToText(date, out)), 0x80070057u);
    EXPECT_EQ(out, "");
}

TEST(Win32Files, FindRemoveAndPaths) {
    TempFolder folder;
    folder.Touch("one.mdb");
    folder.Touch("Two.MDB");
    folder.Touch("three.txt");

    auto names = platform::FindMatchingNames(folder.Path("*.mdb"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Two.MDB", "one.mdb"}));
    EXPECT_EQ(platform::FindMatchingNames(folder.Path("thre?.txt")), std::vector<std::string>{"three.txt"});
    EXPECT_TRUE(platform::FindMatchingNames(folder.Path("*.accdb")).empty());
    EXPECT_TRUE(platform::FindMatchingNames(folder.Path("missing\\*.mdb")).empty());

    EXPECT_TRUE(platform::RemoveFile(folder.Path("one.mdb")));
    EXPECT_FALSE(platform::RemoveFile(folder.Path("one.mdb")));
    EXPECT_EQ(platform::FindMatchingNames(folder.Path("*.mdb")), std::vector<std::string>{"Two.MDB"});

    const std::string exe = platform::ExecutablePath();
    EXPECT_TRUE(exe.size() > 16 && exe.substr(exe.size() - 15) == "win32_tests.exe") << exe;
    EXPECT_EQ(platform::ModulePath(), exe); // statically linked: this code lives in the program

    const std::string appData = platform::AppDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_TRUE(std::filesystem::is_directory(appData)) << appData;
}

TEST(Win32Profile, WriteReadAndCapacity) {
    TempFolder folder;
    const std::string file = folder.Path("settings.ini");
    EXPECT_EQ(platform::ReadProfileString("Common", "Fields", "TAB", file), "TAB");
    EXPECT_EQ(platform::ReadProfileInt("Common", "OverWrite", 7, file), 7);

    ASSERT_TRUE(platform::WriteProfileString("Common", "Fields", "PIPE", file));
    ASSERT_TRUE(platform::WriteProfileString("Common", "OverWrite", "2", file));
    ASSERT_TRUE(platform::WriteProfileString("Varnex", "Result", "Successful", file));
    EXPECT_EQ(platform::ReadProfileString("Common", "Fields", "TAB", file), "PIPE");
    EXPECT_EQ(platform::ReadProfileInt("Common", "OverWrite", 7, file), 2);
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", file), "Successful");

    // Nothing that would add lines of its own or read back differently.
    EXPECT_FALSE(platform::WriteProfileString("Varnex", "Result", "two\r\nInjected=1", file));
    EXPECT_FALSE(platform::WriteProfileString("Varnex", "Result=x", "v", file));
    EXPECT_FALSE(platform::WriteProfileString("Var]nex", "Result", "v", file));
    EXPECT_FALSE(platform::WriteProfileString("Varnex", " ", "v", file));
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", file), "Successful");
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Injected", "none", file), "none");

    ASSERT_TRUE(platform::WriteProfileString("Common", "Long", std::string(300, 'p'), file));
    EXPECT_EQ(platform::ReadProfileString("Common", "Long", "", file), std::string(259, 'p'));
    EXPECT_EQ(platform::ReadProfileString("Common", "Long", "", file, 5), "ppppp");
}

// A key of its own, removed before and after, so runs do not see each other.
class Win32Registry : public ::testing::Test {
protected:
    static constexpr const char* kKey = "Software\\VarnexTests\\Registry";
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VarnexTests");
    }
};

TEST_F(Win32Registry, WriteReadAndLimits) {
    std::string out = "stale";
    EXPECT_FALSE(platform::ReadRegistryString(kKey, "LastMDBFile", out));
    EXPECT_EQ(out, "");

    ASSERT_TRUE(platform::WriteRegistryString(kKey, "LastMDBFile", "C:\\data\\a.mdb"));
    EXPECT_TRUE(platform::ReadRegistryString(kKey, "LastMDBFile", out));
    EXPECT_EQ(out, "C:\\data\\a.mdb");
    EXPECT_FALSE(platform::ReadRegistryString(kKey, "MDBfiles", out));
    EXPECT_EQ(out, "");

    ASSERT_TRUE(platform::WriteRegistryString(kKey, "Fits", std::string(254, 'r')));
    EXPECT_TRUE(platform::ReadRegistryString(kKey, "Fits", out));
    EXPECT_EQ(out, std::string(254, 'r'));
    ASSERT_TRUE(platform::WriteRegistryString(kKey, "TooLong", std::string(255, 'r')));
    EXPECT_FALSE(platform::ReadRegistryString(kKey, "TooLong", out));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(platform::ReadRegistryString(kKey, "TooLong", out, 300));
}

TEST(Win32Messages, SystemTextsWithoutLineBreakAndEmptyWhenUnknown) {
    const std::string text = platform::SystemMessage(static_cast<int32_t>(0x80070002u));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(platform::SystemMessage(static_cast<int32_t>(0x8004FF00u)), "");
}

// A GUI program started from a window has no standard output handle; the
// test program's output is a pipe or a console.
TEST(Win32Messages, StandardOutputIsVisibleOnlyWithAHandle) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    EXPECT_TRUE(platform::HasVisibleStandardOutput());
    ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, nullptr));
    const bool withoutHandle = platform::HasVisibleStandardOutput();
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    EXPECT_FALSE(withoutHandle);
}

TEST(Win32Files, KindsOfPathAndReplacingAFile) {
    TempFolder folder;
    folder.Touch("file.mdb");
    std::filesystem::create_directory(folder.Path("dir.mdb"));
    EXPECT_EQ(platform::KindOfPath(folder.Path("file.mdb")), platform::PathKind::RegularFile);
    EXPECT_EQ(platform::KindOfPath(folder.Path("dir.mdb")), platform::PathKind::Directory);
    EXPECT_EQ(platform::KindOfPath(folder.Path("none.mdb")), platform::PathKind::Missing);

    std::ofstream(folder.Path("new")) << "new";
    ASSERT_TRUE(platform::MoveFileOver(folder.Path("new"), folder.Path("file.mdb")));
    std::ifstream in(folder.Path("file.mdb"));
    std::string text;
    in >> text;
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(std::filesystem::exists(folder.Path("new")));
}

TEST(Win32Profile, WritesLeaveNoLockFileBehind) {
    TempFolder folder;
    const std::string file = folder.Path("status.ini");
    ASSERT_TRUE(platform::WriteProfileString("Varnex", "Result", "Successful", file));
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", file), "Successful");
    EXPECT_FALSE(std::filesystem::exists(file + ".lock"));
}

TEST(Win32FileNames, WhatAWindowsNameCannotHoldBecomesAnUnderscore) {
    EXPECT_EQ(platform::ValidFileName("Orders.csv"), "Orders.csv");
    EXPECT_EQ(platform::ValidFileName("Tab>\"e@ll/a'2;*,.csv"), "Tab__e@ll_a'2;_,.csv");
    EXPECT_EQ(platform::ValidFileName("a<b>c:d\"e/f\\g|h?i*j.csv"), "a_b_c_d_e_f_g_h_i_j.csv");
    EXPECT_EQ(platform::ValidFileName(std::string("tab\there\x01\x1f.csv")), "tab_here__.csv");
    // Trailing dots and blanks, which the system would drop.
    EXPECT_EQ(platform::ValidFileName("Sales. "), "Sales__");
    EXPECT_EQ(platform::ValidFileName("Sales..csv"), "Sales..csv");
    // Device names, with or without an extension, in any case.
    EXPECT_EQ(platform::ValidFileName("CON.csv"), "CON_.csv");
    EXPECT_EQ(platform::ValidFileName("con"), "con_");
    EXPECT_EQ(platform::ValidFileName("Aux.tar.csv"), "Aux_.tar.csv");
    EXPECT_EQ(platform::ValidFileName("com1.csv"), "com1_.csv");
    EXPECT_EQ(platform::ValidFileName("LPT9.csv"), "LPT9_.csv");
    EXPECT_EQ(platform::ValidFileName("nul.txt"), "nul_.txt");
    for (const char* valid : {"COM10.csv", "COM0.csv", "CONSOLE.csv", "LPT.csv", "PRNT.csv", "xCON.csv"})
        EXPECT_EQ(platform::ValidFileName(valid), valid);
}

TEST(Win32FileNames, NamesDifferingInCaseAreOneFile) {
    EXPECT_EQ(platform::FileNameKey("C:\\out\\ORDERS.csv"), platform::FileNameKey("c:/Out/orders.CSV"));
    EXPECT_NE(platform::FileNameKey("C:\\out\\Orders.csv"), platform::FileNameKey("C:\\out\\Orders~2.csv"));
}

TEST(Win32ShownText, TheAnsiPagesControlBytesShowAsEscapes) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "expectations are for code page 1252";
    EXPECT_EQ(platform::NarrowTextForm(), platform::NarrowForm::SingleByte);
    // The euro sign is a character here; 0x81 and 0x9D stand for C1 controls.
    EXPECT_EQ(platform::ShownText("\x80 \x81 \x9d \x9c \x1b[31m"), "\x80 \\x81 \\x9d \x9c \\x1b[31m");
}

} // namespace
