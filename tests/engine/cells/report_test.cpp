#include "engine/Report.h"
#include "engine/Settings.h"
#include "platform/Platform.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const platform::LocalTime kMarch3{2024, 3, 3, 9, 5, 7};
const std::string kEntry = "\r\n2024.03.03 09:05:07 Varnex     Cannot create output file.";

std::string LogOf(const std::string& folder) { return ReadBytes(folder + platform::PathSeparator + "wizards.log"); }

EngineError WithInfo(uint32_t code, std::u16string source, std::u16string description) {
    return EngineError(static_cast<int32_t>(code), std::move(source), std::move(description));
}

std::string Meaning(uint32_t code) {
    const std::string report = FormatComError(EngineError(static_cast<int32_t>(code)));
    const auto start = report.find("Code meaning = ") + 15;
    return report.substr(start, report.find('\n', start) - start);
}

bool HasSystemText(uint32_t code) { return !platform::SystemMessage(static_cast<int32_t>(code)).empty(); }

} // namespace

TEST(ActivityLog, EntryFormatPadsTheLabelButNeverCutsIt) {
    EXPECT_EQ(FormatLogEntry(kMarch3, "Varnex", "Cannot create output file."), kEntry);
    EXPECT_EQ(FormatLogEntry({987, 12, 31, 23, 59, 0}, "ALabelOver10", "m"), "\r\n0987.12.31 23:59:00 ALabelOver10 m");
    EXPECT_EQ(FormatLogEntry(kMarch3, "", ""), "\r\n2024.03.03 09:05:07            ");
}

TEST(ActivityLog, EntriesAreAppendedAfterALeadingLineBreak) {
    ScratchFolder dir;
    WriteLog(dir.Path(), kMarch3, "Varnex", "Cannot create output file.");
    EXPECT_EQ(LogOf(dir.Path()), kEntry);

    // A folder that already ends in the separator does not get a second one.
    WriteLog(dir.Path() + platform::PathSeparator, {2024, 3, 4, 0, 0, 1}, "Varnex", "again");
    EXPECT_EQ(LogOf(dir.Path()), kEntry + "\r\n2024.03.04 00:00:01 Varnex     again");
}

TEST(ActivityLog, TooLongPathsAndMissingFoldersDropTheEntry) {
    ScratchFolder dir;
    const std::string log = std::string(1, platform::PathSeparator) + "wizards.log";
    // Folders of names short enough for any file system, the last one
    // making the log's path exactly as long as a path may be.
    const auto folderOf = [&](char letter, std::size_t logPathSize) {
        std::string folder = dir.Path() + platform::PathSeparator + letter;
        while (folder.size() + 1 + 100 + log.size() < logPathSize)
            folder += platform::PathSeparator + std::string(99, letter);
        folder += platform::PathSeparator + std::string(logPathSize - log.size() - folder.size() - 1, letter);
        return folder;
    };
    const std::string fits = folderOf('f', kSystemPathCapacity);
    const std::string over = folderOf('o', kSystemPathCapacity + 1);
    ASSERT_EQ((fits + log).size(), kSystemPathCapacity);
    std::error_code error;
    std::filesystem::create_directories(over, error);
    WriteLog(over, kMarch3, "Varnex", "dropped");
    EXPECT_FALSE(std::filesystem::exists(over + log, error));

    if (!std::filesystem::create_directories(fits, error))
        GTEST_SKIP() << "the file system refuses a path this long";
    WriteLog(fits, kMarch3, "Varnex", "kept");
    EXPECT_TRUE(std::filesystem::exists(fits + log));

    // Neither a missing folder nor no folder at all is reported or written to;
    // no folder must not mean the root of the file system.
    WriteLog(dir.Path("missing"), kMarch3, "Varnex", "lost");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
    const bool rootHadLog = std::filesystem::exists(log, error);
    WriteLog("", kMarch3, "Varnex", "lost");
    EXPECT_EQ(std::filesystem::exists(log, error), rootHadLog);
}

