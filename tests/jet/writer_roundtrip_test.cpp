// Files from the fixture writer read three ways: what the description holds,
// what our reader hands out and what mdb-export prints must be the same
// values. A fault in the writer shows up against mdbtools, a fault in our
// reader against both, so the fixtures the other tests rely on stay honest.

#include "CorpusFiles.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>

namespace {

// One cell in a form all three sources can be brought to: text, or a
// number for the floating types, whose printed digits differ between tools.
struct Cell {
    bool Null = false;
    std::string Text;
    double Number = 0;
};

using Row = std::vector<Cell>;

bool IsFloating(JetType type) { return type == JetType::Single || type == JetType::Double; }

std::string Hex(const uint8_t* bytes, std::size_t size) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// Decimal text without trailing fractional zeros: "12.5000" and "12.5" alike.
std::string TrimmedNumber(std::string text) {
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string ScaledText(bool negative, unsigned __int128 magnitude, unsigned scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (digits.size() <= scale)
        digits.insert(0, scale + 1 - digits.size(), '0');
    if (scale != 0)
        digits.insert(digits.size() - scale, ".");
    return TrimmedNumber((negative ? "-" : "") + digits);
}

std::string CurrencyText(int64_t units) {
    const bool negative = units < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
    return ScaledText(negative, magnitude, 4);
}

// An OLE serial date as "YYYY-MM-DD HH:MM:SS": the whole part counts days
// from 1899-12-30 and the fraction's magnitude is the time, also before 1899.
std::string SerialText(double serial) {
    int64_t day = static_cast<int64_t>(std::trunc(serial));
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(serial - std::trunc(serial)) * 86400.0));
    if (seconds == 86400) {
        seconds = 0;
        ++day;
    }
    int64_t z = day - 25569 + 719468; // days from 0000-03-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char text[128];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string GuidDigits(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '{' || c == '}' || c == '-'; }),
               text.end());
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// --- the three sources ---

Cell FromDescription(const ColumnSpec& column, const CellValue& value) {
    Cell cell;
    if (column.type == JetType::Boolean) {
        // The null bit is the value: a NULL boolean reads as false.
        const bool set = value.kind == CellValue::Kind::Boolean
                             ? value.boolean
                             : value.kind == CellValue::Kind::Integer && value.integer != 0;
        cell.Text = set ? "1" : "0";
        return cell;
    }
    if (value.kind == CellValue::Kind::Null) {
        cell.Null = true;
        return cell;
    }
    switch (column.type) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long: cell.Text = std::to_string(value.integer); break;
    case JetType::Currency:
        if (value.kind == CellValue::Kind::Text)
            cell.Text = TrimmedNumber(value.text);
        else if (value.kind == CellValue::Kind::Integer)
            cell.Text = CurrencyText(value.integer * 10000);
        else
            cell.Text = CurrencyText(static_cast<int64_t>(std::nearbyint(value.real * 10000.0)));
        break;
    case JetType::Single:
    case JetType::Double: {
        const double real = value.kind == CellValue::Kind::Integer ? static_cast<double>(value.integer) : value.real;
        cell.Number = column.type == JetType::Single ? static_cast<float>(real) : real;
        break;
    }
    case JetType::DateTime:
        cell.Text = value.kind == CellValue::Kind::Text ? value.text : SerialText(value.real);
        break;
    case JetType::Binary:
    case JetType::OLE: cell.Text = Hex(reinterpret_cast<const uint8_t*>(value.text.data()), value.text.size()); break;
    case JetType::GUID: cell.Text = GuidDigits(value.text); break;
    case JetType::Decimal:
        cell.Text = TrimmedNumber(value.kind == CellValue::Kind::Integer ? std::to_string(value.integer) : value.text);
        break;
    default: cell.Text = value.text; break;
    }
    return cell;
}

