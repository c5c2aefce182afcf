// Which file each table of a run is written to, whatever its name, and how
// the header line writes the field names.

#include "engine/Export.h"
#include "engine/OutputNames.h"
#include "platform/Platform.h"

#include "tests/support/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

const char* const kDb = "/db/names.mdb";

const bool kWindows = platform::PathSeparator == '\\';

class OutputNamesTest : public EngineTest {
protected:
    void SetUp() override {
        file = PeopleAndPets(kDb);
        Open(kDb);
    }
    memdb::Table& AddOneRowTable(const std::string& name, int value) {
        return file->AddTable(name, {{"N", DaoType::Long}}).Row({memdb::Long(value)});
    }
    std::shared_ptr<memdb::File> file;
};

TEST_F(OutputNamesTest, EveryTableNameGivesAFileOfItsOwn) {
    AddOneRowTable("Muffin/Bread", 1);
    AddOneRowTable("Tab>\"e@ll/a'2;*,", 2);
    AddOneRowTable(".", 3);
    AddOneRowTable("..", 4);
    for (const char* table : {"Muffin/Bread", "Tab>\"e@ll/a'2;*,", ".", ".."})
        ExportTable(nullptr, settings, table);

    EXPECT_EQ(ReadAll(folder / "Muffin_Bread.csv"), "N\r\n1\r\n");
    // Windows file names hold none of < > " * either; POSIX ones only no '/'.
    EXPECT_EQ(ReadAll(folder / (kWindows ? "Tab__e@ll_a'2;_,.csv" : "Tab>\"e@ll_a'2;*,.csv")), "N\r\n2\r\n");
    // "." and ".." name no file of their own; the second takes the next free name.
    EXPECT_EQ(ReadAll(folder / "_.csv"), "N\r\n3\r\n");
    EXPECT_EQ(ReadAll(folder / "_~2.csv"), "N\r\n4\r\n");
    ASSERT_EQ(settings.Notes.size(), 4u);
    EXPECT_EQ(settings.Notes[0], "table Muffin/Bread is written to " + (folder / "Muffin_Bread.csv"));
    EXPECT_EQ(settings.Notes[3], "table .. is written to " + (folder / "_~2.csv"));
    EXPECT_EQ(settings.TablesFailed, 0);

    // A valid name is used as it is, without a note.
    ExportTable(nullptr, settings, "Pets");
    EXPECT_EQ(ReadAll(folder / "Pets.csv"), "Pet\r\n\"Rex\"\r\n");
    EXPECT_EQ(settings.Notes.size(), 4u);
}

TEST_F(OutputNamesTest, ALaterTableNeverTakesAnotherTablesFile) {
    // The named file of file mode belongs to the first table, even when a
    // later table is named like it.
    settings.OutputPath = folder / "Pets.csv";
    ExportTable(nullptr, settings, "People");
    ExportTable(nullptr, settings, "Pets");
    EXPECT_EQ(ReadAll(folder / "Pets.csv"), "Id,Name\r\n1,\"Ann\"\r\n2,\r\n");
    EXPECT_EQ(ReadAll(folder / "Pets~2.csv"), "Pet\r\n\"Rex\"\r\n");
    EXPECT_EQ(settings.Notes, std::vector<std::string>{"table Pets is written to " + (folder / "Pets~2.csv")});

    // A name that becomes another table's file name after replacement, and
    // the table literally named like the next free name.
    AddOneRowTable("A/B", 1);
    AddOneRowTable("A_B", 2);
    AddOneRowTable("A_B~2", 3);
    for (const char* table : {"A/B", "A_B", "A_B~2"})
        ExportTable(nullptr, settings, table);
    EXPECT_EQ(ReadAll(folder / "A_B.csv"), "N\r\n1\r\n");
    EXPECT_EQ(ReadAll(folder / "A_B~2.csv"), "N\r\n2\r\n");
    EXPECT_EQ(ReadAll(folder / "A_B~2~2.csv"), "N\r\n3\r\n");
}

TEST_F(OutputNamesTest, TheSameTableOfAnotherDatabaseKeepsItsOneFile) {
    AddOneRowTable("A/B", 1);
    ExportTable(nullptr, settings, "A/B");
    // A pattern run's next database with a table of the same name.
    auto second = memdb::Register("/db/second.mdb");
    second->AddTable("A_B", {{"N", DaoType::Long}}).Row({memdb::Long(2)});
    second->AddTable("A/B", {{"N", DaoType::Long}}).Row({memdb::Long(3)});
    Open("/db/second.mdb");
    ExportTable(nullptr, settings, "A_B");
    ExportTable(nullptr, settings, "A/B");
    EXPECT_EQ(ReadAll(folder / "A_B.csv"), "N\r\n1\r\n3\r\n");
    EXPECT_EQ(ReadAll(folder / "A_B~2.csv"), "N\r\n2\r\n");
    EXPECT_EQ(settings.Notes.size(), 2u) << "each file is named once";
}

