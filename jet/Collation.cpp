#include "jet/Collation.h"

#include "jet/Names.h"

#include <vector>

namespace jet {

namespace {

// Primary weights come in classes: symbols, digits, Latin letters, then
// everything else by code unit. The catalog indexes of real files show the
// classes in their keys (the space lowest, then signs, then digits, then
// letters without regard to case) and "_" before "~"; the order among the
// other signs is the Windows one, which the engine's General order follows.
constexpr uint32_t kSymbol = 1u << 16, kDigit = 2u << 16, kLetter = 3u << 16, kOther = 4u << 16;

// ASCII punctuation in the order the Windows word sort gives it; the hyphen
// and the apostrophe are missing because that sort passes over them.
constexpr std::u16string_view kPunctuation = u" !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

// Base letters of U+00C0..U+00FF ('*' marks signs and letters that expand).
constexpr std::u16string_view kLatin1 = u"AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY**AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY*Y";
// Base letters of U+0100..U+017F ('*' marks the ligatures, which expand).
constexpr std::u16string_view kLatinExtendedA =
    u"AAAAAACCCCCCCCDDDDEEEEEEEEEEGGGGGGGGHHHHIIIIIIIIII**JJKKKLLLLLLLLLLNNNNNNNNNOOOOOO**RRRRRRSSSSSSSSTTTTTTUUUUUUUU"
    u"UUUUWWYYYZZZZZZS";

struct Weights {
    std::vector<uint32_t> Primary;
    std::vector<uint16_t> Secondary; // accents: the code unit when it is not the plain letter
    std::vector<char16_t> Ignored;   // characters the primary level passes over
};

// National orders that put some letters after z: their position there.
uint32_t NationalLetter(char16_t folded, uint16_t sortOrder) {
    const uint16_t language = sortOrder & 0x3FF;
    // Swedish and Finnish: å ä ö; Danish and Norwegian: æ ø å.
    if (language == 0x1D || language == 0x0B) {
        switch (folded) {
        case 0xC5: return kLetter + u'Z' + 1;
        case 0xC4:
        case 0xC6: return kLetter + u'Z' + 2;
        case 0xD6:
        case 0xD8: return kLetter + u'Z' + 3;
        default: return 0;
        }
    }
    if (language == 0x06 || language == 0x14) {
        switch (folded) {
        case 0xC6:
        case 0xC4: return kLetter + u'Z' + 1;
        case 0xD8:
        case 0xD6: return kLetter + u'Z' + 2;
        case 0xC5: return kLetter + u'Z' + 3;
        default: return 0;
        }
    }
    return 0;
}

void Add(Weights& w, uint32_t primary, uint16_t secondary) {
    w.Primary.push_back(primary);
    w.Secondary.push_back(secondary);
}

Weights WeightsOf(std::u16string_view name, uint16_t sortOrder) {
    Weights w;
    w.Primary.reserve(name.size());
    w.Secondary.reserve(name.size());
    for (const char16_t unit : name) {
        const char16_t c = FoldCase(unit);
        if (c == u'-' || c == u'\'' || c == 0xAD) {
            w.Ignored.push_back(c);
            continue;
        }
        if (const uint32_t national = NationalLetter(c, sortOrder)) {
            Add(w, national, 0);
            continue;
        }
        if (c < 0x80) {
            if (c >= u'0' && c <= u'9')
                Add(w, kDigit + c, 0);
            else if (c >= u'A' && c <= u'Z')
                Add(w, kLetter + c, 0);
            else if (const std::size_t at = kPunctuation.find(c); at != std::u16string_view::npos)
                Add(w, kSymbol + 0x20 + static_cast<uint32_t>(at), 0);
            else
                Add(w, kSymbol + c, 0); // control characters before every sign
            continue;
        }
        char16_t base = u'*';
        if (c >= 0xC0 && c <= 0xFF)
            base = kLatin1[c - 0xC0];
        else if (c >= 0x100 && c <= 0x17F)
            base = kLatinExtendedA[c - 0x100];
        if (base != u'*') {
            Add(w, kLetter + base, c);
            continue;
        }
        switch (c) {
        case 0xC6:
            Add(w, kLetter + u'A', c);
            Add(w, kLetter + u'E', c);
            continue; // Æ
        case 0xDF:
            Add(w, kLetter + u'S', c);
            Add(w, kLetter + u'S', c);
            continue; // ß
        case 0xDE:
            Add(w, kLetter + u'T', c);
            Add(w, kLetter + u'H', c);
            continue; // Þ
        case 0x132:
        case 0x133:
            Add(w, kLetter + u'I', c);
            Add(w, kLetter + u'J', c);
            continue;
        case 0x152:
        case 0x153:
            Add(w, kLetter + u'O', c);
            Add(w, kLetter + u'E', c);
            continue;
        default: break;
        }
        if (c < 0xC0 || c == 0xD7 || c == 0xF7)
            Add(w, kSymbol + 0x100 + c, 0); // Latin-1 signs after the ASCII ones
        else
            Add(w, kOther + c, 0);
    }
    return w;
}

template <typename T>
int CompareSequences(const std::vector<T>& a, const std::vector<T>& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t k = 0; k < common; ++k)
        if (a[k] != b[k])
            return a[k] < b[k] ? -1 : 1;
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

} // namespace

int CollateNames(std::u16string_view a, std::u16string_view b, uint16_t sortOrder) {
    const Weights x = WeightsOf(a, sortOrder), y = WeightsOf(b, sortOrder);
    if (int c = CompareSequences(x.Primary, y.Primary))
        return c;
    if (int c = CompareSequences(x.Secondary, y.Secondary))
        return c;
    if (int c = CompareSequences(x.Ignored, y.Ignored))
        return c;
    return CompareNames(a, b);
}

} // namespace jet
