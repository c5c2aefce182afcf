// The parameter text of the completion page, given back to the program as its
// command line, must repeat the run unattended.

#include "WizardTestSupport.h"

#include "engine/Conversion.h"

#include <filesystem>
#include <map>

using namespace wizardtest;

namespace {

// The command line as the Windows runtime splits it: blanks and line breaks
// separate, double quotes group, and backslashes count only before a quote
// (2n of them give n and a grouping quote, 2n+1 give n and a quote).
std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    std::size_t backslashes = 0;
    for (const char c : line) {
        if (c == '\\') {
            ++backslashes;
            any = true;
            continue;
        }
        if (c == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2)
                current += '"';
            else
                quoted = !quoted;
            backslashes = 0;
            any = true;
            continue;
        }
        current.append(backslashes, '\\');
        backslashes = 0;
        if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (any)
                args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    current.append(backslashes, '\\');
    if (any)
        args.push_back(current);
    return args;
}

void ParseArguments(ConversionSettings& settings, const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    ParseOptions(settings, static_cast<int>(argv.size()), argv.data());
}

std::map<std::string, std::string> FilesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadAll(entry.path().string());
    return files;
}

TEST(ParameterTextRoundTrip, EveryWrittenSettingComesBackThroughTheOptionParser) {
    ConversionSettings s;
    InitSettings(s);
    s.MaxLen = 40;
    s.Order = "Name DESC";
    s.TypeChanges = {"Long=Text", "Date=Text"};
    s.StatusFile = "C:\\My Files\\status.log";
    for (int32_t date = 0; date <= 9; ++date)
        for (int32_t codePage = 0; codePage <= 2; ++codePage)
            for (int32_t flags = 0; flags < 16; ++flags) {
                s.DateFormat = date;
                s.CodePage = codePage;
                s.OverWrite = flags & 1;
                s.ExportRecords = (flags >> 1) & 1;
                s.Open = (flags >> 2) & 1;
                s.Batch = s.Wait = (flags >> 3) & 1;
                std::vector<std::string> args{"varnex"};
                for (std::string& a : SplitCommandLine(ParameterText(s)))
                    args.push_back(std::move(a));

                ConversionSettings back;
                InitSettings(back);
                back.DateFormat = -1;
                back.CodePage = 9;
                ParseArguments(back, args);
                SCOPED_TRACE(ParameterText(s));
                EXPECT_EQ(back.DateFormat, date);
                EXPECT_EQ(back.CodePage, codePage);
                EXPECT_EQ(back.OverWrite, s.OverWrite);
                EXPECT_EQ(back.ExportRecords, s.ExportRecords);
                EXPECT_EQ(back.Open, s.Open);
                EXPECT_EQ(back.Batch, s.Batch);
                EXPECT_EQ(back.Wait, s.Wait);
                EXPECT_EQ(back.MaxLen, 40);
                EXPECT_EQ(back.Order.str(), "Name DESC");
                EXPECT_EQ(back.TypeChanges, s.TypeChanges);
                EXPECT_EQ(back.StatusFile.str(), s.StatusFile.str());
                EXPECT_EQ(back.Silent, 1);
                EXPECT_TRUE(back.SourcePath.empty());
                EXPECT_TRUE(back.OutputPath.empty());
            }

    // Quotes and backslashes in a quoted item survive the runtime's splitting.
    s.Order = "Name \"x\\\"";
    s.StatusFile = "C:\\a b\\";
    std::vector<std::string> args{"varnex"};
    for (std::string& a : SplitCommandLine(ParameterText(s)))
        args.push_back(std::move(a));
    ConversionSettings back;
    ParseArguments(back, args);
    EXPECT_EQ(back.Order.str(), s.Order.str()) << ParameterText(s);
    EXPECT_EQ(back.StatusFile.str(), s.StatusFile.str()) << ParameterText(s);
}

class RoundTripTest : public PageTest {
protected:
    // Runs the wizard started with the given options, saves its settings on
    // Finish, runs its parameter text unattended and compares the two runs.
    void RoundTrip(const std::vector<std::string>& startOptions, const std::string& expectedParameters);
};

