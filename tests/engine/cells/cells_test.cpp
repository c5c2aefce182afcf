#include "engine/Cells.h"
#include "core/Database.h"
#include "platform/Platform.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// Number and date texts follow the process locale; the C locale gives the
// en-US forms and UTF-8 as the narrow code page. The run of the table
// writer's checks under a single-byte ANSI page names its locale in
// VARNEX_CELLS_LOCALE (tests/engine/cells/suite.cmake).
[[maybe_unused]] const bool kLocaleFixed = [] {
    const char* const chosen = std::getenv("VARNEX_CELLS_LOCALE");
    static std::string setting = std::string("LC_ALL=") + (chosen != nullptr ? chosen : "C");
    ::putenv(setting.data());
    return true;
}();

Variant TextValue(const std::u16string& text) {
    Variant value;
    value.Type = VarType::Text;
    value.Text = text;
    return value;
}

Variant NullValue() {
    Variant value;
    value.Type = VarType::Null;
    return value;
}

Variant Scalar(VarType type, double real, int64_t integer = 0) {
    Variant value;
    value.Type = type;
    if (type == VarType::R4)
        value.R4 = static_cast<float>(real);
    else if (type == VarType::R8 || type == VarType::Date)
        value.R8 = real;
    else if (type == VarType::Bool)
        value.Bool = integer != 0;
    else
        value.I8 = integer;
    if (type == VarType::I4)
        value.I4 = static_cast<int32_t>(integer);
    if (type == VarType::I2)
        value.I2 = static_cast<int16_t>(integer);
    return value;
}

// A field that hands out a text as stored, and decodes it for Value() as a
// reader does: compressed runs of one- and two-byte units, a zero byte
// switching, or plain UTF-16LE; malformed bytes raise.
class StoredField : public Field {
public:
    StoredField(StoredText::Form form, std::vector<uint8_t> bytes) : form_(form), bytes_(std::move(bytes)) {}
    // The compressed form of runs: one-byte first, each run after the first
    // switching to the other kind.
    static StoredField Compressed(std::initializer_list<std::u16string_view> runs) {
        std::vector<uint8_t> bytes{0xFF, 0xFE};
        bool oneByte = true;
        bool first = true;
        for (const std::u16string_view run : runs) {
            if (!first)
                bytes.push_back(0);
            first = false;
            for (const char16_t unit : run) {
                bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
                if (!oneByte)
                    bytes.push_back(static_cast<uint8_t>(unit >> 8));
            }
            oneByte = !oneByte;
        }
        return StoredField(StoredText::Form::Compressed, std::move(bytes));
    }
    static StoredField Utf16(std::u16string_view text) {
        std::vector<uint8_t> bytes;
        for (const char16_t unit : text) {
            bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
            bytes.push_back(static_cast<uint8_t>(unit >> 8));
        }
        return StoredField(StoredText::Form::Utf16, std::move(bytes));
    }

    std::u16string_view Name() const override { return u"Stored"; }
    int16_t Type() const override { return DaoType::Memo; }
    const Variant& Value() const override {
        text_.clear();
        std::size_t p = 0;
        bool oneByte = false;
        if (form_ == StoredText::Form::Compressed) {
            p = 2;
            oneByte = true;
        }
        while (p < bytes_.size()) {
            if (form_ == StoredText::Form::Compressed && bytes_[p] == 0) {
                oneByte = !oneByte;
                ++p;
            } else if (oneByte) {
                text_ += static_cast<char16_t>(bytes_[p++]);
            } else {
                if (p + 1 >= bytes_.size())
                    throw EngineError(HResult::Fail, u"Stored", u"malformed");
                text_ += static_cast<char16_t>(bytes_[p] | (bytes_[p + 1] << 8));
                p += 2;
            }
        }
        value_ = TextValue(text_);
        value_.Text = text_;
        return value_;
    }
    bool StoredTextValue(StoredText& out) const override {
        out.Encoding = form_;
        out.Bytes = bytes_;
        return true;
    }

private:
    StoredText::Form form_;
    std::vector<uint8_t> bytes_;
    mutable std::u16string text_;
    mutable Variant value_;
};

// A field that hands out a value as a reader has decoded it.
class ValueField : public Field {
public:
    explicit ValueField(const Variant& value) : value_(value) {}
    std::u16string_view Name() const override { return u"Value"; }
    int16_t Type() const override { return DaoType::Double; }
    const Variant& Value() const override { return value_; }

private:
    Variant value_;
};

