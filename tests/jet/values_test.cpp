// The value decoders on hand-made bytes: the forms the samples do not
// contain (mixed compressed text, real Jet3 jump entries, extended dates,
// decimals, GUIDs) and the malformed ones that must be refused.

#include "SmallTables.h"

#include "jet/CodePages.h"
#include "jet/ExtendedDate.h"
#include "jet/ItemText.h"
#include "jet/Properties.h"
#include "jet/RecordLayout.h"
#include "jet/Text.h"
#include "jet/Values.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

std::u16string UnicodeText(const Bytes& bytes) {
    std::u16string out;
    jet::AppendUnicodeText(bytes, out);
    return out;
}

TEST(JetText, CompressedAndPlainUnicode) {
    EXPECT_EQ(UnicodeText({0x1C, 0x04, 0x38, 0x04, 0x40, 0x04}), u"Мир");
    EXPECT_EQ(UnicodeText({0xFF, 0xFE, 0xE4, 0xE4, 0x6B, 0x6B, 0xF6, 0x73, 0x69, 0xE4}), u"ääkkösiä");
    // A zero byte switches to two-byte units and back.
    EXPECT_EQ(UnicodeText({0xFF, 0xFE, 0x41, 0x00, 0x1C, 0x04, 0x00, 0x42}), u"AМB");
    // An emoji as a surrogate pair stays two units.
    EXPECT_EQ(UnicodeText({0x3D, 0xD8, 0x00, 0xDE}), u"\U0001F600");
    EXPECT_EQ(UnicodeText({}), u"");
    EXPECT_EQ(UnicodeText({0xFF, 0xFE}), u"");
    EXPECT_THROW(UnicodeText({0x41, 0x00, 0x42}), EngineError);
    EXPECT_THROW(UnicodeText({0xFF, 0xFE, 0x41, 0x00, 0x1C}), EngineError);
}

TEST(JetText, Jet3CodePages) {
    std::u16string out;
    const Bytes western = {'a', 0x80, 0xE4, 0x9F};
    jet::AppendSingleByteText(western, 1252, out);
    EXPECT_EQ(out, u"a€äŸ");
    out.clear();
    const Bytes cyrillic = {0xC0, 0xFF};
    jet::AppendSingleByteText(cyrillic, 1251, out);
    EXPECT_EQ(out, u"Ая");
    out.clear();
    const Bytes undefined = {0x81};
    jet::AppendSingleByteText(undefined, 1252, out);
    EXPECT_EQ(out, u"\uFFFD");
    EXPECT_TRUE(jet::IsKnownCodePage(1250));
    EXPECT_FALSE(jet::IsKnownCodePage(65001));
}

// Pages without a table of ours go through the system: the double-byte
// pages decode, and a page it cannot convert fails the value with its
// number rather than passing for Windows-1252.
TEST(JetText, Jet3TextInOtherCodePages) {
    std::u16string out;
    const Bytes japanese = {0x93, 0xFA, 0x96, 0x7B, 'x'}; // "日本x" in Shift-JIS
    jet::AppendStoredText(japanese, true, 932, out);
    EXPECT_EQ(out, u"\u65E5\u672Cx");
    out.clear();
    const Bytes chinese = {0xD6, 0xD0, 0xCE, 0xC4}; // "中文" in GBK
    jet::AppendStoredText(chinese, true, 936, out);
    EXPECT_EQ(out, u"\u4E2D\u6587");
    out.clear();
    jet::AppendStoredText(Bytes{'a', 0x80}, true, 0, out);
    EXPECT_EQ(out, u"a\u20AC") << "no code page named: Windows-1252";
    out.clear();
    try {
        jet::AppendStoredText(Bytes{'a', 0xE4}, true, 12345, out);
        ADD_FAILURE() << "read in a code page nobody knows";
    } catch (const EngineError& error) {
        ASSERT_TRUE(error.Description.has_value());
        EXPECT_NE(error.Description->find(u"12345"), std::u16string::npos);
    }
    EXPECT_TRUE(out.empty());
}

std::u16string ExtendedDate(const char* text) {
    Bytes bytes(text, text + std::strlen(text));
    bytes.push_back(0);
    std::u16string out;
    jet::AppendExtendedDate(bytes, out);
    return out;
}

