#include "platform/posix/CodePage.h"

#include "platform/posix/BestFit.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform::posix {

namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kReplacement = 0xFFFD;
constexpr int kSubstituteDepth = 3;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Owns one conversion descriptor; iconv state is not shareable between
// threads, so every multi-byte conversion opens its own.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
    // One iconv step; returns 0 or the errno of the step.
    int Step(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        char* input = const_cast<char*>(in);
        const std::size_t done = iconv(cd_, &input, &inLeft, &out, &outLeft);
        in = input;
        return done == static_cast<std::size_t>(-1) ? errno : 0;
    }
    void Flush(char*& out, std::size_t& outLeft) { iconv(cd_, nullptr, nullptr, &out, &outLeft); }

private:
    iconv_t cd_;
};

constexpr std::size_t kChunkBytes = 1024;
constexpr std::size_t kMaxUtf8Bytes = 4;
constexpr std::size_t kAsciiBlock = 16;
// Room one step of the converter may fill: a block of units of up to three
// bytes each, and a surrogate pair begun at its last unit.
constexpr std::size_t kChunkReserve = kAsciiBlock * 3 + kMaxUtf8Bytes;

// Whether sixteen units are all below 0x80, tested as four 64-bit words.
bool IsAsciiBlock(const char16_t* units) {
    static_assert(kAsciiBlock * sizeof(char16_t) == 4 * sizeof(uint64_t));
    uint64_t words[4];
    std::memcpy(words, units, sizeof words);
    return ((words[0] | words[1] | words[2] | words[3]) & 0xFF80FF80FF80FF80u) == 0;
}

