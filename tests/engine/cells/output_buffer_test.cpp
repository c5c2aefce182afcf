// The output file gathers writes in its own buffer: pieces of every size
// around its capacity, single characters and writes larger than the buffer
// must reach the file complete and in order, on Close and on destruction.

#include "tests/support/ScratchFolder.h"

#include "engine/OutputFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::string Piece(std::size_t size, int seed) {
    std::string piece(size, ' ');
    for (std::size_t i = 0; i < size; ++i)
        piece[i] = static_cast<char>('!' + (i * 7 + static_cast<std::size_t>(seed)) % 90);
    return piece;
}

TEST(OutputBuffer, PiecesAroundTheBufferSizeArriveInOrder) {
    ScratchFolder dir;
    const std::string path = dir.Path("pieces.csv");
    std::string expected;
    {
        OutputFile file;
        ASSERT_TRUE(file.OpenAppend(path));
        const std::size_t sizes[] = {1, 65535, 1, 1, 65536, 65537, 0, 200000, 3, 65534, 2};
        int seed = 0;
        for (std::size_t size : sizes) {
            const std::string piece = Piece(size, ++seed);
            file.Write(piece);
            file.Put('\n');
            expected += piece + '\n';
        }
        std::mt19937 random(7);
        for (int i = 0; i < 3000; ++i) {
            const std::string piece = Piece(random() % 300, i);
            file.Write(piece);
            expected += piece;
        }
        // No Close: the destructor hands over what is still buffered.
    }
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(OutputBuffer, ReopeningStartsWithAnEmptyBuffer) {
    ScratchFolder dir;
    OutputFile file;
    ASSERT_TRUE(file.OpenAppend(dir.Path("a.csv")));
    file.Write("first file");
    ASSERT_TRUE(file.OpenAppend(dir.Path("b.csv"))); // closes a.csv with its bytes
    file.Write("second");
    file.Close();
    file.Write("after close goes nowhere");
    file.Close();
    EXPECT_EQ(ReadBytes(dir.Path("a.csv")), "first file");
    EXPECT_EQ(ReadBytes(dir.Path("b.csv")), "second");
}

// A memory buffer hands its bytes over whole and goes on in the buffer it is
// given back, emptied, however large either grew; taken bytes stay as they
// were while the buffer is written again.
TEST(OutputBuffer, HandedOverBytesStayWholeWhileTheBufferGoesOn) {
    OutputFile out;
    out.OpenMemory();
    const std::string large = Piece(200 * 1024, 3);
    out.Write("head,");
    out.Write(large);
    out.EndRecord();
    out.Write("cut");
    EXPECT_EQ(out.WholeBytes(), 5 + large.size());
    HeldBytes first = out.TakeBytes({});
    EXPECT_EQ(first.View(), "head," + large + "cut");
    EXPECT_TRUE(out.Bytes().empty());
    EXPECT_EQ(out.WholeBytes(), 0u);

    out.Write("second");
    const std::size_t firstRoom = first.Allocated;
    HeldBytes second = out.TakeBytes(std::move(first));
    EXPECT_EQ(second.View(), "second");
    // The given buffer is the one written next, from its start.
    out.Write(large);
    out.Write(large);
    HeldBytes third = out.TakeBytes(std::move(second));
    EXPECT_GE(third.Allocated, firstRoom);
    EXPECT_EQ(third.View(), large + large);
    char* room = out.Reserve(4);
    ASSERT_NE(room, nullptr);
    std::memcpy(room, "tail", 4);
    out.Commit(4);
    EXPECT_EQ(out.Bytes(), "tail");
}

} // namespace
