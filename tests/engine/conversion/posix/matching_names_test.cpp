#include "platform/Platform.h"

#include <algorithm>

#include "tests/support/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

using Names = std::vector<std::string>;

class MatchingNamesTest : public ::testing::Test {
protected:
    MatchingNamesTest() {
        for (const char* name : {"b.mdb", "A.MDB", "ab.mdb", "abc.accdb", "c.mdb.bak", ".x.mdb"})
            WriteAll(folder / name, "");
    }
    Names Find(std::string_view pattern) { return platform::FindMatchingNames(folder / pattern); }
    ScratchFolder folder;
};

TEST_F(MatchingNamesTest, WildcardsMatchTheWholeNameWithoutRegardToCase) {
    EXPECT_EQ(Find("*.mdb"), (Names{".x.mdb", "A.MDB", "ab.mdb", "b.mdb"}));
    EXPECT_EQ(Find("?.MDB"), (Names{"A.MDB", "b.mdb"}));
    EXPECT_EQ(Find("a*"), (Names{"A.MDB", "ab.mdb", "abc.accdb"}));
    EXPECT_EQ(Find("*b*.*b"), (Names{"ab.mdb", "abc.accdb", "b.mdb"}));
    EXPECT_EQ(Find("*.zip"), Names{});
}

TEST_F(MatchingNamesTest, DirectoryEntriesAndDotNamesAreReportedForTheCallerToJudge) {
    std::filesystem::create_directory(folder / "sub.mdb");
    const Names all = Find("*");
    EXPECT_EQ(all.front(), ".");
    EXPECT_NE(std::find(all.begin(), all.end(), ".."), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "sub.mdb"), all.end());
}

TEST_F(MatchingNamesTest, PlainPathGivesItsOwnNameOnlyWhenItExists) {
    EXPECT_EQ(Find("b.mdb"), Names{"b.mdb"});
    EXPECT_EQ(Find("B.mdb"), Names{}); // the file system decides, and it tells case apart
    EXPECT_EQ(Find("none.mdb"), Names{});
    EXPECT_EQ(platform::FindMatchingNames(folder.Path() + "/"), Names{});
    EXPECT_EQ(platform::FindMatchingNames(folder / "missing/*.mdb"), Names{});
}

} // namespace
