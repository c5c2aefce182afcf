#include "engine/Report.h"
#include "platform/Platform.h"

#include "tests/support/ScratchFolder.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using testenv::ScopedEnv;

TEST(PosixAppData, DataHomeWinsAndHomeIsTheFallback) {
    ScratchFolder dir;
    {
        ScopedEnv data("XDG_DATA_HOME", dir.Path("data").c_str());
        EXPECT_EQ(platform::AppDataFolder(), dir.Path("data"));
        EXPECT_TRUE(std::filesystem::is_directory(dir.Path("data")));
    }
    ScopedEnv home("HOME", dir.Path("home").c_str());
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        ScopedEnv data("XDG_DATA_HOME", ignored);
        EXPECT_EQ(platform::AppDataFolder(), dir.Path("home") + "/.local/share");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("home") + "/.local/share"));

    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(platform::AppDataFolder(), "");
}

TEST(PosixAppData, LogGoesToTheDataFolder) {
    ScratchFolder dir;
    ScopedEnv data("XDG_DATA_HOME", dir.Path().c_str());
    WriteLog("Varnex", "Cannot create output file.");
    const std::string log = ReadBytes(dir.Path("wizards.log"));
    ASSERT_EQ(log.size(), 2 + 19 + 1 + 10 + 1 + 26u);
    EXPECT_EQ(log.substr(0, 2), "\r\n");
    EXPECT_EQ(log.substr(21), " Varnex     Cannot create output file.");
}

TEST(PosixMessages, MessageBoxLinesGoToStderr) {
    ::testing::internal::CaptureStderr();
    platform::ShowMessageBox(nullptr, "Code = 80004005\r\nSource = (null)\n", platform::MessageOk);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Varnex: Code = 80004005\nVarnex: Source = (null)\n");

    ::testing::internal::CaptureStderr();
    ReportComError(nullptr, EngineError(static_cast<int32_t>(0x80040201u)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Varnex: Code = 80040201\nVarnex: Code meaning = IDispatch error #1\n"
              "Varnex: Source = (null)\nVarnex: Description = (null)\n");
}

TEST(PosixMessages, Win32CodesReadTheSameBareOrAsResults) {
    const std::string notFound = platform::SystemMessage(static_cast<int32_t>(0x80070002u));
    EXPECT_EQ(notFound, "The system cannot find the file specified.");
    EXPECT_EQ(platform::SystemMessage(2), notFound);
    EXPECT_EQ(platform::SystemMessage(static_cast<int32_t>(0x80040002u)), ""); // same low word, other facility
    EXPECT_EQ(platform::SystemMessage(static_cast<int32_t>(0x800A0BB8u)), "");
}
