#include "engine/LoadDatabase.h"

#include "tests/support/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

using LoadDatabaseTest = EngineTest;

std::shared_ptr<memdb::File> WithTables(const std::string& path, std::vector<std::string> names) {
    auto file = memdb::Register(path);
    for (std::string& name : names)
        file->AddTable(std::move(name), {{"Id", DaoType::Long}});
    return file;
}

TEST_F(LoadDatabaseTest, UnattendedLoadListsUserTablesInCollectionOrder) {
    auto file = WithTables("/db/a.mdb", {"Zeta", "MSysObjects", "msysdata", "MSy", "Alpha", "MSysBackup"});
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/a.mdb"), 0);
    EXPECT_EQ(settings.TableList, ";Zeta;;msysdata;;MSy;;Alpha;");
    EXPECT_EQ(settings.SourcePath.str(), "/db/a.mdb");
    ASSERT_TRUE(settings.CurrentDatabase);
    // Opened read-only, for exclusive use, with the engine's default connect.
    EXPECT_EQ(file->Used.LastOptions, 1);
    EXPECT_TRUE(file->Used.LastReadOnly);
    EXPECT_FALSE(file->Used.LastConnect);
}

TEST_F(LoadDatabaseTest, OnlySystemTablesGiveAnEmptyList) {
    WithTables("/db/sys.mdb", {"MSysObjects", "MSysACEs"});
    settings.TableList = ";Stale;";
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/sys.mdb"), 0);
    EXPECT_EQ(settings.TableList, "");
}

TEST_F(LoadDatabaseTest, TablesFilterMatchesWholeNamesInAnyCaseAndStaysForLaterLoads) {
    WithTables("/db/one.mdb", {"OrderLines", "Orders", "Customers"});
    WithTables("/db/two.mdb", {"orders", "Order"});
    settings.Tables = ";ORDERS;";
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/one.mdb"), 0);
    EXPECT_EQ(settings.TableList, ";Orders;");
    EXPECT_EQ(settings.Tables, ";ORDERS;");
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/two.mdb"), 0);
    EXPECT_EQ(settings.TableList, ";orders;");
}

TEST_F(LoadDatabaseTest, WindowGetsTheNamesSelectedAndItsPassword) {
    auto file = WithTables("/db/p.mdb", {"B", "MSysObjects", "A"});
    file->Password = "se;cret";
    RecordingTableList window;
    window.Password = "se;cret";
    settings.TableList = ";Kept;";
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/p.mdb"), 0);
    const std::vector<std::string> expected = {"reset", "add B", "add A", "select all"};
    EXPECT_EQ(window.Events, expected);
    EXPECT_EQ(settings.Password.str(), "se;cret");
    EXPECT_EQ(file->Used.LastConnect, u";pwd=se;cret"); // passed unquoted
    EXPECT_EQ(settings.TableList, ";Kept;");            // the window owns the choice

    // The same path and password again: nothing is reopened or listed again.
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/p.mdb"), 0);
    EXPECT_EQ(window.Events, expected);
    EXPECT_EQ(file->Used.Opens, 1);

    // A changed password reopens it.
    window.Password = "wrong";
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/p.mdb"), 1);
    EXPECT_EQ(file->Used.Opens, 2);
    EXPECT_TRUE(window.Items.empty());
    EXPECT_FALSE(settings.CurrentDatabase);
    EXPECT_EQ(file->Used.OpenHandles, 0);
    EXPECT_EQ(settings.Password.str(), "wrong");
}

TEST_F(LoadDatabaseTest, FailedLoadIsTriedAgainWithTheSamePathAndPassword) {
    auto file = WithTables("/db/locked.mdb", {"T"});
    file->OpenFailure = HResult::DaoError(3045);
    RecordingTableList window;
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/locked.mdb"), 1);
    EXPECT_EQ(settings.SourcePath.str(), "/db/locked.mdb");
    EXPECT_FALSE(settings.CurrentDatabase);

    file->OpenFailure.reset();
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/locked.mdb"), 0);
    EXPECT_EQ(file->Used.Opens, 2);
    EXPECT_EQ(window.Items, std::vector<std::string>{"T"});
}

TEST_F(LoadDatabaseTest, UnattendedPasswordComesFromTheSettings) {
    auto file = WithTables("/db/p.mdb", {"T"});
    file->Password = "pw";
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/p.mdb"), 1);
    settings.Password = "pw";
    settings.SourcePath = "/db/p.mdb";
    EXPECT_EQ(LoadDatabase(nullptr, settings, ""), 0); // empty path: the one in SourcePath
    EXPECT_EQ(settings.TableList, ";T;");
}

TEST_F(LoadDatabaseTest, DatabaseWithoutTablesKeepsFilterAndList) {
    memdb::Register("/db/none.mdb");
    settings.Tables = ";X;";
    settings.TableList = ";Old;";
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/none.mdb"), 0);
    EXPECT_EQ(settings.Tables, ";X;");
    EXPECT_EQ(settings.TableList, ";Old;");
    EXPECT_TRUE(settings.CurrentDatabase);
}

TEST_F(LoadDatabaseTest, NextLoadClosesThePreviousDatabase) {
    auto first = WithTables("/db/1.mdb", {"A"});
    auto second = WithTables("/db/2.mdb", {"B"});
    ASSERT_EQ(LoadDatabase(nullptr, settings, "/db/1.mdb"), 0);
    ASSERT_EQ(LoadDatabase(nullptr, settings, "/db/2.mdb"), 0);
    EXPECT_EQ(first->Used.CloseCalls, 1);
    EXPECT_EQ(first->Used.OpenHandles, 0);
    EXPECT_EQ(second->Used.OpenHandles, 1);
    EXPECT_EQ(settings.TableList, ";B;");

    // An unknown path fails and leaves nothing open.
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/none.mdb"), 1);
    EXPECT_EQ(second->Used.OpenHandles, 0);
    EXPECT_FALSE(settings.CurrentDatabase);
}

TEST_F(LoadDatabaseTest, EngineErrorsAfterTheOpenAreFailedLoads) {
    // Unreadable table definitions: the database stays open.
    auto file = WithTables("/db/defs.mdb", {"A"});
    file->TableDefsFailure = HResult::Fail;
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/defs.mdb"), 1);
    EXPECT_TRUE(settings.CurrentDatabase);

    // The previous database cannot be closed: released anyway, load failed.
    auto next = WithTables("/db/next.mdb", {"B"});
    file->CloseFailure = HResult::Fail;
    EXPECT_EQ(LoadDatabase(nullptr, settings, "/db/next.mdb"), 1);
    EXPECT_EQ(file->Used.OpenHandles, 0);
    EXPECT_EQ(next->Used.Opens, 0);
    EXPECT_EQ(settings.TableList, "");
    EXPECT_EQ(settings.SourcePath.str(), "/db/next.mdb");

    // A table name that cannot be read: nothing listed, nothing left open.
    next->Tables[0].NameFailure = HResult::Fail;
    RecordingTableList window;
    EXPECT_EQ(LoadDatabase(&window, settings, "/db/next.mdb"), 1);
    EXPECT_TRUE(window.Items.empty());
    EXPECT_FALSE(settings.CurrentDatabase);
    EXPECT_EQ(next->Used.OpenHandles, 0);
}

} // namespace