Cell FromOurReader(const Variant& v) {
    Cell cell;
    switch (v.Type) {
    case VarType::Null: cell.Null = true; break;
    case VarType::Bool: cell.Text = v.Bool ? "1" : "0"; break;
    case VarType::Byte: cell.Text = std::to_string(v.Byte); break;
    case VarType::I2: cell.Text = std::to_string(v.I2); break;
    case VarType::I4: cell.Text = std::to_string(v.I4); break;
    case VarType::I8: cell.Text = std::to_string(v.I8); break;
    case VarType::Currency: cell.Text = CurrencyText(v.I8); break;
    case VarType::R4: cell.Number = v.R4; break;
    case VarType::R8: cell.Number = v.R8; break;
    case VarType::Date: cell.Text = SerialText(v.R8); break;
    case VarType::Text: cell.Text = jettest::Utf8(v.Text); break;
    case VarType::Bytes: cell.Text = Hex(v.Bytes.data(), v.Bytes.size()); break;
    case VarType::Guid: {
        // Data1..Data3 are stored little-endian, the last eight bytes as they are.
        const uint8_t* g = v.Guid;
        const uint8_t ordered[16] = {g[3], g[2], g[1],  g[0],  g[5],  g[4],  g[7],  g[6],
                                     g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]};
        cell.Text = Hex(ordered, 16);
        break;
    }
    case VarType::Decimal:
        cell.Text =
            ScaledText(v.Decimal.Negative, (static_cast<unsigned __int128>(v.Decimal.Hi32) << 64) | v.Decimal.Lo64,
                       v.Decimal.Scale);
        break;
    default: cell.Text = "<unexpected type " + std::to_string(static_cast<int>(v.Type)) + ">"; break;
    }
    return cell;
}

Cell FromMdbExport(const ColumnSpec& column, const std::string& text) {
    Cell cell;
    if (text == oracle::kNull) {
        cell.Null = true;
        return cell;
    }
    switch (column.type) {
    case JetType::Currency:
    case JetType::Decimal: cell.Text = TrimmedNumber(text); break;
    case JetType::Single:
    case JetType::Double: cell.Number = std::strtod(text.c_str(), nullptr); break;
    case JetType::GUID: {
        // Printed as the hex of the GUID's text.
        std::string plain;
        for (std::size_t i = 0; i + 1 < text.size(); i += 2)
            plain += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
        cell.Text = GuidDigits(plain);
        break;
    }
    default: cell.Text = text; break;
    }
    return cell;
}

std::string Show(const Cell& cell, JetType type) {
    if (cell.Null)
        return "NULL";
    if (IsFloating(type)) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", cell.Number);
        return text;
    }
    return "\"" + cell.Text + "\"";
}

bool Exactly(const Cell& a, const Cell& b, JetType type) {
    if (a.Null || b.Null)
        return a.Null == b.Null;
    return IsFloating(type) ? a.Number == b.Number : a.Text == b.Text;
}

