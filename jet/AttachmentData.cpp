#include "jet/AttachmentData.h"

#include "jet/Inflate.h"

namespace jet {

namespace {

constexpr uint32_t kStoredRaw = 0;
constexpr uint32_t kStoredDeflated = 1;

} // namespace

void UnpackAttachment(ByteSpan fileData, std::vector<uint8_t>& out) {
    const uint32_t form = U32(fileData, 0);
    const uint32_t unpackedLength = U32(fileData, 4);
    const ByteSpan packed = fileData.subspan(8);
    std::vector<uint8_t> content;
    if (form == kStoredDeflated) {
        // The claimed length bounds the output: a stream cannot make it grow.
        InflateZlib(packed, unpackedLength, content);
    } else if (form == kStoredRaw) {
        if (packed.size() < unpackedLength)
            RaiseCorrupt("attachment data ends early");
        content.assign(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(unpackedLength));
    } else {
        RaiseCorrupt("attachment data of an unknown form");
    }
    if (content.size() != unpackedLength)
        RaiseCorrupt("attachment data shorter than it claims");
    const ByteSpan whole(content);
    const uint32_t headerLength = U32(whole, 0);
    if (headerLength < 12 || headerLength > whole.size())
        RaiseCorrupt("attachment content header of the wrong size");
    out.assign(content.begin() + headerLength, content.end());
}

} // namespace jet
