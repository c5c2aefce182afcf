// The POSIX stand-ins for the profile and registry functions; the Windows
// functions are the system's own.
#include "platform/Platform.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::ReadProfileInt;
using platform::ReadProfileString;
using platform::WriteProfileString;
using testenv::ScopedEnv;

TEST(ProfileFile, WriteKeepsEveryOtherLineAndPlacesNewKeysInTheirSection) {
    ScratchFolder dir;
    const std::string file = dir.Path("app.ini");
    ASSERT_TRUE(WriteProfileString("Varnex", "Result", "Converting", file));
    EXPECT_EQ(ReadBytes(file), "[Varnex]\r\nResult=Converting\r\n");

    WriteBytes(file, "; kept\n[Common]\nLog=1\n\n[varnex]\n  header = 0\nnot a key line\n\n[Other]\nx=y");
    ASSERT_TRUE(WriteProfileString("VARNEX", "Header", "1", file));
    ASSERT_TRUE(WriteProfileString("Varnex", "Fields", ";", file));
    ASSERT_TRUE(WriteProfileString("Common", "Open", "0", file));
    ASSERT_TRUE(WriteProfileString("New", "Key", "v", file));
    EXPECT_EQ(ReadBytes(file), "; kept\r\n[Common]\r\nLog=1\r\nOpen=0\r\n\r\n[varnex]\r\nheader=1\r\nnot a key line\r\n"
                               "Fields=;\r\n\r\n[Other]\r\nx=y\r\n[New]\r\nKey=v\r\n");
    // The temporary file of the atomic replace is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);
}

TEST(ProfileFile, WriteRefusesWhatWouldCorruptTheFile) {
    ScratchFolder dir;
    const std::string file = dir.Path("app.ini");
    ASSERT_TRUE(WriteProfileString("S", "K", "v", file));
    EXPECT_FALSE(WriteProfileString("S", "K", "two\r\nX=lines", file));
    EXPECT_FALSE(WriteProfileString("S", "K=J", "v", file));
    EXPECT_FALSE(WriteProfileString("S]x", "K", "v", file));
    EXPECT_FALSE(WriteProfileString("S", "K", "v", dir.Path("missing/app.ini")));
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK=v\r\n");
}