TEST(JetExtendedDate, CalendarDatesFromDayCounts) {
    EXPECT_EQ(ExtendedDate("0000000000000737954:0000000819123456789:7"), u"2021-06-14 22:45:12.3456789");
    EXPECT_EQ(ExtendedDate("0000000000000000000:0000000000000000000:7"), u"0001-01-01 00:00:00.0000000");
    EXPECT_EQ(ExtendedDate("0000000000000730178:0000000863990000001:7"), u"2000-02-29 23:59:59.0000001");
    EXPECT_EQ(ExtendedDate("0000000000003652058:0000000000000000000:7"), u"9999-12-31 00:00:00.0000000");
    EXPECT_THROW(ExtendedDate("00000000000007379x4:0000000819123456789:7"), EngineError);
    EXPECT_THROW(ExtendedDate("0000000000000737954:0000000864003456789:7"), EngineError); // 86400 s
    EXPECT_THROW(ExtendedDate("000000000000073795"), EngineError);
}

jet::FieldValue Decode(const jet::Column& column, const Bytes& bytes) {
    jet::DecodeContext context;
    jet::FieldValue value;
    jet::DecodeValue(column, {jet::Presence::Bytes, bytes}, context, value);
    return value;
}

TEST(JetValues, DecimalWordsMostSignificantFirst) {
    jet::Column column;
    column.Type = jet::ColumnType::Decimal;
    column.Scale = 6;
    Bytes bytes = {0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C, 0x7C, 0x6A, 0x01, 0xF1, 0xF4, 0xED, 0xE1};
    jet::FieldValue value = Decode(column, bytes);
    ASSERT_EQ(value.Value.Type, VarType::Decimal);
    EXPECT_FALSE(value.Value.Decimal.Negative);
    EXPECT_EQ(value.Value.Decimal.Scale, 6);
    EXPECT_EQ(value.Value.Decimal.Hi32, 0u);
    EXPECT_EQ(value.Value.Decimal.Lo64, 0x016A7C1CE1EDF4F1ull);
    std::u16string text;
    jet::AppendItemText(value.Value, text);
    EXPECT_EQ(text, u"102030405060.654321");

    bytes[0] = 0x80;
    EXPECT_TRUE(Decode(column, bytes).Value.Decimal.Negative);
    bytes[1] = 1; // beyond the 96 bits a decimal holds
    EXPECT_THROW(Decode(column, bytes), EngineError);
    bytes.pop_back();
    EXPECT_THROW(Decode(column, bytes), EngineError);
}

TEST(JetValues, SizesMustMatchTheirTypes) {
    jet::Column column;
    for (uint8_t type : {jet::ColumnType::Integer, jet::ColumnType::Long, jet::ColumnType::Double,
                         jet::ColumnType::DateTime, jet::ColumnType::Guid, jet::ColumnType::BigInt}) {
        column.Type = type;
        EXPECT_THROW(Decode(column, Bytes(3, 0)), EngineError) << int(type);
    }
    column.Type = jet::ColumnType::BigInt;
    const jet::FieldValue big = Decode(column, {0x2A, 0, 0, 0, 0, 0, 0, 0x80});
    EXPECT_EQ(big.Value.Type, VarType::I8);
    EXPECT_EQ(big.Value.I8, static_cast<int64_t>(0x800000000000002Aull));
    column.Type = 0x46; // an unknown stored type is handed out as bytes
    EXPECT_EQ(Decode(column, {1, 2, 3}).Value.Type, VarType::Bytes);
}

TEST(JetValues, CalculatedColumnsUnwrapTheirPayload) {
    jet::Column column;
    column.ExtendedFlags = 0xC0;
    Bytes wrapped(16, 0);
    auto payload = [&](const Bytes& p) {
        Bytes out = wrapped;
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<uint8_t>(p.size() >> (8 * k)));
        out.insert(out.end(), p.begin(), p.end());
        out.insert(out.end(), {0, 0, 0});
        return out;
    };
    column.Type = jet::ColumnType::Long;
    EXPECT_EQ(Decode(column, payload({7, 0, 0, 0})).Value.I4, 7);
    EXPECT_EQ(Decode(column, payload({})).Value.Type, VarType::Null);
    column.Type = jet::ColumnType::Decimal; // the platform's DECIMAL layout
    const jet::FieldValue d = Decode(column, payload({0, 0, 6, 0, 0, 0, 0, 0, 0x08, 0xE6, 0xFF, 0x02, 0, 0, 0, 0}));
    std::u16string text;
    jet::AppendItemText(d.Value, text);
    EXPECT_EQ(text, u"50.325000");
    column.Type = jet::ColumnType::Text;
    EXPECT_EQ(Decode(column, payload({0xFF, 0xFE, 'h', 'i'})).Value.Text, u"hi");
    // A length beyond the value means there is no envelope: the bytes are
    // the result itself; bytes that are no text cost only this cell.
    Bytes lying = payload({'h', 0, 'i', 0});
    lying[16] = 200;
    EXPECT_EQ(Decode(column, lying).Value.Type, VarType::Null); // 27 bytes: no UTF-16 text
    EXPECT_EQ(Decode(column, Bytes{'h', 0, 'i', 0}).Value.Text, u"hi");
    EXPECT_EQ(Decode(column, Bytes{'h', 0, 'i'}).Value.Type, VarType::Null);
}

