#pragma once
// Access to the shared sample databases for the reader's tests; every test
// that needs them skips when they are not there.

#include "core/Database.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace jettest {

inline std::filesystem::path CorpusDir() { return std::filesystem::path(VARNEX_SHARED_DIR) / "corpus"; }

inline bool HaveCorpus() { return std::filesystem::is_directory(CorpusDir()); }

#define SKIP_WITHOUT_CORPUS()                                                                                          \
    do {                                                                                                               \
        if (!jettest::HaveCorpus())                                                                                    \
            GTEST_SKIP() << "no sample databases at " << jettest::CorpusDir();                                         \
    } while (0)

// The expected files name tables and hold texts in UTF-8, whatever the
// process's ANSI page; paths go through the platform's conversion instead.
inline std::u16string Wide(std::string_view utf8) {
    std::u16string out;
    for (std::size_t k = 0; k < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[k]);
        uint32_t c;
        int extra;
        if (b < 0x80) {
            c = b;
            extra = 0;
        } else if (b < 0xE0) {
            c = b & 0x1F;
            extra = 1;
        } else if (b < 0xF0) {
            c = b & 0x0F;
            extra = 2;
        } else {
            c = b & 0x07;
            extra = 3;
        }
        ++k;
        for (int e = 0; e < extra && k < utf8.size(); ++e, ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[k]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

inline std::string Utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        uint32_t c = text[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++k] - 0xDC00);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

inline std::unique_ptr<Database> Open(DBEngine& engine, const std::filesystem::path& path,
                                      std::optional<std::string> password = std::nullopt) {
    std::optional<std::u16string> connect;
    if (password)
        connect = u";pwd=" + Wide(*password);
    // As the conversion hands a path over: ANSI text made UTF-16.
    return engine.OpenDatabase(platform::AnsiToWide(path.string()), 1, true, connect);
}

// The samples whose password is known.
inline std::optional<std::string> PasswordFor(const std::filesystem::path& relative) {
    const std::string text = relative.generic_string();
    if (text.find("with-password") != std::string::npos || text.rfind("encryption/", 0) == 0)
        return std::string("password");
    return std::nullopt;
}

// Every sample our reader opens (with its known password), handed to visit
// with its path relative to the corpus folder and traced by it; the samples
// it refuses (Office encryption) are passed over.
template <typename Visit>
void ForEachOpenedSample(DBEngine& engine, Visit visit) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir())) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".mdb" && extension != ".accdb"))
            continue;
        const std::filesystem::path relative = std::filesystem::relative(entry.path(), CorpusDir());
        SCOPED_TRACE(relative.generic_string());
        std::unique_ptr<Database> database;
        try {
            database = Open(engine, entry.path(), PasswordFor(relative));
        } catch (const EngineError&) {
            continue;
        }
        visit(relative, *database);
    }
}

} // namespace jettest
