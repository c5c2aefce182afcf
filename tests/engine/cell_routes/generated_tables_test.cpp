// The table cell writer takes shortcuts that only real tables exercise in
// full: texts from the reader's stored bytes, numbers and dates formatted in
// the file's buffer, values decoded only when asked for. Here the benchmark
// tables (fewer rows), a table of awkward texts and numbers and a Jet3 copy
// are written cell by cell through it and through the one-cell procedure
// on each decoded value, and the bytes must be the same under every setting
// that shapes a cell. The suite runs once in the environment's locale and,
// through ctest, in a German UTF-8 and a German CP1252 one.

#include "engine/Cells.h"
#include "jet/JetEngine.h"
#include "platform/Platform.h"

#include "tests/support/ScratchFolder.h"
#include "tests/tools/TableBuilding.h"

#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/Json.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace building;

struct Source {
    std::string Path;
    std::u16string Table;
};

MdbDescription Bench(const std::string& name, std::uint64_t rows) {
    return DescriptionFromJson(ParseJsonFile(std::string(VARNEX_SOURCE_DIR) + "/bench/" + name), rows);
}

// An amount held as value x 10^4, as the exact text the writer takes.
CellValue CurrencyText(std::int64_t scaled) {
    const std::uint64_t magnitude =
        scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    const std::string fraction = std::to_string(magnitude % 10000 + 10000).substr(1);
    return T((scaled < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction);
}

// Texts with stops, replaced bytes, characters beyond Latin-1 and beyond the
// BMP, long memos (stored uncompressed past 1024 characters, and on long-value
// pages), and numbers at the edges of their forms.
MdbDescription Awkward() {
    TableSpec table;
    table.name = "Awkward";
    table.columns = {Col("ID", JetType::Long),       Col("Label", JetType::Text, 120), Col("Notes", JetType::Memo),
                     Col("Ratio", JetType::Double),  Col("Small", JetType::Single),    Col("Price", JetType::Currency),
                     Col("When", JetType::DateTime), Col("Yes", JetType::Boolean),     Col("Count", JetType::Integer),
                     Col("Tiny", JetType::Byte)};
    const std::string texts[] = {"",
                                 "plain",
                                 "a \"b\", c;d\r\ne\nf\rg",
                                 "ab\xC3\xA9\xE2\x82\xAC;\"",
                                 "\xE4\xB8\xAD\xE6\x96\x87 and \xF0\x9F\x98\x80 \"x\"",
                                 "\xC3\xBF\xC3\xA0 Latin-1 only, with \"quotes\"",
                                 "abab" + std::string(60, ',') + "ab",
                                 std::string(119, 'x') + "\xE2\x82\xAC"};
    const double reals[] = {0.0, -1234.5, 1.5e20, 5.6789e-11, 1.0 / 3, 1234567890123.125, -2.5e-300};
    const std::int64_t money[] = {0, -1, INT64_MAX, INT64_MIN, 123456789, 50000, -7};
    const double dates[] = {45354.37855324074, 0.25, 45354.0, -657434.0, 2958465.99998, 1.5, -1.75};
    for (std::size_t i = 0; i < 24; ++i) {
        const std::string& text = texts[i % std::size(texts)];
        std::string memo;
        for (std::size_t k = 0; k < i * 97 % 1500; ++k)
            memo += static_cast<char>(k % 41 == 3 ? '"' : k % 53 == 7 ? '\n' : 'a' + static_cast<int>(k % 26));
        if (i % 3 == 1)
            memo += "\xE2\x82\xAC end";
        table.rows.push_back({I(static_cast<std::int64_t>(i)), i % 9 == 8 ? Null : T(text), i % 7 == 6 ? Null : T(memo),
                              R(reals[i % std::size(reals)]), R(reals[(i + 3) % std::size(reals)]),
                              CurrencyText(money[i % std::size(money)]), R(dates[i % std::size(dates)]),
                              CellValue::fromBool(i % 2 == 0), I(static_cast<std::int64_t>(i * 1000) - 9000),
                              I(static_cast<std::int64_t>(i * 11 % 256))});
    }
    MdbDescription description;
    description.tables = {table};
    return description;
}

class CellRoutes : public ::testing::Test {
protected:
    Source Make(MdbDescription description, const std::string& file) {
        const std::string path = dir_.Path(file);
        WriteMdb(description, path);
        return {path, std::u16string(description.tables.front().name.begin(), description.tables.front().name.end())};
    }

    ScratchFolder dir_;
};

// Every record of the table, through both routes into two files. A subset
// leaves every third field out, as /ONLYFIELDS= does.
void WriteBothRoutes(Database& database, const std::u16string& table, const ConversionSettings& settings, bool subset,
                     OutputFile& viaTable, OutputFile& viaCell) {
    const auto records = database.OpenRecordset(table);
    TableCellWriter writer(settings);
    for (records->MoveFirst(); !records->Eof(); records->MoveNext()) {
        const Fields& fields = records->GetFields();
        for (int16_t i = 0; i < fields.Count(); ++i) {
            if (subset && i % 3 == 1)
                continue;
            const Field& field = fields.Item(i);
            // The writer first: it sees the record before anything decoded it.
            writer.Write(viaTable, field, CellClassOf(field.Type()));
            WriteCell(settings, viaCell, field.Value(), field.Type());
            viaTable.Put('|');
            viaCell.Put('|');
        }
        viaTable.Write("\r\n");
        viaCell.Write("\r\n");
    }
}

std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    const std::size_t from = at < 40 ? 0 : at - 40;
    return "at byte " + std::to_string(at) + ": table writer '" + a.substr(from, 80) + "' one cell '" +
           b.substr(from, 80) + "'";
}