// One character as UTF-8 at `to`, which has room for four bytes; returns
// the bytes written.
std::size_t PutUtf8(char32_t c, char* to) {
    if (c < 0x80) {
        to[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        to[0] = static_cast<char>(0xC0 | (c >> 6));
        to[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        to[0] = static_cast<char>(0xE0 | (c >> 12));
        to[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        to[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    to[0] = static_cast<char>(0xF0 | (c >> 18));
    to[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    to[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    to[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

std::string Normalised(std::string_view codeset) {
    std::string letters;
    for (char c : codeset) {
        if (c == '-' || c == '_')
            continue;
        letters.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return letters;
}

} // namespace

void EncodeUtf8(std::u16string_view text, std::string& out) {
    // Converted through a stack buffer appended in pieces: growing the string
    // a byte at a time costs a capacity check per byte, and this conversion
    // runs over every text cell of an export. Most text is ASCII, so whole
    // blocks of it are tested and narrowed at once.
    out.clear();
    char chunk[kChunkBytes];
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (used > kChunkBytes - kChunkReserve) {
            out.append(chunk, used);
            used = 0;
        }
        std::size_t end = text.size();
        if (text.size() - i >= kAsciiBlock) {
            if (IsAsciiBlock(text.data() + i)) {
                for (std::size_t k = 0; k < kAsciiBlock; ++k)
                    chunk[used + k] = static_cast<char>(text[i + k]);
                used += kAsciiBlock;
                i += kAsciiBlock;
                continue;
            }
            end = i + kAsciiBlock;
        }
        // A block holding something else, or the last few units, one by one.
        while (i < end) {
            const char16_t unit = text[i++];
            if (unit < 0x80) {
                chunk[used++] = static_cast<char>(unit);
            } else if (IsHighSurrogate(unit) && i < text.size() && IsLowSurrogate(text[i])) {
                const char32_t c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i] - 0xDC00);
                used += PutUtf8(c, chunk + used);
                ++i;
            } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
                chunk[used++] = '?';
            } else {
                used += PutUtf8(unit, chunk + used);
            }
        }
    }
    out.append(chunk, used);
}

std::size_t DecodeUtf8Char(std::string_view text, std::size_t pos, char32_t& c) {
    const auto lead = static_cast<uint8_t>(text[pos]);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    }
    bool valid = length != 0 && pos + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[pos + k]);
        valid = (next & 0xC0) == 0x80;
        c = (c << 6) | (next & 0x3F);
    }
    if (!valid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = kReplacement;
        return 1;
    }
    return length;
}

void DecodeUtf8(std::string_view text, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        i += DecodeUtf8Char(text, i, c);
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
}

std::string IconvNameOf(int windowsNumber) {
    switch (windowsNumber) {
    case 65001: return "UTF-8";
    case 28591: return "ISO-8859-1";
    case 874:
    case 932:
    case 936:
    case 949:
    case 950: return "CP" + std::to_string(windowsNumber);
    default:
        // OEM pages are IBM's numbers, ANSI pages the CP125x family.
        if (windowsNumber >= 1250 && windowsNumber <= 1258)
            return "CP" + std::to_string(windowsNumber);
        if (windowsNumber == 737)
            return "CP737";
        return "IBM" + std::to_string(windowsNumber);
    }
}

int WindowsNumberOf(std::string_view codeset) {
    const std::string name = Normalised(codeset);
    if (name == "UTF8")
        return 65001;
    if (name == "ISO88591" || name == "LATIN1")
        return 28591;
    for (std::string_view prefix : {"WINDOWS", "CP", "IBM"}) {
        if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size())
            continue;
        int number = 0;
        for (std::size_t i = prefix.size(); i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9' || number > 100000)
                return 0;
            number = number * 10 + (name[i] - '0');
        }
        return number;
    }
    return 0;
}

std::unique_ptr<CodePage> CodePage::Open(std::string_view iconvName, int windowsNumber) {
    if (WindowsNumberOf(iconvName) == 65001)
        return std::unique_ptr<CodePage>(new CodePage(Kind::Utf8, "UTF-8"));
    std::unique_ptr<CodePage> page(new CodePage(Kind::SingleByte, std::string(iconvName)));
    {
        Iconv probe(kUtf16, page->name_.c_str());
        if (!probe.ok())
            return nullptr;
    }
    if (!page->BuildSingleByte(windowsNumber != 0 ? windowsNumber : WindowsNumberOf(iconvName)))
        page->kind_ = Kind::MultiByte;
    return page;
}

std::unique_ptr<CodePage> CodePage::OpenWindows(int windowsNumber) {
    return Open(IconvNameOf(windowsNumber), windowsNumber);
}

bool CodePage::BuildSingleByte(int windowsNumber) {
    Iconv toWide(kUtf16, name_.c_str());
    std::array<bool, 256> defined{};
    for (int byte = 0; byte < 256; ++byte) {
        toWide.Reset();
        const char single = static_cast<char>(byte);
        const char* in = &single;
        std::size_t inLeft = 1;
        char16_t units[4];
        char* out = reinterpret_cast<char*>(units);
        std::size_t outLeft = sizeof units;
        const int error = toWide.Step(in, inLeft, out, outLeft);
        if (error == EILSEQ)
            continue;
        // A byte that starts a sequence, or one that yields other than a
        // single unit, means the page is not a single-byte page.
        if (error != 0 || outLeft != sizeof units - sizeof(char16_t))
            return false;
        decode_[byte] = units[0];
        defined[byte] = true;
    }

    encode_.assign(0x10000, kNone);
    for (int byte = 255; byte >= 0; --byte)
        if (defined[byte])
            encode_[decode_[byte]] = static_cast<uint16_t>(byte);
    // Windows passes undefined bytes through as the control character of
    // the same number (0x81 <-> U+0081 in 1252).
    for (int byte = 0; byte < 256; ++byte) {
        if (!defined[byte] && encode_[byte] == kNone) {
            decode_[byte] = static_cast<char16_t>(byte);
            encode_[byte] = static_cast<uint16_t>(byte);
        } else if (!defined[byte]) {
            decode_[byte] = kReplacement;
        }
    }

    const std::vector<uint16_t> exact = encode_;
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        if (exact[unit] != kNone)
            continue;
        char16_t candidate = static_cast<char16_t>(unit);
        for (int depth = 0; depth < kSubstituteDepth; ++depth) {
            const int recorded = OemBestFit(windowsNumber, candidate);
            if (recorded >= 0) {
                encode_[unit] = static_cast<uint16_t>(recorded);
                break;
            }
            candidate = BestFitSubstitute(candidate);
            if (candidate == u'\0')
                break;
            if (exact[candidate] != kNone) {
                encode_[unit] = exact[candidate];
                break;
            }
        }
    }
    return true;
}