// The five settings that shape a cell; ConversionSettings itself cannot be
// copied, so each cell gets one built from these.
struct CellOptions {
    int32_t DoubleQuotes = 0;
    std::string Escape = "\"";
    int32_t RemoveCRLF = 0;
    std::string ReplaceCommaTo;
    int32_t CodePage = 0;
    std::string Fields; // the field delimiter; empty unless a test sets it
};

CellOptions Plain() { return {}; }

CellOptions Quoted() {
    CellOptions options;
    options.DoubleQuotes = 1;
    return options;
}

void Apply(const CellOptions& options, ConversionSettings& settings) {
    settings.DoubleQuotes = options.DoubleQuotes;
    settings.Escape = options.Escape;
    settings.RemoveCRLF = options.RemoveCRLF;
    settings.ReplaceCommaTo = options.ReplaceCommaTo;
    settings.CodePage = options.CodePage;
    settings.Fields = options.Fields;
}

class CellTest : public ::testing::Test {
protected:
    // The bytes one cell leaves in a freshly created file.
    std::string Cell(const CellOptions& options, const Variant& value, int16_t type) {
        ConversionSettings settings;
        Apply(options, settings);
        const std::string path = dir_.Path("cell" + std::to_string(++count_) + ".csv");
        OutputFile file;
        EXPECT_TRUE(file.OpenAppend(path));
        WriteCell(settings, file, value, type);
        file.Close();
        return ReadBytes(path);
    }
    std::string Cell(const CellOptions& options, const std::u16string& text, int16_t type) {
        return Cell(options, TextValue(text), type);
    }

    // Two fresh files, one.csv for WriteCell and table.csv for the table writer, whose bytes the
    // writer-equivalence tests compare.
    void OpenFreshPair(OutputFile& one, OutputFile& table) {
        for (const char* name : {"one.csv", "table.csv"})
            std::filesystem::remove(dir_.Path(name));
        ASSERT_TRUE(one.OpenAppend(dir_.Path("one.csv")));
        ASSERT_TRUE(table.OpenAppend(dir_.Path("table.csv")));
    }
    std::string OneBytes() { return ReadBytes(dir_.Path("one.csv")); }
    std::string TableBytes() { return ReadBytes(dir_.Path("table.csv")); }

    ScratchFolder dir_;
    int count_ = 0;
};

} // namespace

TEST(CellClass, FollowsTheTypeTableWithTextAsFallback) {
    for (int16_t code : {2, 3, 4, 5, 6, 7, 16, 19, 20, 21})
        EXPECT_EQ(CellClassOf(code), CellClass::Number) << code;
    for (int16_t code : {1, 8})
        EXPECT_EQ(CellClassOf(code), CellClass::Verbatim) << code;
    for (int16_t code : {0, 9, 10, 11, 12, 13, 14, 15, 17, 18, 22, 23, 24, 101, 102, 109, 255, -1})
        EXPECT_EQ(CellClassOf(code), CellClass::Text) << code;
}

TEST_F(CellTest, NullIsEmptyWhileAnEmptyStringIsAValue) {
    for (int16_t type : {DaoType::Text, DaoType::Memo, DaoType::Long, DaoType::Boolean, DaoType::Date})
        EXPECT_EQ(Cell(Quoted(), NullValue(), type), "") << type;
    EXPECT_EQ(Cell(Quoted(), u"", DaoType::Text), "\"\"");
    EXPECT_EQ(Cell(Quoted(), u"", DaoType::Boolean), "\"\"");
    EXPECT_EQ(Cell(Quoted(), u"", DaoType::Double), "");
}

TEST_F(CellTest, TextIsQuotedAndEveryQuoteEscaped) {
    const std::u16string text = u"a \"b\", c";
    EXPECT_EQ(Cell(Quoted(), text, DaoType::Text), "\"a \"\"b\"\", c\"");
    EXPECT_EQ(Cell(Plain(), text, DaoType::Text), "a \"\"b\"\", c"); // delimiter left unprotected

    CellOptions twoChars = Quoted();
    twoChars.Escape = "\\\"";
    EXPECT_EQ(Cell(twoChars, u"\"x\"", DaoType::Memo), "\"\\\"\"x\\\"\"\"");

    CellOptions bare = Quoted();
    bare.Escape = "";
    EXPECT_EQ(Cell(bare, u"\"x\"", DaoType::Memo), "\"\"x\"\"");
}

