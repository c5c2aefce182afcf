// Calculated columns of ACE files: every result type the engine stores,
// read back as the result type; stored forms that are shorter, longer or
// without the envelope; and a result that cannot be decoded, which costs
// that one cell and nothing else.

#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

namespace {

using namespace building;

ColumnSpec Calc(const std::string& name, JetType descriptor, JetType result, int size = 0) {
    ColumnSpec c = Col(name, descriptor, size);
    c.calculatedResult = result;
    return c;
}

// The envelope around a payload, as the engine writes it.
CellValue Wrapped(const std::string& payload) {
    std::string out(16, '\0');
    for (int k = 0; k < 4; ++k)
        out += static_cast<char>((payload.size() >> (8 * k)) & 0xFF);
    return B(out + payload + std::string(3, '\0'));
}

std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k)
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
    return out;
}

class Calculated : public ::testing::Test {
protected:
    std::string Write(MdbDescription description) {
        description.format = FileFormat::Ace14;
        const std::string path = scratch_.file("calculated.accdb");
        WriteMdb(description, path);
        return path;
    }
    oracle::Scratch scratch_;
};

TEST_F(Calculated, EveryResultTypeReadsAsItsResult) {
    TableSpec table;
    table.name = "Results";
    ColumnSpec ccy = Calc("Price", JetType::Double, JetType::Currency); // the descriptor says Double
    ColumnSpec dec = Calc("Ratio", JetType::Decimal, JetType::Decimal);
    dec.precision = 18;
    dec.scale = 6;
    table.columns = {Col("ID", JetType::Long),
                     Calc("Label", JetType::Text, JetType::Text, 255),
                     Calc("Notes", JetType::Memo, JetType::Memo),
                     Calc("Count", JetType::Long, JetType::Long),
                     Calc("Small", JetType::Integer, JetType::Integer),
                     Calc("Tiny", JetType::Byte, JetType::Byte),
                     Calc("Half", JetType::Double, JetType::Double),
                     Calc("Third", JetType::Single, JetType::Single),
                     ccy,
                     dec,
                     Calc("When", JetType::DateTime, JetType::DateTime),
                     Calc("Done", JetType::Boolean, JetType::Boolean)};
    const std::string longNote(3000, 'n');
    table.rows = {
        {I(1), T("Grüße"), T("short note"), I(42), I(-7), I(200), R(2.5), R(0.25), T("12.3456"), T("50.325"),
         T("2021-06-14 12:45:00"), CellValue::fromBool(true)},
        {I(2), T("Мир"), T(longNote), I(-2147483647), I(32767), I(0), R(-1e300), R(-3), T("-0.0001"), T("-1.5"),
         T("1899-12-30"), CellValue::fromBool(false)},
        // The engine's NULL result: an envelope with an empty payload.
        {I(3), Wrapped(""), Wrapped(""), Wrapped(""), Wrapped(""), Wrapped(""), Wrapped(""), Wrapped(""), Wrapped(""),
         Wrapped(""), Wrapped(""), Wrapped("")},
        // No stored value at all.
        {I(4), Null, Null, Null, Null, Null, Null, Null, Null, Null, Null, Null},
    };
    MdbDescription description;
    description.tables = {table};
    const std::string path = Write(description);

    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    const auto rows = jettest::ReadTable(*database, u"Results");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"long 1", "Grüße", "short note", "long 42", "int -7", "byte 200", "double 2.5",
                                        "single 0.25", "cur 123456", "dec 50325000e-6", "date 44361.53125", "true"}));
    EXPECT_EQ(rows[1][1], "Мир");
    EXPECT_EQ(rows[1][2], longNote);
    EXPECT_EQ(rows[1][3], "long -2147483647");
    EXPECT_EQ(rows[1][8], "cur -1");
    EXPECT_EQ(rows[1][9], "dec -1500000e-6");
    EXPECT_EQ(rows[1][11], "false");
    for (std::size_t k = 1; k < rows[2].size(); ++k) {
        EXPECT_EQ(rows[2][k], "<null>") << "field " << k;
        EXPECT_EQ(rows[3][k], "<null>") << "field " << k;
    }

    // Fields report their result's type: Currency, not the descriptor's Double.
    const auto def = database->GetTableDefs()->Item(u"Results");
    EXPECT_EQ(def->GetFields().Item(8).Type(), DaoType::Currency);
    EXPECT_EQ(def->GetFields().Item(9).Type(), DaoType::Decimal);
    EXPECT_EQ(def->GetFields().Item(11).Type(), DaoType::Boolean);

    if (oracle::HaveMdbTools()) {
        EXPECT_EQ(oracle::Export(path, "Results").size(), 1 + rows.size()) << "mdb-export reads every row too";
    }
}

