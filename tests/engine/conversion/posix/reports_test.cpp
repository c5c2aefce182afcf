// Failures that end in the activity log or in a message box. The POSIX
// message box only writes to stderr, so these run where nobody has to
// answer a box, and the log folder can be pointed at a scratch folder.
#include "engine/Export.h"
#include "engine/Run.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <algorithm>
#include <cstdlib>

using namespace enginetest;

namespace {

class ReportedFailureTest : public EngineTest {
protected:
    void SetUp() override {
        file = PeopleAndPets("/db/people.mdb");
        Open("/db/people.mdb");
        ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    std::shared_ptr<memdb::File> file;
    ScratchFolder data;
};

TEST_F(ReportedFailureTest, UnopenableOutputFileIsLoggedOrShownAndTheCallReturns) {
    settings.OutputPath = folder / "missing";
    settings.StatusFile = folder / "status.ini";
    settings.Log = 1;
    ExportTable(nullptr, settings, "People");
    EXPECT_EQ(settings.TablesFailed, 1);
    EXPECT_EQ(settings.RecordsDone, 0);
    EXPECT_EQ(file->Used.RecordsetsOpened, 0);
    EXPECT_NE(ReadAll(data / "wizards.log").find("Varnex     Cannot create output file."), std::string::npos);
    EXPECT_EQ(platform::ReadProfileString("Varnex", "Result", "", folder / "status.ini"), "Failed");

    // Without the log the message box takes its place and nothing is logged.
    std::filesystem::remove(data / "wizards.log");
    settings.Log = 0;
    ExportTable(nullptr, settings, "People");
    EXPECT_EQ(settings.TablesFailed, 2);
    EXPECT_FALSE(Exists(data / "wizards.log"));
}

TEST_F(ReportedFailureTest, TableNameWithSeparatorsNeverLeavesTheOutputFolder) {
    std::filesystem::create_directory(folder / "sub");
    settings.OutputPath = folder / "sub";
    settings.Log = 1;
    for (const char* name : {"../People", "..\\People"}) {
        file->Tables[0].Name = name;
        ExportTable(nullptr, settings, name);
    }
    // The separator becomes part of a name; a backslash is none here.
    EXPECT_EQ(settings.TablesFailed, 0);
    EXPECT_FALSE(Exists(folder / "People.csv"));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "sub"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"..\\People.csv", ".._People.csv"}));

    // A named output file does not depend on the table's name.
    settings.OutputPath = folder / "sub/all.csv";
    file->Tables[0].Name = "../People";
    ExportTable(nullptr, settings, "../People");
    EXPECT_EQ(ReadAll(folder / "sub/all.csv"), "Id,Name\r\n1,\"Ann\"\r\n2,\r\n");
}

TEST_F(ReportedFailureTest, UnreadableRecordsLeaveTheHeaderAndTheRunGoesOn) {
    file->Tables[0].OpenRecordsetFailure = HResult::DaoError(3051);
    settings.TableList = ";People;;Pets;";
    ConvertTables(nullptr, settings);
    EXPECT_EQ(ReadAll(folder / "People.csv"), "Id,Name\r\n");
    EXPECT_EQ(ReadAll(folder / "Pets.csv"), "Pet\r\n\"Rex\"\r\n");
    EXPECT_EQ(settings.TablesDone, 2);
    EXPECT_EQ(settings.TablesFailed, 1);
    EXPECT_EQ(settings.RecordsDone, 1);
}

} // namespace
