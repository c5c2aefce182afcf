#pragma once
// One narrow code page with the conversions Windows performs on it:
// characters the page lacks become a similar character or "?", one per
// UTF-16 unit, and bytes the page leaves undefined still travel as the
// control character of the same number.
//
// UTF-8 is converted by hand and single-byte pages through tables built once,
// so converting a cell never calls iconv nor allocates beyond the output's
// growth; only multi-byte pages (Japanese, Chinese, Korean) go through iconv
// on every call.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::posix {

class CodePage {
public:
    enum class Kind { Utf8, SingleByte, MultiByte };

    // A page by its iconv name ("CP1252", "ISO-8859-1", "UTF-8", "IBM437").
    // `windowsNumber` (0 when unknown) selects Windows' recorded best-fit
    // choices for that page. Null when iconv does not know the name.
    static std::unique_ptr<CodePage> Open(std::string_view iconvName, int windowsNumber = 0);
    // The page Windows numbers so (1252, 437, 932, 65001, ...), or null.
    static std::unique_ptr<CodePage> OpenWindows(int windowsNumber);

    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }

    // UTF-16 to this page; `out` is replaced (its capacity is kept).
    void Encode(std::u16string_view text, std::string& out) const;
    // This page to UTF-16; `out` is replaced.
    void Decode(std::string_view text, std::u16string& out) const;

    // Single-byte pages only: the byte for a UTF-16 unit (best fit
    // included), or -1 when the page has nothing for it.
    int ByteFor(char16_t unit) const { return encode_[unit] == kNone ? -1 : encode_[unit]; }
    // Single-byte pages only: the character of a byte.
    char16_t CharFor(uint8_t byte) const { return decode_[byte]; }

private:
    static constexpr uint16_t kNone = 0xFFFF;

    CodePage(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
    bool BuildSingleByte(int windowsNumber);
    void EncodeWithIconv(std::u16string_view text, std::string& out) const;
    void DecodeWithIconv(std::string_view text, std::u16string& out) const;

    Kind kind_;
    std::string name_;
    std::array<char16_t, 256> decode_{};
    std::vector<uint16_t> encode_; // 65536 entries for single-byte pages
};

// UTF-16 to UTF-8 and back, as the UTF-8 page does it: a lone surrogate
// becomes "?", invalid UTF-8 becomes U+FFFD per byte.
void EncodeUtf8(std::u16string_view text, std::string& out);
void DecodeUtf8(std::string_view text, std::u16string& out);
// One character of UTF-8 text at `pos` (not past the end): stores it in `c`
// (U+FFFD for an invalid byte) and returns the bytes it took.
std::size_t DecodeUtf8Char(std::string_view text, std::size_t pos, char32_t& c);

// The iconv name of a Windows code page number ("CP1252", "IBM437", ...).
std::string IconvNameOf(int windowsNumber);
// The Windows number of a codeset name when it has one ("CP1252",
// "WINDOWS-1252", "IBM850", "UTF-8", ...), else 0.
int WindowsNumberOf(std::string_view codeset);

} // namespace platform::posix