void RoundTripTest::RoundTrip(const std::vector<std::string>& startOptions, const std::string& expectedParameters) {
    const std::string db = folder / "zoo.mdb";
    auto file = ZooDatabase(db);
    file->Tables[0].Row({memdb::Text("Zo\xeb\r\nline"), memdb::Long(9)}); // OEM text, a line break
    const std::string wizardOut = folder / "wizard-out";
    const std::string commandOut = folder / "command-out";
    std::filesystem::create_directory(wizardOut);
    std::filesystem::create_directory(commandOut);
    const std::string settingsFile = folder / "varnex.ini";
    const std::string status = folder / "status file.ini";

    // The wizard: started with a few options, then the user's choices.
    LoadSettings(settings, settingsFile);
    std::vector<std::string> start{"varnex", db, "/STATUS=" + status};
    start.insert(start.end(), startOptions.begin(), startOptions.end());
    ParseArguments(settings, start);
    WizardDriver wizard(settings, sheet, settingsFile);
    wizard.Start();
    wizard.PressNext();
    wizard.PressNext();
    ASSERT_EQ(wizard.Current, WizardDriver::Output);
    wizard.OutputLogic().AfterCommand(wizardOut + "\\");
    wizard.OutputLogic().AfterCommand(wizardOut);
    wizard.OutputLogic().HeaderClicked(true);
    wizard.OutputLogic().DoubleQuotesClicked(true);
    wizard.OutputLogic().RemoveCRLFClicked(true);
    wizard.OutputLogic().DateFormatChosen(5);
    wizard.OutputLogic().CodePageChosen(2);
    wizard.OutputLogic().OverWriteClicked(true);
    wizard.FieldsText = "PIPE";
    wizard.RecordsText = "LF";
    wizard.EscapeText = "\\";
    wizard.PressNext();
    ASSERT_EQ(wizard.Current, WizardDriver::Completion);
    const std::string parameters = wizard.Parameters();
    wizard.SaveChecked = true;
    wizard.PressFinish();
    std::string expected = expectedParameters;
    expected.replace(expected.find("<status>"), 8, status);
    EXPECT_EQ(parameters, expected);

    // The program as the copied command line starts it: defaults, the saved
    // settings, then the database, the folder and the parameter text.
    ConversionSettings command;
    InitSettings(command);
    LoadSettings(command, settingsFile);
    std::vector<std::string> args{"varnex", db, commandOut};
    for (std::string& a : SplitCommandLine(parameters))
        args.push_back(std::move(a));
    ParseArguments(command, args);
    ASSERT_EQ(command.Silent, 1);
    const ConversionOutcome outcome = RunConversion(command, ConversionRoad::Unattended);
    EXPECT_TRUE(outcome.Succeeded());

    const auto fromWizard = FilesIn(wizardOut);
    ASSERT_EQ(fromWizard.size(), 2u);
    EXPECT_EQ(FilesIn(commandOut), fromWizard);
    EXPECT_EQ(fromWizard.at("Zebras.csv").rfind("Name|Age\n", 0), 0u) << fromWizard.at("Zebras.csv");
    for (const auto member :
         {&ConversionSettings::OverWrite, &ConversionSettings::CodePage, &ConversionSettings::DateFormat,
          &ConversionSettings::DoubleQuotes, &ConversionSettings::RemoveCRLF, &ConversionSettings::Header,
          &ConversionSettings::MaxLen, &ConversionSettings::ExportRecords})
        EXPECT_EQ(command.*member, settings.*member);
    EXPECT_EQ(command.Fields.str(), settings.Fields.str());
    EXPECT_EQ(command.Records.str(), settings.Records.str());
    EXPECT_EQ(command.Escape.str(), settings.Escape.str());
    EXPECT_EQ(command.TypeChanges, settings.TypeChanges);
    EXPECT_EQ(command.StatusFile.str(), settings.StatusFile.str());
}

TEST_F(RoundTripTest, TheParameterTextRunsUnattendedToTheSameOutput) {
    RoundTrip({"/MAXLEN=40", "/ORDER=Name DESC", "/CT:Long=Text"},
              "/OVERWRITE=1 /DD-MM-YYYY /OEM /MAXLEN=40 \"/ORDER=Name DESC\" /CT:Long=Text \"/STATUS=<status>\" "
              "/OPEN=1 \n/SILENT ");
}

// Records are not saved with the settings; only the parameter text carries
// the header-only choice to the command line.
TEST_F(RoundTripTest, AHeaderOnlyRunRepeatsAsHeaderOnly) {
    RoundTrip({"/RECORDS=0"}, "/OVERWRITE=1 /DD-MM-YYYY /OEM /RECORDS=0 \"/STATUS=<status>\" /OPEN=1 \n/SILENT ");
}

} // namespace