// mdbtools converts text one UTF-16 unit at a time: a character beyond the
// basic plane comes out as "??".
std::string WithoutSupplementaryCharacters(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xF8) == 0xF0) {
            out += "??";
            i += 3;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

// mdb-export prints doubles with about 16 digits and singles with fewer, and
// reports a zero-length text or memo as NULL.
bool AsMdbToolsPrints(const Cell& expected, const Cell& theirs, JetType type) {
    const bool text = type == JetType::Text || type == JetType::Memo;
    if (!expected.Null && expected.Text.empty() && theirs.Null && text)
        return true;
    if (!expected.Null && !theirs.Null && text)
        return WithoutSupplementaryCharacters(expected.Text) == theirs.Text;
    if (type == JetType::Binary && !expected.Null) {
        // A short binary value is printed as a C string: up to its first
        // zero byte, and nothing at all (NULL) when that leaves no bytes.
        std::string cut = expected.Text;
        for (std::size_t i = 0; i + 1 < cut.size(); i += 2) {
            if (cut.compare(i, 2, "00") == 0) {
                cut.resize(i);
                break;
            }
        }
        return cut.empty() ? theirs.Null : !theirs.Null && cut == theirs.Text;
    }
    if (expected.Null || theirs.Null || !IsFloating(type))
        return Exactly(expected, theirs, type);
    const double tolerance = (type == JetType::Single ? 1e-6 : 1e-15) * std::fabs(expected.Number);
    return std::fabs(expected.Number - theirs.Number) <= tolerance;
}

// --- the check ---

class WriterRoundTrip : public ::testing::Test {
protected:
    // Every table of the description, read back by both readers. `make`
    // gives a fresh description each call, so generated rows can be produced
    // once for writing and once more for comparing.
    // Tables named in `beyondMdbTools` hold values mdbtools cannot print
    // (dates before 1899-12-30 or in the year 9999) and are compared
    // with our reader only.
    template <class MakeDescription>
    void Check(MakeDescription make, const std::vector<std::string>& beyondMdbTools = {}) {
        const std::string path = scratch_.file("roundtrip.mdb");
        WriteMdb(make(), path);
        const MdbDescription description = make();
        const bool haveMdbTools = oracle::HaveMdbTools();

        const auto engine = CreateJetEngine(true);
        const auto database = jettest::Open(*engine, path);
        const auto tableDefs = database->GetTableDefs();
        std::vector<std::string> ourTables;
        for (int16_t i = 0; i < tableDefs->Count(); ++i) {
            const std::string name = jettest::Utf8(tableDefs->Item(i)->Name());
            if (name.rfind("MSys", 0) != 0)
                ourTables.push_back(name);
        }
        std::vector<std::string> described;
        for (const TableSpec& table : description.tables)
            described.push_back(table.name);
        std::sort(ourTables.begin(), ourTables.end());
        std::sort(described.begin(), described.end());
        EXPECT_EQ(ourTables, described);
        if (haveMdbTools) {
            std::vector<std::string> theirTables = oracle::Tables(path);
            std::sort(theirTables.begin(), theirTables.end());
            EXPECT_EQ(theirTables, described);
        }

        for (const TableSpec& table : description.tables) {
            SCOPED_TRACE(table.name);
            const std::vector<Row> expected = ExpectedRows(table);
            CompareOurs(*database, table, expected);
            if (haveMdbTools &&
                std::find(beyondMdbTools.begin(), beyondMdbTools.end(), table.name) == beyondMdbTools.end())
                CompareMdbExport(path, table, expected);
        }
        if (!haveMdbTools)
            std::cout << "[ note ] mdbtools not installed: only our reader was compared with the description\n";
    }

private:
    static std::vector<Row> ExpectedRows(const TableSpec& table) {
        std::vector<Row> rows;
        std::vector<CellValue> values;
        std::size_t position = 0;
        auto take = [&](const std::vector<CellValue>& source) {
            const bool deleted =
                std::find(table.deletedRows.begin(), table.deletedRows.end(), position++) != table.deletedRows.end();
            if (deleted)
                return;
            Row row;
            for (std::size_t c = 0; c < table.columns.size(); ++c)
                row.push_back(FromDescription(table.columns[c], source[c]));
            rows.push_back(std::move(row));
        };
        if (table.producer) {
            RowProducer producer = table.producer;
            while (producer(values))
                take(values);
        } else {
            for (const auto& source : table.rows)
                take(source);
        }
        return rows;
    }

    // Our reader delivers rows in storage order, a moved row at its own place.
    static void CompareOurs(Database& database, const TableSpec& table, const std::vector<Row>& expected) {
        auto records = database.OpenRecordset(jettest::Wide(table.name));
        EXPECT_EQ(records->RecordCount(), static_cast<int32_t>(expected.size()));
        std::size_t row = 0;
        int mismatches = 0;
        for (; !records->Eof(); records->MoveNext(), ++row) {
            ASSERT_LT(row, expected.size()) << "our reader found more rows";
            const Fields& fields = records->GetFields();
            ASSERT_EQ(fields.Count(), static_cast<int16_t>(table.columns.size()));
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const Cell ours = FromOurReader(fields.Item(static_cast<int32_t>(c)).Value());
                if (!Exactly(expected[row][c], ours, table.columns[c].type) && ++mismatches <= 5)
                    ADD_FAILURE() << "our reader, row " << row << " column " << table.columns[c].name << ": expected "
                                  << Show(expected[row][c], table.columns[c].type) << ", read "
                                  << Show(ours, table.columns[c].type);
            }
        }
        EXPECT_EQ(row, expected.size()) << "rows read by our reader";
        EXPECT_EQ(mismatches, 0);
    }

    static void CompareMdbExport(const std::string& path, const TableSpec& table, std::vector<Row> expected) {
        std::vector<std::vector<std::string>> printed = oracle::Export(path, table.name);
        ASSERT_FALSE(printed.empty()) << "mdb-export failed";
        std::vector<std::string> header;
        for (const ColumnSpec& column : table.columns)
            header.push_back(column.name);
        EXPECT_EQ(printed[0], header);
        std::vector<Row> theirs;
        for (std::size_t r = 1; r < printed.size(); ++r) {
            ASSERT_EQ(printed[r].size(), table.columns.size()) << "mdb-export row " << r;
            Row row;
            for (std::size_t c = 0; c < table.columns.size(); ++c)
                row.push_back(FromMdbExport(table.columns[c], printed[r][c]));
            theirs.push_back(std::move(row));
        }
        ASSERT_EQ(theirs.size(), expected.size()) << "rows read by mdb-export";
        // mdbtools reads a moved row where its data lies; order by the first
        // column then (the tables with moved rows have unique keys there).
        if (!table.overflowRows.empty()) {
            auto byKey = [](const Row& a, const Row& b) { return std::stoll(a[0].Text) < std::stoll(b[0].Text); };
            std::sort(theirs.begin(), theirs.end(), byKey);
            std::sort(expected.begin(), expected.end(), byKey);
        }
        int mismatches = 0;
        for (std::size_t r = 0; r < expected.size(); ++r) {
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const JetType type = table.columns[c].type;
                if (!AsMdbToolsPrints(expected[r][c], theirs[r][c], type) && ++mismatches <= 5)
                    ADD_FAILURE() << "mdb-export, row " << r << " column " << table.columns[c].name << ": expected "
                                  << Show(expected[r][c], type) << ", printed " << Show(theirs[r][c], type);
            }
        }
        EXPECT_EQ(mismatches, 0);
    }

    oracle::Scratch scratch_;
};