TEST_F(CellTest, NumbersAreNeverQuotedAndVerbatimCellsNeverEscaped) {
    EXPECT_EQ(Cell(Quoted(), u"3\"5", DaoType::Double), "3\"5");
    EXPECT_EQ(Cell(Quoted(), u"a\"b", DaoType::Date), "\"a\"b\"");
    EXPECT_EQ(Cell(Plain(), u"a\"b", DaoType::Boolean), "a\"b");
}

TEST_F(CellTest, ABareCellHoldingTheDelimiterIsEnclosed) {
    // A decimal comma between comma delimiters, or a text with quotes off,
    // would otherwise add a field to the line.
    CellOptions comma = Plain();
    comma.Fields = ",";
    EXPECT_EQ(Cell(comma, u"2330,73", DaoType::Double), "\"2330,73\"");
    EXPECT_EQ(Cell(comma, u"a \"b\", c", DaoType::Text), "\"a \"\"b\"\", c\"");
    EXPECT_EQ(Cell(comma, u"1,2", DaoType::Date), "\"1,2\"");
    EXPECT_EQ(Cell(comma, u"2330.73", DaoType::Double), "2330.73");
    EXPECT_EQ(Cell(comma, u"a \"b\"", DaoType::Text), "a \"\"b\"\"");

    // Replaced commas no longer clash; quoted cells stay as they were.
    comma.ReplaceCommaTo = ".";
    EXPECT_EQ(Cell(comma, u"2330,73", DaoType::Double), "2330.73");
    CellOptions quoted = Quoted();
    quoted.Fields = ",";
    EXPECT_EQ(Cell(quoted, u"3,5", DaoType::Double), "\"3,5\"");
    EXPECT_EQ(Cell(quoted, u"1,2", DaoType::Date), "\"1,2\"");
    EXPECT_EQ(Cell(quoted, u"x,y", DaoType::Text), "\"x,y\"");

    // A delimiter of several bytes counts only whole.
    CellOptions wide = Plain();
    wide.Fields = "||";
    EXPECT_EQ(Cell(wide, u"a|b", DaoType::Text), "a|b");
    EXPECT_EQ(Cell(wide, u"a||b", DaoType::Text), "\"a||b\"");
}

TEST_F(CellTest, AnUnquotedCellHoldingTheFieldDelimiterIsQuoted) {
    CellOptions semicolon = Plain();
    semicolon.Fields = ";";
    EXPECT_EQ(Cell(semicolon, u"a;\"b\"", DaoType::Text), "\"a;\"\"b\"\"\"");
    EXPECT_EQ(Cell(semicolon, u"a,\"b\"", DaoType::Text), "a,\"\"b\"\"");
    EXPECT_EQ(Cell(semicolon, u"3;5\"", DaoType::Double), "\"3;5\"\"\"");
    EXPECT_EQ(Cell(semicolon, u"1;2", DaoType::Date), "\"1;2\"");

    // Quoting already protects text and verbatim cells; numbers only need it
    // when their text holds the whole delimiter.
    CellOptions quoted = Quoted();
    quoted.Fields = ", ";
    EXPECT_EQ(Cell(quoted, u"a\", \"b", DaoType::Date), "\"a\", \"b\"");
    EXPECT_EQ(Cell(quoted, u"3,5", DaoType::Double), "3,5");
    EXPECT_EQ(Cell(quoted, u"3, 5", DaoType::Double), "\"3, 5\"");

    // A comma replaced in the text is no longer a delimiter in it.
    CellOptions replaced = Plain();
    replaced.Fields = ",";
    replaced.ReplaceCommaTo = ";";
    EXPECT_EQ(Cell(replaced, u"3,5", DaoType::Double), "3;5");
}

TEST_F(CellTest, MemoWithQuotesAndLineBreak) {
    CellOptions settings = Quoted();
    settings.RemoveCRLF = 1;
    EXPECT_EQ(Cell(settings, u"He said \"go\"\r\nthen left", DaoType::Memo), "\"He said \"\"go\"\"  then left\"");
}

