// Records as JSON Lines and as portable CSV lines, over the in-memory engine:
// every value shape, the date columns' one form, quoting and the counts
// behind the warnings.
#include "engine/TypedLines.h"

#include "tests/support/MemoryDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kMonday = 45299;                          // 2024-01-08
constexpr double kMondayMorning = 45299 + 33180 / 86400.0; // 09:13:00

class TypedLines : public ::testing::Test {
protected:
    void SetUp() override {
        InitSettings(settings_);
        ResolveFieldDelimiter(settings_, settings_.Fields.str());
        ResolveRecordDelimiter(settings_, "CRLF");
        memdb::ClearRegistry();
        file_ = memdb::Register("typed.mdb");
        const char16_t lone[] = {u'a', 0xD800};
        memdb::Table& table = file_->AddTable("Mixed", {{"ID", DaoType::Long},
                                                        {"Small", DaoType::Integer},
                                                        {"Big", DaoType::BigInt},
                                                        {"Ratio", DaoType::Double},
                                                        {"Done", DaoType::Boolean},
                                                        {"Born", DaoType::Date},
                                                        {"Day", DaoType::Date},
                                                        {"Price", DaoType::Currency},
                                                        {"Name", DaoType::Text},
                                                        {"Blob", DaoType::LongBinary}});
        table.Row({memdb::Long(1), memdb::Integer(-2), memdb::BigInt(9007199254740993), memdb::Double(0.1),
                   memdb::Boolean(true), memdb::Date(kMondayMorning), memdb::Date(kMonday), memdb::Currency(125000),
                   memdb::Text("He said \"go\",\r\nthen left"), memdb::Binary({0x00, 0xFF})});
        table.Row({memdb::Long(2), memdb::Null(), memdb::Null(), memdb::Double(std::nan("")), memdb::Boolean(false),
                   memdb::Date(kMonday), memdb::Null(), memdb::Currency(-1), memdb::WideText(std::u16string(lone, 2)),
                   memdb::Null()});
        table.Row({memdb::Long(3), memdb::Integer(0), memdb::BigInt(0),
                   memdb::Double(std::numeric_limits<double>::infinity()), memdb::Boolean(false), memdb::Date(3e6),
                   memdb::Date(kMonday + 1), memdb::Currency(0), memdb::Text(""), memdb::Binary({})});
        database_ = engine_.OpenDatabase(u"typed.mdb", 0, true, std::nullopt);
        definition_ = database_->GetTableDefs()->Item(u"Mixed");
        plan_.Count = definition_->GetFields().Count();
        for (int32_t i = 0; i < plan_.Count; ++i)
            plan_.Exported.push_back(i);
    }

    std::vector<std::string> JsonLines() {
        auto records = database_->OpenRecordset(u"Mixed");
        JsonLineWriter writer(definition_->GetFields(), plan_, nullptr);
        std::vector<std::string> lines;
        int64_t row = 0;
        for (records->MoveFirst(); !records->Eof(); records->MoveNext()) {
            std::string line;
            writer.Write(records->GetFields(), ++row, line);
            lines.push_back(line);
        }
        counts_ = writer.Counts();
        return lines;
    }

    std::string Portable() {
        auto records = database_->OpenRecordset(u"Mixed");
        PortableLineWriter writer(settings_, plan_, DateColumnsWithTimes(*records, definition_->GetFields(), plan_),
                                  nullptr);
        std::string out = writer.Header(definition_->GetFields());
        int64_t row = 0;
        for (records->MoveFirst(); !records->Eof(); records->MoveNext())
            writer.Write(records->GetFields(), ++row, out);
        counts_ = writer.Counts();
        return out;
    }

    ConversionSettings settings_;
    memdb::Engine engine_;
    std::shared_ptr<memdb::File> file_;
    std::unique_ptr<Database> database_;
    std::shared_ptr<TableDef> definition_;
    ColumnPlan plan_;
    TypedTextCounts counts_;
};

TEST_F(TypedLines, JsonKeepsEachValuesTypeAndNullApartFromEmpty) {
    const std::vector<std::string> lines = JsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], R"({"ID":1,"Small":-2,"Big":9007199254740993,"Ratio":0.1,"Done":true,)"
                        R"("Born":"2024-01-08T09:13:00","Day":"2024-01-08T00:00:00","Price":12.5,)"
                        R"("Name":"He said \"go\",\r\nthen left","Blob":"AP8="})"
                        "\n");
    EXPECT_EQ(lines[1], "{\"ID\":2,\"Small\":null,\"Big\":null,\"Ratio\":null,\"Done\":false,"
                        "\"Born\":\"2024-01-08T00:00:00\",\"Day\":null,\"Price\":-0.0001,"
                        "\"Name\":\"a\xEF\xBF\xBD\",\"Blob\":null}\n");
    EXPECT_EQ(lines[2], R"({"ID":3,"Small":0,"Big":0,"Ratio":null,"Done":false,"Born":null,)"
                        R"("Day":"2024-01-09T00:00:00","Price":0,"Name":"","Blob":""})"
                        "\n");
    EXPECT_EQ(counts_.NotFinite, 2);
    EXPECT_EQ(counts_.NoText, 1);
    EXPECT_EQ(counts_.CharactersReplaced, 1);
    EXPECT_EQ(TypedTextWarning(counts_),
              "2 values not a finite number (NaN or infinity) written without a value; 1 dates outside the years "
              "100 to 9999 written without a value; 1 characters that were not valid UTF-16 written as U+FFFD");

    // Only the chosen columns, in the table's order; none at all is "{}".
    plan_.Exported = {8, 0};
    EXPECT_EQ(JsonLines()[0], "{\"Name\":\"He said \\\"go\\\",\\r\\nthen left\",\"ID\":1}\n");
    plan_.Exported = {};
    EXPECT_EQ(JsonLines()[0], "{}\n");
}