void CodePage::Encode(std::u16string_view text, std::string& out) const {
    switch (kind_) {
    case Kind::Utf8: EncodeUtf8(text, out); return;
    case Kind::SingleByte: {
        out.clear();
        char chunk[kChunkBytes];
        std::size_t used = 0;
        for (char16_t unit : text) {
            if (used == kChunkBytes) {
                out.append(chunk, used);
                used = 0;
            }
            const uint16_t byte = encode_[unit];
            chunk[used++] = byte == kNone ? '?' : static_cast<char>(byte);
        }
        out.append(chunk, used);
        return;
    }
    case Kind::MultiByte: EncodeWithIconv(text, out); return;
    }
}

void CodePage::Decode(std::string_view text, std::u16string& out) const {
    switch (kind_) {
    case Kind::Utf8: DecodeUtf8(text, out); return;
    case Kind::SingleByte:
        out.clear();
        for (char byte : text)
            out.push_back(decode_[static_cast<uint8_t>(byte)]);
        return;
    case Kind::MultiByte: DecodeWithIconv(text, out); return;
    }
}

void CodePage::EncodeWithIconv(std::u16string_view text, std::string& out) const {
    out.clear();
    Iconv convert(name_.c_str(), kUtf16);
    if (!convert.ok()) {
        out.assign(text.size(), '?');
        return;
    }
    // Room for the longest sequences, shift states included.
    std::string buffer(text.size() * 8 + 16, '\0');
    const char* in = reinterpret_cast<const char*>(text.data());
    std::size_t inLeft = text.size() * sizeof(char16_t);
    char* outp = buffer.data();
    std::size_t outLeft = buffer.size();
    while (inLeft > 0) {
        const int error = convert.Step(in, inLeft, outp, outLeft);
        if (error == 0)
            break;
        if (error != EILSEQ && error != EINVAL)
            break;
        // The unit iconv stopped at has no place in the page: a similar
        // ASCII character, else the default character, then go on.
        char16_t unit;
        std::memcpy(&unit, in, sizeof unit);
        const char16_t substitute = BestFitSubstitute(unit);
        *outp++ = substitute != u'\0' && substitute < 0x80 ? static_cast<char>(substitute) : '?';
        --outLeft;
        in += sizeof(char16_t);
        inLeft -= sizeof(char16_t);
        if (error == EINVAL)
            break;
    }
    convert.Flush(outp, outLeft);
    out.append(buffer.data(), static_cast<std::size_t>(outp - buffer.data()));
}

void CodePage::DecodeWithIconv(std::string_view text, std::u16string& out) const {
    out.clear();
    Iconv convert(kUtf16, name_.c_str());
    if (!convert.ok()) {
        out.assign(text.size(), kReplacement);
        return;
    }
    std::u16string buffer(text.size() + 8, u'\0');
    const char* in = text.data();
    std::size_t inLeft = text.size();
    char* outp = reinterpret_cast<char*>(buffer.data());
    std::size_t outLeft = buffer.size() * sizeof(char16_t);
    while (inLeft > 0) {
        const int error = convert.Step(in, inLeft, outp, outLeft);
        if (error != EILSEQ && error != EINVAL)
            break;
        char16_t replacement = kReplacement;
        std::memcpy(outp, &replacement, sizeof replacement);
        outp += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
        if (error == EINVAL)
            break;
    }
    out.assign(buffer.data(),
               static_cast<std::size_t>(outp - reinterpret_cast<char*>(buffer.data())) / sizeof(char16_t));
}

} // namespace platform::posix