TEST(StatusFile, ResultIsReplacedAndOtherKeysKept) {
    ScratchFolder dir;
    ConversionSettings settings;
    WriteStatus("Failed", settings);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())); // no status file named: nothing written

    settings.StatusFile = dir.Path("status.log");
    ASSERT_TRUE(platform::WriteProfileString("Other", "Result", "untouched", settings.StatusFile.str()));
    ASSERT_TRUE(platform::WriteProfileString("Varnex", "Extra", "kept", settings.StatusFile.str()));
    WriteStatus("Conversion In Progress", settings);
    WriteStatus("Successful", settings);

    const std::string& file = settings.StatusFile.str();
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", file), "Successful");
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Extra", "", file), "kept");
    EXPECT_EQ(platform::ReadProfileString("Other", "Result", "", file), "untouched");
    const std::string bytes = ReadBytes(file);
    EXPECT_NE(bytes.find("[Varnex]"), std::string::npos);
    EXPECT_NE(bytes.find("Result=Successful"), std::string::npos);
    EXPECT_EQ(bytes.find("In Progress"), std::string::npos);
}

TEST(ErrorReport, FourLinesWithSourceAndDescription) {
    const uint32_t code = 0x80004005u;
    const std::string meaning = platform::SystemMessage(static_cast<int32_t>(code));
    ASSERT_FALSE(meaning.empty());
    EXPECT_EQ(FormatComError(WithInfo(code, u"DAO.Database", u"Could not find file 'x.mdb'.")),
              "Code = 80004005\nCode meaning = " + meaning +
                  "\nSource = DAO.Database\nDescription = Could not find file 'x.mdb'.\n");
    EXPECT_EQ(FormatComError(WithInfo(code, u"", u"")),
              "Code = 80004005\nCode meaning = " + meaning + "\nSource = \nDescription = \n");
}

TEST(ErrorReport, MissingErrorInformationReadsNull) {
    const std::string report = FormatComError(EngineError(static_cast<int32_t>(0x80004005u)));
    EXPECT_NE(report.find("\nSource = (null)\nDescription = (null)\n"), std::string::npos);
}

TEST(ErrorReport, FallbackMeaningsWithoutSystemText) {
    struct Row {
        uint32_t Code;
        const char* Meaning;
    };
    const Row rows[] = {
        {0x80040201u, "IDispatch error #1"},       {0x80040250u, "IDispatch error #80"},
        {0x8004FFFFu, "IDispatch error #65023"},   {0x80040200u, "Unknown error 0x80040200"},
        {0x80050000u, "Unknown error 0x80050000"}, {0x800A0BB8u, "Unknown error 0x800A0BB8"},
        {0x0000ABCDu, "Unknown error 0xABCD"},
    };
    for (const Row& row : rows) {
        if (HasSystemText(row.Code))
            continue; // the system's own text wins; nothing to fall back on
        EXPECT_EQ(Meaning(row.Code), row.Meaning);
    }
    EXPECT_EQ(FormatComError(EngineError(0x1F)).substr(0, 16), "Code = 0000001f\n");
}

TEST(ErrorReport, LongReportsAreCutTo511Bytes) {
    const std::string head = FormatComError(WithInfo(0x80004005u, u"S", u""));
    const std::size_t room = 511 - head.size(); // description that fills exactly 511 bytes
    const std::string exact = FormatComError(WithInfo(0x80004005u, u"S", std::u16string(room, u'd')));
    EXPECT_EQ(exact.size(), 511u);
    EXPECT_EQ(exact.back(), '\n');

    const std::string cut = FormatComError(WithInfo(0x80004005u, u"S", std::u16string(600, u'd')));
    EXPECT_EQ(cut, head.substr(0, head.size() - 1) + std::string(511 - head.size() + 1, 'd'));
}