TEST_F(CellTest, LineBreaksBecomeSpacesInTextOnly) {
    const std::u16string text = u"a\r\nb\nc\rd";
    CellOptions one = Plain(), two = Plain();
    one.RemoveCRLF = 1;
    two.RemoveCRLF = 2;
    EXPECT_EQ(Cell(one, text, DaoType::Text), "a  b c d");
    EXPECT_EQ(Cell(two, text, DaoType::Text), "a  b c d");
    EXPECT_EQ(Cell(Plain(), text, DaoType::Text), "a\r\nb\nc\rd");
    EXPECT_EQ(Cell(one, text, DaoType::Long), "a\r\nb\nc\rd");
    EXPECT_EQ(Cell(one, text, DaoType::Date), "a\r\nb\nc\rd");
}

TEST_F(CellTest, CommasTakeTheFirstByteOfTheReplacement) {
    CellOptions settings = Quoted();
    settings.ReplaceCommaTo = ";:-";
    EXPECT_EQ(Cell(settings, u"3,5", DaoType::Double), "3;5");
    EXPECT_EQ(Cell(settings, u"Smith, John, Jr.", DaoType::Text), "\"Smith; John; Jr.\"");
    EXPECT_EQ(Cell(settings, u"1,2", DaoType::Date), "\"1,2\"");
    EXPECT_EQ(Cell(Quoted(), u"3,5", DaoType::Double), "3,5");
}

TEST_F(CellTest, RealValuesUseTheirDefaultText) {
    Variant yes;
    yes.Type = VarType::Bool;
    yes.Bool = true;
    EXPECT_EQ(Cell(Quoted(), yes, DaoType::Boolean), "\"-1\"");

    Variant number;
    number.Type = VarType::R8;
    number.R8 = -1234.5;
    EXPECT_EQ(Cell(Quoted(), number, DaoType::Double), "-1234.5");

    Variant date;
    date.Type = VarType::Date;
    date.R8 = 45354.37855324074; // 2024-03-03 09:05:07
    std::string text;
    ASSERT_EQ(platform::VariantToText(date, text), 0);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(Cell(Quoted(), date, DaoType::Date), "\"" + text + "\"");
}

TEST_F(CellTest, OemConversionOnlyForTextWithCodePage2) {
    const std::u16string word = u"M\u00FCller \u00E9t\u00E9";
    const std::string ansi = platform::WideToAnsi(word);
    std::string oem = ansi;
    platform::AnsiToOem(oem);
    ASSERT_NE(oem, ansi) << "the OEM code page should differ for accented letters";

    CellOptions zero = Plain(), one = Plain(), two = Plain();
    one.CodePage = 1;
    two.CodePage = 2;
    EXPECT_EQ(Cell(zero, word, DaoType::Text), ansi);
    EXPECT_EQ(Cell(one, word, DaoType::Text), ansi);
    EXPECT_EQ(Cell(two, word, DaoType::Text), oem);
    EXPECT_EQ(Cell(two, word, DaoType::Long), ansi);
    EXPECT_EQ(Cell(two, word, DaoType::Date), ansi);
    EXPECT_EQ(Cell(two, u"", DaoType::Text), "");
}

TEST_F(CellTest, CellsLongerThanTheOldBufferAreWrittenWhole) {
    std::u16string text(100000, u'x');
    text[70000] = u'"';
    std::string expected(70000, 'x');
    expected += "\"\"";
    expected += std::string(29999, 'x');
    EXPECT_EQ(Cell(Quoted(), text, DaoType::Memo), "\"" + expected + "\"");
    EXPECT_EQ(Cell(Plain(), std::u16string(70000, u'7'), DaoType::Double), std::string(70000, '7'));
}

