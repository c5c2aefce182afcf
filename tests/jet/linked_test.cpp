// Linked tables: rows read from the other Access file, found at its stored
// path or beside the linking database, opened with the linking database's
// password; links that cannot be followed fail alone, naming their source.

#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

namespace {

using namespace building;

LinkDescription Link(const std::string& name, const std::string& database, const std::string& foreign,
              const std::string& connect = "", bool odbc = false) {
    return LinkDescription{name, database, foreign, connect, odbc};
}

class Linked : public ::testing::Test {
protected:
    void SetUp() override {
        TableSpec people;
        people.name = "People";
        people.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 50)};
        people.rows = {{I(1), T("Ann")}, {I(2), T("Bob")}};
        MdbDescription target;
        target.password = password_;
        target.tables = {people};
        target_ = scratch_.file("target.mdb");
        WriteMdb(target, target_);
    }

    std::string WriteLinking(std::vector<LinkDescription> links, const std::string& password = "",
                             const std::string& name = "linking.mdb") {
        TableSpec local;
        local.name = "Local";
        local.columns = {Col("ID", JetType::Long)};
        local.rows = {{I(7)}};
        MdbDescription linking;
        linking.password = password;
        linking.tables = {local};
        linking.links = std::move(links);
        const std::string path = scratch_.file(name);
        WriteMdb(linking, path);
        return path;
    }

    // The failure reading the table raises, as the conversion would see it.
    static std::string FailureOf(Database& database, std::u16string_view table) {
        try {
            database.GetTableDefs()->Item(table)->GetFields();
            jettest::ReadTable(database, table);
        } catch (const EngineError& error) {
            return jettest::Utf8(error.Description.value_or(u""));
        }
        return "no failure";
    }

    oracle::Scratch scratch_;
    std::string password_;
    std::string target_;
};

TEST_F(Linked, RowsComeFromTheOtherFileAtItsPathOrBesideTheLinkingFile) {
    const std::string path = WriteLinking({
        Link("Direct", target_, "People"),
        Link("Moved", "C:\\Users\\someone\\Documents\\target.mdb", "People", ";DATABASE=C:\\Users\\someone\\target.mdb"),
        Link("Relative", "target.mdb", "people"), // names are found without regard to case
    });
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    EXPECT_EQ(jettest::TableNames(*database),
              (std::vector<std::string>{"Direct", "Local", "Moved", "MSysObjects", "Relative"}));
    const std::vector<std::vector<std::string>> people{{"long 1", "Ann"}, {"long 2", "Bob"}};
    for (const char16_t* name : {u"Direct", u"Moved", u"Relative"}) {
        EXPECT_EQ(jettest::ReadTable(*database, name), people) << jettest::Utf8(name);
        const Fields& fields = database->GetTableDefs()->Item(name)->GetFields();
        ASSERT_EQ(fields.Count(), 2);
        EXPECT_EQ(fields.Item(1).Name(), u"Name");
        EXPECT_EQ(fields.Item(1).Type(), DaoType::Text);
    }
    EXPECT_EQ(jettest::ReadTable(*database, u"Local"), (std::vector<std::vector<std::string>>{{"long 7"}}));
}

TEST_F(Linked, LinksThatCannotBeFollowedFailAloneNamingTheirSource) {
    const std::string path = WriteLinking({
        Link("Gone", "C:\\Data\\gone.mdb", "People"),
        Link("Sales", "", "dbo.Sales", "ODBC;DSN=Sales;UID=sa;PWD=secret;", true),
        Link("Sheet", "C:\\Data\\book.xls", "Sheet1$", "Excel 8.0;HDR=YES;DATABASE=C:\\Data\\book.xls"),
        Link("Nobody", target_, "Nobody"),
        Link("Loop", scratch_.file("linking.mdb"), "Loop"),
    });
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);

    const std::string gone = FailureOf(*database, u"Gone");
    EXPECT_NE(gone.find("C:\\Data\\gone.mdb"), std::string::npos) << gone;
    EXPECT_NE(gone.find("'Gone'"), std::string::npos) << gone;
    const std::string odbc = FailureOf(*database, u"Sales");
    EXPECT_NE(odbc.find("ODBC;DSN=Sales;UID=sa"), std::string::npos) << odbc;
    EXPECT_EQ(odbc.find("secret"), std::string::npos) << "passwords stay out of messages: " << odbc;
    const std::string sheet = FailureOf(*database, u"Sheet");
    EXPECT_NE(sheet.find("Excel 8.0"), std::string::npos) << sheet;
    const std::string nobody = FailureOf(*database, u"Nobody");
    EXPECT_NE(nobody.find("'Nobody'"), std::string::npos) << nobody;
    EXPECT_NE(nobody.find("target.mdb"), std::string::npos) << nobody;
    EXPECT_NE(FailureOf(*database, u"Loop"), "no failure");

    // The database and its own table are untouched by the failures.
    EXPECT_EQ(jettest::ReadTable(*database, u"Local"), (std::vector<std::vector<std::string>>{{"long 7"}}));
}

TEST_F(Linked, LinksOfLinksLeadToTheTableThatHoldsTheRows) {
    TableSpec none;
    none.name = "Nothing";
    none.columns = {Col("ID", JetType::Long)};
    MdbDescription middle;
    middle.tables = {none};
    middle.links = {Link("Persons", target_, "People")};
    WriteMdb(middle, scratch_.file("middle.mdb"));
    const std::string path = WriteLinking({Link("Everyone", scratch_.file("middle.mdb"), "Persons")});
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    EXPECT_EQ(jettest::ReadTable(*database, u"Everyone"),
              (std::vector<std::vector<std::string>>{{"long 1", "Ann"}, {"long 2", "Bob"}}));
}

class LinkedWithPassword : public Linked {
protected:
    void SetUp() override {
        password_ = "s3cret";
        Linked::SetUp();
    }
};

TEST_F(LinkedWithPassword, TheLinkingDatabasesPasswordOpensTheLinkedFile) {
    const auto engine = CreateJetEngine(true);
    {
        const std::string path = WriteLinking({Link("People", target_, "People")}, "s3cret");
        const auto database = jettest::Open(*engine, path, std::string("s3cret"));
        EXPECT_EQ(jettest::ReadTable(*database, u"People").size(), 2u);
    }
    // Without it the linked file refuses, and the message says which file.
    const std::string path = WriteLinking({Link("People", target_, "People")}, "", "plain.mdb");
    const auto database = jettest::Open(*engine, path);
    const std::string failure = FailureOf(*database, u"People");
    EXPECT_NE(failure.find("target.mdb"), std::string::npos) << failure;
    EXPECT_NE(failure.find("password"), std::string::npos) << failure;

    // A link that keeps the other file's password in its connect text uses it.
    const std::string keeping =
        WriteLinking({Link("People", target_, "People", "MS Access;PWD=s3cret;DATABASE=" + target_)}, "", "keeping.mdb");
    EXPECT_EQ(jettest::ReadTable(*jettest::Open(*engine, keeping), u"People").size(), 2u);
}

} // namespace