using namespace building;

TEST_F(WriterRoundTrip, EveryScalarTypeAtItsLimitsAndAsNull) {
    Check(
        [] {
            TableSpec t;
            t.name = "Scalars";
            ColumnSpec dec = Col("Dec", JetType::Decimal);
            dec.precision = 28;
            dec.scale = 6;
            t.columns = {
                Col("Flag", JetType::Boolean),   Col("Tiny", JetType::Byte),      Col("Small", JetType::Integer),
                Col("Whole", JetType::Long),     Col("Money", JetType::Currency), Col("Float", JetType::Single),
                Col("Real", JetType::Double),    Col("When", JetType::DateTime),  Col("Name", JetType::Text, 40),
                Col("Raw", JetType::Binary, 20), Col("Guid", JetType::GUID),      dec};
            t.rows = {
                {I(1), I(255), I(-32768), I(2147483647), T("922337203685477.5807"), R(3.4e38), R(1.5e308),
                 T("3000-01-01 00:00:01"), T("plain"), B("AB\x01\xFE"), T("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"),
                 T("1234567890123456789012.345678")},
                {I(0), I(0), I(32767), I(-2147483647 - 1), T("-922337203685477.5808"), R(-1.5e-7), R(-4.9e-324),
                 T("1899-12-30 00:00:00"), T(""), B(std::string("\x00\x01\xFE", 3)),
                 T("{00000000-0000-0000-0000-000000000001}"), T("-0.000001")},
                {I(1), I(7), I(-1), I(-1), I(-3), R(0.1), R(0.1), T("2024-02-29 12:30:45"), T("x"), B(""),
                 T("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"), I(-42)},
                {Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null},
            };
            TableSpec dates;
            dates.name = "Early and late dates";
            dates.columns = {Col("When", JetType::DateTime)};
            // Before 1899-12-30 the fraction still counts forward from midnight.
            for (const char* when : {"1899-12-29 06:00:00", "1899-12-29 18:00:00", "1765-06-14 12:45:00",
                                     "1582-10-14 00:00:00", "0100-01-01 00:00:00", "9999-12-31 23:59:59"})
                dates.rows.push_back({T(when)});
            dates.rows.push_back({R(2958465.5)}); // noon of 9999-12-31, given as a day number
            dates.rows.push_back({R(-1.75)});     // 1899-12-29 18:00
            MdbDescription d;
            d.tables = {t, dates};
            return d;
        },
        {"Early and late dates"});
}

