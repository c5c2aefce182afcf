#include "wizard/TerminalProgress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A terminal whose clock the test moves and whose screen is a byte log.
struct FakeTerminal {
    double now = 100.0;
    std::size_t columns = 80;
    std::string written;

    TerminalProgress::Terminal Make() {
        TerminalProgress::Terminal terminal;
        terminal.Write = [this](std::string_view bytes) { written.append(bytes); };
        terminal.Now = [this] { return now; };
        terminal.Columns = [this] { return columns; };
        return terminal;
    }
    // The lines drawn so far, each without its leading CR and trailing erase.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while ((at = written.find('\r', at)) != std::string::npos) {
            const std::size_t end = written.find("\x1b[K", at);
            if (end != at + 1)
                lines.push_back(written.substr(at + 1, end - at - 1));
            at = end;
        }
        return lines;
    }
};

TEST(ProgressLineTest, ShowsCountsRateAndTimeLeft) {
    EXPECT_EQ(ProgressLine("Orders", 2500, 10000, 0.5, 80), "Orders  2500/10000 rows (25%)  5000 rows/s  0:02 left");
    EXPECT_EQ(ProgressLine("Big", 1000, 7201000, 1.0, 80), "Big  1000/7201000 rows (0%)  1000 rows/s  2:00:00 left");
    // No time yet, or more rows than the stored count: no estimate to give.
    EXPECT_EQ(ProgressLine("T", 0, 10, 0, 80), "T  0/10 rows (0%)  0 rows/s  --:-- left");
    EXPECT_EQ(ProgressLine("T", 12, 10, 1.0, 80), "T  12 rows  12 rows/s");
}

TEST(ProgressLineTest, NeverWiderThanTheTerminalAndKeepsTheCounts) {
    const std::string name(100, 'n');
    const std::string line = ProgressLine(name, 5, 10, 1.0, 60);
    EXPECT_EQ(line.size(), 59u);
    EXPECT_NE(line.find("...  5/10 rows"), std::string::npos) << line;
    // Narrower: the rate goes, then the time left, then the line is cut,
    // still one row of the screen.
    EXPECT_EQ(ProgressLine("Orders", 5, 10, 1.0, 40), "Orders  5/10 rows (50%)  0:01 left");
    EXPECT_EQ(ProgressLine("Orders", 5, 10, 1.0, 25), "Orders  5/10 rows (50%)");
    EXPECT_EQ(ProgressLine(name, 5, 10, 1.0, 12), "nnnnnnnnnnn");
    // A multi-byte name is cut between characters, and counted as characters.
    std::string accents;
    for (int i = 0; i < 60; ++i)
        accents += "\xC3\xA9";
    const std::string cut = ProgressLine(accents, 5, 10, 1.0, 60);
    EXPECT_EQ(cut.substr(0, 2), "\xC3\xA9");
    EXPECT_EQ(cut.find("\xC3..."), std::string::npos);
    std::size_t characters = 0;
    for (unsigned char c : cut)
        characters += (c & 0xC0) != 0x80;
    EXPECT_EQ(characters, 59u);
    // Control characters in a name would move the cursor or speak to the
    // terminal: C0, DEL and C1 alike show as escapes.
    EXPECT_EQ(ProgressLine("a\nb\x1b]0;x\x07\x7f", 1, 2, 1.0, 80).substr(0, 25), "a\\nb\\x1b]0;x\\x07\\x7f  1/2");
}

