#pragma once
// A folder of the test's own under the system's temporary folder, removed
// with everything in it when the object goes. Its name is drawn again until
// it is new, so tests run side by side (ctest -j) never share a folder.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        for (;;) {
            std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("varnex-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                break;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder itself, or `name` inside it (joined with the system's separator).
    std::string Path(std::string_view name = {}) const {
        return name.empty() ? path_.string() : (path_ / name).string();
    }
    std::string operator/(std::string_view name) const { return Path(name); }

private:
    std::filesystem::path path_;
};

// Whole files, byte for byte; a file that cannot be read reads as empty.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