TEST_F(WriterRoundTrip, TextInBothStoredFormsAndBeyondTheBasicPlane) {
    Check([] {
        TableSpec t;
        t.name = "Texts";
        t.columns = {Col("ID", JetType::Long), Col("Txt", JetType::Text, 255), Col("Note", JetType::Memo)};
        const std::vector<std::string> texts = {
            "caf\xC3\xA9 M\xC3\xBCller",                  // Latin-1 only: stored compressed
            "\xD0\x9C\xD0\xB8\xD1\x80",                   // Cyrillic: two-byte units
            "euro \xE2\x82\xAC then \xC3\xA9 then ascii", // switches inside compressed text
            "\xF0\x9F\x98\x80 smile",                     // a surrogate pair
            "quote \" comma , semicolon ; tab\t",
            "two\r\nlines",
            std::string(255, 'w'),
        };
        for (std::size_t i = 0; i < texts.size(); ++i)
            t.rows.push_back({I(static_cast<int64_t>(i)), T(texts[i]), T(texts[i] + " / memo")});
        MdbDescription d;
        d.tables = {t};
        return d;
    });
}

TEST_F(WriterRoundTrip, LongValuesInlineOnOnePageAndChained) {
    Check([] {
        TableSpec t;
        t.name = "Longs";
        t.columns = {Col("ID", JetType::Long), Col("Note", JetType::Memo), Col("Data", JetType::OLE)};
        t.inlineLongValueLimit = 64;
        // Either side of each boundary: inline, one long-value row, a chain,
        // and memos past 1024 characters that are stored uncompressed.
        const std::size_t sizes[] = {0, 1, 64, 65, 1024, 1025, 4080, 4081, 8153, 40000};
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            std::string memo, blob;
            for (std::size_t k = 0; k < sizes[i]; ++k) {
                memo += k % 97 == 50 ? '\n' : static_cast<char>('a' + (k * 7 + i) % 26);
                blob += static_cast<char>((k * 31 + i) & 0xFF);
            }
            if (i % 3 == 2)
                memo += "\xC3\xA9\xE2\x82\xAC"; // non-Latin-1 at the very end of a long value
            t.rows.push_back({I(static_cast<int64_t>(i)), T(memo), B(blob)});
        }
        t.rows.push_back({I(99), Null, Null});
        MdbDescription d;
        d.tables = {t};
        return d;
    });
}

TEST_F(WriterRoundTrip, ManyPagesWithDeletedAndMovedRows) {
    Check([] {
        TableSpec t;
        t.name = "Edited";
        t.columns = {Col("ID", JetType::Long), Col("Label", JetType::Text, 200), Col("Amount", JetType::Currency),
                     Col("Note", JetType::Memo)};
        for (int i = 0; i < 5000; ++i) {
            const std::string label = "row " + std::to_string(i) + " " + std::string(60 + i % 120, 'a' + i % 26);
            t.rows.push_back(
                {I(i), T(label), I(i % 1000 - 500), i % 37 == 0 ? T(std::string(200 + i % 3000, 'n')) : Null});
        }
        for (std::size_t i = 0; i < 5000; i += 97)
            t.deletedRows.push_back(i);
        for (std::size_t i = 13; i < 5000; i += 251)
            t.overflowRows.push_back(i);
        t.deletedRows.push_back(4999); // the last row of the last page
        TableSpec second;
        second.name = "Second Table";
        second.columns = {Col("V", JetType::Integer)};
        second.rows = {{I(1)}, {I(2)}};
        TableSpec empty;
        empty.name = "Empty";
        empty.columns = {Col("A", JetType::Long)};
        MdbDescription d;
        d.tables = {t, second, empty};
        return d;
    });
}

TEST_F(WriterRoundTrip, GeneratedMixedTableAsTheBenchmarkUsesIt) {
    Check([] {
        const JsonValue json = ParseJson(R"({"tables": [{"name": "Bench", "columns": [
            {"name": "ID", "type": "long", "autonumber": true}, {"name": "Quantity", "type": "long"},
            {"name": "Ratio", "type": "double"}, {"name": "Price", "type": "currency"},
            {"name": "Created", "type": "datetime"}, {"name": "Active", "type": "boolean"},
            {"name": "Title", "type": "text", "size": 60}, {"name": "Code", "type": "integer"},
            {"name": "Notes", "type": "memo"}],
            "generate": {"rows": 3000, "seed": 5, "columns": {
                "Quantity": {"nullRate": 0.1}, "Ratio": {"nullRate": 0.1}, "Price": {"nullRate": 0.1},
                "Created": {"nullRate": 0.1}, "Title": {"minLength": 20, "maxLength": 60, "nullRate": 0.1},
                "Code": {"nullRate": 0.1}, "Notes": {"nullRate": 0.8, "minLength": 40, "maxLength": 3000}}}}]})");
        return DescriptionFromJson(json);
    });
}

} // namespace