// A Jet4 property blob: the name list, then a block for one column holding
// ResultType and an Expression.
Bytes PropertyBlob(std::u16string_view column, uint8_t resultType) {
    Bytes blob = {'M', 'R', '2', 0};
    auto put16 = [](Bytes& b, std::size_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](Bytes& b, std::size_t v) {
        put16(b, v & 0xFFFF);
        put16(b, v >> 16);
    };
    auto putName = [&](Bytes& b, std::u16string_view name) {
        put16(b, name.size() * 2);
        for (char16_t c : name)
            put16(b, c);
    };
    Bytes names;
    putName(names, u"Expression");
    putName(names, u"ResultType");
    put32(blob, names.size() + 6);
    put16(blob, 0x80);
    blob.insert(blob.end(), names.begin(), names.end());

    Bytes body;
    put32(body, 4 + 2 + column.size() * 2);
    putName(body, column);
    const Bytes expression = {'[', 'a', ']', 0};
    put16(body, 8 + expression.size());
    body.insert(body.end(), {0, 0x0C});
    put16(body, 0);
    put16(body, expression.size());
    body.insert(body.end(), expression.begin(), expression.end());
    put16(body, 9);
    body.insert(body.end(), {0, 0x02});
    put16(body, 1);
    put16(body, 1);
    body.push_back(resultType);
    put32(blob, body.size() + 6);
    put16(blob, 0x01);
    blob.insert(blob.end(), body.begin(), body.end());
    return blob;
}

