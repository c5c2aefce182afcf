// A measurement, not a test: the benchmark's table converted by the wizard
// (a /BATCH run, which walks every page) and by the unattended run of the
// same program, wall time of each and their ratio printed. Disabled, so a
// plain run of the driver skips it; tools/windows-ci runs it on its own.
// Only the outcome is checked (both runs succeed and write the same bytes),
// never the time, which depends on the machine.

#include "tests/wizard/win32/Driver.h"
#include "tools/mkdb/DescriptionJson.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace ui;

std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty() && path.front() == '\\')
        path = "Z:" + path;
    return path;
}

// Seconds from start to exit; negative when it did not end within the bound.
double TimedRun(const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    Process run(program, args, folder);
    if (!run.Started() || !run.WaitForExit(std::chrono::minutes(10)))
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST(WizardSpeed, DISABLED_TheBenchTableThroughTheWizardAndTheUnattendedRun) {
    const char* rowsText = std::getenv("VARNEX_BENCH_ROWS");
    const std::uint64_t rows = rowsText && *rowsText ? std::strtoull(rowsText, nullptr, 10) : 1000000;
    const fs::path scratch = fs::temp_directory_path() / ("varnex-speed-" + std::to_string(std::random_device{}()));
    fs::create_directories(scratch);
    const std::string program = (scratch / "varnex2007.exe").string();
    fs::copy_file(WindowsPath(VARNEX_WIZARD_PROGRAM), program);
    const std::string db = (scratch / "bench.mdb").string();
    WriteMdb(DescriptionFromJson(ParseJsonFile(WindowsPath(VARNEX_SOURCE_DIR "/bench/table.json")), rows), db);

    const std::string silentOut = (scratch / "silent").string();
    const std::string wizardOut = (scratch / "wizard").string();
    fs::create_directories(silentOut);
    fs::create_directories(wizardOut);
    std::vector<double> silent, wizard;
    for (int round = 0; round < 3; ++round) {
        silent.push_back(TimedRun(program, {"/SILENT", db, silentOut, "/OVERWRITE=YES"}, scratch.string()));
        wizard.push_back(TimedRun(program, {"/BATCH", db, wizardOut, "/OVERWRITE=YES", "/OPEN=0"}, scratch.string()));
        ASSERT_GT(silent.back(), 0) << "the unattended run did not end";
        ASSERT_GT(wizard.back(), 0) << "the wizard's run did not end";
    }
    const std::string silentBytes = ReadFile((fs::path(silentOut) / "Bench.csv").string());
    EXPECT_GT(silentBytes.size(), rows);
    EXPECT_TRUE(silentBytes == ReadFile((fs::path(wizardOut) / "Bench.csv").string()))
        << "the wizard wrote other bytes than the unattended run";

    const double s = Median(silent), w = Median(wizard);
    std::printf("wizard-speed: %llu rows: wizard %.2f s, /SILENT %.2f s (medians of 3): wizard/unattended ratio %.2f "
                "(target 1.5 or less)\n",
                static_cast<unsigned long long>(rows), w, s, w / s);
    std::fflush(stdout);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

} // namespace
