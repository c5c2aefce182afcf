// Stored text is widened a run at a time and appended in pieces: mixed
// compressed text with runs of every length, and appends to text already
// in the buffer, must give what a unit-by-unit reading gives.

#include "jet/Text.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

// The stored compressed form of runs: a one-byte run of Latin-1 letters,
// then a two-byte run of the given units, and so on; a zero byte switches
// (so a two-byte unit cannot have a zero low byte).
struct Compressed {
    Bytes Stored{0xFF, 0xFE};
    std::u16string Text;
    bool OneByte = true;

    void Latin(std::size_t count, int seed) {
        Switch(true);
        for (std::size_t i = 0; i < count; ++i) {
            const auto c = static_cast<uint8_t>(i % 7 == 3 ? 0xE0 + (i + seed) % 31 : 'a' + (i + seed) % 26);
            Stored.push_back(c);
            Text += static_cast<char16_t>(c);
        }
    }
    void Wide(std::u16string_view units) {
        Switch(false);
        for (char16_t u : units) {
            Stored.push_back(static_cast<uint8_t>(u & 0xFF));
            Stored.push_back(static_cast<uint8_t>(u >> 8));
            Text += u;
        }
    }
    void Switch(bool oneByte) {
        if (oneByte != OneByte)
            Stored.push_back(0);
        OneByte = oneByte;
    }
};

std::u16string Appended(const std::u16string& before, const Bytes& stored) {
    std::u16string out = before;
    jet::AppendUnicodeText(stored, out);
    return out;
}

TEST(JetTextRuns, RunsOfEveryLengthAroundTheAppendPieces) {
    for (std::size_t length : {0, 1, 15, 16, 17, 511, 512, 513, 1024, 1500, 5000}) {
        Compressed text;
        text.Latin(length, 1);
        text.Wide(u"\u20AC\u0101");
        text.Latin(length / 2 + 1, 2);
        text.Wide(u"\u4E2D");
        text.Latin(3, 3);
        EXPECT_EQ(Appended(u"", text.Stored), text.Text) << length;
        // The text is appended: what the buffer held stays in front.
        EXPECT_EQ(Appended(u"kept", text.Stored), u"kept" + text.Text) << length;
    }
}

TEST(JetTextRuns, RandomMixturesMatchTheirStoredForm) {
    std::mt19937 random(20240229);
    for (int round = 0; round < 200; ++round) {
        Compressed text;
        const int runs = static_cast<int>(random() % 12);
        for (int r = 0; r < runs; ++r) {
            if (random() % 2)
                text.Latin(random() % 700, r);
            else
                text.Wide(std::u16string(random() % 40 + 1, static_cast<char16_t>(0x0401 + random() % 200)));
        }
        ASSERT_EQ(Appended(u"", text.Stored), text.Text) << "round " << round;
    }
}

TEST(JetTextRuns, PlainUnicodeIsAppendedToo) {
    Bytes stored;
    std::u16string expected;
    for (int i = 0; i < 3000; ++i) {
        const auto u = static_cast<char16_t>(0x20 + i * 37 % 0xD000);
        stored.push_back(static_cast<uint8_t>(u & 0xFF));
        stored.push_back(static_cast<uint8_t>(u >> 8));
        expected += u;
    }
    EXPECT_EQ(Appended(u"x", stored), u"x" + expected);
}

} // namespace
