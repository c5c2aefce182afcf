#pragma once
// Runs the mdbtools programs as an independent reader of the files the
// writer makes, and parses what they print.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace oracle {

inline bool HaveMdbTools() {
    static const bool have = std::system("mdb-export --version >/dev/null 2>&1") == 0 &&
                             std::system("mdb-tables --version >/dev/null 2>&1") == 0;
    return have;
}

inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::string Run(const std::string& command, int& status) {
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    status = pclose(pipe);
    return out;
}

// A CSV cell as mdb-export prints it with "-0 NULL": quoted cells are
// values, the bare word NULL is a NULL.
constexpr const char* kNull = "<null>";

// Rows of cells; quoted cells lose their quotes (doubled quotes undone),
// the unquoted NULL marker becomes kNull.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false, wasQuoted = false, any = false;
    auto endCell = [&] {
        row.push_back(!wasQuoted && cell == "NULL" ? kNull : cell);
        cell.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            endCell();
        } else if (c == '\n') {
            endCell();
            rows.push_back(std::move(row));
            row.clear();
            any = false;
        } else {
            cell += c;
        }
    }
    if (any) {
        endCell();
        rows.push_back(std::move(row));
    }
    return rows;
}

// The table's rows (header line first) as mdb-export reads them.
inline std::vector<std::vector<std::string>> Export(const std::string& db, const std::string& table) {
    int status = 0;
    std::string out = Run(
        "mdb-export -0 NULL -b hex -T '%Y-%m-%d %H:%M:%S' " + Quote(db) + " " + Quote(table) + " 2>/dev/null", status);
    if (status != 0)
        return {};
    return ParseCsv(out);
}

inline std::vector<std::string> Tables(const std::string& db, bool system = false) {
    int status = 0;
    std::string out = Run(std::string("mdb-tables -1 ") + (system ? "-S " : "") + Quote(db) + " 2>/dev/null", status);
    std::vector<std::string> names;
    std::string line;
    for (char c : out) {
        if (c == '\n') {
            if (!line.empty())
                names.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        names.push_back(line);
    return names;
}

// A scratch folder removed with everything in it at the end of the test.
class Scratch {
public:
    Scratch() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("varnex-mkdb-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace oracle
