// Linked tables: rows read from the other Access file, found at its stored
// path or beside the linking database, opened with the linking database's
// password; links that cannot be followed fail alone, naming their source.

#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/JetEngine.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

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

    std::unique_ptr<Database> OpenWith(const std::string& path, const OpenOptions& options) {
        return engine_->OpenDatabaseWith(platform::AnsiToWide(path), 1, true, std::nullopt, options);
    }

    // The folder a file lies in, made on the way.
    std::string Folder(const std::string& name) {
        const std::string path = scratch_.file(name);
        fs::create_directories(path);
        return path;
    }

    oracle::Scratch scratch_;
    std::string password_;
    std::string target_;
    std::unique_ptr<DBEngine> engine_ = CreateJetEngine(true);
};

std::vector<std::vector<std::string>> PeopleRows() { return {{"long 1", "Ann"}, {"long 2", "Bob"}}; }

TEST_F(Linked, RowsComeFromTheOtherFileAtItsPathOrBesideTheLinkingFile) {
    const std::string path = WriteLinking({
        Link("Direct", target_, "People"),
        Link("Moved", "C:\\Users\\someone\\Documents\\target.mdb", "People",
             ";DATABASE=C:\\Users\\someone\\target.mdb"),
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

// A link made on another machine: its stored path is a drive letter there, and
// its file lies neither there nor beside the linking database.
TEST_F(Linked, NamedFoldersAreSearchedInOrderAfterTheStoredPlaces) {
    const std::string far = Folder("far");
    const std::string farther = Folder("farther");
    fs::copy_file(target_, far + "/other.mdb");
    // A second file of that name, with other rows, in the folder named later.
    {
        TableSpec people;
        people.name = "People";
        people.columns = {Col("ID", JetType::Long), Col("Name", JetType::Text, 50)};
        people.rows = {{I(9), T("Zed")}};
        MdbDescription other;
        other.tables = {people};
        WriteMdb(other, farther + "/other.mdb");
    }
    const std::string path = WriteLinking({Link("People", "D:\\Shared\\other.mdb", "People")});
    EXPECT_NE(FailureOf(*OpenWith(path, OpenOptions()), u"People"), "no failure");

    OpenOptions options;
    options.LinkFolders = {platform::AnsiToWide(scratch_.file("nowhere")), platform::AnsiToWide(far),
                           platform::AnsiToWide(farther)};
    EXPECT_EQ(jettest::ReadTable(*OpenWith(path, options), u"People"), PeopleRows());
    options.LinkFolders = {platform::AnsiToWide(farther + "/"), platform::AnsiToWide(far)};
    EXPECT_EQ(jettest::ReadTable(*OpenWith(path, options), u"People"),
              (std::vector<std::vector<std::string>>{{"long 9", "Zed"}}));
    // The file beside the linking database comes before every named folder.
    fs::copy_file(target_, scratch_.file("other.mdb"));
    EXPECT_EQ(jettest::ReadTable(*OpenWith(path, options), u"People"), PeopleRows());
}

TEST_F(Linked, LinksNotFollowedFailEachLinkedTableAlone) {
    const std::string path = WriteLinking({Link("Direct", target_, "People"), Link("Again", target_, "People")});
    OpenOptions options;
    options.FollowLinks = false;
    const auto database = OpenWith(path, options);
    for (const char16_t* name : {u"Direct", u"Again"}) {
        const std::string failure = FailureOf(*database, name);
        EXPECT_NE(failure.find("linked tables are not followed"), std::string::npos) << failure;
    }
    EXPECT_EQ(jettest::ReadTable(*database, u"Local"), (std::vector<std::vector<std::string>>{{"long 7"}}));
}

TEST_F(Linked, LoopsAcrossFilesAreFoundByTheFilesThemselves) {
    // a.mdb's Forth is b.mdb's Back, which is a.mdb's Forth again, under
    // another spelling of a.mdb's path each time.
    const std::string folder = Folder("loop");
    MdbDescription a, b;
    TableSpec local;
    local.name = "Local";
    local.columns = {Col("ID", JetType::Long)};
    a.tables = {local};
    b.tables = {local};
    a.links = {Link("Forth", folder + "/./b.mdb", "Back")};
    b.links = {Link("Back", folder + "//a.mdb", "Forth")};
    WriteMdb(a, folder + "/a.mdb");
    WriteMdb(b, folder + "/b.mdb");
    const auto database = OpenWith(folder + "/a.mdb", OpenOptions());
    const std::string failure = FailureOf(*database, u"Forth");
    EXPECT_NE(failure.find("loop"), std::string::npos) << failure;
}

TEST_F(Linked, AStopRequestEndsAKeyDerivation) {
    mkdb::EncryptionSettings encryption;
    encryption.scheme = "agile";
    encryption.password = "pw";
    encryption.hash = "SHA1";
    encryption.spinCount = 200000;
    MdbDescription locked;
    locked.encryption = encryption;
    locked.format = FileFormat::Ace14;
    TableSpec local;
    local.name = "Local";
    local.columns = {Col("ID", JetType::Long)};
    local.rows = {{I(1)}};
    locked.tables = {local};
    const std::string path = scratch_.file("locked.accdb");
    WriteMdb(locked, path);
    std::atomic<int32_t> stop{2};
    OpenOptions options;
    options.StopRequested = &stop;
    const std::optional<std::u16string> connect = u";pwd=pw";
    try {
        engine_->OpenDatabaseWith(platform::AnsiToWide(path), 1, true, connect, options);
        ADD_FAILURE() << "the derivation ran to its end";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.Code, HResult::DaoError(3059));
    }
    stop = 0;
    EXPECT_EQ(
        jettest::ReadTable(*engine_->OpenDatabaseWith(platform::AnsiToWide(path), 1, true, connect, options), u"Local")
            .size(),
        1u);
}

TEST_F(Linked, SecretsOfConnectTextsNeverReachAMessage) {
    const std::string path = WriteLinking({
        Link("Sales", "", "dbo.Sales", "ODBC;DSN=Sales;UID=sa;Password=hunter2;AppPwd=swordfish;Db_Password=x9;", true),
        Link("Mail", "", "Inbox", "Exchange 4.0;MAPILEVEL=Inbox|;PASSWORD=letmein;DATABASE=C:\\mail.mdb"),
        Link("Gone", "", "People", "MS Access;DATABASE=C:\\gone.mdb;PWD=opensesame"),
        Link("Bare", "", "dbo.T", "Pwd=tiger;DSN=x", true),
    });
    const auto database = OpenWith(path, OpenOptions());
    for (const char16_t* name : {u"Sales", u"Mail", u"Gone", u"Bare"}) {
        const std::string failure = FailureOf(*database, name);
        EXPECT_NE(failure, "no failure");
        for (const char* secret : {"hunter2", "swordfish", "x9", "letmein", "opensesame", "tiger"})
            EXPECT_EQ(failure.find(secret), std::string::npos) << failure;
    }
    EXPECT_NE(FailureOf(*database, u"Sales").find("UID=sa"), std::string::npos);
    EXPECT_NE(FailureOf(*database, u"Gone").find("gone.mdb"), std::string::npos);
}

#ifndef _WIN32
std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Spellings of one file: symbolic links, "./" and doubled separators.
TEST_F(Linked, OneFileUnderManySpellingsIsOpenedOnceAndFewFilesAreHeldOpen) {
    if (!fs::exists("/proc/self/fd"))
        GTEST_SKIP() << "no /proc/self/fd";
    const std::string folder = Folder("spellings");
    std::vector<LinkDescription> links;
    for (int k = 0; k < 1100; ++k) {
        std::string spelling;
        if (k % 3 == 0) {
            spelling = folder + "/link" + std::to_string(k) + ".mdb";
            fs::create_symlink(target_, spelling);
        } else {
            // Every spelling its own: k's own count of separators and "./".
            spelling =
                fs::path(target_).parent_path().string() + std::string(static_cast<std::size_t>(k % 20 + 1), '/');
            for (int dots = 0; dots < k / 20; ++dots)
                spelling += "./";
            spelling += "target.mdb";
        }
        links.push_back(Link("T" + std::to_string(k), spelling, "People"));
    }
    // Twenty files of their own, read one after another.
    for (int k = 0; k < 20; ++k) {
        const std::string copy = folder + "/copy" + std::to_string(k) + ".mdb";
        fs::copy_file(target_, copy);
        links.push_back(Link("C" + std::to_string(k), copy, "People"));
    }
    const std::string path = WriteLinking(std::move(links));
    const std::size_t before = OpenDescriptors();
    const auto database = OpenWith(path, OpenOptions());
    for (int k = 0; k < 1100; ++k)
        ASSERT_EQ(jettest::ReadTable(*database, u"T" + platform::AnsiToWide(std::to_string(k))), PeopleRows()) << k;
    for (int k = 0; k < 20; ++k)
        ASSERT_EQ(jettest::ReadTable(*database, u"C" + platform::AnsiToWide(std::to_string(k))), PeopleRows()) << k;
    // The database, the few linked files held and their streams: nowhere near one per link.
    EXPECT_LE(OpenDescriptors(), before + 24);
}

TEST_F(Linked, FailuresSayWhatTheLinkedPathIs) {
    const std::string folder = Folder("kinds");
    ASSERT_EQ(::mkfifo((folder + "/pipe.mdb").c_str(), 0600), 0);
    fs::create_directories(folder + "/dir.mdb");
    {
        std::ofstream text(folder + "/text.mdb");
        for (int k = 0; k < 200; ++k)
            text << "not a database at all, only words\n";
    }
    const std::string path = WriteLinking({
        Link("Pipe", folder + "/pipe.mdb", "People"),
        Link("Dir", folder + "/dir.mdb", "People"),
        Link("Device", "/dev/null", "People"),
        Link("Missing", folder + "/absent.mdb", "People"),
        Link("Text", folder + "/text.mdb", "People"),
    });
    const auto database = OpenWith(path, OpenOptions());
    const std::pair<const char16_t*, const char*> expected[] = {{u"Pipe", "' is a FIFO"},
                                                                {u"Dir", "' is a folder"},
                                                                {u"Device", "' is a device"},
                                                                {u"Missing", "absent.mdb' is missing"},
                                                                {u"Text", "not an Access database"}};
    for (const auto& [name, kind] : expected) {
        const std::string failure = FailureOf(*database, name);
        EXPECT_NE(failure.find(kind), std::string::npos) << failure;
    }
}
#endif

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
    const std::string keeping = WriteLinking(
        {Link("People", target_, "People", "MS Access;PWD=s3cret;DATABASE=" + target_)}, "", "keeping.mdb");
    EXPECT_EQ(jettest::ReadTable(*jettest::Open(*engine, keeping), u"People").size(), 2u);
}

} // namespace
