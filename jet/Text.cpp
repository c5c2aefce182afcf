#include "jet/Text.h"

#include "jet/CodePages.h"

namespace jet {

void AppendUnicodeText(ByteSpan bytes, std::u16string& out) {
    const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (!compressed) {
        if (bytes.size() % 2 != 0)
            RaiseCorrupt("text of odd byte length");
        for (std::size_t p = 0; p < bytes.size(); p += 2)
            out.push_back(static_cast<char16_t>(bytes[p] | (bytes[p + 1] << 8)));
        return;
    }
    // A zero byte switches between one-byte (Latin-1) and two-byte units.
    bool oneByte = true;
    std::size_t p = 2;
    while (p < bytes.size()) {
        if (bytes[p] == 0) {
            oneByte = !oneByte;
            ++p;
        } else if (oneByte) {
            out.push_back(static_cast<char16_t>(bytes[p]));
            ++p;
        } else {
            if (p + 1 >= bytes.size())
                RaiseCorrupt("compressed text ends inside a character");
            out.push_back(static_cast<char16_t>(bytes[p] | (bytes[p + 1] << 8)));
            p += 2;
        }
    }
}

void AppendStoredText(ByteSpan bytes, bool jet3, uint16_t codePage, std::u16string& out) {
    if (jet3)
        AppendSingleByteText(bytes, codePage, out);
    else
        AppendUnicodeText(bytes, out);
}

} // namespace jet
