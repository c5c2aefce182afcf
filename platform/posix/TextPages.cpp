#include "platform/posix/TextPages.h"

#include "platform/Platform.h"
#include "platform/posix/Locale.h"

#include <cstring>
#include <map>
#include <mutex>

namespace platform::posix {

namespace {

constexpr int kUtf8 = 65001;
constexpr int kFallbackOem = 437;

std::unique_ptr<CodePage> AnsiPageFor(std::string_view localeName, const WindowsLocale& locale) {
    if (IsPortableLocale(localeName))
        return CodePage::OpenWindows(kUtf8);
    const std::string_view codeset = CodesetOf(localeName);
    std::unique_ptr<CodePage> page;
    if (!codeset.empty())
        page = CodePage::Open(codeset);
    if (!page)
        page = CodePage::OpenWindows(locale.AnsiCodePage);
    if (!page)
        page = CodePage::OpenWindows(kUtf8);
    return page;
}

void MapBytes(const std::array<uint8_t, 256>& map, std::string& text) {
    for (char& c : text)
        c = static_cast<char>(map[static_cast<uint8_t>(c)]);
}

// UTF-8 to a single-byte page in place: each character takes at least one
// byte and gives one per UTF-16 unit, so writing never overtakes reading.
// asciiKept: every ASCII character is its own byte in the page, so a run of
// them (most of most texts) only moves down over what the characters before
// it gave back.
void Utf8ToSingleByte(const CodePage& oem, bool asciiKept, std::string& text) {
    std::size_t write = 0;
    std::size_t read = 0;
    const std::string_view input(text);
    while (read < input.size()) {
        if (asciiKept && static_cast<uint8_t>(input[read]) < 0x80) {
            std::size_t end = read + 1;
            while (end < input.size() && static_cast<uint8_t>(input[end]) < 0x80)
                ++end;
            if (write != read)
                std::memmove(text.data() + write, text.data() + read, end - read);
            write += end - read;
            read = end;
            continue;
        }
        char32_t c;
        read += DecodeUtf8Char(input, read, c);
        if (c >= 0x10000) {
            text[write++] = '?';
            text[write++] = '?';
            continue;
        }
        const int byte = oem.ByteFor(static_cast<char16_t>(c));
        text[write++] = byte < 0 ? '?' : static_cast<char>(byte);
    }
    text.resize(write);
}

} // namespace

std::unique_ptr<TextPages> MakeTextPages(std::string_view ctypeLocaleName) {
    const WindowsLocale& locale = WindowsLocaleFor(ctypeLocaleName);
    auto pages = std::make_unique<TextPages>();
    pages->Ansi = AnsiPageFor(ctypeLocaleName, locale);
    pages->OemNumber = locale.OemCodePage;
    return pages;
}

void TextPages::MakeOem() const {
    oem_ = CodePage::OpenWindows(OemNumber);
    if (!oem_)
        oem_ = CodePage::OpenWindows(kFallbackOem);
    if (oem_ && oem_->kind() == CodePage::Kind::SingleByte) {
        asciiKept_ = true;
        for (char16_t c = 0; c < 0x80; ++c)
            asciiKept_ = asciiKept_ && oem_->ByteFor(c) == c;
    }
    if (Ansi->kind() == CodePage::Kind::SingleByte && oem_ && oem_->kind() == CodePage::Kind::SingleByte) {
        hasByteMap_ = true;
        for (int byte = 0; byte < 256; ++byte) {
            const int oem = oem_->ByteFor(Ansi->CharFor(static_cast<uint8_t>(byte)));
            ansiToOemByte_[static_cast<std::size_t>(byte)] = static_cast<uint8_t>(oem < 0 ? '?' : oem);
        }
    }
}

const CodePage* TextPages::Oem() const {
    std::call_once(oemMade_, [this] { MakeOem(); });
    return oem_.get();
}

bool TextPages::OemKeepsAscii() const {
    std::call_once(oemMade_, [this] { MakeOem(); });
    return asciiKept_;
}

const std::array<uint8_t, 256>* TextPages::AnsiToOemBytes() const {
    std::call_once(oemMade_, [this] { MakeOem(); });
    return hasByteMap_ ? &ansiToOemByte_ : nullptr;
}

const TextPages& ProcessTextPages() {
    static const std::unique_ptr<TextPages> pages = MakeTextPages(ProcessLocaleNames().Ctype);
    return *pages;
}

void ConvertAnsiToOem(const TextPages& pages, std::string& text) {
    // The whole text is converted: a NUL is one of its characters and stays
    // a NUL in every page.
    const CodePage* const oemPage = text.empty() ? nullptr : pages.Oem();
    if (oemPage == nullptr)
        return;
    if (const auto* byteMap = pages.AnsiToOemBytes()) {
        MapBytes(*byteMap, text);
        return;
    }
    if (pages.Ansi->kind() == CodePage::Kind::Utf8 && oemPage->kind() == CodePage::Kind::SingleByte) {
        Utf8ToSingleByte(*oemPage, pages.OemKeepsAscii(), text);
        return;
    }
    std::u16string wide;
    pages.Ansi->Decode(text, wide);
    std::string oem;
    oemPage->Encode(wide, oem);
    if (oem.size() > text.size())
        oem.resize(text.size());
    text = std::move(oem);
}

} // namespace platform::posix

namespace platform {

void WideToAnsi(std::u16string_view text, std::string& out) { posix::ProcessTextPages().Ansi->Encode(text, out); }

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    WideToAnsi(text, out);
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    posix::ProcessTextPages().Ansi->Decode(text, out);
    return out;
}

void AnsiToOem(std::string& text) { posix::ConvertAnsiToOem(posix::ProcessTextPages(), text); }

bool AnsiTextKeepsAscii() {
    // UTF-8 and the single-byte pages convert each character on its own;
    // the multi-byte pages go through iconv, whose state is kept out of it.
    // A locale's codeset may name a page that changes ASCII, so the page in
    // use is asked once.
    static const bool keeps = [] {
        if (posix::ProcessTextPages().Ansi->kind() == posix::CodePage::Kind::MultiByte)
            return false;
        std::u16string ascii;
        std::string expected;
        for (char16_t c = 1; c < 0x80; ++c) {
            ascii.push_back(c);
            expected.push_back(static_cast<char>(c));
        }
        std::string encoded;
        posix::ProcessTextPages().Ansi->Encode(ascii, encoded);
        return encoded == expected;
    }();
    return keeps;
}

} // namespace platform

namespace platform {

namespace {

// Each page is opened once per process and shared: decoding is read-only.
const posix::CodePage* PageNumbered(uint32_t codePage) {
    static std::mutex mutex;
    static std::map<uint32_t, std::unique_ptr<posix::CodePage>> pages;
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = pages.find(codePage);
    if (found == pages.end()) {
        std::unique_ptr<posix::CodePage> page;
        if (codePage > 0 && codePage < 65536)
            page = posix::CodePage::OpenWindows(static_cast<int>(codePage));
        found = pages.emplace(codePage, std::move(page)).first;
    }
    return found->second.get();
}

} // namespace

bool AppendCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out) {
    const posix::CodePage* page = PageNumbered(codePage);
    if (page == nullptr)
        return false;
    std::u16string wide;
    page->Decode(bytes, wide);
    out += wide;
    return true;
}

bool CodePageText(uint32_t codePage, std::u16string_view text, std::string& out) {
    const posix::CodePage* page = PageNumbered(codePage);
    if (page == nullptr)
        return false;
    page->Encode(text, out);
    std::u16string back;
    page->Decode(out, back);
    return back == text;
}

} // namespace platform
