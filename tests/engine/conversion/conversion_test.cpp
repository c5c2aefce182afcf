#include "engine/Conversion.h"

#include "tests/support/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

class ConversionTest : public EngineTest {
protected:
    void Database(const std::string& name, int rows) {
        const std::string path = folder / name;
        WriteAll(path, "");
        auto& t = memdb::Register(path)->AddTable("T", {{"N", DaoType::Long}});
        for (int i = 0; i < rows; ++i)
            t.Row({memdb::Long(i)});
    }

    ScratchFolder output;
};

TEST_F(ConversionTest, MissingPathsAreRefusedBeforeAnythingIsTouched) {
    settings.OutputPath.clear();
    ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Library);
    EXPECT_EQ(outcome.Refused, ConversionRefusal::NoDatabase);
    EXPECT_FALSE(outcome.Succeeded());

    Database("a.mdb", 1);
    settings.SourcePath = folder / "a.mdb";
    outcome = RunConversion(settings, ConversionRoad::Unattended);
    EXPECT_EQ(outcome.Refused, ConversionRefusal::NoOutput);
    EXPECT_FALSE(settings.CurrentDatabase);
}

TEST_F(ConversionTest, OutcomeCarriesTheCountersAndEachRoadItsDatabaseLifetime) {
    Database("a.mdb", 3);
    Database("b.mdb", 2);
    settings.SourcePath = folder / "?.mdb";
    settings.OutputPath = output.Path();
    ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Library);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.TablesDone, 2);
    EXPECT_EQ(outcome.RecordsDone, 5);
    EXPECT_FALSE(settings.CurrentDatabase);

    ConversionSettings second;
    InitSettings(second);
    second.SourcePath = folder / "?.mdb";
    second.OutputPath = output.Path();
    outcome = RunConversion(second, ConversionRoad::Unattended);
    EXPECT_TRUE(outcome.Succeeded());
    // The program leaves the last database open until the process ends.
    EXPECT_TRUE(second.CurrentDatabase);
}

TEST_F(ConversionTest, APlainPathNamingNoFileFailsTheRun) {
    settings.SourcePath = folder / "missing.mdb";
    settings.OutputPath = output.Path();
    const ConversionOutcome outcome = RunConversion(settings, ConversionRoad::Library);
    EXPECT_EQ(outcome.FilesFailed, 1);
    EXPECT_FALSE(outcome.Succeeded());
}

} // namespace
