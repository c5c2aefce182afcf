#pragma once
// The two narrow code pages of the process: the ANSI page, which all text
// of the system is in, and the OEM page that text cells may be converted to.

#include "platform/posix/CodePage.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace platform::posix {

struct TextPages {
    std::unique_ptr<CodePage> Ansi;
    // The OEM page, made the first time it is asked for (from any thread):
    // most runs never convert to it, and making its table costs more than
    // converting a small database.
    const CodePage* Oem() const;
    // For a single-byte ANSI and OEM page: the OEM byte of every ANSI byte;
    // null otherwise.
    const std::array<uint8_t, 256>* AnsiToOemBytes() const;
    // Whether the OEM page is single-byte and writes every ASCII character
    // as its own byte.
    bool OemKeepsAscii() const;

    int OemNumber = 0; // the Windows number of the OEM page the locale names

private:
    void MakeOem() const;
    mutable std::once_flag oemMade_;
    mutable std::unique_ptr<CodePage> oem_;
    mutable bool hasByteMap_ = false;
    mutable bool asciiKept_ = false;
    mutable std::array<uint8_t, 256> ansiToOemByte_{};
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