TEST_F(Calculated, OddStoredFormsStillRead) {
    TableSpec table;
    table.name = "Odd";
    table.columns = {Col("ID", JetType::Long), Calc("Total", JetType::Long, JetType::Long),
                     Calc("Amount", JetType::Double, JetType::Double), Calc("Label", JetType::Text, JetType::Text, 50)};
    table.rows = {
        // A whole-number result stored in fewer bytes than its type takes.
        {I(1), Wrapped(Le(300, 2)), Wrapped(Le(0x3FC00000, 4)), T("a")}, // a Single 1.5 for a Double
        // ... and in more: an 8-byte integer, a double of a whole number.
        {I(2), Wrapped(Le(123456, 8)), Wrapped(Le(0x4004000000000000ull, 8)), T("b")},
        // Kept in the row without the envelope, shorter than it.
        {I(3), B(Le(99, 4)), B(Le(0x3FF0000000000000ull, 8)), T("c")},
        // An envelope with trailing bytes beyond its trailer.
        {I(4), B(std::string(16, '\0') + Le(4, 4) + Le(5, 4) + std::string(9, '\0')), Null, T("d")},
    };
    MdbDescription description;
    description.tables = {table};
    const std::string path = Write(description);

    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    const auto rows = jettest::ReadTable(*database, u"Odd");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"long 1", "long 300", "double 1.5", "a"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"long 2", "long 123456", "double 2.5", "b"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"long 3", "long 99", "double 1", "c"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"long 4", "long 5", "<null>", "d"}));
}

TEST_F(Calculated, AnUndecodableResultCostsOnlyItsCell) {
    TableSpec table;
    table.name = "Broken";
    table.columns = {Col("ID", JetType::Long), Calc("When", JetType::DateTime, JetType::DateTime),
                     Calc("Label", JetType::Text, JetType::Text, 50), Calc("Notes", JetType::Memo, JetType::Memo)};
    table.rows = {
        {I(1), Wrapped("abc"), Wrapped("xyz"), Wrapped("odd")}, // 3 bytes are no date; odd bytes are no text
        {I(2), T("2000-01-01"), T("fine"), T("also fine")},
    };
    MdbDescription description;
    description.tables = {table};
    const std::string path = Write(description);

    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    const auto rows = jettest::ReadTable(*database, u"Broken");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"long 1", "<null>", "<null>", "<null>"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"long 2", "date 36526", "fine", "also fine"}));

    // The export learns how many values were left empty, to warn about them:
    // those of the fields it reads, each once however often it asks.
    const auto records = database->OpenRecordset(u"Broken");
    for (records->MoveFirst(); !records->Eof(); records->MoveNext())
        for (int32_t i = 0; i < 4; ++i) {
            (void)records->GetFields().Item(i).Value();
            (void)records->GetFields().Item(i).Value();
        }
    EXPECT_EQ(records->ValuesLeftEmpty(), 3);

    // A column the export leaves out is never decoded, so never counted.
    const auto some = database->OpenRecordset(u"Broken");
    for (some->MoveFirst(); !some->Eof(); some->MoveNext())
        (void)some->GetFields().Item(3).Value();
    EXPECT_EQ(some->ValuesLeftEmpty(), 1);
}

} // namespace