// A NUL is one of the text's characters: written as the byte 0 in every
// class, quoting mode and code page, with the text after it. (Before, the
// cell ended at the NUL and the rest of the value was lost.)
TEST_F(CellTest, TextKeepsItsNulCharacters) {
    using namespace std::string_literals;
    const std::u16string text(u"ab\0c\"d", 6);
    EXPECT_EQ(Cell(Quoted(), text, DaoType::Text), "\"ab\0c\"\"d\""s);
    EXPECT_EQ(Cell(Quoted(), text, DaoType::Long), "ab\0c\"d"s);
    EXPECT_EQ(Cell(Quoted(), text, DaoType::Boolean), "\"ab\0c\"d\""s);
    CellOptions oem = Plain(), ansi = Plain(), kept = Plain();
    oem.CodePage = 2;
    oem.RemoveCRLF = 1;
    ansi.CodePage = 1;
    ansi.RemoveCRLF = 1;
    const std::u16string lines(u"\0x\r\ny\0", 6);
    EXPECT_EQ(Cell(oem, lines, DaoType::Memo), "\0x  y\0"s);
    EXPECT_EQ(Cell(ansi, lines, DaoType::Memo), "\0x  y\0"s);
    EXPECT_EQ(Cell(kept, lines, DaoType::Memo), "\0x\r\ny\0"s);
    EXPECT_EQ(Cell(Plain(), std::u16string(u"\0", 1), DaoType::Text), "\0"s);

    // The table writer's routes: the decoded value and the stored UTF-16
    // bytes (a compressed text cannot hold a NUL: its zero byte switches).
    // Every quote is preceded by the escape text, whatever it is.
    for (const int quotes : {0, 1})
        for (const std::string escape : {"\"", "!", "the longest escape text allowed"}) {
            ConversionSettings settings;
            settings.DoubleQuotes = quotes;
            settings.Escape = escape;
            const std::string path = dir_.Path("table" + std::to_string(++count_) + ".csv");
            OutputFile file;
            ASSERT_TRUE(file.OpenAppend(path));
            TableCellWriter writer(settings);
            writer.Write(file, TextValue(text), CellClass::Text);
            file.Put('|');
            writer.Write(file, StoredField::Utf16(text), CellClass::Text);
            file.Close();
            const std::string written = "ab\0c"s + escape + "\"d";
            const std::string cell = quotes ? "\"" + written + "\"" : written;
            EXPECT_EQ(ReadBytes(path), cell + "|" + cell) << quotes << escape;
        }
}

// A text of megabytes goes out a slice at a time, and must come out as the
// one-cell procedure writes it: a pair across a slice's end kept whole, a
// delimiter only near the end still enclosing the cell, escapes in every slice.
TEST_F(CellTest, LongStoredTextsAreWrittenInSlicesAsOneCellIs) {
    std::u16string text;
    while (text.size() < 700000)
        text += u"plain ASCII words, \"quoted\"\r\nline \u00e9\u20ac ";
    text[16383] = u'\xD83D'; // a pair across the first slice's end
    text[16384] = u'\xDE00';
    std::u16string latin(1200000, u'x');
    latin[5] = u'\"';
    latin[700000] = u'\u00e9';
    latin.back() = u';'; // the only delimiter, at the very end of the cell
    const StoredField fields[] = {StoredField::Utf16(text), StoredField::Compressed({latin}),
                                  StoredField::Compressed({latin.substr(0, 1100000), u"\u4e2d\u6587\"", u"tail"})};
    for (const char* delimiter : {",", ";", ""})
        for (const int quotes : {0, 1})
            for (const int crlf : {0, 1})
                for (const char* escape : {"\"", "\\\""}) {
                    ConversionSettings settings;
                    settings.Fields = delimiter;
                    settings.DoubleQuotes = quotes;
                    settings.RemoveCRLF = crlf;
                    settings.Escape = escape;
                    OutputFile a, b;
                    ASSERT_NO_FATAL_FAILURE(OpenFreshPair(a, b));
                    TableCellWriter writer(settings);
                    for (const StoredField& field : fields) {
                        StoredText stored;
                        ASSERT_TRUE(field.StoredTextValue(stored));
                        ASSERT_GT(stored.Bytes.size(), std::size_t{1} << 20);
                        WriteCell(settings, a, field.Value(), DaoType::Memo);
                        writer.Write(b, field, CellClass::Text);
                        a.Put('|');
                        b.Put('|');
                    }
                    a.Close();
                    b.Close();
                    ASSERT_EQ(TableBytes(), OneBytes()) << "delimiter " << delimiter << " quotes " << quotes << " crlf "
                                                        << crlf << " escape " << escape;
                }
}