TEST_F(TypedLines, PortableCsvIsOneFormWhateverTheSettingsOfTheLocaleForm) {
    settings_.Header = 1;
    settings_.DoubleQuotes = 1; // the saved settings' quoting, not /QUOTES=1: quoted only where needed
    // A date column whose values are all midnights shows dates alone; one
    // with a time anywhere shows every value with its time.
    EXPECT_EQ(Portable(), "ID,Small,Big,Ratio,Done,Born,Day,Price,Name,Blob\r\n"
                          "1,-2,9007199254740993,0.1,true,2024-01-08 09:13:00,2024-01-08,12.5,"
                          "\"He said \"\"go\"\",\r\nthen left\",00FF\r\n"
                          "2,,,,false,2024-01-08 00:00:00,,-0.0001,a\xEF\xBF\xBD,\r\n"
                          "3,0,0,,false,,2024-01-09,0,,\r\n");
    EXPECT_EQ(counts_.NotFinite, 2);

    // The delimiter, quoting on asking, binary forms.
    settings_.Fields = ";";
    settings_.DoubleQuotes = 1;
    settings_.QuotesAsked = 1;
    settings_.Binary = BinaryForm::Base64;
    settings_.Records = "\n";
    plan_.Exported = {0, 8, 9};
    EXPECT_EQ(Portable(), "\"ID\";\"Name\";\"Blob\"\n\"1\";\"He said \"\"go\"\",\r\nthen left\";\"AP8=\"\n"
                          "\"2\";\"a\xEF\xBF\xBD\";\n\"3\";\"\";\"\"\n");
    settings_.DoubleQuotes = 0;
    settings_.Header = 0;
    settings_.Binary = BinaryForm::Skip;
    file_->Tables[0].Rows[2][8] = memdb::Text("x;y");
    EXPECT_EQ(Portable(), "1;\"He said \"\"go\"\",\r\nthen left\";\n2;a\xEF\xBF\xBD;\n3;\"x;y\";\n");
}

TEST(TypedText, CsvFieldsQuotedOnlyWhenTheyMustBe) {
    auto field = [](std::string_view text, std::string_view delimiter, bool always = false) {
        std::string out;
        AppendCsvField(text, delimiter, always, out);
        return out;
    };
    EXPECT_EQ(field("plain", ","), "plain");
    EXPECT_EQ(field("a,b", ","), "\"a,b\"");
    EXPECT_EQ(field("a,b", "\t"), "a,b");
    EXPECT_EQ(field("a\tb", "\t"), "\"a\tb\"");
    EXPECT_EQ(field("a||b", "||"), "\"a||b\"");
    EXPECT_EQ(field("say \"x\"", ","), "\"say \"\"x\"\"\"");
    EXPECT_EQ(field("line\nbreak", ","), "\"line\nbreak\"");
    EXPECT_EQ(field("cr\r", ","), "\"cr\r\"");
    EXPECT_EQ(field("", ","), "");
    EXPECT_EQ(field("", ",", true), "\"\"");
    EXPECT_EQ(field("x", "", false), "x");

    // Long fields, searched a block at a time: a hit in any place of a block,
    // a delimiter across two blocks, a first byte alone no hit.
    const std::string plain(40, 'a');
    EXPECT_EQ(field(plain, ","), plain);
    for (std::size_t at : {0u, 15u, 16u, 31u, 39u}) {
        for (const char special : {',', '"', '\r', '\n'}) {
            std::string text = plain;
            text[at] = special;
            EXPECT_TRUE(CsvFieldNeedsQuotes(text, ",")) << at << int(special);
        }
    }
    std::string across = plain;
    across[15] = '|';
    across[16] = '|';
    EXPECT_TRUE(CsvFieldNeedsQuotes(across, "||"));
    std::string half = plain;
    half[15] = '|';
    half[33] = '|';
    EXPECT_FALSE(CsvFieldNeedsQuotes(half, "||"));
    EXPECT_TRUE(CsvFieldNeedsQuotes(half, "|"));
}

} // namespace
