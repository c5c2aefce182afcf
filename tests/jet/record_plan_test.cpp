// Values are found through a plan made once per table and read in place for
// the common kinds. The plan must find what the general decoder finds on
// every record, also where records differ from the table: written before
// columns were added, or with fewer variable columns than the last one.

#include "CorpusFiles.h"
#include "SmallTables.h"

#include "jet/Catalog.h"
#include "jet/JetEngine.h"
#include "jet/RecordLayout.h"
#include "jet/TableScan.h"
#include "jet/Values.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

using Bytes = std::vector<uint8_t>;

// A Jet4 table: a fixed Long (0), texts A (1) and B (2), a Yes/No (3).
jet::TableDefinition Jet4Table() { return jettest::LongAndTwoTexts(true); }

void PutU16(Bytes& row, std::size_t value) {
    row.push_back(static_cast<uint8_t>(value & 0xFF));
    row.push_back(static_cast<uint8_t>(value >> 8));
}

// A Jet4 record of `columns` columns, all present: the Long, then the given
// texts with the offset table (end of data first) and the mask.
Bytes Jet4Record(std::size_t columns, const std::vector<std::string>& texts) {
    Bytes row;
    PutU16(row, columns);
    row.insert(row.end(), {7, 0, 0, 0});
    std::vector<std::size_t> offsets;
    for (const std::string& text : texts) {
        offsets.push_back(row.size());
        row.insert(row.end(), text.begin(), text.end());
    }
    offsets.push_back(row.size());
    for (std::size_t i = offsets.size(); i-- > 0;)
        PutU16(row, offsets[i]);
    PutU16(row, texts.size());
    row.insert(row.end(), (columns + 7) / 8, 0xFF);
    return row;
}

std::string TextAt(const jet::ColumnBytes& located) {
    return located.State == jet::Presence::Bytes ? std::string(located.Bytes.begin(), located.Bytes.end()) : "<null>";
}

TEST(JetRecordPlan, RecordsShorterThanTheTableAndTheOneBefore) {
    const jet::TableDefinition table = Jet4Table();
    const jet::Column& a = table.Columns[1];
    const jet::Column& b = table.Columns[2];
    const jet::Column& flag = table.Columns[3];
    jet::RecordLayout layout(false, table);

    // The layout reads the record where it lies: each is kept while read.
    const Bytes full = Jet4Record(4, {"alpha", "beta"});
    layout.Load(full);
    EXPECT_EQ(TextAt(layout.Locate(a)), "alpha");
    EXPECT_EQ(TextAt(layout.Locate(b)), "beta");
    EXPECT_EQ(layout.Locate(flag).State, jet::Presence::True);
    const jet::ColumnBytes id = layout.Locate(table.Columns[0]);
    ASSERT_EQ(id.Bytes.size(), 4u);
    EXPECT_EQ(id.Bytes[0], 7);

    // Written when B was the newest column and had no value yet: its offset
    // is not in this record, whatever the last record held.
    const Bytes shorter = Jet4Record(4, {"gamma"});
    layout.Load(shorter);
    EXPECT_EQ(TextAt(layout.Locate(a)), "gamma");
    EXPECT_EQ(TextAt(layout.Locate(b)), "<null>");

    // Written before B and the Yes/No were added.
    const Bytes older = Jet4Record(2, {"delta"});
    layout.Load(older);
    EXPECT_EQ(TextAt(layout.Locate(a)), "delta");
    EXPECT_EQ(TextAt(layout.Locate(b)), "<null>");
    EXPECT_EQ(layout.Locate(flag).State, jet::Presence::False);

    // The plan made once finds the same as the column on each record.
    const jet::ColumnPlace place = jet::PlaceOf(false, a);
    const Bytes again = Jet4Record(4, {"epsilon", "zeta"});
    layout.Load(again);
    EXPECT_EQ(TextAt(layout.Locate(place)), "epsilon");
}

TEST(JetRecordPlan, BrokenJet4FramesAreRefused) {
    const jet::TableDefinition table = Jet4Table();
    jet::RecordLayout layout(false, table);
    const Bytes good = Jet4Record(4, {"alpha", "beta"});
    EXPECT_NO_THROW(layout.Load(good));
    // Offsets: end of data at size - 9, B at - 7, A at - 5; V at - 3.
    Bytes bad = good;
    bad[bad.size() - 5] = 0x01; // A starts inside the column count
    EXPECT_THROW(layout.Load(bad), EngineError);
    bad = good;
    bad[bad.size() - 9] = 0xF0; // the end of data runs into the offset table
    EXPECT_THROW(layout.Load(bad), EngineError);
    bad = good;
    bad[bad.size() - 5] = 12; // A starts after B
    EXPECT_THROW(layout.Load(bad), EngineError);
    bad = good;
    bad[bad.size() - 3] = 40; // more variable slots than the record holds
    EXPECT_THROW(layout.Load(bad), EngineError);
    const Bytes tiny{4, 0, 0xFF};
    EXPECT_THROW(layout.Load(tiny), EngineError);

    // A fixed value that reaches into the variable data is damage, found
    // when the value is asked for.
    jet::TableDefinition wide = table;
    wide.Columns[0].Length = 8;
    jet::RecordLayout wideLayout(false, wide);
    wideLayout.Load(good);
    EXPECT_THROW(wideLayout.Locate(wide.Columns[0]), EngineError);
    EXPECT_EQ(TextAt(wideLayout.Locate(wide.Columns[1])), "alpha");
}