// Stored bytes that are no text leave the cell to the value, whose decoding
// raises; nothing of the cell is written.
TEST_F(CellTest, MalformedStoredTextRaisesThroughTheValue) {
    const StoredField broken[] = {
        StoredField(StoredText::Form::Compressed, {0xFF, 0xFE, 'a', 'b', 0, 0xAC, 0x20, 0x41}),
        StoredField(StoredText::Form::Compressed, {0xFF, 0xFE, 0, 0xAC}),
        StoredField(StoredText::Form::Utf16, {'a', 0, 'b'}),
    };
    for (const StoredField& field : broken) {
        ConversionSettings settings;
        Apply(Quoted(), settings);
        const std::string path = dir_.Path("broken" + std::to_string(++count_) + ".csv");
        {
            OutputFile file;
            ASSERT_TRUE(file.OpenAppend(path));
            TableCellWriter writer(settings);
            EXPECT_THROW(writer.Write(file, field, CellClass::Text), EngineError);
        }
        EXPECT_EQ(ReadBytes(path), "");
    }
}

TEST_F(CellTest, FailedConversionRaisesItsCodeAndWritesNothing) {
    Variant broken;
    broken.Type = static_cast<VarType>(200);
    std::string ignored;
    const int32_t code = platform::VariantToText(broken, ignored);
    if (code == 0)
        GTEST_SKIP() << "the platform converts every value type";

    const std::string path = dir_.Path("broken.csv");
    OutputFile file;
    ASSERT_TRUE(file.OpenAppend(path));
    try {
        ConversionSettings settings;
        Apply(Quoted(), settings);
        WriteCell(settings, file, broken, DaoType::Text);
        ADD_FAILURE() << "no EngineError";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.Code, code);
    }
    file.Close();
    EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(CellTest, ThreadsKeepTheirOwnCells) {
    // Two conversions in one process each write many cells at once; a shared
    // buffer would mix their texts.
    auto run = [this](const std::string& name, const std::u16string& text, std::string& out) {
        const std::string path = dir_.Path(name);
        ConversionSettings settings;
        Apply(Quoted(), settings);
        {
            OutputFile file;
            if (!file.OpenAppend(path))
                return;
            for (int i = 0; i < 2000; ++i)
                WriteCell(settings, file, TextValue(text), DaoType::Text);
        }
        out = ReadBytes(path);
    };
    std::string a, b;
    std::thread first(run, "a.csv", std::u16string(300, u'a'), std::ref(a));
    std::thread second(run, "b.csv", std::u16string(5, u'b'), std::ref(b));
    first.join();
    second.join();

    std::string expectedA, expectedB;
    for (int i = 0; i < 2000; ++i) {
        expectedA += "\"" + std::string(300, 'a') + "\"";
        expectedB += "\"bbbbb\"";
    }
    EXPECT_EQ(a, expectedA);
    EXPECT_EQ(b, expectedB);
}

TEST(OutputFileTest, AppendsToAnExistingFileInBinaryMode) {
    ScratchFolder dir;
    const std::string path = dir.Path("out.csv");
    for (int round = 0; round < 2; ++round) {
        OutputFile file;
        ASSERT_TRUE(file.OpenAppend(path));
        file.Write("a,b\r\n");
        file.Put('\n');
    }
    EXPECT_EQ(ReadBytes(path), "a,b\r\n\na,b\r\n\n");

    OutputFile missing;
    EXPECT_FALSE(missing.OpenAppend(dir.Path("no/such/dir/out.csv")));
    missing.Write("ignored"); // a closed file swallows writes instead of crashing
    EXPECT_TRUE(missing.Bytes().empty());
}