TEST_F(OutputNamesTest, NamesAreComparedAsTheFileSystemComparesThem) {
    const std::string upper = ClaimTableFile(settings, folder.Path(), "ORDERS");
    const std::string lower = ClaimTableFile(settings, folder.Path(), "Orders");
    EXPECT_EQ(upper, folder / "ORDERS.csv");
    // Windows takes both for one file; POSIX keeps them apart.
    EXPECT_EQ(lower, folder / (kWindows ? "Orders~2.csv" : "Orders.csv"));
    // The wizard opens the files the run gave the tables.
    EXPECT_EQ(TableFileIn(settings, folder.Path(), "Orders"), lower);
    EXPECT_EQ(TableFileIn(settings, folder.Path(), "New/One"), folder / "New_One.csv");
}

TEST_F(OutputNamesTest, AFieldNameIsQuotedInTheHeaderWhenItWouldSplitIt) {
    file->AddTable("Odd", {{"Commas,In,Column", DaoType::Long},
                           {"\"Double\"Quotes\"Column", DaoType::Long},
                           {"Line\r\nBreak", DaoType::Long},
                           {"Plain", DaoType::Long}})
        .Row({memdb::Long(1), memdb::Long(2), memdb::Long(3), memdb::Long(4)});
    ExportTable(nullptr, settings, "Odd");
    EXPECT_EQ(ReadAll(folder / "Odd.csv"),
              "\"Commas,In,Column\",\"\"\"Double\"\"Quotes\"\"Column\",\"Line\r\nBreak\",Plain\r\n1,2,3,4\r\n");

    // The delimiter that counts is the one in use, of any length; an empty
    // escape leaves the quotes bare, as in text cells.
    std::filesystem::remove(folder / "Odd.csv");
    settings.Fields = "::";
    settings.Escape = "";
    settings.OnlyFields = ";COMMAS,IN,COLUMN;PLAIN;";
    ExportTable(nullptr, settings, "Odd");
    EXPECT_EQ(ReadAll(folder / "Odd.csv"), "Commas,In,Column::Plain\r\n1::4\r\n");
    std::filesystem::remove(folder / "Odd.csv");
    settings.OnlyFields = ";\"DOUBLE\"QUOTES\"COLUMN;";
    ExportTable(nullptr, settings, "Odd");
    EXPECT_EQ(ReadAll(folder / "Odd.csv"), "\"\"Double\"Quotes\"Column\"\r\n2\r\n");
}

// Dates outside 1/1/100 to 12/31/9999 have no text; the other cells of the
// table are written all the same.
TEST_F(OutputNamesTest, AValueWithoutATextIsAnEmptyCellAndNamedOnce) {
    file->AddTable("Dates", {{"Id", DaoType::Long}, {"Born", DaoType::Date}, {"Died", DaoType::Date}})
        .Row({memdb::Long(1), memdb::Date(2.5), memdb::Null()})
        .Row({memdb::Long(2), memdb::Date(45000), memdb::Date(2958466)})
        .Row({memdb::Long(3), memdb::Date(-657435), memdb::Date(1e300)})
        .Row({memdb::Long(4), memdb::Date(2958465), memdb::Date(-657434)});
    ExportTable(nullptr, settings, "Dates");
    // Which cells are empty; the dates' texts are the locale's.
    std::string shape;
    for (const char c : ReadAll(folder / "Dates.csv"))
        if (c == ',' || c == '\n' || c == '"')
            shape += c;
    EXPECT_EQ(shape, ",,\n,\"\",\n,\"\",\n,,\n,\"\",\"\"\n");
    EXPECT_EQ(settings.RecordsDone, 4);
    EXPECT_EQ(settings.TablesFailed, 0);
    // The reason is the platform's words for the conversion's failure.
    ASSERT_EQ(settings.Warnings.size(), 1u);
    const std::string start = std::string(kDb) + ": table Dates: 3 values written empty: 3 could not be written "
                                                 "as text, the first in field Died of row 2 (";
    EXPECT_EQ(settings.Warnings[0].substr(0, start.size()), start) << settings.Warnings[0];
    EXPECT_EQ(settings.Warnings[0].back(), ')');
}

} // namespace