// A value as text that tells every type and bit apart.
std::string Shown(const Variant& v) {
    std::string out = std::to_string(static_cast<int>(v.Type)) + ":";
    switch (v.Type) {
    case VarType::Bool: return out + (v.Bool ? "1" : "0");
    case VarType::Byte: return out + std::to_string(v.Byte);
    case VarType::I2: return out + std::to_string(v.I2);
    case VarType::I4: return out + std::to_string(v.I4);
    case VarType::I8:
    case VarType::Currency: return out + std::to_string(v.I8);
    case VarType::R4: return out + std::to_string(std::bit_cast<uint32_t>(v.R4));
    case VarType::R8:
    case VarType::Date: return out + std::to_string(std::bit_cast<uint64_t>(v.R8));
    case VarType::Decimal:
        return out + std::to_string(v.Decimal.Negative) + "," + std::to_string(v.Decimal.Scale) + "," +
               std::to_string(v.Decimal.Hi32) + "," + std::to_string(v.Decimal.Lo64);
    case VarType::Guid: return out + std::string(v.Guid, v.Guid + 16);
    case VarType::Text: return out + jettest::Utf8(v.Text);
    case VarType::Bytes: return out + std::string(v.Bytes.begin(), v.Bytes.end());
    case VarType::List: return out + std::to_string(v.Items.size());
    default: return out;
    }
}

using Table = std::vector<std::vector<std::string>>;

// Every record of a table through the general decoder, column by column as
// the fields show them (complex columns left out).
Table DecodedWhole(jet::PageFile& file, const jet::TableDefinition& table) {
    jet::LongValueReader longValues(file);
    std::vector<uint8_t> scratch;
    jet::DecodeContext context{file.IsJet3(), file.GetHeader().CodePage, &longValues, &scratch};
    jet::RecordLayout layout(file.IsJet3(), table);
    jet::TableScan scan(file, table);
    jet::ByteSpan record;
    jet::FieldValue value;
    Table out;
    while (scan.Next(record)) {
        try {
            layout.Load(record);
        } catch (const EngineError&) {
            continue; // lost to the recordset as well
        }
        std::vector<std::string>& row = out.emplace_back();
        for (const jet::Column& column : table.Columns) {
            if (column.Type == jet::ColumnType::Complex)
                continue;
            jet::DecodeValue(column, layout.Locate(column), context, value);
            row.push_back(Shown(value.Value));
        }
    }
    return out;
}

// The same through the recordset, every field asked for on every record.
Table ReadThroughFields(Database& database, const std::u16string& name) {
    const auto records = database.OpenRecordset(name);
    const Fields& fields = records->GetFields();
    Table out;
    for (; !records->Eof(); records->MoveNext()) {
        std::vector<std::string>& row = out.emplace_back();
        for (int32_t i = 0; i < fields.Count(); ++i) {
            const Field& field = fields.Item(i);
            if (field.Type() == DaoType::Attachment || field.Type() >= DaoType::ComplexByte)
                continue;
            row.push_back(Shown(field.Value()));
        }
    }
    return out;
}

TEST(JetRecordPlan, FieldsReadWhatTheGeneralDecoderReads) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    std::size_t tables = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(jettest::CorpusDir())) {
        const std::filesystem::path& path = entry.path();
        const std::string folder = path.parent_path().filename().string();
        if (path.extension() != ".mdb" && path.extension() != ".accdb")
            continue;
        if (folder != "real" && folder.rfind("V", 0) != 0)
            continue; // the protected samples need their keys
        SCOPED_TRACE(path.string());
        jet::PageFile file(path.string());
        const auto database = jettest::Open(*engine, path);
        for (const jet::CatalogTable& table : jet::ReadCatalog(file)) {
            if (table.Kind != jet::TableKind::Local)
                continue;
            SCOPED_TRACE(jettest::Utf8(table.Name));
            const jet::TableDefinition definition = jet::ReadTableDefinition(file, table.DefinitionPage);
            bool memoHistory = false;
            for (const jet::Column& column : definition.Columns)
                memoHistory = memoHistory || column.IsMemoHistory();
            if (memoHistory)
                continue; // its fields are not its columns
            EXPECT_EQ(ReadThroughFields(*database, table.Name), DecodedWhole(file, definition));
            ++tables;
        }
    }
    EXPECT_GT(tables, 20u);
}

} // namespace