// The table-wide writer takes shortcuts; whatever the settings, its bytes
// must be the one-cell procedure's, also for many cells in one buffer.
TEST_F(CellTest, TableWriterWritesWhatWriteCellWrites) {
    using namespace std::string_literals;
    const std::u16string texts[] = {u"", u"plain", u"a \"b\", c", u"x;y", u"line\r\nbreak\n", u"3,5",
                                    u"ab"
                                    u"\u00e9\u20ac;\"",
                                    std::u16string(u"nul\0\"after", 11), u"abab", u"\"\"",
                                    // Long enough for the block-wise steps, with stops and replaced bytes in
                                    // every position of a block, and one character beyond ASCII.
                                    u"a long text, with \"quotes\", commas;\r\nand line breaks past sixteen bytes,"
                                    u" twice over;;, \u00e9 too,\n and more ASCII after it:\r\n0123456789abcdef\"x,",
                                    // Stops and Latin-1 characters back to back for more than a block each,
                                    // taken one after another inside the block loop.
                                    std::u16string(20, u'"') + std::u16string(18, u'\u00e9') + u";\"\u00e9,\"x"};
    const int16_t types[] = {DaoType::Text, DaoType::Memo, DaoType::Double, DaoType::Date, DaoType::Boolean};
    // Stored texts: every text above in both forms where it has them, and
    // compressed runs of both kinds around the block sizes of the one pass.
    std::vector<StoredField> stored;
    for (const std::u16string& text : texts) {
        stored.push_back(StoredField::Utf16(text));
        if (std::none_of(text.begin(), text.end(), [](char16_t c) { return c == 0 || c > 0xFF; }))
            stored.push_back(StoredField::Compressed({text}));
    }
    const std::u16string latin = u"caf\u00e9 \"x\",\r\n;ab|0123456789abcdef\u00ff";
    for (std::size_t length : {0, 1, 7, 8, 9, 15, 16, 17, 33})
        stored.push_back(
            StoredField::Compressed({latin.substr(0, std::min(length, latin.size())) +
                                         std::u16string(length > latin.size() ? length - latin.size() : 0, u'q'),
                                     std::u16string(length, u'\u20ac') + u"\u4e2d\"x,", latin.substr(length % 5),
                                     u"\U0001F601;\u00e9", u"tail \"end\""}));
    stored.push_back(StoredField::Compressed({u"", u"\u00e9\u20ac", u""}));
    stored.push_back(StoredField::Compressed({u"x", u"\u20ac", u"a"}));
    stored.push_back(StoredField::Compressed({u"x", u"\u20ac", u"\"b"}));
    stored.push_back(StoredField::Compressed({u"x", u"\u20ac\"", u"a"}));
    stored.push_back(StoredField::Compressed({u"x", u"yz", u"ab"}));
    stored.push_back(StoredField::Compressed({u"x", u"yz", u"abc"}));
    // Two switches in a row: the two-byte pass meets a zero unit that is no NUL.
    stored.push_back(StoredField::Compressed({u"a", u"bc", u"", u"de\"f"}));
    stored.push_back(StoredField::Compressed({u"ab", u"\u0101x\"y,z;long run of two-byte ASCII units"}));
    stored.push_back(StoredField::Utf16(u"two-byte ASCII then \u00e9\u20ac and a NUL\0\"gone\""s));
    // Texts whose every unit is at a chosen place of the passes' blocks,
    // written as text cells only.
    std::vector<StoredField> blockTexts;
    // Each unit that takes a step of its own, at every place of a block of
    // sixteen units and just past it, in both forms: a Latin-1 letter (which
    // a Windows-1252 page keeps as it is, from U+00A0 up), 0xFF (where wider
    // units land when narrowed), C1 controls at either end of their range,
    // a replaced line break and a quote.
    for (std::size_t at = 0; at < 18; ++at) {
        std::u16string text(40, u'q');
        text[at] = u'\u00e9';
        text[(at + 3) % text.size()] = u'\u00ff';
        text[(at + 7) % text.size()] = u'\n';
        text[(at + 11) % text.size()] = u'"';
        text[(at + 13) % text.size()] = u'\u0080';
        text[(at + 17) % text.size()] = u'\u009f';
        text[(at + 19) % text.size()] = u'\u00a0';
        blockTexts.push_back(StoredField::Utf16(text));
        blockTexts.push_back(StoredField::Compressed({text}));
    }
    // Units from 0x100 up narrow to 0xFF or to zero; each must stop the
    // two-byte pass where it stands, whatever its place in the block.
    for (const std::size_t at : {0, 7, 15, 16, 31})
        for (const char16_t wide : {u'\u0100', u'\u7fff', u'\u8000', u'\uac00'}) {
            std::u16string text(34, u'w');
            text[at] = wide;
            blockTexts.push_back(StoredField::Utf16(text));
        }
    // A switch on either side of a block's edge in the two-byte pass.
    for (const std::size_t length : {15, 16, 17, 31, 32, 33})
        blockTexts.push_back(StoredField::Compressed(
            {u"a\"", std::u16string(length, u'v') + u"\u00e9\r\u0100", u"one-byte tail \u00e9\u00ff"}));
    // Numbers, currency, Booleans and dates, under their own and other classes.
    const Variant scalars[] = {Scalar(VarType::R8, -1234.5),
                               Scalar(VarType::R8, 1.5e20),
                               Scalar(VarType::R8, 5.6789e-11),
                               Scalar(VarType::R8, 1.0 / 3),
                               Scalar(VarType::R4, 0.1),
                               Scalar(VarType::I4, 0, -7),
                               Scalar(VarType::I2, 0, 12345),
                               Scalar(VarType::Currency, 0, -123456789),
                               Scalar(VarType::Currency, 0, INT64_MIN),
                               Scalar(VarType::Bool, 0, 1),
                               Scalar(VarType::Bool, 0, 0),
                               Scalar(VarType::I8, 0, INT64_MIN),
                               Scalar(VarType::Byte, 0, 250),
                               Scalar(VarType::R8, std::nan("")),
                               Scalar(VarType::R8, -HUGE_VAL),
                               NullValue(),
                               Scalar(VarType::Date, 45354.37855324074),
                               Scalar(VarType::Date, 0.25),
                               Scalar(VarType::Date, 45354.0)};
    const int16_t scalarTypes[] = {DaoType::Double, DaoType::Currency, DaoType::Boolean, DaoType::Date, DaoType::Text};
    int cases = 0;
    // The delimiters after the first five are bytes of number and date
    // texts: the writer searches a scalar text only for those its type may hold.
    for (const char* fields : {",", ";", "", "ab", "\"", ".", "-", "5", ":", "/", "E", " ", "N"})
        for (const char* replacement : {"", ";", "\"", "\0x"})
            for (int quotes : {0, 1})
                for (int crlf : {0, 1})
                    for (const char* escape : {"\"", "\\\"", ""})
                        for (int codePage : {0, 2}) {
                            ConversionSettings settings;
                            settings.Fields = fields;
                            settings.ReplaceCommaTo = replacement;
                            settings.DoubleQuotes = quotes;
                            settings.RemoveCRLF = crlf;
                            settings.Escape = escape;
                            settings.CodePage = codePage;
                            OutputFile a, b;
                            ASSERT_NO_FATAL_FAILURE(OpenFreshPair(a, b));
                            TableCellWriter writer(settings);
                            for (const std::u16string& text : texts)
                                for (int16_t type : types) {
                                    WriteCell(settings, a, TextValue(text), type);
                                    writer.Write(b, TextValue(text), CellClassOf(type));
                                    a.Put('|');
                                    b.Put('|');
                                }
                            for (const StoredField& field : stored)
                                for (int16_t type : types) {
                                    writer.Write(b, field, CellClassOf(type));
                                    WriteCell(settings, a, field.Value(), type);
                                    a.Put('|');
                                    b.Put('|');
                                }
                            // The OEM page takes the general steps, never the passes.
                            for (const StoredField& field : codePage == 2 ? std::span<const StoredField>()
                                                                          : std::span<const StoredField>(blockTexts)) {
                                writer.Write(b, field, CellClass::Text);
                                WriteCell(settings, a, field.Value(), DaoType::Memo);
                                a.Put('|');
                                b.Put('|');
                            }
                            // Each scalar by value and through a field, which takes a route of its own.
                            for (const Variant& value : scalars)
                                for (int16_t type : scalarTypes) {
                                    WriteCell(settings, a, value, type);
                                    writer.Write(b, value, CellClassOf(type));
                                    a.Put('|');
                                    b.Put('|');
                                    WriteCell(settings, a, value, type);
                                    writer.Write(b, ValueField(value), CellClassOf(type));
                                    a.Put('|');
                                    b.Put('|');
                                }
                            a.Close();
                            b.Close();
                            ASSERT_EQ(OneBytes(), TableBytes())
                                << "fields '" << fields << "' replacement '" << replacement << "' quotes " << quotes
                                << " crlf " << crlf << " escape '" << escape << "' code page " << codePage;
                            ++cases;
                        }
    EXPECT_EQ(cases, 13 * 96);

    // A text whose escaped form cannot fit the file's buffer at all.
    ConversionSettings settings;
    settings.Fields = ",";
    settings.DoubleQuotes = 1;
    settings.Escape = "\\\"";
    const std::string path = dir_.Path("long.csv");
    {
        OutputFile file;
        ASSERT_TRUE(file.OpenAppend(path));
        TableCellWriter writer(settings);
        writer.Write(file, TextValue(std::u16string(30000, u'"')), CellClass::Text);
    }
    std::string expected = "\"";
    for (int i = 0; i < 30000; ++i)
        expected += "\\\"\"";
    EXPECT_EQ(ReadBytes(path), expected + "\"");
}
