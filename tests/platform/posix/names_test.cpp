// Names as the program prints them and as file names, on POSIX.

#include "platform/Console.h"
#include "platform/FileNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::NarrowForm;
using platform::ShownText;

TEST(ShownText, ControlCharactersShowAsEscapesAndNothingElseChanges) {
    for (NarrowForm form : {NarrowForm::Utf8, NarrowForm::SingleByte, NarrowForm::DoubleByte}) {
        EXPECT_EQ(ShownText("plain C:\\path/x.mdb", form), "plain C:\\path/x.mdb");
        EXPECT_EQ(ShownText(std::string("a\0b\tc\nd\re\x1b]0;t\x07\x7f", 16), form),
                  "a\\x00b\\tc\\nd\\re\\x1b]0;t\\x07\\x7f");
    }
    // UTF-8: the C1 characters, and bytes that are no UTF-8 at all, which a
    // terminal may read as C1; every other character passes.
    EXPECT_EQ(ShownText("\xc2\x9b"
                        "31m \xc2\x9d \xc2\x80 \xc2\xa0 \xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                        NarrowForm::Utf8),
              "\\u009b31m \\u009d \\u0080 \xc2\xa0 \xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
    EXPECT_EQ(ShownText("\x9b"
                        "x \xc2 \xe2\x82 \xc0\x80 \xed\xa0\x80",
                        NarrowForm::Utf8),
              "\\x9bx \\xc2 \\xe2\\x82 \\xc0\\x80 \\xed\\xa0\\x80");
    // One byte a character: the C1 bytes; a double-byte page's lead bytes stay.
    EXPECT_EQ(ShownText("\x9b"
                        "31m \x85 \xe9",
                        NarrowForm::SingleByte),
              "\\x9b31m \\x85 \xe9");
    EXPECT_EQ(ShownText("\x88\x9f\x8a\x9b", NarrowForm::DoubleByte), "\x88\x9f\x8a\x9b");
}

TEST(FileNames, OnlyTheSeparatorAndNulCannotBeInAPosixName) {
    EXPECT_EQ(platform::ValidFileName("Muffin/Bread.csv"), "Muffin_Bread.csv");
    EXPECT_EQ(platform::ValidFileName(std::string("a\0b/c.csv", 9)), "a_b_c.csv");
    EXPECT_EQ(platform::ValidFileName("Tab>\"e@ll\\a'2;*, CON. .csv"), "Tab>\"e@ll\\a'2;*, CON. .csv");
    EXPECT_EQ(platform::FileNameKey("out/ORDERS.csv") == platform::FileNameKey("out/Orders.csv"), false);
}

} // namespace
