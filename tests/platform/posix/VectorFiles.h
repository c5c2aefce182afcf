#pragma once
// Reading the reference vectors of the shared folder: tab-separated UTF-8
// files with one header line.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vectors {

inline std::filesystem::path Directory() { return std::filesystem::path(VARNEX_SHARED_DIR) / "vectors"; }

inline bool Available() { return std::filesystem::is_directory(Directory()); }

using Row = std::vector<std::string>;

// The rows of a file without its header; empty when it cannot be read.
inline std::vector<Row> Read(const std::string& name) {
    std::vector<Row> rows;
    std::ifstream in(Directory() / name, std::ios::binary);
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (header) {
            header = false;
            continue;
        }
        Row row;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            row.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

inline int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(HexValue(hex[i]) * 16 + HexValue(hex[i + 1])));
    return bytes;
}

inline std::string ToHex(const std::string& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        hex.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        hex.push_back(digits[static_cast<uint8_t>(c) & 0x0F]);
    }
    return hex;
}

// Undoes the files' escapes: \\ is a backslash, \xNN and \uXXXX a code
// point (written back as UTF-8).
inline std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char kind = text[i + 1];
        if (kind == '\\') {
            out.push_back('\\');
            ++i;
            continue;
        }
        const std::size_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
        if (digits == 0 || i + 2 + digits > text.size()) {
            out.push_back(text[i]);
            continue;
        }
        uint32_t c = 0;
        for (std::size_t k = 0; k < digits; ++k)
            c = c * 16 + static_cast<uint32_t>(HexValue(text[i + 2 + k]));
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
        i += 1 + digits;
    }
    return out;
}

} // namespace vectors