TEST_F(CellRoutes, GeneratedTablesAreWrittenAlikeByBothRoutes) {
    MdbDescription jet3 = Bench("table.json", 60);
    jet3.format = FileFormat::Jet3;
    const std::vector<Source> sources = {
        Make(Bench("table.json", 150), "table.mdb"), Make(Bench("memo.json", 40), "memo.mdb"),
        Make(Bench("wide.json", 12), "wide.mdb"), Make(Awkward(), "awkward.mdb"), Make(jet3, "jet3.mdb")};
    const auto engine = CreateJetEngine(true);
    std::vector<std::unique_ptr<Database>> databases;
    for (const Source& source : sources)
        databases.push_back(engine->OpenDatabase(platform::AnsiToWide(source.Path), 1, true, std::nullopt));

    int cases = 0;
    for (const char* fields : {",", ";", "", "ab"})
        for (const char* replacement : {"", ";"})
            for (int quotes : {0, 1})
                for (int crlf : {0, 1})
                    for (const char* escape : {"\"", "\\\""})
                        for (int codePage : {0, 2}) {
                            ConversionSettings settings;
                            settings.Fields = fields;
                            settings.ReplaceCommaTo = replacement;
                            settings.DoubleQuotes = quotes;
                            settings.RemoveCRLF = crlf;
                            settings.Escape = escape;
                            settings.CodePage = codePage;
                            const std::string one = dir_.Path("one" + std::to_string(cases) + ".csv");
                            const std::string table = dir_.Path("table" + std::to_string(cases) + ".csv");
                            {
                                OutputFile viaCell, viaTable;
                                ASSERT_TRUE(viaCell.OpenAppend(one));
                                ASSERT_TRUE(viaTable.OpenAppend(table));
                                for (std::size_t k = 0; k < sources.size(); ++k)
                                    WriteBothRoutes(*databases[k], sources[k].Table, settings, cases % 2 == 1, viaTable,
                                                    viaCell);
                            }
                            const std::string a = ReadBytes(table), b = ReadBytes(one);
                            ASSERT_EQ(a.size(), b.size()) << FirstDifference(a, b);
                            ASSERT_TRUE(a == b) << FirstDifference(a, b) << " fields '" << fields << "' replacement '"
                                                << replacement << "' quotes " << quotes << " crlf " << crlf
                                                << " escape '" << escape << "' code page " << codePage;
                            std::filesystem::remove(one);
                            std::filesystem::remove(table);
                            ++cases;
                        }
    EXPECT_EQ(cases, 128);
}

} // namespace
