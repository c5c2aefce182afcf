// Interrupts as stop requests, what a path names, and replacing a file.

#include "platform/Platform.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

TEST(Stop, InterruptsSetTheFlagInsteadOfEndingTheProcess) {
    std::atomic<int32_t> flag{0};
    platform::StopOnInterrupt(&flag);
    std::raise(SIGINT);
    EXPECT_EQ(flag.load(), SIGINT);
    EXPECT_EQ(platform::ExitCodeForSignal(flag.load()), 130);

    // Taken back, and taken again for a termination request.
    platform::StopOnInterrupt(nullptr);
    flag = 0;
    platform::StopOnInterrupt(&flag);
    std::raise(SIGTERM);
    EXPECT_EQ(flag.load(), SIGTERM);
    platform::StopOnInterrupt(nullptr);
    struct sigaction current {};
    ::sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(Files, KindsOfPathAreToldWithoutOpeningThem) {
    ScratchFolder folder;
    std::ofstream(folder / "file.mdb") << "x";
    ASSERT_EQ(::mkfifo((folder / "pipe.mdb").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "dir.mdb");
    EXPECT_EQ(platform::KindOfPath(folder / "file.mdb"), platform::PathKind::RegularFile);
    EXPECT_EQ(platform::KindOfPath(folder / "pipe.mdb"), platform::PathKind::Other);
    EXPECT_EQ(platform::KindOfPath(folder / "dir.mdb"), platform::PathKind::Directory);
    EXPECT_EQ(platform::KindOfPath(folder / "none.mdb"), platform::PathKind::Missing);
    EXPECT_EQ(platform::KindOfPath("/dev/zero"), platform::PathKind::Other);
}

TEST(Files, AFileIsKnownByItselfWhateverItsPathSays) {
    ScratchFolder folder;
    std::ofstream(folder / "a.mdb") << "x";
    std::ofstream(folder / "b.mdb") << "x";
    std::filesystem::create_symlink(folder / "a.mdb", folder / "link.mdb");
    platform::FileIdentity a, spelled, linked, b, none;
    ASSERT_TRUE(platform::IdentityOfFile(folder / "a.mdb", a));
    ASSERT_TRUE(platform::IdentityOfFile(folder / "" + "/./a.mdb", spelled));
    ASSERT_TRUE(platform::IdentityOfFile(folder / "link.mdb", linked));
    ASSERT_TRUE(platform::IdentityOfFile(folder / "b.mdb", b));
    EXPECT_EQ(a, spelled);
    EXPECT_EQ(a, linked);
    EXPECT_NE(a, b);
    EXPECT_FALSE(platform::IdentityOfFile(folder / "none.mdb", none));
    EXPECT_FALSE(platform::IdentityOfFile(folder / ".", none));

    ASSERT_EQ(::mkfifo((folder / "pipe.mdb").c_str(), 0600), 0);
    EXPECT_EQ(platform::DescribePath(folder / "a.mdb"), "a regular file");
    EXPECT_EQ(platform::DescribePath(folder / "pipe.mdb"), "a FIFO");
    EXPECT_EQ(platform::DescribePath(folder / "."), "a folder");
    EXPECT_EQ(platform::DescribePath("/dev/null"), "a device");
    EXPECT_EQ(platform::DescribePath(folder / "none.mdb"), "missing");
}

TEST(Files, LinkPathFoldersAreSeparatedByColons) {
    ::setenv("VARNEX_LINK_PATH", "/a:/b c::rel/d:", 1);
    EXPECT_EQ(platform::LinkPathFolders(), (std::vector<std::string>{"/a", "/b c", "rel/d"}));
    ::unsetenv("VARNEX_LINK_PATH");
    EXPECT_TRUE(platform::LinkPathFolders().empty());
}

TEST(Files, MovingAFileOverAnotherTakesItsPlace) {
    ScratchFolder folder;
    std::ofstream(folder / "new") << "new";
    std::ofstream(folder / "old") << "old";
    ASSERT_TRUE(platform::MoveFileOver(folder / "new", folder / "old"));
    EXPECT_FALSE(std::filesystem::exists(folder / "new"));
    std::ifstream in(folder / "old");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(platform::MoveFileOver(folder / "absent", folder / "old"));
}

} // namespace
