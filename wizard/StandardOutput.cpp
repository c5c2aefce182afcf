#include "wizard/StandardOutput.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Rows between two hand-overs while a table is written: a long table reaches
// the pipe as it goes, and the folder never holds more than a slice of it.
constexpr int64_t kStepsPerHandOver = 4096;
constexpr std::size_t kChunkBytes = 64 * 1024;

} // namespace

StandardOutputRelay::StandardOutputRelay(ConversionSettings& settings, Writer write)
    : settings_(settings), write_(std::move(write)) {}

StandardOutputRelay::~StandardOutputRelay() {
    if (folder_.empty())
        return;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool StandardOutputRelay::Prepare() {
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error)
        return false;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = temp / ("varnex-stdout-" + std::to_string(random()));
        if (!fs::create_directory(candidate, error)) {
            if (error)
                return false;
            continue;
        }
        // The tables may be private: nobody else reads them on their way.
        fs::permissions(candidate, fs::perms::owner_all, error);
        folder_ = candidate.string();
        if (folder_.size() + 1 + 64 > kPathCapacity)
            return false; // the folder stays owned and is removed at the end
        settings_.OutputPath = folder_;
        return true;
    }
    return false;
}

void StandardOutputRelay::Finish() { PassOn(true); }

void StandardOutputRelay::ProgressStep() {
    if (++steps_ % kStepsPerHandOver == 0)
        PassOn(false);
}

void StandardOutputRelay::ProgressEndTable() {
    steps_ = 0;
    PassOn(true);
}

void StandardOutputRelay::PassOn(bool tableOver) {
    if (folder_.empty())
        return;
    std::error_code error;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error))
        files.push_back(entry.path());
    std::vector<char> chunk(kChunkBytes);
    for (const fs::path& file : files) {
        if (!failed_) {
            std::ifstream in(file, std::ios::binary);
            while (in) {
                in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                const auto got = static_cast<std::size_t>(in.gcount());
                if (got != 0 && !write_(std::string_view(chunk.data(), got))) {
                    failed_ = true;
                    // Nobody reads the rest: the run ends after this row.
                    settings_.StopRequested = 1;
                    break;
                }
            }
        }
        // The export still appends to a file whose table goes on; emptied,
        // its next bytes start it afresh.
        if (tableOver)
            fs::remove(file, error);
        else
            fs::resize_file(file, 0, error);
    }
}

StandardOutputRelay::Writer StandardOutputWriter() {
    return [](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
    };
}