TEST(TerminalProgressTest, RedrawsAtMostTenTimesASecondAndErasesAtTheEnd) {
    FakeTerminal screen;
    {
        TerminalProgress progress(screen.Make(), false);
        progress.SetCurrentFileText("Orders -> /out/Orders.csv");
        progress.ProgressStartTable(100000);
        // 100000 rows over two seconds, 20 microseconds each.
        for (int i = 0; i < 100000; ++i) {
            screen.now += 0.00002;
            progress.ProgressRecords(i + 1);
        }
        const std::vector<std::string> lines = screen.Drawn();
        EXPECT_GE(lines.size(), 15u);
        EXPECT_LE(lines.size(), 20u);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front().substr(0, 8), "Orders  ");
        EXPECT_NE(lines.back().find("/100000 rows"), std::string::npos) << lines.back();
        const std::string& last = lines.back();
        const std::size_t rate = last.find(" rows/s");
        ASSERT_NE(rate, std::string::npos) << last;
        const long perSecond = std::stol(last.substr(last.rfind(' ', rate - 1) + 1));
        EXPECT_NEAR(perSecond, 50000, 10) << last;
        progress.ProgressEndTable();
        EXPECT_EQ(screen.written.substr(screen.written.size() - 4), "\r\x1b[K");
        const std::size_t afterEnd = screen.written.size();
        progress.ProgressEndTable();
        EXPECT_EQ(screen.written.size(), afterEnd) << "nothing shown, nothing to erase";
    }
    EXPECT_EQ(screen.written.back(), 'K');
}

TEST(TerminalProgressTest, QuickRunShowsNothingAndAnInterruptedOneIsErased) {
    FakeTerminal screen;
    {
        TerminalProgress progress(screen.Make(), false);
        progress.SetCurrentFileText("T -> x");
        progress.ProgressStartTable(1000);
        for (int i = 0; i < 1000; ++i)
            progress.ProgressRecords(i + 1);
        progress.ProgressEndTable();
    }
    EXPECT_EQ(screen.written, "");

    {
        TerminalProgress progress(screen.Make(), false);
        progress.ProgressStartTable(10);
        screen.now += 1;
        progress.ProgressRecords(1);
        EXPECT_FALSE(screen.written.empty());
        // The run ends without its table's end (an exception): the line goes all the same.
    }
    EXPECT_EQ(screen.written.substr(screen.written.size() - 4), "\r\x1b[K");
}

// The clock never moves here: what is drawn depends on the stored counts
// alone, as it must for a machine of any speed.
TEST(TerminalProgressTest, ABigTableShowsItsLineFromItsFirstRowOnAnyMachine) {
    FakeTerminal screen;
    TerminalProgress progress(screen.Make(), false);
    progress.SetCurrentFileText("Big -> /out/Big.csv");
    progress.ProgressStartTable(static_cast<int32_t>(TerminalProgress::kRowsShownFromTheStart));
    EXPECT_EQ(screen.Drawn(), (std::vector<std::string>{"Big  0/100000 rows (0%)  0 rows/s  --:-- left"}));
    for (int i = 0; i < 1000; ++i)
        progress.ProgressRecords(i + 1);
    EXPECT_EQ(screen.Drawn().size(), 1u) << "no redraw before the clock moves";
    progress.ProgressEndTable();

    // One row fewer: the table waits for the clock like any other.
    progress.SetCurrentFileText("Small -> /out/Small.csv");
    progress.ProgressStartTable(static_cast<int32_t>(TerminalProgress::kRowsShownFromTheStart - 1));
    for (int i = 0; i < 1000; ++i)
        progress.ProgressRecords(i + 1);
    EXPECT_EQ(screen.Drawn().size(), 1u);
}

TEST(TerminalProgressTest, PatternRunNamesEachDatabaseOnALineThatStays) {
    FakeTerminal screen;
    TerminalProgress progress(screen.Make(), true);
    progress.ProgressStartDatabase("/data/a.mdb");
    progress.ProgressStartTable(10);
    screen.now += 1;
    progress.ProgressRecords(1);
    progress.ProgressStartDatabase("/data/b.mdb");
    const std::string& out = screen.written;
    EXPECT_EQ(out.substr(0, 23), "Converting /data/a.mdb\n");
    // The second database's line first takes the progress line away.
    EXPECT_NE(out.find("\r\x1b[KConverting /data/b.mdb\n"), std::string::npos) << out;

    FakeTerminal single;
    TerminalProgress quiet(single.Make(), false);
    quiet.ProgressStartDatabase("/data/a.mdb");
    EXPECT_EQ(single.written, "");
}

} // namespace
