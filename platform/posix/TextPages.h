#pragma once
// The two narrow code pages of the process: the ANSI page, which all text
// of the system is in, and the OEM page that text cells may be converted to.

#include "platform/posix/CodePage.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace platform::posix {

struct TextPages {
    std::unique_ptr<CodePage> Ansi;
    std::unique_ptr<CodePage> Oem;
    // For a single-byte ANSI page: the OEM byte of every ANSI byte.
    bool HasByteMap = false;
    std::array<uint8_t, 256> AnsiToOemByte{};
};

// The pages a POSIX locale name selects for LC_CTYPE: ANSI is the name's
// codeset (UTF-8 for C, POSIX and no name at all; the Windows ANSI page of
// the language when the name has no codeset or iconv does not know it), OEM
// the page Windows gives the locale's language.
std::unique_ptr<TextPages> MakeTextPages(std::string_view ctypeLocaleName);

// The pages of this process, chosen once from its environment.
const TextPages& ProcessTextPages();

// ANSI text to the OEM page, in place, NUL characters included; the text
// never gets longer.
void ConvertAnsiToOem(const TextPages& pages, std::string& text);

} // namespace platform::posix
