#include "jet/Text.h"

#include "jet/CodePages.h"

#include <cstring>

namespace jet {

namespace {

// Units are gathered on the stack and appended in pieces: a push_back per
// unit checks the capacity every time, and this runs over every text and
// memo value of a table.
constexpr std::size_t kChunkUnits = 512;

class UnitChunks {
public:
    explicit UnitChunks(std::u16string& out) : out_(out) {}
    UnitChunks(const UnitChunks&) = delete;
    UnitChunks& operator=(const UnitChunks&) = delete;

    void Put(char16_t unit) {
        if (used_ == kChunkUnits) {
            out_.append(chunk_, used_);
            used_ = 0;
        }
        chunk_[used_++] = unit;
    }
    // Each byte as the unit of the same number.
    void PutBytes(ByteSpan run) {
        Finish();
        const std::size_t start = out_.size();
        out_.resize(start + run.size());
        char16_t* to = out_.data() + start;
        for (const uint8_t byte : run)
            *to++ = byte;
    }
    void Finish() {
        out_.append(chunk_, used_);
        used_ = 0;
    }

private:
    std::u16string& out_;
    char16_t chunk_[kChunkUnits];
    std::size_t used_ = 0;
};

} // namespace

bool CheckUnicodeText(ByteSpan stored) {
    const bool compressed = stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
    if (!compressed) {
        if (stored.size() % 2 != 0)
            RaiseCorrupt("text of odd byte length");
        return false;
    }
    // Only a two-byte run can end inside a character; one-byte runs, the
    // common case, are skipped with memchr to their switching zero.
    std::size_t p = 2;
    bool oneByte = true;
    while (p < stored.size()) {
        if (oneByte) {
            const void* zero = std::memchr(stored.data() + p, 0, stored.size() - p);
            if (zero == nullptr)
                break;
            p = static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - stored.data()) + 1;
            oneByte = false;
        } else if (stored[p] == 0) {
            oneByte = true;
            ++p;
        } else {
            if (p + 1 >= stored.size())
                RaiseCorrupt("compressed text ends inside a character");
            p += 2;
        }
    }
    return true;
}

void AppendUnicodeText(ByteSpan bytes, std::u16string& out) {
    const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (!compressed) {
        if (bytes.size() % 2 != 0)
            RaiseCorrupt("text of odd byte length");
        const std::size_t start = out.size();
        out.resize(start + bytes.size() / 2);
        char16_t* to = out.data() + start;
        for (std::size_t p = 0; p < bytes.size(); p += 2)
            *to++ = static_cast<char16_t>(bytes[p] | (bytes[p + 1] << 8));
        return;
    }
    // A zero byte switches between one-byte (Latin-1) and two-byte units.
    // One-byte runs are the common case and are widened whole.
    UnitChunks units(out);
    bool oneByte = true;
    std::size_t p = 2;
    while (p < bytes.size()) {
        if (oneByte) {
            const void* zero = std::memchr(bytes.data() + p, 0, bytes.size() - p);
            const std::size_t end =
                zero ? static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - bytes.data()) : bytes.size();
            units.PutBytes(bytes.subspan(p, end - p));
            p = end;
        }
        if (p >= bytes.size())
            break;
        if (bytes[p] == 0) {
            oneByte = !oneByte;
            ++p;
        } else {
            if (p + 1 >= bytes.size())
                RaiseCorrupt("compressed text ends inside a character");
            units.Put(static_cast<char16_t>(bytes[p] | (bytes[p + 1] << 8)));
            p += 2;
        }
    }
    units.Finish();
}

void AppendStoredText(ByteSpan bytes, bool jet3, uint16_t codePage, std::u16string& out) {
    if (!jet3) {
        AppendUnicodeText(bytes, out);
        return;
    }
    // Read in another page, the text would be wrong without a word said.
    if (!AppendCodePageText(bytes, codePage, out)) {
        std::u16string description = u"The text is in code page ";
        for (char c : std::to_string(codePage))
            description.push_back(static_cast<char16_t>(c));
        description.append(u", which this system cannot convert.");
        Raise(DaoNumber::NotSupported, std::move(description));
    }
}

} // namespace jet