TEST(JetProperties, ResultTypeOfACalculatedColumn) {
    const Bytes blob = PropertyBlob(u"Total", jet::ColumnType::Currency);
    EXPECT_EQ(jet::ResultTypeOf(blob, u"Total", false), jet::ColumnType::Currency);
    EXPECT_EQ(jet::ResultTypeOf(blob, u"total", false), jet::ColumnType::Currency);
    EXPECT_EQ(jet::ResultTypeOf(blob, u"Other", false), 0);
    Bytes truncated(blob.begin(), blob.end() - 3);
    EXPECT_EQ(jet::ResultTypeOf(truncated, u"Total", false), 0);
    Bytes unsigned_ = blob;
    unsigned_[0] = 'X';
    EXPECT_EQ(jet::ResultTypeOf(unsigned_, u"Total", false), 0);

    // The property decides how the payload reads, not the descriptor.
    jet::Column column;
    column.Type = jet::ColumnType::Double;
    column.ExtendedFlags = 0xC0;
    column.ResultType = jet::ColumnType::Currency;
    Bytes wrapped(16, 0);
    wrapped.insert(wrapped.end(), {8, 0, 0, 0, 0xB8, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const jet::FieldValue value = Decode(column, wrapped);
    EXPECT_EQ(value.Value.Type, VarType::Currency);
    EXPECT_EQ(value.Value.I8, 35000);
    EXPECT_EQ(jet::DaoTypeOf(column), DaoType::Currency);
}

TEST(JetItemText, NumbersAndGuidsWrittenPlainly) {
    auto text = [](const Variant& v) {
        std::u16string out;
        jet::AppendItemText(v, out);
        return out;
    };
    Variant v;
    v.Type = VarType::R8;
    v.R8 = 0.1;
    EXPECT_EQ(text(v), u"0.1");
    v.Type = VarType::R4;
    v.R4 = 2.5f;
    EXPECT_EQ(text(v), u"2.5");
    v.Type = VarType::I2;
    v.I2 = -7;
    EXPECT_EQ(text(v), u"-7");
    v.Type = VarType::Decimal;
    v.Decimal = DecimalValue{true, 3, 0, 5};
    EXPECT_EQ(text(v), u"-0.005");
    v.Type = VarType::Guid;
    const uint8_t guid[16] = {0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A,
                              0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD};
    std::memcpy(v.Guid, guid, 16);
    EXPECT_EQ(text(v), u"{8E39276A-BCA8-4AC4-891E-49911D8438DD}");
}

// A Jet3 table of one fixed Long (number 0) and two text columns (1 and 2).
jet::TableDefinition Jet3Table() { return jettest::LongAndTwoTexts(); }

// Builds a Jet3 record: count, the Long, then texts of the given lengths,
// the offset table with as many jump entries as the length requires.
Bytes Jet3Record(std::size_t lengthA, std::size_t lengthB, std::size_t filler) {
    Bytes row = {3, 1, 0, 0, 0};
    const std::size_t startA = row.size();
    row.insert(row.end(), lengthA, 'a');
    const std::size_t startB = row.size();
    row.insert(row.end(), lengthB, 'b');
    const std::size_t end = row.size();
    row.insert(row.end(), filler, 0);
    // Trailer: offsets (EOD first from the low end), jump entries, V, mask.
    const std::size_t trailer = 3 + 1 + 1; // three offsets, V, one mask byte
    std::size_t total = row.size() + trailer;
    std::size_t jumps = (total - 1) / 256;
    while ((total + jumps - 1) / 256 != jumps) // jump entries lengthen the row
        jumps = (total + jumps - 1) / 256;
    total += jumps;
    const std::size_t offsets[3] = {startA, startB, end};
    for (int i = 2; i >= 0; --i)
        row.push_back(static_cast<uint8_t>(offsets[i] & 0xFF));
    for (std::size_t k = jumps; k-- > 0;) {
        uint8_t first = 0xFF;
        for (int i = 2; i >= 0; --i)
            if (offsets[i] >= 256 * (k + 1))
                first = static_cast<uint8_t>(i);
        row.push_back(first);
    }
    row.push_back(2);    // V
    row.push_back(0x07); // mask: all present
    EXPECT_EQ(row.size(), total);
    return row;
}

TEST(JetRecordLayout, Jet3JumpTableCarriesOffsetsPast255) {
    const jet::TableDefinition table = Jet3Table();
    jet::RecordLayout layout(true, table);
    for (auto [a, b, filler] :
         {std::array<std::size_t, 3>{5, 7, 0}, {250, 100, 0}, {100, 200, 0}, {260, 300, 0}, {10, 20, 240}}) {
        SCOPED_TRACE(std::to_string(a) + "/" + std::to_string(b) + "/" + std::to_string(filler));
        const Bytes record = Jet3Record(a, b, filler);
        layout.Load(record);
        const jet::ColumnBytes first = layout.Locate(table.Columns[1]);
        const jet::ColumnBytes second = layout.Locate(table.Columns[2]);
        ASSERT_EQ(first.State, jet::Presence::Bytes);
        EXPECT_EQ(first.Bytes.size(), a);
        EXPECT_EQ(second.Bytes.size(), b);
        EXPECT_TRUE(std::all_of(second.Bytes.begin(), second.Bytes.end(), [](uint8_t c) { return c == 'b'; }));
        EXPECT_EQ(layout.Locate(table.Columns[0]).Bytes.size(), 4u);
    }
}

TEST(JetRecordLayout, AddedColumnsAndBrokenFrames) {
    jet::TableDefinition table = Jet3Table();
    jet::Column flag;
    flag.Type = jet::ColumnType::Boolean;
    flag.Number = 3;
    flag.Flags = 0x03;
    table.Columns.push_back(flag);
    table.MaxColumns = 4;
    jet::RecordLayout layout(true, table);
    const Bytes record = Jet3Record(3, 3, 0); // written when the table had three columns
    layout.Load(record);
    EXPECT_EQ(layout.Locate(flag).State, jet::Presence::False);

    Bytes bad = record;
    bad[bad.size() - 3] = 0xF0; // the end-of-data offset runs into the offset table
    EXPECT_THROW(layout.Load(bad), EngineError);
    bad = record;
    bad[bad.size() - 2] = 60; // more variable slots than the record holds
    EXPECT_THROW(layout.Load(bad), EngineError);
    EXPECT_THROW(layout.Load(Bytes{}), EngineError);
    EXPECT_THROW(layout.Load(Bytes{0x40}), EngineError);
}

} // namespace
