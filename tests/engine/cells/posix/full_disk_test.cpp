// A write that never reaches the disk must not pass for a converted table.
#include "engine/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(OutputFileErrors, BytesLostOnAFullDeviceMakeCloseFail) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    OutputFile small;
    ASSERT_TRUE(small.OpenAppend("/dev/full"));
    small.Write("a few bytes that stay in the buffer until the close");
    EXPECT_FALSE(small.Close());

    OutputFile large;
    ASSERT_TRUE(large.OpenAppend("/dev/full"));
    large.Write(std::string(200 * 1024, 'x')); // goes out at once, past the buffer
    EXPECT_FALSE(large.Close());
}

TEST(OutputFileErrors, AReopenedFileStartsWithoutTheEarlierFailure) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    OutputFile file;
    ASSERT_TRUE(file.OpenAppend("/dev/full"));
    file.Write("lost");
    EXPECT_FALSE(file.Close());
    ASSERT_TRUE(file.OpenAppend("/dev/null"));
    file.Write("kept");
    EXPECT_TRUE(file.Close());
}