TEST(ProfileFile, WriteKeepsTheFilesModeAndFollowsALink) {
    ScratchFolder dir;
    const std::string target = dir.Path("real.ini"), link = dir.Path("link.ini");
    WriteBytes(target, "[S]\r\nA=1\r\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(WriteProfileString("S", "B", "2", link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "[S]\r\nA=1\r\nB=2\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(ProfileFile, ReadIgnoresCaseBlanksAndOnePairOfQuotes) {
    ScratchFolder dir;
    const std::string file = dir.Path("app.ini");
    WriteBytes(file, "[ Varnex ]\r\n Target =  \"/out dir/\"  \r\nEscape=\"\r\nTwo=''x''\r\nTab=\t\r\n"
                     "Dup=first\r\nDup=second\r\n[N]\nA=12abc\nB=-7\nC=abc\nD=\nE=99999999999\n");
    EXPECT_EQ(ReadProfileString("varnex", "TARGET", "", file), "/out dir/");
    EXPECT_EQ(ReadProfileString("Varnex", "Target", "", file, 4), "/out");
    EXPECT_EQ(ReadProfileString("Varnex", "Escape", "", file), "\"");
    EXPECT_EQ(ReadProfileString("Varnex", "Two", "", file), "'x'");
    EXPECT_EQ(ReadProfileString("Varnex", "Tab", "default", file), "");
    EXPECT_EQ(ReadProfileString("Varnex", "Dup", "", file), "first");
    EXPECT_EQ(ReadProfileString("Varnex", "Missing", "def  ", file), "def");
    EXPECT_EQ(ReadProfileString("Varnex", "Target", "d", dir.Path("none.ini")), "d");

    EXPECT_EQ(ReadProfileInt("n", "a", 5, file), 12);
    EXPECT_EQ(ReadProfileInt("N", "B", 5, file), -7);
    EXPECT_EQ(ReadProfileInt("N", "C", 5, file), 0);
    EXPECT_EQ(ReadProfileInt("N", "D", 5, file), 5);
    EXPECT_EQ(ReadProfileInt("N", "E", 5, file), INT_MAX);
    EXPECT_EQ(ReadProfileInt("N", "Missing", 5, file), 5);
}

class RegistryStandIn : public ::testing::Test {
protected:
    ScratchFolder dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.Path("config")};
    std::string out = "stale";
};

TEST_F(RegistryStandIn, MissingOrOverlongValuesReadAsFalseAndEmpty) {
    EXPECT_FALSE(platform::ReadRegistryString("K", "LastDir", out));
    EXPECT_EQ(out, "");
    ASSERT_TRUE(platform::WriteRegistryString("K", "Fits", std::string(254, 'a')));
    ASSERT_TRUE(platform::WriteRegistryString("K", "TooLong", std::string(255, 'b')));
    EXPECT_FALSE(platform::ReadRegistryString("Other", "Fits", out));
    EXPECT_TRUE(platform::ReadRegistryString("K", "Fits", out));
    EXPECT_EQ(out.size(), 254u);
    EXPECT_FALSE(platform::ReadRegistryString("K", "TooLong", out));
    EXPECT_EQ(out, "");
}

TEST_F(RegistryStandIn, ValuesRoundTripExactlyAndLineBreaksAreRefused) {
    for (std::string value : {"/home/me/db.mdb", "  padded  ", "\"quoted\"", "'", "", "a=b;[c]"}) {
        ASSERT_TRUE(platform::WriteRegistryString("Software\\Q\\W", "MDBfiles0", value)) << value;
        EXPECT_TRUE(platform::ReadRegistryString("software\\q\\w", "mdbFILES0", out)) << value;
        EXPECT_EQ(out, value);
    }
    EXPECT_FALSE(platform::WriteRegistryString("Software\\Q\\W", "MDBfiles0", "new\nInjected=1"));
    EXPECT_TRUE(platform::ReadRegistryString("Software\\Q\\W", "MDBfiles0", out));
    EXPECT_EQ(out, "a=b;[c]");
    EXPECT_FALSE(platform::ReadRegistryString("Software\\Q\\W", "Injected", out));
}

TEST_F(RegistryStandIn, ARelativeConfigFolderFallsBackToHome) {
    ScopedEnv relative{"XDG_CONFIG_HOME", "relative/config"};
    ScopedEnv home{"HOME", dir.Path("home")};
    ASSERT_TRUE(platform::WriteRegistryString("K", "V", "x"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("home/.config/varnex/registry.ini")));
}

} // namespace

namespace {

TEST(ProfileFile, TwoProcessesWritingDifferentKeysKeepEachOthersValues) {
    ScratchFolder dir;
    const std::string file = dir.Path("shared.ini");
    constexpr int kWrites = 150;
    // Each process writes its own keys, again and again, into the one file:
    // without a lock one's load-modify-rename drops the other's new key.
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i)
                ok = WriteProfileString("Varnex", "W" + std::to_string(writer) + "K" + std::to_string(i), "v", file) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int missing = 0;
    for (int writer = 0; writer < 2; ++writer)
        for (int i = 0; i < kWrites; ++i)
            missing +=
                ReadProfileString("Varnex", "W" + std::to_string(writer) + "K" + std::to_string(i), "-", file) != "v";
    EXPECT_EQ(missing, 0);
}

TEST(ProfileFile, OnlyRegularFilesOfBoundedSizeAreReadOrWritten) {
    ScratchFolder dir;
    // A device that never ends, a FIFO nobody writes to, a folder: read as
    // missing values, and never written.
    ASSERT_EQ(::mkfifo(dir.Path("fifo.ini").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.Path("folder.ini"));
    for (const std::string& odd : {std::string("/dev/zero"), dir.Path("fifo.ini"), dir.Path("folder.ini")}) {
        SCOPED_TRACE(odd);
        EXPECT_EQ(ReadProfileString("Varnex", "Header", "dflt", odd), "dflt");
        EXPECT_EQ(ReadProfileInt("Varnex", "Header", 7, odd), 7);
        EXPECT_FALSE(WriteProfileString("Varnex", "Result", "Failed", odd));
    }
    EXPECT_FALSE(WriteProfileString("Varnex", "Result", "Failed", "/dev/full"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder.ini")));

    // A file far larger than any settings file is not taken for one.
    const std::string huge = dir.Path("huge.ini");
    WriteBytes(huge, "[Varnex]\r\nHeader=1\r\n" + std::string(2 << 20, ';'));
    EXPECT_EQ(ReadProfileInt("Varnex", "Header", 0, huge), 0);
    EXPECT_FALSE(WriteProfileString("Varnex", "Result", "x", huge));
}

} // namespace
